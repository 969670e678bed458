#include "d3d8/direct3d.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "d3d8/backends.h"
#include "d3d8/device.h"
#include "d3d8/formats.h"

namespace d3d8 {

namespace {

void CopyText(char* dst, size_t size, const std::string& src) {
    size_t n = std::min(size - 1, src.size());
    std::memcpy(dst, src.data(), n);
    dst[n] = '\0';
}

struct DriverHooks {
    std::mutex mutex;
    bool loaded = false;
    std::vector<void (*)()> pending;
};

DriverHooks& Hooks() {
    static DriverHooks hooks;
    return hooks;
}

}  // namespace

void DriverLoaded() {
    std::vector<void (*)()> run;
    {
        std::lock_guard lock(Hooks().mutex);
        Hooks().loaded = true;
        run.swap(Hooks().pending);
    }
    for (auto fn : run) fn();
}

void WhenDriverLoaded(void (*fn)()) {
    {
        std::lock_guard lock(Hooks().mutex);
        if (!Hooks().loaded) {
            Hooks().pending.push_back(fn);
            return;
        }
    }
    fn();
}

D3DCAPS8 BuiltinCaps(UINT adapter, D3DDEVTYPE type, int maxTextureSize) {
    D3DCAPS8 c{};
    c.DeviceType = type;
    c.AdapterOrdinal = adapter;
    c.Caps2 = D3DCAPS2_CANRENDERWINDOWED | D3DCAPS2_DYNAMICTEXTURES | D3DCAPS2_FULLSCREENGAMMA;
    c.Caps3 = D3DCAPS3_ALPHA_FULLSCREEN_FLIP_OR_DISCARD;
    c.PresentationIntervals = D3DPRESENT_INTERVAL_IMMEDIATE | D3DPRESENT_INTERVAL_ONE;
    c.CursorCaps = D3DCURSORCAPS_COLOR;
    c.DevCaps = D3DDEVCAPS_EXECUTESYSTEMMEMORY | D3DDEVCAPS_EXECUTEVIDEOMEMORY | D3DDEVCAPS_TLVERTEXSYSTEMMEMORY |
                D3DDEVCAPS_TLVERTEXVIDEOMEMORY | D3DDEVCAPS_TEXTURESYSTEMMEMORY | D3DDEVCAPS_TEXTUREVIDEOMEMORY |
                D3DDEVCAPS_DRAWPRIMTLVERTEX | D3DDEVCAPS_CANRENDERAFTERFLIP | D3DDEVCAPS_DRAWPRIMITIVES2 |
                D3DDEVCAPS_DRAWPRIMITIVES2EX | D3DDEVCAPS_HWTRANSFORMANDLIGHT | D3DDEVCAPS_HWRASTERIZATION |
                D3DDEVCAPS_PUREDEVICE;
    c.PrimitiveMiscCaps = D3DPMISCCAPS_MASKZ | D3DPMISCCAPS_CULLNONE | D3DPMISCCAPS_CULLCW | D3DPMISCCAPS_CULLCCW |
                          D3DPMISCCAPS_COLORWRITEENABLE | D3DPMISCCAPS_BLENDOP;
    c.RasterCaps = D3DPRASTERCAPS_DITHER | D3DPRASTERCAPS_ZTEST | D3DPRASTERCAPS_FOGVERTEX | D3DPRASTERCAPS_FOGTABLE |
                   D3DPRASTERCAPS_MIPMAPLODBIAS | D3DPRASTERCAPS_ZFOG;
    c.ZCmpCaps = c.AlphaCmpCaps = 0xFF;
    c.SrcBlendCaps = c.DestBlendCaps = 0x1FFF;
    c.ShadeCaps = D3DPSHADECAPS_COLORGOURAUDRGB | D3DPSHADECAPS_SPECULARGOURAUDRGB | D3DPSHADECAPS_ALPHAGOURAUDBLEND |
                  D3DPSHADECAPS_FOGGOURAUD;
    c.TextureCaps =
        D3DPTEXTURECAPS_PERSPECTIVE | D3DPTEXTURECAPS_ALPHA | D3DPTEXTURECAPS_MIPMAP | D3DPTEXTURECAPS_PROJECTED;
    c.TextureFilterCaps = D3DPTFILTERCAPS_MINFPOINT | D3DPTFILTERCAPS_MINFLINEAR | D3DPTFILTERCAPS_MIPFPOINT |
                          D3DPTFILTERCAPS_MIPFLINEAR | D3DPTFILTERCAPS_MAGFPOINT | D3DPTFILTERCAPS_MAGFLINEAR;
    c.TextureAddressCaps =
        D3DPTADDRESSCAPS_WRAP | D3DPTADDRESSCAPS_MIRROR | D3DPTADDRESSCAPS_CLAMP | D3DPTADDRESSCAPS_INDEPENDENTUV;
    c.LineCaps = D3DLINECAPS_TEXTURE | D3DLINECAPS_ZTEST | D3DLINECAPS_BLEND | D3DLINECAPS_ALPHACMP | D3DLINECAPS_FOG;
    c.MaxTextureWidth = c.MaxTextureHeight = static_cast<DWORD>(std::min(maxTextureSize, 4096));
    c.MaxTextureRepeat = 8192;
    c.MaxTextureAspectRatio = c.MaxTextureWidth;
    c.MaxAnisotropy = 1;
    c.MaxVertexW = 1e10f;
    c.GuardBandLeft = c.GuardBandTop = -32768.0f;
    c.GuardBandRight = c.GuardBandBottom = 32767.0f;
    c.StencilCaps = 0xFF;
    c.FVFCaps = 8;
    c.TextureOpCaps = D3DTEXOPCAPS_DISABLE | D3DTEXOPCAPS_SELECTARG1 | D3DTEXOPCAPS_SELECTARG2 | D3DTEXOPCAPS_MODULATE |
                      D3DTEXOPCAPS_MODULATE2X | D3DTEXOPCAPS_MODULATE4X | D3DTEXOPCAPS_ADD;
    c.MaxTextureBlendStages = 2;
    c.MaxSimultaneousTextures = 2;
    c.VertexProcessingCaps = D3DVTXPCAPS_DIRECTIONALLIGHTS | D3DVTXPCAPS_POSITIONALLIGHTS |
                             D3DVTXPCAPS_MATERIALSOURCE7 | D3DVTXPCAPS_LOCALVIEWER;
    c.MaxActiveLights = 8;
    c.MaxUserClipPlanes = 0;
    c.MaxVertexBlendMatrices = 1;
    c.MaxPointSize = 64.0f;
    c.MaxPrimitiveCount = 0xFFFFF;
    c.MaxVertexIndex = 0xFFFFF;
    c.MaxStreams = 16;
    c.MaxStreamStride = 255;
    c.VertexShaderVersion = D3DVS_VERSION(1, 1);
    c.MaxVertexShaderConst = 96;
    c.PixelShaderVersion = 0;
    c.MaxPixelShaderValue = 0.0f;
    return c;
}

Direct3D8Impl::Direct3D8Impl(BackendProfile backend, std::vector<AdapterInfo> adapters,
                             std::shared_ptr<const RecordScenario> scenario)
    : backend_(std::move(backend)), adapters_(std::move(adapters)), fullscreenModes_(adapters_.size()),
      scenario_(std::move(scenario)) {}

HRESULT Direct3D8Impl::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDirect3D8) {
        *ppv = static_cast<IDirect3D8*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

HRESULT Direct3D8Impl::RegisterSoftwareDevice(void*) { return D3DERR_NOTAVAILABLE; }

UINT Direct3D8Impl::GetAdapterCount() { return static_cast<UINT>(adapters_.size()); }

HRESULT Direct3D8Impl::GetAdapterIdentifier(UINT adapter, DWORD flags, D3DADAPTER_IDENTIFIER8* id) {
    if (adapter >= adapters_.size() || !id || (flags & ~D3DENUM_NO_WHQL_LEVEL)) return D3DERR_INVALIDCALL;
    std::memset(id, 0, sizeof(*id));
    CopyText(id->Driver, sizeof(id->Driver), adapters_[adapter].driver);
    CopyText(id->Description, sizeof(id->Description), adapters_[adapter].description);
    id->DriverVersion.QuadPart = 0x0001000000000000LL;
    id->DeviceIdentifier.Data1 = 0xab150000u + adapter;
    return D3D_OK;
}

UINT Direct3D8Impl::GetAdapterModeCount(UINT adapter) {
    return adapter < adapters_.size() ? static_cast<UINT>(adapters_[adapter].modes.size()) : 0;
}

HRESULT Direct3D8Impl::EnumAdapterModes(UINT adapter, UINT mode, D3DDISPLAYMODE* out) {
    if (adapter >= adapters_.size() || !out || mode >= adapters_[adapter].modes.size()) return D3DERR_INVALIDCALL;
    *out = adapters_[adapter].modes[mode];
    return D3D_OK;
}

HRESULT Direct3D8Impl::GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* out) {
    if (adapter >= adapters_.size() || !out) return D3DERR_INVALIDCALL;
    *out = fullscreenModes_[adapter] ? *fullscreenModes_[adapter] : adapters_[adapter].desktop;
    return D3D_OK;
}

void Direct3D8Impl::SetFullscreenMode(UINT adapter, const D3DDISPLAYMODE* mode) {
    if (adapter >= fullscreenModes_.size()) return;
    if (mode)
        fullscreenModes_[adapter] = *mode;
    else
        fullscreenModes_[adapter].reset();
}

HRESULT Direct3D8Impl::CheckDeviceType(UINT adapter, D3DDEVTYPE type, D3DFORMAT display, D3DFORMAT backBuffer,
                                       BOOL windowed) {
    if (adapter >= adapters_.size() || !ValidType(type)) return D3DERR_INVALIDCALL;
    if (scenario_ && scenario_->checkDeviceType)
        return scenario_->checkDeviceType(adapter, type, display, backBuffer, windowed);
    if (!IsDisplayFormat(display)) return D3DERR_NOTAVAILABLE;
    if (backBuffer == display) return D3D_OK;
    if (display == D3DFMT_X8R8G8B8 && backBuffer == D3DFMT_A8R8G8B8) return D3D_OK;
    if (display == D3DFMT_X1R5G5B5 && backBuffer == D3DFMT_A1R5G5B5) return D3D_OK;
    return D3DERR_NOTAVAILABLE;
}

HRESULT Direct3D8Impl::CheckDeviceFormat(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat, DWORD usage,
                                         D3DRESOURCETYPE rtype, D3DFORMAT check) {
    if (adapter >= adapters_.size() || !ValidType(type)) return D3DERR_INVALIDCALL;
    if (scenario_ && scenario_->checkDeviceFormat)
        return scenario_->checkDeviceFormat(adapter, type, adapterFormat, usage, rtype, check);
    if (!IsDisplayFormat(adapterFormat)) return D3DERR_NOTAVAILABLE;
    if (usage & D3DUSAGE_DEPTHSTENCIL) {
        bool ok = check == D3DFMT_D16 || check == D3DFMT_D24X8 || check == D3DFMT_D24S8 || check == D3DFMT_D32;
        return ok && rtype == D3DRTYPE_SURFACE ? D3D_OK : D3DERR_NOTAVAILABLE;
    }
    if (usage & D3DUSAGE_RENDERTARGET)
        return (check == D3DFMT_X8R8G8B8 || check == D3DFMT_A8R8G8B8 || check == D3DFMT_R5G6B5) ? D3D_OK
                                                                                                : D3DERR_NOTAVAILABLE;
    if (rtype == D3DRTYPE_TEXTURE || rtype == D3DRTYPE_SURFACE)
        return IsTextureFormat(check) ? D3D_OK : D3DERR_NOTAVAILABLE;
    return D3DERR_NOTAVAILABLE;
}

HRESULT Direct3D8Impl::CheckDeviceMultiSampleType(UINT adapter, D3DDEVTYPE type, D3DFORMAT format, BOOL windowed,
                                                  D3DMULTISAMPLE_TYPE samples) {
    if (adapter >= adapters_.size() || !ValidType(type)) return D3DERR_INVALIDCALL;
    if (scenario_ && scenario_->checkMultiSample)
        return scenario_->checkMultiSample(adapter, type, format, windowed, samples);
    if (samples == D3DMULTISAMPLE_NONE) return D3D_OK;
    if (samples < D3DMULTISAMPLE_2_SAMPLES || samples > D3DMULTISAMPLE_16_SAMPLES) return D3DERR_INVALIDCALL;
    return static_cast<int>(samples) <= backend_.maxSamples ? D3D_OK : D3DERR_NOTAVAILABLE;
}

HRESULT Direct3D8Impl::CheckDepthStencilMatch(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat, D3DFORMAT target,
                                              D3DFORMAT depth) {
    if (adapter >= adapters_.size() || !ValidType(type)) return D3DERR_INVALIDCALL;
    if (scenario_ && scenario_->checkDepthStencilMatch)
        return scenario_->checkDepthStencilMatch(adapter, type, adapterFormat, target, depth);
    return IsDepthFormat(depth) ? D3D_OK : D3DERR_NOTAVAILABLE;
}

HRESULT Direct3D8Impl::GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS8* caps) {
    if (adapter >= adapters_.size() || !caps) return D3DERR_INVALIDCALL;
    if (!ValidType(type)) return D3DERR_INVALIDDEVICE;
    const auto& scripted = type == D3DDEVTYPE_HAL ? adapters_[adapter].halCaps : adapters_[adapter].refCaps;
    *caps = scripted ? *scripted : BuiltinCaps(adapter, type, backend_.maxTextureSize);
    caps->DeviceType = type;
    caps->AdapterOrdinal = adapter;
    return D3D_OK;
}

HMONITOR Direct3D8Impl::GetAdapterMonitor(UINT adapter) {
    return adapter < adapters_.size() ? reinterpret_cast<HMONITOR>(static_cast<std::uintptr_t>(adapter + 1)) : nullptr;
}

HRESULT Direct3D8Impl::CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focus, DWORD behavior,
                                    D3DPRESENT_PARAMETERS* pp, IDirect3DDevice8** out) {
    if (!out) return D3DERR_INVALIDCALL;
    *out = nullptr;
    if (adapter >= adapters_.size() || !pp) return D3DERR_INVALIDCALL;
    if (type == D3DDEVTYPE_SW) return D3DERR_NOTAVAILABLE;
    if (!ValidType(type)) return D3DERR_INVALIDCALL;
    if (!focus && !pp->hDeviceWindow) return D3DERR_INVALIDCALL;
    DWORD vp = behavior & (D3DCREATE_SOFTWARE_VERTEXPROCESSING | D3DCREATE_HARDWARE_VERTEXPROCESSING |
                           D3DCREATE_MIXED_VERTEXPROCESSING);
    if (vp != D3DCREATE_SOFTWARE_VERTEXPROCESSING && vp != D3DCREATE_HARDWARE_VERTEXPROCESSING &&
        vp != D3DCREATE_MIXED_VERTEXPROCESSING)
        return D3DERR_INVALIDCALL;
    if ((behavior & D3DCREATE_PUREDEVICE) && vp != D3DCREATE_HARDWARE_VERTEXPROCESSING) return D3DERR_INVALIDCALL;
    if (scenario_ && scenario_->inject) {
        HRESULT hr = scenario_->inject("CreateDevice");
        if (FAILED(hr)) return hr;
    }
    auto* device = new DeviceImpl(this, adapter, type, focus, behavior);
    HRESULT hr = device->Init(pp);
    if (FAILED(hr)) {
        device->Release();
        return hr;
    }
    *out = device;
    return D3D_OK;
}

}  // namespace d3d8
