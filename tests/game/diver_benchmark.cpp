// The diver's update with his box tested against 200 rocks and the sea floor, on the record backend.
//
// The level is the generated first level with its rock file replaced: the diver swims level along
// +z down a lane lined by rings of rocks (the generated rock meshes, their full triangle models)
// 10 units from his path, near enough that their bounding volumes are not far from his box but
// clear of it; so every step tests all the rocks and misses, then tests his corners against the
// floor. The last rock of the list sits on his path, reached after some 1400 steps: he bounces off
// it a few times, then stays pressed against it, so the rest of the steps touch it (the bounce,
// after the 199 misses) and are undone. The figures are printed for all steps and for each kind;
// "rock_steps" is the share of steps that ended on the rock.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "media_game.h"

namespace {

constexpr float kFrameTime = 1.0f / 60;
constexpr int kSteps = 2000;
// A fin stroke: 'W' held for this many steps, then released as long.
constexpr int kStrokeSteps = 20;

constexpr int kRocks = 200;
constexpr int kRings = 25, kRockPerRing = 8;
constexpr float kLaneRadius = 10.0f, kRingSpacing = 6.0f;
const D3DXVECTOR3 kStart(900.0f, 20.0f, 600.0f);
// Where the rock on the path stands, ahead of the diver's start.
constexpr float kBlockerAhead = 80.0f;

std::string ObjectRecord(const char* szMesh, const char* szTexture, const D3DXVECTOR3& v) {
    char szLine[160];
    std::snprintf(szLine, sizeof szLine, "%s %s 1.0 %.2f %.2f %.2f\n", szMesh, szTexture, v.x, v.y, v.z);
    return szLine;
}

// The rock file: 199 rocks in rings around the lane, the rock on the path last, then the spear
// and the diver.
std::string LaneRockFile() {
    static const char* const kMeshes[] = {"roca1.x", "roca2.x", "roca3.x", "roca4.x"};
    std::string strFile = std::to_string(kRocks) + "\n";
    int nRocks = 0;
    for (int k = 0; k < kRings; ++k)
        for (int m = 0; m < kRockPerRing && nRocks < kRocks - 1; ++m, ++nRocks) {
            const float a = (m + 0.5f * (k % 2)) * 2.0f * D3DX_PI / kRockPerRing;
            const D3DXVECTOR3 v(kStart.x + kLaneRadius * std::cos(a), kStart.y + kLaneRadius * std::sin(a),
                                kStart.z - 2 * kRingSpacing + k * kRingSpacing);
            strFile += ObjectRecord(kMeshes[(k + m) % 4], "roca.bmp", v);
        }
    strFile += ObjectRecord("roca3.x", "roca.bmp", kStart + D3DXVECTOR3(0, 0, kBlockerAhead));
    strFile += ObjectRecord("arpon.x", "arpon.bmp", kStart);
    strFile += ObjectRecord("buzo.x", "buzo.bmp", kStart);
    return strFile;
}

}  // namespace

static void BM_DiverUpdate(benchmark::State& state) {
    gametest::MediaGame game("diverbench", d3d8::BackendKind::Record);
    game.Write("nivel1/ladrillos.plt", LaneRockFile());
    if (const std::string strError = game.Start(); !strError.empty()) {
        state.SkipWithError(strError.c_str());
        return;
    }
    CGameApp& app = game.App();
    CDiver* pDiver = app.Diver();
    if (!pDiver || !app.m_pTerrain || app.m_nRocks != kRocks) {
        state.SkipWithError("the lane level did not load");
        return;
    }
    for (int i = 0; i < app.m_nRocks; ++i)
        if (!app.m_ppRocks[i]->m_pCollisionModel) {
            state.SkipWithError("a rock has no collision model");
            return;
        }
    if (!pDiver->m_pCollisionModel) {
        state.SkipWithError("the diver has no collision model");
        return;
    }
    // Past the start pose, level and heading along the lane, with air for the whole run and the
    // ballast that holds him at the lane's depth.
    app.m_bSurfaceMode = 0;
    pDiver->m_fStartTimer = 0.0f;
    pDiver->m_Transform.m_vRotation = D3DXVECTOR3(0, 0, 0);
    app.m_fMaxAir = pDiver->m_fAir = 1.0e6f;
    app.m_fBallast = divBuoyancy(kStart.y) / 0.012f;
    app.m_fGameStep = 5.0f * kFrameTime;

    // Every step, then the steps by how they ended: clear of everything, or on a rock.
    std::vector<double> steps, clear, rock;
    steps.reserve(kSteps);
    int nStep = 0, nFloorContacts = 0;
    for (auto _ : state) {
        app.m_Input.m_bKeys['W'] = (nStep++ / kStrokeSteps) % 2 == 0;
        app.m_fAppTime += kFrameTime;
        // The underwater update lays out the floor window before the diver moves.
        app.m_pTerrain->Update();
        const auto start = std::chrono::steady_clock::now();
        pDiver->Update();
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        state.SetIterationTime(elapsed.count());
        steps.push_back(elapsed.count());
        if (pDiver->m_cContact == 0) clear.push_back(elapsed.count());
        if (pDiver->m_cContact == 1) rock.push_back(elapsed.count());
        nFloorContacts += pDiver->m_cContact == 2;
        game.DropLog();
    }
    state.counters["median_us"] = gametest::Median(steps) * 1e6;
    state.counters["clear_us"] = gametest::Median(clear) * 1e6;
    state.counters["rock_us"] = gametest::Median(rock) * 1e6;
    state.counters["rock_steps"] = static_cast<double>(rock.size()) / nStep;
    state.counters["floor_steps"] = static_cast<double>(nFloorContacts) / nStep;
    state.counters["swum"] = pDiver->m_Transform.m_vPosition.z - kStart.z;
    state.counters["cores"] = std::thread::hardware_concurrency();
}
BENCHMARK(BM_DiverUpdate)
    ->Iterations(kSteps)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
