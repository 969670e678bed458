// The level's intro on screen in the real program (gl backend on llvmpipe, a scripted run with a
// fixed step): where the quad is, that the picture is upright, when it ends and 'V' again.
#include <gtest/gtest.h>

#include "level_edit.h"
#include "scripted_run.h"

namespace {

using gametest::Distance;
using gametest::Image;
using VideoPlayTest = gametest::ScriptedRunTest;

// The quad spans x -0.45 to 0.0833 and y -0.45 to -0.05 of the 1 x 1 screen space: pixels 51 to
// 597 across and rows 422 to 729 down on the 1024 x 768 frame.
constexpr int kLeft = 51, kRight = 597, kTop = 422, kBottom = 729;

bool Yellow(const unsigned char* p) { return p[0] > 150 && p[1] > 150 && p[2] < 110; }

// Yellow pixels (the intro's "NIVEL 1" title) in a band of rows of the quad, given as fractions
// of its height from the top.
int YellowIn(const Image& image, double from, double to) {
    int n = 0;
    for (int y = kTop + static_cast<int>(from * (kBottom - kTop)); y < kTop + static_cast<int>(to * (kBottom - kTop));
         ++y)
        for (int x = kLeft; x < kRight; ++x) n += Yellow(image.At(x, y));
    return n;
}

// Mean per-pixel difference of two frames inside the quad.
double QuadDifference(const Image& a, const Image& b) {
    double sum = 0;
    int n = 0;
    for (int y = kTop + 4; y < kBottom - 4; y += 2)
        for (int x = kLeft + 4; x < kRight - 4; x += 2, ++n) sum += Distance(a.At(x, y), b.At(x, y));
    return sum / n;
}

// The intro is 75 frames at 25 per second: 3 s, 150 passes of 0.02 s from the first frame, which
// starts it. Its completion is taken in the frame the pass-150 capture shows; 'V' plays it again.
// The diver starts high in open water, so that outside the quad the picture is water beyond the
// fog, the same from frame to frame.
TEST_F(VideoPlayTest, TheIntroPlaysUprightEndsByItselfAndVPlaysItAgain) {
    ASSERT_NO_FATAL_FAILURE(gametest::SetStartHeight(folder_ / "nivel1", 40));
    ASSERT_EQ(Run("30 capture start.png\n149 capture last.png\n150 capture ended.png\n170 press v\n"
                  "200 capture again.png\n+1 end\n"),
              0)
        << Log();
    const Image start = Capture("start.png"), last = Capture("last.png"), ended = Capture("ended.png"),
                again = Capture("again.png");
    EXPECT_EQ(Log().find("Video Texture"), std::string::npos) << Log();

    // Upright: the big title lies in the upper part of the picture (rows 40 to 75 of 240), the
    // smaller golden fish in the lower part.
    for (const Image* p : {&start, &again}) {
        const int nUpper = YellowIn(*p, 0.1, 0.4), nLower = YellowIn(*p, 0.6, 0.9);
        EXPECT_GT(nUpper, 1000);
        EXPECT_GT(nUpper, 3 * nLower) << nUpper << " above, " << nLower << " below";
    }
    // The movie's water in the quad, the sea floor there once it has ended.
    EXPECT_GT(QuadDifference(start, ended), 60);
    EXPECT_GT(QuadDifference(last, ended), 60) << "still playing one pass before its end";
    EXPECT_LT(YellowIn(ended, 0.1, 0.4), 50);
    // Outside the quad the picture is the same game either way.
    EXPECT_LT(Distance(start.At(800, 100), ended.At(800, 100)), 40);
}

}  // namespace
