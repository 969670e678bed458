// A gl-backend device on a window of SDL's offscreen driver (llvmpipe), with back-buffer readback.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "d3d8/backend.h"
#include "d3d8/d3d8.h"
#include "win32/windows.h"

namespace d3d8test {

class GlTest : public ::testing::Test {
protected:
    static constexpr UINT kSize = 64;
    void SetUp() override {
        d3d8::SetBackendOverride(d3d8::BackendKind::Gl);
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.lpszClassName = "d3d8 test";
        RegisterClassA(&wc);
        hwnd_ = CreateWindowExA(0, "d3d8 test", "d3d8", WS_OVERLAPPEDWINDOW, 0, 0, kSize, kSize, nullptr, nullptr,
                                nullptr, nullptr);
        ASSERT_NE(hwnd_, nullptr);
        d3d_ = Direct3DCreate8(D3D_SDK_VERSION);
        ASSERT_NE(d3d_, nullptr) << "no GL 3.3 here";
        D3DPRESENT_PARAMETERS pp{};
        pp.BackBufferWidth = pp.BackBufferHeight = kSize;
        pp.BackBufferFormat = D3DFMT_X8R8G8B8;
        pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
        pp.hDeviceWindow = hwnd_;
        pp.Windowed = TRUE;
        pp.EnableAutoDepthStencil = TRUE;
        pp.AutoDepthStencilFormat = D3DFMT_D24X8;
        ASSERT_EQ(d3d_->CreateDevice(0, D3DDEVTYPE_HAL, hwnd_, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &dev_),
                  D3D_OK);
    }
    void TearDown() override {
        if (dev_) {
            EXPECT_EQ(dev_->Release(), 0u);
        }
        if (d3d_) {
            EXPECT_EQ(d3d_->Release(), 0u);
        }
        if (hwnd_) DestroyWindow(hwnd_);
        d3d8::SetBackendOverride(std::nullopt);
    }
    // The back buffer, top row first, as 0xAARRGGBB.
    std::vector<DWORD> Pixels() {
        std::vector<DWORD> out;
        IDirect3DSurface8* s = nullptr;
        if (dev_->CreateImageSurface(kSize, kSize, D3DFMT_A8R8G8B8, &s) != D3D_OK) return out;
        if (dev_->GetFrontBuffer(s) == D3D_OK) {
            D3DLOCKED_RECT lr;
            s->LockRect(&lr, nullptr, 0);
            for (UINT y = 0; y < kSize; ++y)
                for (UINT x = 0; x < kSize; ++x) out.push_back(static_cast<DWORD*>(lr.pBits)[y * lr.Pitch / 4 + x]);
            s->UnlockRect();
        }
        s->Release();
        return out;
    }
    DWORD At(const std::vector<DWORD>& p, UINT x, UINT y) { return p[y * kSize + x] & 0x00FFFFFF; }

    HWND hwnd_ = nullptr;
    IDirect3D8* d3d_ = nullptr;
    IDirect3DDevice8* dev_ = nullptr;
};

struct TlVertex {
    float x, y, z, rhw;
    DWORD color;
    float u, v;
};
constexpr DWORD kTlFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;

// Two clockwise triangles covering [x0, x1) x [y0, y1) in Direct3D pixels.
inline void Quad(TlVertex* v, float x0, float y0, float x1, float y1, DWORD color, float z = 0.5f) {
    v[0] = {x0, y0, z, 1, color, 0, 0};
    v[1] = {x1, y0, z, 1, color, 1, 0};
    v[2] = {x0, y1, z, 1, color, 0, 1};
    v[3] = {x1, y0, z, 1, color, 1, 0};
    v[4] = {x1, y1, z, 1, color, 1, 1};
    v[5] = {x0, y1, z, 1, color, 0, 1};
}

}  // namespace d3d8test
