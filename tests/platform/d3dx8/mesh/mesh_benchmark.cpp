// Load time of a 20,000-triangle X file, text and binary.
#include <benchmark/benchmark.h>

#include "d3d8/backend.h"
#include "d3dx8/d3dx8.h"
#include "meshfixtures.h"

namespace {

struct Device {
    Device() {
        d3d8::SetBackendOverride(d3d8::BackendKind::Record);
        d3d = Direct3DCreate8(D3D_SDK_VERSION);
        D3DPRESENT_PARAMETERS pp{};
        pp.BackBufferWidth = 64;
        pp.BackBufferHeight = 64;
        pp.BackBufferFormat = D3DFMT_X8R8G8B8;
        pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
        pp.hDeviceWindow = reinterpret_cast<HWND>(std::uintptr_t{0x1000});
        pp.Windowed = TRUE;
        d3d->CreateDevice(0, D3DDEVTYPE_HAL, pp.hDeviceWindow, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &dev);
    }
    ~Device() {
        if (dev) dev->Release();
        if (d3d) d3d->Release();
    }
    IDirect3D8* d3d = nullptr;
    IDirect3DDevice8* dev = nullptr;
};

void LoadFile(benchmark::State& state, const std::string& path) {
    Device device;
    for (auto _ : state) {
        ID3DXMesh* mesh = nullptr;
        if (FAILED(D3DXLoadMeshFromX(path.c_str(), D3DXMESH_SYSTEMMEM, device.dev, nullptr, nullptr, nullptr, &mesh))) {
            state.SkipWithError("load failed");
            return;
        }
        benchmark::DoNotOptimize(mesh->GetNumFaces());
        mesh->Release();
    }
    state.counters["triangles"] = 20000;
}

// 100 x 100 quads: 20,000 triangles.
void BM_LoadTextXFile(benchmark::State& state) {
    LoadFile(state, meshfixtures::WriteFile("bench.x", meshfixtures::TextGrid(100)));
}
void BM_LoadBinaryXFile(benchmark::State& state) {
    LoadFile(state, meshfixtures::WriteFile("bench-bin.x", meshfixtures::BinaryGrid(100)));
}
BENCHMARK(BM_LoadTextXFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadBinaryXFile)->Unit(benchmark::kMillisecond);

}  // namespace
