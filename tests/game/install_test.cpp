// The game installed into a prefix that is then moved: the launcher, started from another folder,
// plays level 1 with its intro from the installed data and the module beside the program, with
// nothing of the build folder on its paths; a settings file of the user's own takes the place of
// the installed one without anything written into the installed data.
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

// The yellow title of the intro's quad, counted over the middle rows of a capture of any size.
int YellowTitleTexels(const testpng::Image& image) {
    int nYellow = 0;
    for (int y = image.nHeight * 430 / 768; y < image.nHeight * 560 / 768; ++y)
        for (int x = image.nWidth * 60 / 1024; x < image.nWidth * 590 / 1024; ++x) {
            const unsigned char* p = image.At(x, y);
            nYellow += p[0] > 150 && p[1] > 150 && p[2] < 110;
        }
    return nYellow;
}

// Every entry under a folder, with each regular file's contents.
std::string Snapshot(const fs::path& folder) {
    std::string out;
    for (const fs::directory_entry& e : fs::recursive_directory_iterator(folder)) {
        out += e.path().lexically_relative(folder).string() + "\n";
        if (e.is_regular_file() && e.path().extension() != ".avi") out += Read(e.path());
    }
    return out;
}

class InstallTest : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() / ("abisalia-install-" + std::to_string(::getpid()));
        fs::remove_all(root_);
        fs::create_directories(root_ / "elsewhere");
        fs::create_directories(root_ / "home" / "config");
    }
    void TearDown() override { fs::remove_all(root_); }

    ::testing::AssertionResult Install(const fs::path& prefix) const {
        const fs::path log = root_ / "install.log";
        if (std::system(("cmake --install '" ABISALIA_BUILD_DIR "' --prefix '" + prefix.string() + "' > '" +
                         log.string() + "' 2>&1")
                            .c_str()) == 0)
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << Read(log);
    }

    // The launcher of `prefix`, started from another folder for 30 frames with a user whose
    // configuration and cache folders lie under root_; the frame it showed last.
    testpng::Image Play(const fs::path& prefix) const {
        // Captures by absolute path, since the launcher changes folders.
        const fs::path script = root_ / "elsewhere" / "run.script", capture = root_ / "elsewhere" / "intro.png";
        fs::remove(capture);
        std::ofstream(script) << "30 capture " << capture.string() << "\n+1 end\n";
        // Nothing names the build's module folder: the installed program must find its own.
        const std::string env = "env -u ABISALIA_MODULE_DIR -u ABISALIA_MEDIA_DIR HOME='" + (root_ / "home").string() +
                                "' XDG_CONFIG_HOME='" + (root_ / "home" / "config").string() + "' XDG_CACHE_HOME='" +
                                (root_ / "home" / "cache").string() +
                                "' SDL_VIDEODRIVER=offscreen ABISALIA_FIXED_STEP=0.02 ABISALIA_SCRIPT='" +
                                script.string() + "' ";
        const std::string log = (root_ / "elsewhere" / "run.log").string();
        const int rc = std::system(("cd '" + (root_ / "elsewhere").string() + "' && " + env + "timeout -k 5 120 '" +
                                    (prefix / "bin/abisalia").string() + "' > '" + log + "' 2>&1")
                                       .c_str());
        EXPECT_EQ(rc, 0) << Read(log);
        EXPECT_EQ(Read(log).find("Video Texture"), std::string::npos) << Read(log);
        return testpng::ReadPng(capture);
    }

    fs::path root_;
};

TEST_F(InstallTest, AMovedPrefixPlaysTheIntroFromItsOwnDataAndModule) {
    const fs::path first = root_ / "first", moved = root_ / "moved";
    ASSERT_TRUE(Install(first));
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

    // The installed settings: full screen at 1024 x 768, where the intro's quad (x 51 to 597, rows
    // 422 to 729) shows its yellow title.
    const testpng::Image image = Play(moved);
    ASSERT_EQ(image.nWidth, 1024);
    EXPECT_GT(YellowTitleTexels(image), 1000);

    // An explicit data folder wins over the installed one.
    const std::string missing = (root_ / "no-such-data").string();
    const std::string err = Output("ABISALIA_MEDIA_DIR='" + missing + "' '" + (moved / "bin/abisalia").string() +
                                   "' 2>&1; echo \"exit $?\"");
    EXPECT_NE(err.find("the data folder " + missing + " is missing"), std::string::npos) << err;
    EXPECT_NE(err.find("exit 1"), std::string::npos) << err;
}

TEST_F(InstallTest, AUserSettingsFilePlaysInAWindowAndLeavesTheInstalledDataAlone) {
    const fs::path first = root_ / "first", moved = root_ / "moved";
    ASSERT_TRUE(Install(first));
    const fs::path user = root_ / "home" / "config" / "abisalia" / "configuracion.cfg";
    fs::create_directories(user.parent_path());
    std::ofstream(user) << "1024 768 0 0\n";
    const std::string installed = Snapshot(first / "share/abisalia");

    // Windowed: the window keeps its first client size, 400 x 300; the intro plays from the
    // installed data all the same.
    testpng::Image image = Play(first);
    EXPECT_EQ(image.nWidth, 400);
    EXPECT_EQ(image.nHeight, 300);
    EXPECT_GT(YellowTitleTexels(image), 100);
    EXPECT_EQ(Snapshot(first / "share/abisalia"), installed);

    // The start folder follows the data when the prefix moves, and the user's file when it changes:
    // back to full screen.
    fs::rename(first, moved);
    std::ofstream(user) << "1024 768 0 1\n";
    image = Play(moved);
    EXPECT_EQ(image.nWidth, 1024);
    EXPECT_GT(YellowTitleTexels(image), 1000);
    EXPECT_EQ(Snapshot(moved / "share/abisalia"), installed);
}

}  // namespace
