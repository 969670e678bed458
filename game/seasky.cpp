#include "game/seasky.h"

#include <cstdio>
#include <cstring>

#include "framework/d3dfile.h"
#include "game/gameapp.h"
#include "game/levelread.h"

char g_szSurfaceText[kSurfaceTextLength];
float g_fSeaTotalSize = 0.0f;
int g_nSeaGridSide = 0;

CSeaSurface::CSeaSurface()
    : m_pVB(nullptr), m_pIB(nullptr), m_pTexture(nullptr), m_pDevice(nullptr), m_nSide(0), m_pVertexMemory(nullptr),
      m_pVertices(nullptr), m_afProfileA{}, m_afProfileB{}, m_avWaveDir{}, m_afAmplitude{}, m_afPeriod{},
      m_afWavelength{}, m_bValid(false) {
    char szPath[300];
    std::snprintf(szPath, sizeof szPath, "%smar.plt", g_pApp->m_szLevelDir);
    CLevelTokens in(szPath);
    if (!in.Opened()) return;
    D3DXVECTOR3 avDir[4];
    float afPeriod[4], afAmplitude[4], afWavelength[4], fTotalSize = 0;
    int nSide = 0;
    for (D3DXVECTOR3& v : avDir) in.Float(&v.x), in.Float(&v.y), in.Float(&v.z);
    for (float& f : afPeriod) in.Float(&f);
    for (float& f : afAmplitude) in.Float(&f);
    for (float& f : afWavelength) in.Float(&f);
    in.Float(&fTotalSize);
    // The grid is built with side 80 and walked with the file's side: anything else walks past it.
    in.Int(&nSide, kSeaGridSide, kSeaGridSide);
    for (int k = 0; k < 4 && in.Ok(); ++k)
        if (afPeriod[k] == 0 || afWavelength[k] == 0) {
            lvlReportError((std::string(szPath) + ": a wave period or wavelength is 0").c_str());
            return;
        }
    if (!in.Ok()) {
        lvlReportError(in.Error().c_str());
        return;
    }
    std::memcpy(m_avWaveDir, avDir, sizeof avDir);
    std::memcpy(m_afPeriod, afPeriod, sizeof afPeriod);
    std::memcpy(m_afAmplitude, afAmplitude, sizeof afAmplitude);
    std::memcpy(m_afWavelength, afWavelength, sizeof afWavelength);
    g_fSeaTotalSize = fTotalSize;
    g_nSeaGridSide = nSide;
    m_bValid = true;
}

CSeaSurface::~CSeaSurface() = default;

int CSeaSurface::Create(IDirect3DDevice8* pDevice, int, const char*) {
    m_pDevice = pDevice;
    m_nSide = g_nSeaGridSide;
    return 0;
}

void CSeaSurface::Release() {}

int CSeaSurface::Update(float) { return 0; }

void CSeaSurface::Render() {}

CSeaSky::CSeaSky() : m_pSkyMesh(new CD3DFileMesh("CD3DFile_Mesh")) { std::strcpy(m_szTextureFile, "mar.bmp"); }

CSeaSky::~CSeaSky() {
    m_SeaSurface.Release();
    delete m_pSkyMesh;
}

int CSeaSky::PlaceAtDiver() {
    const CDiver* pDiver = g_pApp->Diver();
    if (!pDiver) return 0;
    m_Transform.m_vPosition = pDiver->m_Transform.m_vPosition - D3DXVECTOR3(50, 0, 50);
    m_Transform.m_vPosition.y = 45.0f;
    D3DXMatrixTranslation(&m_Transform.m_matWorld, m_Transform.m_vPosition.x, m_Transform.m_vPosition.y,
                          m_Transform.m_vPosition.z);
    return 0;
}

int CSeaSky::Load(const char*) { return 0; }

int CSeaSky::Restore() { return 0; }

int CSeaSky::Invalidate() { return 0; }

int CSeaSky::Destroy() {
    if (m_pSkyMesh) m_pSkyMesh->Destroy();
    return 0;
}

int CSeaSky::Update() { return 0; }

int CSeaSky::Render() { return 0; }

int lvlCreateSeaSky() {
    delete g_pApp->m_pSeaSky;
    g_pApp->m_pSeaSky = new CSeaSky;
    std::strcpy(g_pApp->m_pSeaSky->m_szTextureFile, "mar.bmp");
    return 0;
}
