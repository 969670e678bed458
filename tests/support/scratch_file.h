// Files a test writes for a loader to read: in a folder of the test program's own under the
// temporary folder, removed with everything in it when the program ends; and folders of one test's
// own, removed when their owner goes.
#pragma once

#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace testscratch {

inline const std::filesystem::path& Folder() {
    // Never destroyed, so that the removal at exit still has it.
    static const std::filesystem::path* const folder = [] {
        auto* p = new std::filesystem::path(std::filesystem::temp_directory_path() /
                                            ("abisalia-test-files-" + std::to_string(::getpid())));
        std::filesystem::create_directories(*p);
        std::atexit([] {
            std::error_code error;
            std::filesystem::remove_all(Folder(), error);
        });
        return p;
    }();
    return *folder;
}

// The path of a file of that name in the folder.
inline std::filesystem::path Path(const std::string& name) { return Folder() / name; }

// A folder of its own under the temporary folder, made empty, and removed with everything in it
// when the owner goes out of scope: also when an assertion ends the test part-way.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::string& prefix)
        : path_(std::filesystem::temp_directory_path() /
                (prefix + std::to_string(::getpid()) + "-" + std::to_string(Counter()++))) {
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~ScratchFolder() {
        std::error_code error;
        std::filesystem::remove_all(path_, error);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& Path() const { return path_; }

private:
    static std::atomic<int>& Counter() {
        static std::atomic<int> counter{0};
        return counter;
    }
    std::filesystem::path path_;
};

}  // namespace testscratch
