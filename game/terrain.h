// The sea floor from the height map, drawn as a window of patches around the diver.
#pragma once

#include "game/sceneobject.h"

struct CTerrainPatch {
    D3DXVECTOR3 m_vPosition;
    signed char m_cDetail;
    float m_afHeight[25];
};

// Stand-in until the sea floor arrives: holds no height data, builds and draws nothing.
class CTerrain : public CSceneObject {
public:
    CTerrain();

    int Reset(D3DXVECTOR3 vStart);
    int Load(const char* szMeshFile);
    int Restore();
    int Invalidate();
    int Destroy();
    int FreeData();
    int Update();
    int Render();

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
};
