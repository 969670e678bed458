// Cursor, icons and the pointer position.
//
// Positions are tracked here from the events, so GetCursorPos answers what the window procedure
// was last told. Where the system cannot warp the pointer (Wayland), relative mouse mode stands
// behind SetCursorPos: the tracked position moves by the pointer's motion and is put where asked.
#include <SDL.h>

#include <cstring>
#include <map>

#include "win32/resources.h"
#include "win32/winstate.h"

namespace win32::detail {
namespace {

// Handle encodings (small numbers, so they survive GetClassLongA's 32 bits):
// system cursors 0x1A0000 + id, icons 0x1C0000 + id, resource cursors 0x1D0000 + id.
constexpr std::uintptr_t kSystemCursor = 0x1A0000;
constexpr std::uintptr_t kResourceCursor = 0x1D0000;
constexpr std::uintptr_t kIcon = 0x1C0000;

struct SdlCursors {
    std::map<std::uintptr_t, SDL_Cursor*> made;
};

SdlCursors& Cursors() {
    static SdlCursors cursors;
    return cursors;
}

SDL_Cursor* SdlCursorFor(HCURSOR cursor) {
    auto value = reinterpret_cast<std::uintptr_t>(cursor);
    auto& made = Cursors().made;
    if (auto it = made.find(value); it != made.end()) return it->second;
    if (!GetState().sdlVideo) return nullptr;
    SDL_Cursor* sdl = nullptr;
    if ((value & ~std::uintptr_t{0xFFFF}) == kSystemCursor) {
        SDL_SystemCursor id = SDL_SYSTEM_CURSOR_ARROW;
        switch (value & 0xFFFF) {
            case 32513: id = SDL_SYSTEM_CURSOR_IBEAM; break;
            case 32514: id = SDL_SYSTEM_CURSOR_WAIT; break;
            case 32515: id = SDL_SYSTEM_CURSOR_CROSSHAIR; break;
            case 32649: id = SDL_SYSTEM_CURSOR_HAND; break;
            default: break;
        }
        sdl = SDL_CreateSystemCursor(id);
    } else if ((value & ~std::uintptr_t{0xFFFF}) == kResourceCursor) {
        const res::Cursor* def = res::FindCursor(static_cast<int>(value & 0xFFFF));
        if (def) {
            int bytesPerRow = (def->width + 7) / 8;
            std::vector<Uint8> data(bytesPerRow * def->height), mask(bytesPerRow * def->height);
            for (int y = 0; y < def->height; ++y)
                for (int x = 0; x < def->width; ++x) {
                    char c = def->rows[y][x];
                    Uint8 bit = static_cast<Uint8>(0x80 >> (x % 8));
                    if (c == '#') data[y * bytesPerRow + x / 8] |= bit;
                    if (c != '.') mask[y * bytesPerRow + x / 8] |= bit;
                }
            sdl = SDL_CreateCursor(data.data(), mask.data(), def->width, def->height, def->hotX, def->hotY);
        }
    }
    made[value] = sdl;
    return sdl;
}

}  // namespace

void ApplyCursorVisibility() {
    State& s = GetState();
    if (!s.sdlVideo) return;
    bool visible = s.cursor.showCount >= 0 && (!s.cursor.currentSet || s.cursor.current != nullptr);
    if (visible && s.cursor.current) {
        if (SDL_Cursor* sdl = SdlCursorFor(s.cursor.current)) SDL_SetCursor(sdl);
    }
    SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE);
}

void OnWindowDestroyed(Window& w) {
    CursorState& c = GetState().cursor;
    if (c.window == w.handle) {
        if (c.relative) SDL_SetRelativeMouseMode(SDL_FALSE);
        c.relative = false;
        c.window = nullptr;
    }
}

}  // namespace win32::detail

using namespace win32::detail;

BOOL GetCursorPos(LPPOINT point) {
    if (!point) return FALSE;
    const CursorState& c = GetState().cursor;
    Window* w = FindWindow(c.window);
    if (!w) {
        *point = POINT{c.x, c.y};
        return TRUE;
    }
    POINT origin = ScreenOrigin(*w);
    *point = POINT{origin.x + c.x, origin.y + c.y};
    return TRUE;
}

BOOL SetCursorPos(int x, int y) {
    State& s = GetState();
    CursorState& c = s.cursor;
    Window* w = FindWindow(c.window);
    if (!w) w = MainWindow();
    if (!w) return FALSE;
    POINT origin = ScreenOrigin(*w);
    const bool moves = c.window != w->handle || c.x != x - origin.x || c.y != y - origin.y;
    c.window = w->handle;
    c.x = x - origin.x;
    c.y = y - origin.y;
    // A warp reports a motion even to where the pointer already is; a caller that re-centres the
    // pointer after every motion would otherwise never see the motions end.
    if (!w->sdl || !moves) return TRUE;
    const char* driver = SDL_GetCurrentVideoDriver();
    bool cannotWarp = driver && std::strcmp(driver, "wayland") == 0;
    if (cannotWarp) {
        if (w->fullscreen && !c.relative) {
            c.relative = SDL_SetRelativeMouseMode(SDL_TRUE) == 0;
        }
    } else {
        SDL_WarpMouseInWindow(w->sdl, c.x, c.y);
    }
    return TRUE;
}

BOOL ScreenToClient(HWND hwnd, LPPOINT point) {
    Window* w = FindWindow(hwnd);
    if (!w || !point) return FALSE;
    POINT origin = ScreenOrigin(*w);
    point->x -= origin.x;
    point->y -= origin.y + StripHeight(*w);
    return TRUE;
}

BOOL ClientToScreen(HWND hwnd, LPPOINT point) {
    Window* w = FindWindow(hwnd);
    if (!w || !point) return FALSE;
    POINT origin = ScreenOrigin(*w);
    point->x += origin.x;
    point->y += origin.y + StripHeight(*w);
    return TRUE;
}

HCURSOR SetCursor(HCURSOR cursor) {
    CursorState& c = GetState().cursor;
    HCURSOR previous = c.current;
    c.current = cursor;
    c.currentSet = true;
    ApplyCursorVisibility();
    return previous;
}

HCURSOR GetCursor() { return GetState().cursor.current; }

int ShowCursor(BOOL show) {
    CursorState& c = GetState().cursor;
    c.showCount += show ? 1 : -1;
    ApplyCursorVisibility();
    return c.showCount;
}

HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR name) {
    if (!IS_INTRESOURCE(name)) return nullptr;
    auto id = reinterpret_cast<std::uintptr_t>(name);
    if (!instance) {
        switch (id) {
            case 32512:
            case 32513:
            case 32514:
            case 32515:
            case 32649: return reinterpret_cast<HCURSOR>(kSystemCursor + id);
            default: return nullptr;
        }
    }
    if (!res::FindCursor(static_cast<int>(id))) return nullptr;
    return reinterpret_cast<HCURSOR>(kResourceCursor + id);
}

HICON LoadIconA(HINSTANCE instance, LPCSTR name) {
    if (!IS_INTRESOURCE(name)) return nullptr;
    auto id = reinterpret_cast<std::uintptr_t>(name);
    if (!instance) return id == 32512 ? reinterpret_cast<HICON>(kIcon + 0xFFFF) : nullptr;
    if (!res::FindIcon(static_cast<int>(id))) return nullptr;
    return reinterpret_cast<HICON>(kIcon + id);
}
