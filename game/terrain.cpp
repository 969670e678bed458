#include "game/terrain.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "d3dx8/texture.h"
#include "framework/sysutil.h"
#include "game/gameapp.h"
#include "game/vsconsts.h"
#include "win32/fileio.h"

namespace {

constexpr int kRecordCount = 256;
constexpr size_t kMapBytes = static_cast<size_t>(kMapColumns) * kMapRows;

template <class T> void ReleaseSet(T*& p) {
    if (p) {
        p->Release();
        p = nullptr;
    }
}

// Far enough off the map that the window there holds only edge samples, near enough that the window's
// index arithmetic stays well inside an int.
constexpr float kFarPatch = 1 << 20;

// The patch index of a coordinate; negative coordinates belong to the patch below them. A position
// that is not a number, or lies far off the map, gets a patch where the window can still be laid out.
int PatchIndex(float f) {
    const float fIndex = std::floor(f / kPatchSize);
    if (std::isnan(fIndex)) return 0;
    return static_cast<int>(std::clamp(fIndex, -kFarPatch, kFarPatch));
}

}  // namespace

CTerrain::CTerrain()
    : m_fRange(100.0f), m_nPatches(0), m_pPatches(nullptr), m_vLastTriangle{}, m_vLastSurfacePoint(0, 0, 0),
      m_pHeightMap(nullptr), m_pIBFull(nullptr), m_pIBEdgeMinX(nullptr), m_pIBEdgeMinXMinZ(nullptr),
      m_pIBEdgeMinXMaxZ(nullptr), m_pIBEdgeMaxX(nullptr), m_pIBEdgeMaxXMaxZ(nullptr), m_pIBEdgeMaxXMinZ(nullptr),
      m_pIBEdgeMaxZ(nullptr), m_pIBEdgeMinZ(nullptr), m_pIBCoarse(nullptr), m_pCoarseTexture(nullptr) {
    std::strcpy(m_szMeshFile[0], "nada.x");
    std::strcpy(m_szTextureFile, "grass.bmp");
    m_fScale = 1.0f;
    m_vStartPosition = D3DXVECTOR3(0, 0, 0);
}

int CTerrain::Reset(D3DXVECTOR3) {
    // A level change resets again: what the previous level held goes first.
    FreeData();
    // Zeroed so that a query never reads a height that was not built.
    m_pPatches = static_cast<CTerrainPatch*>(std::calloc(kRecordCount, sizeof(CTerrainPatch)));
    if (!m_pPatches) {
        sysTracef("The sea floor's patch records could not be allocated.\n");
        return 0;
    }
    LoadHeightMap();
    return 0;
}

int CTerrain::LoadHeightMap() {
    std::free(m_pHeightMap);
    // A missing or short map leaves a flat floor at height 0 instead of unset samples.
    m_pHeightMap = static_cast<unsigned char*>(std::calloc(kMapBytes, 1));
    if (!m_pHeightMap) {
        sysTracef("The sea floor's height map could not be allocated.\n");
        return 0;
    }
    // A missing or short map is not reported: the samples not read stay zero (a flat floor).
    std::FILE* pFile = win32::OpenFile("height.raw", "rb");
    if (!pFile) return 0;
    std::fread(m_pHeightMap, 1, kMapBytes, pFile);
    std::fclose(pFile);
    return 0;
}

int CTerrain::Load(const char*) {
    IDirect3DDevice8* pDevice = g_pApp->m_pDevice;
    HRESULT hr = D3DXCreateTextureFromFileA(pDevice, "seafloor64.bmp", &m_pTexture);
    if (FAILED(hr)) {
        m_pTexture = nullptr;
        return hr;
    }
    hr = D3DXCreateTextureFromFileA(pDevice, "seafloor32.bmp", &m_pCoarseTexture);
    if (FAILED(hr)) {
        m_pCoarseTexture = nullptr;
        return hr;
    }
    return 0;
}

int CTerrain::CreateGrid(int nGrid, int nSide) {
    const UINT nBytes = nSide * nSide * kSceneVertexSize;
    HRESULT hr =
        g_pApp->m_pDevice->CreateVertexBuffer(nBytes, D3DUSAGE_WRITEONLY, kSceneFVF, D3DPOOL_MANAGED, &m_pVB[nGrid]);
    if (FAILED(hr)) return hr;
    BYTE* pData = nullptr;
    if (FAILED(hr = m_pVB[nGrid]->Lock(0, nBytes, &pData, 0))) return hr;
    auto* pV = reinterpret_cast<SceneVertex*>(pData);
    const float fSpacing = kPatchSize / (nSide - 1);
    for (int r = 0; r < nSide; ++r)
        for (int c = 0; c < nSide; ++c) {
            const float fLast = static_cast<float>(nSide - 1);
            pV[nSide * r + c] = {fSpacing * c, 0, fSpacing * (nSide - 1 - r), 0, 1, 0, c / fLast, r / fLast};
        }
    m_pVB[nGrid]->Unlock();
    return 0;
}

int CTerrain::Restore() {
    int hr;
    if ((hr = CreateGrid(0, 5)) != 0) return hr;
    if ((hr = CreateGrid(1, 3)) != 0) return hr;
    if ((hr = CreateStitchedIndexBuffers()) != 0) return hr;
    if ((hr = CreateCoarseIndexBuffer()) != 0) return hr;
    return 0;
}

int CTerrain::Invalidate() {
    ReleaseSet(m_pVB[0]);
    ReleaseSet(m_pVB[1]);
    for (IDirect3DIndexBuffer8** ppIB :
         {&m_pIBFull, &m_pIBEdgeMinX, &m_pIBEdgeMinXMinZ, &m_pIBEdgeMinXMaxZ, &m_pIBEdgeMaxX, &m_pIBEdgeMaxXMaxZ,
          &m_pIBEdgeMaxXMinZ, &m_pIBEdgeMaxZ, &m_pIBEdgeMinZ, &m_pIBCoarse})
        ReleaseSet(*ppIB);
    return 0;
}

int CTerrain::Destroy() {
    ReleaseSet(m_pTexture);
    ReleaseSet(m_pCoarseTexture);
    return 0;
}

int CTerrain::FreeData() {
    std::free(m_pPatches);
    std::free(m_pHeightMap);
    m_pPatches = nullptr;
    m_pHeightMap = nullptr;
    m_nPatches = 0;
    return 0;
}

int CTerrain::Update() {
    const CDiver* pDiver = g_pApp->Diver();
    if (!m_pPatches || !pDiver) return 0;
    const int n = static_cast<int>(m_fRange) / static_cast<int>(kPatchSize);
    const int cx = PatchIndex(pDiver->m_Transform.m_vPosition.x);
    const int cz = PatchIndex(pDiver->m_Transform.m_vPosition.z);
    static const signed char kNeighbourCodes[3][3] = {{7, 3, 5}, {2, 0, 1}, {8, 4, 6}};  // [dx + 1][dz + 1]
    int k = 0;
    for (int j = 0; j < 2 * n; ++j)
        for (int i = 0; i < 2 * n; ++i, ++k) {
            CTerrainPatch& patch = m_pPatches[k];
            const int pi = cx - n + i, pj = cz - n + j;
            patch.m_vPosition = D3DXVECTOR3(pi * kPatchSize, 0, pj * kPatchSize);
            const int dx = i - n, dz = j - n;
            patch.m_cDetail = (dx >= -1 && dx <= 1 && dz >= -1 && dz <= 1) ? kNeighbourCodes[dx + 1][dz + 1] : 17;
            // Built here as well as while drawing, so that this step's queries see the floor where the
            // patches now lie, also at the surface where the floor is not drawn.
            if (!m_pHeightMap) continue;
            if (IsCoarse(patch))
                BuildCoarseHeights(m_pHeightMap, pi, pj, patch.m_afHeight);
            else
                BuildDetailedHeights(m_pHeightMap, pi, pj, patch.m_afHeight);
        }
    m_nPatches = k;
    return 0;
}

int CTerrain::Render() {
    IDirect3DDevice8* pDevice = g_pApp->m_pDevice;
    const CDiver* pDiver = g_pApp->Diver();
    if (!m_pPatches || !pDevice) return 0;
    for (int k = 0; k < m_nPatches; ++k) {
        CTerrainPatch* pPatch = &m_pPatches[k];
        if (g_pApp->m_bTerrainFullDetail) {
            BuildDetailedPatch(pPatch);
            pDevice->SetIndices(m_pIBFull, 0);
            pDevice->SetStreamSource(0, m_pVB[0], kSceneVertexSize);
            pDevice->SetTexture(0, m_pTexture);
            m_dwNumFaces = 32;
            m_dwNumVertices = 25;
        } else {
            SelectPatchLod(pPatch);
        }
        D3DXMATRIX matWorld, matWV, matWVP;
        D3DXMatrixTranslation(&matWorld, pPatch->m_vPosition.x, pPatch->m_vPosition.y, pPatch->m_vPosition.z);
        D3DXMatrixMultiply(&matWV, &matWorld, &g_pApp->m_Camera.m_matView);
        D3DXMatrixMultiply(&matWVP, &matWV, &g_pApp->m_matProj);
        scnSetVector3(pDevice, VSC_LOOK_DIR, pDiver ? pDiver->m_vLookDir : D3DXVECTOR3(0, 0, 1));
        scnSetVector3(pDevice, VSC_DIVER_POS, pDiver ? pDiver->m_Transform.m_vPosition : D3DXVECTOR3(0, 0, 0));
        scnSetVector3(pDevice, VSC_OBJECT_POS, pPatch->m_vPosition);
        scnSetMatrix(pDevice, VSC_WVP, matWVP);
        scnSetMatrix(pDevice, VSC_WVP2, matWVP);
        scnSetMatrix(pDevice, VSC_WV, matWV);
        if (g_pApp->m_nRenderPass == 1) {
            pDevice->SetVertexShader(g_pApp->m_dwVSSeafloor);
        } else {
            if (scnHasTexture(m_szTextureFile)) pDevice->SetTexture(0, g_pApp->m_pCausticTex);
            pDevice->SetVertexShader(g_pApp->m_dwVSSeafloor2);
        }
        pDevice->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, m_dwNumVertices, 0, m_dwNumFaces);
    }
    return 0;
}
