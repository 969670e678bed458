// The game application in a scratch copy of the generated media folder, brought up in the
// framework's phase order on either backend: record (nothing is drawn; the call log is kept) or gl
// (llvmpipe under SDL's offscreen driver, in a headless full-screen window at 1024 x 768). Level files
// of the copy may be rewritten before Start. Shared by the gl soak and the benchmarks.
#pragma once

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "d3d8/backend.h"
#include "game/gameapp.h"
#include "record_device.h"
#include "win32/windows.h"

namespace gametest {

// The median of a benchmark's samples, 0 for none.
inline double Median(std::vector<double> v) {
    if (v.empty()) return 0.0;
    std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
    return v[v.size() / 2];
}

class MediaGame {
public:
    static constexpr UINT kWidth = 1024, kHeight = 768;

    MediaGame(const std::string& strTag, d3d8::BackendKind kind) : kind_(kind) {
        strOldDir_ = std::filesystem::current_path();
        dir_ = std::filesystem::temp_directory_path() / ("abisalia-" + strTag + "-" + std::to_string(::getpid()));
        std::filesystem::remove_all(dir_);
        std::filesystem::copy(ABISALIA_MEDIA_DIR, dir_, std::filesystem::copy_options::recursive);
        std::filesystem::current_path(dir_);
        gameResetProgramState();
        d3d8::SetBackendOverride(kind_);
        if (kind_ == d3d8::BackendKind::Record) d3d8::SetRecordScenario(std::make_shared<d3d8::RecordScenario>());
    }
    ~MediaGame() {
        if (app_ && app_->m_pDevice) {
            app_->OnDeviceLost();
            app_->OnDeviceDestroyed();
            app_->m_pDevice->Release();
            app_->m_pDevice = nullptr;
        }
        app_.reset();
        if (d3d_) d3d_->Release();
        if (hWnd_) DestroyWindow(hWnd_);
        d3d8::SetRecordScenario(nullptr);
        d3d8::SetBackendOverride(std::nullopt);
        std::filesystem::current_path(strOldDir_);
        std::filesystem::remove_all(dir_);
    }
    MediaGame(const MediaGame&) = delete;
    MediaGame& operator=(const MediaGame&) = delete;

    // Replaces a file of the scratch copy, by its path relative to the copy.
    void Write(const std::string& strPath, const std::string& strText) {
        std::ofstream(dir_ / strPath, std::ios::binary | std::ios::trunc) << strText;
    }

    // The window (gl only), the device and the start-up phases; a message on failure, empty on success.
    std::string Start() {
        HWND hWnd = RecordWindow();
        if (kind_ == d3d8::BackendKind::Gl) {
            WNDCLASSA wc{};
            wc.lpfnWndProc = DefWindowProcA;
            wc.lpszClassName = "abisalia gl game";
            RegisterClassA(&wc);
            hWnd = hWnd_ = CreateWindowExA(0, wc.lpszClassName, "Abisalia", WS_POPUP | WS_VISIBLE, 0, 0, kWidth,
                                           kHeight, nullptr, nullptr, nullptr, nullptr);
            if (!hWnd_) return "no window";
        }
        app_ = std::make_unique<CGameApp>();
        // The gl device is full screen, as the generated settings ask.
        return StartGameOnDevice(*app_, d3d_, hWnd, kind_ == d3d8::BackendKind::Record, kWidth, kHeight, pp_);
    }

    // One frame as the framework steps it: update, render, present.
    HRESULT Frame(float fFrameTime) {
        CGameApp& app = *app_;
        app.m_fFrameTime = fFrameTime;
        app.m_fAppTime += fFrameTime;
        HRESULT hr = app.UpdateFrame();
        if (SUCCEEDED(hr)) hr = app.RenderScene();
        if (SUCCEEDED(hr)) hr = app.m_pDevice->Present(nullptr, nullptr, nullptr, nullptr);
        DropLog();
        return hr;
    }

    // One world step fFrameTime seconds after the previous one, with nothing drawn.
    int Step(float fFrameTime) {
        CGameApp& app = *app_;
        app.m_fFrameTime = fFrameTime;
        app.m_fAppTime += fFrameTime;
        const int hr = app.UpdateWorld();
        DropLog();
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
    // The GL objects the gl device holds (none on the record backend).
    d3d8::GlObjectCounts Live() { return d3d8::LiveGlObjects(app_->m_pDevice).value_or(d3d8::GlObjectCounts{}); }
    // The calls the record device logged since the last frame or step dropped them.
    void DropLog() {
        if (std::vector<d3d8::Call>* pLog = d3d8::RecordLog(app_->m_pDevice)) pLog->clear();
    }

private:
    d3d8::BackendKind kind_;
    std::filesystem::path dir_, strOldDir_;
    HWND hWnd_ = nullptr;
    IDirect3D8* d3d_ = nullptr;
    D3DPRESENT_PARAMETERS pp_{};
    std::unique_ptr<CGameApp> app_;
};

}  // namespace gametest
