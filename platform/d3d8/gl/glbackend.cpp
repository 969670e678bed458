// The gl backend's device life, clears, draws and presents (see glbackend.h).
#include "d3d8/gl/glbackend.h"

#include <SDL.h>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <cstring>
#include <vector>

#include "d3d8/backends.h"
#include "d3d8/formats.h"
#include "d3d8/gl/glenums.h"
#include "win32/glwindow.h"

namespace d3d8::gl {

namespace {

// The rasteriser allocates and frees its per-frame working memory each frame; with the allocator's
// defaults the process heap then grows and is trimmed back several times a frame, and large blocks
// are mapped and unmapped each time. Keeping freed memory for reuse settles it.
void SettleHeap() {
#if defined(__GLIBC__)
    static const bool settled = [] {
        mallopt(M_MMAP_THRESHOLD, 16 << 20);
        mallopt(M_TRIM_THRESHOLD, 128 << 20);
        mallopt(M_TOP_PAD, 8 << 20);
        return true;
    }();
    (void)settled;
#endif
}

// The window takes the mode first; a display that refuses it fails the device's creation or reset.
bool TakeWindowMode(HWND window, const D3DPRESENT_PARAMETERS& pp) {
    return win32::GlSetFullscreen(window, !pp.Windowed, static_cast<int>(pp.BackBufferWidth),
                                  static_cast<int>(pp.BackBufferHeight));
}

// A wait for one fence, in slices with a limit: a driver that never signals (a lost context) costs
// the frame at most kWaitSlices * kWaitSlice instead of hanging the program.
constexpr int kWaitSlices = 40;
constexpr GLuint64 kWaitSlice = 50'000'000;  // ns

void AwaitFence(GLsync fence) {
    GLbitfield flags = GL_SYNC_FLUSH_COMMANDS_BIT;
    for (int i = 0; i < kWaitSlices; ++i) {
        const GLenum r = glClientWaitSync(fence, flags, kWaitSlice);
        if (r != GL_TIMEOUT_EXPIRED) return;  // signalled, or the wait failed
        flags = 0;
    }
}

}  // namespace

GlBackend::~GlBackend() {
    if (!MakeCurrent()) return;
    DropFences();
    for (auto& [k, t] : textures_) glDeleteTextures(1, &t.name);
    for (auto& [k, b] : buffers_) glDeleteBuffers(1, &b.name);
    for (auto& [k, s] : shaderStages_) glDeleteShader(s);
    for (auto& [k, s] : fixedStages_) glDeleteShader(s);
    for (auto& [k, p] : programs_) glDeleteProgram(p.name);
    targets_.Delete();
    glDeleteVertexArrays(1, &vao_);
    GLuint buffers[] = {ubo_, upVertices_, upIndices_};
    glDeleteBuffers(3, buffers);
    glDeleteTextures(1, &white_);
    glDeleteSamplers(2, samplers_);
}

GlObjectCounts GlBackend::LiveObjects() const {
    auto live = [](std::initializer_list<GLuint> names) {
        size_t n = 0;
        for (GLuint name : names) n += name != 0;
        return n;
    };
    GlObjectCounts c;
    for (const auto& [k, t] : textures_) c.textures += t.name != 0;
    c.textures += live({white_});
    for (const auto& [k, b] : buffers_) c.buffers += b.name != 0;
    c.buffers += live({ubo_, upVertices_, upIndices_});
    c.shaders = shaderStages_.size() + fixedStages_.size();
    for (const auto& [k, p] : programs_) c.programs += p.name != 0;
    c.framebuffers = targets_.Framebuffers();
    c.renderbuffers = targets_.Renderbuffers();
    c.fences = inFlight_.size();
    return c;
}

void GlBackend::AwaitFrames(size_t keep) {
    while (inFlight_.size() > keep) {
        AwaitFence(inFlight_.front());
        glDeleteSync(inFlight_.front());
        inFlight_.pop_front();
    }
}

void GlBackend::DropFences() {
    for (GLsync fence : inFlight_) glDeleteSync(fence);
    inFlight_.clear();
}

bool GlBackend::MakeCurrent() {
    current_ = win32::GlMakeCurrent(device_.Window());
    return current_;
}

void GlBackend::BindArrayBuffer(GLuint name) {
    if (arrayBuffer_ == name) return;
    arrayBuffer_ = name;
    glBindBuffer(GL_ARRAY_BUFFER, name);
}

void GlBackend::BindElementBuffer(GLuint name) {
    if (elementBuffer_ == name) return;
    elementBuffer_ = name;
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, name);
}

void GlBackend::BindTexture(int unit, GLuint name) {
    if (activeUnit_ != unit) {
        activeUnit_ = unit;
        glActiveTexture(GL_TEXTURE0 + unit);
    }
    if (boundTextures_[unit] == name) return;
    boundTextures_[unit] = name;
    glBindTexture(GL_TEXTURE_2D, name);
}

void GlBackend::UseProgram(GLuint name) {
    if (currentProgram_ == name) return;
    currentProgram_ = name;
    glUseProgram(name);
}

void GlBackend::Unbound(GLuint name, bool texture) {
    if (texture) {
        for (GLuint& t : boundTextures_)
            if (t == name) t = kUnknown;
        return;
    }
    if (arrayBuffer_ == name) arrayBuffer_ = kUnknown;
    if (elementBuffer_ == name) elementBuffer_ = kUnknown;
    for (AttribSource& a : attribs_)
        if (a.buffer == name) a.buffer = kUnknown;
}

void GlBackend::ForgetGlobalBindings() {
    arrayBuffer_ = kUnknown;
    boundTextures_[0] = boundTextures_[1] = kUnknown;
    activeUnit_ = -1;
    currentProgram_ = 0;
    samplersBound_ = false;
}

HRESULT GlBackend::BuildTargets(const D3DPRESENT_PARAMETERS& pp) {
    win32::GlPresentTarget window;
    if (!win32::GlGetPresentTarget(device_.Window(), &window)) return D3DERR_NOTAVAILABLE;
    HRESULT hr = targets_.Build(pp, window);
    applied_ = Applied{};
    return hr;
}

HRESULT GlBackend::Create(const D3DPRESENT_PARAMETERS& pp) {
    SettleHeap();
    if (!TakeWindowMode(device_.Window(), pp)) return D3DERR_NOTAVAILABLE;
    if (!MakeCurrent() || epoxy_gl_version() < 33) return D3DERR_NOTAVAILABLE;
    glGenVertexArrays(1, &vao_);
    glBindVertexArray(vao_);
    glGenBuffers(1, &ubo_);
    glBindBuffer(GL_UNIFORM_BUFFER, ubo_);
    glBufferData(GL_UNIFORM_BUFFER, sizeof(uploadedConstants_), nullptr, GL_DYNAMIC_DRAW);
    glBindBufferBase(GL_UNIFORM_BUFFER, 0, ubo_);
    glGenBuffers(1, &upVertices_);
    glGenBuffers(1, &upIndices_);
    glGenTextures(1, &white_);
    glBindTexture(GL_TEXTURE_2D, white_);
    const DWORD white = 0xFFFFFFFF;
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 1, 1, 0, GL_BGRA, GL_UNSIGNED_BYTE, &white);
    glGenSamplers(2, samplers_);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glEnable(GL_PROGRAM_POINT_SIZE);
    return BuildTargets(pp);
}

HRESULT GlBackend::Reset(const D3DPRESENT_PARAMETERS& pp) {
    if (!TakeWindowMode(device_.Window(), pp) || !MakeCurrent()) return D3DERR_NOTAVAILABLE;
    DropFences();
    constantsValid_ = false;
    return BuildTargets(pp);
}

HRESULT GlBackend::Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z, DWORD stencil) {
    const DeviceState& s = device_.State();
    StartFrameWork();
    targets_.BindForDrawing();
    targets_.MarkDrawn();
    GLbitfield mask = 0;
    if (flags & D3DCLEAR_TARGET) {
        mask |= GL_COLOR_BUFFER_BIT;
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        applied_.colorMask = -1;
        glClearColor(((color >> 16) & 0xFF) / 255.0f, ((color >> 8) & 0xFF) / 255.0f, (color & 0xFF) / 255.0f,
                     ((color >> 24) & 0xFF) / 255.0f);
    }
    if ((flags & D3DCLEAR_ZBUFFER) && targets_.HasDepth()) {
        mask |= GL_DEPTH_BUFFER_BIT;
        glDepthMask(GL_TRUE);
        applied_.depthMask = -1;
        glClearDepth(z);
    }
    if ((flags & D3DCLEAR_STENCIL) && targets_.HasStencil()) {
        mask |= GL_STENCIL_BUFFER_BIT;
        glStencilMask(0xFF);
        glClearStencil(static_cast<GLint>(stencil));
    }
    // Direct3D clears the viewport, or the given rectangles inside it.
    glEnable(GL_SCISSOR_TEST);
    const D3DVIEWPORT8& vp = s.viewport;
    auto clearRect = [&](LONG x1, LONG y1, LONG x2, LONG y2) {
        x1 = std::max<LONG>(x1, vp.X);
        y1 = std::max<LONG>(y1, vp.Y);
        x2 = std::min<LONG>(x2, vp.X + vp.Width);
        y2 = std::min<LONG>(y2, vp.Y + vp.Height);
        if (x2 <= x1 || y2 <= y1) return;
        glScissor(x1, static_cast<GLint>(targets_.Height()) - y2, x2 - x1, y2 - y1);
        glClear(mask);
    };
    if (count == 0) clearRect(vp.X, vp.Y, vp.X + vp.Width, vp.Y + vp.Height);
    for (DWORD i = 0; i < count; ++i) clearRect(rects[i].x1, rects[i].y1, rects[i].x2, rects[i].y2);
    glDisable(GL_SCISSOR_TEST);
    return D3D_OK;
}

HRESULT GlBackend::Draw(const DrawCall& call) {
    // The back buffer, vao_ and the constant block stay bound between calls (see BuildTargets).
    const DeviceState& s = device_.State();
    StartFrameWork();
    targets_.MarkDrawn();
    ApplyState(s);
    Program* p = ProgramFor(s);
    if (!p) return D3DERR_INVALIDCALL;
    UseProgram(p->name);
    SetUniforms(*p, s);
    UploadConstants(s);
    BindTextures(s);
    if (call.upVertices) {
        UINT count = call.indexed ? call.startVertex + call.vertexCount : call.vertexTotal;
        BindArrayBuffer(upVertices_);
        glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(count) * call.upStride, call.upVertices, GL_STREAM_DRAW);
    }
    SetupAttributes(s, call, upVertices_);
    GLenum mode = Primitive(call.type);
    if (!call.indexed) {
        GLint first = call.upVertices ? 0 : static_cast<GLint>(call.startVertex);
        glDrawArrays(mode, first, static_cast<GLsizei>(call.vertexTotal));
        return D3D_OK;
    }
    bool wide;
    GLintptr offset;
    if (call.upIndices) {
        wide = call.upIndexFormat == D3DFMT_INDEX32;
        BindElementBuffer(upIndices_);
        glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(call.indexCount) * (wide ? 4 : 2), call.upIndices,
                     GL_STREAM_DRAW);
        offset = 0;
        glDrawElements(mode, static_cast<GLsizei>(call.indexCount), wide ? GL_UNSIGNED_INT : GL_UNSIGNED_SHORT,
                       nullptr);
        return D3D_OK;
    }
    wide = s.indices->FvfOrFormat() == D3DFMT_INDEX32;
    IndexBufferFor(s.indices.get());
    offset = static_cast<GLintptr>(call.startIndex) * (wide ? 4 : 2);
    glDrawElementsBaseVertex(mode, static_cast<GLsizei>(call.indexCount), wide ? GL_UNSIGNED_INT : GL_UNSIGNED_SHORT,
                             reinterpret_cast<const void*>(offset), static_cast<GLint>(s.baseVertexIndex));
    return D3D_OK;
}

void GlBackend::SetCursorVisible(bool visible) { SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE); }

bool GlBackend::OutputFocused() const { return win32::GlWindowFocused(device_.Window()); }

HRESULT GlBackend::Present() {
    HWND hwnd = device_.Window();
    if (!MakeCurrent()) return D3DERR_INVALIDCALL;
    win32::GlPresentTarget window;
    if (!win32::GlGetPresentTarget(hwnd, &window)) return D3DERR_INVALIDCALL;
    targets_.CopyToWindow(window.client);
    win32::GlPresentWindow(hwnd);
    // The fence follows the swap, so a finished frame is one the window has taken. Presents with no
    // draws between them are bounded here; a frame's first draw waits for the frame before last.
    if (GLsync fence = glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0)) inFlight_.push_back(fence);
    AwaitFrames(kFramesInFlight);
    ForgetGlobalBindings();
    // The window as it is now, which may differ from when the frame began.
    targets_.Choose(window);
    targets_.BindForDrawing();
    return D3D_OK;
}

HRESULT GlBackend::ReadBack(SurfaceImpl* surface) {
    const UINT width = targets_.Width(), height = targets_.Height();
    if (surface->Width() != width || surface->Height() != height || BytesPerPixel(surface->Format()) != 4)
        return D3DERR_INVALIDCALL;
    targets_.BindForReading();
    std::vector<BYTE> rows(static_cast<size_t>(width) * height * 4);
    glReadPixels(0, 0, width, height, GL_BGRA, GL_UNSIGNED_BYTE, rows.data());
    targets_.BindForDrawing();
    auto& px = surface->Pixels();
    size_t pitch = static_cast<size_t>(width) * 4;
    for (UINT y = 0; y < height; ++y) {  // GL reads bottom row first
        std::memcpy(px.data() + y * pitch, rows.data() + (height - 1 - y) * pitch, pitch);
        for (UINT x = 0; x < width; ++x) px[y * pitch + x * 4 + 3] = 0xFF;
    }
    return D3D_OK;
}

}  // namespace d3d8::gl

namespace d3d8 {

std::optional<GlObjectCounts> LiveGlObjects(IDirect3DDevice8* device) {
    auto* d = dynamic_cast<DeviceImpl*>(device);
    auto* gl = d ? dynamic_cast<gl::GlBackend*>(&d->GetBackend()) : nullptr;
    if (!gl) return std::nullopt;
    return gl->LiveObjects();
}

}  // namespace d3d8
