// Whole frames of a media game timed one by one for a benchmark; the median and its rate are the
// figures. Shared by the frame benchmarks.
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

#include "media_game.h"

namespace gametest {

inline void TimeFrames(benchmark::State& state, MediaGame& game) {
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

}  // namespace gametest
