// The back buffer's storage: the window's own framebuffer or ours (see gltargets.h).
#include "d3d8/gl/gltargets.h"

#include <cstdlib>
#include <cstring>

namespace d3d8::gl {

namespace {

// The depth bits of the buffer made for a depth format. The window's may have more: a finer buffer
// only settles the rare near ties between different surfaces otherwise (GLX gives the deepest buffer
// it has, whatever the least asked for).
GLint DepthBits(D3DFORMAT format) {
    switch (format) {
        case D3DFMT_D16:
        case D3DFMT_D16_LOCKABLE: return 16;
        case D3DFMT_D32: return 32;
        default: return 24;
    }
}

GLenum DepthFormat(D3DFORMAT format) {
    switch (format) {
        case D3DFMT_D16:
        case D3DFMT_D16_LOCKABLE: return GL_DEPTH_COMPONENT16;
        case D3DFMT_D24S8: return GL_DEPTH24_STENCIL8;
        case D3DFMT_D32: return GL_DEPTH_COMPONENT32;
        default: return GL_DEPTH_COMPONENT24;
    }
}

GLint AttachmentBits(GLenum attachment, GLenum what) {
    GLint type = GL_NONE;
    glGetFramebufferAttachmentParameteriv(GL_DRAW_FRAMEBUFFER, attachment, GL_FRAMEBUFFER_ATTACHMENT_OBJECT_TYPE,
                                          &type);
    if (type == GL_NONE) return 0;
    GLint bits = 0;
    glGetFramebufferAttachmentParameteriv(GL_DRAW_FRAMEBUFFER, attachment, what, &bits);
    return bits;
}

// Draws every frame into our own framebuffer and copies it, as a reference for the direct path.
bool CopyForced() {
    static const bool forced = [] {
        const char* v = std::getenv("ABISALIA_GL_COPY_PRESENT");
        return v && *v && std::strcmp(v, "0") != 0;
    }();
    return forced;
}

}  // namespace

void GlTargets::Delete() {
    GLuint fbos[] = {fbo_, resolveFbo_};
    glDeleteFramebuffers(2, fbos);
    GLuint rbs[] = {color_, depth_, resolveColor_};
    glDeleteRenderbuffers(3, rbs);
    fbo_ = resolveFbo_ = color_ = depth_ = resolveColor_ = 0;
}

void GlTargets::ReadWindowBuffer() {
    if (window_.known) return;
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    window_.red = AttachmentBits(GL_BACK_LEFT, GL_FRAMEBUFFER_ATTACHMENT_RED_SIZE);
    window_.green = AttachmentBits(GL_BACK_LEFT, GL_FRAMEBUFFER_ATTACHMENT_GREEN_SIZE);
    window_.blue = AttachmentBits(GL_BACK_LEFT, GL_FRAMEBUFFER_ATTACHMENT_BLUE_SIZE);
    window_.depth = AttachmentBits(GL_DEPTH, GL_FRAMEBUFFER_ATTACHMENT_DEPTH_SIZE);
    window_.stencil = AttachmentBits(GL_STENCIL, GL_FRAMEBUFFER_ATTACHMENT_STENCIL_SIZE);
    glGetIntegerv(GL_SAMPLES, &window_.samples);
    window_.known = true;
}

HRESULT GlTargets::Build(const D3DPRESENT_PARAMETERS& pp, const win32::GlPresentTarget& window) {
    Delete();
    ReadWindowBuffer();
    drawn_ = kept_ = false;
    width_ = pp.BackBufferWidth;
    height_ = pp.BackBufferHeight;
    samples_ = pp.MultiSampleType >= D3DMULTISAMPLE_2_SAMPLES ? static_cast<int>(pp.MultiSampleType) : 0;
    colorFits_ = pp.BackBufferFormat != D3DFMT_R5G6B5;
    hasDepth_ = pp.EnableAutoDepthStencil != FALSE;
    hasStencil_ = hasDepth_ && pp.AutoDepthStencilFormat == D3DFMT_D24S8;
    depthBits_ = hasDepth_ ? DepthBits(pp.AutoDepthStencilFormat) : 0;

    const GLenum colorFormat = colorFits_ ? GL_RGBA8 : GL_RGB565;
    auto storage = [&](GLuint rb, GLenum format, int samples) {
        glBindRenderbuffer(GL_RENDERBUFFER, rb);
        if (samples)
            glRenderbufferStorageMultisample(GL_RENDERBUFFER, samples, format, width_, height_);
        else
            glRenderbufferStorage(GL_RENDERBUFFER, format, width_, height_);
    };
    glGenFramebuffers(1, &fbo_);
    glGenRenderbuffers(1, &color_);
    glBindFramebuffer(GL_FRAMEBUFFER, fbo_);
    storage(color_, colorFormat, samples_);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, color_);
    if (hasDepth_) {
        glGenRenderbuffers(1, &depth_);
        storage(depth_, DepthFormat(pp.AutoDepthStencilFormat), samples_);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, hasStencil_ ? GL_DEPTH_STENCIL_ATTACHMENT : GL_DEPTH_ATTACHMENT,
                                  GL_RENDERBUFFER, depth_);
    }
    GLenum status = glCheckFramebufferStatus(GL_FRAMEBUFFER);
    if (status != GL_FRAMEBUFFER_COMPLETE && colorFormat == GL_RGB565) {
        // No 16-bit colour buffer here: render in 32 bits.
        storage(color_, GL_RGBA8, samples_);
        status = glCheckFramebufferStatus(GL_FRAMEBUFFER);
    }
    if (status != GL_FRAMEBUFFER_COMPLETE) return D3DERR_NOTAVAILABLE;
    if (samples_) {
        glGenFramebuffers(1, &resolveFbo_);
        glGenRenderbuffers(1, &resolveColor_);
        glBindFramebuffer(GL_FRAMEBUFFER, resolveFbo_);
        storage(resolveColor_, GL_RGBA8, 0);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, resolveColor_);
        if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) return D3DERR_NOTAVAILABLE;
    }
    Choose(window);
    BindForDrawing();
    return D3D_OK;
}

void GlTargets::Choose(const win32::GlPresentTarget& window) {
    const bool presentedAgain = !drawn_;
    drawn_ = false;
    // Until a new frame is drawn, the kept one is presented again.
    if (kept_ && presentedAgain) return;
    kept_ = false;
    const win32::GlRect& c = window.client;
    client_ = c;
    const bool sameSize = c.x == 0 && c.y == 0 && static_cast<UINT>(c.width) == width_ &&
                          static_cast<UINT>(c.height) == height_ && window.drawableWidth == c.width;
    const bool sameBuffer = samples_ == 0 && window_.samples == 0 && colorFits_ && window_.red == 8 &&
                            window_.green == 8 && window_.blue == 8 && window_.depth >= depthBits_ &&
                            window_.stencil >= (hasStencil_ ? 8 : 0);
    inWindow_ = sameSize && sameBuffer && !CopyForced();
}

void GlTargets::BindForDrawing() const { glBindFramebuffer(GL_FRAMEBUFFER, inWindow_ ? 0 : fbo_); }

void GlTargets::KeepWindowFrame() {
    // The back buffer: the front one cannot be read back everywhere (on X it reads black), and a
    // swap that copies, as the software rasteriser's does, leaves the frame in the back buffer.
    // Where swaps exchange buffers this is an earlier frame, still a picture of the scene.
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    glReadBuffer(GL_BACK);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, fbo_);
    const win32::GlRect& c = client_;
    glBlitFramebuffer(c.x, c.y, c.x + c.width, c.y + c.height, 0, 0, width_, height_, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    inWindow_ = false;
    kept_ = true;
}

void GlTargets::BindForReading() {
    if (inWindow_ && !drawn_) KeepWindowFrame();
    if (inWindow_) {
        glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
        glReadBuffer(GL_BACK);
        return;
    }
    if (samples_) {
        glBindFramebuffer(GL_READ_FRAMEBUFFER, fbo_);
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, resolveFbo_);
        glBlitFramebuffer(0, 0, width_, height_, 0, 0, width_, height_, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    }
    glBindFramebuffer(GL_READ_FRAMEBUFFER, samples_ ? resolveFbo_ : fbo_);
}

void GlTargets::CopyToWindow(const win32::GlRect& c) {
    if (inWindow_ && !drawn_) KeepWindowFrame();
    if (inWindow_) return;
    BindForReading();
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    const bool same = static_cast<UINT>(c.width) == width_ && static_cast<UINT>(c.height) == height_;
    glBlitFramebuffer(0, 0, width_, height_, c.x, c.y, c.x + c.width, c.y + c.height, GL_COLOR_BUFFER_BIT,
                      same ? GL_NEAREST : GL_LINEAR);
}

}  // namespace d3d8::gl
