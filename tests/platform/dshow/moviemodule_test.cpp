// The movie decoder module's boundary: the module folder named by ABISALIA_MODULE_DIR is the one
// loaded, and a module of another interface version there is refused, not called.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "dshow/moviemodule.h"
#include "dshow/moviereader.h"
#include "test_clip.h"

namespace {

namespace fs = std::filesystem;

// Points the module lookup at a folder for the test's length, and back at what it was after.
class ModuleFolder {
public:
    explicit ModuleFolder(const fs::path& folder) {
        if (const char* was = std::getenv("ABISALIA_MODULE_DIR")) was_ = was, had_ = true;
        ::setenv("ABISALIA_MODULE_DIR", folder.c_str(), 1);
        dshow::SetMovieModulePath("");
    }
    ~ModuleFolder() {
        if (had_)
            ::setenv("ABISALIA_MODULE_DIR", was_.c_str(), 1);
        else
            ::unsetenv("ABISALIA_MODULE_DIR");
        dshow::SetMovieModulePath("");
    }

private:
    std::string was_;
    bool had_ = false;
};

TEST(MovieModuleTest, AModuleOfAnotherInterfaceVersionIsRefused) {
    const fs::path clip = fs::temp_directory_path() / ("abisalia-module-" + std::to_string(::getpid()) + ".avi");
    struct Removed {
        fs::path path;
        ~Removed() {
            std::error_code error;
            fs::remove(path, error);
        }
    } removed{clip};
    testclip::Write(clip, 16, 16, 25, 2);
    struct Case {
        const char* folder;
        const char* why;
    } cases[] = {
        {"stale-other", "interface version "},
        {"stale-unversioned", "interface version none"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.folder);
        const fs::path folder = fs::path(ABISALIA_STALE_MODULE_DIR) / c.folder;
        ModuleFolder override(folder);
        testing::internal::CaptureStderr();
        dshow::MovieReader reader;
        EXPECT_EQ(reader.Open(clip.string()), VFW_E_UNSUPPORTED_STREAM);
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_NE(err.find("video: no movie decoder (" + (folder / "libabisalia_movie.so").string() + "): " + c.why),
                  std::string::npos)
            << err;
    }
    dshow::MovieReader reader;
    EXPECT_EQ(reader.Open(clip.string()), S_OK) << "the build's own module again";
}

}  // namespace
