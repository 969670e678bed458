// Where the gl backend's frames are drawn, and how they reach the window.
//
// A frame goes straight into the window's own framebuffer when that can hold the back buffer as it
// is: the same size as the client area (which lies at the drawable's bottom left, below any menu
// strip), no multisampling, 8-bit colour channels and at least the depth and stencil bits the
// device asked for. Present then only swaps, instead of waiting for the whole frame to be
// rasterised to copy it. Otherwise (a stretched window, a multisampled or 16-bit back buffer, a
// depth or stencil buffer the window lacks) the frame goes into a framebuffer object of ours, which
// Present resolves and copies into the window. The choice is made again at each Present for the
// next frame, so a window resized before its device is reset falls back to the copy.
//
// The window holds a frame drawn there only until the next swap. A frame presented again without
// drawing (the framework does that while it is paused, under an open menu or dialog) or read back
// after its present is first kept in our framebuffer and is presented from there until the next
// frame is drawn.
//
// The two give the same picture up to rounding: the window's rows are stored top first and ours
// bottom first, so the rasteriser interpolates along mirrored edges, and about one pixel in a
// hundred differs by one level. ABISALIA_GL_COPY_PRESENT=1 always takes the copy, for comparison.
#pragma once

#include <epoxy/gl.h>

#include "d3d8/d3d8.h"
#include "win32/glwindow.h"

namespace d3d8::gl {

class GlTargets {
public:
    GlTargets() = default;
    GlTargets(const GlTargets&) = delete;
    GlTargets& operator=(const GlTargets&) = delete;

    // Makes the storage for `pp` and picks where the first frame goes. The context must be current.
    HRESULT Build(const D3DPRESENT_PARAMETERS& pp, const win32::GlPresentTarget& window);
    // Deletes the framebuffer objects. The context must be current.
    void Delete();

    UINT Width() const { return width_; }
    UINT Height() const { return height_; }
    bool HasDepth() const { return hasDepth_; }
    bool HasStencil() const { return hasStencil_; }
    bool InWindow() const { return inWindow_; }
    size_t Framebuffers() const { return (fbo_ != 0) + (resolveFbo_ != 0); }
    size_t Renderbuffers() const { return (color_ != 0) + (depth_ != 0) + (resolveColor_ != 0); }

    // Binds the framebuffer the frame is drawn into.
    void BindForDrawing() const;
    // A clear or a draw went into the current frame.
    void MarkDrawn() { drawn_ = true; }
    // Binds the last frame for reading (resolving a multisampled one first).
    void BindForReading();
    // Puts the frame into the window's client area; nothing to do when it was drawn there.
    void CopyToWindow(const win32::GlRect& client);
    // After the swap: picks where the next frame goes, from the window as it is now.
    void Choose(const win32::GlPresentTarget& window);

private:
    struct WindowBuffer {
        bool known = false;
        GLint red = 0, green = 0, blue = 0, depth = 0, stencil = 0, samples = 0;
    };
    void ReadWindowBuffer();
    // Copies the frame last presented in the window into our framebuffer, which holds it from then on.
    void KeepWindowFrame();

    UINT width_ = 0, height_ = 0;
    int samples_ = 0;
    bool hasDepth_ = false, hasStencil_ = false;
    GLint depthBits_ = 0;     // of the depth buffer the device asked for
    bool colorFits_ = false;  // the back buffer's format has 8-bit channels
    bool inWindow_ = false;
    bool drawn_ = false;    // since the last present
    bool kept_ = false;     // our framebuffer holds the window's last frame
    win32::GlRect client_;  // where the window's frame lies
    WindowBuffer window_;
    GLuint fbo_ = 0, color_ = 0, depth_ = 0;
    GLuint resolveFbo_ = 0, resolveColor_ = 0;  // multisampled back buffers resolve here
};

}  // namespace d3d8::gl
