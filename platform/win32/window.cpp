// Window classes and windows.
#include <SDL.h>

#include <algorithm>
#include <cctype>
#include <cstring>

#include "win32/resources.h"
#include "win32/gldriverpin.h"
#include "win32/script.h"
#include "win32/timesource.h"
#include "win32/winstate.h"

namespace win32::detail {
namespace {

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// Icons handed out by LoadIconA carry their resource id in the handle.
SDL_Surface* IconSurface(HICON icon) {
    auto value = reinterpret_cast<std::uintptr_t>(icon);
    if ((value >> 16) != 0x1C) return nullptr;
    const res::Icon* def = res::FindIcon(static_cast<int>(value & 0xFFFF));
    if (!def || def->images.empty()) return nullptr;
    const res::IconImage& image = def->images.front();  // the largest comes first
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormat(0, image.width, image.height, 32, SDL_PIXELFORMAT_ARGB8888);
    if (!surface) return nullptr;
    for (int y = 0; y < image.height; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(static_cast<std::uint8_t*>(surface->pixels) + y * surface->pitch);
        for (int x = 0; x < image.width; ++x) {
            char c = image.rows[y][x];
            int index = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
            row[x] = index < 0 ? 0u : 0xFF000000u | def->palette[index];
        }
    }
    return surface;
}

}  // namespace

LRESULT CallProc(Window& w, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!w.alive || !w.proc) return 0;
    return w.proc(w.handle, message, wParam, lParam);
}

}  // namespace win32::detail

using namespace win32::detail;

HINSTANCE GetModuleHandleA(LPCSTR moduleName) {
    // One module: the program with its resources.
    return moduleName ? nullptr : reinterpret_cast<HINSTANCE>(0x400000);
}

ATOM RegisterClassA(const WNDCLASSA* wndClass) {
    if (!wndClass || !wndClass->lpszClassName || !wndClass->lpfnWndProc) return 0;
    State& s = GetState();
    std::string key = Lower(wndClass->lpszClassName);
    if (s.classes.count(key)) return 0;
    WindowClass c;
    c.name = wndClass->lpszClassName;
    c.proc = wndClass->lpfnWndProc;
    c.style = wndClass->style;
    c.instance = wndClass->hInstance;
    c.icon = wndClass->hIcon;
    c.cursor = wndClass->hCursor;
    c.background = wndClass->hbrBackground;
    s.classes.emplace(key, c);
    return static_cast<ATOM>(0xC000 + s.classes.size());
}

BOOL UnregisterClassA(LPCSTR className, HINSTANCE) {
    if (!className) return FALSE;
    return GetState().classes.erase(Lower(className)) ? TRUE : FALSE;
}

DWORD GetClassLongA(HWND hwnd, int index) {
    Window* w = FindWindow(hwnd);
    if (!w) return 0;
    auto it = GetState().classes.find(Lower(w->className));
    if (it == GetState().classes.end()) return 0;
    // Handles are small numbers here, so they survive the 32-bit result.
    if (index == GCL_HCURSOR) return static_cast<DWORD>(reinterpret_cast<std::uintptr_t>(it->second.cursor));
    if (index == GCL_HICON) return static_cast<DWORD>(reinterpret_cast<std::uintptr_t>(it->second.icon));
    return 0;
}

HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y, int width,
                     int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param) {
    State& s = GetState();
    if (!className) return nullptr;
    auto cls = s.classes.find(Lower(className));
    if (cls == s.classes.end()) return nullptr;
    if (!EnsureSdlVideo()) return nullptr;
    script::Install();

    auto window = std::make_unique<Window>();
    Window& w = *window;
    w.handle = reinterpret_cast<HWND>(s.NewHandle());
    w.className = cls->second.name;
    w.proc = cls->second.proc;
    w.style = style;
    w.exStyle = exStyle;
    w.title = windowName ? windowName : "";
    w.menu = FindMenuObject(menu) ? menu : nullptr;

    if (width == CW_USEDEFAULT || width <= 0) width = 640;
    if (height == CW_USEDEFAULT || height <= 0) height = 480;
    int sx = x == CW_USEDEFAULT ? SDL_WINDOWPOS_CENTERED : x;
    int sy = x == CW_USEDEFAULT ? SDL_WINDOWPOS_CENTERED : y;

    Uint32 flags = SDL_WINDOW_OPENGL;
    if (!(style & WS_VISIBLE)) flags |= SDL_WINDOW_HIDDEN;
    if (style & WS_THICKFRAME) flags |= SDL_WINDOW_RESIZABLE;
    if ((style & WS_CAPTION) != WS_CAPTION) flags |= SDL_WINDOW_BORDERLESS;
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    // The depth buffer the game's device asks for (the first format it tries), so its frames can
    // be drawn straight into the window.
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    // SDL's offscreen driver gives a window a GL surface of its size at creation and never resizes
    // it, so a window that later goes full screen would draw into a corner. Create it at least as
    // large as the desktop, then give it the size asked for.
    int createWidth = width, createHeight = height;
    if (const char* driver = SDL_GetCurrentVideoDriver(); driver && std::strcmp(driver, "offscreen") == 0) {
        SDL_Rect desktop{};
        if (SDL_GetDisplayBounds(0, &desktop) == 0) {
            createWidth = std::max(createWidth, desktop.w);
            createHeight = std::max(createHeight, desktop.h);
        }
    }
    w.sdl = SDL_CreateWindow(w.title.c_str(), sx, sy, createWidth, createHeight, flags);
    if (w.sdl && (createWidth != width || createHeight != height)) SDL_SetWindowSize(w.sdl, width, height);
    // An OpenGL window already brings the driver in, context or not.
    if (w.sdl && win32::kLeakChecked) win32::PinGlDriver();
    if (!w.sdl) {
        // Drivers without OpenGL (SDL's dummy driver) still get a window, only no GL context.
        w.sdl = SDL_CreateWindow(w.title.c_str(), sx, sy, width, height, flags & ~SDL_WINDOW_OPENGL);
    }
    if (!w.sdl) {
        std::fprintf(stderr, "windowing: cannot create a window: %s\n", SDL_GetError());
        return nullptr;
    }
    SyncRectFromSdl(w);
    w.hidden = (flags & SDL_WINDOW_HIDDEN) != 0;
    if (SDL_Surface* icon = IconSurface(cls->second.icon)) {
        SDL_SetWindowIcon(w.sdl, icon);
        SDL_FreeSurface(icon);
    }
    HWND handle = w.handle;
    s.windows.emplace(reinterpret_cast<std::uintptr_t>(handle), std::move(window));

    MINMAXINFO mmi{};
    mmi.ptMinTrackSize = POINT{1, 1};
    mmi.ptMaxTrackSize = POINT{16384, 16384};
    CallProc(w, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mmi));
    SDL_SetWindowMinimumSize(w.sdl, std::max<LONG>(1, mmi.ptMinTrackSize.x), std::max<LONG>(1, mmi.ptMinTrackSize.y));

    CREATESTRUCTA cs{param,      instance,  menu,   parent, height, width, y, x, static_cast<LONG>(style),
                     windowName, className, exStyle};
    if (!CallProc(w, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs)) ||
        CallProc(w, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
        DestroyWindow(handle);
        return nullptr;
    }
    if (Window* alive = FindWindow(handle)) {
        int cw = 0, ch = 0;
        ClientSize(*alive, &cw, &ch);
        if (style & WS_VISIBLE) CallProc(*alive, WM_SHOWWINDOW, TRUE, 0);
        CallProc(*alive, WM_SIZE, SIZE_RESTORED, MAKELPARAM(cw, ch));
        if (Window* still = FindWindow(handle)) {
            CallProc(*still, WM_MOVE, 0, MAKELPARAM(still->rect.left, still->rect.top + StripHeight(*still)));
            still->needsPaint = (style & WS_VISIBLE) != 0;
        }
    }
    return FindWindow(handle) ? handle : nullptr;
}

BOOL DestroyWindow(HWND hwnd) {
    Window* w = FindWindow(hwnd);
    if (!w) return FALSE;
    CallProc(*w, WM_DESTROY, 0, 0);
    CallProc(*w, WM_NCDESTROY, 0, 0);
    w->alive = false;
    if (w->menu) DestroyMenu(w->menu);
    w->menu = nullptr;
    OnWindowDestroyed(*w);
    DestroyGl(*w);
    if (w->sdl) SDL_DestroyWindow(w->sdl);
    w->sdl = nullptr;
    State& s = GetState();
    std::lock_guard lock(s.queueMutex);
    std::erase_if(s.queue, [hwnd](const QueuedMessage& q) { return q.msg.hwnd == hwnd; });
    return TRUE;
}

BOOL IsWindow(HWND hwnd) { return FindWindow(hwnd) ? TRUE : FALSE; }

BOOL ShowWindow(HWND hwnd, int cmdShow) {
    Window* w = FindWindow(hwnd);
    if (!w) return FALSE;
    BOOL wasVisible = (w->style & WS_VISIBLE) ? TRUE : FALSE;
    switch (cmdShow) {
        case SW_HIDE:
            SDL_HideWindow(w->sdl);
            w->style &= ~WS_VISIBLE;
            w->hidden = true;
            break;
        case SW_MINIMIZE:
        case SW_SHOWMINIMIZED: SDL_MinimizeWindow(w->sdl); break;
        case SW_SHOWMAXIMIZED:
            SDL_ShowWindow(w->sdl);
            SDL_MaximizeWindow(w->sdl);
            w->style |= WS_VISIBLE;
            break;
        case SW_RESTORE: SDL_RestoreWindow(w->sdl); [[fallthrough]];
        default:
            SDL_ShowWindow(w->sdl);
            w->style |= WS_VISIBLE;
            w->hidden = false;
            w->needsPaint = true;
            break;
    }
    return wasVisible;
}

BOOL UpdateWindow(HWND hwnd) {
    Window* w = FindWindow(hwnd);
    if (!w) return FALSE;
    if (w->needsPaint) CallProc(*w, WM_PAINT, 0, 0);
    return TRUE;
}

BOOL IsIconic(HWND hwnd) {
    Window* w = FindWindow(hwnd);
    return w && w->minimized ? TRUE : FALSE;
}

BOOL SetWindowPos(HWND hwnd, HWND, int x, int y, int cx, int cy, UINT flags) {
    Window* w = FindWindow(hwnd);
    if (!w) return FALSE;
    int oldW = 0, oldH = 0;
    ClientSize(*w, &oldW, &oldH);
    // The window manager reports our own changes back; they are not the user's size-move.
    w->ownChangeUntil = win32::WindowSystemTicks() + 500;
    if (!w->fullscreen) {
        if (!(flags & SWP_NOSIZE)) {
            SDL_SetWindowSize(w->sdl, std::max(1, cx), std::max(1, cy));
            w->rect.right = w->rect.left + std::max(1, cx);
            w->rect.bottom = w->rect.top + std::max(1, cy);
        }
        if (!(flags & SWP_NOMOVE)) {
            SDL_SetWindowPosition(w->sdl, x, y);
            LONG width = w->rect.right - w->rect.left, height = w->rect.bottom - w->rect.top;
            w->rect = RECT{x, y, x + width, y + height};
        }
    }
    if (flags & SWP_SHOWWINDOW) ShowWindow(hwnd, SW_SHOW);
    if (flags & SWP_HIDEWINDOW) ShowWindow(hwnd, SW_HIDE);
    if (Window* still = FindWindow(hwnd)) {
        int newW = 0, newH = 0;
        ClientSize(*still, &newW, &newH);
        if (newW != oldW || newH != oldH) CallProc(*still, WM_SIZE, SIZE_RESTORED, MAKELPARAM(newW, newH));
    }
    return TRUE;
}

BOOL GetWindowRect(HWND hwnd, LPRECT rect) {
    Window* w = FindWindow(hwnd);
    if (!w || !rect) return FALSE;
    *rect = w->rect;
    return TRUE;
}

BOOL GetClientRect(HWND hwnd, LPRECT rect) {
    Window* w = FindWindow(hwnd);
    if (!w || !rect) return FALSE;
    int cw = 0, ch = 0;
    ClientSize(*w, &cw, &ch);
    *rect = RECT{0, 0, cw, ch};
    return TRUE;
}

BOOL AdjustWindowRect(LPRECT rect, DWORD style, BOOL menu) { return AdjustWindowRectEx(rect, style, menu, 0); }

BOOL AdjustWindowRectEx(LPRECT rect, DWORD, BOOL menu, DWORD) {
    if (!rect) return FALSE;
    // The window manager draws the frame and caption outside the SDL window.
    if (menu) rect->top -= kMenuStripHeight;
    return TRUE;
}

LONG GetWindowLongA(HWND hwnd, int index) {
    Window* w = FindWindow(hwnd);
    if (!w) return 0;
    if (index == GWL_STYLE) return static_cast<LONG>(w->style);
    if (index == GWL_EXSTYLE) return static_cast<LONG>(w->exStyle);
    return 0;
}

LONG SetWindowLongA(HWND hwnd, int index, LONG value) {
    Window* w = FindWindow(hwnd);
    if (!w) return 0;
    if (index == GWL_EXSTYLE) {
        LONG old = static_cast<LONG>(w->exStyle);
        w->exStyle = static_cast<DWORD>(value);
        return old;
    }
    if (index != GWL_STYLE) return 0;
    LONG old = static_cast<LONG>(w->style);
    w->style = static_cast<DWORD>(value);
    if (!w->fullscreen) {
        SDL_SetWindowBordered(w->sdl, (w->style & WS_CAPTION) == WS_CAPTION ? SDL_TRUE : SDL_FALSE);
        SDL_SetWindowResizable(w->sdl, (w->style & WS_THICKFRAME) ? SDL_TRUE : SDL_FALSE);
    }
    return old;
}

BOOL SetWindowTextA(HWND hwnd, LPCSTR text) {
    Window* w = FindWindow(hwnd);
    if (!w) return FALSE;
    w->title = text ? text : "";
    SDL_SetWindowTitle(w->sdl, w->title.c_str());
    return TRUE;
}

int GetWindowTextA(HWND hwnd, LPSTR text, int maxCount) {
    Window* w = FindWindow(hwnd);
    if (!w || !text || maxCount <= 0) return 0;
    int n = std::min<int>(maxCount - 1, static_cast<int>(w->title.size()));
    std::memcpy(text, w->title.data(), n);
    text[n] = '\0';
    return n;
}

BOOL InvalidateRect(HWND hwnd, const RECT*, BOOL) {
    Window* w = FindWindow(hwnd);
    if (!w) return FALSE;
    w->needsPaint = true;
    return TRUE;
}

BOOL ValidateRect(HWND hwnd, const RECT*) {
    Window* w = FindWindow(hwnd);
    if (!w) return FALSE;
    w->needsPaint = false;
    return TRUE;
}

HMENU GetMenu(HWND hwnd) {
    Window* w = FindWindow(hwnd);
    return w && FindMenuObject(w->menu) ? w->menu : nullptr;
}

BOOL SetMenu(HWND hwnd, HMENU menu) {
    Window* w = FindWindow(hwnd);
    if (!w || (menu && !FindMenuObject(menu))) return FALSE;
    w->menu = menu;
    return TRUE;
}

HGDIOBJ GetStockObject(int object) {
    if (object < WHITE_BRUSH || object > BLACK_BRUSH) return nullptr;
    return reinterpret_cast<HGDIOBJ>(static_cast<std::uintptr_t>(0x1B0000 + object));
}
