// The world step of the generated first level, on the record backend (no drawing).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <thread>

#include "d3d8/backend.h"
#include "game/gameapp.h"

static void BM_WorldStep(benchmark::State& state) {
    const auto old = std::filesystem::current_path();
    std::filesystem::current_path(ABISALIA_MEDIA_DIR);
    d3d8::SetBackendOverride(d3d8::BackendKind::Record);
    d3d8::SetRecordScript(std::make_shared<d3d8::Script>());
    {
        CGameApp app;
        IDirect3D8* pD3D = Direct3DCreate8(D3D_SDK_VERSION);
        D3DPRESENT_PARAMETERS pp{};
        pp.BackBufferWidth = 1024;
        pp.BackBufferHeight = 768;
        pp.BackBufferFormat = D3DFMT_X8R8G8B8;
        pp.BackBufferCount = 1;
        pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
        pp.hDeviceWindow = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(0x1000));
        pp.Windowed = TRUE;
        pp.EnableAutoDepthStencil = TRUE;
        pp.AutoDepthStencilFormat = D3DFMT_D16;
        pD3D->CreateDevice(0, D3DDEVTYPE_HAL, pp.hDeviceWindow, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, &app.m_pDevice);
        app.m_backBufferDesc.Width = 1024;
        app.m_backBufferDesc.Height = 768;
        app.InitApp();
        app.OnDeviceCreated();
        app.OnDeviceReset();
        app.AfterCreate();
        float fTime = 1.0f;
        for (auto _ : state) {
            fTime += 1.0f / 60;
            app.m_fAppTime = fTime;
            app.UpdateWorld();
            d3d8::RecordLog(app.m_pDevice)->clear();
        }
        state.counters["cores"] = std::thread::hardware_concurrency();
        app.OnDeviceLost();
        app.OnDeviceDestroyed();
        app.m_pDevice->Release();
        app.m_pDevice = nullptr;
        pD3D->Release();
    }
    d3d8::SetBackendOverride(std::nullopt);
    std::filesystem::current_path(old);
}
BENCHMARK(BM_WorldStep)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);
