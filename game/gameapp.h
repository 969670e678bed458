// The game application: level settings, the lists of level objects, the member objects that live
// for the whole run and the device resources every renderer shares.
#pragma once

#include "framework/d3dapp.h"
#include "game/boat.h"
#include "game/boatgui.h"
#include "game/camera.h"
#include "game/diver.h"
#include "fish/fish.h"
#include "game/hud.h"
#include "game/movingrock.h"
#include "game/seasky.h"
#include "game/spear.h"
#include "game/surfaceplane.h"
#include "game/terrain.h"
#include "game/underwater.h"
#include "game/videoscreen.h"

class CTextureFont;

constexpr int kLevelDirLength = 256;
constexpr int kCausticFrames = 32;
constexpr float kSeaLevel = 45.0f;
// Values of CGameApp::m_nGoalType, as the level file gives them: catch m_nGoalCount fish, or hit
// fish number m_nGoalFish (counted from 1); kGoalNone until a level is read.
enum : int { kGoalNone = -1, kGoalCatchCount = 0, kGoalGivenFish = 1 };

class CGameApp : public CD3DApp {
public:
    CGameApp();
    // The program never destroys its one application; tests do, and nothing of a level stays behind.
    ~CGameApp();

    HRESULT AfterCreate() override;
    HRESULT CheckDeviceCaps(const D3DCAPS8* pCaps, DWORD dwBehavior, D3DFORMAT Format) override;
    HRESULT InitApp() override;
    HRESULT OnDeviceCreated() override;
    HRESULT OnDeviceReset() override;
    HRESULT UpdateFrame() override;
    HRESULT RenderScene() override;
    HRESULT OnDeviceLost() override;
    HRESULT OnDeviceDestroyed() override;
    HRESULT ShutdownApp() override;
    LRESULT HandleMessage(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) override;

    // Level files and level change.
    int LoadLevel();
    int ReadLevelFile();
    int ReadRockFile();
    int ChangeLevel();
    // Rules and the world step.
    int UpdateWorld();
    int HandleToggleKeys();
    int RenderWorld();
    // The life-cycle workers.
    int ResetObjects();
    int StartObjects();
    int LoadObjects();
    int RestoreObjects();
    int InvalidateObjects();
    int DestroyObjects();
    int FreeLevel();
    int SetupVertexShaders();
    int CreateVertexShaders();

    // Empty one list, deleting its objects (and their mesh holders and collision models).
    void FreeRocks();
    void FreeFish();
    void FreeMovingRocks();
    void FreeBoatGui();
    // Every mesh holder of the level, in the fixed holder order.
    template <class F> void ForEachMeshHolder(F fn);

    // The player, or nullptr while no level is loaded.
    CDiver* Diver() const { return m_nDivers > 0 && m_ppDivers ? m_ppDivers[0] : nullptr; }
    // 0 once the first level was read; else the failure, with lvlLastError() saying why.
    HRESULT LevelStatus() const { return m_hrLevel; }

    // The framework's state the game objects read.
    using CD3DApp::m_backBufferDesc;
    using CD3DApp::m_bWindowedMode;
    using CD3DApp::m_deviceCaps;
    using CD3DApp::m_dwInitHeight;
    using CD3DApp::m_dwInitWidth;
    using CD3DApp::m_fAppTime;
    using CD3DApp::m_fFrameTime;
    using CD3DApp::m_hWnd;
    using CD3DApp::m_pDevice;
    using CD3DApp::m_szFrameText;

    DWORD m_dwVSSeafloor, m_dwVSSeafloor2, m_dwVSObjects, m_dwVSObjects2, m_dwVSFish, m_dwVSFish2, m_dwVSSea,
        m_dwVSSea2;
    signed char m_bBuoyancyOff;
    signed char m_bSurfaceMode;
    signed char m_bTerrainFullDetail;
    signed char m_bTerrainNormals;
    signed char m_bHelpShown;
    char m_szLevelDir[kLevelDirLength];
    char m_szNextLevelDir[kLevelDirLength];
    int m_nGoalType;
    int m_nGoalCount;
    int m_nGoalFish;
    char m_szIntroVideo[kLevelDirLength];
    char m_szCatchVideo[kLevelDirLength];
    char m_szDrownVideo[kLevelDirLength];
    int m_anWaterColor[3];
    float m_afLevelColorA[3];
    float m_afLevelColorB[3];
    float m_fFogStart;
    float m_fFogEnd;
    float m_fMaxAir;
    float m_fBallast;
    float m_fCurrentX;
    float m_fCurrentZ;
    int m_nTextRefWidth;
    int m_nTextRefHeight;
    signed char m_bIntroStarted;
    D3DXMATRIX m_matProj;
    D3DXMATRIX m_matProjTransposed;
    CTextureFont* m_pFont;
    CDiverCamera m_Camera;
    CLights m_Lights;
    CSceneObject** m_ppRocks;
    int m_nRocks;
    CSpear** m_ppSpears;
    int m_nSpears;
    CDiver** m_ppDivers;
    int m_nDivers;
    CFish** m_ppFish;
    int m_nFish;
    CMovingRock** m_ppMovingRocks;
    int m_nMovingRocks;
    CBoatGuiElement** m_ppBoatGui;
    int m_nBoatGui;
    D3DXVECTOR3* m_pMapPoints;
    int m_nMapPoints;
    CBoat m_Boat;
    CSeaSky* m_pSeaSky;
    CTerrain* m_pTerrain;
    CSurfacePlane m_SurfacePlane;
    CHudGauges m_Hud;
    CVideoScreen m_VideoScreen;
    CUnderwaterScene m_UnderwaterScene;
    CWaypointGraph m_WaypointGraph;
    CInput m_Input;
    CLamp m_Lamp;
    float m_fLastTime;
    float m_fGameStep;
    float m_fPhase;
    IDirect3DTexture8* m_apCausticTex[kCausticFrames];
    IDirect3DTexture8* m_pCausticTex;
    int m_nRenderPass;

private:
    void FreeSingles();
    void PublishRocks();
    HRESULT m_hrLevel;
};

extern CGameApp* g_pApp;

// Level-rule state that lives for the whole program.
extern signed char g_bNextLevelRequested;
extern int g_nRewardedCatches;
extern int g_bCatchMessageShown;
extern int g_bDrownMessageShown;
// Puts the program-wide rule and key state back to its program-start values (for tests).
void gameResetProgramState();

int WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow);

template <class F> void CGameApp::ForEachMeshHolder(F fn) {
    for (int i = 0; i < m_nRocks; ++i) fn(m_ppRocks[i]->m_pMesh[0]);
    for (int i = 0; i < m_nSpears; ++i) fn(m_ppSpears[i]->m_pMesh[0]);
    for (int i = 0; i < m_nDivers; ++i) fn(m_ppDivers[i]->m_pMesh[0]);
    for (int i = 0; i < m_nFish; ++i)
        for (CD3DFileMesh*& pMesh : m_ppFish[i]->m_pMesh) fn(pMesh);
    for (int i = 0; i < m_nMovingRocks; ++i)
        for (CD3DFileMesh*& pMesh : m_ppMovingRocks[i]->m_pMesh) fn(pMesh);
    for (int i = 0; i < m_nBoatGui; ++i) fn(m_ppBoatGui[i]->m_pMesh[0]);
    fn(m_Boat.m_pMesh[0]);
}
