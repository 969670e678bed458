// What the surface mode draws around the boat: the sky box and the wave grid.
#pragma once

#include "game/sceneobject.h"

constexpr int kSurfaceTextLength = 2000;
// The status line the sea grid writes and the surface mode draws.
extern char g_szSurfaceText[kSurfaceTextLength];
// The last two values of "mar.plt": the grid's edge length and its side.
extern float g_fSeaTotalSize;
extern int g_nSeaGridSide;
// The only grid side the sea is built with.
constexpr int kSeaGridSide = 80;

// Stand-in until the waves arrive: reads "mar.plt", builds and draws nothing.
class CSeaSurface {
public:
    CSeaSurface();
    virtual ~CSeaSurface();
    virtual int Create(IDirect3DDevice8* pDevice, int nSide, const char* szTextureFile);
    virtual void Release();
    virtual int Update(float fTimeStep);
    virtual void Render();

    // True when "mar.plt" was read whole and valid.
    bool Valid() const { return m_bValid; }

    IDirect3DVertexBuffer8* m_pVB;
    IDirect3DIndexBuffer8* m_pIB;
    IDirect3DTexture8* m_pTexture;
    IDirect3DDevice8* m_pDevice;
    int m_nSide;
    void* m_pVertexMemory;
    SceneVertex* m_pVertices;
    float m_afProfileA[60];
    float m_afProfileB[60];
    D3DXVECTOR3 m_avWaveDir[4];
    float m_afAmplitude[4];
    float m_afPeriod[4];
    float m_afWavelength[4];

private:
    bool m_bValid;
};

// Stand-in until the sea and sky draw: keeps its place, loads and draws nothing.
class CSeaSky : public CSceneObject {
public:
    CSeaSky();
    ~CSeaSky();

    int PlaceAtDiver();
    int Load(const char* szMeshFile);
    int Restore();
    int Invalidate();
    int Destroy();
    int Update();
    int Render();

    CSeaSurface m_SeaSurface;
    CD3DFileMesh* m_pSkyMesh;
};

// Makes the level's sea and sky (which reads "mar.plt") in place of the previous level's.
int lvlCreateSeaSky();
