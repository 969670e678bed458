// The entry point every harness defines: libFuzzer calls it in the fuzzing build, the replay
// driver calls it once per corpus file in the test builds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

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

}  // namespace fuzz
