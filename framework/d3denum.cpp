// Enumeration of adapters, display modes and device types, and the first choice among them.
#include <cstdlib>
#include <cstring>

#include "framework/apperrors.h"
#include "framework/d3dapp.h"

namespace {

// Working lists per adapter; what goes beyond them is left out.
constexpr DWORD kMaxWorkModes = 100;
constexpr DWORD kMaxWorkFormats = 20;

bool Is16BitFormat(D3DFORMAT Format) {
    return Format == D3DFMT_R5G6B5 || Format == D3DFMT_X1R5G5B5 || Format == D3DFMT_A1R5G5B5;
}

}  // namespace

// Sort order of display modes: format (larger value first, so the 16-bit formats lead), then
// width, then height.
int CompareModes(const void* arg1, const void* arg2) {
    const D3DDISPLAYMODE* p1 = static_cast<const D3DDISPLAYMODE*>(arg1);
    const D3DDISPLAYMODE* p2 = static_cast<const D3DDISPLAYMODE*>(arg2);

    if (static_cast<INT>(p1->Format) > static_cast<INT>(p2->Format)) return -1;
    if (static_cast<INT>(p1->Format) < static_cast<INT>(p2->Format)) return +1;
    if (p1->Width < p2->Width) return -1;
    if (p1->Width > p2->Width) return +1;
    if (p1->Height < p2->Height) return -1;
    if (p1->Height > p2->Height) return +1;
    return 0;
}

BOOL CD3DApp::ChooseDepthFormat(UINT uAdapter, D3DDEVTYPE DeviceType, D3DFORMAT AdapterFormat,
                                D3DFORMAT* pDepthStencilFormat) {
    struct Candidate {
        D3DFORMAT Format;
        DWORD dwDepthBits;
        DWORD dwStencilBits;
    };
    static const Candidate kCandidates[] = {
        {D3DFMT_D16, 16, 0},   {D3DFMT_D15S1, 15, 1},   {D3DFMT_D24X8, 24, 0},
        {D3DFMT_D24S8, 24, 8}, {D3DFMT_D24X4S4, 24, 4}, {D3DFMT_D32, 32, 0},
    };
    for (const Candidate& c : kCandidates) {
        if (m_dwDepthBitsMin > c.dwDepthBits || m_dwStencilBitsMin > c.dwStencilBits) continue;
        if (SUCCEEDED(m_pDirect3D->CheckDeviceFormat(uAdapter, DeviceType, AdapterFormat, D3DUSAGE_DEPTHSTENCIL,
                                                     D3DRTYPE_SURFACE, c.Format)) &&
            SUCCEEDED(m_pDirect3D->CheckDepthStencilMatch(uAdapter, DeviceType, AdapterFormat, AdapterFormat,
                                                          c.Format))) {
            *pDepthStencilFormat = c.Format;
            return TRUE;
        }
    }
    return FALSE;
}

HRESULT CD3DApp::EnumerateDevices() {
    static const D3DDEVTYPE kDeviceTypes[] = {D3DDEVTYPE_HAL, D3DDEVTYPE_REF};
    static const char* const kDeviceNames[] = {"HAL", "REF"};

    BOOL bHalExists = FALSE;
    BOOL bHalWindowed = FALSE;
    BOOL bHalDesktopWindowed = FALSE;
    BOOL bHalHasMode = FALSE;

    m_dwAdapterCount = 0;
    const UINT uAdapterCount = m_pDirect3D->GetAdapterCount();
    for (UINT uAdapter = 0; uAdapter < uAdapterCount && m_dwAdapterCount < kMaxAdapters; ++uAdapter) {
        D3DAppAdapter* pAdapter = &m_aAdapters[m_dwAdapterCount];
        std::memset(pAdapter, 0, sizeof *pAdapter);
        m_pDirect3D->GetAdapterIdentifier(uAdapter, 0, &pAdapter->Identifier);
        m_pDirect3D->GetAdapterDisplayMode(uAdapter, &pAdapter->DesktopMode);
        pAdapter->dwDeviceCount = 0;
        pAdapter->dwCurDevice = 0;
        pAdapter->uOrdinal = uAdapter;

        D3DDISPLAYMODE modes[kMaxWorkModes];
        D3DFORMAT formats[kMaxWorkFormats];
        DWORD dwNumModes = 0;
        DWORD dwNumFormats = 0;
        formats[dwNumFormats++] = pAdapter->DesktopMode.Format;

        const UINT uModeCount = m_pDirect3D->GetAdapterModeCount(uAdapter);
        for (UINT uMode = 0; uMode < uModeCount; ++uMode) {
            D3DDISPLAYMODE mode;
            std::memset(&mode, 0, sizeof mode);
            m_pDirect3D->EnumAdapterModes(uAdapter, uMode, &mode);
            if (mode.Width < 640 || mode.Height < 400) continue;

            DWORD m = 0;
            for (; m < dwNumModes; ++m)
                if (modes[m].Width == mode.Width && modes[m].Height == mode.Height && modes[m].Format == mode.Format)
                    break;
            if (m < dwNumModes || dwNumModes == kMaxWorkModes) continue;
            modes[dwNumModes++] = D3DDISPLAYMODE{mode.Width, mode.Height, 0, mode.Format};

            DWORD f = 0;
            for (; f < dwNumFormats; ++f)
                if (formats[f] == mode.Format) break;
            if (f == dwNumFormats && dwNumFormats < kMaxWorkFormats) formats[dwNumFormats++] = mode.Format;
        }

        std::qsort(modes, dwNumModes, sizeof(D3DDISPLAYMODE), CompareModes);

        for (int t = 0; t < 2; ++t) {
            D3DAppDevice* pDevice = &pAdapter->aDevices[pAdapter->dwDeviceCount];
            pDevice->DeviceType = kDeviceTypes[t];
            m_pDirect3D->GetDeviceCaps(uAdapter, kDeviceTypes[t], &pDevice->Caps);
            pDevice->pszName = kDeviceNames[t];
            pDevice->dwModeCount = 0;
            pDevice->dwCurMode = 0;
            pDevice->bCanWindow = FALSE;
            pDevice->bWindowed = FALSE;
            pDevice->MultiSampleType = D3DMULTISAMPLE_NONE;
            const BOOL bHal = pDevice->DeviceType == D3DDEVTYPE_HAL;
            const BOOL bCanRenderWindowed = (pDevice->Caps.Caps2 & D3DCAPS2_CANRENDERWINDOWED) != 0;

            BOOL bConfirmed[kMaxWorkFormats];
            DWORD dwBehavior[kMaxWorkFormats];
            D3DFORMAT fmtDepthStencil[kMaxWorkFormats];
            for (DWORD f = 0; f < dwNumFormats; ++f) {
                bConfirmed[f] = FALSE;
                dwBehavior[f] = 0;
                fmtDepthStencil[f] = D3DFMT_UNKNOWN;

                if (FAILED(m_pDirect3D->CheckDeviceType(uAdapter, pDevice->DeviceType, formats[f], formats[f], FALSE)))
                    continue;

                if (bHal) {
                    bHalExists = TRUE;
                    if (bCanRenderWindowed) {
                        bHalWindowed = TRUE;
                        if (f == 0) bHalDesktopWindowed = TRUE;
                    }
                }

                auto accept = [&](DWORD dwFlags) {
                    if (SUCCEEDED(CheckDeviceCaps(&pDevice->Caps, dwFlags, formats[f]))) {
                        dwBehavior[f] = dwFlags;
                        bConfirmed[f] = TRUE;
                    }
                    return bConfirmed[f];
                };
                if (pDevice->Caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT) {
                    if (pDevice->Caps.DevCaps & D3DDEVCAPS_PUREDEVICE) accept(kBehaviorPureHardware);
                    if (!bConfirmed[f]) accept(D3DCREATE_HARDWARE_VERTEXPROCESSING);
                    if (!bConfirmed[f]) accept(D3DCREATE_MIXED_VERTEXPROCESSING);
                }
                if (!bConfirmed[f]) accept(D3DCREATE_SOFTWARE_VERTEXPROCESSING);

                if (bConfirmed[f] && m_bNeedDepthBuffer &&
                    !ChooseDepthFormat(uAdapter, pDevice->DeviceType, formats[f], &fmtDepthStencil[f]))
                    bConfirmed[f] = FALSE;
            }

            for (DWORD m = 0; m < dwNumModes && pDevice->dwModeCount < kMaxModesPerDevice; ++m) {
                for (DWORD f = 0; f < dwNumFormats; ++f) {
                    if (modes[m].Format != formats[f] || !bConfirmed[f]) continue;
                    D3DAppMode* pMode = &pDevice->aModes[pDevice->dwModeCount++];
                    pMode->dwWidth = modes[m].Width;
                    pMode->dwHeight = modes[m].Height;
                    pMode->Format = modes[m].Format;
                    pMode->dwBehavior = dwBehavior[f];
                    pMode->DepthStencilFormat = fmtDepthStencil[f];
                    if (bHal) bHalHasMode = TRUE;
                    break;
                }
            }

            // The first 16-bit 640 x 480 mode, else the last 640 x 480 mode, else the first mode.
            for (DWORD m = 0; m < pDevice->dwModeCount; ++m) {
                if (pDevice->aModes[m].dwWidth == 640 && pDevice->aModes[m].dwHeight == 480) {
                    pDevice->dwCurMode = m;
                    if (Is16BitFormat(pDevice->aModes[m].Format)) break;
                }
            }

            if (bConfirmed[0] && bCanRenderWindowed) {
                pDevice->bCanWindow = TRUE;
                pDevice->bWindowed = TRUE;
            }

            if (pDevice->dwModeCount > 0) ++pAdapter->dwDeviceCount;
        }

        if (pAdapter->dwDeviceCount > 0) ++m_dwAdapterCount;
    }

    if (m_dwAdapterCount == 0) return AppErrNoCompatibleDevices;

    for (DWORD a = 0; a < m_dwAdapterCount; ++a) {
        for (DWORD d = 0; d < m_aAdapters[a].dwDeviceCount; ++d) {
            if (!m_aAdapters[a].aDevices[d].bWindowed) continue;
            m_dwCurAdapter = a;
            m_aAdapters[a].dwCurDevice = d;
            m_bWindowedMode = TRUE;

            if (m_aAdapters[a].aDevices[d].DeviceType == D3DDEVTYPE_REF) {
                HRESULT hrWhy;
                if (!bHalExists)
                    hrWhy = AppErrNoHardwareDevice;
                else if (!bHalHasMode)
                    hrWhy = AppErrHalNotCompatible;
                else if (!bHalWindowed)
                    hrWhy = AppErrNoWindowedHal;
                else if (!bHalDesktopWindowed)
                    hrWhy = AppErrNoDesktopHal;
                else
                    hrWhy = AppErrNoHalThisMode;
                ShowError(hrWhy, ErrorBoxReferenceWarning);
            }
            return S_OK;
        }
    }

    return AppErrNoWindowableDevices;
}
