// Scripted runs of the real program (the gl backend on llvmpipe, SDL's offscreen driver) in a
// private copy of the generated media folder, and the PNG frames they capture. Shared by the
// end-to-end game tests.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "png_image.h"

namespace gametest {

using testpng::Distance;
using testpng::Image;
using testpng::ReadPng;

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
