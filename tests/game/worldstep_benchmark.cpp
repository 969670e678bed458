// The world step of the generated first level, on the record backend (no drawing).
#include <benchmark/benchmark.h>

#include <thread>

#include "media_game.h"

static void BM_WorldStep(benchmark::State& state) {
    gametest::MediaGame game("worldstep", d3d8::BackendKind::Record);
    if (const std::string strError = game.Start(); !strError.empty()) {
        state.SkipWithError(strError.c_str());
        return;
    }
    for (auto _ : state) game.Step(1.0f / 60);
    state.counters["cores"] = std::thread::hardware_concurrency();
}
BENCHMARK(BM_WorldStep)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);
