// Scripted runs of the real program (the gl backend on llvmpipe, SDL's offscreen driver) in a
// private copy of the generated media folder, and the PNG frames they capture. Shared by the
// end-to-end game tests.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <functional>
#include <string>
#include <thread>
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
    // std::system's. The program's output goes to run.log in the folder. The display is SDL's
    // offscreen driver unless strDisplay names other variables (an X server and the x11 driver).
    int Run(const std::string& strScript, const char* szFixedStep = "0.02",
            const std::string& strDisplay = "SDL_VIDEODRIVER=offscreen") {
        std::ofstream(folder_ / "run.script") << strScript;
        // A program that stops stepping frames never reaches the script's end: the limit turns the
        // hang into a failure (exit code 124) well before the test's own time runs out.
        const std::string strCommand =
            "cd '" + folder_.string() + "' && " + strDisplay + " ABISALIA_FIXED_STEP=" + szFixedStep +
            " ABISALIA_SCRIPT=run.script timeout -k 5 140 '" ABISALIA_GAME_PATH "' > run.log 2>&1";
        return std::system(strCommand.c_str());
    }
    // Runs the program as Run does, on another thread; once the frame strFirst is written (the
    // program is up and drawing), calls fnMeanwhile while the program goes on.
    int RunMeanwhile(const std::string& strScript, const std::string& strFirst,
                     const std::function<void()>& fnMeanwhile,
                     const std::string& strDisplay = "SDL_VIDEODRIVER=offscreen") {
        bDone_ = false;
        int nResult = -1;
        std::thread program([&] {
            nResult = Run(strScript, "0.02", strDisplay);
            bDone_ = true;
        });
        if (WaitForFrame(strFirst)) fnMeanwhile();
        program.join();
        return nResult;
    }
    // Inside fnMeanwhile: waits until the running program writes the frame; false if it ended first.
    bool WaitForFrame(const std::string& strName) const {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(3);
        while (!bDone_ && !std::filesystem::exists(folder_ / strName) && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        return std::filesystem::exists(folder_ / strName);
    }
    // The settings file's full-screen switch (its fourth number).
    void SetFullScreen(bool bFullScreen) {
        std::ofstream(folder_ / "configuracion.cfg", std::ios::trunc)
            << "1024 768 32 " << (bFullScreen ? 1 : 0) << "\n";
    }
    std::string Log() const {
        std::ostringstream out;
        out << std::ifstream(folder_ / "run.log").rdbuf();
        return out.str();
    }
    Image Capture(const std::string& strName) const { return ReadPng(folder_ / strName); }

    std::filesystem::path folder_;
    std::atomic<bool> bDone_{false};
};

}  // namespace gametest
