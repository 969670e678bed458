// Scripted-run files.
#include <cstdio>
#include <string>

#include "fuzz.h"
#include "win32/script.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool quiet = std::freopen("/dev/null", "w", stderr) != nullptr;  // refusals print a line each
    (void)quiet;
    win32::detail::script::LoadForTest(std::string(reinterpret_cast<const char*>(data), size));
    win32::detail::script::LoadForTest("");
    return 0;
}
