// The application framework's application class: the main window, the Direct3D object and
// device, the enumerated adapters, devices and modes, the frame loop and the frame statistics.
// The derived application takes part only through the virtual operations.
#pragma once

#include "d3d8/d3d8.h"
#include "win32/windows.h"

// Capacities of the enumeration records.
constexpr DWORD kMaxAdapters = 10;
constexpr DWORD kMaxDevicesPerAdapter = 5;
constexpr DWORD kMaxModesPerDevice = 150;

// One usable display mode of a device.
struct D3DAppMode {
    DWORD dwWidth;
    DWORD dwHeight;
    D3DFORMAT Format;
    DWORD dwBehavior;              // D3DCREATE_* vertex processing for this format
    D3DFORMAT DepthStencilFormat;  // D3DFMT_UNKNOWN when no depth buffer is wanted
};

// One device type (HAL or REF) of an adapter.
struct D3DAppDevice {
    D3DDEVTYPE DeviceType;
    D3DCAPS8 Caps;
    const char* pszName;
    BOOL bCanWindow;
    DWORD dwModeCount;
    D3DAppMode aModes[kMaxModesPerDevice];
    DWORD dwCurMode;
    BOOL bWindowed;
    D3DMULTISAMPLE_TYPE MultiSampleType;
};

// One enumerated adapter.
struct D3DAppAdapter {
    D3DADAPTER_IDENTIFIER8 Identifier;
    D3DDISPLAYMODE DesktopMode;
    DWORD dwDeviceCount;
    D3DAppDevice aDevices[kMaxDevicesPerAdapter];
    DWORD dwCurDevice;
    // The ordinal Direct3D knows the adapter by; differs from the list index once an adapter
    // without a usable device has been left out.
    UINT uOrdinal;
};

// A choice of adapter, device, mode, window and multisampling, as the device dialog edits it.
struct DeviceSelection {
    DWORD dwAdapter;
    DWORD dwDevice;
    DWORD dwMode;
    BOOL bWindowed;
    D3DMULTISAMPLE_TYPE MultiSampleType;
};

class CD3DApp {
public:
    CD3DApp();

    // The life-cycle operations, in slot order.
    virtual HRESULT ApplyWindowStyle();
    virtual HRESULT AfterCreate() { return S_OK; }
    virtual HRESULT CheckDeviceCaps(const D3DCAPS8* /*pCaps*/, DWORD /*dwBehavior*/, D3DFORMAT /*Format*/) {
        return S_OK;
    }
    virtual HRESULT InitApp() { return S_OK; }
    virtual HRESULT OnDeviceCreated() { return S_OK; }
    virtual HRESULT OnDeviceReset() { return S_OK; }
    virtual HRESULT UpdateFrame() { return S_OK; }
    virtual HRESULT RenderScene() { return S_OK; }
    virtual HRESULT OnDeviceLost() { return S_OK; }
    virtual HRESULT OnDeviceDestroyed() { return S_OK; }
    virtual HRESULT ShutdownApp() { return S_OK; }
    virtual HRESULT Create(HINSTANCE hInstance);
    virtual INT Run();
    virtual LRESULT HandleMessage(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
    virtual void Pause(BOOL bPause);

protected:
    HRESULT EnumerateDevices();
    // The steps of EnumerateDevices.
    struct EnumModeList;
    struct EnumHalFindings;
    void ListAdapterModes(UINT uAdapter, D3DFORMAT DesktopFormat, EnumModeList* pList);
    void EnumerateDeviceType(UINT uAdapter, int iType, const EnumModeList& list, D3DAppAdapter* pAdapter,
                             EnumHalFindings* pHal);
    // The vertex processing the application accepts for the format and, when wanted, its depth
    // format; FALSE when either is missing.
    BOOL ConfirmFormat(UINT uAdapter, const D3DAppDevice& device, D3DFORMAT Format, DWORD* pdwBehavior,
                       D3DFORMAT* pDepthStencilFormat);
    // The first windowed-capable device, with the warning when it is the reference device.
    HRESULT ChooseStartDevice(const EnumHalFindings& hal);
    BOOL ChooseDepthFormat(UINT uAdapter, D3DDEVTYPE DeviceType, D3DFORMAT AdapterFormat,
                           D3DFORMAT* pDepthStencilFormat);
    HRESULT InitDevice();
    HRESULT ResetDevice();
    HRESULT SwitchFullscreen();
    HRESULT FallBackToWindowed();
    HRESULT ReleaseAndRecreateDevice();
    void StepOnceIfStopped();
    HRESULT StepFrame();
    void DestroyDevice();
    HRESULT ApplySettingsFile();
    HRESULT ChangeDeviceDialog();
    // The steps of HandleMessage. OnExitSizeMove gives FALSE after a failed reset (the window is
    // closing); OnSetCursor gives TRUE when it hid the cursor; OnCommand gives TRUE when the
    // command is answered with 0 rather than passed on.
    BOOL OnExitSizeMove();
    BOOL OnSetCursor();
    void OnMouseMove();
    BOOL OnCommand(HWND hWnd, WORD wId);
    void OnClose(HWND hWnd);
    HRESULT ShowError(HRESULT hr, DWORD dwType);
    void BuildDeviceText(const D3DAppAdapter* pAdapter, const D3DAppDevice* pDevice, DWORD dwBehavior);
    void BuildFrameText(const D3DDISPLAYMODE& displayMode, D3DFORMAT DepthStencilFormat);

    D3DAppAdapter* CurrentAdapter() { return &m_aAdapters[m_dwCurAdapter]; }
    D3DAppDevice* CurrentDevice() { return &CurrentAdapter()->aDevices[CurrentAdapter()->dwCurDevice]; }
    D3DAppMode* CurrentMode() { return &CurrentDevice()->aModes[CurrentDevice()->dwCurMode]; }

    friend LRESULT CALLBACK StaticWndProc(HWND, UINT, WPARAM, LPARAM);
    friend INT_PTR CALLBACK SelectDeviceDlgProc(HWND, UINT, WPARAM, LPARAM);
    friend void RefreshDeviceDialog(HWND);

    D3DAppAdapter m_aAdapters[kMaxAdapters];
    DWORD m_dwAdapterCount;
    DWORD m_dwCurAdapter;
    BOOL m_bWindowActive;
    BOOL m_bDeviceReady;
    BOOL m_bAnimating;
    BOOL m_bStepOnce;
    BOOL m_bWindowedMode;
    DWORD m_dwInitWidth;
    DWORD m_dwInitHeight;
    D3DPRESENT_PARAMETERS m_presentParams;
    HWND m_hWnd;
    HWND m_hFocusWnd;
    IDirect3D8* m_pDirect3D;
    IDirect3DDevice8* m_pDevice;
    D3DCAPS8 m_deviceCaps;
    D3DSURFACE_DESC m_backBufferDesc;
    DWORD m_dwBehaviorFlags;
    DWORD m_dwWindowedStyle;
    RECT m_rcWindow;
    RECT m_rcClient;
    float m_fAppTime;
    float m_fFrameTime;
    float m_fFramesPerSec;
    char m_szDeviceText[90];
    char m_szFrameText[40];
    const char* m_pszTitle;
    BOOL m_bNeedDepthBuffer;
    DWORD m_dwDepthBitsMin;
    DWORD m_dwStencilBitsMin;
    BOOL m_bFullscreenCursor;
};

// The one application object; the window procedure forwards every message through it.
extern CD3DApp* g_pD3DApp;

LRESULT CALLBACK StaticWndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK SelectDeviceDlgProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam);
// Fills the device dialog's controls from the selection being edited.
void RefreshDeviceDialog(HWND hDlg);

// The vertex-processing flags of a pure hardware device.
constexpr DWORD kBehaviorPureHardware = D3DCREATE_HARDWARE_VERTEXPROCESSING | D3DCREATE_PUREDEVICE;

// Window style of full-screen mode: WS_POPUP | WS_VISIBLE | WS_SYSMENU.
constexpr DWORD kFullscreenStyle = 0x90080000;
// Window style the framework creates its window with.
constexpr DWORD kWindowedStyle = 0x90CE0000;

// Returns the frame counter, the statistics time, the pause depth and the dialog's state to
// their program-start values, so that each test starts from scratch.
void d3dAppResetForTest();
