// The entry point every harness defines: libFuzzer calls it in the fuzzing build, the replay
// driver calls it once per corpus file in the test builds.
#pragma once

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
