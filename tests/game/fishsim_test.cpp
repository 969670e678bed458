// Each generated level's fish, stepped a few thousand times on the record backend with a fixed
// clock: they stay finite and near their waypoint graph while the diver is away, approach a still
// diver and flee a restless one, and enough of them can be drawn close to meet the level's goal.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>

#include "fish/fish.h"
#include "media_game.h"
#include "win32/timesource.h"

namespace {

using gametest::MediaGame;

constexpr float kFrame = 0.02f;
const char* const kLevels[] = {"nivel1\\", "nivel2\\", "nivel3\\"};

// The clock the waypoint choice reads moves with the simulated frames only.
class SimulatedClock {
public:
    SimulatedClock() {
        win32::SetTimeSourceForTest(1000, true, [this] { return m_nNow; });
    }
    ~SimulatedClock() { win32::ResetTimeSource(); }
    void Advance() { m_nNow += static_cast<std::int64_t>(kFrame * 1000); }

private:
    std::int64_t m_nNow = 1000;
};

// One world step of the fish alone: the diver stands where the test puts him.
void StepFish(CGameApp& app, SimulatedClock& clock, CFish* pOnly = nullptr) {
    clock.Advance();
    app.m_fFrameTime = kFrame;
    app.m_fAppTime += kFrame;
    app.m_fGameStep = 5 * kFrame;
    app.m_fPhase = std::fmod(app.m_fAppTime, 6.2831853f);
    for (int i = 0; i < app.m_nFish; ++i)
        if (!pOnly || app.m_ppFish[i] == pOnly) app.m_ppFish[i]->Update();
}

// Distance from p to the nearest edge of the waypoint graph.
float DistanceToGraph(const D3DXVECTOR3& p) {
    float fBest = 1e30f;
    for (int i = 0; i < g_nWaypoints; ++i)
        for (int k = 0; k < std::max(g_pWaypoints[i].count, 1); ++k) {
            const D3DXVECTOR3 a = g_pWaypoints[i].pos;
            const D3DXVECTOR3 b = g_pWaypoints[i].count ? g_pWaypoints[g_pWaypoints[i].ids[k]].pos : a;
            const D3DXVECTOR3 ab = b - a, ap = p - a;
            const float fLenSq = D3DXVec3LengthSq(&ab);
            const float t = fLenSq > 0 ? std::clamp(D3DXVec3Dot(&ap, &ab) / fLenSq, 0.0f, 1.0f) : 0.0f;
            const D3DXVECTOR3 d = ap - ab * t;
            fBest = std::min(fBest, D3DXVec3Length(&d));
        }
    return fBest;
}

class FishSimulation : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        game_ = std::make_unique<MediaGame>("fishsim" + std::to_string(GetParam()), d3d8::BackendKind::Record);
        ASSERT_EQ(game_->Start(), "");
        CGameApp& app = game_->App();
        std::snprintf(app.m_szNextLevelDir, sizeof app.m_szNextLevelDir, "%s", kLevels[GetParam()]);
        app.ChangeLevel();
        ASSERT_STREQ(app.m_szLevelDir, kLevels[GetParam()]);
        ASSERT_GT(app.m_nFish, 0);
        // One drawn frame builds the sea floor's heights around the diver.
        game_->Frame(kFrame);
    }
    std::unique_ptr<MediaGame> game_;
};

// Far from every reaction range (and out of the floor's window) the fish keep to their graph.
TEST_P(FishSimulation, AwayFromTheDiverFishKeepToTheirWaypoints) {
    CGameApp& app = game_->App();
    app.Diver()->m_Transform.m_vPosition += D3DXVECTOR3(3000, 0, 0);
    // The level starts again with the diver away: no fear nor flight left from its first frames.
    for (int i = 0; i < app.m_nFish; ++i) {
        CFish& f = *app.m_ppFish[i];
        f.m_fFear = 0;
        f.m_fApproach = 1;
        f.m_vVelocity = D3DXVECTOR3(0, 0, 0);
        f.Start();
    }
    SimulatedClock clock;
    float fFarthest = 0;
    for (int nStep = 0; nStep < 3000; ++nStep) {
        StepFish(app, clock);
        for (int i = 0; i < app.m_nFish; ++i) {
            const CFish& f = *app.m_ppFish[i];
            const D3DXVECTOR3& p = f.m_Transform.m_vPosition;
            ASSERT_TRUE(std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z)) << "fish " << i;
            ASSERT_NEAR(D3DXVec3Length(&f.m_vVelocity), 1.0f, 1e-3) << "fish " << i << " step " << nStep;
            ASSERT_FLOAT_EQ(f.m_fMood, 50.0f) << "fish " << i;
            fFarthest = std::max(fFarthest, DistanceToGraph(p));
        }
    }
    // The sink urge takes a fish below its waypoints and the floor's feelers push it aside, so it
    // wanders off its loop slowly: about 40 units in a minute of play.
    EXPECT_LT(fFarthest, 60.0f) << "the farthest any fish strayed from its waypoint graph";
    std::printf("[ fish ] farthest from the graph: %.2f\n", fFarthest);
}

// Traits (5, 5) at a scaled distance of 10 read 12 with calm 0 and 85 with calm 100.
TEST_P(FishSimulation, AFishApproachesAStillDiverAndFleesARestlessOne) {
    CGameApp& app = game_->App();
    CDiver& diver = *app.Diver();
    CFish& f = *app.m_ppFish[0];
    auto distance = [&] {
        const D3DXVECTOR3 v = f.m_Transform.m_vPosition - diver.m_Transform.m_vPosition;
        return D3DXVec3Length(&v);
    };
    for (float fCalm : {100.0f, 0.0f}) {
        f.m_fTrait1 = f.m_fTrait2 = 5;
        f.m_fReactionRange = 20;
        f.m_fFear = 0;
        f.m_fApproach = 0;
        f.m_vVelocity = D3DXVECTOR3(0, 0, 1);
        f.m_Transform.m_vPosition = diver.m_Transform.m_vPosition + D3DXVECTOR3(11.0f / 0.333f, 0, 0);
        EXPECT_NEAR(f.LookupReaction(10, fCalm / 10, 5, 5), fCalm > 50 ? 85 : 12, 0.5);
        diver.m_fCalm = fCalm;
        SimulatedClock clock;
        const float fStart = distance();
        float fNearest = fStart;
        for (int nStep = 0; nStep < 500; ++nStep) {
            StepFish(app, clock, &f);
            fNearest = std::min(fNearest, distance());
        }
        const float fEnd = distance();
        if (fCalm > 50) {
            EXPECT_LT(fNearest, fStart - 5) << "drawn to a still diver";
            EXPECT_LT(fEnd, fStart) << "and staying nearer";
            EXPECT_GT(f.m_fApproach, 0.5f);
        } else {
            EXPECT_GT(fEnd, fStart + 30) << "away from a restless one, out of its range";
        }
    }
}

// A still diver can come close to a fish that never reads below 50 at full calm within its range
// (it comes to him or keeps to its way); the level's goal must be reachable with those alone.
TEST_P(FishSimulation, TheGoalCanBeMetWithApproachableFish) {
    CGameApp& app = game_->App();
    auto approachable = [](CFish& f) {
        for (float w = 0; w <= std::min(f.m_fReactionRange, 40.0f); w += 0.25f)
            if (f.LookupReaction(w, 10, f.m_fTrait1, f.m_fTrait2) < 50) return false;
        return true;
    };
    int nApproachable = 0;
    for (int i = 0; i < app.m_nFish; ++i) nApproachable += approachable(*app.m_ppFish[i]);
    if (app.m_nGoalType == 0) {
        EXPECT_GE(nApproachable, app.m_nGoalCount);
    } else {
        ASSERT_GE(app.m_nGoalFish, 1);
        ASSERT_LE(app.m_nGoalFish, app.m_nFish);
        EXPECT_TRUE(approachable(*app.m_ppFish[app.m_nGoalFish - 1]));
    }
}

INSTANTIATE_TEST_SUITE_P(Levels, FishSimulation, ::testing::Values(0, 1, 2));

}  // namespace
