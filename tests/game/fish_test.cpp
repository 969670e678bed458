// The fish in a small level: the reader, mood and fear, steering with the queries stubbed by hand-made
// rocks, the update's stop rule and smoothing, and what a fish and a moving rock draw.
#include <cmath>
#include <cstdint>

#include "fish/fishrandom.h"
#include "game/movingrock.h"
#include "game/levelread.h"
#include "game/vsconsts.h"
#include "game_fixture.h"
#include "win32/timesource.h"

namespace {

using gametest::GameTest;
using gametest::SmallLevel;

// The small level's diver stands at (1500, 30, 1000); these waypoints lie 500 units away.
const char kFarFish[] =
    "3 f.x f.x f.x notextura 1.0 0 20 5 5  f.x f.x f.x notextura 1.0 1 20 5 5  f.x f.x f.x notextura 1.0 2 20 5 5\n"
    "7\n"
    "1000 10 1000  2 0 1\n"    // 0: itself and 1, so the skip always gives 1
    "1010 10 1000  1 1\n"      // 1: only itself
    "1020 10 1000  0\n"        // 2: no neighbours
    "1030 10 1000  3 3 4 5\n"  // 3: three ways on
    "1040 10 1000  1 3\n"
    "1050 10 1000  1 3\n"
    "1 2 3  1 6\n";  // 6: near the origin, where 0.50001 is a float apart from 0.5

class FishTest : public GameTest {
protected:
    CGameApp& Level(const std::string& strFish) {
        auto files = SmallLevel();
        files["peces.plt"] = strFish;
        WriteLevel("nivel1", files);
        CGameApp& app = App();
        app.m_fGameStep = 0.1f;
        app.m_fFrameTime = 0.02f;
        for (int i = 0; i < app.m_nFish; ++i) app.m_ppFish[i]->Start();
        return app;
    }
    CFish& Fish(int i) { return *App().m_ppFish[i]; }

    // A small triangle facing the ray from vFrom along vDir, d units away, as rock 0's model.
    void RockAcross(const D3DXVECTOR3& vFrom, const D3DXVECTOR3& vDir, float d) {
        D3DXVECTOR3 vU, vV;
        const D3DXVECTOR3 vUp(0, 1, 0);
        D3DXVec3Cross(&vU, &vDir, &vUp);
        D3DXVec3Normalize(&vU, &vU);
        D3DXVec3Cross(&vV, &vU, &vDir);
        const D3DXVECTOR3 c = vFrom + vDir * d;
        const D3DXVECTOR3 a = c - vU * 0.3f - vV * 0.3f, b = c + vU * 0.3f - vV * 0.3f, e = c + vV * 0.3f;
        CSceneObject* pRock = App().m_ppRocks[0];
        pRock->m_pCollisionModel = newCollisionModel3D(false);
        pRock->m_pCollisionModel->addTriangle(&a.x, &b.x, &e.x);
        pRock->m_pCollisionModel->finalize();
        D3DXMatrixIdentity(&pRock->m_Transform.m_matWorld);
    }
};

TEST_F(FishTest, ReaderStoresEveryFieldInOrder) {
    CGameApp& app = Level(
        "1 p0.x p1.x p2.x piel.bmp 0.75 1 22.5 3.25 8\n"
        "2  1 2 3 1 1  -4 5.5 6 0\n");
    ASSERT_EQ(app.m_nFish, 1);
    const CFish& f = Fish(0);
    EXPECT_STREQ(f.m_szMeshFile[0], "nivel1\\p0.x");
    EXPECT_STREQ(f.m_szMeshFile[1], "nivel1\\p1.x");
    EXPECT_STREQ(f.m_szMeshFile[2], "nivel1\\p2.x");
    EXPECT_STREQ(f.m_szTextureFile, "nivel1\\piel.bmp");
    EXPECT_FLOAT_EQ(f.m_fScale, 0.75f);
    EXPECT_EQ(f.m_iWaypoint, 1);
    EXPECT_FLOAT_EQ(f.m_fReactionRange, 22.5f);
    EXPECT_FLOAT_EQ(f.m_fTrait1, 3.25f);
    EXPECT_FLOAT_EQ(f.m_fTrait2, 8);
    ASSERT_EQ(g_nWaypoints, 2);
    EXPECT_EQ(g_pWaypoints[0].pos, D3DXVECTOR3(1, 2, 3));
    EXPECT_EQ(g_pWaypoints[0].count, 1);
    EXPECT_EQ(g_pWaypoints[1].pos, D3DXVECTOR3(-4, 5.5f, 6));
    EXPECT_EQ(g_pWaypoints[1].count, 0) << "a waypoint without neighbours is legal";
    // Start puts it on its waypoint, heading nowhere yet.
    EXPECT_EQ(f.m_Transform.m_vPosition, D3DXVECTOR3(-4, 5.5f, 6));
    EXPECT_EQ(f.m_iTargetWaypoint, 1);
    EXPECT_EQ(f.m_vVelocity, D3DXVECTOR3(0, 0, 0));
    EXPECT_EQ(f.m_Sensors.m_vAvoidDir, D3DXVECTOR3(0, 0, 0));
    EXPECT_FLOAT_EQ(f.m_fspeed, 0.3f);
    EXPECT_FLOAT_EQ(f.m_fApproach, 1.0f);

    app_.reset();
    Level("0\n2  1 2 3 1 1  4 5 6 1 0\n");
    EXPECT_EQ(App().m_nFish, 0);
    EXPECT_EQ(g_nWaypoints, 2) << "no fish, but the waypoints are read";
}

TEST_F(FishTest, BrokenLimitsRefuseTheWholeFile) {
    const std::string kFish = "1 a a a t 1 0 1 1 1 ";
    const char* aBroken[] = {
        "1 a a a t 1 0 1 1 1  1 0 0 0 21 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0",  // 21 neighbours
        "1 a a a t 1 0 1 1 1  1 0 0 0 -1",                                            // negative count
        "1 a a a t 1 0 1 1 1  2 0 0 0 1 2  0 0 0 1 0",                                // neighbour past the table
        "1 a a a t 1 0 1 1 1  2 0 0 0 1 -1  0 0 0 1 0",                               // negative neighbour
        "1 a a a t 1 2 1 1 1  2 0 0 0 1 1  0 0 0 1 0",                                // start past the table
        "1 a a a t 1 -1 1 1 1  1 0 0 0 0",                                            // negative start
        "1 a a a t 1 0 1 1 1  0",                                                     // fish but no waypoints
        "-1 0",                                                                       // negative fish count
        "1 a a a t 1 0 1 1 1  -2",                                                    // negative waypoint count
        "1 a a a t 1 0.5 1 1 1  1 0 0 0 0",                                           // start is no integer
        "1 a a a t 1 0 1 x 1  1 0 0 0 0",                                             // trait is no number
        "2 a a a t 1 0 1 1 1  1 0 0 0 0",                                             // one fish short
        "1 a a a t 1 0 1 1 1  2 0 0 0 1 1",                                           // one waypoint short
    };
    for (const char* szFile : aBroken) {
        app_.reset();
        CGameApp& app = Level(szFile);
        EXPECT_EQ(app.LevelStatus(), 0) << szFile;
        EXPECT_EQ(app.m_nFish, 0) << szFile;
        EXPECT_EQ(app.m_ppFish, nullptr) << szFile;
        EXPECT_EQ(g_nWaypoints, 0) << szFile;
        EXPECT_EQ(g_pWaypoints, nullptr) << szFile;
        EXPECT_NE(std::string(lvlLastError()).find("peces.plt"), std::string::npos) << lvlLastError();
    }
    // A word past the name field, with the folder in front.
    app_.reset();
    Level("1 " + std::string(244, 'w') + " a a t 1 0 1 1 1  1 0 0 0 0");
    EXPECT_EQ(App().m_nFish, 0);
}

TEST_F(FishTest, ALevelWithoutFishOrMovingRockFilesHasNoneAfterOneThatHad) {
    WriteLevel("nivel1", SmallLevel("nivel2"));
    auto files = SmallLevel("nivel1");
    files.erase("peces.plt");
    files.erase("ladrillosmv.plt");
    WriteLevel("nivel2", files);
    StartDevice();
    CGameApp& app = App();
    ASSERT_EQ(app.m_nFish, 1);
    ASSERT_EQ(app.m_nMovingRocks, 1);
    ASSERT_GT(g_nWaypoints, 0);
    app.ChangeLevel();
    ASSERT_STREQ(app.m_szLevelDir, "nivel2\\");
    EXPECT_EQ(app.m_nFish, 0);
    EXPECT_EQ(app.m_ppFish, nullptr);
    EXPECT_EQ(g_nWaypoints, 0);
    EXPECT_EQ(g_pWaypoints, nullptr);
    EXPECT_EQ(app.m_nMovingRocks, 0);
    EXPECT_EQ(app.m_ppMovingRocks, nullptr);
    Frame(1.0f);  // the world step runs over the empty lists
}

TEST_F(FishTest, MoodFearAndSpeed) {
    CGameApp& app = Level(kFarFish);
    CFish& f = Fish(0);
    CDiver& diver = *app.Diver();

    // Beyond the reaction range the mood is 50 before the fear; fear only decays.
    f.m_fFear = 100;
    f.UpdateMood();
    EXPECT_NEAR(f.m_fFear, 99.78f, 1e-4);
    EXPECT_NEAR(f.m_fMood, 40.022f, 1e-4);
    // A small fear decays to 0, not below, and leaves the mood alone.
    f.m_fFear = 0.01f;
    f.UpdateMood();
    EXPECT_EQ(f.m_fFear, 0.0f);
    EXPECT_EQ(f.m_fMood, 50.0f);

    // The farthest row, calm 0, traits (8, 0): the table gives 34, which feeds the fear.
    f.m_fTrait1 = 8;
    f.m_fTrait2 = 0;
    f.m_fReactionRange = 60;
    f.m_Transform.m_vPosition = diver.m_Transform.m_vPosition + D3DXVECTOR3(0, 0, 130);
    diver.m_fCalm = -20;  // read as 0
    f.m_fFear = 0;
    f.UpdateMood();
    EXPECT_EQ(f.m_fDiverCalm, 0.0f);
    EXPECT_GT(f.m_fDiverDist, 40.0f);
    EXPECT_NEAR(f.m_fFear, 0.0798f, 1e-5);
    EXPECT_NEAR(f.m_fMood, 34 - 0.0798f * 0.1f, 1e-5);

    // Inside the table: 21 units scale to 21 x 0.333 - 1 = 5.993, near the row for 6 (the rows for
    // 5 and 6 read 22 and 25): 24.979, below 35, feeds the fear.
    f.m_Transform.m_vPosition = diver.m_Transform.m_vPosition + D3DXVECTOR3(0, 0, 21);
    f.m_fFear = 0;
    f.UpdateMood();
    EXPECT_NEAR(f.m_fDiverDist, 5.993f, 1e-4);
    EXPECT_NEAR(f.m_fFear, 0.98010f, 1e-5);
    EXPECT_NEAR(f.m_fMood, 24.97901f - 0.98010f * 0.1f, 1e-4);

    // Speed from the approach of the previous step (the table itself is in the rules test).
    f.m_fApproach = -1.0f;
    f.UpdateMood();
    EXPECT_FLOAT_EQ(f.m_fspeed, 6.0f);

    // A stall is integrated as a step of 1: traits (0, 0) near the diver read 0, so the fear grows
    // by 35 and decays by 45 x 0.02, whatever the step beyond 1.
    f.m_fTrait1 = 0;
    f.m_fFear = 0;
    f.m_Transform.m_vPosition = diver.m_Transform.m_vPosition + D3DXVECTOR3(10, 0, 0);
    app.m_fGameStep = 5.0f;
    f.UpdateMood();
    EXPECT_NEAR(f.m_fFear, 34.1f, 1e-4);
    EXPECT_NEAR(f.m_fMood, -34.1f, 1e-4) << "the mood is not clamped";
}

TEST_F(FishTest, WaypointArrivalAndTheNextTarget) {
    Level(kFarFish);
    CFish& f = Fish(0);
    struct Case {
        const char* szWhat;
        int nTarget;
        float fOffset;
        int nWaypointAfter, nTargetAfter;
    };
    const Case cases[] = {
        {"on the target", 0, 0.0f, 0, 1},
        {"0.5 away arrives; its own id is skipped", 0, 0.5f, 0, 1},
        {"just beyond 0.5 does not", 6, 0.50001f, 9, 6},
        {"a self-only neighbour gives itself", 1, 0.2f, 1, 1},
        {"no neighbours keeps the target", 2, 0.1f, 2, 2},
    };
    for (const Case& c : cases) {
        f.m_iWaypoint = 9;
        f.m_iTargetWaypoint = c.nTarget;
        const D3DXVECTOR3 vTarget = g_pWaypoints[c.nTarget].pos;
        f.m_Transform.m_vPosition = vTarget - D3DXVECTOR3(0, 0, c.fOffset);
        const D3DXVECTOR3 v = f.SteerToWaypoint();
        EXPECT_EQ(f.m_iWaypoint, c.nWaypointAfter) << c.szWhat;
        EXPECT_EQ(f.m_iTargetWaypoint, c.nTargetAfter) << c.szWhat;
        EXPECT_NEAR(v.z, c.fOffset > 0 ? 1.0f : 0.0f, 1e-5) << c.szWhat << ": towards the old target";
    }

    // The choice: slot (waypoint + r) mod count, r the first draw after seeding with the clock's
    // milliseconds; two arrivals in one millisecond draw alike.
    std::int64_t nNow = 5000;
    win32::SetTimeSourceForTest(1000, true, [&nNow] { return nNow; });
    for (std::int64_t nMs : {0, 1, 2, 777}) {
        nNow = 5000 + nMs;
        fishSrand(static_cast<unsigned int>(nMs));
        int nSlot = (3 + fishRand()) % 3;
        if (g_pWaypoints[3].ids[nSlot] == 3) nSlot = (nSlot + 1) % 3;
        const int nExpected = g_pWaypoints[3].ids[nSlot];
        for (int n = 0; n < 2; ++n) {
            f.m_iTargetWaypoint = 3;
            f.m_Transform.m_vPosition = g_pWaypoints[3].pos;
            f.SteerToWaypoint();
            EXPECT_EQ(f.m_iTargetWaypoint, nExpected) << nMs << " ms";
        }
    }
    win32::ResetTimeSource();
}

TEST_F(FishTest, FeelersCastOneByOneAndEvaluateEverySixthStep) {
    Level(kFarFish);
    CFish& f = Fish(0);
    f.m_vVelocity = D3DXVECTOR3(0, 0, 1);
    const D3DXVECTOR3 vPos = f.m_Transform.m_vPosition;
    // A rock 8 units along feeler 2 only.
    D3DXVECTOR3 vFeeler2;
    D3DXVec3TransformCoord(&vFeeler2, &f.m_vVelocity, &f.m_Sensors.m_amSensorRot[2]);
    EXPECT_NEAR(vFeeler2.x, 0.3536f, 1e-4);
    EXPECT_NEAR(vFeeler2.y, -0.3827f, 1e-4);
    RockAcross(vPos, vFeeler2, 8.0f);

    const int aTicks[] = {1, 2, 3, 4, 5, 0, 1};
    for (int n = 0; n < 7; ++n) {
        const D3DXVECTOR3 v = f.SteerAroundObstacles();
        EXPECT_EQ(f.m_Sensors.m_cSensorTick, aTicks[n]);
        if (aTicks[n] >= 2 && aTicks[n] <= 4) {
            EXPECT_NEAR(f.m_Sensors.m_afSensorDist[2], 8.0f, 1e-3);
            EXPECT_EQ(f.m_Sensors.m_afSensorDist[1], 20.0f);
            EXPECT_EQ(f.m_Sensors.m_afSensorDist[3], 20.0f);
            EXPECT_EQ(v, D3DXVECTOR3(0, 0, 0)) << "no gain before the first evaluation";
        }
        if (aTicks[n] == 5) {
            for (float d : f.m_Sensors.m_afSensorDist) EXPECT_EQ(d, 20.0f) << "reset after the evaluation";
            EXPECT_EQ(f.m_Sensors.m_cNearestSensor, 2);
            EXPECT_NEAR(f.m_fAvoidGain, 0.9f, 1e-4) << "closeness 0.6";
            // Heading (0, 0, 1) pushed by 4 to the turn side and raised by 4.
            const float fLen = std::sqrt(33.0f);
            EXPECT_NEAR(f.m_Sensors.m_vAvoidDir.x, 4 / fLen, 1e-5);
            EXPECT_NEAR(f.m_Sensors.m_vAvoidDir.y, 4 / fLen, 1e-5);
            EXPECT_NEAR(v.x, 0.9f * 4 / fLen, 1e-5);
        }
    }
    // The sixth step cast feeler 0, which saw nothing.
    EXPECT_EQ(f.m_Sensors.m_afSensorDist[0], 20.0f);

    // The stop rule reads the angled feelers only: 2.999 stops, 3.0 and the straight feeler do not.
    struct Stop {
        int nFeeler;
        float d;
        bool bStops;
    };
    for (const Stop& c : {Stop{0, 2.999f, true}, Stop{3, 2.999f, true}, Stop{0, 3.0f, false}, Stop{4, 1.0f, false}}) {
        f.m_Sensors.m_cSensorTick = 0;  // the next step casts, it does not evaluate
        for (float& d : f.m_Sensors.m_afSensorDist) d = 20.0f;
        f.m_Sensors.m_afSensorDist[c.nFeeler] = c.d;
        const D3DXVECTOR3 vBefore = f.m_Transform.m_vPosition;
        f.Update();
        EXPECT_EQ(f.m_fspeed == 0.0f, c.bStops) << c.nFeeler << " at " << c.d;
        EXPECT_EQ(f.m_Transform.m_vPosition == vBefore, c.bStops) << c.nFeeler << " at " << c.d;
    }
}

TEST_F(FishTest, EvaluationTiesGainSmoothingAndTurnSide) {
    CGameApp& app = Level(kFarFish);
    CFish& f = Fish(0);
    struct Case {
        const char* szWhat;
        float aDist[5];
        int nNearestBefore, nNearestAfter;
        float fGainPrev, fStep, fGainAfter;
        D3DXVECTOR3 vHeading;
        unsigned char bSideBefore, bSideAfter;
        float fAvoidX;  // before normalising; NAN: left as it was
    };
    const float kKept = NAN;
    const Case cases[] = {
        {"a tie keeps the previous nearest", {5, 5, 20, 20, 20}, 1, 1, 0, 0.1f, 1.425f, {0, 0, 1}, 0, 0, 4},
        {"else the lowest of the smallest", {5, 5, 20, 20, 20}, 3, 0, 0, 0.1f, 1.425f, {0, 0, 1}, 0, 0, 4},
        {"nothing seen: the gain falls slowly", {20, 20, 20, 20, 20}, 4, 4, 2, 0.1f, 1.94f, {0, 0, 1}, 0, 0, kKept},
        {"a stall falls as a step of 1", {20, 20, 20, 20, 20}, 4, 4, 2, 5.0f, 1.4f, {0, 0, 1}, 0, 0, kKept},
        {"a rising gain jumps", {20, 20, 20, 20, 4}, 0, 4, 0.5f, 0.1f, 1.6f, {0, 0, 1}, 0, 0, kKept},
        {"the gain stops at 2", {3, 20, 20, 20, 20}, 0, 0, 0, 0.1f, 2.0f, {0, 0, 1}, 0, 0, 4},
        {"past x 0.8 the side flips", {20, 9, 20, 20, 20}, 1, 1, 0, 0.1f, 0.7425f, {0.9f, 0, 0.4359f}, 0, 1, 0.9f - 4},
        {"and back past -0.8", {20, 9, 20, 20, 20}, 1, 1, 0, 0.1f, 0.7425f, {-0.9f, 0, 0.4359f}, 1, 0, -0.9f + 4},
        {"inside +-0.8 the side holds",
         {20, 9, 20, 20, 20},
         1,
         1,
         0,
         0.1f,
         0.7425f,
         {0.7f, 0, 0.7141f},
         1,
         1,
         0.7f - 4},
    };
    for (const Case& c : cases) {
        app.m_fGameStep = c.fStep;
        std::copy(c.aDist, c.aDist + 5, f.m_Sensors.m_afSensorDist);
        f.m_Sensors.m_cNearestSensor = static_cast<signed char>(c.nNearestBefore);
        f.m_Sensors.m_cSensorTick = 4;
        f.m_Sensors.m_vAvoidDir = D3DXVECTOR3(0, 0, -1);
        f.m_fAvoidGainPrev = c.fGainPrev;
        f.m_vVelocity = c.vHeading;
        f.m_bTurnSide = c.bSideBefore;
        f.SteerAroundObstacles();
        EXPECT_EQ(f.m_Sensors.m_cNearestSensor, c.nNearestAfter) << c.szWhat;
        EXPECT_NEAR(f.m_fAvoidGain, c.fGainAfter, 1e-3) << c.szWhat;
        EXPECT_EQ(f.m_fAvoidGainPrev, f.m_fAvoidGain) << c.szWhat;
        EXPECT_EQ(f.m_bTurnSide, c.bSideAfter) << c.szWhat;
        if (std::isnan(c.fAvoidX)) {
            EXPECT_EQ(f.m_Sensors.m_vAvoidDir, D3DXVECTOR3(0, 0, -1)) << c.szWhat;
        } else {
            D3DXVECTOR3 v(c.fAvoidX, c.vHeading.y + 4, c.vHeading.z);
            D3DXVec3Normalize(&v, &v);
            EXPECT_NEAR(f.m_Sensors.m_vAvoidDir.x, v.x, 1e-5) << c.szWhat;
            EXPECT_NEAR(f.m_Sensors.m_vAvoidDir.y, v.y, 1e-5) << c.szWhat;
        }
    }
}

TEST_F(FishTest, DiverUrgeRisesSlowlyAndFallsAtOnce) {
    CGameApp& app = Level(kFarFish);
    CFish& f = Fish(0);
    const D3DXVECTOR3 vDiver = app.Diver()->m_Transform.m_vPosition;
    f.m_Transform.m_vPosition = vDiver + D3DXVECTOR3(-30, -40, 0);  // the diver lies up and along +x

    f.m_fMood = 100;
    f.m_fApproach = 0;
    D3DXVECTOR3 v = f.SteerToDiver();
    EXPECT_NEAR(f.m_fApproach, 0.03f, 1e-6);
    EXPECT_NEAR(v.x, 0.6f * 0.03f, 1e-6);
    EXPECT_EQ(v.y, 0.0f) << "an approaching fish keeps its depth";

    f.m_fMood = 0;
    v = f.SteerToDiver();
    EXPECT_FLOAT_EQ(f.m_fApproach, -1.0f);
    EXPECT_NEAR(v.x, -0.6f, 1e-6);
    EXPECT_NEAR(v.y, -0.8f, 1e-6) << "a fleeing one may dive";

    app.m_fGameStep = 50.0f;  // a stall: the rise is never more than the full value
    f.m_fMood = 100;
    f.SteerToDiver();
    EXPECT_NEAR(f.m_fApproach, -1.0f + 0.3f * 2.0f, 1e-6);
}

TEST_F(FishTest, SchoolPushesApartByDistanceBands) {
    CGameApp& app = Level(kFarFish);
    CFish& a = Fish(0);
    CFish& b = Fish(1);
    CFish& c = Fish(2);
    struct Case {
        const char* szWhat;
        D3DXVECTOR3 vA, vB, vC;
        D3DXVECTOR3 vExpectA, vExpectC;
    };
    const Case cases[] = {
        {"near pair and a lone fish", {0, 0, 0}, {1, 0, 0}, {100, 0, 0}, {-2, 0, 0}, {0.8f, 0, 0}},
        {"d in (1, 1.5]", {0, 0, 0}, {0, 4, 0}, {100, 0, 0}, {0, -1, 0}, {0.8f, 0, 0}},
        {"d in (0.5, 1]", {0, 0, 0}, {0, 0, 3}, {100, 0, 0}, {0, 0, -1.5f}, {0.8f, 0, 0}},
        {"the first fish alone gets nothing", {0, 0, 0}, {50, 0, 0}, {100, 0, 0}, {0, 0, 0}, {0.8f, 0, 0}},
        {"two at one spot get nothing", {0, 0, 0}, {50, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}},
    };
    ASSERT_EQ(app.m_nFish, 3);
    for (const Case& k : cases) {
        a.m_Transform.m_vPosition = k.vA;
        b.m_Transform.m_vPosition = k.vB;
        c.m_Transform.m_vPosition = k.vC;
        const D3DXVECTOR3 vA = a.SteerWithSchool(), vC = c.SteerWithSchool();
        for (int n = 0; n < 3; ++n) {
            EXPECT_NEAR((&vA.x)[n], (&k.vExpectA.x)[n], 1e-5) << k.szWhat;
            EXPECT_NEAR((&vC.x)[n], (&k.vExpectC.x)[n], 1e-5) << k.szWhat;
        }
    }
}

TEST_F(FishTest, TailSmoothingNeverOvershoots) {
    CGameApp& app = Level(kFarFish);
    CFish& f = Fish(0);
    f.m_fTailFrequency = 20;
    app.m_fFrameTime = 3.0f;  // a long frame: the target (0 at mood 50) is taken, not passed
    f.Update();
    EXPECT_FLOAT_EQ(f.m_fMood, 50.0f);
    EXPECT_EQ(f.m_fTailFrequency, 0.0f);
    app.m_fFrameTime = 0.1f;
    f.m_fTailFrequency = 20;
    f.Update();
    EXPECT_NEAR(f.m_fTailFrequency, 0.93f * 20, 1e-4);
}

// A lone fish standing on its waypoint with nothing to steer it but the sink urge heads straight
// down at its first step: the look-at has no rotation for that, so the last one stays.
TEST_F(FishTest, AVerticalHeadingKeepsTheLastRotation) {
    CGameApp& app = Level("1 f.x f.x f.x notextura 2.0 0 20 5 5  1  1000 10 1000 0\n");
    CFish& f = Fish(0);
    f.Update();
    ASSERT_EQ(f.m_vVelocity, D3DXVECTOR3(0, -1, 0));
    const D3DXMATRIX& m = f.m_Transform.m_matWorld;
    D3DXMATRIX expected;
    D3DXMatrixTranslation(&expected, f.m_Transform.m_vPosition.x, f.m_Transform.m_vPosition.y,
                          f.m_Transform.m_vPosition.z);
    EXPECT_EQ(m, expected) << "the start's rotation, at the new place";
    EXPECT_LT(f.m_Transform.m_vPosition.y, 10.0f) << "it still moves";

    // Once the heading leans, the rotation follows it again.
    f.m_vVelocity = D3DXVECTOR3(0.6f, 0, 0.8f);
    app.m_ppDivers[0]->m_Transform.m_vPosition = f.m_Transform.m_vPosition + D3DXVECTOR3(500, 0, 0);
    f.Update();
    EXPECT_NE(m(0, 0), 1.0f);
    for (int n = 0; n < 16; ++n) EXPECT_TRUE(std::isfinite(static_cast<const float*>(m)[n]));
}

// Six fish by the small level's diver (1500, 30, 1000): whole, a pose of another vertex count, a
// texture that does not load, one 130 away in x, one whose mesh is missing, one 130 away in z.
TEST_F(FishTest, DrawsInBothPassesAndWhatLoadFailuresLeave) {
    auto files = SmallLevel();
    files["quad.x"] =
        "xof 0303txt 0032\nMesh { 4; 0;0;0;, 1;0;0;, 0;1;0;, 1;1;0;; 2; 3; 0, 1, 2;, 3; 1, 3, 2;;\n"
        "  MeshTextureCoords { 4; 0;0;, 1;0;, 0;1;, 1;1;; } }\n";
    files["peces.plt"] =
        "6 tri.x tri.x tri.x piel.bmp 1 0 20 0 0   tri.x quad.x tri.x piel.bmp 1 1 20 5 5\n"
        "  tri.x tri.x tri.x nada.bmp 1 2 20 5 5    tri.x tri.x tri.x piel.bmp 1 3 20 5 5\n"
        "  falta.x tri.x tri.x piel.bmp 1 4 20 5 5    tri.x tri.x tri.x piel.bmp 1 5 20 5 5\n"
        "6  1510 25 1000 0  1505 25 990 0  1500 25 1012 0  1630 25 1000 0  1495 25 1000 0  1500 25 1130 0\n";
    WriteLevel("nivel1", files);
    std::filesystem::copy_file(std::filesystem::path(ABISALIA_MEDIA_DIR) / "nivel1" / "sargo.bmp",
                               dir_ / "nivel1" / "piel.bmp");
    StartDevice();
    CGameApp& app = App();
    ASSERT_EQ(app.m_nFish, 6);
    const CFish& whole = Fish(0);
    ASSERT_NE(whole.m_pTexture, nullptr);
    ASSERT_NE(whole.m_pCollisionModel, nullptr);
    for (int i : {1, 4}) {
        EXPECT_EQ(Fish(i).m_pVB[0], nullptr) << "fish " << i << ": its meshes are refused";
        EXPECT_EQ(Fish(i).m_pCollisionModel, nullptr) << "fish " << i << ": the spear cannot test it";
    }
    EXPECT_NE(Fish(2).m_pVB[0], nullptr) << "a texture alone does not stop the draw";
    EXPECT_EQ(Fish(2).m_pTexture, nullptr);
    EXPECT_EQ(Fish(2).m_pCollisionModel, nullptr) << "nor does it get a collision model";

    D3DXVECTOR4 vWeightsBefore;
    for (float fTime : {0.5f, 0.6f}) {
        Frame(fTime);
        std::map<std::pair<int, int>, const d3d8::DrawRecord*> draws;  // (object, pass)
        const CSceneObject* apObjects[] = {&Fish(0), &Fish(1), &Fish(2), &Fish(3), &Fish(4), app.m_ppMovingRocks[0],
                                           &Fish(5)};
        for (const d3d8::Call& c : Log()) {
            if (c.method == "Clear") draws.clear();
            if (!c.draw) continue;
            const int nPass = c.draw->vertexShader == app.m_dwVSFish    ? 1
                              : c.draw->vertexShader == app.m_dwVSFish2 ? 2
                                                                        : 0;
            if (!nPass) continue;
            for (int i = 0; i < 7; ++i)
                if (c.draw->constants[VSC_OBJECT_POS][0] == apObjects[i]->m_Transform.m_vPosition.x &&
                    c.draw->constants[VSC_OBJECT_POS][2] == apObjects[i]->m_Transform.m_vPosition.z) {
                    EXPECT_EQ(draws.count({i, nPass}), 0u) << "object " << i << " drawn twice in pass " << nPass;
                    draws[{i, nPass}] = c.draw.get();
                }
        }
        EXPECT_EQ(draws.size(), 6u) << "the whole fish, the untextured one and the moving rock, in both passes";
        for (int i : {3, 6}) {
            const D3DXVECTOR3 vOff = apObjects[i]->m_Transform.m_vPosition - app.Diver()->m_Transform.m_vPosition;
            EXPECT_GE(std::max(std::fabs(vOff.x), std::fabs(vOff.z)), 130.0f) << "object " << i << " stayed far";
        }
        for (int i : {0, 2, 5})
            for (int nPass : {1, 2}) {
                ASSERT_EQ(draws.count({i, nPass}), 1u) << "object " << i << " pass " << nPass;
                const d3d8::DrawRecord& d = *draws[{i, nPass}];
                const CSceneObject& o = *apObjects[i];
                const D3DXVECTOR4 vWeights =
                    i == 5 ? app.m_ppMovingRocks[0]->m_vWeights : static_cast<const CFish&>(o).m_vWeights;
                EXPECT_EQ(D3DXVECTOR4(d.constants[VSC_BLEND]), vWeights) << i;
                ASSERT_GE(d.streams.size(), 3u);
                for (int k = 0; k < 3; ++k) {
                    EXPECT_EQ(d.streams[k].buffer, o.m_pVB[k]) << i << " stream " << k;
                    EXPECT_EQ(d.streams[k].stride, 32u) << i << " stream " << k;
                }
                EXPECT_TRUE(d.indexed);
                EXPECT_EQ(d.vertexCount, 3u);
                EXPECT_EQ(d.primitiveCount, 1u);
                EXPECT_EQ(d.textures[0], nPass == 1 ? static_cast<const void*>(o.m_pTexture) : app.m_pCausticTex)
                    << i << " pass " << nPass;
            }
        // The moving rock's weights follow the phase at its frequency (2).
        const D3DXVECTOR4 vRock = scnKeyPoseWeights(std::sin(app.m_fPhase * 2.0f));
        EXPECT_EQ(app.m_ppMovingRocks[0]->m_vWeights, vRock);
        if (fTime > 0.5f) {
            EXPECT_NE(whole.m_vWeights, vWeightsBefore) << "a frightened fish beats its tail";
        }
        vWeightsBefore = whole.m_vWeights;
    }
}

}  // namespace
