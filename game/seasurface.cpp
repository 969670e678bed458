#include "game/seasurface.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "d3dx8/d3dx8.h"
#include "game/gameapp.h"
#include "game/levelread.h"
#include "game/vsconsts.h"

char g_szSurfaceText[kSurfaceTextLength];
float g_fSeaTotalSize = kSeaFlatTotalSize;
int g_nSeaGridSide = kSeaGridSide;

namespace {
constexpr float kGap = -100.0f;

// Fills every gap of a keyframed profile by straight lines between its neighbours.
void FillGaps(float* pfProfile) {
    float fLast = 0.0f;
    int c = 0;
    for (int i = 0; i < kSeaProfileLength; ++i) {
        if (pfProfile[i] == kGap) {
            ++c;
            continue;
        }
        if (c > 0) {
            const float fStep = (pfProfile[i] - fLast) / static_cast<float>(c + 1);
            for (int k = 1; k <= c; ++k) pfProfile[i - k] = pfProfile[i] - static_cast<float>(k) * fStep;
        }
        fLast = pfProfile[i];
        c = 0;
    }
}

float Sample(const float* pfProfile, float fPhase) {
    // The profile is one period: a negative phase wraps into it rather than reading before it.
    if (fPhase < 0.0f) fPhase += 1.0f;
    if (!(fPhase >= 0.0f && fPhase < 1.0f)) fPhase = 0.0f;
    const float s = fPhase * 59.0f;
    const int lo = static_cast<int>(std::floor(s));
    int hi = static_cast<int>(std::ceil(s));
    if (hi == lo) hi = lo + 1;
    const float f = s - static_cast<float>(lo);
    return f * pfProfile[hi] + (1.0f - f) * pfProfile[lo];
}
}  // namespace

float seaMirror(float s) {
    float f = s - std::trunc(s);
    if (f > 0.5f) f = 1.0f - f;
    return 2.0f * f;
}

CSeaSurface::CSeaSurface()
    : m_pVB(nullptr), m_pIB(nullptr), m_pTexture(nullptr), m_pDevice(nullptr), m_nSide(0), m_pVertexMemory(nullptr),
      m_pVertices(nullptr), m_afProfileA{}, m_afProfileB{}, m_avWaveDir{}, m_afAmplitude{}, m_afPeriod{},
      m_afWavelength{}, m_bValid(false) {
    if (g_pApp) {
        char szPath[300];
        std::snprintf(szPath, sizeof szPath, "%smar.plt", g_pApp->m_szLevelDir);
        ReadSeaFile(szPath);
    } else {
        SetFlat();
    }
    BuildProfileA();
    BuildProfileB();
}

CSeaSurface::~CSeaSurface() = default;

void CSeaSurface::SetFlat() {
    for (int k = 0; k < 4; ++k) {
        m_avWaveDir[k] = D3DXVECTOR3(0, 0, 0);
        m_afAmplitude[k] = 0.0f;
        m_afPeriod[k] = 1.0f;
        m_afWavelength[k] = 1.0f;
    }
    // Not the previous level's: the globals always describe the sea being made.
    g_fSeaTotalSize = kSeaFlatTotalSize;
    g_nSeaGridSide = kSeaGridSide;
    m_bValid = false;
}

bool CSeaSurface::ReadSeaFile(const char* szPath) {
    SetFlat();
    CLevelTokens in(szPath);
    if (!in.Opened()) return false;
    D3DXVECTOR3 avDir[4];
    float afPeriod[4], afAmplitude[4], afWavelength[4], fTotalSize = 0;
    int nSide = 0;
    for (D3DXVECTOR3& v : avDir) in.Float(&v.x), in.Float(&v.y), in.Float(&v.z);
    for (float& f : afPeriod) in.Float(&f);
    for (float& f : afAmplitude) in.Float(&f);
    for (float& f : afWavelength) in.Float(&f);
    in.Float(&fTotalSize);
    // The grid is built and walked with one side: a file of another side is refused.
    in.Int(&nSide, kSeaGridSide, kSeaGridSide);
    if (!in.Ok()) {
        lvlReportError(in.Error().c_str());
        return false;
    }
    for (int k = 0; k < 4; ++k)
        if (afPeriod[k] == 0 || afWavelength[k] == 0 || !std::isfinite(afPeriod[k]) ||
            !std::isfinite(afWavelength[k])) {
            lvlReportError((std::string(szPath) + ": a wave period or wavelength is 0").c_str());
            return false;
        }
    std::memcpy(m_avWaveDir, avDir, sizeof avDir);
    std::memcpy(m_afPeriod, afPeriod, sizeof afPeriod);
    std::memcpy(m_afAmplitude, afAmplitude, sizeof afAmplitude);
    std::memcpy(m_afWavelength, afWavelength, sizeof afWavelength);
    g_fSeaTotalSize = fTotalSize;
    g_nSeaGridSide = nSide;
    m_bValid = true;
    return true;
}

int CSeaSurface::BuildProfileA() {
    for (float& f : m_afProfileA) f = kGap;
    static const struct {
        int i;
        float f;
    } keys[] = {{0, 3.0f},  {2, 4.0f},  {4, 5.8f},   {6, 5.4f},  {8, 4.5f},  {10, 3.6f},  {12, 2.8f},  {14, 1.8f},
                {16, 1.0f}, {18, 0.4f}, {20, 0.05f}, {22, 0.4f}, {24, 0.3f}, {26, 1.1f},  {28, 1.8f},  {30, 3.0f},
                {32, 6.2f}, {34, 5.0f}, {36, 4.3f},  {38, 3.8f}, {40, 3.2f}, {42, 2.24f}, {44, 1.64f}, {46, 1.2f},
                {48, 0.6f}, {50, 0.2f}, {52, 0.1f},  {54, 0.3f}, {56, 1.0f}, {58, 2.0f},  {59, 3.0f}};
    for (const auto& k : keys) m_afProfileA[k.i] = k.f;
    FillGaps(m_afProfileA);
    return 0;
}

int CSeaSurface::BuildProfileB() {
    for (float& f : m_afProfileB) f = kGap;
    static const float kRise[4] = {3, 0, 3, 6}, kFall[4] = {6, 3, 0, 3};
    for (int i = 0; i <= 27; ++i) m_afProfileB[i] = kRise[i % 4];
    m_afProfileB[28] = 3;
    m_afProfileB[29] = 3;
    for (int i = 30; i <= 57; ++i) m_afProfileB[i] = kFall[(i - 30) % 4];
    m_afProfileB[58] = 6;
    m_afProfileB[59] = 3;
    FillGaps(m_afProfileB);
    return 0;
}

float CSeaSurface::SampleProfileA(float fPhase) const { return Sample(m_afProfileA, fPhase); }

float CSeaSurface::SampleProfileB(float fPhase) const { return Sample(m_afProfileB, fPhase); }

float CSeaSurface::GetHeight(float t, float x, float z) const {
    float h = 0.0f;
    for (int k = 0; k < 4; ++k) {
        const float d = x * m_avWaveDir[k].x + z * m_avWaveDir[k].y;
        const float fPhase = t / m_afPeriod[k] + d / m_afWavelength[k];
        float fWhole;
        const float fFrac = std::modf(fPhase, &fWhole);
        h += m_afAmplitude[k] * (SampleProfileA(fFrac) - 3.0f);
    }
    return h;
}

int CSeaSurface::Create(IDirect3DDevice8* pDevice, int nSide, const char* szTextureFile) {
    Release();
    // Built and walked with the side given here; the file's side was checked against it.
    if (nSide < 2 || nSide > 256) return E_FAIL;
    m_nSide = nSide;
    m_pDevice = pDevice;
    if (FAILED(D3DXCreateTextureFromFileA(pDevice, szTextureFile, &m_pTexture))) {
        m_pTexture = nullptr;
        return E_FAIL;
    }
    const size_t nBytes = static_cast<size_t>(nSide + 1) * static_cast<size_t>(nSide + 1) * kSceneVertexSize;
    m_pVertexMemory = std::malloc(nBytes);
    if (!m_pVertexMemory) {
        Release();
        return 0;
    }
    std::memset(m_pVertexMemory, 0, static_cast<size_t>(nSide) * static_cast<size_t>(nSide) * kSceneVertexSize);
    m_pVertices = static_cast<SceneVertex*>(m_pVertexMemory);
    // A grid that could not be built leaves the sea undrawn rather than drawn from null buffers.
    if (FAILED(BuildGrid(&m_pVB, &m_pIB, D3DPOOL_MANAGED, g_fSeaTotalSize, nSide, nSide, m_pDevice))) Release();
    return 0;
}

int CSeaSurface::BuildGrid(IDirect3DVertexBuffer8** ppVB, IDirect3DIndexBuffer8** ppIB, D3DPOOL pool, float fTotalSize,
                           int nx, int ny, IDirect3DDevice8* pDevice) {
    HRESULT hr = pDevice->CreateVertexBuffer(static_cast<UINT>(nx * ny) * kSceneVertexSize, 0, kSceneFVF, pool, ppVB);
    if (FAILED(hr)) return hr;
    BYTE* pbVertices = nullptr;
    if (FAILED(hr = (*ppVB)->Lock(0, 0, &pbVertices, 0))) return hr;
    auto* pOut = reinterpret_cast<SceneVertex*>(pbVertices);
    for (int i = 0; i < nx; ++i)
        for (int j = 0; j < ny; ++j) {
            SceneVertex v{};
            v.x = nx <= 1 ? 0.0f : static_cast<float>(i - nx / 2) / static_cast<float>(nx - 1) * fTotalSize;
            v.z = ny <= 1 ? 0.0f : static_cast<float>((ny - 7) - j) / static_cast<float>(ny - 1) * fTotalSize;
            v.u = nx <= 1 ? 0.0f : 2.0f * static_cast<float>(i) / static_cast<float>(nx - 1);
            v.v = ny <= 1 ? 0.0f : 2.0f * static_cast<float>(j) / static_cast<float>(ny - 1);
            v.ny = 1.0f;
            pOut[j * nx + i] = v;
            m_pVertices[j * nx + i] = v;
        }
    std::snprintf(g_szSurfaceText, sizeof g_szSurfaceText, "iNumVerticesX%d iNumVerticesY%d fTotalSize%f", nx, ny,
                  static_cast<double>(fTotalSize));
    if (FAILED(hr = pDevice->CreateIndexBuffer(static_cast<UINT>(nx * ny) * 12, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16,
                                               D3DPOOL_MANAGED, ppIB))) {
        (*ppVB)->Unlock();
        return hr;
    }
    BYTE* pbIndices = nullptr;
    if (FAILED(hr = (*ppIB)->Lock(0, 0, &pbIndices, 0))) {
        (*ppVB)->Unlock();
        return hr;
    }
    auto* pIndex = reinterpret_cast<WORD*>(pbIndices);
    for (int i = 0; i < nx - 1; ++i)
        for (int j = 0; j < ny - 1; ++j) {
            const WORD a = static_cast<WORD>(j * nx + i), b = static_cast<WORD>(a + 1),
                       c = static_cast<WORD>((j + 1) * nx + i), d = static_cast<WORD>(c + 1);
            for (WORD w : {a, b, d, a, d, c}) *pIndex++ = w;
        }
    if (FAILED(hr = (*ppIB)->Unlock())) {
        (*ppVB)->Unlock();
        return hr;
    }
    return (*ppVB)->Unlock();
}

void CSeaSurface::ComputeWaves(float fAppTime, const D3DXMATRIX& matWorld) {
    const int n = m_nSide;
    SceneVertex* pV = m_pVertices;
    for (int k = 0; k < n * n; ++k) {
        const D3DXVECTOR3 vLocal(pV[k].x, 0.0f, pV[k].z);
        D3DXVECTOR3 w;
        D3DXVec3TransformCoord(&w, &vLocal, &matWorld);
        pV[k].y = GetHeight(fAppTime, w.x, w.z);
        pV[k].u = seaMirror(w.x / 100.0f);
        pV[k].v = seaMirror(w.z / 100.0f);
    }
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i) {
            SceneVertex& v = pV[j * n + i];
            if (i == 0 || j == 0 || i == n - 1 || j == n - 1) {
                v.nx = 0.0f, v.ny = 1.0f, v.nz = 0.0f;
                continue;
            }
            const SceneVertex& r = pV[j * n + i + 1];
            const SceneVertex& d = pV[(j + 1) * n + i];
            const D3DXVECTOR3 a(r.x - v.x, r.y - v.y, r.z - v.z), b(d.x - v.x, d.y - v.y, d.z - v.z);
            D3DXVECTOR3 vNormal;
            D3DXVec3Cross(&vNormal, &a, &b);
            D3DXVec3Normalize(&vNormal, &vNormal);
            v.nx = vNormal.x, v.ny = vNormal.y, v.nz = vNormal.z;
        }
}

int CSeaSurface::CopyToVertexBuffer() {
    const UINT nBytes = static_cast<UINT>(m_nSide * m_nSide) * kSceneVertexSize;
    BYTE* pb = nullptr;
    const HRESULT hr = m_pVB->Lock(0, nBytes, &pb, 0);
    if (FAILED(hr)) return hr;
    std::memcpy(pb, m_pVertices, nBytes);
    return m_pVB->Unlock();
}

void CSeaSurface::Release() {
    if (m_pTexture) m_pTexture->Release();
    if (m_pVB) m_pVB->Release();
    if (m_pIB) m_pIB->Release();
    m_pTexture = nullptr;
    m_pVB = nullptr;
    m_pIB = nullptr;
    std::free(m_pVertexMemory);
    m_pVertexMemory = nullptr;
    m_pVertices = nullptr;
}

int CSeaSurface::Update(float) {
    // Between a failed or missing Create and the next one there is nothing to move.
    const CSeaSky* pOwner = g_pApp->m_pSeaSky;
    if (!Created() || !pOwner) return 0;
    ComputeWaves(g_pApp->m_fAppTime, pOwner->m_Transform.m_matWorld);
    return CopyToVertexBuffer();
}

void CSeaSurface::Render() {
    CGameApp* pApp = g_pApp;
    const CSeaSky* pOwner = pApp->m_pSeaSky;
    if (!Created() || !pOwner) return;
    IDirect3DDevice8* pDevice = m_pDevice;
    const D3DXMATRIX& matWorld = pOwner->m_Transform.m_matWorld;
    const CDiver* pDiver = pApp->Diver();
    scnSetVector3(pDevice, VSC_LOOK_DIR, pDiver ? pDiver->m_Transform.m_vPosition : D3DXVECTOR3(0, 0, 0));
    D3DXMATRIX matWVP;
    D3DXMatrixMultiply(&matWVP, &matWorld, &pApp->m_Camera.m_matView);
    D3DXMatrixMultiply(&matWVP, &matWVP, &pApp->m_matProj);
    scnSetMatrix(pDevice, VSC_WVP, matWVP);
    scnSetMatrix(pDevice, VSC_WV, matWorld);
    const bool bTexture = scnHasTexture(pOwner->m_szTextureFile);
    if (pApp->m_nRenderPass == 1) {
        if (bTexture) pDevice->SetTexture(0, m_pTexture);
        pDevice->SetVertexShader(pApp->m_dwVSSea);
    } else {
        if (bTexture) pDevice->SetTexture(0, pApp->m_pCausticTex);
        pDevice->SetVertexShader(pApp->m_dwVSSea2);
    }
    const UINT n = static_cast<UINT>(m_nSide);
    pDevice->SetStreamSource(0, m_pVB, kSceneVertexSize);
    pDevice->SetIndices(m_pIB, 0);
    pDevice->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, n * n, 0, (n - 1) * (n - 1) * 2);
}
