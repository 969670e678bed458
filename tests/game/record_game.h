// The game application on the record backend (nothing is drawn), in a scratch copy of the generated
// media folder, brought up in the framework's phase order. Level files of the copy may be rewritten
// before Start. Shared by the benchmarks that time the world step and its parts.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "d3d8/backend.h"
#include "game/gameapp.h"
#include "record_device.h"

namespace gametest {

class RecordGame {
public:
    static constexpr UINT kWidth = 1024, kHeight = 768;

    explicit RecordGame(const std::string& strTag) {
        strOldDir_ = std::filesystem::current_path();
        dir_ = std::filesystem::temp_directory_path() / ("abisalia-" + strTag + "-" + std::to_string(::getpid()));
        std::filesystem::remove_all(dir_);
        std::filesystem::copy(ABISALIA_MEDIA_DIR, dir_, std::filesystem::copy_options::recursive);
        std::filesystem::current_path(dir_);
        gameResetProgramState();
        d3d8::SetBackendOverride(d3d8::BackendKind::Record);
        d3d8::SetRecordScript(std::make_shared<d3d8::Script>());
    }
    ~RecordGame() {
        if (app_ && app_->m_pDevice) {
            app_->OnDeviceLost();
            app_->OnDeviceDestroyed();
            app_->m_pDevice->Release();
            app_->m_pDevice = nullptr;
        }
        app_.reset();
        if (d3d_) d3d_->Release();
        d3d8::SetRecordScript(nullptr);
        d3d8::SetBackendOverride(std::nullopt);
        std::filesystem::current_path(strOldDir_);
        std::filesystem::remove_all(dir_);
    }
    RecordGame(const RecordGame&) = delete;
    RecordGame& operator=(const RecordGame&) = delete;

    // Replaces a file of the scratch copy, by its path relative to the copy.
    void Write(const std::string& strPath, const std::string& strText) {
        std::ofstream(dir_ / strPath, std::ios::binary | std::ios::trunc) << strText;
    }

    // The device and the start-up phases; a message on failure, empty on success.
    std::string Start() {
        app_ = std::make_unique<CGameApp>();
        return StartOnRecordDevice(*app_, d3d_, kWidth, kHeight);
    }

    // One world step fFrameTime seconds after the previous one; the calls it logged are dropped.
    int Step(float fFrameTime) {
        CGameApp& app = *app_;
        app.m_fFrameTime = fFrameTime;
        app.m_fAppTime += fFrameTime;
        const int hr = app.UpdateWorld();
        Log().clear();
        return hr;
    }

    std::vector<d3d8::Call>& Log() { return *d3d8::RecordLog(app_->m_pDevice); }
    CGameApp& App() { return *app_; }

private:
    std::filesystem::path dir_, strOldDir_;
    IDirect3D8* d3d_ = nullptr;
    std::unique_ptr<CGameApp> app_;
};

}  // namespace gametest
