#include "game/sceneobject.h"

#include <cstring>

#include "framework/apperrors.h"
#include "framework/d3dfile.h"
#include "framework/d3dutil.h"
#include "game/contact.h"
#include "game/gameapp.h"
#include "game/vsconsts.h"

bool scnHasTexture(const char* szTextureFile) { return std::strcmp(szTextureFile, g_szNoTexture) != 0; }

void scnSetVector3(IDirect3DDevice8* pDevice, DWORD dwRegister, const D3DXVECTOR3& v) {
    const D3DXVECTOR4 v4(v.x, v.y, v.z, 0.0f);
    pDevice->SetVertexShaderConstant(dwRegister, &v4, 1);
}

void scnSetMatrix(IDirect3DDevice8* pDevice, DWORD dwRegister, const D3DXMATRIX& m) {
    D3DXMATRIX t;
    D3DXMatrixTranspose(&t, &m);
    pDevice->SetVertexShaderConstant(dwRegister, &t, 4);
}

D3DXMATRIX scnRotationMatrix(const D3DXVECTOR3& vRotation) {
    D3DXMATRIX z, x, y, zx, m;
    D3DXMatrixRotationZ(&z, -vRotation.z);
    D3DXMatrixRotationX(&x, -vRotation.y);
    D3DXMatrixRotationY(&y, -vRotation.x);
    D3DXMatrixMultiply(&zx, &z, &x);
    D3DXMatrixMultiply(&m, &zx, &y);
    return m;
}

CTransform::CTransform() : m_vPosition(0, 0, 0), m_vRotation(0, 0, 0) { D3DXMatrixIdentity(&m_matWorld); }

CSceneObject::CSceneObject()
    : m_pVB{}, m_dwNumVertices(0), m_dwNumFaces(0), m_pIB(nullptr),
      m_pTexture(nullptr), m_Material{}, m_pMesh{}, m_szMeshFile{}, m_szTextureFile{}, m_fScale(1.0f),
      m_vStartPosition(0, 0, 0), m_pCollisionModel(nullptr), m_vVelocity(0, 0, 0), m_vAcceleration(0, 0, 0),
      m_vAngularVelocity(0, 0, 0), m_fTurnGain(0.0f), m_fspeed(0.0f) {}

CSceneObject::~CSceneObject() {
    delete m_pCollisionModel;
    DeleteMeshes();
}

void CSceneObject::DeleteMeshes() {
    for (CD3DFileMesh*& pMesh : m_pMesh) {
        delete pMesh;
        pMesh = nullptr;
    }
}

int CSceneObject::Reset(D3DXVECTOR3) {
    m_Transform.m_vPosition = m_vStartPosition;
    m_Transform.m_vRotation = D3DXVECTOR3(0, 0, 0);
    D3DXMatrixTranslation(&m_Transform.m_matWorld, m_vStartPosition.x, m_vStartPosition.y, m_vStartPosition.z);
    return 0;
}

int CSceneObject::Start() { return 0; }

int CSceneObject::Update() { return 0; }

int CSceneObject::LoadMeshes(int nMeshes, bool bMaterial) {
    IDirect3DDevice8* pDevice = g_pApp->m_pDevice;
    for (int k = 0; k < nMeshes; ++k)
        if (!m_pMesh[k] || FAILED(m_pMesh[k]->LoadFromFile(pDevice, m_szMeshFile[k]))) return E_FAIL;
    for (int k = 0; k < nMeshes; ++k) m_pMesh[k]->ConvertFVF(pDevice, kSceneFVF);
    ID3DXMesh* pMesh0 = m_pMesh[0]->GetSystemMesh();
    if (!pMesh0) return E_FAIL;
    // The poses are drawn with mesh 0's indices, so a pose with fewer vertices would be read past its end.
    for (int k = 1; k < nMeshes; ++k) {
        ID3DXMesh* pMesh = m_pMesh[k]->GetSystemMesh();
        if (!pMesh || pMesh->GetNumVertices() != pMesh0->GetNumVertices()) return E_FAIL;
    }
    ReleaseDeviceData(nMeshes);
    m_dwNumVertices = pMesh0->GetNumVertices();
    m_dwNumFaces = pMesh0->GetNumFaces();
    for (int k = 0; k < nMeshes; ++k) m_pMesh[k]->GetSystemMesh()->GetVertexBuffer(&m_pVB[k]);
    pMesh0->GetIndexBuffer(&m_pIB);
    if (bMaterial) {
        gfxInitMaterial(m_Material, 1, 1, 1, 1);
        m_Material.Specular.r = m_Material.Specular.g = m_Material.Specular.b = 1.0f;
    }
    if (scnHasTexture(m_szTextureFile) &&
        FAILED(gfxCreateTexture(pDevice, m_szTextureFile, &m_pTexture, D3DFMT_UNKNOWN))) {
        m_pTexture = nullptr;
        return AppErrMediaNotFound;
    }
    return 0;
}

void CSceneObject::ReleaseDeviceData(int nBuffers) {
    for (int k = 0; k < nBuffers; ++k)
        if (m_pVB[k]) {
            m_pVB[k]->Release();
            m_pVB[k] = nullptr;
        }
    if (m_pIB) {
        m_pIB->Release();
        m_pIB = nullptr;
    }
    if (scnHasTexture(m_szTextureFile) && m_pTexture) {
        m_pTexture->Release();
        m_pTexture = nullptr;
    }
}

int CSceneObject::Load(const char*) {
    const int hr = LoadMeshes(1, true);
    if (hr != 0) return hr;
    BuildCollisionModel();
    return 0;
}

int CSceneObject::BuildCollisionModel(D3DXVECTOR3* pvCorner) {
    if (!m_pVB[0] || !m_pIB) return E_FAIL;
    BYTE* pVertices = nullptr;
    BYTE* pIndices = nullptr;
    if (FAILED(m_pVB[0]->Lock(0, m_dwNumVertices * kSceneVertexSize, &pVertices, 0))) return E_FAIL;
    if (FAILED(m_pIB->Lock(0, m_dwNumFaces * 3 * sizeof(WORD), &pIndices, 0))) {
        m_pVB[0]->Unlock();
        return E_FAIL;
    }
    // A device re-creation loads again: the previous model goes.
    delete m_pCollisionModel;
    m_pCollisionModel = newCollisionModel3D(false);
    m_pCollisionModel->setTriangleNumber(static_cast<int>(m_dwNumFaces));
    const auto* pV = reinterpret_cast<const SceneVertex*>(pVertices);
    const auto* pI = reinterpret_cast<const WORD*>(pIndices);
    for (DWORD f = 0; f < m_dwNumFaces; ++f) {
        const WORD i0 = pI[3 * f], i1 = pI[3 * f + 1], i2 = pI[3 * f + 2];
        if (i0 >= m_dwNumVertices || i1 >= m_dwNumVertices || i2 >= m_dwNumVertices) continue;
        m_pCollisionModel->addTriangle(&pV[i0].x, &pV[i1].x, &pV[i2].x);
    }
    m_pCollisionModel->finalize();
    if (pvCorner && m_dwNumVertices > 0) {
        D3DXVECTOR3 vMin, vMax;
        colVertexBounds(pV, m_dwNumVertices, &vMin, &vMax);
        colBoxCorners(vMin, vMax, pvCorner);
    }
    m_pVB[0]->Unlock();
    m_pIB->Unlock();
    return 0;
}

void scnSetScreenSpace(D3DXMATRIX* pMatProj, D3DXMATRIX* pMatWorld2D, D3DXMATRIX* pMatView2D) {
    D3DXMatrixOrthoLH(pMatProj, 1, 1, 0, 1);
    D3DXMatrixIdentity(pMatWorld2D);
    D3DXMatrixIdentity(pMatView2D);
}

void scnSetObjectConstants(IDirect3DDevice8* pDevice, const D3DXMATRIX& matWorld, const D3DXMATRIX& matView,
                           const D3DXMATRIX& matProj, const D3DXVECTOR3& vObjectPos) {
    D3DXMATRIX matWV, matWVP;
    D3DXMatrixMultiply(&matWV, &matWorld, &matView);
    D3DXMatrixMultiply(&matWVP, &matWV, &matProj);
    const CDiver* pDiver = g_pApp->Diver();
    scnSetVector3(pDevice, VSC_LOOK_DIR, pDiver ? pDiver->m_vLookDir : D3DXVECTOR3(0, 0, 1));
    scnSetVector3(pDevice, VSC_DIVER_POS, pDiver ? pDiver->m_Transform.m_vPosition : D3DXVECTOR3(0, 0, 0));
    scnSetVector3(pDevice, VSC_OBJECT_POS, vObjectPos);
    scnSetMatrix(pDevice, VSC_WVP, matWVP);
    scnSetMatrix(pDevice, VSC_WV, matWV);
}

void CSceneObject::SetWorldConstants(const D3DXMATRIX& matWorld) const {
    scnSetObjectConstants(g_pApp->m_pDevice, matWorld, g_pApp->m_Camera.m_matView, g_pApp->m_matProj,
                          m_Transform.m_vPosition);
}

HRESULT scnCreateQuadIndices(IDirect3DDevice8* pDevice, IDirect3DIndexBuffer8** ppIB) {
    HRESULT hr = pDevice->CreateIndexBuffer(12, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_MANAGED, ppIB);
    if (FAILED(hr)) {
        *ppIB = nullptr;
        return hr;
    }
    BYTE* p = nullptr;
    if (FAILED(hr = (*ppIB)->Lock(0, 12, &p, 0))) return hr;
    static const WORD kIndices[6] = {1, 0, 3, 1, 3, 2};
    std::memcpy(p, kIndices, sizeof kIndices);
    return (*ppIB)->Unlock();
}

int CSceneObject::Render() {
    // An object whose load failed has nothing to draw.
    if (!m_pVB[0] || !m_pIB) return 0;
    IDirect3DDevice8* pDevice = g_pApp->m_pDevice;
    SetWorldConstants(m_Transform.m_matWorld);
    if (g_pApp->m_nRenderPass == 1) {
        if (scnHasTexture(m_szTextureFile)) pDevice->SetTexture(0, m_pTexture);
        pDevice->SetVertexShader(g_pApp->m_dwVSObjects);
    } else {
        if (scnHasTexture(m_szTextureFile)) pDevice->SetTexture(0, g_pApp->m_pCausticTex);
        pDevice->SetVertexShader(g_pApp->m_dwVSObjects2);
    }
    pDevice->SetStreamSource(0, m_pVB[0], kSceneVertexSize);
    pDevice->SetIndices(m_pIB, 0);
    pDevice->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, m_dwNumVertices, 0, m_dwNumFaces);
    return 0;
}
