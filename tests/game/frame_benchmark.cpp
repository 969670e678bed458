// One underwater frame of the generated first level at 1024 x 768 on llvmpipe: update, render and
// present, timed frame by frame over 600 frames; the median and its rate are the figures.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

#include "media_game.h"

static void BM_UnderwaterFrame(benchmark::State& state) {
    gametest::MediaGame game("framebench", d3d8::BackendKind::Gl);
    if (const std::string strError = game.Start(); !strError.empty()) {
        state.SkipWithError(strError.c_str());
        return;
    }
    // Settle the first frames (program builds, first uploads) before timing.
    for (int i = 0; i < 30; ++i) game.Frame(1.0f / 60);
    if (game.App().m_bSurfaceMode) {
        state.SkipWithError("the first level does not start under water");
        return;
    }
    std::vector<double> frames;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        if (FAILED(game.Frame(1.0f / 60))) {
            state.SkipWithError("a frame failed");
            break;
        }
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        state.SetIterationTime(elapsed.count());
        frames.push_back(elapsed.count());
    }
    if (frames.empty()) return;
    std::nth_element(frames.begin(), frames.begin() + frames.size() / 2, frames.end());
    const double dMedian = frames[frames.size() / 2];
    state.counters["median_ms"] = dMedian * 1e3;
    state.counters["fps"] = 1.0 / dMedian;
    state.counters["cores"] = std::thread::hardware_concurrency();
}
BENCHMARK(BM_UnderwaterFrame)->Iterations(600)->UseManualTime()->Unit(benchmark::kMillisecond);
