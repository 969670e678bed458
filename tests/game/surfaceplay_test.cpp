// Coming up to the surface in the generated first level, keys only: the real program on llvmpipe
// driven by a scripted run and judged by its captured frames.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "scripted_run.h"

namespace {

using gametest::Distance;
using gametest::Image;
using SurfacePlayTest = gametest::ScriptedRunTest;

// Mean difference between horizontal neighbours over a block: the sky is smooth, the sea's
// texture and highlights are not.
double Roughness(const Image& image, int x0, int x1, int y0, int y1) {
    double dSum = 0;
    int n = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x + 1 < x1; ++x, ++n) dSum += Distance(image.At(x, y), image.At(x + 1, y));
    return dSum / n;
}

// Mean difference of two captures over a block.
double Change(const Image& a, const Image& b, int x0, int x1, int y0, int y1) {
    double dSum = 0;
    int n = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x, ++n) dSum += Distance(a.At(x, y), b.At(x, y));
    return dSum / n;
}

bool SkyBlue(const unsigned char* p) { return p[2] > 190 && p[2] > p[0] + 25; }
bool MarkerYellow(const unsigned char* p) { return p[0] > 180 && p[1] > 160 && p[2] < 90; }

// The boat marker's centre on the chart (upper right), or (-1, -1) when none is drawn.
std::pair<double, double> MarkerCentre(const Image& image) {
    double sx = 0, sy = 0;
    int n = 0;
    for (int y = 0; y < 200; ++y)
        for (int x = 700; x < 980; ++x)
            if (MarkerYellow(image.At(x, y))) sx += x, sy += y, ++n;
    return n < 5 ? std::make_pair(-1.0, -1.0) : std::make_pair(sx / n, sy / n);
}

TEST_F(SurfacePlayTest, UpToTheBoatAndBackUnderWater) {
    // Wait out the start pose, look up, fin up to the surface; look down to the horizon; run the
    // boat with 'W'; look down until the diver is back under water.
    const std::string strScript =
        "80 key-down up\n"
        "170 key-up up\n"
        "180 key-down w\n"
        "560 key-up w\n"
        "+1 capture up.png\n"
        "+10 key-down down\n"
        "+50 key-up down\n"
        "+5 capture horizon.png\n"
        "+5 capture later.png\n"
        "+1 key-down w\n"
        "+250 key-up w\n"
        "+1 capture run.png\n"
        "+5 key-down down\n"
        "+80 key-up down\n"
        "+5 capture under.png\n"
        "+1 end\n";
    ASSERT_EQ(Run(strScript), 0) << Log();
    const Image up = Capture("up.png"), horizon = Capture("horizon.png"), later = Capture("later.png"),
                run = Capture("run.png"), under = Capture("under.png");
    for (const Image* p : {&up, &horizon, &later, &run, &under}) ASSERT_EQ(p->nWidth, 1024) << Log();

    // Pitched up at the surface: sky over the whole left side, the chart with the boat marker.
    int nSky = 0;
    for (int y = 120; y < 640; y += 8)
        for (int x = 0; x < 300; x += 8) nSky += SkyBlue(up.At(x, y));
    EXPECT_GT(nSky, 0.95 * (520 / 8) * (300 / 8)) << "all sky while looking up";
    EXPECT_LT(Roughness(up, 0, 300, 120, 640), 1.0);
    const auto vMarkerBefore = MarkerCentre(horizon);
    ASSERT_GE(vMarkerBefore.first, 0) << "the boat marker on the chart";

    // Looking level: sky above, the sea's rough texture below.
    EXPECT_TRUE(SkyBlue(horizon.At(40, 200)));
    EXPECT_LT(Roughness(horizon, 0, 250, 120, 250), 1.0) << "sky above";
    EXPECT_GT(Roughness(horizon, 0, 250, 460, 600), 3.0) << "sea below";
    // The waves move between two captures 5 frames apart, much more than the sky does.
    EXPECT_GT(Change(horizon, later, 0, 250, 460, 600), 3 * Change(horizon, later, 0, 250, 120, 250) + 10);

    // 'W' runs the boat: its marker moves on the chart.
    const auto vMarkerAfter = MarkerCentre(run);
    ASSERT_GE(vMarkerAfter.first, 0);
    EXPECT_GT(std::abs(vMarkerAfter.first - vMarkerBefore.first) + std::abs(vMarkerAfter.second - vMarkerBefore.second),
              2.0)
        << "from (" << vMarkerBefore.first << ", " << vMarkerBefore.second << ") to (" << vMarkerAfter.first << ", "
        << vMarkerAfter.second << ")";

    // Looking down again: back under water, no sky, no chart.
    EXPECT_EQ(MarkerCentre(under).first, -1);
    int nSkyUnder = 0;
    for (int y = 120; y < 640; y += 8)
        for (int x = 0; x < 300; x += 8) nSkyUnder += SkyBlue(under.At(x, y));
    EXPECT_LT(nSkyUnder, 20);
}

}  // namespace
