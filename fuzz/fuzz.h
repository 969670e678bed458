// The entry point every harness defines: libFuzzer calls it in the fuzzing build, the replay
// driver calls it once per corpus file in the test builds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace fuzz {

// Silences the traces of the code under test (every refusal prints a line) by pointing the
// program's `stderr` stream at /dev/null. File descriptor 2 itself stays open: the sanitizers and
// libFuzzer write their reports and statistics there, so a crash is still diagnosed.
inline void QuietTraces() {
    static std::FILE* const quiet = [] {
        std::FILE* null = std::fopen("/dev/null", "w");
        if (null) {
            std::fflush(stderr);
            stderr = null;  // the C library lets the stream variable be reassigned
        }
        return null;
    }();
    (void)quiet;
}

// A new folder of the harness's own under the temporary folder (its files must find nothing of the
// caller's), removed with everything in it when the run ends. One per process.
inline const std::filesystem::path& ScratchFolder(const char* szName) {
    // Never destroyed, so that the removal at exit still has it.
    static const std::filesystem::path* const folder = [szName] {
        auto* p =
            new std::filesystem::path(std::filesystem::temp_directory_path() /
                                      ("abisalia-fuzz-" + std::string(szName) + "-" + std::to_string(::getpid())));
        std::filesystem::create_directories(*p);
        std::atexit([] {
            std::error_code error;
            std::filesystem::remove_all(ScratchFolder(nullptr), error);
        });
        return p;
    }();
    return *folder;
}

}  // namespace fuzz
