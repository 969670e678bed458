// The "Select Device" dialog: adapter, device type, window or full-screen mode and multisample
// type, chosen from the enumerated lists; a changed choice re-creates the device.
#include <cstdio>
#include <cstring>

#include "framework/apperrors.h"
#include "framework/d3dapp.h"
#include "framework/systimer.h"
#include "resources/resource.h"

namespace {

// One dialog at a time.
CD3DApp* s_pDlgApp = nullptr;
DeviceSelection s_OldSelection;
DeviceSelection s_NewSelection;

bool SameSelection(const DeviceSelection& a, const DeviceSelection& b) {
    return a.dwAdapter == b.dwAdapter && a.dwDevice == b.dwDevice && a.dwMode == b.dwMode &&
           a.bWindowed == b.bWindowed && a.MultiSampleType == b.MultiSampleType;
}

void AddItem(HWND hCombo, const char* pszText, DWORD_PTR dwData) {
    LRESULT lIndex = SendMessageA(hCombo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(pszText));
    if (lIndex >= 0) SendMessageA(hCombo, CB_SETITEMDATA, static_cast<WPARAM>(lIndex), static_cast<LPARAM>(dwData));
}

// The selected entry's index, or -1 when nothing valid is selected.
LRESULT SelectedIndex(HWND hCombo) {
    LRESULT lIndex = SendMessageA(hCombo, CB_GETCURSEL, 0, 0);
    if (lIndex == CB_ERR || lIndex >= SendMessageA(hCombo, CB_GETCOUNT, 0, 0)) return -1;
    return lIndex;
}

}  // namespace

void d3dDialogResetForTest() {
    s_pDlgApp = nullptr;
    std::memset(&s_OldSelection, 0, sizeof s_OldSelection);
    std::memset(&s_NewSelection, 0, sizeof s_NewSelection);
}

HRESULT CD3DApp::ChangeDeviceDialog() {
    if (!m_bWindowedMode) {
        if (FAILED(SwitchFullscreen())) {
            // A failed fall-back to the window has already shown its fatal box and closed it.
            if (m_hWnd != nullptr) ShowError(AppErrResetFailed, ErrorBoxFatal);
            return E_FAIL;
        }
    }

    if (DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_SELECTDEVICE), m_hWnd, SelectDeviceDlgProc,
                        reinterpret_cast<LPARAM>(this)) != IDOK)
        return S_OK;

    m_bWindowedMode = CurrentDevice()->bWindowed;

    HRESULT hr = ReleaseAndRecreateDevice();
    if (FAILED(hr)) return hr;

    StepOnceIfStopped();
    return S_OK;
}

void RefreshDeviceDialog(HWND hDlg) {
    HWND hwndAdapterList = GetDlgItem(hDlg, CtlAdapterList);
    HWND hwndDeviceList = GetDlgItem(hDlg, CtlDeviceList);
    HWND hwndModeList = GetDlgItem(hDlg, CtlModeList);
    HWND hwndMultisampleList = GetDlgItem(hDlg, CtlMultisampleList);
    HWND hwndWindowedRadio = GetDlgItem(hDlg, CtlWindowedRadio);
    HWND hwndFullscreenRadio = GetDlgItem(hDlg, CtlFullscreenRadio);
    CD3DApp* pApp = s_pDlgApp;
    DeviceSelection& sel = s_NewSelection;
    const D3DAppAdapter* pAdapter = &pApp->m_aAdapters[sel.dwAdapter];
    const D3DAppDevice* pDevice = &pAdapter->aDevices[sel.dwDevice];
    const D3DAppMode* pMode = &pDevice->aModes[sel.dwMode];

    SendMessageA(hwndAdapterList, CB_RESETCONTENT, 0, 0);
    SendMessageA(hwndDeviceList, CB_RESETCONTENT, 0, 0);
    SendMessageA(hwndModeList, CB_RESETCONTENT, 0, 0);
    SendMessageA(hwndMultisampleList, CB_RESETCONTENT, 0, 0);

    for (DWORD a = 0; a < pApp->m_dwAdapterCount; ++a) {
        char szName[sizeof pApp->m_aAdapters[a].Identifier.Description + 1];
        std::snprintf(szName, sizeof szName, "%.*s", static_cast<int>(sizeof szName - 1),
                      pApp->m_aAdapters[a].Identifier.Description);
        AddItem(hwndAdapterList, szName, a);
        if (a == sel.dwAdapter) SendMessageA(hwndAdapterList, CB_SETCURSEL, a, 0);
    }

    for (DWORD d = 0; d < pAdapter->dwDeviceCount; ++d) {
        AddItem(hwndDeviceList, pAdapter->aDevices[d].pszName, d);
        if (d == sel.dwDevice) SendMessageA(hwndDeviceList, CB_SETCURSEL, d, 0);
    }

    for (DWORD m = 0; m < pDevice->dwModeCount; ++m) {
        const D3DAppMode& mode = pDevice->aModes[m];
        const long lBits =
            mode.Format == D3DFMT_X8R8G8B8 || mode.Format == D3DFMT_A8R8G8B8 || mode.Format == D3DFMT_R8G8B8 ? 32 : 16;
        char szMode[80];
        std::snprintf(szMode, sizeof szMode, "%ld x %ld x %ld", static_cast<long>(mode.dwWidth),
                      static_cast<long>(mode.dwHeight), lBits);
        AddItem(hwndModeList, szMode, m);
        if (m == sel.dwMode) SendMessageA(hwndModeList, CB_SETCURSEL, m, 0);
    }

    const D3DFORMAT fmt = sel.bWindowed ? pAdapter->DesktopMode.Format : pMode->Format;
    for (UINT uType = 0; uType <= 16; ++uType) {
        if (uType == 1) continue;
        const D3DMULTISAMPLE_TYPE msType = static_cast<D3DMULTISAMPLE_TYPE>(uType);
        if (FAILED(pApp->m_pDirect3D->CheckDeviceMultiSampleType(pAdapter->uOrdinal, pDevice->DeviceType, fmt,
                                                                 sel.bWindowed, msType)))
            continue;
        char szText[32];
        if (uType == 0)
            std::snprintf(szText, sizeof szText, "none");
        else
            std::snprintf(szText, sizeof szText, "%d samples", static_cast<int>(uType));
        AddItem(hwndMultisampleList, szText, uType);
        if (msType == sel.MultiSampleType || uType == 0) {
            LRESULT lLast = SendMessageA(hwndMultisampleList, CB_GETCOUNT, 0, 0) - 1;
            SendMessageA(hwndMultisampleList, CB_SETCURSEL, static_cast<WPARAM>(lLast), 0);
        }
    }
    // With no entry at all (not even "none" supported) the device gets no multisampling.
    LRESULT lMs = SelectedIndex(hwndMultisampleList);
    sel.MultiSampleType =
        lMs < 0 ? D3DMULTISAMPLE_NONE
                : static_cast<D3DMULTISAMPLE_TYPE>(SendMessageA(hwndMultisampleList, CB_GETITEMDATA, lMs, 0));
    EnableWindow(hwndMultisampleList, SendMessageA(hwndMultisampleList, CB_GETCOUNT, 0, 0) > 1);

    EnableWindow(hwndWindowedRadio, pDevice->bCanWindow);

    if (sel.bWindowed) {
        SendMessageA(hwndWindowedRadio, BM_SETCHECK, BST_CHECKED, 0);
        SendMessageA(hwndFullscreenRadio, BM_SETCHECK, BST_UNCHECKED, 0);
        EnableWindow(hwndModeList, FALSE);
    } else {
        SendMessageA(hwndWindowedRadio, BM_SETCHECK, BST_UNCHECKED, 0);
        SendMessageA(hwndFullscreenRadio, BM_SETCHECK, BST_CHECKED, 0);
        EnableWindow(hwndModeList, TRUE);
    }
}

INT_PTR CALLBACK SelectDeviceDlgProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    HWND hwndWindowedRadio = GetDlgItem(hDlg, CtlWindowedRadio);

    if (uMsg == WM_INITDIALOG) {
        s_pDlgApp = reinterpret_cast<CD3DApp*>(lParam);
        CD3DApp* pApp = s_pDlgApp;
        const D3DAppAdapter* pAdapter = pApp->CurrentAdapter();
        const D3DAppDevice* pDevice = pApp->CurrentDevice();
        s_OldSelection = DeviceSelection{pApp->m_dwCurAdapter, pAdapter->dwCurDevice, pDevice->dwCurMode,
                                         pDevice->bWindowed, pDevice->MultiSampleType};
        s_NewSelection = s_OldSelection;
        RefreshDeviceDialog(hDlg);
        return TRUE;
    }

    if (uMsg != WM_COMMAND || s_pDlgApp == nullptr) return FALSE;

    CD3DApp* pApp = s_pDlgApp;
    DeviceSelection& sel = s_NewSelection;
    sel.bWindowed = SendMessageA(hwndWindowedRadio, BM_GETCHECK, 0, 0) == BST_CHECKED;

    const WORD wId = LOWORD(wParam);
    if (wId == IDOK) {
        if (SameSelection(sel, s_OldSelection)) {
            EndDialog(hDlg, IDCANCEL);
            return TRUE;
        }
        pApp->m_dwCurAdapter = sel.dwAdapter;
        D3DAppAdapter* pAdapter = &pApp->m_aAdapters[sel.dwAdapter];
        pAdapter->dwCurDevice = sel.dwDevice;
        D3DAppDevice* pDevice = &pAdapter->aDevices[sel.dwDevice];
        pDevice->dwCurMode = sel.dwMode;
        pDevice->bWindowed = sel.bWindowed;
        pDevice->MultiSampleType = sel.MultiSampleType;
        EndDialog(hDlg, IDOK);
        return TRUE;
    }
    if (wId == IDCANCEL) {
        EndDialog(hDlg, IDCANCEL);
        return TRUE;
    }

    if (HIWORD(wParam) == CBN_SELENDOK) {
        // A list without a valid selection changes nothing.
        HWND hwndList = GetDlgItem(hDlg, wId);
        LRESULT lIndex = hwndList ? SelectedIndex(hwndList) : -1;
        if (lIndex >= 0) {
            const DWORD dwIndex = static_cast<DWORD>(lIndex);
            switch (wId) {
                case CtlAdapterList: {
                    sel.dwAdapter = dwIndex;
                    const D3DAppAdapter* pAdapter = &pApp->m_aAdapters[dwIndex];
                    sel.dwDevice = pAdapter->dwCurDevice;
                    sel.dwMode = pAdapter->aDevices[sel.dwDevice].dwCurMode;
                    sel.bWindowed = pAdapter->aDevices[sel.dwDevice].bWindowed;
                    break;
                }
                case CtlDeviceList: {
                    sel.dwDevice = dwIndex;
                    const D3DAppDevice* pDevice = &pApp->m_aAdapters[sel.dwAdapter].aDevices[dwIndex];
                    sel.dwMode = pDevice->dwCurMode;
                    sel.bWindowed = pDevice->bWindowed;
                    break;
                }
                case CtlModeList: sel.dwMode = dwIndex; break;
                case CtlMultisampleList:
                    sel.MultiSampleType =
                        static_cast<D3DMULTISAMPLE_TYPE>(SendMessageA(hwndList, CB_GETITEMDATA, dwIndex, 0));
                    break;
                default: break;
            }
        }
    }

    RefreshDeviceDialog(hDlg);
    return TRUE;
}
