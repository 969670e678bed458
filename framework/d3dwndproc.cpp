// The main window's procedure: activity, clock and device kept in step with the window, the
// context menu, the commands of the menus and the accelerator table, and the shutdown.
#include "framework/apperrors.h"
#include "framework/d3dapp.h"
#include "framework/systimer.h"
#include "resources/resource.h"

LRESULT CALLBACK StaticWndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    return g_pD3DApp->HandleMessage(hWnd, uMsg, wParam, lParam);
}

namespace {

// The context menu's first popup at the message's screen position. Screen coordinates are signed;
// the keyboard's context-menu key gives (-1, -1), meaning at the cursor.
void ShowContextMenu(HWND hWnd, LPARAM lParam) {
    HMENU hMenu = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_POPUP));
    HMENU hMenuPopup = GetSubMenu(hMenu, 0);
    POINT pt = {static_cast<SHORT>(LOWORD(lParam)), static_cast<SHORT>(HIWORD(lParam))};
    if (pt.x == -1 && pt.y == -1) GetCursorPos(&pt);
    TrackPopupMenuEx(hMenuPopup, TPM_VERTICAL, pt.x, pt.y, hWnd, nullptr);
    if (hMenu) DestroyMenu(hMenu);
}

// The system commands full screen swallows: the window is neither moved, sized nor maximised,
// the menu bar is not entered and the monitor is not powered down.
bool SwallowedInFullScreen(WPARAM wParam) {
    // The low four bits are the system's own.
    switch (wParam & 0xFFF0) {
        case SC_MOVE:
        case SC_SIZE:
        case SC_MAXIMIZE:
        case SC_KEYMENU:
        case SC_MONITORPOWER: return true;
        default: return false;
    }
}

}  // namespace

BOOL CD3DApp::OnExitSizeMove() {
    if (m_bAnimating) sysTimer(TimerCommand::Start);
    if (!m_bWindowActive || !m_bWindowedMode) return TRUE;

    RECT rcClientOld = m_rcClient;
    GetWindowRect(m_hWnd, &m_rcWindow);
    GetClientRect(m_hWnd, &m_rcClient);
    // A move without a size change only refreshes the stored rectangles.
    if (rcClientOld.right - rcClientOld.left == m_rcClient.right - m_rcClient.left &&
        rcClientOld.bottom - rcClientOld.top == m_rcClient.bottom - m_rcClient.top)
        return TRUE;

    m_bDeviceReady = FALSE;
    m_presentParams.BackBufferWidth = static_cast<UINT>(m_rcClient.right - m_rcClient.left);
    m_presentParams.BackBufferHeight = static_cast<UINT>(m_rcClient.bottom - m_rcClient.top);
    if (FAILED(ResetDevice())) {
        ShowError(AppErrResetFailed, ErrorBoxFatal);
        return FALSE;
    }
    m_bDeviceReady = TRUE;
    return TRUE;
}

BOOL CD3DApp::OnSetCursor() {
    if (!m_bWindowActive || !m_bDeviceReady || m_bWindowedMode) return FALSE;
    SetCursor(nullptr);
    if (m_bFullscreenCursor) m_pDevice->ShowCursor(TRUE);
    return TRUE;
}

void CD3DApp::OnMouseMove() {
    if (!m_bWindowActive || !m_bDeviceReady || !m_pDevice) return;
    POINT ptCursor;
    GetCursorPos(&ptCursor);
    ScreenToClient(m_hWnd, &ptCursor);
    m_pDevice->SetCursorPosition(ptCursor.x, ptCursor.y, 0);
}

BOOL CD3DApp::OnCommand(HWND hWnd, WORD wId) {
    switch (wId) {
        case CmdChangeDevice:
            if (m_bWindowActive && m_bDeviceReady) {
                Pause(TRUE);
                // On failure a fatal box has closed the window; the pause stays.
                if (SUCCEEDED(ChangeDeviceDialog())) Pause(FALSE);
            }
            return TRUE;

        case CmdToggleFullscreen:
            if (m_bWindowActive && m_bDeviceReady) {
                // A failed fall-back to the window has shown its own fatal box and closed it.
                if (FAILED(SwitchFullscreen()) && m_hWnd != nullptr) ShowError(AppErrResetFailed, ErrorBoxFatal);
            }
            return TRUE;

        case CmdGoStop:
            m_bAnimating = !m_bAnimating;
            sysTimer(m_bAnimating ? TimerCommand::Start : TimerCommand::Stop);
            return FALSE;

        case CmdSingleStep:
            sysTimer(m_bAnimating ? TimerCommand::Stop : TimerCommand::Advance);
            m_bAnimating = FALSE;
            m_bStepOnce = TRUE;
            return FALSE;

        case CmdExit: SendMessageA(hWnd, WM_CLOSE, 0, 0); return TRUE;

        default: return FALSE;
    }
}

void CD3DApp::OnClose(HWND hWnd) {
    DestroyDevice();
    DestroyMenu(GetMenu(hWnd));
    DestroyWindow(hWnd);
    // Nothing may be sent to the closed window any more, nor a second shutdown run.
    if (hWnd == m_hWnd) m_hWnd = nullptr;
    PostQuitMessage(0);
}

LRESULT CD3DApp::HandleMessage(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    switch (uMsg) {
        case WM_PAINT:
            // While frames are off the last one stays on screen.
            if (m_pDevice && !m_bDeviceReady && m_bWindowedMode) m_pDevice->Present(nullptr, nullptr, nullptr, nullptr);
            break;
        case WM_GETMINMAXINFO: reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize = POINT{100, 100}; break;
        case WM_ENTERSIZEMOVE:
            if (m_bAnimating) sysTimer(TimerCommand::Stop);
            break;
        case WM_SIZE: m_bWindowActive = !(wParam == SIZE_MAXHIDE || wParam == SIZE_MINIMIZED); break;
        case WM_EXITSIZEMOVE:
            if (!OnExitSizeMove()) return 0;
            break;

        case WM_SETCURSOR:
            if (OnSetCursor()) return TRUE;
            break;
        case WM_MOUSEMOVE: OnMouseMove(); break;

        case WM_ENTERMENULOOP: Pause(TRUE); break;
        case WM_EXITMENULOOP: Pause(FALSE); break;
        case WM_CONTEXTMENU:
            if (m_bWindowedMode) ShowContextMenu(hWnd, lParam);
            break;

        case WM_NCHITTEST:
            if (!m_bWindowedMode) return HTCLIENT;
            break;
        case WM_POWERBROADCAST:
            if (wParam == PBT_APMQUERYSUSPEND || wParam == PBT_APMRESUMESUSPEND) return TRUE;
            break;
        case WM_SYSCOMMAND:
            if (!m_bWindowedMode && SwallowedInFullScreen(wParam)) return TRUE;
            break;

        case WM_COMMAND:
            if (OnCommand(hWnd, LOWORD(wParam))) return 0;
            break;
        case WM_CLOSE: OnClose(hWnd); return 0;

        default: break;
    }

    return DefWindowProcA(hWnd, uMsg, wParam, lParam);
}
