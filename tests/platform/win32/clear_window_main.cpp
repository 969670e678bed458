// A tiny program for scripted runs: a window with the menu strip whose client area is cleared to
// one colour every frame. It runs until its window is closed.
#include <epoxy/gl.h>

#include "resources/resource.h"
#include "win32/glwindow.h"
#include "win32/windows.h"

namespace {

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) PostQuitMessage(7);
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

void Frame(HWND hwnd) {
    win32::GlPresentTarget target;
    if (!win32::GlMakeCurrent(hwnd) || !win32::GlGetPresentTarget(hwnd, &target)) return;
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glEnable(GL_SCISSOR_TEST);
    glScissor(target.client.x, target.client.y, target.client.width, target.client.height);
    glClearColor(51 / 255.0f, 102 / 255.0f, 153 / 255.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);
    win32::GlPresentWindow(hwnd);
}

}  // namespace

int main() {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA wc{};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_MAIN_ICON));
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.lpszClassName = "Clear Window";
    RegisterClassA(&wc);
    RECT rc{0, 0, 320, 200};
    DWORD style = 0x90CE0000;
    AdjustWindowRect(&rc, style, TRUE);
    HWND hwnd = CreateWindowExA(0, "Clear Window", "Clear", style, CW_USEDEFAULT, CW_USEDEFAULT, rc.right - rc.left,
                                rc.bottom - rc.top, nullptr, LoadMenuA(instance, MAKEINTRESOURCEA(IDR_MENU)), instance,
                                nullptr);
    if (!hwnd) return 1;
    MSG msg{};
    while (msg.message != WM_QUIT) {
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        } else {
            Frame(hwnd);
        }
    }
    return static_cast<int>(msg.wParam);
}
