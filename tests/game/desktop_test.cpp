// The real program on a real X server (Xvfb under openbox, SDL's x11 driver), where players run it:
// full screen granted by the window manager or, without one, by the program itself; the pointer
// moved by xdotool turning the view in full screen and nothing in a window; Esc ending the program.
// Beside them, the offscreen driver's scripted pointer in full screen.
#include <filesystem>

#include "scripted_run.h"
#include "x_session.h"

namespace {

using gametest::Image;

// Past the diver's start pose (80 passes) a first frame, after which the test moves the pointer; a
// second frame well after, when the test reads where the pointer is; then Esc, and a frame only a
// program that ignored Esc would take.
constexpr char kScript[] =
    "85 capture a.png\n"
    "200 capture b.png\n"
    "+30 press escape\n"
    "+40 capture late.png\n";

// Mean difference per channel of two frames of one size, 0 to 255.
double MeanDifference(const Image& a, const Image& b) {
    if (a.nWidth != b.nWidth || a.nHeight != b.nHeight || a.nWidth == 0) return 255;
    double fSum = 0;
    for (size_t i = 0; i < a.rgb.size(); ++i) fSum += std::abs(a.rgb[i] - b.rgb[i]);
    return fSum / static_cast<double>(a.rgb.size());
}

// Mean channel value of the region [x0, x1) x [y0, y1).
double MeanLevel(const Image& image, int x0, int y0, int x1, int y1) {
    double fSum = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            const unsigned char* p = image.At(x, y);
            fSum += p[0] + p[1] + p[2];
        }
    return fSum / (3.0 * (x1 - x0) * (y1 - y0));
}

class DesktopTest : public gametest::ScriptedRunTest {
protected:
    // Runs the program on the X session. Once the first frame is written (so the window is up and
    // drawing), runs the pointer command, if any, and notes where the pointer is after it and at
    // the second frame.
    int RunOnX(const testx::XSession& x, const std::string& strPointer, const char* szScript = kScript) {
        if (strPointer.empty()) return Run(szScript, "0.02", x.Environment());
        return RunMeanwhile(
            szScript, "a.png",
            [&] {
                x.Tool(strPointer);
                strPointerAfterMove_ = Pointer(x);
                WaitForFrame("b.png");
                strPointerLater_ = Pointer(x);
            },
            x.Environment());
    }
    // Keeps a run's frames under another name before the next run writes its own.
    void Keep(const std::string& strPrefix) {
        for (const char* szName : {"a.png", "b.png"})
            std::filesystem::rename(folder_ / szName, folder_ / (strPrefix + szName));
    }
    // Where the pointer is, as "X=..\nY=..\n".
    static std::string Pointer(const testx::XSession& x) {
        const std::string strOut = x.Tool("getmouselocation --shell");
        return strOut.substr(0, strOut.find("SCREEN="));
    }
    bool Exists(const char* szName) const { return std::filesystem::exists(folder_ / szName); }

    std::string strPointerAfterMove_, strPointerLater_;  // where the pointer was after the move, and at b.png
};

// The generated settings ask for full screen at 1024 x 768; the screen is that size, so the frames
// are the back buffer unscaled.
TEST_F(DesktopTest, FullScreenOnX11TheMouseTurnsTheViewAndEscEnds) {
    testx::XSession x("1024x768x24");
    ASSERT_TRUE(x.Ready()) << x.Error();
    SetFullScreen(true);
    ASSERT_EQ(RunOnX(x, ""), 0) << Log();
    Keep("still-");
    ASSERT_EQ(RunOnX(x, "mousemove 712 384"), 0) << Log();

    const Image a = Capture("a.png"), b = Capture("b.png");
    ASSERT_EQ(a.nWidth, 1024) << Log();
    ASSERT_EQ(a.nHeight, 768);
    EXPECT_GT(MeanLevel(a, 0, 0, 1024, 768), 40) << "frames come, not black";
    EXPECT_LT(MeanDifference(a, Capture("still-a.png")), 1.0) << "the runs agree until the pointer moves";
    EXPECT_GT(MeanDifference(b, Capture("still-b.png")), 10.0) << "the pointer turned the view";
    EXPECT_FALSE(Exists("late.png")) << "Esc ended the program";
    // The look re-centres on the framework's initial client size, whatever the screen's.
    EXPECT_EQ(strPointerLater_, "X=200\nY=150\n") << "the mouse look puts the pointer back";
}

TEST_F(DesktopTest, WindowedOnX11ThePointerTurnsNothingAndStaysWhereTheUserPutIt) {
    testx::XSession x("1280x1024x24");
    ASSERT_TRUE(x.Ready()) << x.Error();
    SetFullScreen(false);
    ASSERT_EQ(RunOnX(x, ""), 0) << Log();
    Keep("still-");
    ASSERT_EQ(RunOnX(x, "search --name '^Abisalia$' mousemove --window %1 300 200"), 0) << Log();

    const Image a = Capture("a.png"), b = Capture("b.png");
    ASSERT_GT(a.nWidth, 0) << Log();
    EXPECT_GT(MeanLevel(a, 0, 0, a.nWidth, a.nHeight), 40) << "frames come, not black";
    EXPECT_LT(MeanDifference(b, Capture("still-b.png")), 1.0) << "nothing turned";
    EXPECT_FALSE(Exists("late.png")) << "Esc ended the program";
    EXPECT_EQ(strPointerAfterMove_.rfind("X=", 0), 0u) << strPointerAfterMove_;
    EXPECT_EQ(strPointerLater_, strPointerAfterMove_) << "the program never moved the pointer";
}

// With no window manager nobody answers a full-screen request: the program makes its window
// borderless at the mode's size itself, and the frame fills it.
TEST_F(DesktopTest, FullScreenOnX11WithoutAWindowManager) {
    testx::XSession x("1280x1024x24", false);
    ASSERT_TRUE(x.Ready()) << x.Error();
    SetFullScreen(true);
    ASSERT_EQ(RunOnX(x, "", "90 capture a.png\n+1 press escape\n+60 capture late.png\n"), 0) << Log();
    const Image a = Capture("a.png");
    ASSERT_EQ(a.nWidth, 1024) << Log();
    ASSERT_EQ(a.nHeight, 768);
    EXPECT_GT(MeanLevel(a, 0, 0, 256, 192), 40) << "the top left corner is drawn, not black";
    EXPECT_GT(MeanLevel(a, 768, 576, 1024, 768), 40) << "so is the bottom right";
    EXPECT_FALSE(Exists("late.png")) << "Esc ended the program";
}

// The scripted pointer of the offscreen driver in full screen: the view turns and the run ends by
// itself (a pointer motion answered by another one, for ever, once kept it from ending).
TEST_F(DesktopTest, FullScreenOffscreenAScriptedPointerTurnsTheView) {
    SetFullScreen(true);
    ASSERT_EQ(Run("90 capture a.png\n200 capture b.png\n"), 0) << Log();
    Keep("still-");
    ASSERT_EQ(Run("90 capture a.png\n100 mouse-move 712 384\n150 mouse-move 612 300\n200 capture b.png\n"), 0) << Log();
    EXPECT_LT(MeanDifference(Capture("a.png"), Capture("still-a.png")), 1.0);
    EXPECT_GT(MeanDifference(Capture("b.png"), Capture("still-b.png")), 10.0) << "the pointer turned the view";
}

}  // namespace
