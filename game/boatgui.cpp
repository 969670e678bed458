#include "game/boatgui.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "game/gameapp.h"
#include "game/levelread.h"
#include "game/vsconsts.h"

CBoatGuiElement::CBoatGuiElement() {
    scnSetScreenSpace(&m_matProj, &m_matWorld2D, &m_matView2D);
    for (float& f : m_fDepth) f = 45.0f;
}

int CBoatGuiElement::Reset(D3DXVECTOR3 vStart) {
    CSceneObject::Reset(vStart);
    scnSetScreenSpace(&m_matProj, &m_matWorld2D, &m_matView2D);
    return 0;
}

int CBoatGuiElement::Start() { return 0; }

int CBoatGuiElement::Load(const char*) { return LoadMeshes(1, false); }

D3DXVECTOR3 guiChartPosition(const D3DXVECTOR3& vWorld) {
    return D3DXVECTOR3(vWorld.x / 3000.0f * 0.24f + 0.2f, vWorld.z / 2000.0f * 0.29f + 0.25f, 0.0f);
}

float guiTraceHeight(float fDepth) { return (1.0f - fDepth / kSounderRange) * 0.14f + 0.37f; }

void CBoatGuiElement::ScrollDepth() {
    // Samples 0 and 1 stay: vertices 0 and 1 are the trace's fixed base corners.
    for (int i = 2; i <= kDepthSamples - 2; ++i) m_fDepth[i] = m_fDepth[i + 1];
    m_fDepth[kDepthSamples - 1] = kSounderRange;
}

float CBoatGuiElement::SoundDepth(const D3DXVECTOR3& vFrom) const {
    const CGameApp* pApp = g_pApp;
    const D3DXVECTOR3 vDown(0, -1, 0);
    float fDepth = kSounderRange;
    for (int i = 0; i < pApp->m_nRocks; ++i) {
        // A rock whose mesh did not load has no model to ask.
        CollisionModel3D* pModel = pApp->m_ppRocks[i]->m_pCollisionModel;
        if (!pModel) continue;
        pModel->setTransform(&pApp->m_ppRocks[i]->m_Transform.m_matWorld._11);
        if (!pModel->rayCollision(&vFrom.x, &vDown.x, true, 0.0f, kSounderRange)) continue;
        D3DXVECTOR3 vHit;
        pModel->getCollisionPoint(&vHit.x, false);
        const D3DXVECTOR3 vApart = vHit - vFrom;
        const float d = D3DXVec3Length(&vApart);
        if (d < fDepth) fDepth = d;
    }
    float fFloor = 0.0f;
    if (pApp->m_pTerrain && pApp->m_pTerrain->FindSurfaceAlongRay(vDown, vFrom, &fFloor, kSounderFloorRay) == 1 &&
        fFloor < fDepth)
        fDepth = fFloor;
    return fDepth;
}

int CBoatGuiElement::WriteTrace() {
    if (!m_pVB[0]) return E_FAIL;
    BYTE* pb = nullptr;
    const HRESULT hr = m_pVB[0]->Lock(0, 0, &pb, 0);
    if (FAILED(hr)) return hr;
    auto* pV = reinterpret_cast<SceneVertex*>(pb);
    for (DWORD i = 2; i < m_dwNumVertices; ++i)
        pV[i].y = guiTraceHeight(m_fDepth[std::min<DWORD>(i, kDepthSamples - 1)]);
    return m_pVB[0]->Unlock();
}

int CBoatGuiElement::Update() {
    const CTransform& boat = g_pApp->m_Boat.m_Transform;
    switch (Type()) {
        case kGuiBoatMarker: {
            m_Transform.m_vRotation = boat.m_vRotation;
            m_Transform.m_vPosition = guiChartPosition(boat.m_vPosition);
            D3DXMATRIX matTurn, matMove;
            D3DXMatrixRotationZ(&matTurn, boat.m_vRotation.x);
            D3DXMatrixTranslation(&matMove, m_Transform.m_vPosition.x, m_Transform.m_vPosition.y,
                                  m_Transform.m_vPosition.z);
            D3DXMatrixMultiply(&m_matWorld2D, &matTurn, &matMove);
            return 0;
        }
        case kGuiDepthSounder:
            ScrollDepth();
            m_fDepth[kDepthSamples - 1] = SoundDepth(boat.m_vPosition);
            return WriteTrace();
        default: return 0;
    }
}

int CBoatGuiElement::Render() {
    // An element whose mesh did not load has nothing to draw.
    if (!m_pVB[0] || !m_pIB) return 0;
    CGameApp* pApp = g_pApp;
    const int nPlaces = Type() == kGuiPointMarker ? pApp->m_nMapPoints : 1;
    for (int j = 0; j < nPlaces; ++j) {
        if (Type() == kGuiPointMarker) {
            m_Transform.m_vPosition = guiChartPosition(pApp->m_pMapPoints[j]);
            D3DXMatrixTranslation(&m_matWorld2D, m_Transform.m_vPosition.x, m_Transform.m_vPosition.y,
                                  m_Transform.m_vPosition.z);
        }
        DrawOnce();
    }
    return 0;
}

void CBoatGuiElement::DrawOnce() {
    CGameApp* pApp = g_pApp;
    IDirect3DDevice8* pDevice = pApp->m_pDevice;
    const D3DXVECTOR4 vLight(0.8f, 0.8f, 0.8f, 1.0f);
    pDevice->SetVertexShaderConstant(VSC_COLOR_B, &vLight, 1);
    scnSetObjectConstants(pDevice, m_matWorld2D, m_matView2D, m_matProj, m_Transform.m_vPosition);
    pDevice->SetIndices(m_pIB, 0);
    if (pApp->m_nRenderPass == 1) {
        pDevice->SetTexture(0, m_pTexture);
        pDevice->SetVertexShader(pApp->m_dwVSObjects);
        pDevice->SetStreamSource(0, m_pVB[0], kSceneVertexSize);
        pDevice->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, m_dwNumVertices, 0, m_dwNumFaces);
    }
    pDevice->SetVertexShaderConstant(VSC_COLOR_B, &pApp->m_UnderwaterScene.m_vC22, 1);
}

int lvlReadBoatGuiFile() {
    CGameApp* pApp = g_pApp;
    pApp->FreeBoatGui();
    char szPath[300];
    std::snprintf(szPath, sizeof szPath, "./%sguibarca.plt", pApp->m_szLevelDir);
    CLevelTokens in(szPath);
    if (!in.Opened()) return -1;
    auto** ppElements = static_cast<CBoatGuiElement**>(std::calloc(kBoatGuiElements, sizeof(CBoatGuiElement*)));
    if (!ppElements) return 0;
    pApp->m_ppBoatGui = ppElements;
    for (int i = 0; i < kBoatGuiElements; ++i) {
        auto* pElement = new CBoatGuiElement;
        ppElements[i] = pElement;
        pApp->m_nBoatGui = i + 1;
        in.Word(pElement->m_szMeshFile[0], kObjectNameLength, pApp->m_szLevelDir);
        in.Word(pElement->m_szTextureFile, kObjectNameLength, pApp->m_szLevelDir);
        pElement->m_fScale = static_cast<float>(i);
    }
    int nPoints = 0;
    if (in.Int(&nPoints, 0, kMaxMapPoints)) {
        pApp->m_pMapPoints = static_cast<D3DXVECTOR3*>(std::calloc(nPoints ? nPoints : 1, sizeof(D3DXVECTOR3)));
        if (!pApp->m_pMapPoints) return 0;
        for (int i = 0; i < nPoints && in.Ok(); ++i) {
            D3DXVECTOR3& v = pApp->m_pMapPoints[i];
            if (in.Float(&v.x) && in.Float(&v.y) && in.Float(&v.z)) pApp->m_nMapPoints = i + 1;
        }
    }
    if (!in.Ok()) {
        lvlReportError(in.Error().c_str());
        pApp->FreeBoatGui();
        return -1;
    }
    return 0;
}
