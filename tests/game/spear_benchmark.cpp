// The spear's update per world step while it flies among the rocks and fish of the generated first
// level, on the record backend.
//
// The spear is launched from the diver's start every kFlightSteps steps, each time in another
// direction round the start, a little downwards, so that it crosses the pillar, the rocks and the
// fish loops, bounces and sometimes sticks in a fish. The fish swim between the timed updates. Only
// the updates of a flying spear are timed; "flying_steps" is their share, "catches" the fish hit.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>
#include <vector>

#include "media_game.h"

namespace {

constexpr float kFrameTime = 1.0f / 60;
constexpr int kSteps = 3000;
constexpr int kFlightSteps = 40;
}  // namespace

static void BM_SpearFlight(benchmark::State& state) {
    gametest::MediaGame game("spearbench", d3d8::BackendKind::Record);
    if (const std::string strError = game.Start(); !strError.empty()) {
        state.SkipWithError(strError.c_str());
        return;
    }
    CGameApp& app = game.App();
    CDiver* pDiver = app.Diver();
    if (!pDiver || app.m_nSpears < 1 || !app.m_ppSpears[0]->m_pCollisionModel || app.m_nFish < 1) {
        state.SkipWithError("the first level did not load with its spear and fish");
        return;
    }
    CSpear& spear = *app.m_ppSpears[0];
    app.m_bSurfaceMode = 0;
    app.m_fGameStep = 5.0f * kFrameTime;
    app.m_pTerrain->Update();

    std::vector<double> flying;
    flying.reserve(kSteps);
    int nStep = 0;
    for (auto _ : state) {
        if (nStep % kFlightSteps == 0) {
            const float fYaw = 0.7f * static_cast<float>(nStep / kFlightSteps);
            spear.m_iState = 2;
            spear.m_Transform.m_vPosition = pDiver->m_Transform.m_vPosition;
            spear.m_Transform.m_vRotation = D3DXVECTOR3(fYaw, -0.15f, 0);
            spear.m_vVelocity = D3DXVECTOR3(-std::sin(fYaw), -0.15f, std::cos(fYaw)) * 150.0f;
        }
        ++nStep;
        const bool bFlying = spear.m_iState == 2;
        const auto start = std::chrono::steady_clock::now();
        spear.Update();
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        state.SetIterationTime(elapsed.count());
        if (bFlying) flying.push_back(elapsed.count());
        for (int i = 0; i < app.m_nFish; ++i) app.m_ppFish[i]->Update();
        game.DropLog();
    }
    state.counters["median_us"] = gametest::Median(flying) * 1e6;
    state.counters["flying_steps"] = static_cast<double>(flying.size()) / nStep;
    state.counters["catches"] = pDiver->m_iFishCaught;
    state.counters["cores"] = std::thread::hardware_concurrency();
}
BENCHMARK(BM_SpearFlight)
    ->Iterations(kSteps)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
