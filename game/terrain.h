// The sea floor from the height map, drawn as a window of patches around the diver.
#pragma once

#include "game/sceneobject.h"

// Height-map dimensions: one sample every 20 world units.
constexpr int kMapColumns = 2000;
constexpr int kMapRows = 1000;
constexpr float kPatchSize = 20.0f;

struct CTerrainPatch {
    D3DXVECTOR3 m_vPosition;
    signed char m_cDetail;
    float m_afHeight[25];
};

// The 25 heights of the detailed patch whose minimum sample is (i, j); samples outside the map are
// read from its nearest edge.
void BuildDetailedHeights(const unsigned char* pMap, int i, int j, float afHeight[25]);
// The 9 heights of the coarse patch; they equal the detailed heights 0, 2, 4, 10, 12, 14, 20, 22, 24.
void BuildCoarseHeights(const unsigned char* pMap, int i, int j, float afHeight[9]);
// Unit vertex normals of the detailed and the coarse patch: corner normals from the samples around
// each corner, blended along the edges and across the interior.
void BuildDetailedNormals(const unsigned char* pMap, int i, int j, D3DXVECTOR3 avNormal[25]);
void BuildCoarseNormals(const unsigned char* pMap, int i, int j, D3DXVECTOR3 avNormal[9]);

// Index lists of a patch: the full detailed list, the eight stitched lists by code and the coarse list.
struct TerrainIndexList {
    const WORD* pIndices;
    UINT nTriangles;
};
// The list a detail code draws with (unknown codes draw coarse).
TerrainIndexList terFullIndexList();
TerrainIndexList terStitchedIndexList(int nDetail);
TerrainIndexList terCoarseIndexList();

class CTerrain : public CSceneObject {
public:
    CTerrain();

    int Reset(D3DXVECTOR3 vStart);
    int LoadHeightMap();
    int Load(const char* szMeshFile);
    int Restore();
    int Invalidate();
    int Destroy();
    int FreeData();
    int Update();
    int Render();

    int BuildDetailedPatch(CTerrainPatch* pPatch);
    int BuildCoarsePatch(CTerrainPatch* pPatch);
    int BuildPatchBilinear(CTerrainPatch* pPatch);
    int SelectPatchLod(CTerrainPatch* pPatch);
    int CreateStitchedIndexBuffers();
    int CreateCoarseIndexBuffer();

    int IsBelowSurface(D3DXVECTOR3 vPoint);
    int FindSurfaceAlongRay(D3DXVECTOR3 vDir, D3DXVECTOR3 vOrigin, float* pfT, float fStart);
    D3DXVECTOR3* GetLastSurfaceHit(D3DXVECTOR3* pvPoint);

    // Whether a record holds the coarse layout of 9 heights.
    bool IsCoarse(const CTerrainPatch& patch) const;

    float m_fRange;
    int m_nPatches;
    CTerrainPatch* m_pPatches;
    D3DXVECTOR3 m_vLastTriangle[3];
    D3DXVECTOR3 m_vLastSurfacePoint;
    unsigned char* m_pHeightMap;
    IDirect3DIndexBuffer8* m_pIBFull;
    IDirect3DIndexBuffer8* m_pIBEdgeMinX;
    IDirect3DIndexBuffer8* m_pIBEdgeMinXMinZ;
    IDirect3DIndexBuffer8* m_pIBEdgeMinXMaxZ;
    IDirect3DIndexBuffer8* m_pIBEdgeMaxX;
    IDirect3DIndexBuffer8* m_pIBEdgeMaxXMaxZ;
    IDirect3DIndexBuffer8* m_pIBEdgeMaxXMinZ;
    IDirect3DIndexBuffer8* m_pIBEdgeMaxZ;
    IDirect3DIndexBuffer8* m_pIBEdgeMinZ;
    IDirect3DIndexBuffer8* m_pIBCoarse;
    IDirect3DTexture8* m_pCoarseTexture;

private:
    // Writes nVertices heights (and normals, when given) into a vertex grid; false when it cannot be locked.
    static bool WriteGrid(IDirect3DVertexBuffer8* pVB, const float* pfHeight, const D3DXVECTOR3* pvNormal,
                          int nVertices);
    // Builds a record's heights (and, with the normals option, its normals) and writes them into the
    // grid of the given layout; the record takes the heights only when the grid could be written.
    int BuildPatch(CTerrainPatch* pPatch, bool bCoarse);
    int CreateGrid(int nGrid, int nSide);
};
