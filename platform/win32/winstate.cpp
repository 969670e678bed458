#include "win32/winstate.h"

#include <SDL.h>

#include <cstdlib>
#include <cstring>
#include <string_view>

namespace win32 {

bool IsHeadless() {
    auto set = [](const char* name) {
        const char* value = std::getenv(name);
        return value && *value && std::string_view(value) != "0";
    };
    if (const char* driver = std::getenv("SDL_VIDEODRIVER")) {
        std::string_view d(driver);
        if (d == "offscreen" || d == "dummy") return true;
    }
    return set("ABISALIA_HEADLESS") || set("ABISALIA_SCRIPT");
}

}  // namespace win32

namespace win32::detail {

State& GetState() {
    static State state;
    return state;
}

Window* FindWindow(HWND hwnd) {
    State& s = GetState();
    auto it = s.windows.find(reinterpret_cast<std::uintptr_t>(hwnd));
    if (it == s.windows.end() || !it->second->alive) return nullptr;
    return it->second.get();
}

Window* FindWindowBySdlId(std::uint32_t id) {
    for (auto& [handle, w] : GetState().windows)
        if (w->alive && w->sdl && SDL_GetWindowID(w->sdl) == id) return w.get();
    return nullptr;
}

MenuObject* FindMenuObject(HMENU menu) {
    State& s = GetState();
    auto it = s.menus.find(reinterpret_cast<std::uintptr_t>(menu));
    return it == s.menus.end() ? nullptr : it->second.get();
}

Window* MainWindow() {
    for (auto& [handle, w] : GetState().windows)
        if (w->alive) return w.get();
    return nullptr;
}

bool EnsureSdlVideo() {
    State& s = GetState();
    if (s.sdlVideo) return true;
    SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "1");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "windowing: cannot start SDL video: %s\n", SDL_GetError());
        return false;
    }
    s.sdlVideo = true;
    // Text comes with the keys that make it (WM_CHAR), whatever the driver's default.
    SDL_StartTextInput();
    return true;
}

UINT TrackModalMouseButton(bool down, std::uint8_t sdlButton) {
    State& s = GetState();
    const UINT flag = sdlButton == SDL_BUTTON_LEFT    ? MK_LBUTTON
                      : sdlButton == SDL_BUTTON_RIGHT ? MK_RBUTTON
                                                      : MK_MBUTTON;
    const int vk = flag == MK_LBUTTON ? VK_LBUTTON : flag == MK_RBUTTON ? VK_RBUTTON : VK_MBUTTON;
    if (down)
        s.cursor.buttons |= flag;
    else
        s.cursor.buttons &= ~flag;
    s.asyncKeys[vk] = s.syncKeys[vk] = down;
    return flag;
}

int TrackModalKey(bool down, int sdlKeycode) {
    const int vk = VirtualKeyFromSdl(sdlKeycode);
    if (vk == 0) return 0;
    State& s = GetState();
    s.asyncKeys[vk] = s.syncKeys[vk] = down;
    s.altAlone = false;
    s.menuOnAltUp = false;
    return down ? vk : 0;
}

bool HasStrip(const Window& w) { return !w.fullscreen && w.menu && FindMenuObject(w.menu); }

int StripHeight(const Window& w) { return HasStrip(w) ? kMenuStripHeight : 0; }

void ClientSize(const Window& w, int* width, int* height) {
    int cw = w.rect.right - w.rect.left;
    int ch = w.rect.bottom - w.rect.top - StripHeight(w);
    *width = cw > 0 ? cw : 0;
    *height = ch > 0 ? ch : 0;
}

POINT ScreenOrigin(const Window& w) {
    // In full screen the window's own coordinates are the screen's.
    if (w.fullscreen) return POINT{0, 0};
    return POINT{w.rect.left, w.rect.top};
}

void SyncRectFromSdl(Window& w) {
    if (!w.sdl) return;
    int x = 0, y = 0, width = 0, height = 0;
    SDL_GetWindowPosition(w.sdl, &x, &y);
    SDL_GetWindowSize(w.sdl, &width, &height);
    if (w.fullscreen) x = y = 0;
    w.rect = RECT{x, y, x + width, y + height};
}

}  // namespace win32::detail
