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
            SUCCEEDED(
                m_pDirect3D->CheckDepthStencilMatch(uAdapter, DeviceType, AdapterFormat, AdapterFormat, c.Format))) {
            *pDepthStencilFormat = c.Format;
            return TRUE;
        }
    }
    return FALSE;
}

// The adapter's working lists: its distinct display modes (refresh rate 0) and their formats, the
// desktop format first.
struct CD3DApp::EnumModeList {
    D3DDISPLAYMODE aModes[kMaxWorkModes];
    DWORD dwModeCount = 0;
    D3DFORMAT aFormats[kMaxWorkFormats];
    DWORD dwFormatCount = 0;
};

// What was seen of hardware devices over all adapters, for the warning when the reference device
// is chosen.
struct CD3DApp::EnumHalFindings {
    BOOL bExists = FALSE;           // some format passed CheckDeviceType on a HAL
    BOOL bWindowed = FALSE;         // ... on a HAL that can render windowed
    BOOL bDesktopWindowed = FALSE;  // ... and that format was the desktop's
    BOOL bHasMode = FALSE;          // a HAL kept a mode

    // Why no HAL was chosen: the first finding that is missing.
    HRESULT WhyNoHal() const {
        if (!bExists) return AppErrNoHardwareDevice;
        if (!bHasMode) return AppErrHalNotCompatible;
        if (!bWindowed) return AppErrNoWindowedHal;
        if (!bDesktopWindowed) return AppErrNoDesktopHal;
        return AppErrNoHalThisMode;
    }
};

// The adapter's modes of at least 640 x 400, once per width, height and format, and their formats,
// then the modes sorted. What goes beyond the working lists is left out.
void CD3DApp::ListAdapterModes(UINT uAdapter, D3DFORMAT DesktopFormat, EnumModeList* pList) {
    pList->dwModeCount = 0;
    pList->dwFormatCount = 0;
    pList->aFormats[pList->dwFormatCount++] = DesktopFormat;

    const UINT uModeCount = m_pDirect3D->GetAdapterModeCount(uAdapter);
    for (UINT uMode = 0; uMode < uModeCount; ++uMode) {
        D3DDISPLAYMODE mode;
        std::memset(&mode, 0, sizeof mode);
        m_pDirect3D->EnumAdapterModes(uAdapter, uMode, &mode);
        if (mode.Width < 640 || mode.Height < 400) continue;

        DWORD m = 0;
        for (; m < pList->dwModeCount; ++m) {
            const D3DDISPLAYMODE& listed = pList->aModes[m];
            if (listed.Width == mode.Width && listed.Height == mode.Height && listed.Format == mode.Format) break;
        }
        if (m < pList->dwModeCount || pList->dwModeCount == kMaxWorkModes) continue;
        pList->aModes[pList->dwModeCount++] = D3DDISPLAYMODE{mode.Width, mode.Height, 0, mode.Format};

        DWORD f = 0;
        for (; f < pList->dwFormatCount; ++f)
            if (pList->aFormats[f] == mode.Format) break;
        if (f == pList->dwFormatCount && pList->dwFormatCount < kMaxWorkFormats)
            pList->aFormats[pList->dwFormatCount++] = mode.Format;
    }

    std::qsort(pList->aModes, pList->dwModeCount, sizeof(D3DDISPLAYMODE), CompareModes);
}

namespace {

// The default full-screen mode: the first 16-bit 640 x 480 mode, else the last 640 x 480 mode,
// else the first mode.
void ChooseDefaultMode(D3DAppDevice* pDevice) {
    for (DWORD m = 0; m < pDevice->dwModeCount; ++m) {
        if (pDevice->aModes[m].dwWidth == 640 && pDevice->aModes[m].dwHeight == 480) {
            pDevice->dwCurMode = m;
            if (Is16BitFormat(pDevice->aModes[m].Format)) break;
        }
    }
}

}  // namespace

BOOL CD3DApp::ConfirmFormat(UINT uAdapter, const D3DAppDevice& device, D3DFORMAT Format, DWORD* pdwBehavior,
                            D3DFORMAT* pDepthStencilFormat) {
    // Vertex processing: the first the application accepts.
    auto accept = [&](DWORD dwFlags) {
        if (FAILED(CheckDeviceCaps(&device.Caps, dwFlags, Format))) return false;
        *pdwBehavior = dwFlags;
        return true;
    };
    bool bAccepted = false;
    if (device.Caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT) {
        if (device.Caps.DevCaps & D3DDEVCAPS_PUREDEVICE) bAccepted = accept(kBehaviorPureHardware);
        if (!bAccepted) bAccepted = accept(D3DCREATE_HARDWARE_VERTEXPROCESSING);
        if (!bAccepted) bAccepted = accept(D3DCREATE_MIXED_VERTEXPROCESSING);
    }
    if (!bAccepted) bAccepted = accept(D3DCREATE_SOFTWARE_VERTEXPROCESSING);
    if (!bAccepted) return FALSE;

    if (m_bNeedDepthBuffer && !ChooseDepthFormat(uAdapter, device.DeviceType, Format, pDepthStencilFormat))
        return FALSE;
    return TRUE;
}

void CD3DApp::EnumerateDeviceType(UINT uAdapter, int iType, const EnumModeList& list, D3DAppAdapter* pAdapter,
                                  EnumHalFindings* pHal) {
    static const D3DDEVTYPE kDeviceTypes[] = {D3DDEVTYPE_HAL, D3DDEVTYPE_REF};
    static const char* const kDeviceNames[] = {"HAL", "REF"};

    // A type that ends with no mode leaves its record to the next type.
    D3DAppDevice* pDevice = &pAdapter->aDevices[pAdapter->dwDeviceCount];
    pDevice->DeviceType = kDeviceTypes[iType];
    m_pDirect3D->GetDeviceCaps(uAdapter, kDeviceTypes[iType], &pDevice->Caps);
    pDevice->pszName = kDeviceNames[iType];
    pDevice->dwModeCount = 0;
    pDevice->dwCurMode = 0;
    pDevice->bCanWindow = FALSE;
    pDevice->bWindowed = FALSE;
    pDevice->MultiSampleType = D3DMULTISAMPLE_NONE;
    const BOOL bHal = pDevice->DeviceType == D3DDEVTYPE_HAL;
    const BOOL bCanRenderWindowed = (pDevice->Caps.Caps2 & D3DCAPS2_CANRENDERWINDOWED) != 0;

    // Each format in list order, the desktop format first.
    BOOL bConfirmed[kMaxWorkFormats];
    DWORD dwBehavior[kMaxWorkFormats];
    D3DFORMAT fmtDepthStencil[kMaxWorkFormats];
    for (DWORD f = 0; f < list.dwFormatCount; ++f) {
        const D3DFORMAT Format = list.aFormats[f];
        bConfirmed[f] = FALSE;
        dwBehavior[f] = 0;
        fmtDepthStencil[f] = D3DFMT_UNKNOWN;

        if (FAILED(m_pDirect3D->CheckDeviceType(uAdapter, pDevice->DeviceType, Format, Format, FALSE))) continue;
        if (bHal) {
            pHal->bExists = TRUE;
            if (bCanRenderWindowed) {
                pHal->bWindowed = TRUE;
                if (f == 0) pHal->bDesktopWindowed = TRUE;
            }
        }
        bConfirmed[f] = ConfirmFormat(uAdapter, *pDevice, Format, &dwBehavior[f], &fmtDepthStencil[f]);
    }

    // The usable modes, in sorted order.
    for (DWORD m = 0; m < list.dwModeCount && pDevice->dwModeCount < kMaxModesPerDevice; ++m) {
        for (DWORD f = 0; f < list.dwFormatCount; ++f) {
            if (list.aModes[m].Format != list.aFormats[f] || !bConfirmed[f]) continue;
            D3DAppMode* pMode = &pDevice->aModes[pDevice->dwModeCount++];
            pMode->dwWidth = list.aModes[m].Width;
            pMode->dwHeight = list.aModes[m].Height;
            pMode->Format = list.aModes[m].Format;
            pMode->dwBehavior = dwBehavior[f];
            pMode->DepthStencilFormat = fmtDepthStencil[f];
            if (bHal) pHal->bHasMode = TRUE;
            break;
        }
    }

    ChooseDefaultMode(pDevice);

    if (bConfirmed[0] && bCanRenderWindowed) {
        pDevice->bCanWindow = TRUE;
        pDevice->bWindowed = TRUE;
    }

    if (pDevice->dwModeCount > 0) ++pAdapter->dwDeviceCount;
}

HRESULT CD3DApp::ChooseStartDevice(const EnumHalFindings& hal) {
    for (DWORD a = 0; a < m_dwAdapterCount; ++a) {
        for (DWORD d = 0; d < m_aAdapters[a].dwDeviceCount; ++d) {
            if (!m_aAdapters[a].aDevices[d].bWindowed) continue;
            m_dwCurAdapter = a;
            m_aAdapters[a].dwCurDevice = d;
            m_bWindowedMode = TRUE;
            if (m_aAdapters[a].aDevices[d].DeviceType == D3DDEVTYPE_REF)
                ShowError(hal.WhyNoHal(), ErrorBoxReferenceWarning);
            return S_OK;
        }
    }
    return AppErrNoWindowableDevices;
}

HRESULT CD3DApp::EnumerateDevices() {
    EnumHalFindings hal;

    m_dwAdapterCount = 0;
    const UINT uAdapterCount = m_pDirect3D->GetAdapterCount();
    for (UINT uAdapter = 0; uAdapter < uAdapterCount && m_dwAdapterCount < kMaxAdapters; ++uAdapter) {
        // An adapter that ends with no device is overwritten by the next one.
        D3DAppAdapter* pAdapter = &m_aAdapters[m_dwAdapterCount];
        std::memset(pAdapter, 0, sizeof *pAdapter);
        m_pDirect3D->GetAdapterIdentifier(uAdapter, 0, &pAdapter->Identifier);
        m_pDirect3D->GetAdapterDisplayMode(uAdapter, &pAdapter->DesktopMode);
        pAdapter->dwDeviceCount = 0;
        pAdapter->dwCurDevice = 0;
        pAdapter->uOrdinal = uAdapter;

        EnumModeList list;
        ListAdapterModes(uAdapter, pAdapter->DesktopMode.Format, &list);
        for (int iType = 0; iType < 2; ++iType) EnumerateDeviceType(uAdapter, iType, list, pAdapter, &hal);

        if (pAdapter->dwDeviceCount > 0) ++m_dwAdapterCount;
    }

    if (m_dwAdapterCount == 0) return AppErrNoCompatibleDevices;
    return ChooseStartDevice(hal);
}
