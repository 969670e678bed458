// The game application on the gl backend (llvmpipe under SDL's offscreen driver): a headless
// full-screen window at 1024 x 768, in a scratch copy of the generated media folder, brought up in
// the framework's phase order. Shared by the gl soak and the frame benchmark.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "d3d8/backend.h"
#include "game/gameapp.h"
#include "win32/windows.h"

namespace gametest {

class GlGame {
public:
    static constexpr UINT kWidth = 1024, kHeight = 768;

    explicit GlGame(const std::string& strTag) {
        strOldDir_ = std::filesystem::current_path();
        dir_ = std::filesystem::temp_directory_path() / ("abisalia-" + strTag + "-" + std::to_string(::getpid()));
        std::filesystem::remove_all(dir_);
        std::filesystem::copy(ABISALIA_MEDIA_DIR, dir_, std::filesystem::copy_options::recursive);
        std::filesystem::current_path(dir_);
        gameResetProgramState();
        d3d8::SetBackendOverride(d3d8::BackendKind::Gl);
    }
    ~GlGame() {
        if (app_ && app_->m_pDevice) {
            app_->OnDeviceLost();
            app_->OnDeviceDestroyed();
            app_->m_pDevice->Release();
            app_->m_pDevice = nullptr;
        }
        app_.reset();
        if (d3d_) d3d_->Release();
        if (hWnd_) DestroyWindow(hWnd_);
        d3d8::SetBackendOverride(std::nullopt);
        std::filesystem::current_path(strOldDir_);
        std::filesystem::remove_all(dir_);
    }
    GlGame(const GlGame&) = delete;
    GlGame& operator=(const GlGame&) = delete;

    // The window, the device and the start-up phases; a message on failure, empty on success.
    std::string Start() {
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.lpszClassName = "abisalia gl game";
        RegisterClassA(&wc);
        hWnd_ = CreateWindowExA(0, wc.lpszClassName, "Abisalia", WS_POPUP | WS_VISIBLE, 0, 0, kWidth, kHeight,
                                nullptr, nullptr, nullptr, nullptr);
        if (!hWnd_) return "no window";
        d3d_ = Direct3DCreate8(D3D_SDK_VERSION);
        if (!d3d_) return "no GL 3.3 here";
        app_ = std::make_unique<CGameApp>();
        CGameApp& app = *app_;
        pp_.BackBufferWidth = kWidth;
        pp_.BackBufferHeight = kHeight;
        pp_.BackBufferFormat = D3DFMT_X8R8G8B8;
        pp_.BackBufferCount = 1;
        pp_.SwapEffect = D3DSWAPEFFECT_DISCARD;
        pp_.hDeviceWindow = hWnd_;
        pp_.Windowed = FALSE;
        pp_.EnableAutoDepthStencil = TRUE;
        pp_.AutoDepthStencilFormat = D3DFMT_D16;
        if (d3d_->CreateDevice(0, D3DDEVTYPE_HAL, hWnd_, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp_,
                               &app.m_pDevice) != D3D_OK)
            return "no full-screen device";
        app.m_pDevice->GetDeviceCaps(&app.m_deviceCaps);
        app.m_backBufferDesc.Width = kWidth;
        app.m_backBufferDesc.Height = kHeight;
        if (FAILED(app.InitApp())) return "InitApp failed";
        if (FAILED(app.OnDeviceCreated())) return "OnDeviceCreated failed";
        if (FAILED(app.OnDeviceReset())) return "OnDeviceReset failed";
        app.AfterCreate();
        return {};
    }

    // One frame as the framework steps it: update, render, present.
    HRESULT Frame(float fFrameTime) {
        CGameApp& app = *app_;
        app.m_fFrameTime = fFrameTime;
        app.m_fAppTime += fFrameTime;
        HRESULT hr = app.UpdateFrame();
        if (SUCCEEDED(hr)) hr = app.RenderScene();
        if (SUCCEEDED(hr)) hr = app.m_pDevice->Present(nullptr, nullptr, nullptr, nullptr);
        return hr;
    }

    // A device reset as the framework does it.
    HRESULT Reset() {
        CGameApp& app = *app_;
        app.OnDeviceLost();
        D3DPRESENT_PARAMETERS pp = pp_;
        const HRESULT hr = app.m_pDevice->Reset(&pp);
        return FAILED(hr) ? hr : app.OnDeviceReset();
    }

    CGameApp& App() { return *app_; }
    d3d8::GlObjectCounts Live() { return d3d8::LiveGlObjects(app_->m_pDevice).value_or(d3d8::GlObjectCounts{}); }

private:
    std::filesystem::path dir_, strOldDir_;
    HWND hWnd_ = nullptr;
    IDirect3D8* d3d_ = nullptr;
    D3DPRESENT_PARAMETERS pp_{};
    std::unique_ptr<CGameApp> app_;
};

}  // namespace gametest
