#include "game/videoscreen.h"

#include <cstring>

#include "d3dx8/d3dx8.h"
#include "game/gameapp.h"
#include "game/videotexture.h"
#include "game/vsconsts.h"

float g_fVideoX = -0.45f;
float g_fVideoY = -0.45f;
float g_fVideoSize = 0.9f;
float g_fVideoAspect = 4.0f / 3.0f;
signed char s_bVWasDown = 0;

CVideoScreen::CVideoScreen()
    : m_dwQuadVertices(4), m_dwQuadFaces(2), m_pQuadIB(nullptr), m_pMovieTexture(nullptr), m_szMovieFile{},
      m_bPlaying(false) {
    scnSetScreenSpace(&m_matProj, &m_matWorld2D, &m_matView2D);
}

int CVideoScreen::Reset(D3DXVECTOR3) {
    scnSetScreenSpace(&m_matProj, &m_matWorld2D, &m_matView2D);
    return 0;
}

int CVideoScreen::Start() { return 0; }
int CVideoScreen::Load(const char*) { return 0; }
int CVideoScreen::Destroy() { return 0; }

int CVideoScreen::WriteQuad() {
    BYTE* p = nullptr;
    HRESULT hr;
    if (FAILED(hr = m_pVB[0]->Lock(0, 0, &p, 0))) return hr;
    const float x = g_fVideoX, y = g_fVideoY, s = g_fVideoSize, w = g_fVideoSize * g_fVideoAspect;
    auto* pV = reinterpret_cast<SceneVertex*>(p);
    pV[0] = {x, y, 0.01f, 0, 1, 1, 0, 0};
    pV[1] = {x + w, y, 0.01f, 0, 1, 1, 1, 0};
    pV[2] = {x + w, y + s, 0.01f, 0, 1, 1, 1, 1};
    pV[3] = {x, y + s, 0.01f, 0, 1, 1, 0, 1};
    return m_pVB[0]->Unlock();
}

int CVideoScreen::Restore() {
    IDirect3DDevice8* pDevice = g_pApp->m_pDevice;
    HRESULT hr = scnCreateQuadIndices(pDevice, &m_pQuadIB);
    if (FAILED(hr)) return hr;
    hr = pDevice->CreateVertexBuffer(4 * kSceneVertexSize, 0, kSceneFVF, D3DPOOL_MANAGED, &m_pVB[0]);
    if (FAILED(hr)) {
        m_pVB[0] = nullptr;
        return hr;
    }
    if (FAILED(hr = WriteQuad())) return hr;
    m_dwQuadVertices = 4;
    m_dwQuadFaces = 2;
    return 0;
}

void CVideoScreen::Stop() {
    vidCleanup();
    if (m_pMovieTexture) {
        m_pMovieTexture->Release();
        m_pMovieTexture = nullptr;
    }
    m_bPlaying = 0;
}

int CVideoScreen::Invalidate() {
    if (m_pVB[0]) {
        m_pVB[0]->Release();
        m_pVB[0] = nullptr;
    }
    if (m_pQuadIB) {
        m_pQuadIB->Release();
        m_pQuadIB = nullptr;
    }
    if (m_bPlaying == 1) Stop();
    return 0;
}

int CVideoScreen::Play(float fX, float fY, float fSize, const char* szFile) {
    g_fVideoX = fX;
    g_fVideoY = fY;
    g_fVideoSize = fSize;
    // Without a device there is no quad to show a movie on.
    if (!m_pVB[0]) return E_FAIL;
    if (const HRESULT hr = WriteQuad(); FAILED(hr)) return hr;
    // One graph at a time: a movie started over another stops it first.
    if (m_bPlaying == 1) Stop();
    std::strncpy(m_szMovieFile, szFile, sizeof m_szMovieFile - 1);
    m_szMovieFile[sizeof m_szMovieFile - 1] = '\0';
    if (FAILED(vidBuildGraph(m_pMovieTexture))) {
        // A texture the failed connection made goes with it.
        Stop();
        return E_FAIL;
    }
    m_bPlaying = 1;
    hudSetMessage("v para activar/desactivar video", 10.0f);
    return 0;
}

int CVideoScreen::Update() {
    if (g_pApp->m_bIntroStarted == 0) {
        g_pApp->m_bIntroStarted = 1;
        Play(-0.45f, -0.45f, 0.4f, g_pApp->m_szIntroVideo);
    }
    if (m_bPlaying == 1 && vidCheckStatus() == 2) Stop();
    if (g_pApp->m_Input.m_bKeys['V']) {
        if (s_bVWasDown == 0) {
            s_bVWasDown = 1;
            if (m_bPlaying == 1) {
                g_pApp->m_Hud.m_fMessageTime = 0.1f;
                Stop();
            } else {
                Play(-0.45f, -0.45f, 0.4f, g_pApp->m_szIntroVideo);
            }
        }
    } else {
        s_bVWasDown = 0;
    }
    return 0;
}

int CVideoScreen::Render() {
    if (m_bPlaying != 1) return 0;
    IDirect3DDevice8* pDevice = g_pApp->m_pDevice;
    static const D3DXVECTOR4 vLight(0.8f, 0.8f, 0.8f, 1.0f);
    pDevice->SetVertexShaderConstant(VSC_COLOR_B, &vLight, 1);
    scnSetObjectConstants(pDevice, m_matWorld2D, m_matView2D, m_matProj, m_Transform.m_vPosition);
    pDevice->SetIndices(m_pQuadIB, 0);
    if (g_pApp->m_nRenderPass != 1) {
        pDevice->SetTexture(0, g_pApp->m_pCausticTex);
        pDevice->SetVertexShader(g_pApp->m_dwVSObjects2);
    } else {
        pDevice->SetTexture(0, m_pMovieTexture);
        pDevice->SetVertexShader(g_pApp->m_dwVSObjects);
        pDevice->SetStreamSource(0, m_pVB[0], kSceneVertexSize);
        pDevice->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, m_dwQuadVertices, 0, m_dwQuadFaces);
    }
    pDevice->SetVertexShaderConstant(VSC_COLOR_B, &g_pApp->m_UnderwaterScene.m_vC22, 1);
    return 0;
}
