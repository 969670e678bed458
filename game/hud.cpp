#include "game/hud.h"

#include <algorithm>
#include <cstring>

#include "d3dx8/d3dx8.h"
#include "game/gameapp.h"
#include "game/vsconsts.h"

char g_szMessage[kMessageLength];

void hudSetMessage(const char* szText, float fSeconds) {
    std::strncpy(g_szMessage, szText, kMessageLength - 1);
    g_szMessage[kMessageLength - 1] = '\0';
    if (g_pApp) g_pApp->m_Hud.m_fMessageTime = fSeconds;
}

namespace {

const char* const kGaugeTextures[4] = {"aire1.bmp", "aire2.bmp", "aleteo1.bmp", "aleteo2.bmp"};

struct QuadCorner {
    float x, y, u, v;
};

// Air bar, spare frame, gauge frame, gauge fill.
const QuadCorner kQuads[4][4] = {
    {{0.25f, -0.48f, 0, 1}, {0.45f, -0.48f, 0, 0}, {0.45f, -0.45f, 1, 0}, {0.25f, -0.45f, 1, 1}},
    {{0.40f, -0.48f, 0, 0}, {0.48f, -0.48f, 1, 0}, {0.48f, -0.30f, 1, 1}, {0.40f, -0.30f, 0, 1}},
    {{0.40f, -0.48f, 0, 1}, {0.48f, -0.48f, 1, 1}, {0.48f, -0.30f, 1, 0}, {0.40f, -0.30f, 0, 0}},
    {{0.41f, -0.475f, 0, 1}, {0.44f, -0.475f, 1, 1}, {0.44f, -0.305f, 1, 0}, {0.41f, -0.305f, 0, 0}},
};

SceneVertex QuadVertex(float x, float y, float u, float v) { return {x, y, 0.01f, 0, 1, 1, u, v}; }

}  // namespace

CHudGauges::CHudGauges()
    : m_apQuadVB{}, m_dwQuadVertices(4), m_dwQuadFaces(2), m_pQuadIB(nullptr), m_apGaugeTex{}, m_fMessageTime(0) {
    scnSetScreenSpace(&m_matProj, &m_matWorld2D, &m_matView2D);
}

int CHudGauges::Reset(D3DXVECTOR3) {
    scnSetScreenSpace(&m_matProj, &m_matWorld2D, &m_matView2D);
    return 0;
}

int CHudGauges::Start() { return 0; }

int CHudGauges::Load(const char*) {
    for (int i = 0; i < 4; ++i) {
        if (m_apGaugeTex[i]) continue;
        const HRESULT hr = D3DXCreateTextureFromFileA(g_pApp->m_pDevice, kGaugeTextures[i], &m_apGaugeTex[i]);
        if (FAILED(hr)) {
            m_apGaugeTex[i] = nullptr;
            return hr;
        }
    }
    return 0;
}

int CHudGauges::Restore() {
    IDirect3DDevice8* pDevice = g_pApp->m_pDevice;
    HRESULT hr = scnCreateQuadIndices(pDevice, &m_pQuadIB);
    if (FAILED(hr)) return hr;
    BYTE* p = nullptr;
    for (int q = 0; q < 4; ++q) {
        hr = pDevice->CreateVertexBuffer(4 * kSceneVertexSize, 0, kSceneFVF, D3DPOOL_MANAGED, &m_apQuadVB[q]);
        if (FAILED(hr)) {
            m_apQuadVB[q] = nullptr;
            return hr;
        }
        if (FAILED(hr = m_apQuadVB[q]->Lock(0, 0, &p, 0))) return hr;
        auto* pV = reinterpret_cast<SceneVertex*>(p);
        for (int k = 0; k < 4; ++k) pV[k] = QuadVertex(kQuads[q][k].x, kQuads[q][k].y, kQuads[q][k].u, kQuads[q][k].v);
        m_apQuadVB[q]->Unlock();
        if (q == 0) {
            m_dwQuadVertices = 4;
            m_dwQuadFaces = 2;
        }
    }
    return 0;
}

int CHudGauges::Invalidate() {
    for (IDirect3DVertexBuffer8*& pVB : m_apQuadVB)
        if (pVB) {
            pVB->Release();
            pVB = nullptr;
        }
    if (m_pQuadIB) {
        m_pQuadIB->Release();
        m_pQuadIB = nullptr;
    }
    return 0;
}

int CHudGauges::Destroy() {
    for (IDirect3DTexture8*& pTex : m_apGaugeTex)
        if (pTex) {
            pTex->Release();
            pTex = nullptr;
        }
    return 0;
}

int CHudGauges::Update() {
    const CDiver* pDiver = g_pApp->Diver();
    if (pDiver && m_apQuadVB[0] && m_apQuadVB[3]) {
        BYTE* p = nullptr;
        HRESULT hr;
        const float fTop = -0.475f + pDiver->m_fEffort * (-0.305f + 0.475f);
        if (FAILED(hr = m_apQuadVB[3]->Lock(0, 0, &p, 0))) return hr;
        auto* pFill = reinterpret_cast<SceneVertex*>(p);
        pFill[2].x = 0.44f, pFill[2].y = fTop, pFill[2].z = 0.01f;
        pFill[3].x = 0.41f, pFill[3].y = fTop, pFill[3].z = 0.01f;
        if (FAILED(hr = m_apQuadVB[3]->Unlock())) return hr;

        // A level without air would give a bar of no number at all.
        float a = g_pApp->m_fMaxAir > 0 ? pDiver->m_fAir / g_pApp->m_fMaxAir : 0.0f;
        a = std::clamp(a, 0.0f, 1.0f);
        float t1 = 1.0f - (0.8f * a + 0.2f);
        if (t1 <= 0.001f) t1 = 0.003f;
        const float t2 = 1.0f - 0.8f * a;
        const float x = (0.38f - 0.18f) * a + 0.18f;
        if (FAILED(hr = m_apQuadVB[0]->Lock(0, 0, &p, 0))) return hr;
        auto* pBar = reinterpret_cast<SceneVertex*>(p);
        pBar[0] = QuadVertex(0.18f, -0.48f, t1, t1);
        pBar[1] = QuadVertex(x, -0.48f, t2, t2);
        pBar[2] = QuadVertex(x, -0.45f, t2, t2);
        pBar[3] = QuadVertex(0.18f, -0.45f, t1, t1);
        if (FAILED(hr = m_apQuadVB[0]->Unlock())) return hr;
    }
    if (m_fMessageTime <= 0) {
        m_fMessageTime = 0;
        std::strcpy(g_szMessage, g_szDefaultMessage);
    } else {
        m_fMessageTime -= g_pApp->m_fFrameTime;
    }
    return 0;
}

int CHudGauges::Render() {
    IDirect3DDevice8* pDevice = g_pApp->m_pDevice;
    static const D3DXVECTOR4 vLight(0.8f, 0.8f, 0.8f, 1.0f);
    pDevice->SetVertexShaderConstant(VSC_COLOR_B, &vLight, 1);
    scnSetObjectConstants(pDevice, m_matWorld2D, m_matView2D, m_matProj, D3DXVECTOR3(0, 0, 0));
    pDevice->SetIndices(m_pQuadIB, 0);
    if (g_pApp->m_nRenderPass != 1) {
        pDevice->SetTexture(0, g_pApp->m_pCausticTex);
        pDevice->SetVertexShader(g_pApp->m_dwVSObjects2);
    } else if (m_pQuadIB) {
        static const int kDrawn[3] = {0, 2, 3};
        for (int q : kDrawn) {
            if (!m_apQuadVB[q]) continue;
            pDevice->SetTexture(0, m_apGaugeTex[q]);
            pDevice->SetVertexShader(g_pApp->m_dwVSObjects);
            pDevice->SetStreamSource(0, m_apQuadVB[q], kSceneVertexSize);
            pDevice->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, m_dwQuadVertices, 0, m_dwQuadFaces);
        }
    }
    pDevice->SetVertexShaderConstant(VSC_COLOR_B, &g_pApp->m_UnderwaterScene.m_vC22, 1);
    return 0;
}
