// The hook between a window and the renderer that draws into it.
//
// A window made with CreateWindowExA owns one OpenGL 3.3 core context (created on first request),
// the Dear ImGui overlay (menu strip, open menus, dialogs) and the buffer swap. The Direct3D layer
// renders into `target.client` of the default framebuffer (0) where that holds its back buffer as
// it is, else into a framebuffer object of its own; at Present it
//   1. calls GlMakeCurrent(hwnd),
//   2. reads GlGetPresentTarget(hwnd) and, when it drew into its own framebuffer, blits its back
//      buffer into `target.client`, which lies below the menu strip when windowed (at the
//      drawable's bottom left); in full screen there is no strip and `client` is the whole drawable,
//   3. calls GlPresentWindow(hwnd), which draws the overlay on top, writes the frame to a PNG when a
//      script asks for one, and swaps.
// GlPresentWindow binds framebuffer 0 for the overlay and restores every GL state it touches
// (program, vertex array, buffers, textures on unit 0, blend, depth, cull, scissor, viewport,
// framebuffer bindings, pixel-pack buffer) before it returns, so the renderer's state cache stays
// valid. A window that has never been presented shows white; modal menu loops keep re-presenting
// (through WM_PAINT) so the last frame stays under an open menu.
#pragma once

#include "win32/wintypes.h"

struct SDL_Window;

namespace win32 {

struct GlRect {
    int x = 0;  // GL window coordinates: origin at the drawable's bottom left
    int y = 0;
    int width = 0;
    int height = 0;
};

struct GlPresentTarget {
    int drawableWidth = 0;  // size of the default framebuffer in pixels
    int drawableHeight = 0;
    GlRect client;  // where the client area lies in it
    bool fullscreen = false;
};

// The window's SDL window, or nullptr for an unknown or destroyed handle.
SDL_Window* GlSdlWindow(HWND hwnd);

// Makes the window's GL context current on this thread, creating it on first use.
// False when the window is unknown or no GL context can be had (e.g. SDL's dummy driver).
bool GlMakeCurrent(HWND hwnd);

// Where a presented back buffer goes. False for an unknown window.
bool GlGetPresentTarget(HWND hwnd, GlPresentTarget* target);

// Overlay, optional capture, swap. The window's context must be current.
void GlPresentWindow(HWND hwnd);

// Asks the windowing layer to go full screen on the desktop (true) or back to the window (false),
// without sending WM_ENTERSIZEMOVE/WM_EXITSIZEMOVE. Called by the device on Reset/CreateDevice with
// the mode's size, which is the window's size where no window manager runs (a borderless window
// at the display's corner); elsewhere full screen covers the desktop. False when the display
// refuses: the window then stays as it was.
bool GlSetFullscreen(HWND hwnd, bool fullscreen, int width, int height);

// Whether the window has the keyboard focus and is not minimised (a full-screen device loses itself
// without it). Under a headless driver a window is always focused: nothing can take the focus away.
bool GlWindowFocused(HWND hwnd);

}  // namespace win32
