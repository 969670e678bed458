// The game application started on a record device, as the framework would start it.
#pragma once

#include <cstdint>
#include <string>

#include "game/gameapp.h"

namespace gametest {

// A record device as the framework would give it, then the start-up phases in their order; a message
// on failure, empty on success. The caller releases pD3D and, after the device phases, the device.
inline std::string StartOnRecordDevice(CGameApp& app, IDirect3D8*& pD3D, UINT nWidth, UINT nHeight) {
    pD3D = Direct3DCreate8(D3D_SDK_VERSION);
    if (!pD3D) return "no record Direct3D object";
    D3DPRESENT_PARAMETERS pp{};
    pp.BackBufferWidth = nWidth;
    pp.BackBufferHeight = nHeight;
    pp.BackBufferFormat = D3DFMT_X8R8G8B8;
    pp.BackBufferCount = 1;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.hDeviceWindow = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(0x1000));
    pp.Windowed = TRUE;
    pp.EnableAutoDepthStencil = TRUE;
    pp.AutoDepthStencilFormat = D3DFMT_D16;
    if (pD3D->CreateDevice(0, D3DDEVTYPE_HAL, pp.hDeviceWindow, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp,
                           &app.m_pDevice) != D3D_OK)
        return "no record device";
    app.m_pDevice->GetDeviceCaps(&app.m_deviceCaps);
    app.m_backBufferDesc.Width = nWidth;
    app.m_backBufferDesc.Height = nHeight;
    if (FAILED(app.InitApp())) return "InitApp failed";
    if (FAILED(app.OnDeviceCreated())) return "OnDeviceCreated failed";
    if (FAILED(app.OnDeviceReset())) return "OnDeviceReset failed";
    app.AfterCreate();
    return {};
}

}  // namespace gametest
