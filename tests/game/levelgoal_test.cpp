// Every generated level can be won: on the record backend, the diver is placed above and behind the
// fish of his goal, turned towards it, fires, and once the goal is met comes up and the next level
// loads.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "game/diver.h"
#include "media_game.h"

namespace {

constexpr float kFrameTime = 1.0f / 60;
// Where the fish is put in the diver's frame: on the eye's line, where the spear flies and where the
// gun's axis meets it, this far ahead, which the spear's body reaches in the frame it is fired at the
// step of a 60 Hz frame. He looks steeply down onto it.
const D3DXVECTOR3 kAim(0.0f, 0.0f, 8.0f);
constexpr float kAimPitch = -1.2f;

struct LevelGoal {
    const char* szFolder;
    int nGoalType, nGoalValue;
    std::vector<int> shots;  // the fish aimed at, in order
    const char* szNext;
};

class LevelGoalTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(game_.Start(), ""); }

    CGameApp& App() { return game_.App(); }
    void Key(int nKey, bool bDown) { App().HandleMessage(nullptr, bDown ? WM_KEYDOWN : WM_KEYUP, nKey, 0); }

    // Puts the diver where his spear points at the fish, the start pose over.
    void AimAt(int iFish) {
        CDiver& d = *App().Diver();
        const D3DXVECTOR3 vFish = App().m_ppFish[iFish]->m_Transform.m_vPosition;
        CTransform& tr = d.m_Transform;
        tr.m_vRotation = D3DXVECTOR3(0, kAimPitch, 0);
        const D3DXMATRIX matRotation = scnRotationMatrix(tr.m_vRotation);
        D3DXVECTOR3 vOffset;
        D3DXVec3TransformNormal(&vOffset, &kAim, &matRotation);
        tr.m_vPosition = vFish - vOffset;
        D3DXMATRIX matPosition;
        D3DXMatrixTranslation(&matPosition, tr.m_vPosition.x, tr.m_vPosition.y, tr.m_vPosition.z);
        D3DXMatrixMultiply(&tr.m_matWorld, &matRotation, &matPosition);
        d.m_fStartTimer = 0;
        d.m_vVelocity = d.m_vAngularVelocity = d.m_vLookVelocity = D3DXVECTOR3(0, 0, 0);
        g_DiverState.s_vHeadLook = D3DXVECTOR3(0, 0, 0);
    }
    // Arms the trigger, aims at the fish and fires with 'Z' in the next frame (the fish move after the
    // spear in a world step, so it flies at the fish where it was aimed at), then steps until the spear
    // sticks in a fish; the fish hit, or -1.
    int Shoot(int iFish) {
        Key('Z', false);
        game_.Frame(kFrameTime);
        AimAt(iFish);
        Key('Z', true);
        game_.Frame(kFrameTime);
        Key('Z', false);
        const CSpear& spear = *App().m_ppSpears[0];
        for (int i = 0; i < 30 && spear.m_iState == 2; ++i) game_.Frame(kFrameTime);
        return spear.m_iState == 3 ? App().Diver()->m_iLastFishHit : -1;
    }

    gametest::MediaGame game_{"levelgoal", d3d8::BackendKind::Record};
};

TEST_F(LevelGoalTest, EveryLevelCanBeWon) {
    const LevelGoal levels[] = {
        {"nivel1\\", 0, 3, {0, 1, 2}, "nivel2\\"},
        {"nivel2\\", 1, 1, {0}, "nivel3\\"},
        // The same fish hit again after a new shot counts again.
        {"nivel3\\", 0, 5, {0, 0, 0, 0, 0}, "nivel1\\"},
    };
    for (const LevelGoal& level : levels) {
        CGameApp& app = App();
        ASSERT_STREQ(app.m_szLevelDir, level.szFolder);
        ASSERT_EQ(app.m_nGoalType, level.nGoalType) << level.szFolder;
        ASSERT_EQ(level.nGoalType == 0 ? app.m_nGoalCount : app.m_nGoalFish, level.nGoalValue) << level.szFolder;
        ASSERT_GT(app.m_nFish, 2) << level.szFolder;
        int nCaught = 0;
        for (const int iFish : level.shots) {
            EXPECT_EQ(Shoot(iFish), iFish) << level.szFolder << " fish " << iFish;
            EXPECT_EQ(app.Diver()->m_iFishCaught, ++nCaught) << level.szFolder;
            EXPECT_STREQ(app.m_szLevelDir, level.szFolder) << "under water the goal waits";
        }
        if (std::strcmp(level.szFolder, "nivel1\\") == 0) {
            EXPECT_STREQ(g_szMessage, "ENHORABUENA !!!! LO PESCASTE");
        }
        // Up at the surface; the next frame's rules meet the goal and change the level.
        app.Diver()->m_Transform.m_vPosition.y = kSeaLevel;
        game_.Frame(kFrameTime);
        EXPECT_STREQ(app.m_szLevelDir, level.szNext) << level.szFolder << " won";
        EXPECT_EQ(app.Diver()->m_iFishCaught, 0) << "the new diver counts from 0";
    }
}

}  // namespace
