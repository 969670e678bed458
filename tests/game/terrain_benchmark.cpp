// The sea floor of the generated first level on llvmpipe: the window update of one world step and
// the draw of both underwater passes, with the diver swimming level across the floor in fin
// strokes, so that the window moves to the next patch now and then (the moves are counted).
//
// The update is timed as one extra call just before the world step, which makes the same call from
// the same diver position. The draw is timed alone, both passes between two glFinish calls (the
// rest of the frame is not drawn), with the render states the underwater frame gives each pass;
// "submit_us" is the part before the final glFinish, the calls and uploads without the rasterising.
#include <benchmark/benchmark.h>
#include <epoxy/gl.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <string>
#include <thread>
#include <vector>

#include "game/vsconsts.h"
#include "media_game.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr float kFrameTime = 1.0f / 60;
// Strong fin strokes: 'W' held for 40 steps, then released for 20.
constexpr int kStrokeHeld = 40, kStrokeSteps = 60;
// Away from the level's rocks and its tall pillar: toward -x and -z.
constexpr float kYaw = 0.75f * D3DX_PI;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

double Median(std::vector<double> v) {
    if (v.empty()) return 0.0;
    std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
    return v[v.size() / 2];
}

// The first level under way, past its start pose, the diver swimming at a steady depth.
class SwimmingDiver {
public:
    explicit SwimmingDiver(const std::string& strTag) : game_(strTag, d3d8::BackendKind::Gl) {}

    std::string Start() {
        if (std::string strError = game_.Start(); !strError.empty()) return strError;
        // Settle the first frames (program builds, first uploads), as the frame benchmark does.
        for (int i = 0; i < 30; ++i)
            if (FAILED(game_.Frame(kFrameTime))) return "a frame failed";
        CGameApp& app = game_.App();
        if (app.m_bSurfaceMode || !app.Diver() || !app.m_pTerrain) return "the first level does not start under water";
        CDiver& diver = *app.Diver();
        diver.m_fStartTimer = 0.0f;
        diver.m_Transform.m_vRotation = D3DXVECTOR3(kYaw, 0, 0);
        app.m_bBuoyancyOff = 1;
        app.m_fMaxAir = diver.m_fAir = 1.0e6f;
        nPatchX_ = PatchOf(diver.m_Transform.m_vPosition.x);
        nPatchZ_ = PatchOf(diver.m_Transform.m_vPosition.z);
        return {};
    }

    // One world step with the stroke's keys, as the frame's update runs it.
    HRESULT Step() {
        CGameApp& app = game_.App();
        app.m_Input.m_bKeys['W'] = nStep_++ % kStrokeSteps < kStrokeHeld;
        app.m_fFrameTime = kFrameTime;
        app.m_fAppTime += kFrameTime;
        const HRESULT hr = app.UpdateFrame();
        if (const CDiver* pDiver = app.Diver()) {
            const int x = PatchOf(pDiver->m_Transform.m_vPosition.x), z = PatchOf(pDiver->m_Transform.m_vPosition.z);
            nShifts_ += x != nPatchX_ || z != nPatchZ_;
            nPatchX_ = x;
            nPatchZ_ = z;
        }
        return hr;
    }

    CGameApp& App() { return game_.App(); }
    int Shifts() const { return nShifts_; }

private:
    static int PatchOf(float f) { return static_cast<int>(std::floor(f / kPatchSize)); }

    gametest::MediaGame game_;
    int nStep_ = 0, nShifts_ = 0, nPatchX_ = 0, nPatchZ_ = 0;
};

}  // namespace

static void BM_TerrainUpdate(benchmark::State& state) {
    SwimmingDiver swim("terrainupdatebench");
    if (const std::string strError = swim.Start(); !strError.empty()) {
        state.SkipWithError(strError.c_str());
        return;
    }
    CTerrain& terrain = *swim.App().m_pTerrain;
    std::vector<double> steps;
    for (auto _ : state) {
        const auto start = Clock::now();
        terrain.Update();
        const double dElapsed = Seconds(Clock::now() - start);
        state.SetIterationTime(dElapsed);
        steps.push_back(dElapsed);
        if (FAILED(swim.Step())) {
            state.SkipWithError("a world step failed");
            break;
        }
    }
    state.counters["median_us"] = Median(steps) * 1e6;
    state.counters["shifts"] = swim.Shifts();
    state.counters["cores"] = std::thread::hardware_concurrency();
}
BENCHMARK(BM_TerrainUpdate)
    ->Iterations(1200)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

static void BM_TerrainRender(benchmark::State& state) {
    SwimmingDiver swim("terrainrenderbench");
    if (const std::string strError = swim.Start(); !strError.empty()) {
        state.SkipWithError(strError.c_str());
        return;
    }
    CGameApp& app = swim.App();
    IDirect3DDevice8* pDevice = app.m_pDevice;
    CTerrain& terrain = *app.m_pTerrain;
    const CUnderwaterScene& scene = app.m_UnderwaterScene;
    std::vector<double> frames, submits;
    for (auto _ : state) {
        if (FAILED(swim.Step())) {
            state.SkipWithError("a world step failed");
            break;
        }
        const DWORD dwWater = scnWaterColor(app.m_anWaterColor);
        pDevice->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, dwWater, 1.0f, 0);
        pDevice->BeginScene();
        glFinish();
        const auto start = Clock::now();
        pDevice->SetVertexShaderConstant(VSC_COLOR_B, &scene.m_vC22, 1);
        app.m_nRenderPass = 1;
        terrain.Render();
        pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
        pDevice->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
        pDevice->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
        pDevice->SetVertexShaderConstant(VSC_COLOR_B, &scene.m_vZero, 1);
        pDevice->SetRenderState(D3DRS_FOGCOLOR, 0);
        app.m_nRenderPass = 2;
        terrain.Render();
        const auto submitted = Clock::now();
        glFinish();
        const double dElapsed = Seconds(Clock::now() - start);
        state.SetIterationTime(dElapsed);
        frames.push_back(dElapsed);
        submits.push_back(Seconds(submitted - start));
        pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
        pDevice->SetRenderState(D3DRS_FOGCOLOR, dwWater);
        pDevice->EndScene();
        pDevice->Present(nullptr, nullptr, nullptr, nullptr);
    }
    state.counters["median_us"] = Median(frames) * 1e6;
    state.counters["submit_us"] = Median(submits) * 1e6;
    state.counters["shifts"] = swim.Shifts();
    state.counters["cores"] = std::thread::hardware_concurrency();
}
BENCHMARK(BM_TerrainRender)
    ->Iterations(600)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
