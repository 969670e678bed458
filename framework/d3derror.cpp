// The framework's error message boxes.
#include "framework/apperrors.h"
#include "framework/d3dapp.h"

HRESULT CD3DApp::ShowError(HRESULT hr, DWORD dwType) {
    char strMsg[512];
    AppErrorBuildMessage(hr, dwType, strMsg);

    // No owner window: the box must show even while the window is being torn down.
    MessageBoxA(nullptr, strMsg, m_pszTitle, MB_OK | AppErrorIcon(dwType));

    // The window's shutdown runs before this returns; a window already closed is not closed again.
    if (dwType == ErrorBoxFatal && m_hWnd != nullptr) SendMessageA(m_hWnd, WM_CLOSE, 0, 0);

    return hr;
}
