// Scripted runs of the real program (the gl backend on llvmpipe, SDL's offscreen driver) in a
// private copy of the generated media folder, and the PNG frames they capture. Shared by the
// end-to-end game tests.
#pragma once

#include <gtest/gtest.h>
#include <png.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace gametest {

struct Image {
    int nWidth = 0, nHeight = 0;
    std::vector<unsigned char> rgb;
    const unsigned char* At(int x, int y) const { return &rgb[(static_cast<size_t>(y) * nWidth + x) * 3]; }
};

// An empty image (width 0) when the file is missing or not a PNG.
inline Image ReadPng(const std::filesystem::path& path) {
    Image image;
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&png, path.c_str())) return image;
    png.format = PNG_FORMAT_RGB;
    image.rgb.resize(PNG_IMAGE_SIZE(png));
    if (png_image_finish_read(&png, nullptr, image.rgb.data(), 0, nullptr)) {
        image.nWidth = static_cast<int>(png.width);
        image.nHeight = static_cast<int>(png.height);
    }
    return image;
}

inline int Distance(const unsigned char* a, const unsigned char* b) {
    return std::abs(a[0] - b[0]) + std::abs(a[1] - b[1]) + std::abs(a[2] - b[2]);
}

// Each test gets its own copy of the media folder (the generated settings ask for full screen at
// 1024 x 768), so a test may change level files in it.
class ScriptedRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        const ::testing::TestInfo* pInfo = ::testing::UnitTest::GetInstance()->current_test_info();
        folder_ = std::filesystem::temp_directory_path() /
                  ("abisalia-run-" + std::string(pInfo->name()) + "-" + std::to_string(::getpid()));
        std::filesystem::remove_all(folder_);
        std::filesystem::copy(ABISALIA_MEDIA_DIR, folder_, std::filesystem::copy_options::recursive);
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    // Runs the program on the script with a fixed time step in seconds per frame; the result is
    // std::system's. The program's output goes to run.log in the folder.
    int Run(const std::string& strScript, const char* szFixedStep = "0.02") {
        std::ofstream(folder_ / "run.script") << strScript;
        const std::string strCommand = "cd '" + folder_.string() +
                                       "' && SDL_VIDEODRIVER=offscreen ABISALIA_FIXED_STEP=" + szFixedStep +
                                       " ABISALIA_SCRIPT=run.script '" ABISALIA_GAME_PATH "' > run.log 2>&1";
        return std::system(strCommand.c_str());
    }
    std::string Log() const {
        std::ostringstream out;
        out << std::ifstream(folder_ / "run.log").rdbuf();
        return out.str();
    }
    Image Capture(const std::string& strName) const { return ReadPng(folder_ / strName); }

    std::filesystem::path folder_;
};

}  // namespace gametest
