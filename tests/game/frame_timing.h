// Whole frames of a media game timed one by one for a benchmark; the median and its rate are the
// figures. Shared by the frame benchmarks.
//
// A frame's time runs from its update to the moment GL has finished it (glFinish after the
// present): a swap that does not copy (SDL's offscreen driver) returns before the rasteriser is
// done, and a figure that stops there times the submission alone. The wall time per frame over the
// whole timed stretch is reported beside the median.
#pragma once

#include <benchmark/benchmark.h>
#include <epoxy/gl.h>

#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

#include "media_game.h"

namespace gametest {

inline void TimeFrames(benchmark::State& state, MediaGame& game) {
    std::vector<double> frames;
    const auto first = std::chrono::steady_clock::now();
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        if (FAILED(game.Frame(1.0f / 60))) {
            state.SkipWithError("a frame failed");
            break;
        }
        glFinish();
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        state.SetIterationTime(elapsed.count());
        frames.push_back(elapsed.count());
    }
    if (frames.empty()) return;
    const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - first;
    std::nth_element(frames.begin(), frames.begin() + frames.size() / 2, frames.end());
    const double dMedian = frames[frames.size() / 2];
    state.counters["median_ms"] = dMedian * 1e3;
    state.counters["fps"] = 1.0 / dMedian;
    state.counters["wall_ms"] = wall.count() * 1e3 / frames.size();
    state.counters["cores"] = std::thread::hardware_concurrency();
    state.SetLabel("update+render+present to glFinish; wall_ms: wall time per frame");
}

}  // namespace gametest
