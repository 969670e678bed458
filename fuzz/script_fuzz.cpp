// Scripted-run files.
#include <string>

#include "fuzz.h"
#include "win32/script.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::QuietTraces();
    win32::detail::script::LoadForTest(std::string(reinterpret_cast<const char*>(data), size));
    win32::detail::script::LoadForTest("");
    return 0;
}
