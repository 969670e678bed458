#include <gtest/gtest.h>

#include <chrono>

#include "win32/windows.h"

namespace {

TEST(MessageBox, HeadlessBoxesGoToStandardErrorAndReturnAtOnce) {
    ASSERT_TRUE(win32::IsHeadless());  // tests run with the offscreen driver
    testing::internal::CaptureStderr();
    auto start = std::chrono::steady_clock::now();
    int result = MessageBoxA(nullptr, "Could not reset the Direct3D device.\n\nThis sample will now exit.", "Abisalia",
                             MB_OK | MB_ICONERROR);
    auto elapsed = std::chrono::steady_clock::now() - start;
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(result, IDOK);
    EXPECT_LT(elapsed, std::chrono::seconds(5));
    EXPECT_NE(err.find("Abisalia"), std::string::npos);
    EXPECT_NE(err.find("Could not reset the Direct3D device.\n\nThis sample will now exit."), std::string::npos);
    EXPECT_NE(err.find("error"), std::string::npos);
}

TEST(MessageBox, TheDefaultButtonAnswersAndNullTextsAreFine) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(MessageBoxA(nullptr, "Continue?", "Video Texture", MB_YESNO | MB_ICONWARNING), IDYES);
    EXPECT_EQ(MessageBoxA(nullptr, nullptr, nullptr, MB_OK), IDOK);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("[warning] Video Texture: Continue?"), std::string::npos);
}

}  // namespace
