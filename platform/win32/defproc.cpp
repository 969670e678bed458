// DefWindowProcA: the default behaviours window procedures rely on.
#include <SDL.h>

#include <cctype>

#include "win32/winstate.h"

using namespace win32::detail;

namespace {

// Opens the menu strip from the keyboard: Alt or F10 alone (character 0), or Alt+letter.
void KeyMenu(Window& w, int character) {
    MenuObject* menu = FindMenuObject(w.menu);
    if (!menu || w.fullscreen) return;
    MenuLoopRequest request;
    request.menu = w.menu;
    request.keyboard = true;
    if (character != 0) {
        int wanted = std::tolower(character);
        for (size_t i = 0; i < menu->items.size(); ++i) {
            const std::string& text = menu->items[i].text;
            size_t amp = text.find('&');
            if (amp != std::string::npos && amp + 1 < text.size() &&
                std::tolower(static_cast<unsigned char>(text[amp + 1])) == wanted)
                request.openIndex = static_cast<int>(i);
        }
        if (request.openIndex < 0) return;  // no such mnemonic: Windows beeps
    }
    HWND hwnd = w.handle;
    if (UINT id = RunMenuLoop(w, request)) PostMessageA(hwnd, WM_COMMAND, MAKEWPARAM(id, 0), 0);
}

}  // namespace

LRESULT DefWindowProcA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Window* w = FindWindow(hwnd);
    if (!w) return 0;
    switch (message) {
        case WM_NCCREATE: return TRUE;
        case WM_CLOSE: DestroyWindow(hwnd); return 0;
        case WM_PAINT:
            // Until something is presented the client area shows white (the class brush).
            if (!w->everPresented) PresentFallback(*w);
            w->needsPaint = false;
            return 0;
        case WM_ERASEBKGND: return 1;
        case WM_NCHITTEST: {
            POINT p{static_cast<SHORT>(LOWORD(lParam)), static_cast<SHORT>(HIWORD(lParam))};
            POINT origin = ScreenOrigin(*w);
            int lx = p.x - origin.x, ly = p.y - origin.y;
            if (lx < 0 || ly < 0 || lx >= w->rect.right - w->rect.left || ly >= w->rect.bottom - w->rect.top)
                return HTNOWHERE;
            return ly < StripHeight(*w) ? HTMENU : HTCLIENT;
        }
        case WM_SETCURSOR: {
            HCURSOR cursor = nullptr;
            if (LOWORD(lParam) == HTCLIENT) {
                cursor = reinterpret_cast<HCURSOR>(static_cast<std::uintptr_t>(GetClassLongA(hwnd, GCL_HCURSOR)));
            } else {
                cursor = LoadCursorA(nullptr, IDC_ARROW);
            }
            if (!cursor) return FALSE;
            SetCursor(cursor);
            return TRUE;
        }
        case WM_RBUTTONUP: {
            POINT p{static_cast<SHORT>(LOWORD(lParam)), static_cast<SHORT>(HIWORD(lParam))};
            ClientToScreen(hwnd, &p);
            SendMessageA(hwnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(hwnd), MAKELPARAM(p.x, p.y));
            return 0;
        }
        case WM_NCLBUTTONDOWN:
            if (wParam == HTMENU) SendMessageA(hwnd, WM_SYSCOMMAND, SC_MOUSEMENU, lParam);
            return 0;
        case WM_SYSKEYDOWN:
            if (wParam == VK_F4 && (lParam & (1 << 29))) SendMessageA(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
            return 0;
        case WM_SYSKEYUP:
            if ((wParam == VK_MENU || wParam == VK_F10) && GetState().menuOnAltUp) {
                GetState().menuOnAltUp = false;
                SendMessageA(hwnd, WM_SYSCOMMAND, SC_KEYMENU, 0);
            }
            return 0;
        case WM_SYSCHAR:
            if (lParam & (1 << 29)) SendMessageA(hwnd, WM_SYSCOMMAND, SC_KEYMENU, static_cast<LPARAM>(wParam));
            return 0;
        case WM_SYSCOMMAND:
            switch (wParam & 0xFFF0) {
                case SC_CLOSE: SendMessageA(hwnd, WM_CLOSE, 0, 0); break;
                case SC_KEYMENU: KeyMenu(*w, static_cast<int>(lParam)); break;
                case SC_MOUSEMENU: {
                    POINT p{static_cast<SHORT>(LOWORD(lParam)), static_cast<SHORT>(HIWORD(lParam))};
                    POINT origin = ScreenOrigin(*w);
                    MenuLoopRequest request;
                    request.menu = w->menu;
                    request.openIndex = StripItemAt(*w, p.x - origin.x, p.y - origin.y);
                    if (request.menu && request.openIndex >= 0) {
                        if (UINT id = RunMenuLoop(*w, request)) PostMessageA(hwnd, WM_COMMAND, MAKEWPARAM(id, 0), 0);
                    }
                    break;
                }
                case SC_MINIMIZE: SDL_MinimizeWindow(w->sdl); break;
                case SC_MAXIMIZE: SDL_MaximizeWindow(w->sdl); break;
                case SC_RESTORE: SDL_RestoreWindow(w->sdl); break;
                default: break;
            }
            return 0;
        default: return 0;
    }
}
