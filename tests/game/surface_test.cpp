// The surface's pure rules: the wave profile, its sampler and the wave height; the boat's step as a
// function of keys, times and a wave height; the chart's mapping and the depth sounder's samples.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>

#include "game/gameapp.h"
#include "game/boatgui.h"
#include "game/seasurface.h"

namespace {

// A sea read from the given "mar.plt" text (no application: the constructor leaves a flat sea).
struct Sea {
    explicit Sea(const std::string& strFile) {
        const std::filesystem::path path =
            std::filesystem::temp_directory_path() / ("abisalia-mar-" + std::to_string(::getpid()) + ".plt");
        std::ofstream(path) << strFile;
        bValid = sea.ReadSeaFile(path.string().c_str());
        std::filesystem::remove(path);
    }
    CSeaSurface sea;
    bool bValid = false;
};

// Wave 0 along world x and wave 3 along world z; the others still. Wave 0's unused third
// direction value is set, so reading it would show.
const char kTwoWaves[] = "1 0 5  0 1 0  1 0 0  0 1 0\n5 5 5 5\n0.2 0 0 0.5\n50 50 50 50\n400 80\n";

TEST(SeaWaves, ProfileEntriesAndSampler) {
    const CSeaSurface sea;
    const struct {
        int i;
        float f;
    } entries[] = {{0, 3.0f}, {1, 3.5f}, {4, 5.8f}, {23, 0.35f}, {29, 2.4f}, {32, 6.2f}, {57, 1.5f}, {59, 3.0f}};
    for (const auto& e : entries) EXPECT_FLOAT_EQ(sea.m_afProfileA[e.i], e.f) << "entry " << e.i;
    const struct {
        float fPhase, f;
    } samples[] = {
        {0.0f, 3.0f},   {0.5f, 2.7f},  // half of entry 30 and half of entry 29
        {0.4f, 0.32f},                 // 0.6 of entry 24 and 0.4 of entry 23
        {-0.5f, 2.7f},                 // a negative phase wraps into the period
        {-0.6f, 0.32f},
    };
    for (const auto& s : samples) EXPECT_NEAR(sea.SampleProfileA(s.fPhase), s.f, 1e-5f) << "phase " << s.fPhase;
    EXPECT_FLOAT_EQ(sea.SampleProfileB(0.0f), 3.0f);
}

TEST(SeaWaves, HeightOfTheFourWaves) {
    const Sea s(kTwoWaves);
    ASSERT_TRUE(s.bValid);
    // Profile A at phase 0.4 is 0.32 and at phase 0.2 is 2.88 (0.8 of entry 12 and 0.2 of entry 11).
    const float w4 = 0.32f - 3, w2 = 2.88f - 3;
    const struct {
        float t, x, z, h;
    } cases[] = {
        {0, 0, 0, 0},                       // every phase 0: the profile's start adds nothing
        {1, 10, 0, 0.2f * w4 + 0.5f * w2},  // wave 0 at phase 0.2 + 0.2, wave 3 at 0.2
        {1, 0, 10, 0.2f * w2 + 0.5f * w4},  // wave 3 weighs world z with its second value
        {1, 10, 10, 0.7f * w4},             // both at 0.4
        {0, -20, 0, 0.2f * (4.51f - 3)},    // phase -0.4 taken as 0.6
    };
    for (const auto& c : cases)
        EXPECT_NEAR(s.sea.GetHeight(c.t, c.x, c.z), c.h, 1e-5f) << c.t << " " << c.x << " " << c.z;
    // Any file: the origin at time 0 lies at the sea level.
    const Sea level("1 0 0 0.6 0.8 0 -0.7 0.7 0 0.2 -0.98 0 5 4 3 7 0.2 0.1 0.1 0.3 50 32 20 95 400 80");
    EXPECT_FLOAT_EQ(level.sea.GetHeight(0, 0, 0), 0);
}

TEST(SeaWaves, RefusedFilesGiveAFlatSeaAndResetTheGlobals) {
    const Sea good(kTwoWaves);
    g_fSeaTotalSize = 123;
    const struct {
        const char* szWhat;
        std::string strFile;
    } cases[] = {
        {"another side", "1 0 0 0 1 0 1 0 0 0 1 0 5 5 5 5 0.2 0 0 0.5 50 50 50 50 400 64"},
        {"zero period", "1 0 0 0 1 0 1 0 0 0 1 0 5 0 5 5 0.2 0 0 0.5 50 50 50 50 400 80"},
        {"zero wavelength", "1 0 0 0 1 0 1 0 0 0 1 0 5 5 5 5 0.2 0 0 0.5 50 50 0 50 400 80"},
        {"short", "1 0 0 0 1 0 1 0 0"},
    };
    for (const auto& c : cases) {
        g_fSeaTotalSize = 123;
        g_nSeaGridSide = 7;
        const Sea s(c.strFile);
        EXPECT_FALSE(s.bValid) << c.szWhat;
        EXPECT_FALSE(s.sea.Valid()) << c.szWhat;
        EXPECT_FLOAT_EQ(s.sea.GetHeight(1.3f, 17, -40), 0) << c.szWhat << ": flat";
        EXPECT_FLOAT_EQ(g_fSeaTotalSize, kSeaFlatTotalSize) << c.szWhat;
        EXPECT_EQ(g_nSeaGridSide, kSeaGridSide) << c.szWhat;
    }
    CSeaSurface missing;
    EXPECT_FALSE(missing.ReadSeaFile("/nonexistent/mar.plt"));
    EXPECT_FLOAT_EQ(missing.GetHeight(1, 10, 0), 0);
}

TEST(SeaWaves, TextureMirror) {
    const struct { float x, u; } cases[] = {{150, 1.0f}, {175, 0.5f}, {125, 0.5f}, {-25, -0.5f}, {0, 0}, {300, 0}};
    for (const auto& c : cases) EXPECT_FLOAT_EQ(seaMirror(c.x / 100), c.u) << c.x;
}

// ---- The boat's step ----

BoatWaveHeight Flat() {
    return [](float, float, float) { return 0.0f; };
}

// A boat level at the origin with every hull point at depth d over a flat sea.
void PlaceLevel(CBoat& boat, float fDepth) {
    boat.m_Transform.m_vPosition = D3DXVECTOR3(0, kSeaLevel + 0.8f + fDepth, 0);
    boat.m_Transform.m_vRotation = D3DXVECTOR3(0, 0, 0);
    D3DXMatrixTranslation(&boat.m_Transform.m_matWorld, 0, boat.m_Transform.m_vPosition.y, 0);
}

TEST(BoatStep, Throttle) {
    struct Case {
        const char* szWhat;
        float fStart;
        bool bW, bS;
        float dt;
        int nSteps;
        float fExpected;
    };
    const Case cases[] = {
        {"'W' held saturates", 0, true, false, 0.02f, 500, 0.7f},
        {"'S' held saturates backwards", 0, false, true, 0.02f, 500, -0.7f},
        {"'W' wins over 'S'", 0, true, true, 0.05f, 1, 0.04f * (1 - 0.045f)},
        {"released, it decays", 0.7f, false, false, 0.05f, 1, 0.7f * (1 - 0.045f)},
        {"a long frame decays as one of 0.1 s, never reversing", 0.5f, false, false, 2.0f, 1, 0.5f * (1 - 0.09f)},
        {"a long frame with 'W' rises as one of 0.1 s", 0, true, false, 3.0f, 1, 0.08f * (1 - 0.09f)},
    };
    for (const Case& c : cases) {
        CBoat boat;
        PlaceLevel(boat, 0);
        boat.m_fspeed = c.fStart;
        BoatControls k;
        k.bForward = c.bW, k.bBack = c.bS, k.fFrameTime = c.dt, k.fGameStep = 0.1f;
        for (int i = 0; i < c.nSteps; ++i) boat.Step(k, Flat());
        EXPECT_NEAR(boat.m_fspeed, c.fExpected, 1e-6f) << c.szWhat;
    }
}

TEST(BoatStep, SteeringNeedsThrottleAndReversesBackwards) {
    const struct {
        float fThrottle;
        bool bLeft, bRight;
        float fYawRate;
    } cases[] = {
        {0, true, false, 0},          {0.7f, true, false, 0.13f},   {0.7f, false, true, -0.13f},
        {-0.7f, true, false, -0.13f}, {0.35f, true, false, 0.065f}, {0.7f, true, true, 0},
    };
    for (const auto& c : cases) {
        CBoat boat;
        PlaceLevel(boat, 0);
        boat.m_fspeed = c.fThrottle;
        BoatControls k;
        k.bLeft = c.bLeft, k.bRight = c.bRight, k.fGameStep = 0.1f;  // no frame time: no drag
        boat.Step(k, Flat());
        const D3DXVECTOR3& w = boat.m_vAngularVelocity;
        EXPECT_NEAR(w.x, c.fYawRate, 1e-6f) << c.fThrottle << c.bLeft << c.bRight;
        EXPECT_NEAR(w.z, -1.2f * c.fYawRate, 1e-6f) << "leans against the turn";
        EXPECT_NEAR(w.y, 0.16f * c.fThrottle / 0.7f, 1e-6f) << "the bow rises with speed";
        EXPECT_NEAR(boat.m_Transform.m_vRotation.x, c.fYawRate * 0.1f * 0.5f, 1e-6f) << "turn gain 0.5";
    }
    // The rates decay by 0.9 per update.
    CBoat boat;
    PlaceLevel(boat, 0);
    boat.m_vAngularVelocity = D3DXVECTOR3(1, 0, 0);
    BoatControls k;
    k.fGameStep = 0.1f;
    boat.Step(k, Flat());
    EXPECT_NEAR(boat.m_vAngularVelocity.x, 0.9f, 1e-6f);
}

TEST(BoatStep, RisesAndSinksToTheWaterLine) {
    const struct {
        const char* szWhat;
        float fDepth, dt, fMove;
    } cases[] = {
        {"under water rises at 20 |d| a second", -0.5f, 0.1f, 1.0f},
        {"above sinks at 17 d a second", 0.5f, 0.1f, -0.85f},
        {"at the water line stays", 0, 0.1f, 0},
        {"a long frame rises as one of 0.1 s", -0.5f, 1.5f, 1.0f},
        {"a long frame sinks as one of 0.1 s", 0.5f, 1.5f, -0.85f},
    };
    for (const auto& c : cases) {
        CBoat boat;
        PlaceLevel(boat, c.fDepth);
        const float y0 = boat.m_Transform.m_vPosition.y;
        BoatControls k;
        k.fFrameTime = c.dt, k.fGameStep = 0.1f;
        boat.Step(k, Flat());
        EXPECT_NEAR(boat.m_Transform.m_vPosition.y - y0, c.fMove, 1e-4f) << c.szWhat;
        EXPECT_NEAR(boat.m_vAngularVelocity.y, 0, 1e-6f) << c.szWhat << ": no pitch";
        EXPECT_NEAR(boat.m_vAngularVelocity.z, 0, 1e-6f) << c.szWhat << ": no roll";
        for (float d : boat.m_fHullDepth) EXPECT_NEAR(d, c.fDepth, 1e-5f) << c.szWhat;
    }
}

TEST(BoatStep, AttitudeFromTheHullPoints) {
    const struct {
        const char* szWhat;
        BoatWaveHeight height;
        float fPitch, fRoll;
    } cases[] = {
        // Water 0.1 lower under the left side: left higher, side = 3 x 0.2.
        {"left side higher rolls negative", [](float, float x, float) { return 0.1f * x; }, 0, -0.06f},
        // Water 0.1 lower under the bow: fore = 2 x 0.1 + 2 x 0.1.
        {"bow higher pitches negative", [](float, float, float z) { return -0.1f * z; }, -0.04f, 0},
    };
    for (const auto& c : cases) {
        CBoat boat;
        PlaceLevel(boat, 0);
        BoatControls k;
        k.fAppTime = 3, k.fGameStep = 0.1f;
        boat.Step(k, c.height);
        EXPECT_NEAR(boat.m_vAngularVelocity.y, c.fPitch, 1e-5f) << c.szWhat;
        EXPECT_NEAR(boat.m_vAngularVelocity.z, c.fRoll, 1e-5f) << c.szWhat;
        EXPECT_NEAR(boat.m_Transform.m_vRotation.z, c.fRoll * 0.05f, 1e-6f) << c.szWhat;
    }
    // The hull is sampled at the wave height of the application time, where the world matrix put it.
    CBoat boat;
    PlaceLevel(boat, 0);
    D3DXMatrixTranslation(&boat.m_Transform.m_matWorld, 100, kSeaLevel + 0.8f, 200);
    BoatControls k;
    k.fAppTime = 2;
    boat.Step(k, [](float t, float x, float z) { return t * (x == 101 && z == 201 ? 1.0f : 0.0f); });
    EXPECT_NEAR(boat.m_fHullDepth[6], -2.0f, 1e-5f) << "the right bow point";
    EXPECT_NEAR(boat.m_fHullDepth[0], 0.0f, 1e-5f);
}

TEST(BoatStep, MovesAlongItsHeading) {
    CBoat boat;
    PlaceLevel(boat, 0);
    boat.m_Transform.m_vRotation.x = D3DX_PI / 2;
    boat.m_fspeed = 0.7f;
    BoatControls k;
    k.fGameStep = 0.1f;
    boat.Step(k, Flat());
    EXPECT_NEAR(boat.m_vVelocity.x, -0.7f, 1e-3f) << "a quarter turn heads along -x";
    EXPECT_NEAR(boat.m_Transform.m_vPosition.x, -0.07f, 1e-3f);
    EXPECT_NEAR(boat.m_Transform.m_matWorld._41, boat.m_Transform.m_vPosition.x, 1e-6f);
}

// ---- The chart and the depth sounder ----

TEST(BoatOverlay, ChartAndTrace) {
    const struct {
        D3DXVECTOR3 vWorld;
        float x, y;
    } chart[] = {{{1500, 45, 1000}, 0.32f, 0.395f}, {{0, 0, 0}, 0.2f, 0.25f}, {{3000, 99, 2000}, 0.44f, 0.54f}};
    for (const auto& c : chart) {
        const D3DXVECTOR3 v = guiChartPosition(c.vWorld);
        EXPECT_FLOAT_EQ(v.x, c.x);
        EXPECT_FLOAT_EQ(v.y, c.y);
        EXPECT_FLOAT_EQ(v.z, 0);
    }
    const struct { float fDepth, y; } trace[] = {{45, 0.37f}, {9, 0.482f}, {0, 0.51f}};
    for (const auto& c : trace) EXPECT_FLOAT_EQ(guiTraceHeight(c.fDepth), c.y) << c.fDepth;
}

TEST(BoatOverlay, SamplesScrollOncePerFrame) {
    CBoatGuiElement sounder;
    for (float f : sounder.m_fDepth) EXPECT_FLOAT_EQ(f, 45.0f);
    for (int k = 0; k < 51; ++k) {
        sounder.ScrollDepth();
        EXPECT_FLOAT_EQ(sounder.m_fDepth[52], 45.0f) << "the newest starts at the reach";
        sounder.m_fDepth[52] = static_cast<float>(k);
    }
    EXPECT_FLOAT_EQ(sounder.m_fDepth[0], 45.0f);
    EXPECT_FLOAT_EQ(sounder.m_fDepth[1], 45.0f);
    for (int i = 2; i <= 52; ++i) EXPECT_FLOAT_EQ(sounder.m_fDepth[i], static_cast<float>(i - 2)) << i;
}

}  // namespace
