// Construction, start-up, the message loop, the frame step, pausing and shutdown.
#include "framework/d3dapp.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "framework/apperrors.h"
#include "framework/systimer.h"
#include "resources/resource.h"

CD3DApp* g_pD3DApp = nullptr;

namespace {

DWORD s_dwFrameCount = 0;
float s_fLastStatsTime = 0.0f;
DWORD s_dwPauseCount = 0;

const char* DepthSuffix(D3DFORMAT Format) {
    switch (Format) {
        case D3DFMT_D16: return " (D16)";
        case D3DFMT_D15S1: return " (D15S1)";
        case D3DFMT_D24X8: return " (D24X8)";
        case D3DFMT_D24S8: return " (D24S8)";
        case D3DFMT_D24X4S4: return " (D24X4S4)";
        case D3DFMT_D32: return " (D32)";
        default: return "";
    }
}

}  // namespace

void d3dDialogResetForTest();  // d3ddialog.cpp

void d3dAppResetForTest() {
    s_dwFrameCount = 0;
    s_fLastStatsTime = 0.0f;
    s_dwPauseCount = 0;
    d3dDialogResetForTest();
}

CD3DApp::CD3DApp() {
    std::memset(m_aAdapters, 0, sizeof m_aAdapters);
    m_dwAdapterCount = 0;
    m_dwCurAdapter = 0;
    m_bWindowActive = FALSE;
    m_bDeviceReady = FALSE;
    m_bAnimating = TRUE;
    m_bStepOnce = FALSE;
    m_bWindowedMode = TRUE;
    m_dwInitWidth = 400;
    m_dwInitHeight = 300;
    std::memset(&m_presentParams, 0, sizeof m_presentParams);
    m_hWnd = nullptr;
    m_hFocusWnd = nullptr;
    m_pDirect3D = nullptr;
    m_pDevice = nullptr;
    std::memset(&m_deviceCaps, 0, sizeof m_deviceCaps);
    std::memset(&m_backBufferDesc, 0, sizeof m_backBufferDesc);
    m_dwBehaviorFlags = 0;
    m_dwWindowedStyle = kWindowedStyle;
    m_rcWindow = RECT{};
    m_rcClient = RECT{};
    m_fAppTime = 0.0f;
    m_fFrameTime = 0.0f;
    m_fFramesPerSec = 0.0f;
    m_szDeviceText[0] = '\0';
    m_szFrameText[0] = '\0';
    m_pszTitle = "D3D8 Application";
    m_bNeedDepthBuffer = FALSE;
    m_dwDepthBitsMin = 16;
    m_dwStencilBitsMin = 0;
    m_bFullscreenCursor = FALSE;
    g_pD3DApp = this;
}

HRESULT CD3DApp::Create(HINSTANCE hInstance) {
    // Every failure releases the Direct3D object first; the fatal box then closes the window
    // (when there is one), whose shutdown releases the device.
    auto fail = [this](HRESULT hr) {
        if (m_pDirect3D) {
            m_pDirect3D->Release();
            m_pDirect3D = nullptr;
        }
        return ShowError(hr, ErrorBoxFatal);
    };

    m_pDirect3D = Direct3DCreate8(D3D_SDK_VERSION);
    if (m_pDirect3D == nullptr) return ShowError(AppErrNoDirect3D, ErrorBoxFatal);

    HRESULT hr = EnumerateDevices();
    if (FAILED(hr)) return fail(hr);

    if (m_hWnd == nullptr) {
        WNDCLASSA wndClass = {0,
                              StaticWndProc,
                              0,
                              0,
                              hInstance,
                              LoadIconA(hInstance, MAKEINTRESOURCEA(IDI_MAIN_ICON)),
                              LoadCursorA(nullptr, IDC_ARROW),
                              static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)),
                              nullptr,
                              "D3D Window"};
        RegisterClassA(&wndClass);

        m_dwWindowedStyle = kWindowedStyle;
        RECT rc = {0, 0, static_cast<LONG>(m_dwInitWidth), static_cast<LONG>(m_dwInitHeight)};
        AdjustWindowRect(&rc, m_dwWindowedStyle, TRUE);
        HMENU hMenu = LoadMenuA(hInstance, MAKEINTRESOURCEA(IDR_MENU));
        m_hWnd = CreateWindowExA(0, "D3D Window", m_pszTitle, m_dwWindowedStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                                 rc.right - rc.left, rc.bottom - rc.top, nullptr, hMenu, hInstance, nullptr);
        // Device creation needs the window; without one there is nothing to run in.
        if (m_hWnd == nullptr) {
            if (hMenu) DestroyMenu(hMenu);
            return fail(E_FAIL);
        }
    }

    if (m_hFocusWnd == nullptr) m_hFocusWnd = m_hWnd;

    m_dwWindowedStyle = static_cast<DWORD>(GetWindowLongA(m_hWnd, GWL_STYLE));
    GetWindowRect(m_hWnd, &m_rcWindow);
    GetClientRect(m_hWnd, &m_rcClient);

    hr = InitApp();
    if (FAILED(hr)) return fail(hr);

    hr = InitDevice();
    if (FAILED(hr)) return fail(hr);

    sysTimer(TimerCommand::Start);

    hr = AfterCreate();
    if (FAILED(hr)) return fail(hr);

    m_bDeviceReady = TRUE;

    ApplySettingsFile();
    return S_OK;
}

INT CD3DApp::Run() {
    HACCEL hAccel = LoadAcceleratorsA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAIN_ACCEL));

    MSG msg;
    std::memset(&msg, 0, sizeof msg);
    msg.message = WM_NULL;  // an empty queue leaves the record as it was
    PeekMessageA(&msg, nullptr, 0U, 0U, PM_NOREMOVE);

    while (msg.message != WM_QUIT) {
        BOOL bGotMsg;
        if (m_bWindowActive)
            bGotMsg = PeekMessageA(&msg, nullptr, 0U, 0U, PM_REMOVE);
        else
            bGotMsg = GetMessageA(&msg, nullptr, 0U, 0U);

        if (bGotMsg) {
            if (msg.message == WM_QUIT) break;
            if (TranslateAcceleratorA(m_hWnd, hAccel, &msg) == 0) {
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            }
        } else if (m_bWindowActive && m_bDeviceReady) {
            if (FAILED(StepFrame())) SendMessageA(m_hWnd, WM_CLOSE, 0, 0);
        }
    }

    if (hAccel) DestroyAcceleratorTable(hAccel);
    return static_cast<INT>(msg.wParam);
}

HRESULT CD3DApp::StepFrame() {
    HRESULT hr = m_pDevice->TestCooperativeLevel();
    if (FAILED(hr)) {
        if (hr == D3DERR_DEVICELOST) return S_OK;
        if (hr == D3DERR_DEVICENOTRESET) {
            if (m_bWindowedMode) {
                D3DAppAdapter* pAdapter = CurrentAdapter();
                m_pDirect3D->GetAdapterDisplayMode(pAdapter->uOrdinal, &pAdapter->DesktopMode);
                m_presentParams.BackBufferFormat = pAdapter->DesktopMode.Format;
            }
            return ResetDevice();
        }
        return hr;
    }

    float fAppTime = sysTimer(TimerCommand::GetAppTime);
    float fElapsedTime = sysTimer(TimerCommand::GetElapsedTime);

    if (fElapsedTime == 0.0f && m_bAnimating) return S_OK;

    if (m_bAnimating || m_bStepOnce) {
        m_fAppTime = fAppTime;
        m_fFrameTime = fElapsedTime;
        hr = UpdateFrame();
        if (FAILED(hr)) return hr;
        m_bStepOnce = FALSE;
    }

    hr = RenderScene();
    if (FAILED(hr)) return hr;

    float fTime = sysTimer(TimerCommand::GetAbsoluteTime);
    ++s_dwFrameCount;
    // In double: the absolute time is large, and the period must not lose its fraction.
    double dPeriod = static_cast<double>(fTime) - static_cast<double>(s_fLastStatsTime);
    if (dPeriod > 1.0) {
        m_fFramesPerSec = static_cast<float>(s_dwFrameCount / dPeriod);
        s_fLastStatsTime = fTime;
        s_dwFrameCount = 0;

        D3DDISPLAYMODE mode;
        std::memset(&mode, 0, sizeof mode);
        m_pDirect3D->GetAdapterDisplayMode(CurrentAdapter()->uOrdinal, &mode);
        BuildFrameText(mode, CurrentMode()->DepthStencilFormat);
    }

    m_pDevice->Present(nullptr, nullptr, nullptr, nullptr);
    return S_OK;
}

void CD3DApp::BuildFrameText(const D3DDISPLAYMODE& displayMode, D3DFORMAT DepthStencilFormat) {
    int iBits = displayMode.Format == D3DFMT_X8R8G8B8 ? 32 : 16;
    // Formatted in full, then cut to what the text holds.
    char szText[128];
    std::snprintf(szText, sizeof szText, "%.02f fps (%dx%dx%d)%s", m_fFramesPerSec,
                  static_cast<int>(m_backBufferDesc.Width), static_cast<int>(m_backBufferDesc.Height), iBits,
                  m_bNeedDepthBuffer ? DepthSuffix(DepthStencilFormat) : "");
    const size_t uLength = std::min(std::strlen(szText), sizeof m_szFrameText - 1);
    std::memcpy(m_szFrameText, szText, uLength);
    m_szFrameText[uLength] = '\0';
}

void CD3DApp::Pause(BOOL bPause) {
    if (bPause) {
        ++s_dwPauseCount;
    } else if (s_dwPauseCount > 0) {
        --s_dwPauseCount;
    }
    m_bDeviceReady = s_dwPauseCount == 0;

    if (bPause && s_dwPauseCount == 1 && m_bAnimating) sysTimer(TimerCommand::Stop);
    if (s_dwPauseCount == 0 && m_bAnimating) sysTimer(TimerCommand::Start);
}

void CD3DApp::DestroyDevice() {
    m_bWindowActive = FALSE;
    m_bDeviceReady = FALSE;

    if (m_pDevice) {
        OnDeviceLost();
        OnDeviceDestroyed();
        m_pDevice->Release();
        m_pDevice = nullptr;
    }
    // Also without a device (a failed re-creation), so that the object is never left behind.
    if (m_pDirect3D) {
        m_pDirect3D->Release();
        m_pDirect3D = nullptr;
    }

    ShutdownApp();
}
