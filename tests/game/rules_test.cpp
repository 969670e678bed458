// The level rules, the world step and the toggle keys, run frame by frame on a small level.
#include <cmath>

#include "game_fixture.h"

namespace {

using gametest::GameTest;
using gametest::SmallLevel;
using gametest::StartedGameTest;

class RulesTest : public StartedGameTest {
protected:
    CDiver& Diver() { return *App().Diver(); }
    void Key(int nKey, bool bDown) { App().HandleMessage(nullptr, bDown ? WM_KEYDOWN : WM_KEYUP, nKey, 0); }
};

TEST_F(RulesTest, LevelRulesTable) {
    struct Case {
        const char* szWhat;
        int nGoalType, nGoalValue;
        float fY;
        int iState, iCaught, iLastHit, nRewardedBefore;
        const char* szCatchVideo;
        bool bChanges;
        const char* szPlayed;   // the video played, "" for none
        const char* szMessage;  // nullptr: the message line is not set by the rules
        int nRewardedAfter;
    };
    const Case cases[] = {
        {"goal 0 with count 0 at the surface", 0, 0, 45.0f, 0, 0, -1, 0, "nivel1\\c.avi", true, "nivel1\\intro.avi",
         nullptr, 0},
        {"goal 0 met below the surface", 0, 0, 44.99f, 0, 0, -1, 0, "nivel1\\c.avi", false, "", nullptr, 0},
        {"goal 1, third fish hit", 1, 3, 50.0f, 0, 1, 2, 1, "nivel1\\c.avi", true, "nivel1\\intro.avi", nullptr, 1},
        {"goal 1 before any hit", 1, 0, 50.0f, 0, 0, -1, 0, "nivel1\\c.avi", false, "", nullptr, 0},
        {"goal 1, another fish hit last", 1, 3, 50.0f, 0, 2, 4, 2, "nivel1\\c.avi", false, "", nullptr, 2},
        {"a new catch at the surface", 2, 0, 46.0f, 0, 1, 0, 0, "nivel1\\c.avi", false, "nivel1\\c.avi",
         "ENHORABUENA !!!! LO PESCASTE", 1},
        {"a new catch, video named no", 2, 0, 46.0f, 0, 1, 0, 0, "nivel1\\no", false, "",
         "ENHORABUENA !!!! LO PESCASTE", 1},
        {"the catch that meets the goal has no video", 0, 1, 46.0f, 0, 1, 0, 0, "nivel1\\c.avi", true,
         "nivel1\\intro.avi", "ENHORABUENA !!!! LO PESCASTE", 0},
        {"a catch under water waits", 2, 0, 20.0f, 0, 1, 0, 0, "nivel1\\c.avi", false, "",
         "ENHORABUENA !!!! LO PESCASTE", 0},
        {"a dead diver at the surface meets no goal", 0, 0, 46.0f, 1, 0, -1, 0, "nivel1\\c.avi", false, "",
         "TE HAS AHOGADO !!!", 0},
        {"restart", 2, 0, 20.0f, 2, 0, -1, 0, "nivel1\\c.avi", true, "nivel1\\intro.avi", nullptr, 0},
    };
    for (const Case& c : cases) {
        gameResetProgramState();
        CGameApp& app = App();
        app.m_nGoalType = c.nGoalType;
        app.m_nGoalCount = c.nGoalValue;
        app.m_nGoalFish = c.nGoalValue;
        std::strcpy(app.m_szCatchVideo, c.szCatchVideo);
        std::strcpy(app.m_szDrownVideo, "nivel1\\piano");
        std::strcpy(app.m_szNextLevelDir, app.m_szLevelDir);
        app.m_VideoScreen.m_szMovieFile[0] = '\0';
        g_nRewardedCatches = c.nRewardedBefore;
        std::strcpy(g_szMessage, "-");
        CDiver& d = Diver();
        d.m_Transform.m_vPosition.y = c.fY;
        d.m_vLookDir = D3DXVECTOR3(0, 0, 1);
        d.m_iState = c.iState;
        d.m_iFishCaught = c.iCaught;
        d.m_iLastFishHit = c.iLastHit;
        d.m_fCalm = 77.0f;  // a new diver starts at 50
        app.m_Hud.m_fMessageTime = 0;
        Frame(app.m_fAppTime + 0.01f);
        EXPECT_EQ(app.Diver()->m_fCalm != 77.0f, c.bChanges) << c.szWhat;
        EXPECT_STREQ(app.m_VideoScreen.m_szMovieFile, c.szPlayed) << c.szWhat;
        EXPECT_EQ(g_nRewardedCatches, c.nRewardedAfter) << c.szWhat;
        if (c.szMessage) {
            EXPECT_STREQ(g_szMessage, c.szMessage) << c.szWhat;
        }
    }
}

TEST_F(RulesTest, MessagesShowOncePerRun) {
    Diver().m_iState = 1;
    std::strcpy(App().m_szDrownVideo, "nivel1\\ahogado.avi");
    App().m_bIntroStarted = 1;  // the first frame's intro would take the movie name
    Frame(0.1f);
    EXPECT_STREQ(App().m_VideoScreen.m_szMovieFile, "nivel1\\ahogado.avi");
    EXPECT_FLOAT_EQ(App().m_Hud.m_fMessageTime, 10.0f - 0.1f) << "the first underwater step counts it down";
    App().m_VideoScreen.m_szMovieFile[0] = '\0';
    Frame(0.2f);
    EXPECT_STREQ(App().m_VideoScreen.m_szMovieFile, "") << "the drowning video plays once";
}

TEST_F(RulesTest, WorldStepTimeAndPhase) {
    struct Case {
        float fAppTime, fPhase, fStep;
    };
    // The first step of the run has no length.
    const Case cases[] = {{1.0f, 1.0f, 0.0f},
                          {1.5f, 1.5f, 2.5f},
                          {6.2831855f, 6.2831855f, 23.915928f},
                          {7.0f, 0.7168145f, 3.5840724f},
                          {20.0f, 20.0f - 3 * 6.2831855f, 65.0f}};
    for (const Case& c : cases) {
        App().m_fAppTime = c.fAppTime;
        App().UpdateWorld();
        EXPECT_NEAR(App().m_fPhase, c.fPhase, 1e-5f) << c.fAppTime;
        EXPECT_NEAR(App().m_fGameStep, c.fStep, 1e-4f) << c.fAppTime;
    }
}

TEST_F(RulesTest, ModeSwitchTable) {
    struct Case {
        signed char bSurfaceBefore;
        float fY, fLookY;
        signed char bSurfaceAfter;
    };
    const Case cases[] = {
        {0, 45.0f, 0.01f, 1}, {0, 45.0f, 0.0f, 0},   {0, 44.99f, 0.5f, 0},
        {1, 45.0f, -0.6f, 1}, {1, 45.0f, -0.61f, 0}, {1, 10.0f, 0.3f, 1},
    };
    for (const Case& c : cases) {
        App().m_bSurfaceMode = c.bSurfaceBefore;
        Diver().m_Transform.m_vPosition.y = c.fY;
        Diver().m_vLookDir = D3DXVECTOR3(0, c.fLookY, std::sqrt(1 - c.fLookY * c.fLookY));
        Diver().m_Transform.m_vRotation = D3DXVECTOR3(0, 0, 0);
        // The stand-in diver recomputes its look direction from its rotation in its update.
        D3DXVECTOR3 vLook = Diver().m_vLookDir;
        App().UpdateWorld();
        Diver().m_vLookDir = vLook;
        EXPECT_EQ(App().m_bSurfaceMode, c.bSurfaceAfter) << c.bSurfaceBefore << " y " << c.fY << " look " << c.fLookY;
    }
}

TEST_F(RulesTest, ToggleKeysActOnThePressEdge) {
    // Held since the start: nothing until pressed again.
    Key('G', true);
    Key('H', true);
    App().UpdateWorld();
    EXPECT_EQ(App().m_bBuoyancyOff, 0);
    EXPECT_EQ(App().m_bHelpShown, 0);
    Key('G', false);
    Key('H', false);
    App().UpdateWorld();
    Key('G', true);
    Key('H', true);
    App().UpdateWorld();
    App().UpdateWorld();
    EXPECT_EQ(App().m_bBuoyancyOff, 1);
    EXPECT_EQ(App().m_bHelpShown, 1);
    EXPECT_STREQ(g_szMessage, "h para quitar la ayuda");
    EXPECT_FLOAT_EQ(App().m_Hud.m_fMessageTime, 40.0f);
    Key('H', false);
    App().UpdateWorld();
    Key('H', true);
    App().UpdateWorld();
    EXPECT_EQ(App().m_bHelpShown, 0);
    EXPECT_FLOAT_EQ(App().m_Hud.m_fMessageTime, 0.1f);

    // 'N' held for many steps asks once; the next frame changes the level.
    Key('N', false);
    App().UpdateWorld();
    Key('N', true);
    for (int i = 0; i < 10; ++i) App().UpdateWorld();
    EXPECT_EQ(g_bNextLevelRequested, 1);
    Frame(1.0f);
    EXPECT_STREQ(App().m_szLevelDir, "nivel2\\");
    EXPECT_EQ(g_bNextLevelRequested, 0);
    Frame(1.1f);
    EXPECT_STREQ(App().m_szLevelDir, "nivel2\\") << "held, it does not ask again";
}

TEST_F(RulesTest, MessageLineCountsDownToTheDefault) {
    hudSetMessage("x", 0.05f);
    Frame(0.02f);
    Frame(0.04f);
    EXPECT_STREQ(g_szMessage, "x");
    Frame(0.06f);
    Frame(0.08f);
    EXPECT_STREQ(g_szMessage, "tecla h para ayuda");
    // At the surface the time stands still.
    hudSetMessage("y", 0.05f);
    App().m_bSurfaceMode = 1;
    Diver().m_Transform.m_vPosition.y = 50;
    for (float t = 0.1f; t < 0.5f; t += 0.02f) {
        App().m_fAppTime = t;
        App().UpdateWorld();
    }
    EXPECT_FLOAT_EQ(App().m_Hud.m_fMessageTime, 0.05f);
}

TEST_F(RulesTest, LampToggleAndInput) {
    Key('L', true);
    for (int i = 0; i < 4; ++i) {
        App().UpdateWorld();
        EXPECT_EQ(App().m_Lamp.m_bOn, 1) << "held, it switches once; frame " << i;
    }
    Key('L', false);
    App().UpdateWorld();
    Key('L', true);
    App().UpdateWorld();
    EXPECT_EQ(App().m_Lamp.m_bOn, 0);
    // Windowed: the mouse turns nothing.
    App().HandleMessage(nullptr, WM_MOUSEMOVE, 0, 0);
    App().m_Input.Update();
    EXPECT_FLOAT_EQ(App().m_Input.m_vMouseDelta.x, 0);
    App().HandleMessage(nullptr, WM_RBUTTONDOWN, 0, 0);
    App().HandleMessage(nullptr, WM_LBUTTONDOWN, 0, 0);
    EXPECT_TRUE(App().m_Input.m_bKeys[kKeyRightButton]);
    EXPECT_TRUE(App().m_Input.m_bKeys[kKeyLeftButton]);
    // Full screen: with the right button held a move looks around; an update without movement has no
    // delta, so the head stops turning.
    App().m_bWindowedMode = FALSE;
    App().HandleMessage(nullptr, WM_MOUSEMOVE, 0, 0);
    App().m_Input.Update();
    EXPECT_NE(App().m_Input.m_vMouseDeltaRight, D3DXVECTOR3(0, 0, 0));
    EXPECT_EQ(App().m_Input.m_vMouseDelta, D3DXVECTOR3(0, 0, 0));
    App().m_Input.Update();
    EXPECT_EQ(App().m_Input.m_vMouseDeltaRight, D3DXVECTOR3(0, 0, 0));
    App().HandleMessage(nullptr, WM_RBUTTONUP, 0, 0);
    App().HandleMessage(nullptr, WM_MOUSEMOVE, 0, 0);
    App().m_Input.Update();
    EXPECT_NE(App().m_Input.m_vMouseDelta, D3DXVECTOR3(0, 0, 0)) << "without the button a move turns the body";
    EXPECT_EQ(App().m_Input.m_vMouseDeltaRight, D3DXVECTOR3(0, 0, 0));
    App().m_bWindowedMode = TRUE;
    App().HandleMessage(nullptr, WM_KEYDOWN, 300, 0);  // no such key: nothing written
    App().HandleMessage(nullptr, WM_KILLFOCUS, 0, 0);
    EXPECT_FALSE(App().m_Input.m_bKeys['L']) << "losing the keyboard releases every key";
}

TEST(CheckDeviceCaps, VertexShadersNeededForHardwareProcessing) {
    std::filesystem::path old = std::filesystem::current_path();
    std::filesystem::current_path(std::filesystem::temp_directory_path());
    {
        CGameApp app;
        D3DCAPS8 caps{};
        for (DWORD dwBehaviour : {0x40u, 0x50u, 0x80u}) {
            caps.VertexShaderVersion = 0xFFFE0000;
            EXPECT_EQ(app.CheckDeviceCaps(&caps, dwBehaviour, D3DFMT_X8R8G8B8), E_FAIL) << dwBehaviour;
            caps.VertexShaderVersion = 0xFFFE0100;
            EXPECT_EQ(app.CheckDeviceCaps(&caps, dwBehaviour, D3DFMT_X8R8G8B8), 0) << dwBehaviour;
        }
        caps.VertexShaderVersion = 0;
        EXPECT_EQ(app.CheckDeviceCaps(&caps, 0x20, D3DFMT_X8R8G8B8), 0);
    }
    std::filesystem::current_path(old);
}

// The catch message: shown for 5 s at the first catch of the run, under water or not, and never
// again in the run, not even after a level change.
TEST_F(RulesTest, CatchMessageOncePerRunForFiveSeconds) {
    CDiver* pDiver = App().Diver();
    pDiver->m_Transform.m_vPosition.y = 20;
    pDiver->m_iFishCaught = 1;
    Frame(0.25f);
    EXPECT_STREQ(g_szMessage, "ENHORABUENA !!!! LO PESCASTE");
    EXPECT_FLOAT_EQ(App().m_Hud.m_fMessageTime, 5.0f - 0.25f) << "the underwater step counts it down";
    std::strcpy(g_szMessage, "-");
    App().m_Hud.m_fMessageTime = 20;
    App().Diver()->m_iFishCaught = 2;
    Frame(0.3f);
    EXPECT_STREQ(g_szMessage, "-") << "the second catch shows nothing";
    ASSERT_EQ(App().ChangeLevel(), 0);
    App().m_Hud.m_fMessageTime = 20;
    App().Diver()->m_Transform.m_vPosition.y = 20;
    App().Diver()->m_iFishCaught = 1;
    Frame(0.4f);
    EXPECT_STREQ(g_szMessage, "-") << "nor a catch in the next level";
}

}  // namespace
