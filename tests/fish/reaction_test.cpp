// The reaction table and its lookup, and the small rules of the fish's update taken alone.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>

#include "fish/fish.h"
#include "fish/fishrandom.h"
#include "game/movingrock.h"

namespace {

TEST(ReactionTable, CountsOverTheFilledEntries) {
    auto pFish = std::make_unique<CFish>();
    int nFilled = 0, n100 = 0, n50 = 0, n0 = 0, nBelow = 0, nAbove = 0;
    for (int i = 0; i < kReactionRows; ++i)
        for (int j = 0; j < kReactionCalm; ++j)
            for (int k = 0; k < 10; ++k)
                for (int l = 0; l < 10; ++l) {
                    const int v = pFish->m_acReactionTable[i][j][k][l];
                    ++nFilled;
                    n100 += v == 100;
                    n50 += v == 50;
                    n0 += v == 0;
                    nBelow += v < 50;
                    nAbove += v > 50;
                    ASSERT_GE(v, 0);
                    ASSERT_LE(v, 100);
                }
    EXPECT_EQ(nFilled, 20900);
    EXPECT_EQ(n100, 3816);
    EXPECT_EQ(n50, 3755);
    EXPECT_EQ(n0, 1802);
    EXPECT_EQ(nBelow, 9577);
    EXPECT_EQ(nAbove, 7568);
}

TEST(ReactionTable, SampleRowsAndProfileRules) {
    auto pFish = std::make_unique<CFish>();
    const auto& t = pFish->m_acReactionTable;
    struct Row {
        int i, j;
        int aExpected[10];  // l = 0, k = 0 to 9
    };
    const Row rows[] = {
        {0, 0, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {0, 10, {0, 10, 17, 28, 31, 35, 38, 48, 50, 50}},
        {18, 0, {0, 4, 7, 12, 13, 15, 16, 20, 34, 50}},
        {18, 10, {0, 30, 50, 50, 50, 50, 50, 50, 50, 50}},
    };
    for (const Row& r : rows)
        for (int k = 0; k < 10; ++k) EXPECT_EQ(t[r.i][r.j][k][0], r.aExpected[k]) << r.i << "," << r.j << " k " << k;
    // Profile 81 at trait 1 = 0: fear wins up to trait 2 = 5 (the tie at 5 included), attraction after.
    for (int l = 0; l < 10; ++l) EXPECT_EQ(t[18][10][0][l], l <= 5 ? 0 : 100) << "l " << l;
    // Profile 46 (row 10, calm 5) and its listed ties.
    EXPECT_EQ(t[10][5][2][7], 26) << "tie (2, 7) of profile 46 goes to the fear";
    EXPECT_EQ(t[10][5][2][6], 26) << "no tie listed: fear 26 (24 from 50) beats 58 (8 from 50)";
    EXPECT_EQ(t[10][5][4][5], 47) << "tie (4, 5) of profile 46";
    EXPECT_EQ(t[10][5][4][6], 58);
    EXPECT_EQ(t[10][5][3][6], 42) << "tie (3, 6): 42 and 58 lie 8 from 50";
    EXPECT_EQ(t[10][5][3][7], 74);
}

TEST(ReactionLookup, WholeFractionalAndOutOfRangeInputs) {
    auto pFish = std::make_unique<CFish>();
    CFish& f = *pFish;
    const float kNaN = std::numeric_limits<float>::quiet_NaN();
    struct Case {
        float w, j, k, l, fExpected;
    };
    const Case cases[] = {
        {2.0f, 3, 4, 5, static_cast<float>(f.m_acReactionTable[4][3][4][5])},
        {2.0f, 3, 4, 5, 19.0f},
        {4.75f, 3, 4, 5, 0.5f * (f.m_acReactionTable[9][3][4][5] + f.m_acReactionTable[10][3][4][5])},
        {4.75f, 3, 4, 5, 26.5f},
        {9.0f, 5.5f, 4.5f, 6.25f, 75.4375f},
        {12.5f, 7.3f, 5, 5, 81.2f},
        {40.0f, 10, 9, 9, 100.0f},
        // Outside the table: the nearest edge.
        {-3.0f, 3, 4, 5, static_cast<float>(f.m_acReactionTable[0][3][4][5])},
        {95.0f, 10, 9, 9, 100.0f},
        {95.0f, 0, 0, 0, static_cast<float>(f.m_acReactionTable[18][0][0][0])},
        {2.0f, 14, 4, 5, static_cast<float>(f.m_acReactionTable[4][10][4][5])},
        {2.0f, 3, -6, 12, static_cast<float>(f.m_acReactionTable[4][3][0][9])},
        {2.0f, 3, 9.5f, 9.5f, static_cast<float>(f.m_acReactionTable[4][3][9][9])},
        {kNaN, 3, 4, 5, static_cast<float>(f.m_acReactionTable[0][3][4][5])},
    };
    for (const Case& c : cases)
        EXPECT_NEAR(f.LookupReaction(c.w, c.j, c.k, c.l), c.fExpected, 1e-3)
            << c.w << " " << c.j << " " << c.k << " " << c.l;
}

TEST(FishRules, TailTargetSpeedAndKeyPoseWeights) {
    const float aTail[][2] = {{50, 0}, {0, 40}, {100, 10}, {-10, 48}, {25, 20}, {75, 5}};
    for (const auto& c : aTail) EXPECT_FLOAT_EQ(fishTailTarget(c[0]), c[1]) << "mood " << c[0];

    const float aSpeed[][2] = {{1, 2}, {-1, 6}, {0.2f, 0.3f}, {0, 0.3f}, {-0.1f, 0.3f}, {0.8f, 1.28f}, {-0.5f, 1.5f}};
    for (const auto& c : aSpeed) EXPECT_FLOAT_EQ(fishSpeedFromApproach(c[0]), c[1]) << "approach " << c[0];

    struct Weights {
        float s, w0, w1, w2;
    };
    const Weights aWeights[] = {
        {0, 0, 1, 0}, {1, 1, 0, 0}, {-1, 0, 0, 1}, {0.5f, 0.5f, 0.5f, 0}, {-0.5f, 0, 0.5f, 0.5f}};
    for (const Weights& c : aWeights) {
        const D3DXVECTOR4 v = scnKeyPoseWeights(c.s);
        EXPECT_FLOAT_EQ(v.x, c.w0) << c.s;
        EXPECT_FLOAT_EQ(v.y, c.w1) << c.s;
        EXPECT_FLOAT_EQ(v.z, c.w2) << c.s;
        EXPECT_FLOAT_EQ(v.w, 0) << c.s;
    }
}

TEST(FishRules, HeightRulesAroundTheirBounds) {
    struct Case {
        float y, fDesired, fExpected;
    };
    const Case cases[] = {
        {41, 0.5f, -0.5f}, {41, -0.5f, -0.5f}, {40.01f, 0.5f, -0.5f}, {40, 0.5f, 0},         {38, 0.5f, 0},
        {36.01f, 0.5f, 0}, {36, 0.5f, 0.5f},   {28, 0.5f, 0.25f},     {28, -0.5f, -0.5f},    {20.01f, 1.6f, 0.001f},
        {20, 0.5f, 0.5f},  {10, 0.5f, 0.5f},   {10, -0.5f, -0.5f},    {0.01f, -0.5f, -0.5f}, {0, -0.5f, 0.5f},
        {-1, -0.5f, 0.5f}, {-1, 0.5f, 0.5f},
    };
    for (const Case& c : cases) EXPECT_NEAR(fishHeightRule(c.y, c.fDesired), c.fExpected, 1e-4) << "y " << c.y;
}

TEST(FishRules, AvoidGainAndSchoolBands) {
    // Closeness from the nearest feeler's distance d: (20 - d) / 20.
    // Near 3 the table itself passes 2; the evaluation caps it.
    const float aGain[][2] = {{20, 0},    {12, 0.24f}, {10, 0.6f},  {8, 0.9f},
                              {6, 1.26f}, {4, 1.6f},   {3, 2.125f}, {0, 2.0f}};
    for (const auto& c : aGain) EXPECT_NEAR(fishAvoidGain((20 - c[0]) / 20), c[1], 1e-4) << "distance " << c[0];

    const float aSchool[][2] = {{2.106f, -0.8f}, {1.5001f, -0.8f}, {1.5f, -1.0f}, {1.0f, -1.5f},
                                {0.5f, -2.0f},   {0.01f, -2.0f},   {0.0f, 0.0f}};
    for (const auto& c : aSchool) EXPECT_FLOAT_EQ(fishSchoolWeight(c[0]), c[1]) << "d " << c[0];
}

TEST(FishRules, WorldMatrixFromTheHeading) {
    D3DXMATRIX m;
    ASSERT_TRUE(fishOrient(&m, D3DXVECTOR3(0, 0, 1), 2.0f, D3DXVECTOR3(5, 6, 7)));
    const float aExpected[16] = {-2, 0, 0, 0, 0, 2, 0, 0, 0, 0, -2, 0, 5, 6, 7, 1};
    for (int n = 0; n < 16; ++n) EXPECT_NEAR(static_cast<const float*>(m)[n], aExpected[n], 1e-5) << n;
    // Heading along +x: the model's -z (its nose) points along +x.
    ASSERT_TRUE(fishOrient(&m, D3DXVECTOR3(1, 0, 0), 1.0f, D3DXVECTOR3(0, 0, 0)));
    D3DXVECTOR3 vNose;
    const D3DXVECTOR3 vModelNose(0, 0, -1);
    D3DXVec3TransformCoord(&vNose, &vModelNose, &m);
    EXPECT_NEAR(vNose.x, 1, 1e-5);
    EXPECT_NEAR(vNose.z, 0, 1e-5);

    D3DXMATRIX mUntouched;
    D3DXMatrixIdentity(&mUntouched);
    for (const D3DXVECTOR3& v : {D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(0, 1, 0), D3DXVECTOR3(0, -1, 0)}) {
        m = mUntouched;
        EXPECT_FALSE(fishOrient(&m, v, 1.0f, D3DXVECTOR3(1, 2, 3))) << v.y;
        EXPECT_EQ(m, mUntouched);
    }
}

TEST(FishRandom, FifteenBitGeneratorFromItsSeed) {
    fishSrand(1);
    EXPECT_EQ(fishRand(), 41);
    EXPECT_EQ(fishRand(), 18467);
    EXPECT_EQ(fishRand(), 6334);
    fishSrand(0xFFFFFFFFu);
    for (int n = 0; n < 1000; ++n) {
        const int r = fishRand();
        ASSERT_GE(r, 0);
        ASSERT_LE(r, kFishRandMax);
    }
}

}  // namespace
