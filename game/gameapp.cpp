#include "game/gameapp.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "pathsearch/pathrocks.h"
#include "framework/apperrors.h"
#include "game/levelread.h"

CGameApp* g_pApp = nullptr;

namespace {
// The rock list as the fish's path search sees it.
std::vector<PathRock> g_vPathRocks;
}  // namespace

CGameApp::CGameApp()
    : m_dwVSSeafloor(0), m_dwVSSeafloor2(0), m_dwVSObjects(0), m_dwVSObjects2(0), m_dwVSFish(0), m_dwVSFish2(0),
      m_dwVSSea(0), m_dwVSSea2(0), m_bBuoyancyOff(0), m_bSurfaceMode(0), m_bTerrainFullDetail(1), m_bTerrainNormals(0),
      m_bHelpShown(0), m_szLevelDir{}, m_szNextLevelDir{}, m_nGoalType(kGoalNone), m_nGoalCount(0), m_nGoalFish(0),
      m_szIntroVideo{}, m_szCatchVideo{}, m_szDrownVideo{}, m_anWaterColor{}, m_afLevelColorA{}, m_afLevelColorB{},
      m_fFogStart(0), m_fFogEnd(1), m_fMaxAir(0), m_fBallast(0), m_fCurrentX(0), m_fCurrentZ(0), m_nTextRefWidth(1024),
      m_nTextRefHeight(768), m_bIntroStarted(0), m_pFont(nullptr), m_ppRocks(nullptr), m_nRocks(0), m_ppSpears(nullptr),
      m_nSpears(0), m_ppDivers(nullptr), m_nDivers(0), m_ppFish(nullptr), m_nFish(0), m_ppMovingRocks(nullptr),
      m_nMovingRocks(0), m_ppBoatGui(nullptr), m_nBoatGui(0), m_pMapPoints(nullptr), m_nMapPoints(0),
      m_pSeaSky(nullptr), m_pTerrain(nullptr), m_fLastTime(0), m_fGameStep(0), m_fPhase(0), m_apCausticTex{},
      m_pCausticTex(nullptr), m_nRenderPass(1), m_hrLevel(0) {
    D3DXMatrixIdentity(&m_matProj);
    D3DXMatrixIdentity(&m_matProjTransposed);
    m_pszTitle = "Abisalia";
    m_bNeedDepthBuffer = 1;
    g_pApp = this;
    std::strcpy(m_szLevelDir, "nivel1\\");
    m_hrLevel = LoadLevel();
    m_bBuoyancyOff = 0;
    m_bSurfaceMode = 0;
    m_bTerrainFullDetail = 1;
    m_bTerrainNormals = 0;
    m_bHelpShown = 0;
    m_bIntroStarted = 0;
}

CGameApp::~CGameApp() {
    FreeLevel();
    if (g_pApp == this) g_pApp = nullptr;
}

HRESULT CGameApp::AfterCreate() { return StartObjects(); }

HRESULT CGameApp::CheckDeviceCaps(const D3DCAPS8* pCaps, DWORD dwBehavior, D3DFORMAT) {
    const bool bHardware = (dwBehavior & (D3DCREATE_HARDWARE_VERTEXPROCESSING | D3DCREATE_MIXED_VERTEXPROCESSING)) != 0;
    if (bHardware && pCaps->VertexShaderVersion < D3DVS_VERSION(1, 0)) return E_FAIL;
    return 0;
}

HRESULT CGameApp::InitApp() { return ResetObjects(); }

HRESULT CGameApp::OnDeviceCreated() { return LoadObjects(); }

HRESULT CGameApp::OnDeviceReset() { return RestoreObjects(); }

HRESULT CGameApp::RenderScene() { return RenderWorld(); }

HRESULT CGameApp::OnDeviceLost() { return InvalidateObjects(); }

HRESULT CGameApp::OnDeviceDestroyed() { return DestroyObjects(); }

HRESULT CGameApp::ShutdownApp() { return FreeLevel(); }

LRESULT CGameApp::HandleMessage(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    m_Input.Record(uMsg, wParam);
    // Keys released while another window has the keyboard never send their key-up here.
    if (uMsg == WM_KILLFOCUS || (uMsg == WM_ACTIVATEAPP && wParam == 0)) m_Input.ReleaseAll();
    return CD3DApp::HandleMessage(hWnd, uMsg, wParam, lParam);
}

void CGameApp::PublishRocks() {
    g_vPathRocks.clear();
    for (int i = 0; i < m_nRocks; ++i)
        if (m_ppRocks[i]->m_pCollisionModel)
            g_vPathRocks.push_back({m_ppRocks[i]->m_pCollisionModel, &m_ppRocks[i]->m_Transform.m_matWorld._11});
    g_pPathRocks = g_vPathRocks.empty() ? nullptr : g_vPathRocks.data();
    g_nPathRocks = static_cast<int>(g_vPathRocks.size());
}

int WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int) {
    CGameApp app;
    if (FAILED(app.LevelStatus())) {
        char szText[512];
        std::snprintf(szText, sizeof szText, "Could not load the first level.\n\n%s\n\nThis sample will now exit.",
                      lvlLastError());
        MessageBoxA(nullptr, szText, "Abisalia", MB_OK | MB_ICONERROR);
        return 0;
    }
    if (FAILED(app.Create(hInstance))) return 0;
    return app.Run();
}
