// The life-cycle workers: each visits every object kind in a fixed order and calls that kind's
// operation of the same phase.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <cstdlib>

#include "d3dx8/texturecache.h"
#include "pathsearch/pathrocks.h"
#include "framework/apperrors.h"
#include "framework/d3dfile.h"
#include "framework/d3dfont.h"
#include "framework/d3dutil.h"
#include "game/gameapp.h"
#include "game/vsconsts.h"

int CGameApp::ResetObjects() {
    for (int i = 0; i < m_nRocks; ++i) m_ppRocks[i]->Reset(m_ppRocks[i]->m_vStartPosition);
    for (int i = 0; i < m_nMovingRocks; ++i) m_ppMovingRocks[i]->Reset(m_ppMovingRocks[i]->m_vStartPosition);
    for (int i = 0; i < m_nBoatGui; ++i) m_ppBoatGui[i]->Reset(m_ppBoatGui[i]->m_vStartPosition);
    for (int i = 0; i < m_nSpears; ++i) m_ppSpears[i]->Reset(m_ppSpears[i]->m_vStartPosition);
    for (int i = 0; i < m_nDivers; ++i) m_ppDivers[i]->Reset(m_ppDivers[i]->m_vStartPosition);
    if (m_pTerrain) m_pTerrain->Reset(m_pTerrain->m_vStartPosition);
    m_SurfacePlane.Reset(m_SurfacePlane.m_vStartPosition);
    m_Hud.Reset(m_Hud.m_vStartPosition);
    m_VideoScreen.Reset(m_VideoScreen.m_vStartPosition);
    return 0;
}

int CGameApp::StartObjects() {
    for (int i = 0; i < m_nRocks; ++i) m_ppRocks[i]->Start();
    for (int i = 0; i < m_nSpears; ++i) m_ppSpears[i]->Start();
    for (int i = 0; i < m_nDivers; ++i) m_ppDivers[i]->Start();
    for (int i = 0; i < m_nFish; ++i) m_ppFish[i]->Start();
    for (int i = 0; i < m_nMovingRocks; ++i) m_ppMovingRocks[i]->Start();
    for (int i = 0; i < m_nBoatGui; ++i) m_ppBoatGui[i]->Start();
    m_Boat.Start();
    if (m_pSeaSky) m_pSeaSky->Start();
    if (m_pTerrain) m_pTerrain->Start();
    m_SurfacePlane.Start();
    m_Hud.Start();
    m_VideoScreen.Start();
    m_WaypointGraph.Start();
    return 0;
}

int CGameApp::LoadObjects() {
    // A level whose textures pass what a device may hold (each refusal names its file) is
    // refused as a whole, as one without a required file is.
    const std::uint64_t nRefusedBefore = d3dx::FileTextureRefusals();
    for (int i = 0; i < m_nRocks; ++i) m_ppRocks[i]->Load(m_ppRocks[i]->m_szMeshFile[0]);
    for (int i = 0; i < m_nSpears; ++i) m_ppSpears[i]->Load(m_ppSpears[i]->m_szMeshFile[0]);
    for (int i = 0; i < m_nDivers; ++i) m_ppDivers[i]->Load(m_ppDivers[i]->m_szMeshFile[0]);
    for (int i = 0; i < m_nFish; ++i) m_ppFish[i]->Load(m_ppFish[i]->m_szMeshFile[0]);
    for (int i = 0; i < m_nMovingRocks; ++i) m_ppMovingRocks[i]->Load(m_ppMovingRocks[i]->m_szMeshFile[0]);
    for (int i = 0; i < m_nBoatGui; ++i) m_ppBoatGui[i]->Load(m_ppBoatGui[i]->m_szMeshFile[0]);
    m_Boat.Load(m_Boat.m_szMeshFile[0]);
    if (m_pSeaSky) m_pSeaSky->Load(m_pSeaSky->m_szMeshFile[0]);
    if (m_pTerrain) m_pTerrain->Load(m_pTerrain->m_szMeshFile[0]);
    m_SurfacePlane.Load(m_SurfacePlane.m_szMeshFile[0]);
    m_Hud.Load(m_Hud.m_szMeshFile[0]);
    m_VideoScreen.Load(m_VideoScreen.m_szMeshFile[0]);
    PublishRocks();

    // A re-created device brings a new font: the old one goes first.
    delete m_pFont;
    m_pFont = new CTextureFont("Arial", 11, 1);
    m_pFont->Load(m_pDevice);

    for (int i = 0; i < kCausticFrames; ++i) {
        char szName[32];
        std::snprintf(szName, sizeof szName, "Caust%02d.tga", i);
        if (m_apCausticTex[i]) continue;
        if (FAILED(gfxCreateTexture(m_pDevice, szName, &m_apCausticTex[i], D3DFMT_UNKNOWN))) {
            m_apCausticTex[i] = nullptr;
            return AppErrMediaNotFound;
        }
    }
    // A re-created device may draw before the next world step picks a frame.
    m_pCausticTex = m_apCausticTex[scnCausticFrame(m_fAppTime)];
    if (d3dx::FileTextureRefusals() != nRefusedBefore) return AppErrMediaNotFound;
    return 0;
}

int CGameApp::RestoreObjects() {
    if (m_pFont) m_pFont->Restore();
    m_Lights.Restore();
    ForEachMeshHolder([this](CD3DFileMesh*& pMesh) {
        if (pMesh) pMesh->Restore(m_pDevice);
    });
    m_UnderwaterScene.Enter();
    if (m_bSurfaceMode == 1) scnEnterSurface();
    // A reset clears the constants; the lamp keeps its state.
    m_Lamp.Resend();
    int hr;
    if (m_pTerrain && (hr = m_pTerrain->Restore()) != 0) return hr;
    if ((hr = m_SurfacePlane.Restore()) != 0) return hr;
    if ((hr = m_Hud.Restore()) != 0) return hr;
    if ((hr = m_VideoScreen.Restore()) != 0) return hr;
    if (m_pSeaSky && (hr = m_pSeaSky->Restore()) != 0) return hr;
    return SetupVertexShaders();
}

int CGameApp::InvalidateObjects() {
    if (m_pFont) m_pFont->Invalidate();
    ForEachMeshHolder([](CD3DFileMesh*& pMesh) {
        if (pMesh) pMesh->Invalidate();
    });
    if (m_pSeaSky) m_pSeaSky->Invalidate();
    if (m_pTerrain) m_pTerrain->Invalidate();
    m_SurfacePlane.Invalidate();
    m_Hud.Invalidate();
    m_VideoScreen.Invalidate();
    for (DWORD* pdwHandle : {&m_dwVSFish, &m_dwVSFish2, &m_dwVSSeafloor, &m_dwVSSeafloor2, &m_dwVSObjects,
                             &m_dwVSObjects2, &m_dwVSSea, &m_dwVSSea2})
        if (*pdwHandle) {
            if (m_pDevice) m_pDevice->DeleteVertexShader(*pdwHandle);
            *pdwHandle = 0;
        }
    return 0;
}

int CGameApp::DestroyObjects() {
    if (m_pFont) m_pFont->Destroy();
    auto destroy = [](CSceneObject* pObject, int nMeshes) {
        for (int k = 0; k < nMeshes; ++k)
            if (pObject->m_pMesh[k]) pObject->m_pMesh[k]->Destroy();
        pObject->ReleaseDeviceData(nMeshes);
    };
    for (int i = 0; i < m_nRocks; ++i) destroy(m_ppRocks[i], 1);
    for (int i = 0; i < m_nSpears; ++i) destroy(m_ppSpears[i], 1);
    for (int i = 0; i < m_nDivers; ++i) destroy(m_ppDivers[i], 1);
    for (int i = 0; i < m_nFish; ++i) destroy(m_ppFish[i], 3);
    for (int i = 0; i < m_nMovingRocks; ++i) destroy(m_ppMovingRocks[i], 3);
    for (int i = 0; i < m_nBoatGui; ++i) destroy(m_ppBoatGui[i], 1);
    destroy(&m_Boat, 1);
    for (IDirect3DTexture8*& pTex : m_apCausticTex)
        if (pTex) {
            pTex->Release();
            pTex = nullptr;
        }
    m_pCausticTex = nullptr;
    if (m_pTerrain) m_pTerrain->Destroy();
    m_Hud.Destroy();
    m_VideoScreen.Destroy();
    if (m_pSeaSky) m_pSeaSky->Destroy();
    return 0;
}

int CGameApp::FreeLevel() {
    delete m_pFont;
    m_pFont = nullptr;
    g_pPathRocks = nullptr;
    g_nPathRocks = 0;
    FreeRocks();
    FreeSingles();
    FreeFish();
    FreeMovingRocks();
    FreeBoatGui();
    m_WaypointGraph.FreeData();
    delete m_Boat.m_pMesh[0];
    m_Boat.m_pMesh[0] = nullptr;
    if (m_pTerrain) m_pTerrain->FreeData();
    delete m_pTerrain;
    m_pTerrain = nullptr;
    delete m_pSeaSky;
    m_pSeaSky = nullptr;
    return 0;
}

int CGameApp::SetupVertexShaders() { return CreateVertexShaders(); }

int CGameApp::CreateVertexShaders() {
    struct ShaderFile {
        const char* szName;
        const DWORD* pdwDecl;
        DWORD* pdwHandle;
    };
    DWORD adwDeclSea[sizeof g_adwVSDeclOneStream / sizeof(DWORD)];
    std::copy(std::begin(g_adwVSDeclOneStream), std::end(g_adwVSDeclOneStream), adwDeclSea);
    const ShaderFile aFiles[8] = {
        {"peces.vsh", g_adwVSDeclThreeStreams, &m_dwVSFish},
        {"peces2.vsh", g_adwVSDeclThreeStreams, &m_dwVSFish2},
        {"suelo1.vsh", g_adwVSDeclOneStream, &m_dwVSSeafloor},
        {"suelo2.vsh", g_adwVSDeclOneStream, &m_dwVSSeafloor2},
        {"objetos.vsh", g_adwVSDeclOneStream, &m_dwVSObjects},
        {"objetos2.vsh", g_adwVSDeclOneStream, &m_dwVSObjects2},
        {"mar.vsh", adwDeclSea, &m_dwVSSea},
        {"mar2.vsh", adwDeclSea, &m_dwVSSea2},
    };
    for (const ShaderFile& f : aFiles) {
        const HRESULT hr = gfxCreateVertexShader(m_pDevice, f.szName, f.pdwDecl, f.pdwHandle);
        if (FAILED(hr)) return hr;
    }
    return 0;
}
