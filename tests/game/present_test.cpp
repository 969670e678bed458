// The real program's frames drawn straight into the window against the same scripted run with every
// frame copied from the device's own framebuffer (ABISALIA_GL_COPY_PRESENT=1): windowed and full
// screen, with and without multisampling (picked in the device dialog), and a paused frame
// presented again.
#include <gtest/gtest.h>

#include <string>

#include "scripted_run.h"

namespace {

using gametest::Distance;
using gametest::Image;
using PresentTest = gametest::ScriptedRunTest;

// Frames while the diver swims ahead.
const char kFrames[] = "60 capture-window a.png\n+1 key-down w\n+20 capture-window b.png\n+2 end\n";
// The menu opened and its list closed again: the paused frame is presented again under the strip.
const char kPausedUnderTheMenu[] =
    "40 press alt\n+2 press f\n+3 capture-window a.png\n+2 press escape\n+3 capture-window b.png\n"
    "+2 press escape\n+2 end\n";
// F2, then the dialog's keys: to the multisample list, one down (two samples), OK. From full
// screen the dialog opens over the window, so full screen is picked again on the way.
const char kWindowedMultisample[] =
    "30 press f2\n+4 press tab\n+2 press tab\n+2 press tab\n+2 press down\n+2 press enter\n";
const char kFullScreenMultisample[] =
    "30 press f2\n+4 press tab\n+2 press tab\n+2 press down\n+2 press tab\n+2 press tab\n+2 press down\n"
    "+2 press enter\n";

struct Difference {
    int nAny = 0, nFar = 0, nTotal = 0;
};

Difference Compare(const Image& a, const Image& b) {
    Difference d;
    for (int y = 0; y < a.nHeight; ++y)
        for (int x = 0; x < a.nWidth; ++x, ++d.nTotal) {
            const int n = Distance(a.At(x, y), b.At(x, y));
            d.nAny += n > 0;
            d.nFar += n > 6;
        }
    return d;
}

TEST_F(PresentTest, TheWindowShowsTheSamePictureWithoutTheCopy) {
    const struct {
        const char* szName;
        bool bFullScreen;
        const char* szSetup;  // before the script
        const char* szScript;
        bool bMultisampled;
    } cases[] = {
        {"windowed", false, "", kFrames, false},
        {"full screen", true, "", kFrames, false},
        {"windowed, multisampled", false, kWindowedMultisample, kFrames, true},
        {"full screen, multisampled", true, kFullScreenMultisample, kFrames, true},
        {"paused under the menu", false, "", kPausedUnderTheMenu, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.szName);
        SetFullScreen(c.bFullScreen);
        const std::string strScript = std::string(c.szSetup) + c.szScript;
        Image frames[2][2];
        for (int nCopy = 0; nCopy < 2; ++nCopy) {
            ASSERT_EQ(Run(strScript, "0.02",
                          nCopy ? "SDL_VIDEODRIVER=offscreen ABISALIA_GL_COPY_PRESENT=1" : "SDL_VIDEODRIVER=offscreen"),
                      0)
                << Log();
            frames[nCopy][0] = Capture("a.png");
            frames[nCopy][1] = Capture("b.png");
        }
        for (int f = 0; f < 2; ++f) {
            const Image &direct = frames[0][f], &copied = frames[1][f];
            ASSERT_GT(copied.nWidth, 0) << "frame " << f;
            ASSERT_EQ(direct.nWidth, copied.nWidth) << "frame " << f;
            ASSERT_EQ(direct.nHeight, copied.nHeight) << "frame " << f;
            EXPECT_EQ(copied.nWidth, c.bFullScreen ? 1024 : 400);
            const Difference d = Compare(direct, copied);
            if (c.bMultisampled) {
                // Multisampled frames are resolved and copied either way.
                EXPECT_EQ(d.nAny, 0) << "frame " << f;
            } else {
                // The window's rows run the other way, so rounding differs by a level here and there;
                // anything misplaced, lost or drawn without depth would differ far more.
                EXPECT_LT(d.nAny, d.nTotal / 20) << "frame " << f;
                EXPECT_LT(d.nFar, d.nTotal / 2000) << "frame " << f;
            }
        }
    }
}

}  // namespace
