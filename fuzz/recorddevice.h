// The device the harnesses draw on: the record backend, 64 x 64, windowed, one per run.
#pragma once

#include <cstdint>

#include "d3d8/backend.h"
#include "d3d8/d3d8.h"

namespace fuzz {

// A new record device with the given behaviour flags (and a 16-bit depth buffer when asked);
// null when it cannot be made. It lives as long as the caller keeps it.
inline IDirect3DDevice8* CreateRecordDevice(DWORD dwBehavior, bool bDepth = false) {
    d3d8::SetBackendOverride(d3d8::BackendKind::Record);
    IDirect3D8* pD3D = Direct3DCreate8(D3D_SDK_VERSION);
    if (!pD3D) return nullptr;
    D3DPRESENT_PARAMETERS pp{};
    pp.BackBufferWidth = pp.BackBufferHeight = 64;
    pp.BackBufferFormat = D3DFMT_X8R8G8B8;
    pp.BackBufferCount = 1;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.hDeviceWindow = reinterpret_cast<HWND>(std::uintptr_t{0x1000});
    pp.Windowed = TRUE;
    pp.EnableAutoDepthStencil = bDepth;
    pp.AutoDepthStencilFormat = D3DFMT_D16;
    IDirect3DDevice8* pDevice = nullptr;
    if (FAILED(pD3D->CreateDevice(0, D3DDEVTYPE_HAL, pp.hDeviceWindow, dwBehavior, &pp, &pDevice))) pDevice = nullptr;
    pD3D->Release();  // the device keeps its own reference
    return pDevice;
}

}  // namespace fuzz
