// SDL events become the messages a window procedure expects.
#include <SDL.h>

#include <algorithm>

#include "win32/codepage.h"
#include "win32/timesource.h"
#include "win32/winstate.h"

namespace win32::detail {
namespace {

// How long a window must hold still before a user's resize or move counts as finished.
constexpr std::uint32_t kSizeMoveSettleMs = 150;

bool IsExtendedKey(int vk) {
    switch (vk) {
        case VK_PRIOR:
        case VK_NEXT:
        case VK_END:
        case VK_HOME:
        case VK_LEFT:
        case VK_UP:
        case VK_RIGHT:
        case VK_DOWN:
        case VK_INSERT:
        case VK_DELETE:
        case VK_DIVIDE:
        case VK_NUMLOCK: return true;
        default: return false;
    }
}

Window* EventWindow(std::uint32_t windowId) {
    if (Window* w = FindWindowBySdlId(windowId)) return w;
    // Synthetic events may carry no window; they belong to the main window.
    return windowId == 0 ? MainWindow() : nullptr;
}

void PostSize(Window& w, WPARAM kind) {
    int cw = 0, ch = 0;
    ClientSize(w, &cw, &ch);
    if (kind == SIZE_MINIMIZED || kind == SIZE_MAXHIDE) cw = ch = 0;
    PostInternal(w.handle, WM_SIZE, kind, MAKELPARAM(cw, ch));
}

void OnGeometry(Window& w) {
    int oldW = 0, oldH = 0;
    ClientSize(w, &oldW, &oldH);
    RECT old = w.rect;
    SyncRectFromSdl(w);
    const std::uint32_t now = WindowSystemTicks();
    if (w.fullscreen || now < w.ownChangeUntil) {
        int cw = 0, ch = 0;
        ClientSize(w, &cw, &ch);
        if (cw != oldW || ch != oldH) PostSize(w, SIZE_RESTORED);
        return;
    }
    if (std::memcmp(&old, &w.rect, sizeof old) == 0) return;
    w.sizeMovePending = true;
    w.lastGeometryTicks = now;
}

void OnWindowEvent(const SDL_WindowEvent& e) {
    Window* w = FindWindowBySdlId(e.windowID);
    if (!w) return;
    switch (e.event) {
        case SDL_WINDOWEVENT_SHOWN:
            if (w->hidden) {
                w->hidden = false;
                PostSize(*w, SIZE_RESTORED);
            }
            w->needsPaint = true;
            break;
        case SDL_WINDOWEVENT_HIDDEN:
            if (!w->hidden) {
                w->hidden = true;
                PostSize(*w, SIZE_MAXHIDE);
            }
            break;
        case SDL_WINDOWEVENT_EXPOSED: w->needsPaint = true; break;
        case SDL_WINDOWEVENT_MINIMIZED:
            if (!w->minimized) {
                w->minimized = true;
                PostSize(*w, SIZE_MINIMIZED);
            }
            break;
        case SDL_WINDOWEVENT_RESTORED:
            if (w->minimized) {
                w->minimized = false;
                SyncRectFromSdl(*w);
                PostSize(*w, SIZE_RESTORED);
                w->needsPaint = true;
            }
            break;
        case SDL_WINDOWEVENT_MAXIMIZED:
            SyncRectFromSdl(*w);
            PostSize(*w, SIZE_MAXIMIZED);
            break;
        case SDL_WINDOWEVENT_MOVED:
        case SDL_WINDOWEVENT_SIZE_CHANGED: OnGeometry(*w); break;
        case SDL_WINDOWEVENT_FOCUS_GAINED:
        case SDL_WINDOWEVENT_FOCUS_LOST:
            w->focused = e.event == SDL_WINDOWEVENT_FOCUS_GAINED;
            PostInternal(w->handle, WM_ACTIVATEAPP, w->focused ? TRUE : FALSE, 0);
            break;
        case SDL_WINDOWEVENT_CLOSE: PostInternal(w->handle, WM_SYSCOMMAND, SC_CLOSE, 0); break;
        default: break;
    }
}

void OnKey(const SDL_KeyboardEvent& e) {
    Window* w = EventWindow(e.windowID);
    if (!w) return;
    int vk = VirtualKeyFromSdl(e.keysym.sym);
    if (vk == 0) return;
    State& s = GetState();
    bool down = e.type == SDL_KEYDOWN;
    bool alt = (e.keysym.mod & KMOD_ALT) != 0 || (vk == VK_MENU && down);
    bool ctrl = (e.keysym.mod & KMOD_CTRL) != 0;
    s.asyncKeys[vk] = down;
    LPARAM lParam = 1;
    if (IsExtendedKey(vk)) lParam |= 1 << 24;
    if (alt) lParam |= 1 << 29;
    if (down) {
        if (e.repeat) lParam |= 1 << 30;
        if (vk == VK_MENU) {
            if (!e.repeat) s.altAlone = true;
        } else {
            s.altAlone = false;
        }
        bool sys = (alt && !ctrl) || vk == VK_F10;
        PostInternal(w->handle, sys ? WM_SYSKEYDOWN : WM_KEYDOWN, static_cast<WPARAM>(vk), lParam);
    } else {
        lParam |= (1 << 30) | (LPARAM{1} << 31);
        lParam &= 0xFFFFFFFF;
        bool sys = (alt && !ctrl) || vk == VK_MENU || vk == VK_F10;
        // Alt or F10 pressed and released alone opens the menu strip (in DefWindowProcA).
        if (vk == VK_MENU) s.menuOnAltUp = s.altAlone;
        if (vk == VK_F10) s.menuOnAltUp = !alt && !ctrl;
        s.altAlone = false;
        PostInternal(w->handle, sys ? WM_SYSKEYUP : WM_KEYUP, static_cast<WPARAM>(vk), lParam);
    }
}

// Text belongs to the key-down that made it: TranslateMessage posts it as WM_CHAR, so a key that
// an accelerator consumed gives no character, as on Windows.
void OnText(const SDL_TextInputEvent& e) {
    Window* w = EventWindow(e.windowID);
    if (!w) return;
    // What the program's code page cannot hold is dropped.
    const std::string chars = Utf8ToAnsi(e.text);
    if (chars.empty()) return;
    State& s = GetState();
    {
        std::lock_guard lock(s.queueMutex);
        for (auto it = s.queue.rbegin(); it != s.queue.rend(); ++it) {
            UINT m = it->msg.message;
            if (it->msg.hwnd != w->handle) continue;
            if (m == WM_KEYDOWN || m == WM_SYSKEYDOWN) {
                if (it->chars.empty()) {
                    it->chars = chars;
                    return;
                }
                break;
            }
            if (m == WM_KEYUP || m == WM_SYSKEYUP) break;
        }
    }
    for (char c : chars) PostInternal(w->handle, WM_CHAR, static_cast<unsigned char>(c), 1);
}

void DeliverMouse(Window& w, UINT clientMessage, UINT ncMessage, int x, int y) {
    HWND hwnd = w.handle;
    POINT origin = ScreenOrigin(w);
    LPARAM screen = MAKELPARAM(origin.x + x, origin.y + y);
    LRESULT hit = SendMessageA(hwnd, WM_NCHITTEST, 0, screen);
    if (!FindWindow(hwnd)) return;
    SendMessageA(hwnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(hwnd), MAKELPARAM(hit, clientMessage));
    Window* alive = FindWindow(hwnd);
    if (!alive) return;
    if (hit == HTCLIENT) {
        WPARAM keys = GetState().cursor.buttons | ModifierFlags();
        PostInternal(hwnd, clientMessage, keys, MAKELPARAM(x, y - StripHeight(*alive)));
    } else if (ncMessage != 0 && hit != HTNOWHERE) {
        PostInternal(hwnd, ncMessage, static_cast<WPARAM>(hit), screen);
    }
}

void OnMotion(const SDL_MouseMotionEvent& e) {
    Window* w = EventWindow(e.windowID);
    if (!w) return;
    CursorState& c = GetState().cursor;
    if (c.relative && c.window == w->handle) {
        int width = w->rect.right - w->rect.left, height = w->rect.bottom - w->rect.top;
        c.x = std::clamp(c.x + e.xrel, 0, std::max(0, width - 1));
        c.y = std::clamp(c.y + e.yrel, 0, std::max(0, height - 1));
    } else {
        c.x = e.x;
        c.y = e.y;
    }
    c.window = w->handle;
    DeliverMouse(*w, WM_MOUSEMOVE, WM_NCMOUSEMOVE, c.x, c.y);
}

void OnButton(const SDL_MouseButtonEvent& e) {
    Window* w = EventWindow(e.windowID);
    if (!w) return;
    State& s = GetState();
    CursorState& c = s.cursor;
    bool down = e.type == SDL_MOUSEBUTTONDOWN;
    UINT flag = 0, clientMessage = 0, ncMessage = 0;
    switch (e.button) {
        case SDL_BUTTON_LEFT:
            flag = MK_LBUTTON;
            clientMessage = down ? WM_LBUTTONDOWN : WM_LBUTTONUP;
            ncMessage = down ? WM_NCLBUTTONDOWN : WM_NCLBUTTONUP;
            s.asyncKeys[VK_LBUTTON] = down;
            break;
        case SDL_BUTTON_RIGHT:
            flag = MK_RBUTTON;
            clientMessage = down ? WM_RBUTTONDOWN : WM_RBUTTONUP;
            ncMessage = down ? WM_NCRBUTTONDOWN : WM_NCRBUTTONUP;
            s.asyncKeys[VK_RBUTTON] = down;
            break;
        case SDL_BUTTON_MIDDLE:
            flag = MK_MBUTTON;
            clientMessage = down ? WM_MBUTTONDOWN : WM_MBUTTONUP;
            s.asyncKeys[VK_MBUTTON] = down;
            break;
        default: return;
    }
    if (down)
        c.buttons |= flag;
    else
        c.buttons &= ~flag;
    s.altAlone = false;
    if (!c.relative) {
        c.x = e.x;
        c.y = e.y;
    }
    c.window = w->handle;
    DeliverMouse(*w, clientMessage, ncMessage, c.x, c.y);
}

}  // namespace

UINT ModifierFlags() {
    const State& s = GetState();
    return (s.asyncKeys[VK_SHIFT] ? MK_SHIFT : 0u) | (s.asyncKeys[VK_CONTROL] ? MK_CONTROL : 0u);
}

void FlushSizeMove(bool force) {
    const std::uint32_t now = WindowSystemTicks();
    for (auto& [handle, w] : GetState().windows) {
        if (!w->alive || !w->sizeMovePending) continue;
        if (!force && now - w->lastGeometryTicks < kSizeMoveSettleMs) continue;
        w->sizeMovePending = false;
        // One uninterrupted triple, so nothing can come between the clock's stop and start.
        PostInternal(w->handle, WM_ENTERSIZEMOVE, 0, 0);
        PostSize(*w, SIZE_RESTORED);
        PostInternal(w->handle, WM_EXITSIZEMOVE, 0, 0);
        w->needsPaint = true;
    }
}

bool TranslateSdlEvent(const SDL_Event& event) {
    switch (event.type) {
        case SDL_WINDOWEVENT: OnWindowEvent(event.window); return true;
        case SDL_QUIT:
            if (Window* w = MainWindow()) PostInternal(w->handle, WM_SYSCOMMAND, SC_CLOSE, 0);
            return true;
        case SDL_KEYDOWN:
        case SDL_KEYUP: OnKey(event.key); return true;
        case SDL_TEXTINPUT: OnText(event.text); return true;
        case SDL_MOUSEMOTION: OnMotion(event.motion); return true;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: OnButton(event.button); return true;
        default: return false;
    }
}

}  // namespace win32::detail
