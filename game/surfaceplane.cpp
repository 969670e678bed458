#include "game/surfaceplane.h"

#include <cstring>

#include "game/gameapp.h"

CSurfacePlane::CSurfacePlane() { std::strcpy(m_szTextureFile, g_szNoTexture); }

int CSurfacePlane::Reset(D3DXVECTOR3) {
    m_Transform.m_vPosition = D3DXVECTOR3(3000.0f, 45.4f, 3000.0f);
    m_Transform.m_vRotation = D3DXVECTOR3(0, 0, 0);
    D3DXMatrixTranslation(&m_Transform.m_matWorld, 3000.0f, 45.4f, 3000.0f);
    return 0;
}

int CSurfacePlane::Start() { return 0; }
int CSurfacePlane::Load(const char*) { return 0; }

int CSurfacePlane::Restore() {
    IDirect3DDevice8* pDevice = g_pApp->m_pDevice;
    static const SceneVertex kQuad[4] = {
        {-100, 0, -100, 0, 1, 0, 0, 0},
        {100, 0, -100, 0, 1, 0, 1, 0},
        {100, 0, 100, 0, 1, 0, 1, 1},
        {-100, 0, 100, 0, 1, 0, 0, 1},
    };
    static const WORD kIndices[6] = {3, 0, 1, 2, 3, 1};
    HRESULT hr = pDevice->CreateVertexBuffer(sizeof(kQuad), 0, kSceneFVF, D3DPOOL_MANAGED, &m_pVB[0]);
    if (FAILED(hr)) return hr;
    BYTE* pVertices = nullptr;
    if (FAILED(hr = m_pVB[0]->Lock(0, sizeof(kQuad), &pVertices, 0))) return hr;
    std::memcpy(pVertices, kQuad, sizeof(kQuad));
    // The vertices stay locked while the index list is made; a failure there unlocks them first.
    hr = pDevice->CreateIndexBuffer(sizeof(kIndices), D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_MANAGED, &m_pIB);
    BYTE* pIndices = nullptr;
    if (SUCCEEDED(hr)) hr = m_pIB->Lock(0, sizeof(kIndices), &pIndices, 0);
    if (FAILED(hr)) {
        m_pVB[0]->Unlock();
        return hr;
    }
    std::memcpy(pIndices, kIndices, sizeof(kIndices));
    m_pIB->Unlock();
    m_pVB[0]->Unlock();
    m_dwNumVertices = 4;
    m_dwNumFaces = 2;
    std::strcpy(m_szTextureFile, g_szNoTexture);
    return 0;
}

int CSurfacePlane::Invalidate() {
    if (m_pVB[0]) {
        m_pVB[0]->Release();
        m_pVB[0] = nullptr;
    }
    if (m_pIB) {
        m_pIB->Release();
        m_pIB = nullptr;
    }
    return 0;
}

int CSurfacePlane::Update() {
    if (const CDiver* pDiver = g_pApp->Diver()) m_Transform.m_vPosition = pDiver->m_Transform.m_vPosition;
    m_Transform.m_vPosition.y = 45.3f;
    const D3DXVECTOR3& v = m_Transform.m_vPosition;
    D3DXMatrixTranslation(&m_Transform.m_matWorld, v.x, v.y, v.z);
    return 0;
}

int CSurfacePlane::Render() { return CSceneObject::Render(); }
