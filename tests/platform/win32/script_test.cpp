// Scripted runs: the script's grammar, and a real run of a tiny program that clears its window.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>

#include "png_image.h"
#include "win32/script.h"

namespace {

using win32::detail::script::LoadForTest;

TEST(ScriptGrammar, BadScriptsAreRefusedWithTheirLine) {
    const char* bad[] = {
        "1 press hyperspace",                   // unknown key
        "5 press a\n3 press b",                 // time going back
        "1 jump",                               // unknown command
        "1 capture",                            // no file
        "x press a",                            // bad time
        "1",                                    // no command
        "1 mouse-move 10",                      // missing y
        "1 click sideways",                     // unknown button
        "1 press a b",                          // extra word
        "99999999999999999999 press a",         // saturates a long
        "2000000001 press a",                   // past the last pass
        "2000000000 press a\n+2000000000 end",  // a sum past it
    };
    for (const char* text : bad) {
        testing::internal::CaptureStderr();
        EXPECT_FALSE(LoadForTest(text)) << text;
        std::string err = testing::internal::GetCapturedStderr();
        EXPECT_NE(err.find("script:"), std::string::npos) << text;
    }
    EXPECT_TRUE(LoadForTest("# a comment\n\n0 press a  # trailing\n+2 mouse-move 3 -4\n+1 capture out dir/f.png\n"));
    EXPECT_TRUE(LoadForTest("1000000000 press a\n+1000000000 end"));  // the last pass itself
    LoadForTest("");
}

struct RunResult {
    int exitCode = -1;
    bool timedOut = false;
};

// Runs the program with the script, never longer than a minute.
RunResult RunScripted(const std::filesystem::path& script) {
    RunResult run;
    pid_t pid = fork();
    if (pid == 0) {
        setenv("ABISALIA_SCRIPT", script.c_str(), 1);
        setenv("SDL_VIDEODRIVER", "offscreen", 1);
        execl(CLEAR_WINDOW_EXE, CLEAR_WINDOW_EXE, static_cast<char*>(nullptr));
        _exit(127);
    }
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            run.timedOut = true;
            return run;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (WIFEXITED(status)) run.exitCode = WEXITSTATUS(status);
    return run;
}

using testpng::Image;
using testpng::ReadPng;

class ScriptedRun : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ =
            std::filesystem::temp_directory_path() / ("abisalia-script-" + std::to_string(getpid()) + "-" +
                                                      ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::filesystem::path Write(const std::string& text) {
        std::filesystem::path path = dir_ / "run.script";
        std::ofstream(path) << text;
        return path;
    }
    std::filesystem::path dir_;
};

TEST_F(ScriptedRun, TheCapturedFrameHasTheClearedColourAndTheRunEndsByItself) {
    std::filesystem::path client = dir_ / "client.png", whole = dir_ / "window.png";
    // No end line: a script ends the run after its last event.
    RunResult run = RunScripted(Write("3 capture " + client.string() + "\n3 capture-window " + whole.string() + "\n"));
    ASSERT_FALSE(run.timedOut);
    EXPECT_EQ(run.exitCode, 7) << "the program's own WM_QUIT code: it ended through its window's close";
    const Image image = ReadPng(client);
    ASSERT_GT(image.nWidth, 0);
    EXPECT_EQ(image.nWidth, 320);
    EXPECT_EQ(image.nHeight, 200);
    for (size_t i = 0; i < image.rgb.size(); i += 3) {
        ASSERT_EQ(image.rgb[i], 51) << i;
        ASSERT_EQ(image.rgb[i + 1], 102) << i;
        ASSERT_EQ(image.rgb[i + 2], 153) << i;
    }
    const Image window = ReadPng(whole);
    ASSERT_GT(window.nWidth, 0);
    EXPECT_EQ(window.nHeight, 220) << "the menu strip above the client area";
    EXPECT_NE(window.rgb[3 * 2 * window.nWidth], 51) << "the strip is drawn, not the clear colour";
}

TEST_F(ScriptedRun, AScriptCanDriveTheMenuAndCloseTheWindow) {
    std::filesystem::path shot = dir_ / "menu.png";
    RunResult run = RunScripted(Write("2 press alt\n4 press f\n6 capture-window " + shot.string() +
                                      "\n8 press escape\n10 press escape\n12 close\n"));
    ASSERT_FALSE(run.timedOut);
    EXPECT_EQ(run.exitCode, 7);
    const Image image = ReadPng(shot);
    ASSERT_GT(image.nWidth, 0) << "captured while the menu was open";
}

TEST_F(ScriptedRun, ABadScriptStopsTheRunWithAMessage) {
    RunResult run = RunScripted(Write("1 press nothing-such\n"));
    ASSERT_FALSE(run.timedOut);
    EXPECT_EQ(run.exitCode, 2);
    RunResult missing = RunScripted(dir_ / "absent.script");
    EXPECT_EQ(missing.exitCode, 2);
}

}  // namespace
