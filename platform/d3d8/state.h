// The device's state as data: every render state, stage state, transform, light, material,
// binding and constant, with the Direct3D 8 defaults.
#pragma once

#include <array>
#include <bitset>
#include <cstring>
#include <map>
#include <memory>

#include "d3d8/d3d8.h"
#include "d3d8/object.h"
#include "d3d8/resources.h"

namespace d3d8 {

struct VertexShader;

constexpr int kRenderStates = 256;
constexpr int kStages = 8;
constexpr int kStageStates = 32;
constexpr int kTransforms = 512;
constexpr int kStreams = 16;
constexpr int kConstants = 96;
constexpr int kClipPlanes = 32;

struct LightSlot {
    D3DLIGHT8 light{};
    bool enabled = false;
};

struct StreamBinding {
    BindPtr<VertexBufferImpl> buffer;
    UINT stride = 0;
};

struct DeviceState {
    std::array<DWORD, kRenderStates> renderStates{};
    std::array<std::array<DWORD, kStageStates>, kStages> stageStates{};
    std::array<D3DMATRIX, kTransforms> transforms{};
    std::map<DWORD, LightSlot> lights;
    D3DMATERIAL8 material{};
    std::array<BindPtr<TextureImpl>, kStages> textures;
    std::array<StreamBinding, kStreams> streams;
    BindPtr<IndexBufferImpl> indices;
    UINT baseVertexIndex = 0;
    DWORD vertexShader = 0;                // FVF or handle
    std::shared_ptr<VertexShader> shader;  // the shader object of a handle, kept while set
    std::array<std::array<float, 4>, kConstants> constants{};
    D3DVIEWPORT8 viewport{};
    std::array<std::array<float, 4>, kClipPlanes> clipPlanes{};

    // The state of a new or reset device whose back buffer is width x height.
    void SetDefaults(UINT width, UINT height, bool autoDepth);
};

// Which parts of a DeviceState a state block holds.
struct StateMask {
    std::bitset<kRenderStates> renderStates;
    std::array<std::bitset<kStageStates>, kStages> stageStates;
    std::bitset<kTransforms> transforms;
    std::map<DWORD, bool> lights;  // index -> recorded (light value and enable)
    bool material = false;
    std::bitset<kStages> textures;
    std::bitset<kStreams> streams;
    bool indices = false;
    bool vertexShader = false;
    std::bitset<kConstants> constants;
    bool viewport = false;
    std::bitset<kClipPlanes> clipPlanes;

    static StateMask All();
    static StateMask Pixel();
    static StateMask Vertex();
};

struct StateBlock {
    StateMask mask;
    DeviceState values;
};

// Copies the masked parts of one state into another.
void CopyMasked(const StateMask& mask, const DeviceState& from, DeviceState& to);

inline DWORD FloatBits(float f) {
    DWORD d;
    std::memcpy(&d, &f, 4);
    return d;
}
inline float BitsFloat(DWORD d) {
    float f;
    std::memcpy(&f, &d, 4);
    return f;
}

D3DMATRIX IdentityMatrix();

}  // namespace d3d8
