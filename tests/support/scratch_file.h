// Files a test writes for a loader to read: in a folder of the test program's own under the
// temporary folder, removed with everything in it when the program ends.
#pragma once

#include <unistd.h>

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

}  // namespace testscratch
