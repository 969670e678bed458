// The gl backend: state applied to GL with caching, programs generated and cached, resources
// uploaded when their version moves. Where frames are drawn is gltargets.h's concern.
#include <epoxy/gl.h>

#include <SDL.h>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <cstdio>
#include <cstring>
#include <iterator>
#include <map>
#include <unordered_map>
#include <vector>

#include "d3d8/device.h"
#include "d3d8/formats.h"
#include "d3d8/gl/glprograms.h"
#include "d3d8/gl/gltargets.h"
#include "win32/glwindow.h"

namespace d3d8 {

namespace {

using namespace d3d8::gl;

struct GlTexture {
    GLuint name = 0;
    unsigned long long version = 0;
};
struct GlBuffer {
    GLuint name = 0;
    unsigned long long version = 0;
};

enum UniformSlot {
    kUPixel, kUViewport, kUDepthRange, kUWorld, kUView, kUProj, kUMatDiffuse, kUMatAmbient, kUMatSpecular,
    kUMatEmissive, kUMatPower, kUAmbient, kUFog, kULights, kUTFactor, kUFogColor, kUAlphaRef, kUniformSlots
};

// Where one vertex attribute reads, as last given to the vertex array.
struct AttribSource {
    GLuint buffer = 0;
    DWORD type = ~0u;  // D3DVSDT_*; ~0 while disabled
    UINT stride = 0, offset = 0;
    bool operator==(const AttribSource&) const = default;
};

struct Program {
    GLuint name = 0;
    GLint pixel = -1, viewport = -1, depthRange = -1, world = -1, view = -1, proj = -1;
    GLint matDiffuse = -1, matAmbient = -1, matSpecular = -1, matEmissive = -1, matPower = -1, ambient = -1, fog = -1;
    GLint lightDiffuse = -1, lightSpecular = -1, lightAmbient = -1, lightPos = -1, lightDir = -1, lightAtt = -1,
          lightSpot = -1;
    GLint tfactor = -1, fogColor = -1, alphaRef = -1;
    // The values last given to each uniform of this program, so an unchanged one is not sent again.
    std::vector<float> last[kUniformSlots];
};

GLenum CompareFunc(DWORD f) {
    switch (f) {
        case D3DCMP_NEVER: return GL_NEVER;
        case D3DCMP_LESS: return GL_LESS;
        case D3DCMP_EQUAL: return GL_EQUAL;
        case D3DCMP_LESSEQUAL: return GL_LEQUAL;
        case D3DCMP_GREATER: return GL_GREATER;
        case D3DCMP_NOTEQUAL: return GL_NOTEQUAL;
        case D3DCMP_GREATEREQUAL: return GL_GEQUAL;
        default: return GL_ALWAYS;
    }
}

GLenum BlendFactor(DWORD b, bool source) {
    switch (b) {
        case D3DBLEND_ZERO: return GL_ZERO;
        case D3DBLEND_ONE: return GL_ONE;
        case D3DBLEND_SRCCOLOR: return GL_SRC_COLOR;
        case D3DBLEND_INVSRCCOLOR: return GL_ONE_MINUS_SRC_COLOR;
        case D3DBLEND_SRCALPHA: return GL_SRC_ALPHA;
        case D3DBLEND_INVSRCALPHA: return GL_ONE_MINUS_SRC_ALPHA;
        case D3DBLEND_DESTALPHA: return GL_DST_ALPHA;
        case D3DBLEND_INVDESTALPHA: return GL_ONE_MINUS_DST_ALPHA;
        case D3DBLEND_DESTCOLOR: return GL_DST_COLOR;
        case D3DBLEND_INVDESTCOLOR: return GL_ONE_MINUS_DST_COLOR;
        case D3DBLEND_SRCALPHASAT: return GL_SRC_ALPHA_SATURATE;
        case D3DBLEND_BOTHSRCALPHA: return source ? GL_SRC_ALPHA : GL_ONE_MINUS_SRC_ALPHA;
        case D3DBLEND_BOTHINVSRCALPHA: return source ? GL_ONE_MINUS_SRC_ALPHA : GL_SRC_ALPHA;
        default: return source ? GL_ONE : GL_ZERO;
    }
}

GLenum StencilOp(DWORD op) {
    switch (op) {
        case D3DSTENCILOP_ZERO: return GL_ZERO;
        case D3DSTENCILOP_REPLACE: return GL_REPLACE;
        case D3DSTENCILOP_INCRSAT: return GL_INCR;
        case D3DSTENCILOP_DECRSAT: return GL_DECR;
        case D3DSTENCILOP_INVERT: return GL_INVERT;
        case D3DSTENCILOP_INCR: return GL_INCR_WRAP;
        case D3DSTENCILOP_DECR: return GL_DECR_WRAP;
        default: return GL_KEEP;
    }
}

GLenum Address(DWORD a) {
    switch (a) {
        case D3DTADDRESS_MIRROR: return GL_MIRRORED_REPEAT;
        case D3DTADDRESS_CLAMP: return GL_CLAMP_TO_EDGE;
        case D3DTADDRESS_BORDER: return GL_CLAMP_TO_BORDER;
        case D3DTADDRESS_MIRRORONCE: return GL_MIRRORED_REPEAT;
        default: return GL_REPEAT;
    }
}

GLenum Primitive(D3DPRIMITIVETYPE t) {
    switch (t) {
        case D3DPT_POINTLIST: return GL_POINTS;
        case D3DPT_LINELIST: return GL_LINES;
        case D3DPT_LINESTRIP: return GL_LINE_STRIP;
        case D3DPT_TRIANGLESTRIP: return GL_TRIANGLE_STRIP;
        case D3DPT_TRIANGLEFAN: return GL_TRIANGLE_FAN;
        default: return GL_TRIANGLES;
    }
}

struct TexFormat {
    GLenum internal, format, type;
    bool opaque;   // alpha reads as 1 whatever the padding bits hold
    bool luminance;
};

bool TextureFormatOf(D3DFORMAT f, TexFormat& out) {
    switch (f) {
        case D3DFMT_A8R8G8B8: out = {GL_RGBA8, GL_BGRA, GL_UNSIGNED_BYTE, false, false}; return true;
        case D3DFMT_X8R8G8B8: out = {GL_RGBA8, GL_BGRA, GL_UNSIGNED_BYTE, true, false}; return true;
        case D3DFMT_R5G6B5: out = {GL_RGB565, GL_RGB, GL_UNSIGNED_SHORT_5_6_5, true, false}; return true;
        case D3DFMT_X1R5G5B5: out = {GL_RGB5_A1, GL_BGRA, GL_UNSIGNED_SHORT_1_5_5_5_REV, true, false}; return true;
        case D3DFMT_A1R5G5B5: out = {GL_RGB5_A1, GL_BGRA, GL_UNSIGNED_SHORT_1_5_5_5_REV, false, false}; return true;
        case D3DFMT_A4R4G4B4: out = {GL_RGBA4, GL_BGRA, GL_UNSIGNED_SHORT_4_4_4_4_REV, false, false}; return true;
        case D3DFMT_X4R4G4B4: out = {GL_RGBA4, GL_BGRA, GL_UNSIGNED_SHORT_4_4_4_4_REV, true, false}; return true;
        case D3DFMT_L8: out = {GL_R8, GL_RED, GL_UNSIGNED_BYTE, true, true}; return true;
        case D3DFMT_A8: out = {GL_R8, GL_RED, GL_UNSIGNED_BYTE, false, false}; return true;
        case D3DFMT_A8L8: out = {GL_RG8, GL_RG, GL_UNSIGNED_BYTE, false, true}; return true;
        default: return false;
    }
}

GLuint Compile(GLenum type, const std::string& source) {
    GLuint s = glCreateShader(type);
    const char* text = source.c_str();
    glShaderSource(s, 1, &text, nullptr);
    glCompileShader(s);
    GLint ok = 0;
    glGetShaderiv(s, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        char log[2048];
        glGetShaderInfoLog(s, sizeof(log), nullptr, log);
        std::fprintf(stderr, "d3d8 gl: shader compile failed: %s\n", log);
        glDeleteShader(s);
        return 0;
    }
    return s;
}

class GlBackend final : public Backend {
public:
    explicit GlBackend(DeviceImpl& device) : device_(device) {}
    ~GlBackend() override;

    HRESULT Create(const D3DPRESENT_PARAMETERS& pp) override;
    HRESULT Reset(const D3DPRESENT_PARAMETERS& pp) override;
    HRESULT Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z, DWORD stencil) override;
    HRESULT Draw(const DrawCall& call) override;
    HRESULT Present() override;
    HRESULT ReadBack(SurfaceImpl* surface) override;
    void ForgetTexture(const TextureImpl* t) override { Drop(textures_, t, true); }
    void ForgetVertexBuffer(const VertexBufferImpl* b) override { Drop(buffers_, b, false); }
    void ForgetIndexBuffer(const IndexBufferImpl* b) override { Drop(buffers_, b, false); }
    void ForgetShader(const VertexShader* s) override;
    std::optional<GlObjectCounts> GlObjects() const override;
    void SetCursorVisible(bool visible) override { SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE); }

private:
    template <class Map>
    void Drop(Map& map, const void* key, bool texture) {
        auto it = map.find(key);
        if (it == map.end()) return;
        if (current_) {
            if (texture) glDeleteTextures(1, &it->second.name);
            else glDeleteBuffers(1, &it->second.name);
        }
        Unbound(it->second.name, texture);
        map.erase(it);
    }
    bool MakeCurrent();
    HRESULT BuildTargets(const D3DPRESENT_PARAMETERS& pp);
    void ApplyState(const DeviceState& s);
    Program* ProgramFor(const DeviceState& s);
    GLuint VertexStage(const DeviceState& s);
    void BindTextures(const DeviceState& s);
    GLuint BufferFor(const VertexBufferImpl* b);
    GLuint IndexBufferFor(const IndexBufferImpl* b);
    void SetupAttributes(const DeviceState& s, const DrawCall& call, GLuint upBuffer);
    void SetUniforms(Program& p, const DeviceState& s);
    // Bindings through the caches below.
    void BindArrayBuffer(GLuint name);
    void BindElementBuffer(GLuint name);
    void BindTexture(int unit, GLuint name);
    void UseProgram(GLuint name);
    // A deleted name leaves the caches: GL unbinds it, and a new object may get the same name.
    void Unbound(GLuint name, bool texture);
    // After code outside the backend has used the context (the overlay at present).
    void ForgetGlobalBindings();
    void UploadConstants(const DeviceState& s);

    DeviceImpl& device_;
    bool current_ = false;
    GlTargets targets_;
    GLuint vao_ = 0, ubo_ = 0, upVertices_ = 0, upIndices_ = 0, white_ = 0;
    GLuint samplers_[2] = {};
    DWORD samplerState_[2][5] = {};
    float uploadedConstants_[96][4] = {};
    bool constantsValid_ = false;
    std::unordered_map<const void*, GlTexture> textures_;
    std::unordered_map<const void*, GlBuffer> buffers_;
    std::map<const VertexShader*, GLuint> shaderStages_;
    std::map<FixedKey, GLuint> fixedStages_;
    std::map<std::pair<GLuint, PixelKey>, Program> programs_;
    GLuint currentProgram_ = 0;
    // Bindings as last made: the array buffer and textures are context state, the element buffer and
    // the attributes belong to vao_, which only this backend binds.
    static constexpr GLuint kUnknown = ~0u;
    GLuint arrayBuffer_ = kUnknown, elementBuffer_ = kUnknown;
    GLuint boundTextures_[2] = {kUnknown, kUnknown};
    int activeUnit_ = -1;
    bool samplersBound_ = false;
    AttribSource attribs_[16];
    // Applied GL state, so an unchanged state costs nothing.
    struct Applied {
        int depthTest = -1, depthMask = -1, depthFunc = -1, cull = -1, fill = -1, blend = -1, srcBlend = -1,
            dstBlend = -1, blendOp = -1, colorMask = -1, stencil = -1;
        D3DVIEWPORT8 viewport{~0u, ~0u, ~0u, ~0u, -1.0f, -1.0f};
    } applied_;
};

GlBackend::~GlBackend() {
    if (!MakeCurrent()) return;
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

std::optional<GlObjectCounts> GlBackend::GlObjects() const {
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
    return c;
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
    constantsValid_ = false;
    return BuildTargets(pp);
}

HRESULT GlBackend::Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z, DWORD stencil) {
    const DeviceState& s = device_.State();
    targets_.BindForDrawing();
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

void GlBackend::ApplyState(const DeviceState& s) {
    const auto& rs = s.renderStates;
    auto set = [](int& cache, int value, auto&& apply) {
        if (cache != value) {
            cache = value;
            apply(value);
        }
    };
    set(applied_.depthTest, targets_.HasDepth() && rs[D3DRS_ZENABLE] != D3DZB_FALSE,
        [](int on) { on ? glEnable(GL_DEPTH_TEST) : glDisable(GL_DEPTH_TEST); });
    set(applied_.depthMask, rs[D3DRS_ZWRITEENABLE] != 0, [](int on) { glDepthMask(on ? GL_TRUE : GL_FALSE); });
    set(applied_.depthFunc, static_cast<int>(rs[D3DRS_ZFUNC]), [](int f) { glDepthFunc(CompareFunc(f)); });
    // Winding as seen on screen is kept by the y flip, so Direct3D clockwise is GL clockwise;
    // CCW culling culls GL back faces.
    set(applied_.cull, static_cast<int>(rs[D3DRS_CULLMODE]), [](int c) {
        if (c == D3DCULL_NONE) {
            glDisable(GL_CULL_FACE);
            return;
        }
        glEnable(GL_CULL_FACE);
        glFrontFace(GL_CW);
        glCullFace(c == D3DCULL_CCW ? GL_BACK : GL_FRONT);
    });
    set(applied_.fill, static_cast<int>(rs[D3DRS_FILLMODE]), [](int f) {
        glPolygonMode(GL_FRONT_AND_BACK, f == D3DFILL_POINT ? GL_POINT : f == D3DFILL_WIREFRAME ? GL_LINE : GL_FILL);
    });
    set(applied_.blend, rs[D3DRS_ALPHABLENDENABLE] != 0,
        [](int on) { on ? glEnable(GL_BLEND) : glDisable(GL_BLEND); });
    if (rs[D3DRS_ALPHABLENDENABLE]) {
        int src = static_cast<int>(rs[D3DRS_SRCBLEND]), dst = static_cast<int>(rs[D3DRS_DESTBLEND]);
        if (applied_.srcBlend != src || applied_.dstBlend != dst) {
            applied_.srcBlend = src;
            applied_.dstBlend = dst;
            GLenum s = BlendFactor(src, true), d = BlendFactor(dst, false);
            if (src == D3DBLEND_BOTHSRCALPHA || src == D3DBLEND_BOTHINVSRCALPHA) d = BlendFactor(src, false);
            glBlendFunc(s, d);
        }
        set(applied_.blendOp, static_cast<int>(rs[D3DRS_BLENDOP]), [](int op) {
            GLenum e = op == D3DBLENDOP_SUBTRACT      ? GL_FUNC_SUBTRACT
                       : op == D3DBLENDOP_REVSUBTRACT ? GL_FUNC_REVERSE_SUBTRACT
                       : op == D3DBLENDOP_MIN         ? GL_MIN
                       : op == D3DBLENDOP_MAX         ? GL_MAX
                                                      : GL_FUNC_ADD;
            glBlendEquation(e);
        });
    }
    set(applied_.colorMask, static_cast<int>(rs[D3DRS_COLORWRITEENABLE] & 0xF), [](int m) {
        glColorMask((m & 1) != 0, (m & 2) != 0, (m & 4) != 0, (m & 8) != 0);
    });
    bool stencil = targets_.HasStencil() && rs[D3DRS_STENCILENABLE];
    set(applied_.stencil, stencil, [](int on) { on ? glEnable(GL_STENCIL_TEST) : glDisable(GL_STENCIL_TEST); });
    if (stencil) {
        glStencilFunc(CompareFunc(rs[D3DRS_STENCILFUNC]), static_cast<GLint>(rs[D3DRS_STENCILREF]),
                      rs[D3DRS_STENCILMASK]);
        glStencilOp(StencilOp(rs[D3DRS_STENCILFAIL]), StencilOp(rs[D3DRS_STENCILZFAIL]),
                    StencilOp(rs[D3DRS_STENCILPASS]));
        glStencilMask(rs[D3DRS_STENCILWRITEMASK]);
    }
    const D3DVIEWPORT8& vp = s.viewport;
    if (std::memcmp(&vp, &applied_.viewport, sizeof(vp)) != 0) {
        applied_.viewport = vp;
        glViewport(vp.X, static_cast<GLint>(targets_.Height()) - static_cast<GLint>(vp.Y + vp.Height), vp.Width, vp.Height);
        glDepthRange(vp.MinZ, vp.MaxZ);
    }
}

GLuint GlBackend::VertexStage(const DeviceState& s) {
    if (s.shader && !s.shader->function.empty()) {
        auto it = shaderStages_.find(s.shader.get());
        if (it != shaderStages_.end()) return it->second;
        VsProgram program;
        const auto& fn = s.shader->function;
        GLuint stage = 0;
        if (DecodeVertexShader(fn.data(), fn.size(), &program)) {
            DWORD inputs = 0;
            for (const auto& e : s.shader->elements) inputs |= 1u << e.reg;
            stage = Compile(GL_VERTEX_SHADER, TranslateVertexShader(program, inputs));
        }
        shaderStages_[s.shader.get()] = stage;
        return stage;
    }
    FixedKey key = MakeFixedKey(s);
    if (s.shader) key.fvf = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_TEX1;  // declaration-only shader
    auto it = fixedStages_.find(key);
    if (it != fixedStages_.end()) return it->second;
    GLuint stage = Compile(GL_VERTEX_SHADER, FixedVertexShader(key));
    fixedStages_[key] = stage;
    return stage;
}

Program* GlBackend::ProgramFor(const DeviceState& s) {
    GLuint vs = VertexStage(s);
    if (!vs) return nullptr;
    PixelKey pk = MakePixelKey(s);
    auto key = std::make_pair(vs, pk);
    auto it = programs_.find(key);
    if (it != programs_.end()) return it->second.name ? &it->second : nullptr;
    Program p;
    GLuint fs = Compile(GL_FRAGMENT_SHADER, PixelShader(pk));
    if (fs) {
        p.name = glCreateProgram();
        glAttachShader(p.name, vs);
        glAttachShader(p.name, fs);
        glLinkProgram(p.name);
        glDetachShader(p.name, vs);
        glDetachShader(p.name, fs);
        glDeleteShader(fs);
        GLint ok = 0;
        glGetProgramiv(p.name, GL_LINK_STATUS, &ok);
        if (!ok) {
            char log[2048];
            glGetProgramInfoLog(p.name, sizeof(log), nullptr, log);
            std::fprintf(stderr, "d3d8 gl: program link failed: %s\n", log);
            glDeleteProgram(p.name);
            p.name = 0;
        }
    }
    if (p.name) {
        GLuint block = glGetUniformBlockIndex(p.name, "Constants");
        if (block != GL_INVALID_INDEX) glUniformBlockBinding(p.name, block, 0);
        auto loc = [&](const char* n) { return glGetUniformLocation(p.name, n); };
        p.pixel = loc("uPixel");
        p.viewport = loc("uViewport");
        p.depthRange = loc("uDepthRange");
        p.world = loc("uWorld");
        p.view = loc("uView");
        p.proj = loc("uProj");
        p.matDiffuse = loc("uMatDiffuse");
        p.matAmbient = loc("uMatAmbient");
        p.matSpecular = loc("uMatSpecular");
        p.matEmissive = loc("uMatEmissive");
        p.matPower = loc("uMatPower");
        p.ambient = loc("uAmbient");
        p.fog = loc("uFog");
        p.lightDiffuse = loc("uLightDiffuse");
        p.lightSpecular = loc("uLightSpecular");
        p.lightAmbient = loc("uLightAmbient");
        p.lightPos = loc("uLightPos");
        p.lightDir = loc("uLightDir");
        p.lightAtt = loc("uLightAtt");
        p.lightSpot = loc("uLightSpot");
        p.tfactor = loc("uTFactor");
        p.fogColor = loc("uFogColor");
        p.alphaRef = loc("uAlphaRef");
        UseProgram(p.name);
        glUniform1i(loc("uTex0"), 0);
        glUniform1i(loc("uTex1"), 1);
    }
    auto& stored = programs_[key] = p;
    return stored.name ? &stored : nullptr;
}

void GlBackend::ForgetShader(const VertexShader* s) {
    auto it = shaderStages_.find(s);
    if (it == shaderStages_.end()) return;
    if (MakeCurrent()) {
        for (auto p = programs_.begin(); p != programs_.end();) {
            if (p->first.first == it->second) {
                if (currentProgram_ == p->second.name) currentProgram_ = 0;
                glDeleteProgram(p->second.name);
                p = programs_.erase(p);
            } else {
                ++p;
            }
        }
        glDeleteShader(it->second);
    }
    shaderStages_.erase(it);
}

namespace {

// Whether `values` differ from what the program was last given in `slot`; remembers them if so.
bool Changed(Program& p, UniformSlot slot, const float* values, size_t count) {
    std::vector<float>& last = p.last[slot];
    if (last.size() == count && std::memcmp(last.data(), values, count * sizeof(float)) == 0) return false;
    last.assign(values, values + count);
    return true;
}

void ColorFloats(D3DCOLOR c, float* out) {
    out[0] = ((c >> 16) & 0xFF) / 255.0f;
    out[1] = ((c >> 8) & 0xFF) / 255.0f;
    out[2] = (c & 0xFF) / 255.0f;
    out[3] = ((c >> 24) & 0xFF) / 255.0f;
}

}  // namespace

void GlBackend::SetUniforms(Program& p, const DeviceState& s) {
    const D3DVIEWPORT8& vp = s.viewport;
    const auto& rs = s.renderStates;
    float v[4];
    auto vec = [&](GLint loc, UniformSlot slot, size_t n, auto&& upload) {
        if (loc >= 0 && Changed(p, slot, v, n)) upload();
    };
    v[0] = 1.0f / vp.Width, v[1] = 1.0f / vp.Height;
    vec(p.pixel, kUPixel, 2, [&] { glUniform2fv(p.pixel, 1, v); });
    if (p.fogColor >= 0) {
        ColorFloats(rs[D3DRS_FOGCOLOR], v);
        vec(p.fogColor, kUFogColor, 3, [&] { glUniform3fv(p.fogColor, 1, v); });
    }
    v[0] = static_cast<float>(rs[D3DRS_ALPHAREF] & 0xFF);
    vec(p.alphaRef, kUAlphaRef, 1, [&] { glUniform1f(p.alphaRef, v[0]); });
    if (p.tfactor >= 0) {
        ColorFloats(rs[D3DRS_TEXTUREFACTOR], v);
        vec(p.tfactor, kUTFactor, 4, [&] { glUniform4fv(p.tfactor, 1, v); });
    }
    v[0] = static_cast<float>(vp.X), v[1] = static_cast<float>(vp.Y), v[2] = static_cast<float>(vp.Width),
    v[3] = static_cast<float>(vp.Height);
    vec(p.viewport, kUViewport, 4, [&] { glUniform4fv(p.viewport, 1, v); });
    v[0] = vp.MinZ, v[1] = vp.MaxZ;
    vec(p.depthRange, kUDepthRange, 2, [&] { glUniform2fv(p.depthRange, 1, v); });
    if (p.world < 0) return;  // a token shader reads only the constant block
    auto matrix = [&](GLint loc, UniformSlot slot, D3DTRANSFORMSTATETYPE t) {
        const float* m = &s.transforms[t].m[0][0];
        if (loc >= 0 && Changed(p, slot, m, 16)) glUniformMatrix4fv(loc, 1, GL_FALSE, m);
    };
    matrix(p.world, kUWorld, D3DTS_WORLD);
    matrix(p.view, kUView, D3DTS_VIEW);
    matrix(p.proj, kUProj, D3DTS_PROJECTION);
    const D3DMATERIAL8& m = s.material;
    auto material = [&](GLint loc, UniformSlot slot, const D3DCOLORVALUE& c) {
        if (loc >= 0 && Changed(p, slot, &c.r, 4)) glUniform4fv(loc, 1, &c.r);
    };
    material(p.matDiffuse, kUMatDiffuse, m.Diffuse);
    material(p.matAmbient, kUMatAmbient, m.Ambient);
    material(p.matSpecular, kUMatSpecular, m.Specular);
    material(p.matEmissive, kUMatEmissive, m.Emissive);
    v[0] = m.Power;
    vec(p.matPower, kUMatPower, 1, [&] { glUniform1f(p.matPower, v[0]); });
    if (p.ambient >= 0) {
        ColorFloats(rs[D3DRS_AMBIENT], v);
        vec(p.ambient, kUAmbient, 4, [&] { glUniform4fv(p.ambient, 1, v); });
    }
    if (p.fog >= 0) {
        v[0] = BitsFloat(rs[D3DRS_FOGSTART]), v[1] = BitsFloat(rs[D3DRS_FOGEND]), v[2] = BitsFloat(rs[D3DRS_FOGDENSITY]);
        v[3] = 0.0f;
        vec(p.fog, kUFog, 4, [&] { glUniform4fv(p.fog, 1, v); });
    }
    if (p.lightDiffuse < 0 && p.lightAmbient < 0) return;
    // One block for all light arrays: diffuse, specular, ambient, attenuation (4 each), position,
    // direction, spot (3 each), for 8 lights.
    float lights[8 * 25] = {};
    float *dif = lights, *spe = lights + 32, *amb = lights + 64, *att = lights + 96, *pos = lights + 128,
          *dir = lights + 152, *spot = lights + 176;
    const D3DMATRIX& view = s.transforms[D3DTS_VIEW];
    int n = 0;
    for (const auto& [index, slot] : s.lights) {
        if (!slot.enabled || n >= 8) continue;
        const D3DLIGHT8& l = slot.light;
        std::memcpy(dif + 4 * n, &l.Diffuse, 16);
        std::memcpy(spe + 4 * n, &l.Specular, 16);
        std::memcpy(amb + 4 * n, &l.Ambient, 16);
        // Lights live in world space; lighting runs in view space.
        const float P[3] = {l.Position.x, l.Position.y, l.Position.z}, D[3] = {l.Direction.x, l.Direction.y, l.Direction.z};
        for (int j = 0; j < 3; ++j) {
            pos[3 * n + j] = P[0] * view.m[0][j] + P[1] * view.m[1][j] + P[2] * view.m[2][j] + view.m[3][j];
            dir[3 * n + j] = D[0] * view.m[0][j] + D[1] * view.m[1][j] + D[2] * view.m[2][j];
        }
        att[4 * n] = l.Range;
        att[4 * n + 1] = l.Attenuation0;
        att[4 * n + 2] = l.Attenuation1;
        att[4 * n + 3] = l.Attenuation2;
        spot[3 * n] = std::cos(l.Theta / 2);
        spot[3 * n + 1] = std::cos(l.Phi / 2);
        spot[3 * n + 2] = l.Falloff;
        ++n;
    }
    if (n == 0 || !Changed(p, kULights, lights, std::size(lights))) return;
    glUniform4fv(p.lightDiffuse, n, dif);
    glUniform4fv(p.lightSpecular, n, spe);
    glUniform4fv(p.lightAmbient, n, amb);
    glUniform3fv(p.lightPos, n, pos);
    glUniform3fv(p.lightDir, n, dir);
    glUniform4fv(p.lightAtt, n, att);
    glUniform3fv(p.lightSpot, n, spot);
}

void GlBackend::BindTextures(const DeviceState& s) {
    for (int st = 0; st < 2; ++st) {
        TextureImpl* t = s.textures[st].get();
        GLuint name = white_;
        TexFormat f{};
        if (t && (TextureFormatOf(t->Format(), f) || IsCompressedFormat(t->Format()))) {
            GlTexture& g = textures_[t];
            if (!g.name) glGenTextures(1, &g.name);
            if (g.version != t->Version()) {
                BindTexture(st, g.name);
                auto guard = t->Guard();  // the streaming thread may be writing a frame
                g.version = t->Version();
                const auto& levels = t->Levels();
                glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, static_cast<GLint>(levels.size()) - 1);
                for (size_t i = 0; i < levels.size(); ++i) {
                    const auto& l = levels[i];
                    if (IsCompressedFormat(t->Format())) {
                        GLenum cf = t->Format() == D3DFMT_DXT1 ? GL_COMPRESSED_RGBA_S3TC_DXT1_EXT
                                    : (t->Format() == D3DFMT_DXT2 || t->Format() == D3DFMT_DXT3)
                                        ? GL_COMPRESSED_RGBA_S3TC_DXT3_EXT
                                        : GL_COMPRESSED_RGBA_S3TC_DXT5_EXT;
                        glCompressedTexImage2D(GL_TEXTURE_2D, static_cast<GLint>(i), cf, l.width, l.height, 0,
                                               static_cast<GLsizei>(l.data.size()), l.data.data());
                    } else {
                        glTexImage2D(GL_TEXTURE_2D, static_cast<GLint>(i), f.internal, l.width, l.height, 0, f.format,
                                     f.type, l.data.data());
                    }
                }
                GLint swz[4] = {GL_RED, GL_GREEN, GL_BLUE, f.opaque ? GL_ONE : GL_ALPHA};
                if (t->Format() == D3DFMT_L8) swz[0] = swz[1] = swz[2] = GL_RED;
                if (t->Format() == D3DFMT_A8L8) swz[0] = swz[1] = swz[2] = GL_RED, swz[3] = GL_GREEN;
                if (t->Format() == D3DFMT_A8) swz[0] = swz[1] = swz[2] = GL_ZERO, swz[3] = GL_RED;
                glTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_RGBA, swz);
            }
            name = g.name;
        }
        BindTexture(st, name);
        const auto& tss = s.stageStates[st];
        DWORD want[5] = {tss[D3DTSS_ADDRESSU], tss[D3DTSS_ADDRESSV], tss[D3DTSS_MINFILTER], tss[D3DTSS_MAGFILTER],
                         tss[D3DTSS_MIPFILTER]};
        if (std::memcmp(want, samplerState_[st], sizeof(want)) != 0) {
            std::memcpy(samplerState_[st], want, sizeof(want));
            GLuint sm = samplers_[st];
            glSamplerParameteri(sm, GL_TEXTURE_WRAP_S, Address(want[0]));
            glSamplerParameteri(sm, GL_TEXTURE_WRAP_T, Address(want[1]));
            bool linear = want[2] >= D3DTEXF_LINEAR;
            GLenum min = want[4] == D3DTEXF_NONE ? (linear ? GL_LINEAR : GL_NEAREST)
                         : want[4] == D3DTEXF_POINT ? (linear ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST)
                                                    : (linear ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR);
            glSamplerParameteri(sm, GL_TEXTURE_MIN_FILTER, min);
            glSamplerParameteri(sm, GL_TEXTURE_MAG_FILTER, want[3] >= D3DTEXF_LINEAR ? GL_LINEAR : GL_NEAREST);
        }
        if (!samplersBound_) glBindSampler(st, samplers_[st]);
    }
    samplersBound_ = true;
}

GLuint GlBackend::BufferFor(const VertexBufferImpl* b) {
    GlBuffer& g = buffers_[b];
    if (!g.name) glGenBuffers(1, &g.name);
    BindArrayBuffer(g.name);
    if (g.version != b->Version()) {
        g.version = b->Version();
        glBufferData(GL_ARRAY_BUFFER, b->Length(), b->Data().data(), GL_DYNAMIC_DRAW);
    }
    return g.name;
}

GLuint GlBackend::IndexBufferFor(const IndexBufferImpl* b) {
    GlBuffer& g = buffers_[b];
    if (!g.name) glGenBuffers(1, &g.name);
    BindElementBuffer(g.name);
    if (g.version != b->Version()) {
        g.version = b->Version();
        glBufferData(GL_ELEMENT_ARRAY_BUFFER, b->Length(), b->Data().data(), GL_DYNAMIC_DRAW);
    }
    return g.name;
}

void GlBackend::SetupAttributes(const DeviceState& s, const DrawCall& call, GLuint upBuffer) {
    AttribSource want[16];
    auto source = [&](UINT stream, UINT& stride) -> GLuint {
        if (call.upVertices) {
            stride = call.upStride;
            return stream == 0 ? upBuffer : 0;
        }
        const StreamBinding& b = s.streams[stream];
        if (!b.buffer) return 0;
        stride = b.stride;
        return BufferFor(b.buffer.get());
    };
    auto attrib = [&](GLuint loc, DWORD type, GLuint buffer, UINT stride, UINT offset) {
        if (loc < 16) want[loc] = AttribSource{buffer, type, stride, offset};
    };
    if (s.shader) {
        // A declaration-only shader feeds the fixed stage by register meaning.
        bool fixed = s.shader->function.empty();
        for (const auto& e : s.shader->elements) {
            UINT stride = 0;
            GLuint buffer = source(e.stream, stride);
            if (!buffer) continue;
            GLint loc = static_cast<GLint>(e.reg);
            if (fixed) {
                loc = e.reg == D3DVSDE_POSITION   ? kAttrPosition
                      : e.reg == D3DVSDE_NORMAL   ? kAttrNormal
                      : e.reg == D3DVSDE_DIFFUSE  ? kAttrDiffuse
                      : e.reg == D3DVSDE_SPECULAR ? kAttrSpecular
                      : e.reg >= D3DVSDE_TEXCOORD0 && e.reg < D3DVSDE_TEXCOORD0 + 4
                          ? kAttrTex0 + static_cast<GLint>(e.reg - D3DVSDE_TEXCOORD0)
                          : -1;
                if (loc < 0) continue;
            }
            attrib(static_cast<GLuint>(loc), e.type, buffer, stride, e.offset);
        }
    } else if (UINT stride = 0; GLuint buffer = source(0, stride)) {
        const DWORD fvf = s.vertexShader;
        UINT offset = 0;
        switch (fvf & D3DFVF_POSITION_MASK) {
            case D3DFVF_XYZRHW: attrib(kAttrPosition, D3DVSDT_FLOAT4, buffer, stride, 0); offset = 16; break;
            case D3DFVF_XYZ: attrib(kAttrPosition, D3DVSDT_FLOAT3, buffer, stride, 0); offset = 12; break;
            default:  // blend weights are skipped: no vertex blending here
                attrib(kAttrPosition, D3DVSDT_FLOAT3, buffer, stride, 0);
                offset = 12 + 4 * (((fvf & D3DFVF_POSITION_MASK) - D3DFVF_XYZB1) / 2 + 1);
                break;
        }
        if (fvf & D3DFVF_NORMAL) attrib(kAttrNormal, D3DVSDT_FLOAT3, buffer, stride, offset), offset += 12;
        if (fvf & D3DFVF_PSIZE) offset += 4;
        if (fvf & D3DFVF_DIFFUSE) attrib(kAttrDiffuse, D3DVSDT_D3DCOLOR, buffer, stride, offset), offset += 4;
        if (fvf & D3DFVF_SPECULAR) attrib(kAttrSpecular, D3DVSDT_D3DCOLOR, buffer, stride, offset), offset += 4;
        for (int i = 0; i < FvfTexCoordCount(fvf); ++i) {
            int size = FvfTexCoordSize(fvf, i);
            if (i < kTexSets) attrib(kAttrTex0 + i, D3DVSDT_FLOAT1 + size - 1, buffer, stride, offset);
            offset += 4 * size;
        }
    }
    // Only what differs from the vertex array's present layout reaches GL.
    for (GLuint loc = 0; loc < 16; ++loc) {
        const AttribSource& w = want[loc];
        AttribSource& have = attribs_[loc];
        if (w == have) continue;
        if (w.type == kUnknown) {
            glDisableVertexAttribArray(loc);
            have = w;
            continue;
        }
        if (have.type == kUnknown) glEnableVertexAttribArray(loc);
        have = w;
        BindArrayBuffer(w.buffer);
        const void* p = reinterpret_cast<const void*>(static_cast<std::uintptr_t>(w.offset));
        switch (w.type) {
            case D3DVSDT_FLOAT1: glVertexAttribPointer(loc, 1, GL_FLOAT, GL_FALSE, w.stride, p); break;
            case D3DVSDT_FLOAT2: glVertexAttribPointer(loc, 2, GL_FLOAT, GL_FALSE, w.stride, p); break;
            case D3DVSDT_FLOAT3: glVertexAttribPointer(loc, 3, GL_FLOAT, GL_FALSE, w.stride, p); break;
            case D3DVSDT_FLOAT4: glVertexAttribPointer(loc, 4, GL_FLOAT, GL_FALSE, w.stride, p); break;
            case D3DVSDT_D3DCOLOR: glVertexAttribPointer(loc, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, w.stride, p); break;
            case D3DVSDT_UBYTE4: glVertexAttribPointer(loc, 4, GL_UNSIGNED_BYTE, GL_FALSE, w.stride, p); break;
            case D3DVSDT_SHORT2: glVertexAttribPointer(loc, 2, GL_SHORT, GL_FALSE, w.stride, p); break;
            case D3DVSDT_SHORT4: glVertexAttribPointer(loc, 4, GL_SHORT, GL_FALSE, w.stride, p); break;
            default: break;
        }
    }
}

HRESULT GlBackend::Draw(const DrawCall& call) {
    // The back buffer, vao_ and the constant block stay bound between calls (see BuildTargets).
    const DeviceState& s = device_.State();
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
        glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(count) * call.upStride, call.upVertices,
                     GL_STREAM_DRAW);
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
        glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(call.indexCount) * (wide ? 4 : 2),
                     call.upIndices, GL_STREAM_DRAW);
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

// Only the registers from the first to the last changed one go to the driver: a draw typically
// moves a matrix or two of the 96 registers.
void GlBackend::UploadConstants(const DeviceState& s) {
    constexpr size_t kRegister = sizeof(uploadedConstants_[0]);
    auto same = [&](size_t i) { return std::memcmp(uploadedConstants_[i], s.constants[i].data(), kRegister) == 0; };
    size_t first = 0, last = 96;
    if (constantsValid_) {
        while (first < 96 && same(first)) ++first;
        if (first == 96) return;
        while (same(last - 1)) --last;
    }
    for (size_t i = first; i < last; ++i) std::memcpy(uploadedConstants_[i], s.constants[i].data(), kRegister);
    glBindBuffer(GL_UNIFORM_BUFFER, ubo_);
    glBufferSubData(GL_UNIFORM_BUFFER, static_cast<GLintptr>(first * kRegister),
                    static_cast<GLsizeiptr>((last - first) * kRegister), uploadedConstants_[first]);
    constantsValid_ = true;
}

HRESULT GlBackend::Present() {
    HWND hwnd = device_.Window();
    if (!MakeCurrent()) return D3DERR_INVALIDCALL;
    win32::GlPresentTarget window;
    if (!win32::GlGetPresentTarget(hwnd, &window)) return D3DERR_INVALIDCALL;
    targets_.CopyToWindow(window.client);
    win32::GlPresentWindow(hwnd);
    ForgetGlobalBindings();
    // The window may have changed size since the frame began.
    if (win32::GlGetPresentTarget(hwnd, &window)) targets_.Choose(window);
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

}  // namespace

std::unique_ptr<Backend> MakeGlBackend(DeviceImpl& device) { return std::make_unique<GlBackend>(device); }

}  // namespace d3d8
