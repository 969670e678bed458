// Runs a harness over files and folders of inputs, as libFuzzer would run it over its corpus.
// Used by the test builds, so that the corpus and every crasher found replay under the
// sanitizers without libFuzzer.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz.h"

namespace {

int Replay(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    return 1;
}

}  // namespace

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
    return 0;
}
