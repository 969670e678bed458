#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "win32/windows.h"

namespace {

TEST(MessageBox, HeadlessBoxesGoToStandardErrorAndReturnAtOnce) {
    ASSERT_TRUE(win32::IsHeadless());  // tests run with the offscreen driver
    // A box that waited for a click would never return: the test would run into its time-out.
    testing::internal::CaptureStderr();
    int result = MessageBoxA(nullptr, "Could not reset the Direct3D device.\n\nThis sample will now exit.", "Abisalia",
                             MB_OK | MB_ICONERROR);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(result, IDOK);
    EXPECT_NE(err.find("Abisalia"), std::string::npos);
    EXPECT_NE(err.find("Could not reset the Direct3D device.\n\nThis sample will now exit."), std::string::npos);
    EXPECT_NE(err.find("error"), std::string::npos);
}

// Headless only where no box can be shown or the project's own switches say so: a player's CI
// variable does not swallow the game's error boxes.
TEST(MessageBox, HeadlessFromTheDriverOrTheProjectsSwitchesOnly) {
    const char* kNames[] = {"SDL_VIDEODRIVER", "CI", "ABISALIA_HEADLESS", "ABISALIA_SCRIPT"};
    std::optional<std::string> saved[4];
    for (int i = 0; i < 4; ++i)
        if (const char* v = std::getenv(kNames[i])) saved[i] = v;
    struct Case {
        const char* driver;
        const char* ci;
        const char* headless;
        const char* script;
        bool expected;
    };
    const Case cases[] = {
        {"x11", "1", nullptr, nullptr, false},
        {"x11", nullptr, nullptr, nullptr, false},
        {"offscreen", nullptr, nullptr, nullptr, true},
        {"dummy", nullptr, nullptr, nullptr, true},
        {"x11", nullptr, "1", nullptr, true},
        {"x11", "true", "0", nullptr, false},
        {nullptr, nullptr, nullptr, "run.script", true},
    };
    for (const Case& c : cases) {
        const char* values[] = {c.driver, c.ci, c.headless, c.script};
        for (int i = 0; i < 4; ++i) values[i] ? ::setenv(kNames[i], values[i], 1) : ::unsetenv(kNames[i]);
        EXPECT_EQ(win32::IsHeadless(), c.expected) << (c.driver ? c.driver : "-") << " CI=" << (c.ci ? c.ci : "-")
                                                   << " headless=" << (c.headless ? c.headless : "-");
    }
    for (int i = 0; i < 4; ++i) saved[i] ? ::setenv(kNames[i], saved[i]->c_str(), 1) : ::unsetenv(kNames[i]);
}

TEST(MessageBox, TheDefaultButtonAnswersAndNullTextsAreFine) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(MessageBoxA(nullptr, "Continue?", "Video Texture", MB_YESNO | MB_ICONWARNING), IDYES);
    EXPECT_EQ(MessageBoxA(nullptr, nullptr, nullptr, MB_OK), IDOK);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("[warning] Video Texture: Continue?"), std::string::npos);
}

}  // namespace
