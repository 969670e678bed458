// IDirect3D8: adapters (SDL displays, or the scenario's), their modes, the Check* answers, caps and
// device creation. Which backend an object is made with is chosen in choose.cpp.
#pragma once

#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "d3d8/backend.h"

namespace d3d8 {

struct AdapterInfo {
    std::string description;
    std::string driver;
    int display = 0;  // SDL display index
    D3DDISPLAYMODE desktop{};
    std::vector<D3DDISPLAYMODE> modes;
    std::optional<D3DCAPS8> halCaps, refCaps;
};

// Runs `fn` once a backend has loaded its driver (at once when one has; never on a backend without
// one). For loading other large modules in the background without holding up the driver's own
// loading: both take the dynamic loader's lock.
void WhenDriverLoaded(void (*fn)());

D3DCAPS8 BuiltinCaps(UINT adapter, D3DDEVTYPE type, int maxTextureSize);

class Backend;
class DeviceImpl;

// What a Direct3D object knows of the backend its devices draw with.
struct BackendProfile {
    std::unique_ptr<Backend> (*make)(DeviceImpl& device) = nullptr;
    int maxSamples = 4;         // the most samples CheckDeviceMultiSampleType allows
    int maxTextureSize = 2048;  // for the built-in caps
    std::string renderer;       // what the display's adapters are named after
    // What the backend keeps loaded while the object lives (the gl backend: the display and its
    // GL library), released with the object.
    std::shared_ptr<const void> hold;
};

class Direct3D8Impl final : public win32::RefCounted<IDirect3D8> {
public:
    Direct3D8Impl(BackendProfile backend, std::vector<AdapterInfo> adapters,
                  std::shared_ptr<const RecordScenario> scenario);

    HRESULT QueryInterface(REFIID riid, void** ppv) override;
    HRESULT RegisterSoftwareDevice(void*) override;
    UINT GetAdapterCount() override;
    HRESULT GetAdapterIdentifier(UINT Adapter, DWORD Flags, D3DADAPTER_IDENTIFIER8* pIdentifier) override;
    UINT GetAdapterModeCount(UINT Adapter) override;
    HRESULT EnumAdapterModes(UINT Adapter, UINT Mode, D3DDISPLAYMODE* pMode) override;
    HRESULT GetAdapterDisplayMode(UINT Adapter, D3DDISPLAYMODE* pMode) override;
    HRESULT CheckDeviceType(UINT Adapter, D3DDEVTYPE CheckType, D3DFORMAT DisplayFormat, D3DFORMAT BackBufferFormat,
                            BOOL Windowed) override;
    HRESULT CheckDeviceFormat(UINT Adapter, D3DDEVTYPE DeviceType, D3DFORMAT AdapterFormat, DWORD Usage,
                              D3DRESOURCETYPE RType, D3DFORMAT CheckFormat) override;
    HRESULT CheckDeviceMultiSampleType(UINT Adapter, D3DDEVTYPE DeviceType, D3DFORMAT SurfaceFormat, BOOL Windowed,
                                       D3DMULTISAMPLE_TYPE MultiSampleType) override;
    HRESULT CheckDepthStencilMatch(UINT Adapter, D3DDEVTYPE DeviceType, D3DFORMAT AdapterFormat,
                                   D3DFORMAT RenderTargetFormat, D3DFORMAT DepthStencilFormat) override;
    HRESULT GetDeviceCaps(UINT Adapter, D3DDEVTYPE DeviceType, D3DCAPS8* pCaps) override;
    HMONITOR GetAdapterMonitor(UINT Adapter) override;
    HRESULT CreateDevice(UINT Adapter, D3DDEVTYPE DeviceType, HWND hFocusWindow, DWORD BehaviorFlags,
                         D3DPRESENT_PARAMETERS* pPresentationParameters,
                         IDirect3DDevice8** ppReturnedDeviceInterface) override;

    const BackendProfile& Profile() const { return backend_; }
    const RecordScenario* Scenario() const { return scenario_.get(); }
    const AdapterInfo& Adapter(UINT i) const { return adapters_[i]; }
    // The mode a full-screen device shows (GetAdapterDisplayMode answers it while set).
    void SetFullscreenMode(UINT adapter, const D3DDISPLAYMODE* mode);

private:
    ~Direct3D8Impl() = default;
    bool ValidType(D3DDEVTYPE t) const { return t == D3DDEVTYPE_HAL || t == D3DDEVTYPE_REF; }

    BackendProfile backend_;
    std::vector<AdapterInfo> adapters_;
    std::vector<std::optional<D3DDISPLAYMODE>> fullscreenModes_;
    std::shared_ptr<const RecordScenario> scenario_;
};

}  // namespace d3d8
