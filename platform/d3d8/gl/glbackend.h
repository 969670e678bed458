// The gl backend: Direct3D state applied to GL with caching, programs generated and cached,
// resources uploaded when their version moves. Where frames are drawn is gltargets.h's concern.
// glbackend.cpp holds the device's life, clears, draws and presents; glstate.cpp what each draw
// sets up (render states, programs, uniforms, textures, vertex inputs).
#pragma once

#include <epoxy/gl.h>

#include <deque>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "d3d8/device.h"
#include "d3d8/gl/glprograms.h"
#include "d3d8/gl/gltargets.h"

namespace d3d8::gl {

struct GlTexture {
    GLuint name = 0;
    unsigned long long version = 0;
};
struct GlBuffer {
    GLuint name = 0;
    unsigned long long version = 0;
};

enum UniformSlot {
    kUPixel,
    kUViewport,
    kUDepthRange,
    kUWorld,
    kUView,
    kUProj,
    kUMatDiffuse,
    kUMatAmbient,
    kUMatSpecular,
    kUMatEmissive,
    kUMatPower,
    kUAmbient,
    kUFog,
    kULights,
    kUTFactor,
    kUFogColor,
    kUAlphaRef,
    kUniformSlots
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
    void SetCursorVisible(bool visible) override;
    bool OutputFocused() const override;
    GlObjectCounts LiveObjects() const;

private:
    template <class Map> void Drop(Map& map, const void* key, bool texture) {
        auto it = map.find(key);
        if (it == map.end()) return;
        if (current_) {
            if (texture)
                glDeleteTextures(1, &it->second.name);
            else
                glDeleteBuffers(1, &it->second.name);
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
    template <class Buffer> GLuint Upload(const Buffer* b, GLenum target);
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
    // Frames in flight: a fence per presented frame, oldest first. A swap that does not copy (SDL's
    // offscreen driver) returns before the rasteriser is done, so without a bound the queued frames
    // and their memory grow without limit.
    void StartFrameWork() {
        if (inFlight_.size() >= kFramesInFlight) AwaitFrames(kFramesInFlight - 1);
    }
    void AwaitFrames(size_t keep);
    void DropFences();

    DeviceImpl& device_;
    bool current_ = false;
    // Frame N starts once frame N-2 is done: N-1 may still be rasterised while N is built.
    static constexpr size_t kFramesInFlight = 2;
    std::deque<GLsync> inFlight_;
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

}  // namespace d3d8::gl
