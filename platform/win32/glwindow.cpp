// The window's GL context and the present path (see glwindow.h).
#include "win32/glwindow.h"

#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <epoxy/gl.h>

#include "win32/capture.h"
#include "win32/gldriverpin.h"
#include "win32/overlay.h"
#include "win32/script.h"
#include "win32/timesource.h"
#include "win32/winstate.h"

namespace win32::detail {
namespace {

int DrawableStripHeight(const Window& w, int drawableHeight) {
    int windowHeight = w.rect.bottom - w.rect.top;
    if (windowHeight <= 0) return 0;
    return StripHeight(w) * drawableHeight / windowHeight;
}

void TakeCaptures(Window& w, const GlPresentTarget& target) {
    if (!script::CapturesPending() || &w != MainWindow()) return;
    GLint readFramebuffer = 0;
    glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &readFramebuffer);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    glReadBuffer(GL_BACK);
    for (const script::CaptureRequest& request : script::TakeCaptures()) {
        if (request.wholeWindow)
            capture::CaptureFramebuffer(request.path, 0, 0, target.drawableWidth, target.drawableHeight);
        else
            capture::CaptureFramebuffer(request.path, target.client.x, target.client.y, target.client.width,
                                        target.client.height);
    }
    glBindFramebuffer(GL_READ_FRAMEBUFFER, static_cast<GLuint>(readFramebuffer));
}

void Present(Window& w) {
    GlPresentTarget target;
    if (!GlGetPresentTarget(w.handle, &target)) return;
    overlay::Draw(w);
    TakeCaptures(w, target);
    SDL_GL_SwapWindow(w.sdl);
    w.presentedThisPass = true;
}

}  // namespace

bool EnsureGlContext(Window& w) {
    if (!w.alive || !w.sdl) return false;
    if (!w.glContext) {
        if (!(SDL_GetWindowFlags(w.sdl) & SDL_WINDOW_OPENGL)) return false;
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
        w.glContext = SDL_GL_CreateContext(w.sdl);
        if (!w.glContext) {
            std::fprintf(stderr, "windowing: no OpenGL 3.3 core context: %s\n", SDL_GetError());
            return false;
        }
        SDL_GL_SetSwapInterval(0);
        if constexpr (kLeakChecked) {
            SDL_GL_MakeCurrent(w.sdl, static_cast<SDL_GLContext>(w.glContext));
            PinGlDriver();
        }
    }
    return SDL_GL_MakeCurrent(w.sdl, static_cast<SDL_GLContext>(w.glContext)) == 0;
}

void PresentFallback(Window& w) {
    if (w.presentedThisPass || !EnsureGlContext(w)) return;
    GLint drawFramebuffer = 0;
    glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &drawFramebuffer);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    if (!w.everPresented) {
        // Nothing presented yet: the class background, white.
        GLboolean scissor = glIsEnabled(GL_SCISSOR_TEST);
        GLfloat clear[4];
        glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
        glDisable(GL_SCISSOR_TEST);
        glClearColor(1, 1, 1, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        glClearColor(clear[0], clear[1], clear[2], clear[3]);
        if (scissor) glEnable(GL_SCISSOR_TEST);
    }
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, static_cast<GLuint>(drawFramebuffer));
    Present(w);
}

void DestroyGl(Window& w) {
    if (!w.glContext) return;
    if (SDL_GL_MakeCurrent(w.sdl, static_cast<SDL_GLContext>(w.glContext)) == 0) overlay::Release(w);
    SDL_GL_MakeCurrent(w.sdl, nullptr);
    SDL_GL_DeleteContext(static_cast<SDL_GLContext>(w.glContext));
    w.glContext = nullptr;
}

}  // namespace win32::detail

namespace win32 {

using namespace detail;

SDL_Window* GlSdlWindow(HWND hwnd) {
    Window* w = FindWindow(hwnd);
    return w ? w->sdl : nullptr;
}

bool GlMakeCurrent(HWND hwnd) {
    Window* w = FindWindow(hwnd);
    return w && EnsureGlContext(*w);
}

bool GlGetPresentTarget(HWND hwnd, GlPresentTarget* target) {
    Window* w = FindWindow(hwnd);
    if (!w || !w->sdl || !target) return false;
    int dw = 0, dh = 0;
    SDL_GL_GetDrawableSize(w->sdl, &dw, &dh);
    if (dw <= 0 || dh <= 0) SDL_GetWindowSize(w->sdl, &dw, &dh);
    target->drawableWidth = dw;
    target->drawableHeight = dh;
    target->fullscreen = w->fullscreen;
    int strip = DrawableStripHeight(*w, dh);
    target->client = GlRect{0, 0, dw, dh - strip > 0 ? dh - strip : 0};
    return true;
}

void GlPresentWindow(HWND hwnd) {
    Window* w = FindWindow(hwnd);
    if (!w || !w->glContext) return;
    w->everPresented = true;
    Present(*w);
}

bool GlSetFullscreen(HWND hwnd, bool fullscreen, int width, int height) {
    Window* w = FindWindow(hwnd);
    if (!w || !w->sdl) return false;
    if (w->fullscreen == fullscreen) return true;
    // Our own switch: the geometry events it causes are no user's size-move.
    w->ownChangeUntil = WindowSystemTicks() + 500;
    if (fullscreen) {
        w->windowedRect = w->rect;
        if (DisplayHasWindowManager(w->sdl)) {
            if (SDL_SetWindowFullscreen(w->sdl, SDL_WINDOW_FULLSCREEN_DESKTOP) != 0) {
                std::fprintf(stderr, "windowing: the display refuses full screen: %s\n", SDL_GetError());
                return false;
            }
        } else {
            // Nobody would answer the request: cover the display's corner at the mode's size ourselves.
            SDL_Rect bounds{0, 0, 0, 0};
            SDL_GetDisplayBounds(std::max(0, SDL_GetWindowDisplayIndex(w->sdl)), &bounds);
            SDL_SetWindowBordered(w->sdl, SDL_FALSE);
            SDL_SetWindowPosition(w->sdl, bounds.x, bounds.y);
            SDL_SetWindowSize(w->sdl, width, height);
            SDL_RaiseWindow(w->sdl);
            w->fullscreenByUs = true;
        }
        w->fullscreen = true;
        SyncRectFromSdl(*w);
    } else {
        if (w->fullscreenByUs)
            SDL_SetWindowBordered(w->sdl, SDL_TRUE);
        else if (SDL_SetWindowFullscreen(w->sdl, 0) != 0)
            std::fprintf(stderr, "windowing: cannot leave full screen: %s\n", SDL_GetError());
        w->fullscreenByUs = false;
        w->fullscreen = false;
        // Not every driver gives the windowed size back at once; the placement is ours to restore.
        const RECT& r = w->windowedRect;
        SDL_SetWindowSize(w->sdl, r.right - r.left, r.bottom - r.top);
        SDL_SetWindowPosition(w->sdl, r.left, r.top);
        w->rect = r;
    }
    if (w->glContext && !IsHeadless()) SDL_GL_SetSwapInterval(fullscreen ? 1 : 0);
    CursorState& c = GetState().cursor;
    if (!fullscreen && c.relative) {
        SDL_SetRelativeMouseMode(SDL_FALSE);
        c.relative = false;
    }
    w->needsPaint = true;
    return true;
}

bool GlWindowFocused(HWND hwnd) {
    Window* w = FindWindow(hwnd);
    if (!w || !w->sdl) return false;
    if (SDL_GetWindowFlags(w->sdl) & SDL_WINDOW_MINIMIZED) return false;
    // Headless drivers never give a window input focus; nobody can take it away either.
    if (IsHeadless()) return true;
    return (SDL_GetWindowFlags(w->sdl) & SDL_WINDOW_INPUT_FOCUS) != 0 || w->focused;
}

}  // namespace win32
