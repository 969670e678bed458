// The surface of the generated first level: one whole surface frame at 1024 x 768 on llvmpipe
// (update, render, present, waited for until GL has finished it; median over 300 frames), and the
// sea grid's per-frame recompute alone (heights, texture coordinates and normals of the 80 x 80
// grid; median microseconds).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

#include "frame_timing.h"

namespace {

double Median(std::vector<double> v) {
    std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
    return v[v.size() / 2];
}

// Brings the diver up, looking up until the surface is entered, then level with the horizon.
bool ToTheSurface(gametest::MediaGame& game) {
    CGameApp& app = game.App();
    CDiver* pDiver = app.Diver();
    pDiver->m_Transform.m_vPosition.y = 46;
    pDiver->m_Transform.m_vRotation.y = 0.5f;
    pDiver->m_fStartTimer = 0;
    for (int i = 0; i < 10 && !app.m_bSurfaceMode; ++i) game.Frame(1.0f / 60);
    pDiver->m_Transform.m_vRotation.y = 0.02f;
    for (int i = 0; i < 30; ++i) game.Frame(1.0f / 60);
    return app.m_bSurfaceMode == 1;
}

}  // namespace

static void BM_SurfaceFrame(benchmark::State& state) {
    gametest::MediaGame game("surfacebench", d3d8::BackendKind::Gl);
    if (const std::string strError = game.Start(); !strError.empty()) {
        state.SkipWithError(strError.c_str());
        return;
    }
    if (!ToTheSurface(game)) {
        state.SkipWithError("the diver did not reach the surface");
        return;
    }
    gametest::TimeFrames(state, game);
}
BENCHMARK(BM_SurfaceFrame)->Iterations(300)->UseManualTime()->Unit(benchmark::kMillisecond);

static void BM_SeaRecompute(benchmark::State& state) {
    gametest::MediaGame game("seabench", d3d8::BackendKind::Record);
    if (const std::string strError = game.Start(); !strError.empty()) {
        state.SkipWithError(strError.c_str());
        return;
    }
    CSeaSurface& sea = game.App().m_pSeaSky->m_SeaSurface;
    if (!sea.Created()) {
        state.SkipWithError("the sea grid was not built");
        return;
    }
    D3DXMATRIX matWorld;
    D3DXMatrixTranslation(&matWorld, 1500, 45, 1000);
    float t = 0;
    std::vector<double> runs;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        sea.ComputeWaves(t += 1.0f / 60, matWorld);
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        state.SetIterationTime(elapsed.count());
        runs.push_back(elapsed.count());
    }
    if (!runs.empty()) state.counters["median_us"] = Median(runs) * 1e6;
}
BENCHMARK(BM_SeaRecompute)->Iterations(2000)->UseManualTime()->Unit(benchmark::kMicrosecond);
