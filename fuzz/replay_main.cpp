// Runs a harness over files and folders of inputs, as libFuzzer would run it over its corpus.
// Used by the test builds, so that the corpus and every crasher found replay under the
// sanitizers without libFuzzer.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "fuzz.h"

namespace {

// Each input sits in an allocation of exactly its size, as libFuzzer hands it over, so a read one
// byte past its end is an overflow AddressSanitizer reports.
int Replay(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::unique_ptr<std::uint8_t[]> input(new std::uint8_t[bytes.size()]);
    std::copy(bytes.begin(), bytes.end(), input.get());
    LLVMFuzzerTestOneInput(input.get(), bytes.size());
    return 1;
}

}  // namespace

// Fails when nothing was replayed; a sanitizer's report ends the program with its own failing
// status, which the test goes by.
int main(int argc, char** argv) {
    // Made absolute first: a harness may change the current folder.
    std::vector<std::filesystem::path> paths;
    for (int i = 1; i < argc; ++i) paths.push_back(std::filesystem::absolute(argv[i]));
    int count = 0;
    for (const std::filesystem::path& path : paths) {
        if (std::filesystem::is_directory(path)) {
            for (const auto& entry : std::filesystem::recursive_directory_iterator(path))
                if (entry.is_regular_file() && entry.path().filename() != "README.md") count += Replay(entry.path());
        } else if (std::filesystem::is_regular_file(path)) {
            count += Replay(path);
        }
    }
    std::printf("replayed %d inputs\n", count);
    return count > 0 ? 0 : 1;
}
