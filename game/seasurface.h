// The moving sea seen from above: a square grid whose heights follow four travelling waves,
// recomputed on the processor every surface frame.
#pragma once

#include "game/sceneobject.h"

constexpr int kSurfaceTextLength = 2000;
// The status line the sea grid writes and the surface mode draws.
extern char g_szSurfaceText[kSurfaceTextLength];
// The last two values of "mar.plt": the grid's edge length and its side.
extern float g_fSeaTotalSize;
extern int g_nSeaGridSide;
// The only grid side the sea is built and walked with.
constexpr int kSeaGridSide = 80;
// The edge length of the flat sea that stands in for a missing or refused "mar.plt".
constexpr float kSeaFlatTotalSize = 400.0f;
constexpr int kSeaProfileLength = 60;

class CSeaSurface {
public:
    CSeaSurface();
    virtual ~CSeaSurface();
    virtual int Create(IDirect3DDevice8* pDevice, int nSide, const char* szTextureFile);
    virtual void Release();
    virtual int Update(float fTimeStep);
    virtual void Render();

    // Reads the wave parameters; a file that is missing, short, of another side or with a zero
    // period or wavelength leaves a flat sea. True when the file was used.
    bool ReadSeaFile(const char* szPath);
    // True when "mar.plt" was read whole and valid.
    bool Valid() const { return m_bValid; }
    // True between a Create that built the grid and the next Release.
    bool Created() const { return m_pVertexMemory != nullptr; }

    float GetHeight(float t, float x, float z) const;
    float SampleProfileA(float fPhase) const;
    float SampleProfileB(float fPhase) const;
    int BuildProfileA();
    int BuildProfileB();
    int BuildGrid(IDirect3DVertexBuffer8** ppVB, IDirect3DIndexBuffer8** ppIB, D3DPOOL pool, float fTotalSize,
                  int iNumVerticesX, int iNumVerticesY, IDirect3DDevice8* pDevice);
    // Heights at the application time under the owner's world matrix, mirrored texture coordinates,
    // then the normals.
    void ComputeWaves(float fAppTime, const D3DXMATRIX& matWorld);
    int CopyToVertexBuffer();

    IDirect3DVertexBuffer8* m_pVB;
    IDirect3DIndexBuffer8* m_pIB;
    IDirect3DTexture8* m_pTexture;
    IDirect3DDevice8* m_pDevice;
    int m_nSide;
    void* m_pVertexMemory;
    SceneVertex* m_pVertices;
    float m_afProfileA[kSeaProfileLength];
    float m_afProfileB[kSeaProfileLength];
    D3DXVECTOR3 m_avWaveDir[4];
    float m_afAmplitude[4];
    float m_afPeriod[4];
    float m_afWavelength[4];

private:
    void SetFlat();
    bool m_bValid;
};

// Texture coordinate of a world coordinate: 0 to 1 and back to 0 over every 100 units.
float seaMirror(float s);
