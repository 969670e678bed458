// The level rules applied before anything moves, the world step and the toggle keys.
#include <cmath>
#include <cstring>

#include "game/diver.h"
#include "game/gameapp.h"
#include "game/levelread.h"

signed char g_bNextLevelRequested = 0;
int g_nRewardedCatches = 0;
int g_bCatchMessageShown = 0;
int g_bDrownMessageShown = 0;

namespace {
// Whether the toggle keys were down in the last world step, and whether no world step has run yet.
signed char s_bGWasDown = 1, s_bHWasDown = 1, s_bNWasDown = 1;
int s_bFirstWorldStep = 1;
}  // namespace

void gameResetProgramState() {
    g_bNextLevelRequested = 0;
    g_nRewardedCatches = 0;
    g_bCatchMessageShown = 0;
    g_bDrownMessageShown = 0;
    s_bGWasDown = s_bHWasDown = s_bNWasDown = 1;
    s_bFirstWorldStep = 1;
    s_bLWasDown = 0;
    s_bVWasDown = 0;
    divResetProgramState();
}

namespace {
constexpr float kTwoPi = 6.2831855f;
// Beyond this the subtraction loop would take too long (and stop changing the value at all).
constexpr float kPhaseLoopLimit = 1.0e6f;
}  // namespace

HRESULT CGameApp::UpdateFrame() {
    CDiver* pDiver = Diver();
    if (!pDiver) return 0;
    if (pDiver->m_iFishCaught > g_nRewardedCatches && g_bCatchMessageShown == 0) {
        hudSetMessage("ENHORABUENA !!!! LO PESCASTE", 5.0f);
        g_bCatchMessageShown = 1;
    }
    if (g_bNextLevelRequested == 1) {
        g_bNextLevelRequested = 0;
        return ChangeLevel();
    }
    if (pDiver->m_iState == kDiverAlive && pDiver->m_Transform.m_vPosition.y >= kSeaLevel) {
        if (m_nGoalType == kGoalCatchCount && pDiver->m_iFishCaught >= m_nGoalCount) {
            return ChangeLevel();
        }
        if (m_nGoalType == kGoalGivenFish && pDiver->m_iLastFishHit >= 0 && pDiver->m_iLastFishHit + 1 == m_nGoalFish) {
            return ChangeLevel();
        }
        if (pDiver->m_iFishCaught > g_nRewardedCatches) {
            g_nRewardedCatches = pDiver->m_iFishCaught;
            if (!lvlNoVideo(m_szCatchVideo)) m_VideoScreen.Play(-0.45f, -0.45f, 0.4f, m_szCatchVideo);
        }
    }
    if (pDiver->m_iState == kDiverOutOfAir && g_bDrownMessageShown == 0) {
        if (!lvlNoVideo(m_szDrownVideo)) m_VideoScreen.Play(-0.45f, -0.45f, 0.4f, m_szDrownVideo);
        hudSetMessage("TE HAS AHOGADO !!!", 10.0f);
        g_bDrownMessageShown = 1;
    }
    if (pDiver->m_iState == kDiverRestart) {
        std::strcpy(m_szNextLevelDir, m_szLevelDir);
        return ChangeLevel();
    }
    return UpdateWorld();
}

int CGameApp::UpdateWorld() {
    if (s_bFirstWorldStep == 1) {
        m_fLastTime = m_fAppTime;
        s_bFirstWorldStep = 0;
    }
    m_fGameStep = (m_fAppTime - m_fLastTime) * 5.0f;
    m_fLastTime = m_fAppTime;
    m_fPhase = m_fAppTime;
    if (m_fPhase > kPhaseLoopLimit) m_fPhase = std::fmod(m_fPhase, kTwoPi);
    while (m_fPhase > kTwoPi) m_fPhase = m_fPhase - kTwoPi;

    const CDiver* pDiver = Diver();
    if (!pDiver) return 0;
    int hr = 0;
    if (m_bSurfaceMode == 0) {
        if (pDiver->m_Transform.m_vPosition.y >= kSeaLevel && pDiver->m_vLookDir.y > 0.0f) {
            m_bSurfaceMode = 1;
            scnEnterSurface();
        }
        hr = m_UnderwaterScene.Update();
    } else {
        if (-pDiver->m_vLookDir.y > 0.6f) {
            m_bSurfaceMode = 0;
            m_UnderwaterScene.Enter();
        }
        hr = scnUpdateSurface();
    }
    if (hr != 0) return hr;
    HandleToggleKeys();
    return 0;
}

int CGameApp::HandleToggleKeys() {
    const bool* pKeys = m_Input.m_bKeys;
    if (pKeys['G'] && !s_bGWasDown) m_bBuoyancyOff = static_cast<signed char>((m_bBuoyancyOff + 1) % 2);
    s_bGWasDown = pKeys['G'] ? 1 : 0;
    if (pKeys['H'] && !s_bHWasDown) {
        m_bHelpShown = static_cast<signed char>((m_bHelpShown + 1) % 2);
        if (m_bHelpShown == 1)
            hudSetMessage("h para quitar la ayuda", 40.0f);
        else
            m_Hud.m_fMessageTime = 0.1f;
    }
    s_bHWasDown = pKeys['H'] ? 1 : 0;
    if (pKeys['N'] && !s_bNWasDown) g_bNextLevelRequested = 1;
    s_bNWasDown = pKeys['N'] ? 1 : 0;
    return 0;
}

int CGameApp::RenderWorld() {
    const int hr = m_bSurfaceMode != 0 ? scnRenderSurface() : m_UnderwaterScene.Render();
    return hr != 0 ? hr : 0;
}
