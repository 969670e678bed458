// Device creation with the fall-back to the reference device, reset, and the switches between
// the window and full screen.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "framework/apperrors.h"
#include "framework/d3dapp.h"
#include "framework/d3dutil.h"
#include "framework/systimer.h"

namespace {

void FillBackBufferSize(D3DPRESENT_PARAMETERS& pp, BOOL bWindowed, const RECT& rcClient, const D3DAppAdapter* pAdapter,
                        const D3DAppMode* pMode) {
    if (bWindowed) {
        pp.BackBufferWidth = static_cast<UINT>(rcClient.right - rcClient.left);
        pp.BackBufferHeight = static_cast<UINT>(rcClient.bottom - rcClient.top);
        pp.BackBufferFormat = pAdapter->DesktopMode.Format;
    } else {
        pp.BackBufferWidth = pMode->dwWidth;
        pp.BackBufferHeight = pMode->dwHeight;
        pp.BackBufferFormat = pMode->Format;
    }
}

void ReadBackBufferDesc(IDirect3DDevice8* pDevice, D3DSURFACE_DESC* pDesc) {
    IDirect3DSurface8* pBackBuffer = nullptr;
    if (SUCCEEDED(pDevice->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &pBackBuffer)) && pBackBuffer) {
        pBackBuffer->GetDesc(pDesc);
        pBackBuffer->Release();
    }
}

}  // namespace

HRESULT CD3DApp::ApplyWindowStyle() {
    SetWindowLongA(m_hWnd, GWL_STYLE, static_cast<LONG>(m_bWindowedMode ? m_dwWindowedStyle : kFullscreenStyle));
    return S_OK;
}

void CD3DApp::BuildDeviceText(const D3DAppAdapter* pAdapter, const D3DAppDevice* pDevice, DWORD dwBehavior) {
    const BOOL bHal = pDevice->DeviceType == D3DDEVTYPE_HAL;
    const char* pszType = bHal ? "HAL" : pDevice->DeviceType == D3DDEVTYPE_REF ? "REF" : "SW";

    const char* pszVp = "";
    if ((dwBehavior & D3DCREATE_HARDWARE_VERTEXPROCESSING) && (dwBehavior & D3DCREATE_PUREDEVICE))
        pszVp = bHal ? " (pure hw vp)" : " (simulated pure hw vp)";
    else if (dwBehavior & D3DCREATE_HARDWARE_VERTEXPROCESSING)
        pszVp = bHal ? " (hw vp)" : " (simulated hw vp)";
    else if (dwBehavior & D3DCREATE_MIXED_VERTEXPROCESSING)
        pszVp = bHal ? " (mixed vp)" : " (simulated mixed vp)";
    else if (dwBehavior & D3DCREATE_SOFTWARE_VERTEXPROCESSING)
        pszVp = " (sw vp)";

    // The adapter's description may be far longer than the text holds; it is cut to fit.
    char szText[sizeof pAdapter->Identifier.Description + 64];
    std::snprintf(szText, sizeof szText, "%s%s%s%.*s", pszType, pszVp, bHal ? ": " : "",
                  static_cast<int>(sizeof pAdapter->Identifier.Description),
                  bHal ? pAdapter->Identifier.Description : "");
    const size_t uLength = std::min(std::strlen(szText), sizeof m_szDeviceText - 1);
    std::memcpy(m_szDeviceText, szText, uLength);
    m_szDeviceText[uLength] = '\0';
}

HRESULT CD3DApp::InitDevice() {
    D3DAppAdapter* pAdapter = CurrentAdapter();
    D3DAppDevice* pDevice = CurrentDevice();
    D3DAppMode* pMode = CurrentMode();

    ApplyWindowStyle();

    std::memset(&m_presentParams, 0, sizeof m_presentParams);
    FillBackBufferSize(m_presentParams, m_bWindowedMode, m_rcClient, pAdapter, pMode);
    m_presentParams.BackBufferCount = 1;
    m_presentParams.MultiSampleType = pDevice->MultiSampleType;
    m_presentParams.SwapEffect = D3DSWAPEFFECT_DISCARD;
    m_presentParams.hDeviceWindow = m_hWnd;
    m_presentParams.Windowed = pDevice->bWindowed;
    m_presentParams.EnableAutoDepthStencil = m_bNeedDepthBuffer;
    m_presentParams.AutoDepthStencilFormat = pMode->DepthStencilFormat;

    HRESULT hr = m_pDirect3D->CreateDevice(pAdapter->uOrdinal, pDevice->DeviceType, m_hFocusWnd, pMode->dwBehavior,
                                           &m_presentParams, &m_pDevice);
    if (SUCCEEDED(hr)) {
        if (m_bWindowedMode)
            SetWindowPos(m_hWnd, HWND_NOTOPMOST, m_rcWindow.left, m_rcWindow.top, m_rcWindow.right - m_rcWindow.left,
                         m_rcWindow.bottom - m_rcWindow.top, SWP_SHOWWINDOW);

        m_pDevice->GetDeviceCaps(&m_deviceCaps);
        m_dwBehaviorFlags = pMode->dwBehavior;
        BuildDeviceText(pAdapter, pDevice, pMode->dwBehavior);
        ReadBackBufferDesc(m_pDevice, &m_backBufferDesc);

        if (m_bFullscreenCursor && !m_bWindowedMode) {
            gfxSetDeviceCursor(m_pDevice,
                               reinterpret_cast<HCURSOR>(static_cast<UINT_PTR>(GetClassLongA(m_hWnd, GCL_HCURSOR))));
            m_pDevice->ShowCursor(TRUE);
        }

        hr = OnDeviceCreated();
        if (SUCCEEDED(hr)) hr = OnDeviceReset();
        if (SUCCEEDED(hr)) {
            m_bWindowActive = TRUE;
            return S_OK;
        }

        OnDeviceLost();
        OnDeviceDestroyed();
        m_pDevice->Release();
        m_pDevice = nullptr;
    }

    if (pDevice->DeviceType == D3DDEVTYPE_HAL) {
        ShowError(hr, ErrorBoxReferenceWarning);

        // Adapter 0's reference device; without one the choice stays as it was.
        D3DAppAdapter* pFirst = &m_aAdapters[0];
        for (DWORD d = 0; d < pFirst->dwDeviceCount; ++d) {
            if (pFirst->aDevices[d].DeviceType != D3DDEVTYPE_REF) continue;
            m_dwCurAdapter = 0;
            pFirst->dwCurDevice = d;
            m_bWindowedMode = pFirst->aDevices[d].bWindowed;
            return InitDevice();
        }
    }
    return hr;
}

HRESULT CD3DApp::ResetDevice() {
    HRESULT hr = OnDeviceLost();
    if (FAILED(hr)) return hr;

    hr = m_pDevice->Reset(&m_presentParams);
    if (FAILED(hr)) return hr;

    ReadBackBufferDesc(m_pDevice, &m_backBufferDesc);

    if (m_bFullscreenCursor && !m_bWindowedMode) {
        gfxSetDeviceCursor(m_pDevice,
                           reinterpret_cast<HCURSOR>(static_cast<UINT_PTR>(GetClassLongA(m_hWnd, GCL_HCURSOR))));
        m_pDevice->ShowCursor(TRUE);
    }

    hr = OnDeviceReset();
    if (FAILED(hr)) return hr;

    StepOnceIfStopped();
    return S_OK;
}

HRESULT CD3DApp::SwitchFullscreen() {
    D3DAppAdapter* pAdapter = CurrentAdapter();
    D3DAppDevice* pDevice = CurrentDevice();
    D3DAppMode* pMode = CurrentMode();

    if (!m_bWindowedMode && !pDevice->bCanWindow) return FallBackToWindowed();

    m_bDeviceReady = FALSE;
    m_bWindowedMode = !m_bWindowedMode;
    pDevice->bWindowed = m_bWindowedMode;

    ApplyWindowStyle();

    m_presentParams.Windowed = pDevice->bWindowed;
    m_presentParams.MultiSampleType = pDevice->MultiSampleType;
    m_presentParams.AutoDepthStencilFormat = pMode->DepthStencilFormat;
    m_presentParams.hDeviceWindow = m_hWnd;
    FillBackBufferSize(m_presentParams, m_bWindowedMode, m_rcClient, pAdapter, pMode);

    if (FAILED(ResetDevice())) {
        if (m_bWindowedMode) return FallBackToWindowed();
        return E_FAIL;
    }

    if (m_bWindowedMode)
        SetWindowPos(m_hWnd, HWND_NOTOPMOST, m_rcWindow.left, m_rcWindow.top, m_rcWindow.right - m_rcWindow.left,
                     m_rcWindow.bottom - m_rcWindow.top, SWP_SHOWWINDOW);

    m_bDeviceReady = TRUE;
    return S_OK;
}

HRESULT CD3DApp::FallBackToWindowed() {
    if (!CurrentDevice()->bCanWindow) {
        BOOL bFound = FALSE;
        for (DWORD a = 0; a < m_dwAdapterCount && !bFound; ++a) {
            for (DWORD d = 0; d < m_aAdapters[a].dwDeviceCount; ++d) {
                if (!m_aAdapters[a].aDevices[d].bCanWindow) continue;
                m_dwCurAdapter = a;
                m_aAdapters[a].dwCurDevice = d;
                bFound = TRUE;
                break;
            }
        }
        if (!bFound) return E_FAIL;
    }

    CurrentDevice()->bWindowed = TRUE;
    m_bWindowedMode = TRUE;

    m_bDeviceReady = FALSE;
    HRESULT hr = ReleaseAndRecreateDevice();
    if (FAILED(hr)) return hr;

    m_bDeviceReady = TRUE;
    return S_OK;
}

HRESULT CD3DApp::ReleaseAndRecreateDevice() {
    OnDeviceLost();
    OnDeviceDestroyed();

    ULONG ulRefs = m_pDevice ? m_pDevice->Release() : 0;
    m_pDevice = nullptr;
    if (ulRefs > 0) return ShowError(AppErrNonZeroRefCount, ErrorBoxFatal);

    HRESULT hr = InitDevice();
    if (FAILED(hr)) return ShowError(hr, ErrorBoxFatal);
    return S_OK;
}

// After a reset or a re-creation while stopped: one update with the new device, the application
// time left where it stands.
void CD3DApp::StepOnceIfStopped() {
    if (!m_bAnimating) {
        m_bStepOnce = TRUE;
        sysTimer(TimerCommand::Start);
        sysTimer(TimerCommand::Stop);
    }
}
