// The sea floor: patch heights and index lists from an in-memory map, the window around the diver,
// the point and ray queries, its draws on the record backend; and the surface plane.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "game/surfaceplane.h"
#include "game/terrain.h"
#include "game/vsconsts.h"
#include "game_fixture.h"

namespace {

using gametest::GameTest;
using gametest::SmallLevel;

using Map = std::vector<unsigned char>;
Map FlatMap(unsigned char b) { return Map(static_cast<size_t>(kMapColumns) * kMapRows, b); }
// Samples from a fixed linear congruential sequence: every patch differs from its neighbours.
Map RandomMap(unsigned int seed) {
    Map m = FlatMap(0);
    for (auto& b : m) b = static_cast<unsigned char>((seed = seed * 1103515245u + 12345u) >> 24);
    return m;
}
void Set(Map& m, int i, int j, unsigned char b) { m[static_cast<size_t>(j) * kMapColumns + i] = b; }

struct HeightCase {
    const char* szName;
    std::vector<std::array<int, 3>> samples;  // (di, dj, byte) around patch (100, 100) on a zero map
    std::vector<std::pair<int, float>> heights;
};

TEST(TerrainHeights, EdgeRuleAndInteriorBlend) {
    const HeightCase cases[] = {
        {"constant", {}, {{0, 0}, {12, 0}, {24, 0}}},
        {"rise toward +x", {{0, 1, 0}, {1, 1, 5}, {2, 1, 10}}, {{0, 0}, {1, 0}, {2, 0.25f}, {3, 0.6875f}, {4, 1}}},
        {"rise toward -z", {{0, 1, 0}, {0, 0, 5}, {0, -1, 10}}, {{0, 0}, {5, 0}, {10, 0.25f}, {15, 0.78125f}, {20, 1}}},
        {"beyond +x raised", {{2, 0, 255}, {2, 1, 255}}, {{3, -9.5625f}, {23, -9.5625f}, {12, -6.375f}}},
    };
    for (const HeightCase& c : cases) {
        Map m = FlatMap(0);
        for (const auto& s : c.samples) Set(m, 100 + s[0], 100 + s[1], static_cast<unsigned char>(s[2]));
        float h[25];
        BuildDetailedHeights(m.data(), 100, 100, h);
        for (const auto& [k, f] : c.heights) EXPECT_FLOAT_EQ(h[k], f) << c.szName << " vertex " << k;
    }
    // Float heights, not whole-unit terraces.
    Map m = FlatMap(7);
    float h[25];
    BuildDetailedHeights(m.data(), 100, 100, h);
    for (float f : h) EXPECT_FLOAT_EQ(f, 1.4f);
}

TEST(TerrainHeights, CoarseMatchesDetailedAndEdgesStayInsideTheMap) {
    Map m = FlatMap(0);
    unsigned int seed = 12345;
    for (auto& b : m) b = static_cast<unsigned char>((seed = seed * 1103515245u + 12345u) >> 16);
    // Inside, at each corner and edge of the map, and past it (the sanitizer build sees any stray read).
    const int ij[][2] = {{100, 100}, {0, 0}, {1998, 998}, {1999, 999}, {-3, -7}, {2100, 1200}, {-1, 999}};
    for (const auto& p : ij) {
        float d[25], c[9];
        BuildDetailedHeights(m.data(), p[0], p[1], d);
        BuildCoarseHeights(m.data(), p[0], p[1], c);
        const int kEven[9] = {0, 2, 4, 10, 12, 14, 20, 22, 24};
        for (int k = 0; k < 9; ++k) EXPECT_FLOAT_EQ(c[k], d[kEven[k]]) << p[0] << "," << p[1] << " k " << k;
    }
    // Past the edge the nearest edge sample stands in.
    Map e = FlatMap(0);
    Set(e, 1999, 999, 50);
    float d[25];
    BuildDetailedHeights(e.data(), 1999, 999, d);
    for (int k : {0, 1, 2, 3, 4, 20, 21, 22, 23, 24}) EXPECT_FLOAT_EQ(d[k], 10) << k;
}

D3DXVECTOR3 Unit(float x, float y, float z) {
    D3DXVECTOR3 v(x, y, z);
    D3DXVec3Normalize(&v, &v);
    return v;
}

void ExpectNear(const D3DXVECTOR3& a, const D3DXVECTOR3& b, const std::string& strWhat) {
    EXPECT_NEAR(a.x, b.x, 1e-5) << strWhat;
    EXPECT_NEAR(a.y, b.y, 1e-5) << strWhat;
    EXPECT_NEAR(a.z, b.z, 1e-5) << strWhat;
}

TEST(TerrainNormals, LeanAwayFromTheRiseAndBlendAlongEdgesAndInside) {
    // Even slopes: every normal is the corner normal of the slope (height differences over 40 units
    // against the fixed 10 up).
    const struct {
        const char* szName;
        int nPerColumn, nPerRow;  // bytes added per sample step
        D3DXVECTOR3 vNormal;
    } slopes[] = {
        {"flat", 0, 0, {0, 1, 0}},
        {"rise toward +x", 5, 0, Unit(-2, 10, 0)},
        {"rise toward +z", 0, 5, Unit(0, 10, -2)},
        {"fall toward +x, rise toward +z", -10, 15, Unit(4, 10, -6)},
    };
    for (const auto& c : slopes) {
        Map m = FlatMap(0);
        for (int j = 98; j <= 103; ++j)
            for (int i = 98; i <= 103; ++i)
                Set(m, i, j, static_cast<unsigned char>(128 + c.nPerColumn * (i - 100) + c.nPerRow * (j - 100)));
        D3DXVECTOR3 d[25], n[9];
        BuildDetailedNormals(m.data(), 100, 100, d);
        BuildCoarseNormals(m.data(), 100, 100, n);
        for (int k = 0; k < 25; ++k)
            ExpectNear(d[k], c.vNormal, std::string(c.szName) + " detailed " + std::to_string(k));
        for (int k = 0; k < 9; ++k) ExpectNear(n[k], c.vNormal, std::string(c.szName) + " coarse " + std::to_string(k));
    }
    // One raised sample at corner 4 (S(1, 1)): corner 0 has it toward +x, corner 24 toward +z, corner 4
    // itself stays level; the edges and the inside blend the corners by position.
    Map m = FlatMap(0);
    Set(m, 101, 101, 50);
    D3DXVECTOR3 d[25], n[9];
    BuildDetailedNormals(m.data(), 100, 100, d);
    BuildCoarseNormals(m.data(), 100, 100, n);
    const D3DXVECTOR3 n0 = Unit(-10, 10, 0), n4(0, 1, 0), n20(0, 1, 0), n24 = Unit(0, 10, -10);
    ExpectNear(d[0], n0, "corner 0");
    ExpectNear(d[4], n4, "corner 4");
    ExpectNear(d[20], n20, "corner 20");
    ExpectNear(d[24], n24, "corner 24");
    ExpectNear(d[1], Unit(0.75f * n0.x + 0.25f * n4.x, 0.75f * n0.y + 0.25f * n4.y, 0), "near A of z = 20");
    ExpectNear(d[19], Unit(0, 0.25f * n4.y + 0.75f * n24.y, 0.75f * n24.z), "near B of x = 20");
    D3DXVECTOR3 vCentre = (d[10] + d[14] + d[2] + d[22]) / 4;
    D3DXVec3Normalize(&vCentre, &vCentre);
    ExpectNear(d[12], vCentre, "centre");
    const int kEvenEdge[4] = {2, 10, 14, 22};
    for (int k = 0; k < 4; ++k)
        ExpectNear(n[2 * k + 1], d[kEvenEdge[k]], "coarse edge middle " + std::to_string(2 * k + 1));
    ExpectNear(n[0], n0, "coarse corner 0");
    ExpectNear(n[8], n24, "coarse corner 8");
    ExpectNear(n[4], Unit(n0.x + n4.x + n20.x + n24.x, n0.y + n4.y + n20.y + n24.y, n0.z + n4.z + n20.z + n24.z),
               "coarse centre");
}

// Local (x, z) of a detailed or coarse grid vertex.
D3DXVECTOR3 GridPos(int k, int nSide) {
    const float s = 20.0f / (nSide - 1);
    return D3DXVECTOR3(s * (k % nSide), 0, s * (nSide - 1 - k / nSide));
}

bool Uses(const WORD* w, int k) { return w[0] == k || w[1] == k || w[2] == k; }

TEST(TerrainIndexLists, CountsWindingAndDroppedVertices) {
    struct ListCase {
        int nCode;
        UINT nTriangles;
        std::vector<WORD> dropped;
        std::vector<WORD> replacements;  // the closing triangles, in their order
    };
    const std::vector<WORD> maxZ = {0, 2, 6, 2, 4, 8}, minZ = {16, 22, 20, 18, 24, 22}, minX = {0, 6, 10, 10, 16, 20},
                            maxX = {4, 14, 8, 14, 24, 18};
    auto join = [](std::vector<WORD> a, const std::vector<WORD>& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };
    const ListCase cases[] = {
        {0, 32, {}, {}},
        {1, 30, {1, 3}, maxZ},
        {2, 30, {21, 23}, minZ},
        {3, 30, {5, 15}, minX},
        {4, 30, {9, 19}, maxX},
        {5, 28, {5, 15, 1, 3}, join(minX, maxZ)},
        {6, 28, {9, 19, 1, 3}, join(maxZ, maxX)},
        {7, 28, {5, 15, 21, 23}, join(minZ, minX)},
        {8, 28, {9, 19, 21, 23}, join(minZ, maxX)},
        {17, 8, {}, {}},
    };
    const TerrainIndexList full = terFullIndexList();
    for (const ListCase& c : cases) {
        const TerrainIndexList list = terStitchedIndexList(c.nCode);
        const int nSide = c.nCode == 17 ? 3 : 5;
        ASSERT_EQ(list.nTriangles, c.nTriangles) << "code " << c.nCode;
        double fArea = 0;
        for (UINT t = 0; t < list.nTriangles; ++t) {
            const WORD* w = list.pIndices + 3 * t;
            for (int k = 0; k < 3; ++k) {
                ASSERT_LT(w[k], nSide * nSide);
                for (WORD d : c.dropped) EXPECT_NE(w[k], d) << "code " << c.nCode << " triangle " << t;
            }
            D3DXVECTOR3 a = GridPos(w[1], nSide) - GridPos(w[0], nSide),
                        b = GridPos(w[2], nSide) - GridPos(w[0], nSide);
            D3DXVECTOR3 n;
            D3DXVec3Cross(&n, &a, &b);
            EXPECT_GT(n.y, 0) << "code " << c.nCode << " triangle " << t;
            fArea += n.y / 2;
        }
        EXPECT_DOUBLE_EQ(fArea, 400) << "code " << c.nCode << " covers the patch once";
        if (c.nCode == 17) continue;
        // The full list's triangles that remain, in its order, then the replacements.
        const size_t nKept = 3 * list.nTriangles - c.replacements.size();
        const std::vector<WORD> tail(list.pIndices + nKept, list.pIndices + 3 * list.nTriangles);
        EXPECT_EQ(tail, c.replacements) << "code " << c.nCode;
        size_t nFull = 0;
        for (size_t t = 0; t < nKept; t += 3) {
            while (nFull < 96 && !std::equal(list.pIndices + t, list.pIndices + t + 3, full.pIndices + nFull))
                nFull += 3;
            EXPECT_LT(nFull, 96u) << "code " << c.nCode << " triangle " << t / 3 << " is not in the full list's order";
            nFull += 3;
        }
    }
    // The full list starts with the inner cells and splits each cell through its even corners.
    EXPECT_EQ(std::vector<WORD>(full.pIndices, full.pIndices + 6), (std::vector<WORD>{6, 7, 12, 6, 12, 11}));
    EXPECT_EQ(std::vector<WORD>(full.pIndices + 24, full.pIndices + 30), (std::vector<WORD>{0, 1, 6, 0, 6, 5}));
    for (UINT t = 0; t < 32; ++t) {
        const WORD* w = full.pIndices + 3 * t;
        const int r = std::min({w[0] / 5, w[1] / 5, w[2] / 5}), c = std::min({w[0] % 5, w[1] % 5, w[2] % 5});
        const int k0 = 5 * r + c;
        const int a = (r + c) % 2 == 0 ? k0 : k0 + 1, b = (r + c) % 2 == 0 ? k0 + 6 : k0 + 5;
        EXPECT_TRUE(Uses(w, a) && Uses(w, b)) << "triangle " << t << " crosses cell (" << r << ", " << c << ")";
    }
}

// The sea floor of a loaded level, with a height map written to the scratch folder first.
class TerrainTest : public GameTest {
protected:
    void Start(const Map* pMap) {
        WriteLevel("nivel1", SmallLevel("nivel2"));
        WriteLevel("nivel2", SmallLevel("nivel1"));
        if (pMap)
            std::ofstream("height.raw", std::ios::binary)
                .write(reinterpret_cast<const char*>(pMap->data()), pMap->size());
        // The floor's two textures, so that each draw shows which one it bound.
        for (const char* szName : {"seafloor64.bmp", "seafloor32.bmp"}) gametest::WriteBmp2x2(szName);
        StartDevice();
    }
    // The draws of the last frame's scene, each with the constant registers and texture binds since the
    // draw before it.
    struct FrameDraw {
        const d3d8::DrawRecord* pDraw;
        std::vector<DWORD> registers;
        int nTextureBinds;
    };
    std::vector<FrameDraw> LastFrameDraws() {
        std::vector<FrameDraw> draws;
        std::vector<DWORD> registers;
        int nBinds = 0;
        for (const d3d8::Call& c : Log()) {
            if (c.method == "Clear") draws.clear();
            if (c.method == "SetVertexShaderConstant") registers.push_back(c.args[0]);
            if (c.method == "SetTexture" && c.args[0] == 0) ++nBinds;
            if (c.draw) {
                draws.push_back({c.draw.get(), registers, nBinds});
                registers.clear();
                nBinds = 0;
            }
        }
        return draws;
    }
    // The heights a floor draw sent, read from its vertex grid.
    static std::vector<float> DrawnHeights(const d3d8::DrawRecord& d) {
        std::vector<float> heights;
        const auto* pV = reinterpret_cast<const SceneVertex*>(d.streams.at(0).data.data());
        for (UINT k = 0; k < d.vertexCount; ++k) heights.push_back(pV[k].y);
        return heights;
    }
    CTerrain& Terrain() { return *App().m_pTerrain; }
    void PlaceDiver(float x, float y, float z) {
        App().Diver()->m_Transform.m_vPosition = D3DXVECTOR3(x, y, z);
        Terrain().Update();
    }
};

TEST_F(TerrainTest, WindowAroundTheDiver) {
    Start(nullptr);
    PlaceDiver(3010, 30, 2990);
    CTerrain& t = Terrain();
    EXPECT_EQ(t.m_nPatches, 100);
    const struct {
        int k;
        float x, z;
        int nCode;
    } records[] = {{0, 2900, 2880, 17}, {55, 3000, 2980, 0},  {56, 3020, 2980, 4}, {65, 3000, 3000, 1},
                   {44, 2980, 2960, 7}, {99, 3080, 3060, 17}, {54, 2980, 2980, 3}, {66, 3020, 3000, 6}};
    for (const auto& r : records) {
        EXPECT_EQ(t.m_pPatches[r.k].m_vPosition, D3DXVECTOR3(r.x, 0, r.z)) << "record " << r.k;
        EXPECT_EQ(t.m_pPatches[r.k].m_cDetail, r.nCode) << "record " << r.k;
    }
    const struct {
        float x;
        float fCorner;
    } bounds[] = {{3000.0f, 3000}, {2999.9f, 2980}, {-0.5f, -20}, {-20.0f, -20}, {-20.5f, -40}};
    for (const auto& b : bounds) {
        PlaceDiver(b.x, 30, b.x);
        EXPECT_EQ(t.m_pPatches[55].m_vPosition.x, b.fCorner) << b.x;
        EXPECT_EQ(t.m_pPatches[55].m_vPosition.z, b.fCorner) << b.x;
    }
}

TEST_F(TerrainTest, GridsLayTheirRowsFromTheFarEdgeAndMapTheTextureOnce) {
    Start(nullptr);
    // (vertex, x, z, u, v): row 0 lies along z = 20 with v = 0, column 0 along x = 0 with u = 0.
    const struct {
        int nGrid, k;
        float x, z, u, v;
    } cases[] = {
        {0, 0, 0, 20, 0, 0},         {0, 4, 20, 20, 1, 0},         {0, 20, 0, 0, 0, 1},    {0, 24, 20, 0, 1, 1},
        {0, 7, 10, 15, 0.5f, 0.25f}, {0, 13, 15, 10, 0.75f, 0.5f}, {1, 0, 0, 20, 0, 0},    {1, 2, 20, 20, 1, 0},
        {1, 5, 20, 10, 1, 0.5f},     {1, 6, 0, 0, 0, 1},           {1, 7, 10, 0, 0.5f, 1},
    };
    for (const auto& c : cases) {
        BYTE* pData = nullptr;
        IDirect3DVertexBuffer8* pVB = Terrain().m_pVB[c.nGrid];
        ASSERT_EQ(pVB->Lock(0, 0, &pData, 0), D3D_OK);
        const SceneVertex v = reinterpret_cast<const SceneVertex*>(pData)[c.k];
        pVB->Unlock();
        const std::string strWhat = "grid " + std::to_string(c.nGrid) + " vertex " + std::to_string(c.k);
        EXPECT_FLOAT_EQ(v.x, c.x) << strWhat;
        EXPECT_FLOAT_EQ(v.z, c.z) << strWhat;
        EXPECT_FLOAT_EQ(v.u, c.u) << strWhat;
        EXPECT_FLOAT_EQ(v.v, c.v) << strWhat;
        EXPECT_EQ(D3DXVECTOR3(v.nx, v.ny, v.nz), D3DXVECTOR3(0, 1, 0)) << strWhat;
    }
}

TEST_F(TerrainTest, HeightsFollowTheWindowBeforeAnyDraw) {
    Map m = FlatMap(0);
    Set(m, 150, 149, 100);  // sample at (3000, 2980): height 20
    Start(&m);
    PlaceDiver(3010, 30, 2990);
    EXPECT_FLOAT_EQ(Terrain().m_pPatches[55].m_afHeight[20], 20);
    EXPECT_EQ(Terrain().IsBelowSurface(D3DXVECTOR3(3000.1f, 19, 2980.1f)), 1);
    // One patch on: the record that now holds that sample was rebuilt at its new place.
    PlaceDiver(3030, 30, 2990);
    EXPECT_FLOAT_EQ(Terrain().m_pPatches[54].m_afHeight[20], 20);
    EXPECT_FLOAT_EQ(Terrain().m_pPatches[55].m_afHeight[20], 0);
    // Far outside the map: the edge samples stand in (the sanitizer build checks the reads).
    PlaceDiver(-500, 30, 30000);
    PlaceDiver(50000, 30, -9000);
    EXPECT_EQ(Terrain().m_nPatches, 100);
}

TEST_F(TerrainTest, MissingOrShortMapGivesAFlatFloor) {
    Map shortMap(1000, 200);
    WriteLevel("nivel1", SmallLevel("nivel2"));
    WriteLevel("nivel2", SmallLevel("nivel1"));
    std::ofstream("height.raw", std::ios::binary).write(reinterpret_cast<const char*>(shortMap.data()), 1000);
    StartDevice();
    ASSERT_NE(Terrain().m_pHeightMap, nullptr);
    EXPECT_EQ(Terrain().m_pHeightMap[999], 200);
    EXPECT_EQ(Terrain().m_pHeightMap[1000], 0);
    EXPECT_EQ(Terrain().m_pHeightMap[kMapColumns * kMapRows - 1], 0);
    std::filesystem::remove("height.raw");
    Terrain().Reset(D3DXVECTOR3(0, 0, 0));
    ASSERT_NE(Terrain().m_pHeightMap, nullptr);
    EXPECT_EQ(Terrain().m_pHeightMap[999], 0);
    // Opened through the file layer, so a name in other letter case is found.
    std::ofstream("Height.RAW", std::ios::binary).write(reinterpret_cast<const char*>(shortMap.data()), 1000);
    Terrain().Reset(D3DXVECTOR3(0, 0, 0));
    EXPECT_EQ(Terrain().m_pHeightMap[999], 200);
    std::filesystem::remove("Height.RAW");
}

TEST_F(TerrainTest, PointQueryPicksTheTriangleByDistance) {
    Start(nullptr);
    PlaceDiver(3010, 30, 2990);
    CTerrain& t = Terrain();
    float* h = t.m_pPatches[55].m_afHeight;
    for (int k = 0; k < 25; ++k) h[k] = 10;
    ASSERT_EQ(t.IsBelowSurface(D3DXVECTOR3(3006, 5, 2991)), 1);
    D3DXVECTOR3 vPoint;
    const D3DXVECTOR3* pTri = t.GetLastSurfaceHit(&vPoint);
    EXPECT_EQ(pTri[0], D3DXVECTOR3(3010, 10, 2990));
    EXPECT_EQ(pTri[1], D3DXVECTOR3(3005, 10, 2990));
    EXPECT_EQ(pTri[2], D3DXVECTOR3(3005, 10, 2995));
    EXPECT_NEAR(vPoint.y, 10, 1e-4);
    EXPECT_EQ(vPoint.x, 3006);
    // As near to both corners: the second triangle, with heights 12, 6 and 7.
    h[12] = 12, h[6] = 6, h[7] = 7;
    t.IsBelowSurface(D3DXVECTOR3(3007, 5, 2993));
    t.GetLastSurfaceHit(&vPoint);
    EXPECT_EQ(pTri[0], D3DXVECTOR3(3010, 12, 2990));
    EXPECT_EQ(pTri[1], D3DXVECTOR3(3005, 6, 2995));
    EXPECT_EQ(pTri[2], D3DXVECTOR3(3010, 7, 2995));
    for (int k = 0; k < 25; ++k) h[k] = 10;
    EXPECT_EQ(t.IsBelowSurface(D3DXVECTOR3(3006, 10, 2991)), 0) << "at the floor is not below";
    // Outside the window: nothing recorded.
    const D3DXVECTOR3 vKeep = t.m_vLastSurfacePoint;
    for (const D3DXVECTOR3& p : {D3DXVECTOR3(2899, -50, 3000), D3DXVECTOR3(3100, -50, 3000),
                                 D3DXVECTOR3(3000, -50, 2879), D3DXVECTOR3(3000, -50, 3080)})
        EXPECT_EQ(t.IsBelowSurface(p), 0) << p.x << "," << p.z;
    EXPECT_EQ(t.m_vLastSurfacePoint, vKeep);
}

TEST_F(TerrainTest, QueriesBelowZeroAndFarOffTheWindow) {
    Start(nullptr);
    PlaceDiver(-10, 30, -10);
    CTerrain& t = Terrain();
    ASSERT_EQ(t.m_pPatches[55].m_vPosition, D3DXVECTOR3(-20, 0, -20));
    float* h = t.m_pPatches[55].m_afHeight;
    for (int k = 0; k < 25; ++k) h[k] = static_cast<float>(k);
    // Points just below zero lie in the patch below zero, with their cell's own heights.
    const struct {
        D3DXVECTOR3 p;
        D3DXVECTOR3 tri[3];
    } cases[] = {
        {{-15, -100, -5}, {{-10, 7, -5}, {-15, 6, -5}, {-15, 1, 0}}},
        {{-0.5f, -100, -0.5f}, {{0, 9, -5}, {-5, 3, 0}, {0, 4, 0}}},
        {{-19.5f, -100, -19.5f}, {{-15, 21, -20}, {-20, 20, -20}, {-20, 15, -15}}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(t.IsBelowSurface(c.p), 1) << c.p.x << "," << c.p.z;
        D3DXVECTOR3 vPoint;
        const D3DXVECTOR3* pTri = t.GetLastSurfaceHit(&vPoint);
        for (int k = 0; k < 3; ++k) EXPECT_EQ(pTri[k], c.tri[k]) << c.p.x << "," << c.p.z << " corner " << k;
    }
    // Points that are no number or lie far away are in no patch, and change nothing recorded.
    const D3DXVECTOR3 vKeep = t.m_vLastSurfacePoint, vKeepTri = t.m_vLastTriangle[0];
    const float fNaN = std::nanf(""), fInf = INFINITY;
    for (const D3DXVECTOR3& p : {D3DXVECTOR3(fNaN, -50, -10), D3DXVECTOR3(-10, -50, fNaN), D3DXVECTOR3(fInf, -50, -10),
                                 D3DXVECTOR3(-10, -50, -fInf), D3DXVECTOR3(1e30f, -50, -10),
                                 D3DXVECTOR3(-10, -50, -1e30f), D3DXVECTOR3(3e9f, -50, -10)})
        EXPECT_EQ(t.IsBelowSurface(p), 0) << p.x << "," << p.z;
    EXPECT_EQ(t.m_vLastSurfacePoint, vKeep);
    EXPECT_EQ(t.m_vLastTriangle[0], vKeepTri);
    // A diver position of the same kinds still lays out a whole window (the sanitizer build checks the
    // arithmetic and the reads).
    for (const float f : {fNaN, fInf, -fInf, 1e30f, -3e9f}) {
        PlaceDiver(f, 30, f);
        EXPECT_EQ(t.m_nPatches, 100) << f;
        EXPECT_EQ(t.IsBelowSurface(D3DXVECTOR3(f, -50, f)), 0) << f;
    }
}

TEST_F(TerrainTest, RayQueryStepsAndHalves) {
    const Map m = FlatMap(50);  // height 10 everywhere
    Start(&m);
    PlaceDiver(3010, 30, 2990);
    const struct {
        float fOriginY, fStart;
        int nResult;
        float fT;
    } cases[] = {{30, 55, 1, 20.625f}, {15, 20, 1, 5.0f}, {25, 20, 1, 15.3125f}, {40, 20, 0, -1}, {5, 20, 1, 0}};
    for (const auto& c : cases) {
        float t = -1;
        EXPECT_EQ(
            Terrain().FindSurfaceAlongRay(D3DXVECTOR3(0, -1, 0), D3DXVECTOR3(3010, c.fOriginY, 2990), &t, c.fStart),
            c.nResult)
            << c.fOriginY;
        EXPECT_FLOAT_EQ(t, c.fT) << c.fOriginY;
    }
    float t = -1;
    EXPECT_EQ(Terrain().FindSurfaceAlongRay(D3DXVECTOR3(0, -1, 0), D3DXVECTOR3(9000, 30, 2990), &t, 55), 0)
        << "outside the window";
}

TEST_F(TerrainTest, DrawsEveryPatchInBothPassesAndThePlaneBindsNoTexture) {
    const Map m = RandomMap(777u);
    Start(&m);
    CGameApp& app = App();
    Frame(0.5f);
    const CTerrain& t = Terrain();
    ASSERT_NE(t.m_pTexture, nullptr);
    ASSERT_NE(app.m_pCausticTex, nullptr);
    int nFloor[3] = {}, nPlane = 0;
    const void* pBefore = nullptr;
    const std::vector<DWORD> order = {VSC_LOOK_DIR, VSC_DIVER_POS, VSC_OBJECT_POS, VSC_WVP, VSC_WVP2, VSC_WV};
    for (const FrameDraw& f : LastFrameDraws()) {
        const auto& d = *f.pDraw;
        const int nPass = d.vertexShader == app.m_dwVSSeafloor ? 1 : d.vertexShader == app.m_dwVSSeafloor2 ? 2 : 0;
        if (nPass) {
            const int k = nFloor[nPass]++;
            ASSERT_LT(k, 100);
            const CTerrainPatch& patch = t.m_pPatches[k];
            EXPECT_EQ(d.primitiveCount, 32u);
            EXPECT_EQ(d.vertexCount, 25u);
            ASSERT_GE(f.registers.size(), order.size());
            EXPECT_EQ(std::vector<DWORD>(f.registers.end() - 6, f.registers.end()), order) << "patch " << k;
            for (int r = 0; r < 4; ++r)
                for (int c = 0; c < 4; ++c) EXPECT_EQ(d.constants[VSC_WVP + r][c], d.constants[VSC_WVP2 + r][c]);
            EXPECT_EQ(D3DXVECTOR3(d.constants[VSC_OBJECT_POS][0], d.constants[VSC_OBJECT_POS][1],
                                  d.constants[VSC_OBJECT_POS][2]),
                      patch.m_vPosition)
                << "patch " << k;
            // Each draw sees the heights of its own place, uploaded just before it.
            float h[25];
            BuildDetailedHeights(m.data(), static_cast<int>(patch.m_vPosition.x / 20),
                                 static_cast<int>(patch.m_vPosition.z / 20), h);
            EXPECT_EQ(DrawnHeights(d), std::vector<float>(h, h + 25)) << "patch " << k;
            EXPECT_EQ(d.textures[0], nPass == 1 ? static_cast<const void*>(t.m_pTexture) : app.m_pCausticTex);
        } else if (d.vertexCount == 4 && d.primitiveCount == 2 && d.constants[VSC_OBJECT_POS][1] == 45.3f) {
            ++nPlane;
            EXPECT_EQ(f.nTextureBinds, 0) << "the plane binds no texture";
            EXPECT_NE(pBefore, nullptr);
            EXPECT_EQ(d.textures[0], pBefore) << "the plane keeps what the draw before it bound";
        }
        pBefore = d.textures[0];
    }
    EXPECT_EQ(nFloor[1], 100);
    EXPECT_EQ(nFloor[2], 100);
    EXPECT_EQ(nPlane, 2);
}

TEST_F(TerrainTest, LevelOfDetailStitchesTheDiversNeighbours) {
    const Map m = RandomMap(99u);
    Start(&m);
    CGameApp& app = App();
    app.m_bTerrainFullDetail = 0;
    Frame(0.5f);
    const CTerrain& t = Terrain();
    ASSERT_NE(t.m_pCoarseTexture, nullptr);
    int k = 0, nCodes[18] = {};
    for (const FrameDraw& f : LastFrameDraws()) {
        const auto& d = *f.pDraw;
        if (d.vertexShader != app.m_dwVSSeafloor) continue;
        ASSERT_LT(k, 100);
        const CTerrainPatch& patch = t.m_pPatches[k++];
        const int nCode = patch.m_cDetail;
        ++nCodes[nCode];
        const TerrainIndexList list = terStitchedIndexList(nCode);
        const bool bCoarse = nCode == 17;
        EXPECT_EQ(d.primitiveCount, list.nTriangles) << "code " << nCode;
        EXPECT_EQ(d.vertexCount, bCoarse ? 9u : 25u) << "code " << nCode;
        EXPECT_EQ(d.indices, std::vector<WORD>(list.pIndices, list.pIndices + 3 * list.nTriangles)) << "code " << nCode;
        EXPECT_EQ(d.textures[0], bCoarse ? static_cast<const void*>(t.m_pCoarseTexture) : t.m_pTexture);
        const int i = static_cast<int>(patch.m_vPosition.x / 20), j = static_cast<int>(patch.m_vPosition.z / 20);
        std::vector<float> h(bCoarse ? 9 : 25);
        if (bCoarse)
            BuildCoarseHeights(m.data(), i, j, h.data());
        else
            BuildDetailedHeights(m.data(), i, j, h.data());
        EXPECT_EQ(DrawnHeights(d), h) << "code " << nCode;
    }
    EXPECT_EQ(k, 100);
    EXPECT_EQ(nCodes[0], 1);
    for (int c = 1; c <= 8; ++c) EXPECT_EQ(nCodes[c], 1) << c;
    EXPECT_EQ(nCodes[17], 91);
}

TEST_F(TerrainTest, NormalsOptionWritesTheBuiltNormalsIntoEveryDrawnGrid) {
    const Map m = RandomMap(4242u);
    Start(&m);
    CGameApp& app = App();
    const struct { signed char bNormals, bFullDetail; } cases[] = {{0, 1}, {1, 1}, {1, 0}};
    for (const auto& c : cases) {
        app.m_bTerrainNormals = c.bNormals;
        app.m_bTerrainFullDetail = c.bFullDetail;
        Frame(App().m_fAppTime + 0.5f);
        int nDraws = 0;
        for (const FrameDraw& f : LastFrameDraws()) {
            const auto& d = *f.pDraw;
            if (d.vertexShader != app.m_dwVSSeafloor) continue;
            const CTerrainPatch& patch = Terrain().m_pPatches[nDraws++];
            const int i = static_cast<int>(patch.m_vPosition.x / 20), j = static_cast<int>(patch.m_vPosition.z / 20);
            D3DXVECTOR3 vExpected[25];
            if (d.vertexCount == 9)
                BuildCoarseNormals(m.data(), i, j, vExpected);
            else
                BuildDetailedNormals(m.data(), i, j, vExpected);
            const auto* pV = reinterpret_cast<const SceneVertex*>(d.streams.at(0).data.data());
            for (UINT k = 0; k < d.vertexCount; ++k) {
                const D3DXVECTOR3 vDrawn(pV[k].nx, pV[k].ny, pV[k].nz);
                EXPECT_EQ(vDrawn, c.bNormals ? vExpected[k] : D3DXVECTOR3(0, 1, 0))
                    << "normals " << int(c.bNormals) << " full " << int(c.bFullDetail) << " patch " << nDraws - 1
                    << " vertex " << k;
            }
        }
        EXPECT_EQ(nDraws, 100);
    }
}

TEST_F(TerrainTest, LevelOfDetailByTheCodeAloneAndTheSpareBilinearBuilder) {
    Map m = FlatMap(0);
    // The corners of patch (150, 149): S(0, 1) = 10, S(1, 1) = 20, S(0, 0) = 30, S(1, 0) = 50.
    Set(m, 150, 150, 50), Set(m, 151, 150, 100), Set(m, 150, 149, 150), Set(m, 151, 149, 250);
    Start(&m);
    PlaceDiver(3010, 30, 2990);
    CTerrain& t = Terrain();
    // Full detail stays on: a direct selection still goes by the code, and codes outside 0 .. 8 are coarse.
    ASSERT_EQ(App().m_bTerrainFullDetail, 1);
    const struct {
        int nCode;
        DWORD nFaces, nVertices;
    } codes[] = {{0, 32, 25}, {1, 30, 25}, {5, 28, 25}, {8, 28, 25}, {17, 8, 9}, {9, 8, 9}, {-1, 8, 9}, {127, 8, 9}};
    for (const auto& c : codes) {
        CTerrainPatch patch = t.m_pPatches[55];
        patch.m_cDetail = static_cast<signed char>(c.nCode);
        EXPECT_EQ(t.SelectPatchLod(&patch), 0);
        EXPECT_EQ(t.m_dwNumFaces, c.nFaces) << "code " << c.nCode;
        EXPECT_EQ(t.m_dwNumVertices, c.nVertices) << "code " << c.nCode;
    }
    // The bilinear builder: the corners' blend into the detailed grid, the record untouched.
    CTerrainPatch& patch = t.m_pPatches[55];
    ASSERT_EQ(patch.m_vPosition, D3DXVECTOR3(3000, 0, 2980));
    std::vector<float> recordBefore(patch.m_afHeight, patch.m_afHeight + 25);
    EXPECT_EQ(t.BuildPatchBilinear(&patch), 0);
    EXPECT_EQ(std::vector<float>(patch.m_afHeight, patch.m_afHeight + 25), recordBefore);
    BYTE* pData = nullptr;
    ASSERT_EQ(t.m_pVB[0]->Lock(0, 800, &pData, 0), D3D_OK);
    const auto* pV = reinterpret_cast<const SceneVertex*>(pData);
    const std::pair<int, float> heights[] = {{0, 10},  {4, 20},  {20, 30},    {24, 50},   {2, 15}, {10, 20},
                                             {14, 35}, {22, 40}, {12, 27.5f}, {1, 12.5f}, {5, 15}, {18, 38.125f}};
    for (const auto& [k, f] : heights) EXPECT_FLOAT_EQ(pV[k].y, f) << "vertex " << k;
    t.m_pVB[0]->Unlock();
}

TEST_F(TerrainTest, SurfacePlaneFollowsTheDiverAndReleasesTwiceSafely) {
    Start(nullptr);
    CSurfacePlane& plane = App().m_SurfacePlane;
    EXPECT_EQ(plane.m_Transform.m_vPosition, D3DXVECTOR3(3000, 45.4f, 3000));
    App().Diver()->m_Transform.m_vPosition = D3DXVECTOR3(120, 30, -40);
    plane.Update();
    D3DXVECTOR3 vMin, vMax;
    const D3DXVECTOR3 vLo(-100, 0, -100), vHi(100, 0, 100);
    D3DXVec3TransformCoord(&vMin, &vLo, &plane.m_Transform.m_matWorld);
    D3DXVec3TransformCoord(&vMax, &vHi, &plane.m_Transform.m_matWorld);
    EXPECT_EQ(vMin, D3DXVECTOR3(20, 45.3f, -140));
    EXPECT_EQ(vMax, D3DXVECTOR3(220, 45.3f, 60));
    EXPECT_EQ(plane.m_dwNumFaces, 2u);
    EXPECT_STREQ(plane.m_szTextureFile, "notextura");
    plane.Invalidate();
    plane.Invalidate();
    EXPECT_EQ(plane.m_pVB[0], nullptr);
    EXPECT_EQ(plane.m_pIB, nullptr);
    EXPECT_EQ(plane.Restore(), 0);
}

}  // namespace
