// The game installed into a prefix that is then moved: the launcher, started from another folder,
// plays level 1 with its intro from the installed data and the module beside the program, with
// nothing of the build folder on its paths.
#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "png_image.h"

namespace fs = std::filesystem;

namespace {

std::string Output(const std::string& command) {
    std::string out;
    if (std::FILE* p = ::popen(command.c_str(), "r")) {
        std::array<char, 4096> buf;
        for (size_t n; (n = std::fread(buf.data(), 1, buf.size(), p)) > 0;) out.append(buf.data(), n);
        ::pclose(p);
    }
    return out;
}

std::string Read(const fs::path& path) {
    std::ostringstream out;
    out << std::ifstream(path).rdbuf();
    return out.str();
}

class InstallTest : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() / ("abisalia-install-" + std::to_string(::getpid()));
        fs::remove_all(root_);
        fs::create_directories(root_ / "elsewhere");
    }
    void TearDown() override { fs::remove_all(root_); }
    fs::path root_;
};

TEST_F(InstallTest, AMovedPrefixPlaysTheIntroFromItsOwnDataAndModule) {
    const fs::path first = root_ / "first", moved = root_ / "moved";
    ASSERT_EQ(std::system(("cmake --install '" ABISALIA_BUILD_DIR "' --prefix '" + first.string() + "' > '" +
                           (root_ / "install.log").string() + "' 2>&1")
                              .c_str()),
              0)
        << Read(root_ / "install.log");
    fs::rename(first, moved);

    for (const char* file :
         {"bin/abisalia", "lib/abisalia/abisalia", "lib/abisalia/libabisalia_movie.so",
          "share/abisalia/nivel1/nivel.plt", "share/abisalia/nivel1/intro.avi", "share/abisalia/configuracion.cfg",
          "share/applications/abisalia.desktop", "share/icons/hicolor/32x32/apps/abisalia.png",
          "share/icons/hicolor/16x16/apps/abisalia.png"})
        EXPECT_TRUE(fs::is_regular_file(moved / file)) << file;
    EXPECT_EQ(testpng::ReadPng(moved / "share/icons/hicolor/32x32/apps/abisalia.png").nWidth, 32);
    // The run paths name no folder of the build (nor an empty entry, which would be the current folder).
    for (const char* file : {"lib/abisalia/abisalia", "lib/abisalia/libabisalia_movie.so"}) {
        const std::string dynamic = Output("readelf -d '" + (moved / file).string() + "'");
        EXPECT_EQ(dynamic.find(ABISALIA_BUILD_DIR), std::string::npos) << file << dynamic;
        EXPECT_EQ(dynamic.find(":]"), std::string::npos) << file << dynamic;
    }

    // Started from another folder, windowed; captures by absolute path, since the launcher
    // changes into the data folder.
    const fs::path script = root_ / "elsewhere" / "run.script", capture = root_ / "elsewhere" / "intro.png";
    std::ofstream(script) << "30 capture " << capture.string() << "\n+1 end\n";
    // Nothing names the build's module folder: the installed program must find its own.
    const std::string env =
        "env -u ABISALIA_MODULE_DIR SDL_VIDEODRIVER=offscreen ABISALIA_FIXED_STEP=0.02 ABISALIA_SCRIPT='" +
        script.string() + "' ";
    const std::string log = (root_ / "elsewhere" / "run.log").string();
    ASSERT_EQ(std::system(("cd '" + (root_ / "elsewhere").string() + "' && " + env + "timeout -k 5 120 '" +
                           (moved / "bin/abisalia").string() + "' > '" + log + "' 2>&1")
                              .c_str()),
              0)
        << Read(log);
    EXPECT_EQ(Read(log).find("Video Texture"), std::string::npos) << Read(log);
    // The intro's quad (x 51 to 597, rows 422 to 729 of 1024 x 768) shows its yellow title.
    const testpng::Image image = testpng::ReadPng(capture);
    ASSERT_EQ(image.nWidth, 1024);
    int nYellow = 0;
    for (int y = 430; y < 560; ++y)
        for (int x = 60; x < 590; ++x) {
            const unsigned char* p = image.At(x, y);
            nYellow += p[0] > 150 && p[1] > 150 && p[2] < 110;
        }
    EXPECT_GT(nYellow, 1000);

    // An explicit data folder wins over the installed one.
    const std::string missing = (root_ / "no-such-data").string();
    const std::string err = Output("ABISALIA_MEDIA_DIR='" + missing + "' '" + (moved / "bin/abisalia").string() +
                                   "' 2>&1; echo \"exit $?\"");
    EXPECT_NE(err.find("the data folder " + missing + " is missing"), std::string::npos) << err;
    EXPECT_NE(err.find("exit 1"), std::string::npos) << err;
}

}  // namespace
