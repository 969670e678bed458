// Load time of 1024 x 1024 PNG and JPEG files into textures with their mip chains.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "../image/imagefixtures.h"
#include "d3d8/backend.h"
#include "d3dx8/d3dx8.h"

namespace {

std::string Write(const char* name, const fixtures::Bytes& bytes) {
    const auto path = std::filesystem::temp_directory_path() /
                      (std::string("abisalia-texbench-") + std::to_string(::getpid()) + name);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return path.string();
}

fixtures::Bytes Samples(unsigned components) {
    fixtures::Bytes s(1024u * 1024u * components);
    for (std::size_t i = 0; i < s.size(); ++i) s[i] = static_cast<BYTE>((i * 7) ^ (i >> 11));
    return s;
}

void Load(benchmark::State& state, const std::string& path) {
    d3d8::SetBackendOverride(d3d8::BackendKind::Record);
    IDirect3D8* d3d = Direct3DCreate8(D3D_SDK_VERSION);
    D3DPRESENT_PARAMETERS pp{};
    pp.BackBufferWidth = pp.BackBufferHeight = 64;
    pp.BackBufferFormat = D3DFMT_X8R8G8B8;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.hDeviceWindow = reinterpret_cast<HWND>(std::uintptr_t{0x1000});
    pp.Windowed = TRUE;
    IDirect3DDevice8* dev = nullptr;
    d3d->CreateDevice(0, D3DDEVTYPE_HAL, pp.hDeviceWindow, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &dev);
    for (auto _ : state) {
        IDirect3DTexture8* t = nullptr;
        if (FAILED(D3DXCreateTextureFromFileA(dev, path.c_str(), &t))) {
            state.SkipWithError("load failed");
            break;
        }
        t->Release();
    }
    dev->Release();
    d3d->Release();
}

void BM_LoadPng1024(benchmark::State& state) {
    fixtures::PngSpec s;
    s.width = s.height = 1024;
    s.rows = Samples(3);
    Load(state, Write("a.png", fixtures::MakePng(s)));
}
void BM_LoadJpeg1024(benchmark::State& state) {
    Load(state, Write("a.jpg", fixtures::MakeJpeg(1024, 1024, 3, Samples(3), 90)));
}
BENCHMARK(BM_LoadPng1024)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadJpeg1024)->Unit(benchmark::kMillisecond);

}  // namespace
