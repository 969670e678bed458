// The movie graph and the texture renderer. Graph building, event polling and release run on the
// window thread; DoRenderSample runs on the graph's streaming thread. The texture's lock is the
// platform's guard of its CPU copy, which the draw takes too before it uploads the copy, so a
// frame is never uploaded half written.
#include "game/videotexture.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <cstdlib>

#include "d3dx8/d3dx8.h"
#include "framework/sysutil.h"
#include "game/gameapp.h"
#include "win32/windows.h"

IGraphBuilder* g_pGraphBuilder = nullptr;
IMediaControl* g_pMediaControl = nullptr;
IMediaEvent* g_pMediaEvent = nullptr;
D3DFORMAT g_TextureFormat = D3DFMT_UNKNOWN;
DWORD g_dwRotRegister = 0;

namespace {
// COM is entered once per built graph and left once at its cleanup.
bool g_bComEntered = false;
// Set when the movie path is longer than the graph builder's buffer.
constexpr HRESULT kPathTooLong = static_cast<HRESULT>(0x800700CE);
}  // namespace

CTextureRenderer::CTextureRenderer(IUnknown* pUnk, HRESULT* phr)
    : CBaseVideoRenderer(CLSID_TextureRenderer, "Texture Renderer", pUnk, phr), m_nWidth(0), m_nHeight(0), m_nPitch(0) {
    // A failure the base reported stands.
    if (phr && SUCCEEDED(*phr)) *phr = S_OK;
}

CTextureRenderer::~CTextureRenderer() = default;

HRESULT CTextureRenderer::CheckMediaType(const CMediaType* pmt) {
    if (*pmt->FormatType() != FORMAT_VideoInfo) return E_INVALIDARG;
    if (*pmt->Type() == MEDIATYPE_Video && *pmt->Subtype() == MEDIASUBTYPE_RGB24) return S_OK;
    return E_FAIL;
}

HRESULT CTextureRenderer::SetMediaType(const CMediaType* pmt) {
    if (!pmt->Format() || pmt->FormatLength() < sizeof(VIDEOINFOHEADER)) return VFW_E_TYPE_NOT_ACCEPTED;
    VIDEOINFOHEADER vih;
    std::memcpy(&vih, pmt->Format(), sizeof vih);
    m_nWidth = vih.bmiHeader.biWidth;
    m_nHeight = std::abs(vih.bmiHeader.biHeight);
    m_nPitch = (m_nWidth * 3 + 3) & ~3;
    if (m_nWidth <= 0 || m_nHeight <= 0) return VFW_E_TYPE_NOT_ACCEPTED;

    // One texture per connection, at the movie's own size.
    IDirect3DTexture8*& pTexture = g_pApp->m_VideoScreen.m_pMovieTexture;
    if (pTexture) {
        pTexture->Release();
        pTexture = nullptr;
    }
    HRESULT hr = D3DXCreateTexture(g_pApp->m_pDevice, static_cast<UINT>(m_nWidth), static_cast<UINT>(m_nHeight), 1, 0,
                                   D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &pTexture);
    if (FAILED(hr)) {
        pTexture = nullptr;
        vidShowError("Could not create the D3DX texture!  hr=0x%x", hr);
        return hr;
    }
    D3DSURFACE_DESC ddsd;
    if (FAILED(hr = pTexture->GetLevelDesc(0, &ddsd))) {
        vidShowError("Could not get level Description of D3DX texture! hr = 0x%x", hr);
        return hr;
    }
    g_TextureFormat = ddsd.Format;
    if (g_TextureFormat != D3DFMT_A8R8G8B8 && g_TextureFormat != D3DFMT_A1R5G5B5) {
        vidShowError("Texture is format we can't handle! Format = 0x%x", g_TextureFormat);
        return VFW_E_TYPE_NOT_ACCEPTED;
    }
    return S_OK;
}

HRESULT CTextureRenderer::DoRenderSample(IMediaSample* pSample) {
    BYTE* pBmpBuffer = nullptr;
    pSample->GetPointer(&pBmpBuffer);
    // A sample shorter than the agreed picture is dropped rather than read past its end.
    if (!pBmpBuffer || pSample->GetActualDataLength() < static_cast<LONG>(m_nPitch) * m_nHeight) return E_FAIL;

    // Read once: the texture is the same for the lock and the unlock.
    IDirect3DTexture8* pTexture = g_pApp->m_VideoScreen.m_pMovieTexture;
    if (!pTexture) return E_FAIL;
    D3DSURFACE_DESC ddsd;
    if (FAILED(pTexture->GetLevelDesc(0, &ddsd))) return E_FAIL;
    D3DLOCKED_RECT d3dlr;
    if (FAILED(pTexture->LockRect(0, &d3dlr, nullptr, 0))) return E_FAIL;
    BYTE* pTxtBuffer = static_cast<BYTE*>(d3dlr.pBits);
    const int nRows = std::min(m_nHeight, static_cast<int>(ddsd.Height));
    const int nCols = std::min(m_nWidth, static_cast<int>(ddsd.Width));

    if (g_TextureFormat == D3DFMT_A8R8G8B8) {
        for (int row = 0; row < nRows; ++row) {
            const BYTE* pSrc = pBmpBuffer + static_cast<size_t>(row) * m_nPitch;
            BYTE* pDst = pTxtBuffer + static_cast<size_t>(row) * d3dlr.Pitch;
            for (int col = 0; col < nCols; ++col) {
                pDst[0] = pSrc[0];
                pDst[1] = pSrc[1];
                pDst[2] = pSrc[2];
                pDst[3] = 0xFF;
                pSrc += 3;
                pDst += 4;
            }
        }
    } else if (g_TextureFormat == D3DFMT_A1R5G5B5) {
        for (int row = 0; row < nRows; ++row) {
            const BYTE* pSrc = pBmpBuffer + static_cast<size_t>(row) * m_nPitch;
            auto* pDst = reinterpret_cast<WORD*>(pTxtBuffer + static_cast<size_t>(row) * d3dlr.Pitch);
            for (int col = 0; col < nCols; ++col) {
                *pDst++ =
                    static_cast<WORD>(0x8000 | ((pSrc[2] & 0xF8) << 7) | ((pSrc[1] & 0xF8) << 2) | (pSrc[0] >> 3));
                pSrc += 3;
            }
        }
    }
    if (FAILED(pTexture->UnlockRect(0))) return E_FAIL;
    return S_OK;
}

namespace {

// The failing step's box; the partial graph is released and COM left, so the next build starts clean.
HRESULT vidFail(HRESULT hr, const char* szFormat) {
    vidShowError(szFormat, hr);
    vidCleanup();
    return hr;
}

template <class T> void vidRelease(T*& p) {
    if (p) {
        p->Release();
        p = nullptr;
    }
}

}  // namespace

HRESULT vidBuildGraph(IDirect3DTexture8*) {
    // One graph at a time.
    vidCleanup();
    CoInitialize(nullptr);
    g_bComEntered = true;
    HRESULT hr = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                  reinterpret_cast<void**>(&g_pGraphBuilder));
    if (FAILED(hr)) return vidFail(hr, "Could not create the filter graph!  hr=0x%x");
    if (FAILED(hr = g_pGraphBuilder->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&g_pMediaControl))))
        return vidFail(hr, "Could not get the media control of the graph!  hr=0x%x");
    if (FAILED(hr = g_pGraphBuilder->QueryInterface(IID_IMediaEvent, reinterpret_cast<void**>(&g_pMediaEvent))))
        return vidFail(hr, "Could not get the media events of the graph!  hr=0x%x");

    hr = S_OK;
    CTextureRenderer* pCTR = new CTextureRenderer(nullptr, &hr);
    if (FAILED(hr)) {
        pCTR->Release();
        vidFail(hr, "Could not create texture renderer object!  hr=0x%x");
        return E_FAIL;
    }
    IBaseFilter* pFTR = pCTR;
    IBaseFilter* pFSrc = nullptr;
    IPin* pFTRPinIn = nullptr;
    IPin* pFSrcPinOut = nullptr;
    // The local references go on every return; the graph keeps its own.
    struct Locals {
        IBaseFilter*& a;
        IBaseFilter*& b;
        IPin*& c;
        IPin*& d;
        ~Locals() {
            vidRelease(a);
            vidRelease(b);
            vidRelease(c);
            vidRelease(d);
        }
    } locals{pFTR, pFSrc, pFTRPinIn, pFSrcPinOut};

    if (FAILED(hr = g_pGraphBuilder->AddFilter(pFTR, u"TEXTURERENDERER")))
        return vidFail(hr, "Could not add renderer filter to graph!  hr=0x%x");

    const char* szMediaDir = sysGetMediaDir();
    const char* szMovie = g_pApp->m_VideoScreen.m_szMovieFile;
    if (std::strlen(szMediaDir) + std::strlen(szMovie) >= static_cast<size_t>(kMoviePathLength))
        return vidFail(kPathTooLong, "Could not create source filter to graph!  hr=0x%x");
    char strFileName[kMoviePathLength];
    std::strcpy(strFileName, szMediaDir);
    std::strcat(strFileName, szMovie);
    WCHAR wFileName[kMoviePathLength];
    MultiByteToWideChar(CP_ACP, 0, strFileName, -1, wFileName, kMoviePathLength);

    if (FAILED(hr = g_pGraphBuilder->AddSourceFilter(wFileName, u"SOURCE", &pFSrc)))
        return vidFail(hr, "Could not create source filter to graph!  hr=0x%x");
    if (FAILED(hr = pFTR->FindPin(u"In", &pFTRPinIn))) return vidFail(hr, "Could not find input pin!  hr=0x%x");
    if (FAILED(hr = pFSrc->FindPin(u"Output", &pFSrcPinOut))) return vidFail(hr, "Could not find output pin!  hr=0x%x");
    if (FAILED(hr = g_pGraphBuilder->Connect(pFSrcPinOut, pFTRPinIn)))
        return vidFail(hr, "Could not connect pins!  hr=0x%x");
    g_pMediaControl->Run();
    return S_OK;
}

BYTE vidCheckStatus() {
    BYTE result = 1;
    if (!g_pMediaEvent) return result;
    long lEventCode = 0;
    LONG_PTR lParam1 = 0, lParam2 = 0;
    if (SUCCEEDED(g_pMediaEvent->GetEvent(&lEventCode, &lParam1, &lParam2, 0))) {
        if (lEventCode == EC_COMPLETE) result = 2;
        g_pMediaEvent->FreeEventParams(lEventCode, lParam1, lParam2);
    }
    return result;
}

void vidCleanup() {
    vidRelease(g_pMediaControl);
    vidRelease(g_pMediaEvent);
    // The graph's last release stops and joins its streaming thread.
    vidRelease(g_pGraphBuilder);
    if (g_bComEntered) {
        CoUninitialize();
        g_bComEntered = false;
    }
}

void vidShowError(const char* szFormat, ...) {
    char szBuffer[512];
    va_list args;
    va_start(args, szFormat);
    std::vsnprintf(szBuffer, sizeof szBuffer, szFormat, args);
    va_end(args);
    MessageBoxA(nullptr, szBuffer, "Video Texture", MB_ICONERROR);
}

HRESULT vidRegisterGraph(IUnknown* pUnkGraph) {
    IRunningObjectTable* pROT = nullptr;
    if (FAILED(GetRunningObjectTable(0, &pROT))) return E_FAIL;
    WCHAR wsz[128];
    wsprintfW(wsz, u"FilterGraph %08x  pid %08x", 0u, GetCurrentProcessId());
    IMoniker* pMoniker = nullptr;
    HRESULT hr = CreateItemMoniker(u"!", wsz, &pMoniker);
    if (SUCCEEDED(hr)) {
        hr = pROT->Register(0, pUnkGraph, pMoniker, &g_dwRotRegister);
        pMoniker->Release();
    }
    pROT->Release();
    return hr;
}

void vidRevokeGraph() {
    IRunningObjectTable* pROT = nullptr;
    if (SUCCEEDED(GetRunningObjectTable(0, &pROT))) {
        pROT->Revoke(g_dwRotRegister);
        pROT->Release();
    }
}
