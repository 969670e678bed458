#include "game/terrain.h"

#include <algorithm>
#include <array>

#include "game/gameapp.h"

namespace {

// Sample (i, j) as a height, read from the nearest edge sample when (i, j) lies outside the map.
float Sample(const unsigned char* pMap, int i, int j) {
    i = std::clamp(i, 0, kMapColumns - 1);
    j = std::clamp(j, 0, kMapRows - 1);
    return static_cast<float>(pMap[j * kMapColumns + i]) / 5.0f;
}

float EdgeMiddle(float a, float b, float c) { return (a + b) / 2 - ((c + b) / 2 - b) / 2; }
float EdgeNearA(float a, float b, float m) { return (a + m) / 2 - ((b + a) / 2 - m) / 2; }
float EdgeNearBAlongX(float b, float c, float m) { return (m + b) / 2 - (((c + b) / 2 + m) / 2 - b) / 2; }
float EdgeNearBAlongZ(float b, float c, float m) { return (m + b) / 2 - (((c + m) / 2 + m) / 2 - b) / 2; }

// Fills the three inner points of an edge k0 .. k4 (vertex indices stepping by nStep).
void BuildEdge(float* h, int k0, int nStep, float c, bool bAlongX) {
    const float a = h[k0], b = h[k0 + 4 * nStep];
    const float m = EdgeMiddle(a, b, c);
    h[k0 + 2 * nStep] = m;
    h[k0 + nStep] = EdgeNearA(a, b, m);
    h[k0 + 3 * nStep] = bAlongX ? EdgeNearBAlongX(b, c, m) : EdgeNearBAlongZ(b, c, m);
}

using Tri = std::array<WORD, 3>;

constexpr std::array<Tri, 32> kFull = {{
    {6, 7, 12},   {6, 12, 11},  {7, 8, 12},   {8, 13, 12},  {11, 12, 16}, {12, 17, 16}, {12, 13, 18}, {12, 18, 17},
    {0, 1, 6},    {0, 6, 5},    {1, 2, 6},    {2, 7, 6},    {2, 3, 8},    {2, 8, 7},    {3, 4, 8},    {4, 9, 8},
    {8, 9, 14},   {8, 14, 13},  {13, 14, 18}, {14, 19, 18}, {18, 19, 24}, {18, 24, 23}, {17, 18, 22}, {18, 23, 22},
    {16, 17, 22}, {16, 22, 21}, {15, 16, 20}, {16, 21, 20}, {10, 11, 16}, {10, 16, 15}, {5, 6, 10},   {6, 11, 10},
}};

// One stitched edge: its two dropped vertices and the two triangles that replace theirs.
struct Edge {
    WORD wDropA, wDropB;
    Tri replaceA, replaceB;
};
constexpr Edge kMaxZ = {1, 3, {0, 2, 6}, {2, 4, 8}};
constexpr Edge kMinZ = {21, 23, {16, 22, 20}, {18, 24, 22}};
constexpr Edge kMinX = {5, 15, {0, 6, 10}, {10, 16, 20}};
constexpr Edge kMaxX = {9, 19, {4, 14, 8}, {14, 24, 18}};

struct Stitched {
    std::array<WORD, 96> aw{};
    UINT nTriangles = 0;
};

constexpr bool Uses(const Tri& t, WORD w) { return t[0] == w || t[1] == w || t[2] == w; }

constexpr Stitched Stitch(const Edge* pFirst, const Edge* pSecond) {
    Stitched s;
    auto push = [&s](const Tri& t) {
        for (int k = 0; k < 3; ++k) s.aw[3 * s.nTriangles + k] = t[k];
        ++s.nTriangles;
    };
    auto dropped = [&](const Tri& t) {
        for (const Edge* e : {pFirst, pSecond})
            if (e && (Uses(t, e->wDropA) || Uses(t, e->wDropB))) return true;
        return false;
    };
    for (const Tri& t : kFull)
        if (!dropped(t)) push(t);
    for (const Edge* e : {pFirst, pSecond})
        if (e) {
            push(e->replaceA);
            push(e->replaceB);
        }
    return s;
}

// By detail code 0 .. 8; code 0 has no stitched edge.
constexpr std::array<Stitched, 9> kStitched = {
    Stitch(nullptr, nullptr), Stitch(&kMaxZ, nullptr), Stitch(&kMinZ, nullptr),
    Stitch(&kMinX, nullptr),  Stitch(&kMaxX, nullptr), Stitch(&kMinX, &kMaxZ),
    Stitch(&kMaxZ, &kMaxX),   Stitch(&kMinZ, &kMinX),  Stitch(&kMinZ, &kMaxX),
};
static_assert(kStitched[0].nTriangles == 32 && kStitched[1].nTriangles == 30 && kStitched[5].nTriangles == 28);

constexpr WORD kCoarse[24] = {0, 4, 3, 0, 1, 4, 1, 2, 4, 2, 5, 4, 3, 4, 6, 4, 7, 6, 4, 8, 7, 4, 5, 8};

// Interior point (r, c) of the detailed grid: the mean of the straight blends along its row, between the
// x = 0 and x = 20 edges, and along its column, between the z = 20 and z = 0 edges.
template <class T> T InteriorBlend(const T* v, int r, int c) {
    const float fc = c / 4.0f, fr = r / 4.0f;
    return ((1 - fc) * v[5 * r] + fc * v[5 * r + 4] + (1 - fr) * v[c] + fr * v[20 + c]) / 2;
}

}  // namespace

void BuildDetailedHeights(const unsigned char* pMap, int i, int j, float h[25]) {
    h[0] = Sample(pMap, i, j + 1);
    h[4] = Sample(pMap, i + 1, j + 1);
    h[20] = Sample(pMap, i, j);
    h[24] = Sample(pMap, i + 1, j);
    BuildEdge(h, 0, 1, Sample(pMap, i + 2, j + 1), true);
    BuildEdge(h, 20, 1, Sample(pMap, i + 2, j), true);
    BuildEdge(h, 0, 5, Sample(pMap, i, j - 1), false);
    BuildEdge(h, 4, 5, Sample(pMap, i + 1, j - 1), false);
    for (int r = 1; r <= 3; ++r)
        for (int c = 1; c <= 3; ++c) h[5 * r + c] = InteriorBlend(h, r, c);
}

namespace {

// The normal at sample (i, j) from its four neighbours 20 units away. Both differences take the lower
// sample minus the higher one, so that the normal leans away from a rise in x as in z.
D3DXVECTOR3 CornerNormal(const unsigned char* pMap, int i, int j) {
    D3DXVECTOR3 n(Sample(pMap, i - 1, j) - Sample(pMap, i + 1, j), 10.0f,
                  Sample(pMap, i, j - 1) - Sample(pMap, i, j + 1));
    D3DXVec3Normalize(&n, &n);
    return n;
}

D3DXVECTOR3 Normalized(const D3DXVECTOR3& v) {
    D3DXVECTOR3 n;
    D3DXVec3Normalize(&n, &v);
    return n;
}

}  // namespace

void BuildDetailedNormals(const unsigned char* pMap, int i, int j, D3DXVECTOR3 n[25]) {
    n[0] = CornerNormal(pMap, i, j + 1);
    n[4] = CornerNormal(pMap, i + 1, j + 1);
    n[20] = CornerNormal(pMap, i, j);
    n[24] = CornerNormal(pMap, i + 1, j);
    // The edges z = 20, z = 0, x = 0 and x = 20, each from its A corner k0 to its B corner.
    const int aEdge[4][2] = {{0, 1}, {20, 1}, {0, 5}, {4, 5}};
    for (const auto& e : aEdge) {
        const D3DXVECTOR3 a = n[e[0]], b = n[e[0] + 4 * e[1]];
        for (int p = 1; p <= 3; ++p) n[e[0] + p * e[1]] = Normalized((1 - p / 4.0f) * a + (p / 4.0f) * b);
    }
    for (int r = 1; r <= 3; ++r)
        for (int c = 1; c <= 3; ++c) n[5 * r + c] = Normalized(InteriorBlend(n, r, c));
}

void BuildCoarseNormals(const unsigned char* pMap, int i, int j, D3DXVECTOR3 n[9]) {
    n[0] = CornerNormal(pMap, i, j + 1);
    n[2] = CornerNormal(pMap, i + 1, j + 1);
    n[6] = CornerNormal(pMap, i, j);
    n[8] = CornerNormal(pMap, i + 1, j);
    n[1] = Normalized((n[0] + n[2]) / 2);
    n[3] = Normalized((n[0] + n[6]) / 2);
    n[5] = Normalized((n[2] + n[8]) / 2);
    n[7] = Normalized((n[6] + n[8]) / 2);
    n[4] = Normalized((n[0] + n[2] + n[6] + n[8]) / 4);
}

void BuildCoarseHeights(const unsigned char* pMap, int i, int j, float h[9]) {
    float d[25];
    BuildDetailedHeights(pMap, i, j, d);
    const int kEven[9] = {0, 2, 4, 10, 12, 14, 20, 22, 24};
    for (int k = 0; k < 9; ++k) h[k] = d[kEven[k]];
    h[4] = (0.5f * h[3] + 0.5f * h[5] + 0.5f * h[1] + 0.5f * h[7]) / 2;
}

TerrainIndexList terFullIndexList() { return {kStitched[0].aw.data(), kStitched[0].nTriangles}; }

TerrainIndexList terStitchedIndexList(int nDetail) {
    if (nDetail < 0 || nDetail > 8) return terCoarseIndexList();
    return {kStitched[nDetail].aw.data(), kStitched[nDetail].nTriangles};
}

TerrainIndexList terCoarseIndexList() { return {kCoarse, 8}; }

bool CTerrain::WriteGrid(IDirect3DVertexBuffer8* pVB, const float* pfHeight, const D3DXVECTOR3* pvNormal,
                         int nVertices) {
    BYTE* pData = nullptr;
    if (!pVB || FAILED(pVB->Lock(0, nVertices * kSceneVertexSize, &pData, 0))) return false;
    auto* pV = reinterpret_cast<SceneVertex*>(pData);
    for (int k = 0; k < nVertices; ++k) {
        pV[k].y = pfHeight[k];
        if (pvNormal) pV[k].nx = pvNormal[k].x, pV[k].ny = pvNormal[k].y, pV[k].nz = pvNormal[k].z;
    }
    pVB->Unlock();
    return true;
}

int CTerrain::BuildPatch(CTerrainPatch* pPatch, bool bCoarse) {
    const int nVertices = bCoarse ? 9 : 25;
    float afHeight[25];
    D3DXVECTOR3 avNormal[25];
    const bool bNormals = g_pApp->m_bTerrainNormals && m_pHeightMap;
    if (m_pHeightMap) {
        const int i = static_cast<int>(pPatch->m_vPosition.x / kPatchSize);
        const int j = static_cast<int>(pPatch->m_vPosition.z / kPatchSize);
        if (bCoarse) {
            BuildCoarseHeights(m_pHeightMap, i, j, afHeight);
            if (bNormals) BuildCoarseNormals(m_pHeightMap, i, j, avNormal);
        } else {
            BuildDetailedHeights(m_pHeightMap, i, j, afHeight);
            if (bNormals) BuildDetailedNormals(m_pHeightMap, i, j, avNormal);
        }
    } else {
        std::copy(pPatch->m_afHeight, pPatch->m_afHeight + nVertices, afHeight);
    }
    // A failed lock leaves the grid and the record as they were; the patch is still drawn.
    if (WriteGrid(m_pVB[bCoarse ? 1 : 0], afHeight, bNormals ? avNormal : nullptr, nVertices))
        std::copy(afHeight, afHeight + nVertices, pPatch->m_afHeight);
    return 0;
}

int CTerrain::BuildDetailedPatch(CTerrainPatch* pPatch) { return BuildPatch(pPatch, false); }

int CTerrain::BuildCoarsePatch(CTerrainPatch* pPatch) { return BuildPatch(pPatch, true); }

int CTerrain::BuildPatchBilinear(CTerrainPatch* pPatch) {
    if (!m_pHeightMap) return 0;
    const int i = static_cast<int>(pPatch->m_vPosition.x / kPatchSize);
    const int j = static_cast<int>(pPatch->m_vPosition.z / kPatchSize);
    const float f0 = Sample(m_pHeightMap, i, j + 1), f4 = Sample(m_pHeightMap, i + 1, j + 1);
    const float f20 = Sample(m_pHeightMap, i, j), f24 = Sample(m_pHeightMap, i + 1, j);
    float afHeight[25];
    for (int r = 0; r < 5; ++r)
        for (int c = 0; c < 5; ++c) {
            const float fc = c / 4.0f, fr = r / 4.0f;
            afHeight[5 * r + c] = (1 - fr) * ((1 - fc) * f0 + fc * f4) + fr * ((1 - fc) * f20 + fc * f24);
        }
    WriteGrid(m_pVB[0], afHeight, nullptr, 25);
    return 0;
}

int CTerrain::SelectPatchLod(CTerrainPatch* pPatch) {
    IDirect3DDevice8* pDevice = g_pApp->m_pDevice;
    m_dwNumFaces = 32;
    m_dwNumVertices = 25;
    IDirect3DIndexBuffer8* apStitched[9] = {m_pIBFull,         m_pIBEdgeMaxZ,     m_pIBEdgeMinZ,
                                            m_pIBEdgeMinX,     m_pIBEdgeMaxX,     m_pIBEdgeMinXMaxZ,
                                            m_pIBEdgeMaxXMaxZ, m_pIBEdgeMinXMinZ, m_pIBEdgeMaxXMinZ};
    // The code alone decides; any code outside the diver's patch and its neighbours draws coarse.
    const int nCode = pPatch->m_cDetail;
    if (nCode >= 0 && nCode <= 8) {
        BuildDetailedPatch(pPatch);
        m_dwNumFaces = terStitchedIndexList(nCode).nTriangles;
        pDevice->SetIndices(apStitched[nCode], 0);
        pDevice->SetStreamSource(0, m_pVB[0], kSceneVertexSize);
        pDevice->SetTexture(0, m_pTexture);
    } else {
        BuildCoarsePatch(pPatch);
        m_dwNumFaces = 8;
        m_dwNumVertices = 9;
        pDevice->SetIndices(m_pIBCoarse, 0);
        pDevice->SetStreamSource(0, m_pVB[1], kSceneVertexSize);
        pDevice->SetTexture(0, m_pCoarseTexture);
    }
    return 0;
}

bool CTerrain::IsCoarse(const CTerrainPatch& patch) const {
    return !g_pApp->m_bTerrainFullDetail && (patch.m_cDetail < 0 || patch.m_cDetail > 8);
}

namespace {

int CreateFilled(IDirect3DDevice8* pDevice, const TerrainIndexList& list, IDirect3DIndexBuffer8** ppIB) {
    const UINT nBytes = list.nTriangles * 3 * sizeof(WORD);
    return pDevice->CreateIndexBuffer(nBytes, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_MANAGED, ppIB);
}

int Fill(IDirect3DIndexBuffer8* pIB, const TerrainIndexList& list) {
    const UINT nBytes = list.nTriangles * 3 * sizeof(WORD);
    BYTE* pData = nullptr;
    const HRESULT hr = pIB->Lock(0, nBytes, &pData, 0);
    if (FAILED(hr)) return hr;
    std::copy(list.pIndices, list.pIndices + 3 * list.nTriangles, reinterpret_cast<WORD*>(pData));
    pIB->Unlock();
    return 0;
}

}  // namespace

int CTerrain::CreateStitchedIndexBuffers() {
    IDirect3DDevice8* pDevice = g_pApp->m_pDevice;
    IDirect3DIndexBuffer8** appIB[9] = {&m_pIBFull,         &m_pIBEdgeMaxZ,     &m_pIBEdgeMinZ,
                                        &m_pIBEdgeMinX,     &m_pIBEdgeMaxX,     &m_pIBEdgeMinXMaxZ,
                                        &m_pIBEdgeMaxXMaxZ, &m_pIBEdgeMinXMinZ, &m_pIBEdgeMaxXMinZ};
    int hr;
    for (int c = 0; c < 9; ++c)
        if ((hr = CreateFilled(pDevice, terStitchedIndexList(c), appIB[c])) != 0) return hr;
    for (int c = 0; c < 9; ++c)
        if ((hr = Fill(*appIB[c], terStitchedIndexList(c))) != 0) return hr;
    return 0;
}

int CTerrain::CreateCoarseIndexBuffer() {
    int hr = CreateFilled(g_pApp->m_pDevice, terCoarseIndexList(), &m_pIBCoarse);
    if (hr != 0) return hr;
    return Fill(m_pIBCoarse, terCoarseIndexList());
}
