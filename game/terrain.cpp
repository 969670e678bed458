#include "game/terrain.h"

#include <cstring>

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

int CTerrain::Reset(D3DXVECTOR3) { return 0; }
int CTerrain::Load(const char*) { return 0; }
int CTerrain::Restore() { return 0; }
int CTerrain::Invalidate() { return 0; }
int CTerrain::Destroy() { return 0; }
int CTerrain::FreeData() { return 0; }
int CTerrain::Update() { return 0; }
int CTerrain::Render() { return 0; }
