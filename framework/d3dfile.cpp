// X-file mesh objects and the frame tree.
#include "framework/d3dfile.h"

#include <cstdio>
#include <cstring>
#include <strings.h>
#include <new>
#include <vector>

#include "framework/sysutil.h"

namespace {

// Names are cut to the buffer, never overrun it.
void CopyName(char (&dest)[512], const char* src) { std::snprintf(dest, sizeof dest, "%s", src ? src : ""); }

// The object's name into a 512-character buffer, cut when longer; "" when unnamed.
void ReadObjectName(IDirectXFileData* pData, char (&strName)[512]) {
    strName[0] = '\0';
    DWORD dwLength = 0;
    if (FAILED(pData->GetName(nullptr, &dwLength)) || dwLength == 0) return;
    std::vector<char> buffer(dwLength, '\0');
    if (FAILED(pData->GetName(buffer.data(), &dwLength))) return;
    char strAnsi[512];
    std::snprintf(strAnsi, sizeof strAnsi, "%s", buffer.data());
    sysAnsiToGeneric(strName, strAnsi, sizeof strName);
}

}  // namespace

//-----------------------------------------------------------------------------
// CD3DFileMesh

CD3DFileMesh::CD3DFileMesh(const char* strName)
    : m_pSystemMesh(nullptr), m_pDeviceMesh(nullptr), m_dwMaterialCount(0), m_pMaterialArray(nullptr),
      m_ppTextureArray(nullptr), m_bApplyMaterials(TRUE) {
    CopyName(m_szName, strName);
}

CD3DFileMesh::~CD3DFileMesh() { Destroy(); }

HRESULT CD3DFileMesh::TakeMaterials(IDirect3DDevice8* pd3dDevice, ID3DXBuffer* pMtrlBuffer) {
    if (pMtrlBuffer && m_dwMaterialCount > 0) {
        auto* d3dxMtrls = static_cast<D3DXMATERIAL*>(pMtrlBuffer->GetBufferPointer());
        m_pMaterialArray = new (std::nothrow) D3DMATERIAL8[m_dwMaterialCount];
        // Zeroed, so that Destroy after a failed allocation releases no pointer that was never set.
        m_ppTextureArray = new (std::nothrow) IDirect3DTexture8*[m_dwMaterialCount]();
        if (!m_pMaterialArray || !m_ppTextureArray) {
            pMtrlBuffer->Release();
            Destroy();
            return E_OUTOFMEMORY;
        }
        for (DWORD i = 0; i < m_dwMaterialCount; i++) {
            m_pMaterialArray[i] = d3dxMtrls[i].MatD3D;
            m_pMaterialArray[i].Ambient = m_pMaterialArray[i].Diffuse;
            m_ppTextureArray[i] = nullptr;
            const char* strTexture = d3dxMtrls[i].pTextureFilename;
            // A name that does not fit the path buffer is treated as a texture that failed to load.
            if (strTexture && strTexture[0] && std::strlen(strTexture) < MAX_PATH) {
                char strName[MAX_PATH];
                char strPath[MAX_PATH];
                sysGenericToAnsi(strName, strTexture, MAX_PATH);
                sysFindMediaFile(strPath, strName);
                if (FAILED(D3DXCreateTextureFromFileA(pd3dDevice, strPath, &m_ppTextureArray[i])))
                    m_ppTextureArray[i] = nullptr;
            }
        }
    }
    if (pMtrlBuffer) pMtrlBuffer->Release();
    return S_OK;
}

HRESULT CD3DFileMesh::LoadFromFile(IDirect3DDevice8* pd3dDevice, const char* strFilename) {
    // A second load replaces the first instead of leaking it.
    Destroy();
    char strPath[MAX_PATH];
    char strAnsi[MAX_PATH];
    sysFindMediaFile(strPath, strFilename);
    sysGenericToAnsi(strAnsi, strPath, MAX_PATH);

    ID3DXBuffer* pMtrlBuffer = nullptr;
    HRESULT hr = D3DXLoadMeshFromX(strAnsi, D3DXMESH_SYSTEMMEM, pd3dDevice, nullptr, &pMtrlBuffer, &m_dwMaterialCount,
                                   &m_pSystemMesh);
    if (FAILED(hr)) {
        m_dwMaterialCount = 0;
        return hr;
    }
    return TakeMaterials(pd3dDevice, pMtrlBuffer);
}

HRESULT CD3DFileMesh::LoadFromXof(IDirect3DDevice8* pd3dDevice, IDirectXFileData* pFileData) {
    Destroy();
    ID3DXBuffer* pMtrlBuffer = nullptr;
    HRESULT hr = D3DXLoadMeshFromXof(pFileData, D3DXMESH_SYSTEMMEM, pd3dDevice, nullptr, &pMtrlBuffer,
                                     &m_dwMaterialCount, &m_pSystemMesh);
    if (FAILED(hr)) {
        m_dwMaterialCount = 0;
        return hr;
    }
    return TakeMaterials(pd3dDevice, pMtrlBuffer);
}

HRESULT CD3DFileMesh::ConvertFVF(IDirect3DDevice8* pd3dDevice, DWORD dwFVF) {
    ID3DXMesh* pTempSysMesh = nullptr;
    ID3DXMesh* pTempDevMesh = nullptr;
    if (m_pSystemMesh) {
        if (FAILED(m_pSystemMesh->CloneMeshFVF(D3DXMESH_SYSTEMMEM, dwFVF, pd3dDevice, &pTempSysMesh))) return E_FAIL;
    }
    if (m_pDeviceMesh) {
        if (FAILED(m_pDeviceMesh->CloneMeshFVF(0L, dwFVF, pd3dDevice, &pTempDevMesh))) {
            if (pTempSysMesh) pTempSysMesh->Release();
            return E_FAIL;
        }
    }
    if (m_pSystemMesh) m_pSystemMesh->Release();
    if (m_pDeviceMesh) m_pDeviceMesh->Release();
    m_pSystemMesh = pTempSysMesh;
    m_pDeviceMesh = pTempDevMesh;
    if (m_pSystemMesh) D3DXComputeNormals(m_pSystemMesh, nullptr);
    if (m_pDeviceMesh) D3DXComputeNormals(m_pDeviceMesh, nullptr);
    return S_OK;
}

HRESULT CD3DFileMesh::Restore(IDirect3DDevice8* pd3dDevice) {
    if (m_pSystemMesh == nullptr) return E_FAIL;
    // A restore without the invalidate before it replaces the device copy instead of leaking it.
    Invalidate();
    if (FAILED(m_pSystemMesh->CloneMeshFVF(0L, m_pSystemMesh->GetFVF(), pd3dDevice, &m_pDeviceMesh))) {
        m_pDeviceMesh = nullptr;
        return E_FAIL;
    }
    return S_OK;
}

HRESULT CD3DFileMesh::Invalidate() {
    if (m_pDeviceMesh) m_pDeviceMesh->Release();
    m_pDeviceMesh = nullptr;
    return S_OK;
}

HRESULT CD3DFileMesh::Destroy() {
    Invalidate();
    if (m_ppTextureArray) {
        for (DWORD i = 0; i < m_dwMaterialCount; i++) {
            if (m_ppTextureArray[i]) m_ppTextureArray[i]->Release();
            m_ppTextureArray[i] = nullptr;
        }
    }
    delete[] m_ppTextureArray;
    m_ppTextureArray = nullptr;
    delete[] m_pMaterialArray;
    m_pMaterialArray = nullptr;
    if (m_pSystemMesh) m_pSystemMesh->Release();
    m_pSystemMesh = nullptr;
    m_dwMaterialCount = 0;
    return S_OK;
}

// Opaque subsets are those with diffuse alpha of at least 1, the others the alpha pass's, so that
// every subset is drawn exactly once when both passes are asked for.
HRESULT CD3DFileMesh::Render(IDirect3DDevice8* pd3dDevice, BOOL bDrawOpaqueSubsets, BOOL bDrawAlphaSubsets) {
    if (m_pDeviceMesh == nullptr) return E_FAIL;
    if (bDrawOpaqueSubsets) {
        for (DWORD i = 0; i < m_dwMaterialCount; i++) {
            if (m_bApplyMaterials) {
                if (m_pMaterialArray[i].Diffuse.a < 1.0f) continue;
                pd3dDevice->SetMaterial(&m_pMaterialArray[i]);
                pd3dDevice->SetTexture(0, m_ppTextureArray[i]);
            }
            m_pDeviceMesh->DrawSubset(i);
        }
    }
    if (bDrawAlphaSubsets && m_bApplyMaterials) {
        for (DWORD i = 0; i < m_dwMaterialCount; i++) {
            if (m_pMaterialArray[i].Diffuse.a == 1.0f) continue;  // above 1.0 draws in both passes
            pd3dDevice->SetMaterial(&m_pMaterialArray[i]);
            pd3dDevice->SetTexture(0, m_ppTextureArray[i]);
            m_pDeviceMesh->DrawSubset(i);
        }
    }
    return S_OK;
}

//-----------------------------------------------------------------------------
// CD3DFileFrame
//
// Walks go frame, children, then siblings. Sibling chains are followed in a loop rather than by
// recursion, so a long chain cannot exhaust the stack.

CD3DFileFrame::CD3DFileFrame(const char* strName) : m_pMesh(nullptr), m_pNext(nullptr), m_pChild(nullptr) {
    CopyName(m_szName, strName);
    D3DXMatrixIdentity(&m_matLocal);
}

// The tree owns its meshes: destroying it releases them too.
CD3DFileFrame::~CD3DFileFrame() { Destroy(); }

CD3DFileMesh* CD3DFileFrame::FindMesh(const char* strMeshName) {
    for (CD3DFileFrame* pFrame = this; pFrame; pFrame = pFrame->m_pNext) {
        if (pFrame->m_pMesh && strcasecmp(pFrame->m_pMesh->m_szName, strMeshName) == 0) return pFrame->m_pMesh;
        if (pFrame->m_pChild)
            if (CD3DFileMesh* pMesh = pFrame->m_pChild->FindMesh(strMeshName)) return pMesh;
    }
    return nullptr;
}

CD3DFileFrame* CD3DFileFrame::FindFrame(const char* strFrameName) {
    for (CD3DFileFrame* pFrame = this; pFrame; pFrame = pFrame->m_pNext) {
        if (strcasecmp(pFrame->m_szName, strFrameName) == 0) return pFrame;
        if (pFrame->m_pChild)
            if (CD3DFileFrame* pFound = pFrame->m_pChild->FindFrame(strFrameName)) return pFound;
    }
    return nullptr;
}

BOOL CD3DFileFrame::ForEachMesh(BOOL (*fnCallback)(CD3DFileMesh*, void*), void* pContext) {
    for (CD3DFileFrame* pFrame = this; pFrame; pFrame = pFrame->m_pNext) {
        if (pFrame->m_pMesh) fnCallback(pFrame->m_pMesh, pContext);
        if (pFrame->m_pChild) pFrame->m_pChild->ForEachMesh(fnCallback, pContext);
    }
    return TRUE;
}

HRESULT CD3DFileFrame::Restore(IDirect3DDevice8* pd3dDevice) {
    for (CD3DFileFrame* pFrame = this; pFrame; pFrame = pFrame->m_pNext) {
        if (pFrame->m_pMesh) pFrame->m_pMesh->Restore(pd3dDevice);
        if (pFrame->m_pChild) pFrame->m_pChild->Restore(pd3dDevice);
    }
    return S_OK;
}

HRESULT CD3DFileFrame::Invalidate() {
    for (CD3DFileFrame* pFrame = this; pFrame; pFrame = pFrame->m_pNext) {
        if (pFrame->m_pMesh) pFrame->m_pMesh->Invalidate();
        if (pFrame->m_pChild) pFrame->m_pChild->Invalidate();
    }
    return S_OK;
}

HRESULT CD3DFileFrame::Destroy() {
    if (m_pMesh) m_pMesh->Destroy();
    delete m_pMesh;
    m_pMesh = nullptr;
    // Unlink the sibling chain first, then delete it one frame at a time.
    CD3DFileFrame* pNext = m_pNext;
    m_pNext = nullptr;
    while (pNext) {
        CD3DFileFrame* pAfter = pNext->m_pNext;
        pNext->m_pNext = nullptr;
        delete pNext;
        pNext = pAfter;
    }
    delete m_pChild;
    m_pChild = nullptr;
    return S_OK;
}

HRESULT CD3DFileFrame::Render(IDirect3DDevice8* pd3dDevice, BOOL bDrawOpaqueSubsets, BOOL bDrawAlphaSubsets) {
    for (CD3DFileFrame* pFrame = this; pFrame; pFrame = pFrame->m_pNext) {
        D3DXMATRIX matSavedWorld, matWorld;
        pd3dDevice->GetTransform(D3DTS_WORLD, &matSavedWorld);
        D3DXMatrixMultiply(&matWorld, &pFrame->m_matLocal, &matSavedWorld);
        pd3dDevice->SetTransform(D3DTS_WORLD, &matWorld);
        if (pFrame->m_pMesh) pFrame->m_pMesh->Render(pd3dDevice, bDrawOpaqueSubsets, bDrawAlphaSubsets);
        if (pFrame->m_pChild) pFrame->m_pChild->Render(pd3dDevice, bDrawOpaqueSubsets, bDrawAlphaSubsets);
        pd3dDevice->SetTransform(D3DTS_WORLD, &matSavedWorld);
    }
    return S_OK;
}

//-----------------------------------------------------------------------------
// CD3DFileScene

HRESULT CD3DFileScene::LoadFromFile(IDirect3DDevice8* pd3dDevice, const char* strFilename) {
    IDirectXFile* pDXFile = nullptr;
    IDirectXFileEnumObject* pEnumObj = nullptr;
    IDirectXFileData* pFileData = nullptr;
    HRESULT hr;

    if (FAILED(DirectXFileCreate(&pDXFile))) return E_FAIL;
    if (FAILED(pDXFile->RegisterTemplates(const_cast<char*>(D3DRM_XTEMPLATES), D3DRM_XTEMPLATE_BYTES))) {
        pDXFile->Release();
        return E_FAIL;
    }

    char strPath[MAX_PATH];
    char strAnsi[MAX_PATH];
    sysFindMediaFile(strPath, strFilename);
    sysGenericToAnsi(strAnsi, strPath, MAX_PATH);
    hr = pDXFile->CreateEnumObject(strAnsi, DXFILELOAD_FROMFILE, &pEnumObj);
    if (FAILED(hr)) {
        pDXFile->Release();
        return hr;
    }

    while (SUCCEEDED(pEnumObj->GetNextDataObject(&pFileData))) {
        hr = LoadFrame(pd3dDevice, pFileData, this);
        pFileData->Release();
        if (FAILED(hr)) {
            pEnumObj->Release();
            pDXFile->Release();
            return E_FAIL;
        }
    }
    pEnumObj->Release();
    pDXFile->Release();
    return S_OK;
}

HRESULT CD3DFileScene::LoadFrame(IDirect3DDevice8* pd3dDevice, IDirectXFileData* pFileData,
                                 CD3DFileFrame* pParentFrame) {
    const GUID* pGUID;
    HRESULT hr = pFileData->GetType(&pGUID);
    if (FAILED(hr)) return hr;

    if (*pGUID == TID_D3DRMMesh) {
        hr = LoadMesh(pd3dDevice, pFileData, pParentFrame);
        if (FAILED(hr)) return hr;
    }
    if (*pGUID == TID_D3DRMFrameTransformMatrix) {
        D3DXMATRIX* pmatMatrix;
        DWORD dwSize = 0;
        hr = pFileData->GetData(nullptr, &dwSize, reinterpret_cast<void**>(&pmatMatrix));
        if (FAILED(hr)) return hr;
        // Short matrix data would be read past its end.
        if (dwSize < sizeof(D3DMATRIX)) return E_FAIL;
        pParentFrame->SetMatrix(pmatMatrix);
    }
    if (*pGUID == TID_D3DRMFrame) {
        char strName[512];
        ReadObjectName(pFileData, strName);
        CD3DFileFrame* pFrame = new (std::nothrow) CD3DFileFrame(strName);
        if (!pFrame) return E_OUTOFMEMORY;
        pFrame->m_pNext = pParentFrame->m_pChild;
        pParentFrame->m_pChild = pFrame;

        IDirectXFileObject* pChildObj;
        while (SUCCEEDED(pFileData->GetNextObject(&pChildObj))) {
            IDirectXFileData* pChildData;
            hr = pChildObj->QueryInterface(IID_IDirectXFileData, reinterpret_cast<void**>(&pChildData));
            if (SUCCEEDED(hr)) {
                hr = LoadFrame(pd3dDevice, pChildData, pFrame);
                pChildData->Release();
            }
            pChildObj->Release();
            if (FAILED(hr)) return hr;
        }
    }
    return S_OK;
}

HRESULT CD3DFileScene::LoadMesh(IDirect3DDevice8* pd3dDevice, IDirectXFileData* pFileData,
                                CD3DFileFrame* pParentFrame) {
    if (pParentFrame->m_pMesh) return E_FAIL;
    char strName[512];
    ReadObjectName(pFileData, strName);
    pParentFrame->m_pMesh = new (std::nothrow) CD3DFileMesh(strName);
    if (!pParentFrame->m_pMesh) return E_OUTOFMEMORY;
    pParentFrame->m_pMesh->LoadFromXof(pd3dDevice, pFileData);
    return S_OK;
}

HRESULT CD3DFileScene::Render(IDirect3DDevice8* pd3dDevice) {
    D3DXMATRIX matSavedWorld, matWorld;
    pd3dDevice->GetTransform(D3DTS_WORLD, &matSavedWorld);
    D3DXMatrixMultiply(&matWorld, &matSavedWorld, &m_matLocal);
    pd3dDevice->SetTransform(D3DTS_WORLD, &matWorld);

    if (m_pChild) m_pChild->Render(pd3dDevice, TRUE, FALSE);

    pd3dDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    pd3dDevice->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    pd3dDevice->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    if (m_pChild) m_pChild->Render(pd3dDevice, FALSE, TRUE);
    pd3dDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);

    pd3dDevice->SetTransform(D3DTS_WORLD, &matSavedWorld);
    return S_OK;
}
