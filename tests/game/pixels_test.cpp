// The real program on the gl backend (llvmpipe) in a copy of the generated media folder, driven by
// a scripted run: what the first level's underwater frame shows.
#include <gtest/gtest.h>

#include "level_edit.h"
#include "scripted_run.h"

namespace {

using gametest::Distance;
using gametest::Image;
using PixelsTest = gametest::ScriptedRunTest;

// The first level staged as a clear view: the diver 30 units up, the pillar 40 ahead of him, no
// fish, the fog far out.
TEST_F(PixelsTest, FirstLevelUnderWater) {
    const std::filesystem::path level = folder_ / "nivel1";
    ASSERT_NO_FATAL_FAILURE(gametest::SetStartHeight(level, 30));
    ASSERT_NO_FATAL_FAILURE(gametest::PutPillarAhead(level, 40));
    ASSERT_NO_FATAL_FAILURE(gametest::ClearFish(level));
    ASSERT_NO_FATAL_FAILURE(gametest::SetFog(level, 20, 150));
    ASSERT_EQ(Run("40 capture a.png\n+13 capture b.png\n+3 end\n"), 0) << Log();
    const Image a = Capture("a.png"), b = Capture("b.png");
    ASSERT_GT(a.nWidth, 0) << "no frame captured";
    ASSERT_EQ(a.nWidth, 1024) << "full screen at the settings file's size";
    ASSERT_EQ(a.nHeight, 768);
    ASSERT_EQ(a.nWidth, b.nWidth);
    const unsigned char kWater[3] = {40, 110, 120};  // the first level's water colour

    // The picture is not one flat colour, and far away it is the water's.
    int nDiffer = 0, nWaterLike = 0, nTotal = 0;
    for (int y = 0; y < a.nHeight; y += 4)
        for (int x = 0; x < a.nWidth; x += 4) {
            nDiffer += Distance(a.At(x, y), a.At(0, a.nHeight / 2)) > 30;
            ++nTotal;
        }
    // The start pose looks down at the floor: far away is the top edge, right of the statistics line.
    int nFar = 0;
    for (int y = 0; y < 6; ++y)
        for (int x = 300; x < 780; x += 2, ++nFar) nWaterLike += Distance(a.At(x, y), kWater) < 60;
    EXPECT_GT(nDiffer, nTotal / 20);
    EXPECT_GT(nWaterLike, nFar / 2) << "the water colour dominates far away";

    // The pillar ahead of the start stands near the centre, dark against the lit floor.
    int nRock = 0;
    for (int y = a.nHeight / 10; y < a.nHeight / 3; ++y)
        for (int x = a.nWidth * 9 / 20; x < a.nWidth * 11 / 20; ++x) {
            const unsigned char* p = a.At(x, y);
            nRock += p[0] + p[1] + p[2] < 200;
        }
    EXPECT_GT(nRock, (a.nHeight * 7 / 30) * (a.nWidth / 10) / 2);

    // The caustics move between the two captures.
    int nMoved = 0;
    for (int y = 0; y < a.nHeight; ++y)
        for (int x = 0; x < a.nWidth; ++x) nMoved += Distance(a.At(x, y), b.At(x, y)) > 6;
    EXPECT_GT(nMoved, 200);

    // The statistics line in yellow at the top left, and nowhere below it on the left.
    int nYellowTop = 0, nYellowMiddle = 0;
    auto yellow = [](const unsigned char* p) { return p[0] > 180 && p[1] > 180 && p[2] < 90; };
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 150; ++x) nYellowTop += yellow(a.At(x, y));
    for (int y = 60; y < 120; ++y)
        for (int x = 0; x < 150; ++x) nYellowMiddle += yellow(a.At(x, y));
    EXPECT_GT(nYellowTop, 40);
    EXPECT_EQ(nYellowMiddle, 0);

    // The bottom line: the message line on the left, "Peces :0" and the air bar's "AIRE" further right.
    int nYellowMessage = 0, nYellowCount = 0;
    for (int y = 730; y < 752; ++y) {
        for (int x = 100; x < 260; ++x) nYellowMessage += yellow(a.At(x, y));
        for (int x = 610; x < 680; ++x) nYellowCount += yellow(a.At(x, y));
    }
    EXPECT_GT(nYellowMessage, 40);
    EXPECT_GT(nYellowCount, 20);
}

}  // namespace
