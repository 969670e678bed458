// A game application on the record backend, in a scratch folder that holds a small level.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "d3d8/backend.h"
#include "game/gameapp.h"
#include "record_device.h"

namespace gametest {

inline const char kTriangleMesh[] =
    "xof 0303txt 0032\nMesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3; 0, 1, 2;;\n"
    "  MeshTextureCoords { 3; 0;0;, 1;0;, 0;1;; } }\n";

// The files of a level that loads whole: rocks at the given x offsets from the diver.
inline std::map<std::string, std::string> SmallLevel(const std::string& strNext = "nivel2") {
    return {
        {"nivel.plt", strNext + " intro.avi no captura.avi 10 40 70 0.6 0.7 0.8 0.2 0.3 0.4 20 150 120 1.0 0 0 0 2\n"},
        {"ladrillos.plt",
         "2 tri.x notextura 3 1629.9 20 1000 tri.x notextura 1 1630 20 1000\n"
         "nivel1\\tri.x notextura 1 1500 30 1000\nnivel1\\tri.x notextura 1 1500 30 1000\n"},
        {"peces.plt", "1 tri.x tri.x tri.x notextura 1.0 1 20 5 5\n2 1000 10 1000 1 1 1040 14 1010 1 0\n"},
        {"ladrillosmv.plt", "1 tri.x tri.x tri.x notextura 1 2 1510 20 1010\n"},
        {"guibarca.plt", "a.x a.bmp b.x b.bmp c.x c.bmp d.x d.bmp 2 100 0 200 300 0 400\n"},
        {"mar.plt", "1 0 0 0.6 0.8 0 -0.7 0.7 0 0.2 -0.98 0 5 4 3 7 0.2 0.1 0.1 0.3 50 32 20 95 400 80\n"},
        {"tri.x", kTriangleMesh},
    };
}

// A 2 x 2 grey 24-bit BMP.
inline void WriteBmp2x2(const std::string& strPath) {
    std::string bmp = "BM";
    auto put32 = [&bmp](uint32_t v) {
        for (int k = 0; k < 4; ++k) bmp.push_back(static_cast<char>(v >> (8 * k)));
    };
    auto put16 = [&bmp](uint16_t v) {
        bmp.push_back(static_cast<char>(v));
        bmp.push_back(static_cast<char>(v >> 8));
    };
    put32(70), put32(0), put32(54);
    put32(40), put32(2), put32(2), put16(1), put16(24), put32(0), put32(16), put32(2835), put32(2835), put32(0),
        put32(0);
    for (int r = 0; r < 2; ++r) bmp += std::string(6, '\x80') + std::string(2, '\0');
    std::ofstream(strPath, std::ios::binary) << bmp;
}

class GameTest : public ::testing::Test {
protected:
    void SetUp() override {
        strOldDir_ = std::filesystem::current_path();
        dir_ =
            std::filesystem::temp_directory_path() / ("abisalia-game-" + std::to_string(::getpid()) + "-" +
                                                      ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        std::filesystem::current_path(dir_);
        gameResetProgramState();
        d3d8::SetBackendOverride(d3d8::BackendKind::Record);
        d3d8::SetRecordScenario(std::make_shared<d3d8::RecordScenario>());
    }
    void TearDown() override {
        if (app_) {
            if (app_->m_pDevice) {
                app_->OnDeviceLost();
                app_->OnDeviceDestroyed();
                EXPECT_EQ(app_->m_pDevice->Release(), 0u) << "every device object of the game was released";
                app_->m_pDevice = nullptr;
            }
            app_.reset();
        }
        if (d3d_) d3d_->Release();
        d3d8::SetRecordScenario(nullptr);
        d3d8::SetBackendOverride(std::nullopt);
        std::filesystem::current_path(strOldDir_);
        std::filesystem::remove_all(dir_);
    }

    void WriteLevel(const std::string& strFolder, const std::map<std::string, std::string>& files) {
        std::filesystem::create_directories(dir_ / strFolder);
        for (const auto& [name, text] : files) std::ofstream(dir_ / strFolder / name) << text;
    }
    void Write(const std::string& strFolder, const std::string& strName, const std::string& strText) {
        std::filesystem::create_directories(dir_ / strFolder);
        std::ofstream(dir_ / strFolder / strName) << strText;
    }

    // The application, constructed in the scratch folder (it reads "nivel1\" at once).
    CGameApp& App() {
        if (!app_) app_ = std::make_unique<CGameApp>();
        return *app_;
    }

    // A record device as the framework would give it, then the start-up phases in their order.
    void StartDevice(UINT nWidth = 1024, UINT nHeight = 768) {
        D3DPRESENT_PARAMETERS pp;
        ASSERT_EQ(StartGameOnDevice(App(), d3d_, RecordWindow(), TRUE, nWidth, nHeight, pp), "");
    }

    std::vector<d3d8::Call>& Log() { return *d3d8::RecordLog(App().m_pDevice); }
    // Runs one frame at the given application time.
    HRESULT Frame(float fAppTime) {
        App().m_fFrameTime = fAppTime - App().m_fAppTime;
        App().m_fAppTime = fAppTime;
        const HRESULT hr = App().UpdateFrame();
        return FAILED(hr) ? hr : App().RenderScene();
    }

    std::filesystem::path dir_;
    std::filesystem::path strOldDir_;
    std::unique_ptr<CGameApp> app_;
    IDirect3D8* d3d_ = nullptr;
};

// The game started on the record device, with two small levels that lead to each other.
class StartedGameTest : public GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        WriteLevel("nivel1", SmallLevel("nivel2"));
        WriteLevel("nivel2", SmallLevel("nivel1"));
        StartDevice();
    }
};

}  // namespace gametest
