// Device state setters and getters, and state blocks. While a state block records, setters write
// into the block only: the device's current state stays as it was.
#include <cmath>

#include "d3d8/device.h"

namespace d3d8 {

namespace {

D3DMATRIX Multiply(const D3DMATRIX& a, const D3DMATRIX& b) {
    D3DMATRIX r{};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            float s = 0;
            for (int k = 0; k < 4; ++k) s += a.m[i][k] * b.m[k][j];
            r.m[i][j] = s;
        }
    return r;
}

bool ValidTransform(DWORD t) {
    return t == D3DTS_VIEW || t == D3DTS_PROJECTION || (t >= D3DTS_TEXTURE0 && t <= D3DTS_TEXTURE7) ||
           (t >= 256 && t < 512);
}

}  // namespace

HRESULT DeviceImpl::SetTransform(D3DTRANSFORMSTATETYPE t, const D3DMATRIX* m) {
    if (!m || !ValidTransform(t)) return D3DERR_INVALIDCALL;
    LogCall("SetTransform", {t});
    Target().transforms[t] = *m;
    if (auto* mask = RecordMask()) mask->transforms.set(t);
    return D3D_OK;
}

HRESULT DeviceImpl::GetTransform(D3DTRANSFORMSTATETYPE t, D3DMATRIX* m) {
    if (!m || !ValidTransform(t)) return D3DERR_INVALIDCALL;
    *m = state_.transforms[t];
    return D3D_OK;
}

HRESULT DeviceImpl::MultiplyTransform(D3DTRANSFORMSTATETYPE t, const D3DMATRIX* m) {
    if (!m || !ValidTransform(t)) return D3DERR_INVALIDCALL;
    D3DMATRIX r = Multiply(*m, Target().transforms[t]);
    return SetTransform(t, &r);
}

HRESULT DeviceImpl::SetViewport(const D3DVIEWPORT8* vp) {
    if (!vp || vp->Width == 0 || vp->Height == 0 || vp->X + vp->Width > params_.BackBufferWidth ||
        vp->Y + vp->Height > params_.BackBufferHeight || !(vp->MinZ >= 0.0f && vp->MaxZ <= 1.0f) || vp->MinZ > vp->MaxZ)
        return D3DERR_INVALIDCALL;
    LogCall("SetViewport", {vp->X, vp->Y, vp->Width, vp->Height, FloatBits(vp->MinZ), FloatBits(vp->MaxZ)});
    Target().viewport = *vp;
    if (auto* mask = RecordMask()) mask->viewport = true;
    return D3D_OK;
}

HRESULT DeviceImpl::GetViewport(D3DVIEWPORT8* vp) {
    if (!vp) return D3DERR_INVALIDCALL;
    *vp = state_.viewport;
    return D3D_OK;
}

HRESULT DeviceImpl::SetMaterial(const D3DMATERIAL8* m) {
    if (!m) return D3DERR_INVALIDCALL;
    LogCall("SetMaterial", {});
    Target().material = *m;
    if (auto* mask = RecordMask()) mask->material = true;
    return D3D_OK;
}

HRESULT DeviceImpl::GetMaterial(D3DMATERIAL8* m) {
    if (!m) return D3DERR_INVALIDCALL;
    *m = state_.material;
    return D3D_OK;
}

HRESULT DeviceImpl::SetLight(DWORD index, const D3DLIGHT8* light) {
    if (!light || light->Type < D3DLIGHT_POINT || light->Type > D3DLIGHT_DIRECTIONAL) return D3DERR_INVALIDCALL;
    if (light->Type != D3DLIGHT_DIRECTIONAL && !(light->Range >= 0.0f)) return D3DERR_INVALIDCALL;
    LogCall("SetLight", {index, light->Type});
    Target().lights[index].light = *light;
    if (auto* mask = RecordMask()) mask->lights[index] = true;
    return D3D_OK;
}

HRESULT DeviceImpl::GetLight(DWORD index, D3DLIGHT8* light) {
    auto it = state_.lights.find(index);
    if (!light || it == state_.lights.end()) return D3DERR_INVALIDCALL;
    *light = it->second.light;
    return D3D_OK;
}

HRESULT DeviceImpl::LightEnable(DWORD index, BOOL enable) {
    LogCall("LightEnable", {index, static_cast<DWORD>(enable)});
    DeviceState& s = Target();
    auto it = s.lights.find(index);
    if (it == s.lights.end()) {
        // Enabling a light never set gives the default light: white, directional, along +z.
        LightSlot slot;
        slot.light.Type = D3DLIGHT_DIRECTIONAL;
        slot.light.Diffuse = {1, 1, 1, 0};
        slot.light.Direction = {0, 0, 1};
        it = s.lights.emplace(index, slot).first;
    }
    it->second.enabled = enable != FALSE;
    if (auto* mask = RecordMask()) mask->lights[index] = true;
    return D3D_OK;
}

HRESULT DeviceImpl::GetLightEnable(DWORD index, BOOL* enable) {
    auto it = state_.lights.find(index);
    if (!enable || it == state_.lights.end()) return D3DERR_INVALIDCALL;
    *enable = it->second.enabled ? TRUE : FALSE;
    return D3D_OK;
}

HRESULT DeviceImpl::SetClipPlane(DWORD index, const float* plane) {
    if (!plane || index >= kClipPlanes) return D3DERR_INVALIDCALL;
    for (int i = 0; i < 4; ++i) Target().clipPlanes[index][i] = plane[i];
    if (auto* mask = RecordMask()) mask->clipPlanes.set(index);
    return D3D_OK;
}

HRESULT DeviceImpl::GetClipPlane(DWORD index, float* plane) {
    if (!plane || index >= kClipPlanes) return D3DERR_INVALIDCALL;
    for (int i = 0; i < 4; ++i) plane[i] = state_.clipPlanes[index][i];
    return D3D_OK;
}

HRESULT DeviceImpl::SetRenderState(D3DRENDERSTATETYPE s, DWORD value) {
    if (s >= kRenderStates) return D3DERR_INVALIDCALL;
    LogCall("SetRenderState", {s, value});
    Target().renderStates[s] = value;
    if (auto* mask = RecordMask()) mask->renderStates.set(s);
    return D3D_OK;
}

HRESULT DeviceImpl::GetRenderState(D3DRENDERSTATETYPE s, DWORD* value) {
    if (!value || s >= kRenderStates) return D3DERR_INVALIDCALL;
    *value = state_.renderStates[s];
    return D3D_OK;
}

HRESULT DeviceImpl::BeginStateBlock() {
    LogCall("BeginStateBlock", {});
    if (recording_) return D3DERR_INVALIDCALL;
    recording_ = std::make_unique<StateBlock>();
    recording_->values = state_;
    return D3D_OK;
}

HRESULT DeviceImpl::EndStateBlock(DWORD* token) {
    LogCall("EndStateBlock", {});
    if (!token || !recording_) return D3DERR_INVALIDCALL;
    // Keep only what was recorded, so the block holds no bindings it did not record.
    auto block = std::make_unique<StateBlock>();
    block->mask = recording_->mask;
    block->values.SetDefaults(params_.BackBufferWidth, params_.BackBufferHeight, params_.EnableAutoDepthStencil);
    CopyMasked(block->mask, recording_->values, block->values);
    recording_.reset();
    *token = nextStateBlock_++;
    stateBlocks_[*token] = std::move(block);
    return D3D_OK;
}

HRESULT DeviceImpl::ApplyStateBlock(DWORD token) {
    LogCall("ApplyStateBlock", {token});
    auto it = stateBlocks_.find(token);
    if (it == stateBlocks_.end() || recording_) return D3DERR_INVALIDCALL;
    CopyMasked(it->second->mask, it->second->values, state_);
    return D3D_OK;
}

HRESULT DeviceImpl::CaptureStateBlock(DWORD token) {
    LogCall("CaptureStateBlock", {token});
    auto it = stateBlocks_.find(token);
    if (it == stateBlocks_.end() || recording_) return D3DERR_INVALIDCALL;
    CopyMasked(it->second->mask, state_, it->second->values);
    return D3D_OK;
}

HRESULT DeviceImpl::DeleteStateBlock(DWORD token) {
    LogCall("DeleteStateBlock", {token});
    if (recording_ || stateBlocks_.erase(token) == 0) return D3DERR_INVALIDCALL;
    return D3D_OK;
}

HRESULT DeviceImpl::CreateStateBlock(D3DSTATEBLOCKTYPE type, DWORD* token) {
    if (!token || recording_) return D3DERR_INVALIDCALL;
    auto block = std::make_unique<StateBlock>();
    switch (type) {
        case D3DSBT_ALL: block->mask = StateMask::All(); break;
        case D3DSBT_PIXELSTATE: block->mask = StateMask::Pixel(); break;
        case D3DSBT_VERTEXSTATE: block->mask = StateMask::Vertex(); break;
        default: return D3DERR_INVALIDCALL;
    }
    if (type != D3DSBT_PIXELSTATE)
        for (auto& [index, slot] : state_.lights) block->mask.lights[index] = true;
    block->values.SetDefaults(params_.BackBufferWidth, params_.BackBufferHeight, params_.EnableAutoDepthStencil);
    CopyMasked(block->mask, state_, block->values);
    *token = nextStateBlock_++;
    stateBlocks_[*token] = std::move(block);
    LogCall("CreateStateBlock", {type, *token});
    return D3D_OK;
}

HRESULT DeviceImpl::SetClipStatus(const D3DCLIPSTATUS8* status) {
    if (!status) return D3DERR_INVALIDCALL;
    clipStatus_ = *status;
    return D3D_OK;
}

HRESULT DeviceImpl::GetClipStatus(D3DCLIPSTATUS8* status) {
    if (!status) return D3DERR_INVALIDCALL;
    *status = clipStatus_;
    return D3D_OK;
}

HRESULT DeviceImpl::GetTexture(DWORD stage, IDirect3DBaseTexture8** out) {
    if (!out || stage >= kStages) return D3DERR_INVALIDCALL;
    TextureImpl* t = state_.textures[stage].get();
    if (t) t->AddRef();
    *out = t;
    return D3D_OK;
}

HRESULT DeviceImpl::SetTexture(DWORD stage, IDirect3DBaseTexture8* texture) {
    if (stage >= kStages) return D3DERR_INVALIDCALL;
    TextureImpl* t = nullptr;
    if (texture) {
        t = dynamic_cast<TextureImpl*>(texture);
        if (!t || t->Device() != this || t->Pool() == D3DPOOL_SYSTEMMEM) return D3DERR_INVALIDCALL;
    }
    LogCall("SetTexture", {stage}, texture);
    Target().textures[stage].reset(t);
    if (auto* mask = RecordMask()) mask->textures.set(stage);
    return D3D_OK;
}

HRESULT DeviceImpl::GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) {
    if (!value || stage >= kStages || type >= kStageStates) return D3DERR_INVALIDCALL;
    *value = state_.stageStates[stage][type];
    return D3D_OK;
}

HRESULT DeviceImpl::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) {
    if (stage >= kStages || type >= kStageStates || type == 0) return D3DERR_INVALIDCALL;
    LogCall("SetTextureStageState", {stage, type, value});
    Target().stageStates[stage][type] = value;
    if (auto* mask = RecordMask()) mask->stageStates[stage].set(type);
    return D3D_OK;
}

HRESULT DeviceImpl::ValidateDevice(DWORD* passes) {
    if (!passes) return D3DERR_INVALIDCALL;
    *passes = 1;
    return D3D_OK;
}

HRESULT DeviceImpl::GetInfo(DWORD, void*, DWORD) { return S_FALSE; }
HRESULT DeviceImpl::SetPaletteEntries(UINT, const PALETTEENTRY*) { return D3DERR_NOTAVAILABLE; }
HRESULT DeviceImpl::GetPaletteEntries(UINT, PALETTEENTRY*) { return D3DERR_NOTAVAILABLE; }
HRESULT DeviceImpl::SetCurrentTexturePalette(UINT) { return D3DERR_NOTAVAILABLE; }
HRESULT DeviceImpl::GetCurrentTexturePalette(UINT*) { return D3DERR_NOTAVAILABLE; }

HRESULT DeviceImpl::SetVertexShaderConstant(DWORD reg, const void* data, DWORD count) {
    if (!data || reg >= kConstants || count > kConstants - reg) return D3DERR_INVALIDCALL;
    LogCall("SetVertexShaderConstant", {reg, count});
    const float* f = static_cast<const float*>(data);
    DeviceState& s = Target();
    for (DWORD i = 0; i < count; ++i)
        for (int c = 0; c < 4; ++c) s.constants[reg + i][c] = f[4 * i + c];
    if (auto* mask = RecordMask())
        for (DWORD i = 0; i < count; ++i) mask->constants.set(reg + i);
    return D3D_OK;
}

HRESULT DeviceImpl::GetVertexShaderConstant(DWORD reg, void* data, DWORD count) {
    if (!data || reg >= kConstants || count > kConstants - reg) return D3DERR_INVALIDCALL;
    float* f = static_cast<float*>(data);
    for (DWORD i = 0; i < count; ++i)
        for (int c = 0; c < 4; ++c) f[4 * i + c] = state_.constants[reg + i][c];
    return D3D_OK;
}

HRESULT DeviceImpl::SetStreamSource(UINT stream, IDirect3DVertexBuffer8* data, UINT stride) {
    if (stream >= kStreams || stride > 255) return D3DERR_INVALIDCALL;
    VertexBufferImpl* b = nullptr;
    if (data) {
        b = dynamic_cast<VertexBufferImpl*>(data);
        if (!b || b->Device() != this) return D3DERR_INVALIDCALL;
    }
    LogCall("SetStreamSource", {stream, stride}, data);
    DeviceState& s = Target();
    s.streams[stream].buffer.reset(b);
    s.streams[stream].stride = stride;
    if (auto* mask = RecordMask()) mask->streams.set(stream);
    return D3D_OK;
}

HRESULT DeviceImpl::GetStreamSource(UINT stream, IDirect3DVertexBuffer8** out, UINT* stride) {
    if (!out || !stride || stream >= kStreams) return D3DERR_INVALIDCALL;
    VertexBufferImpl* b = state_.streams[stream].buffer.get();
    if (b) b->AddRef();
    *out = b;
    *stride = state_.streams[stream].stride;
    return D3D_OK;
}

HRESULT DeviceImpl::SetIndices(IDirect3DIndexBuffer8* data, UINT base) {
    IndexBufferImpl* b = nullptr;
    if (data) {
        b = dynamic_cast<IndexBufferImpl*>(data);
        if (!b || b->Device() != this) return D3DERR_INVALIDCALL;
    }
    LogCall("SetIndices", {base}, data);
    DeviceState& s = Target();
    s.indices.reset(b);
    s.baseVertexIndex = base;
    if (auto* mask = RecordMask()) mask->indices = true;
    return D3D_OK;
}

HRESULT DeviceImpl::GetIndices(IDirect3DIndexBuffer8** out, UINT* base) {
    if (!out || !base) return D3DERR_INVALIDCALL;
    IndexBufferImpl* b = state_.indices.get();
    if (b) b->AddRef();
    *out = b;
    *base = state_.baseVertexIndex;
    return D3D_OK;
}

HRESULT DeviceImpl::CreatePixelShader(const DWORD*, DWORD* handle) {
    if (handle) *handle = 0;
    return D3DERR_NOTAVAILABLE;
}
HRESULT DeviceImpl::SetPixelShader(DWORD handle) { return handle == 0 ? D3D_OK : D3DERR_INVALIDCALL; }
HRESULT DeviceImpl::GetPixelShader(DWORD* handle) {
    if (!handle) return D3DERR_INVALIDCALL;
    *handle = 0;
    return D3D_OK;
}
HRESULT DeviceImpl::DeletePixelShader(DWORD) { return D3DERR_INVALIDCALL; }
HRESULT DeviceImpl::SetPixelShaderConstant(DWORD, const void*, DWORD) { return D3DERR_INVALIDCALL; }
HRESULT DeviceImpl::GetPixelShaderConstant(DWORD, void*, DWORD) { return D3DERR_INVALIDCALL; }
HRESULT DeviceImpl::GetPixelShaderFunction(DWORD, void*, DWORD*) { return D3DERR_INVALIDCALL; }
HRESULT DeviceImpl::DrawRectPatch(UINT, const float*, const D3DRECTPATCH_INFO*) { return D3DERR_INVALIDCALL; }
HRESULT DeviceImpl::DrawTriPatch(UINT, const float*, const D3DTRIPATCH_INFO*) { return D3DERR_INVALIDCALL; }
HRESULT DeviceImpl::DeletePatch(UINT) { return D3DERR_INVALIDCALL; }
HRESULT DeviceImpl::ProcessVertices(UINT, UINT, UINT, IDirect3DVertexBuffer8*, DWORD) { return D3DERR_INVALIDCALL; }

}  // namespace d3d8
