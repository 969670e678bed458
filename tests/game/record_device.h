// The game application started on a device as the framework would start it: the device, then the
// start-up phases in their order.
#pragma once

#include <cstdint>
#include <string>

#include "game/gameapp.h"

namespace gametest {

// A message on failure, empty on success. The caller releases pD3D and, after the device phases,
// the device. pp is filled with what the device was created with.
inline std::string StartGameOnDevice(CGameApp& app, IDirect3D8*& pD3D, HWND hWnd, BOOL bWindowed, UINT nWidth,
                                     UINT nHeight, D3DPRESENT_PARAMETERS& pp) {
    pD3D = Direct3DCreate8(D3D_SDK_VERSION);
    if (!pD3D) return "no Direct3D object";
    pp = D3DPRESENT_PARAMETERS{};
    pp.BackBufferWidth = nWidth;
    pp.BackBufferHeight = nHeight;
    pp.BackBufferFormat = D3DFMT_X8R8G8B8;
    pp.BackBufferCount = 1;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.hDeviceWindow = hWnd;
    pp.Windowed = bWindowed;
    pp.EnableAutoDepthStencil = TRUE;
    pp.AutoDepthStencilFormat = D3DFMT_D16;
    if (pD3D->CreateDevice(0, D3DDEVTYPE_HAL, hWnd, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, &app.m_pDevice) != D3D_OK)
        return "no device";
    app.m_pDevice->GetDeviceCaps(&app.m_deviceCaps);
    app.m_backBufferDesc.Width = nWidth;
    app.m_backBufferDesc.Height = nHeight;
    if (FAILED(app.InitApp())) return "InitApp failed";
    if (FAILED(app.OnDeviceCreated())) return "OnDeviceCreated failed";
    if (FAILED(app.OnDeviceReset())) return "OnDeviceReset failed";
    app.AfterCreate();
    return {};
}

// The window handle a record device is given; the record backend never draws into it.
inline HWND RecordWindow() { return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(0x1000)); }

}  // namespace gametest
