// A record-backend Direct3D object and device for tests.
#pragma once

#include <gtest/gtest.h>

#include "d3d8/backend.h"
#include "d3d8/d3d8.h"

namespace d3d8test {

inline HWND FakeWindow() { return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(0x1000)); }

inline D3DPRESENT_PARAMETERS WindowedParams(UINT w = 320, UINT h = 240) {
    D3DPRESENT_PARAMETERS pp{};
    pp.BackBufferWidth = w;
    pp.BackBufferHeight = h;
    pp.BackBufferFormat = D3DFMT_X8R8G8B8;
    pp.BackBufferCount = 1;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.hDeviceWindow = FakeWindow();
    pp.Windowed = TRUE;
    pp.EnableAutoDepthStencil = TRUE;
    pp.AutoDepthStencilFormat = D3DFMT_D16;
    return pp;
}

class RecordTest : public ::testing::Test {
protected:
    void SetUp() override {
        d3d8::SetBackendOverride(d3d8::BackendKind::Record);
        d3d8::SetRecordScenario(script_);
        d3d_ = Direct3DCreate8(D3D_SDK_VERSION);
        ASSERT_NE(d3d_, nullptr);
    }
    void TearDown() override {
        if (dev_) {
            EXPECT_EQ(dev_->Release(), 0u);
        }
        if (d3d_) {
            EXPECT_EQ(d3d_->Release(), 0u);
        }
        d3d8::SetRecordScenario(nullptr);
        d3d8::SetBackendOverride(std::nullopt);
    }
    void CreateDevice(D3DPRESENT_PARAMETERS pp = WindowedParams()) {
        ASSERT_EQ(d3d_->CreateDevice(0, D3DDEVTYPE_HAL, FakeWindow(), D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &dev_),
                  D3D_OK);
    }
    std::vector<d3d8::Call>& Log() { return *d3d8::RecordLog(dev_); }
    const d3d8::Call* LastDraw() {
        for (auto it = Log().rbegin(); it != Log().rend(); ++it)
            if (it->draw) return &*it;
        return nullptr;
    }

    std::shared_ptr<d3d8::RecordScenario> script_ = std::make_shared<d3d8::RecordScenario>();
    IDirect3D8* d3d_ = nullptr;
    IDirect3DDevice8* dev_ = nullptr;
};

}  // namespace d3d8test
