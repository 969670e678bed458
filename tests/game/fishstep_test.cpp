// A fish's whole update, step by step on a small level: how the heading combines the urges, the
// height rules, mood before heading, fear's threshold, decay and cap, the tail beat from the mood,
// the next waypoint's slot, the stop rule's place, the feelers' sea-floor query; and the two-sided
// key-pose blend of the moving rocks.
#include <cmath>
#include <cstdint>
#include <fstream>
#include <vector>

#include "fish/fishrandom.h"
#include "game/movingrock.h"
#include "game/terrain.h"
#include "game_fixture.h"
#include "win32/timesource.h"

namespace {

using gametest::GameTest;
using gametest::SmallLevel;

D3DXVECTOR3 Unit(const D3DXVECTOR3& v) {
    D3DXVECTOR3 out;
    D3DXVec3Normalize(&out, &v);
    return out;
}

void ExpectNear(const D3DXVECTOR3& a, const D3DXVECTOR3& b, float fTolerance, const std::string& strWhat) {
    EXPECT_NEAR(a.x, b.x, fTolerance) << strWhat;
    EXPECT_NEAR(a.y, b.y, fTolerance) << strWhat;
    EXPECT_NEAR(a.z, b.z, fTolerance) << strWhat;
}

// Two fish; waypoint 4 has three ways on, one of them back to itself, and 5 has four. The small
// level's diver stands at (1500, 30, 1000), far beyond every fish's reaction range.
const char kTwoFish[] =
    "2 f.x f.x f.x notextura 1.0 0 20 5 5  f.x f.x f.x notextura 1.0 1 20 5 5\n"
    "8\n"
    "1000 10 1000  1 1\n"
    "1010 10 1000  1 0\n"
    "1020 10 1000  1 0\n"
    "1030 10 1000  1 0\n"
    "1040 10 1000  3 6 4 7\n"
    "1050 10 1000  4 6 7 3 2\n"
    "1060 10 1000  1 4\n"
    "1070 10 1000  1 4\n";

class FishStepTest : public GameTest {
protected:
    CGameApp& Level(const std::string& strFish = kTwoFish) {
        auto files = SmallLevel();
        files["peces.plt"] = strFish;
        WriteLevel("nivel1", files);
        CGameApp& app = App();
        app.m_fGameStep = 0.1f;
        app.m_fFrameTime = 0.02f;
        app.m_fPhase = 1.0f;
        for (int i = 0; i < app.m_nFish; ++i) app.m_ppFish[i]->Start();
        return app;
    }
    CFish& Fish(int i) { return *App().m_ppFish[i]; }

    // Traits and a calm column whose farthest-row entry is nValue; false when the table has none.
    bool FarthestEntry(const CFish& f, int nValue, int* pnCalm, int* pnTrait1, int* pnTrait2) {
        for (int j = 0; j <= 10; ++j)
            for (int k = 0; k <= 9; ++k)
                for (int l = 0; l <= 9; ++l)
                    if (f.m_acReactionTable[18][j][k][l] == nValue) {
                        *pnCalm = j, *pnTrait1 = k, *pnTrait2 = l;
                        return true;
                    }
        return false;
    }
    // The fish 130 units from the diver (the farthest row), reading the entry of value nValue.
    void ReadFarthestEntry(CFish& f, int nValue) {
        int j = 0, k = 0, l = 0;
        ASSERT_TRUE(FarthestEntry(f, nValue, &j, &k, &l)) << nValue;
        f.m_fTrait1 = static_cast<float>(k);
        f.m_fTrait2 = static_cast<float>(l);
        f.m_fReactionRange = 60;
        CDiver& diver = *App().Diver();
        diver.m_fCalm = 10.0f * static_cast<float>(j);
        f.m_Transform.m_vPosition = diver.m_Transform.m_vPosition + D3DXVECTOR3(0, 0, 130);
        // Heading for a far waypoint, so no arrival changes anything.
        f.m_iTargetWaypoint = 0;
    }
};

// One step with every urge known: the waypoint, an avoidance gain, a fleeing mood from fear, the
// nearest fish 0.82 apart, the old heading and the sink. The result is checked against the formula
// built from those urges, at heights under each height rule.
TEST_F(FishStepTest, HeadingWeighsTheUrgesAppliesTheHeightRuleThenTurnsATenth) {
    CGameApp& app = Level();
    struct Case {
        const char* szWhat;
        float fY;
        float fAvoidY;  // sign of the avoidance urge's y, so the desired y has that sign
        float (*pfRule)(float fY, float fDesiredY);
    };
    const Case cases[] = {
        {"between 0 and 20 nothing changes", 10, 0.8f, [](float, float d) { return d; }},
        {"above 40 a rise is negated", 41, 0.8f, [](float, float d) { return d > 0 ? -d : d; }},
        {"between 36 and 40 a rise becomes 0", 38, 0.8f, [](float, float d) { return d > 0 ? 0.0f : d; }},
        {"between 20 and 36 a rise is damped", 28, 0.8f,
         [](float y, float d) { return d > 0 ? d * (y - 20) / 16 : d; }},
        {"at 20 a rise is not damped", 20, 0.8f, [](float, float d) { return d; }},
        {"below 0 a dive is negated", -1, -0.8f, [](float, float d) { return d < 0 ? -d : d; }},
        {"a dive above 40 is kept", 41, -0.8f, [](float, float d) { return d; }},
    };
    CFish& f = Fish(1);
    CFish& other = Fish(0);
    const D3DXVECTOR3 vDiver = app.Diver()->m_Transform.m_vPosition;
    for (const Case& c : cases) {
        const D3DXVECTOR3 vPos(1000, c.fY, 1000);
        const D3DXVECTOR3 vHeading = Unit(D3DXVECTOR3(-0.3f, 0.1f, 0.9f));
        f.m_Transform.m_vPosition = vPos;
        f.m_vVelocity = vHeading;
        f.m_iTargetWaypoint = 7;
        g_pWaypoints[7].pos = vPos + D3DXVECTOR3(3, 2, 6);
        other.m_Transform.m_vPosition = vPos + D3DXVECTOR3(2, 1, -1);
        f.m_Sensors.m_cSensorTick = 0;  // this step casts a feeler, it does not evaluate
        f.m_Sensors.m_vAvoidDir = Unit(D3DXVECTOR3(0.6f, c.fAvoidY, 0));
        f.m_fAvoidGain = 0.7f;
        f.m_fFear = 100;
        f.m_fMood = 100;  // last step's: this step's mood must come first
        f.m_fApproach = 1;
        f.Update();

        const float fStep = 0.1f;
        const float fFear = 100 - 110 * fStep * 0.02f;
        const float fMood = 50 - fFear * fStep;
        const float s = fMood / 50 - 1;  // falls at once
        const D3DXVECTOR3 W = Unit(g_pWaypoints[7].pos - vPos);
        const D3DXVECTOR3 O = f.m_Sensors.m_vAvoidDir * 0.7f;
        const D3DXVECTOR3 D = Unit(vDiver - vPos) * s;  // a fleeing fish keeps the y
        const D3DXVECTOR3 S = Unit(other.m_Transform.m_vPosition - vPos) * -1.5f;
        D3DXVECTOR3 vDesired = W * 1 + O * 3 + D * 2 + vHeading * 2 + D3DXVECTOR3(0, -0.8f, 0) + S * 0.8f;
        ASSERT_EQ(vDesired.y > 0, c.fAvoidY > 0) << c.szWhat;
        vDesired.y = c.pfRule(c.fY, vDesired.y);
        const D3DXVECTOR3 vExpected = Unit(vHeading * 0.9f + Unit(vDesired) * 0.1f);
        EXPECT_NEAR(f.m_fMood, fMood, 1e-4) << c.szWhat;
        EXPECT_NEAR(f.m_fApproach, s, 1e-5) << c.szWhat;
        ExpectNear(f.m_vVelocity, vExpected, 2e-6f, c.szWhat);
        // The speed came from the approach of the step before (1 gives 2), not from this one's.
        ExpectNear(f.m_Transform.m_vPosition, vPos + f.m_vVelocity * fStep * 2.0f, 1e-4f, c.szWhat);
    }
}

// Fear from the farthest row's entries: below 35 it grows by (35 - mood) x step; then it decays;
// only then is it capped at 100.
TEST_F(FishStepTest, FearThresholdThenDecayThenCap) {
    CGameApp& app = Level();
    CFish& f = Fish(0);
    struct Case {
        const char* szWhat;
        int nEntry;
        float fFearBefore, fFearAfter;
    };
    const float kStep = 0.1f;
    auto decay = [kStep](float x) { return x - (x + 10) * kStep * 0.02f; };
    const Case cases[] = {
        {"35 adds nothing", 35, 0, 0},
        {"the next entry above 35 adds nothing and only decays", -1, 50, decay(50)},
        {"34 adds one step", 34, 0, decay(0.1f)},
        {"34 on a full fear decays from above 100", 34, 100, decay(100.1f)},
        {"0 on a full fear is capped after the decay", 0, 100, 100},
    };
    for (Case c : cases) {
        int j, k, l;
        for (int n = 36; c.nEntry < 0 && n < 50; ++n)
            if (FarthestEntry(f, n, &j, &k, &l)) c.nEntry = n;
        ReadFarthestEntry(f, c.nEntry);
        app.m_fGameStep = kStep;
        f.m_fFear = c.fFearBefore;
        f.Update();
        EXPECT_NEAR(f.m_fFear, c.fFearAfter, 1e-4) << c.szWhat;
        EXPECT_NEAR(f.m_fMood, c.nEntry - c.fFearAfter * kStep, 1e-4) << c.szWhat;
    }
}

// The tail's frequency moves toward its target from the mood at 0.7 x the real frame time (not the
// game step), and the key-pose weights follow sin(frequency x phase) on both sides.
TEST_F(FishStepTest, TailBeatFollowsTheMoodAtTheFrameTime) {
    CGameApp& app = Level();
    CFish& f = Fish(0);
    int j = 0, k = 0, l = 0;
    ASSERT_TRUE(FarthestEntry(f, 100, &j, &k, &l));
    struct Case {
        const char* szWhat;
        bool bAttracted;  // reads a farthest-row entry of 100, else stays beyond the range
        float fFear, fStep, fFrameTime, fPhase;
    };
    const Case cases[] = {
        {"indifferent", false, 0, 0.5f, 0.02f, 1.0f},
        {"afraid", false, 60, 0.5f, 0.02f, 1.0f},
        {"a mood below 0", false, 100, 1.0f, 0.03f, 2.0f},
        {"attracted", true, 0, 0.5f, 0.02f, 1.0f},
        {"attracted, the other side of the beat", true, 0, 0.5f, 0.05f, 1.0f},
    };
    for (const Case& c : cases) {
        if (c.bAttracted) {
            ReadFarthestEntry(f, 100);
        } else {
            f.m_Transform.m_vPosition = g_pWaypoints[0].pos;
            f.m_iTargetWaypoint = 7;
        }
        f.m_fFear = c.fFear;
        f.m_fTailFrequency = 3.0f;
        app.m_fGameStep = c.fStep;
        app.m_fFrameTime = c.fFrameTime;
        app.m_fPhase = c.fPhase;
        f.Update();
        const float m = f.m_fMood;
        if (c.bAttracted) {
            EXPECT_FLOAT_EQ(m, 100.0f) << c.szWhat;
        }
        const float fTarget = m < 50 ? (1 - m / 50) * 40 : (m - 50) / 50 * 10;
        const float fBlend = 0.7f * c.fFrameTime;
        const float fFrequency = fBlend * fTarget + (1 - fBlend) * 3.0f;
        EXPECT_NEAR(f.m_fTailFrequency, fFrequency, 1e-4) << c.szWhat << " (mood " << m << ")";
        const float s = std::sin(f.m_fTailFrequency * c.fPhase);
        const float a = std::fabs(s);
        const D3DXVECTOR4 vWeights = s > 0 ? D3DXVECTOR4(a, 1 - a, 0, 0) : D3DXVECTOR4(0, 1 - a, a, 0);
        for (int n = 0; n < 4; ++n) EXPECT_NEAR(f.m_vWeights[n], vWeights[n], 1e-5) << c.szWhat << " weight " << n;
    }
}

// An arrival picks slot (waypoint + r) mod count, r the first draw after seeding with the clock's
// milliseconds, and steps past the waypoint's own id.
TEST_F(FishStepTest, ArrivalPicksTheSlotFromTheWaypointAndTheDraw) {
    Level();
    CFish& f = Fish(0);
    std::int64_t nNow = 0;
    win32::SetTimeSourceForTest(1000, true, [&nNow] { return nNow; });
    int nSlotsSeen[2][4] = {};
    for (int iRow : {4, 5})
        for (std::int64_t nMs = 0; nMs < 40; ++nMs) {
            nNow = 3000 + nMs;
            fishSrand(static_cast<unsigned int>(3000 + nMs));
            const int r = fishRand();
            const Waypoint& w = g_pWaypoints[iRow];
            int nSlot = (iRow + r) % w.count;
            ++nSlotsSeen[iRow - 4][nSlot];
            if (w.ids[nSlot] == iRow) nSlot = (nSlot + 1) % w.count;
            f.m_iWaypoint = 0;
            f.m_iTargetWaypoint = iRow;
            f.m_Transform.m_vPosition = w.pos;
            f.Update();
            EXPECT_EQ(f.m_iWaypoint, iRow) << nMs;
            EXPECT_EQ(f.m_iTargetWaypoint, w.ids[nSlot]) << "row " << iRow << ", r " << r;
        }
    win32::ResetTimeSource();
    for (int n = 0; n < 3; ++n) EXPECT_GT(nSlotsSeen[0][n], 0) << "every slot of row 4 drawn";
}

// The stop rule reads the distances left after this step's steering: in the step of an evaluation
// they have just been reset, so a near angled feeler stops the fish only in a casting step.
TEST_F(FishStepTest, TheStopRuleNeverFiresInAnEvaluationStep) {
    Level();
    CFish& f = Fish(0);
    struct Case {
        signed char cTickBefore;
        bool bStops;
    };
    for (const Case& c : {Case{0, true}, Case{3, true}, Case{4, false}}) {
        f.m_Transform.m_vPosition = g_pWaypoints[0].pos;
        f.m_iTargetWaypoint = 7;
        f.m_vVelocity = D3DXVECTOR3(0, 0, 1);
        f.m_Sensors.m_cSensorTick = c.cTickBefore;
        for (float& d : f.m_Sensors.m_afSensorDist) d = 20.0f;
        f.m_Sensors.m_afSensorDist[1] = 2.5f;
        const D3DXVECTOR3 vBefore = f.m_Transform.m_vPosition;
        f.Update();
        EXPECT_EQ(f.m_fspeed == 0.0f, c.bStops) << "tick " << int(c.cTickBefore);
        EXPECT_EQ(f.m_Transform.m_vPosition == vBefore, c.bStops) << "tick " << int(c.cTickBefore);
    }
}

// A floor at y 10 (height bytes of 50) under the diver's window; a fish 4 above it, heading down
// and ahead, finds it with the feeler it casts in each step.
TEST_F(FishStepTest, FeelersFindTheSeaFloor) {
    WriteLevel("nivel1", SmallLevel());
    WriteLevel("nivel2", SmallLevel("nivel1"));
    StartDevice();
    CGameApp& app = App();
    std::vector<unsigned char> map(static_cast<size_t>(kMapColumns) * kMapRows, 50);
    std::ofstream("height.raw", std::ios::binary).write(reinterpret_cast<const char*>(map.data()), map.size());
    app.m_pTerrain->Reset(D3DXVECTOR3(0, 0, 0));
    CDiver& diver = *app.Diver();
    const D3DXVECTOR3 vFish = diver.m_Transform.m_vPosition * 1.0f;
    diver.m_Transform.m_vPosition = D3DXVECTOR3(vFish.x + 30, 30, vFish.z);
    app.m_pTerrain->Update();
    const D3DXVECTOR3 vProbe(vFish.x, 9.0f, vFish.z);
    ASSERT_EQ(app.m_pTerrain->IsBelowSurface(vProbe), 1) << "the floor is in the window";

    CFish& f = Fish(0);
    app.m_fGameStep = 0.1f;
    app.m_fFrameTime = 0.02f;
    const D3DXVECTOR3 vHeading = Unit(D3DXVECTOR3(0, -0.5f, 1));
    for (int nFeeler : {1, 2, 3, 4}) {
        f.m_Transform.m_vPosition = D3DXVECTOR3(vFish.x, 14, vFish.z);
        f.m_vVelocity = vHeading;
        f.m_Sensors.m_cSensorTick = static_cast<signed char>(nFeeler - 1);
        for (float& d : f.m_Sensors.m_afSensorDist) d = 20.0f;
        f.m_fspeed = 0;
        f.UpdateHeading();  // the feeler is cast along the heading before the turn
        D3DXVECTOR3 vDir;
        D3DXVec3TransformCoord(&vDir, &vHeading, &f.m_Sensors.m_amSensorRot[nFeeler]);
        const float fExpected = vDir.y < 0.0f ? 4.0f / -vDir.y : 1e30f;
        // The floor query halves its step ten times from 20: a coarse distance, but the floor's.
        if (fExpected < 20.0f) {
            EXPECT_NEAR(f.m_Sensors.m_afSensorDist[nFeeler], fExpected, 0.5f) << "feeler " << nFeeler;
        } else {
            EXPECT_EQ(f.m_Sensors.m_afSensorDist[nFeeler], 20.0f) << "feeler " << nFeeler;
        }
    }
    // Through the whole update: a fish closer to the floor stops at the next casting step.
    f.m_Transform.m_vPosition = D3DXVECTOR3(vFish.x, 11, vFish.z);
    f.m_vVelocity = vHeading;
    f.m_Sensors.m_cSensorTick = 1;  // casts feeler 2, which points down
    for (float& d : f.m_Sensors.m_afSensorDist) d = 20.0f;
    const D3DXVECTOR3 vBefore = f.m_Transform.m_vPosition;
    f.Update();
    EXPECT_LT(f.m_Sensors.m_afSensorDist[2], 3.0f);
    EXPECT_EQ(f.m_Transform.m_vPosition, vBefore) << "the floor stopped it";
}

// The moving rock blends pose 0 and 1 while sin(frequency x phase) is positive, and 1 and 2 while
// it is negative: both outer poses are reached.
TEST_F(FishStepTest, MovingRockBlendReachesBothOuterPoses) {
    CGameApp& app = Level();
    ASSERT_EQ(app.m_nMovingRocks, 1);
    CMovingRock& rock = *app.m_ppMovingRocks[0];
    ASSERT_FLOAT_EQ(rock.m_fFrequency, 2.0f);
    const float kPi = 3.14159265f;
    struct Case {
        float fPhase;
        D3DXVECTOR4 vWeights;
    };
    const Case cases[] = {
        {kPi / 4, {1, 0, 0, 0}},
        {3 * kPi / 4, {0, 0, 1, 0}},
        {kPi / 12, {0.5f, 0.5f, 0, 0}},
        {7 * kPi / 12, {0, 0.5f, 0.5f, 0}},
        {0, {0, 1, 0, 0}},
    };
    for (const Case& c : cases) {
        app.m_fPhase = c.fPhase;
        rock.Update();
        for (int n = 0; n < 4; ++n) EXPECT_NEAR(rock.m_vWeights[n], c.vWeights[n], 1e-5) << c.fPhase << " weight " << n;
    }
}

}  // namespace
