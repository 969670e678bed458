// The video path's cost: the streaming thread's work per movie frame (decode, conversion to
// bottom-up BGR, copy into the texture) on the generated intro, and the game's frame time on
// llvmpipe at 1024 x 768 while the intro plays, beside the same frame without it (each frame timed
// until GL has finished it).
#include <benchmark/benchmark.h>
#include <epoxy/gl.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <vector>

#include "dshow/moviereader.h"
#include "game/videotexture.h"
#include "media_game.h"
#include "video_fixtures.h"
#include "win32/timesource.h"

namespace {

using Clock = std::chrono::steady_clock;

double Median(std::vector<double> v) {
    std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
    return v[v.size() / 2];
}

void BM_MovieFrame(benchmark::State& state) {
    gametest::MediaGame game("videobench-frame", d3d8::BackendKind::Record);
    if (const std::string strError = game.Start(); !strError.empty()) {
        state.SkipWithError(strError.c_str());
        return;
    }
    auto reader = std::make_unique<dshow::MovieReader>();
    if (FAILED(reader->Open("nivel1\\intro.avi"))) {
        state.SkipWithError("no intro");
        return;
    }
    HRESULT hr = S_OK;
    CTextureRenderer* renderer = new CTextureRenderer(nullptr, &hr);
    const CMediaType mt = gametest::Rgb24(reader->Width(), reader->Height());
    renderer->SetMediaType(&mt);
    gametest::FakeSample* sample = new gametest::FakeSample();
    std::vector<double> decode, copy;
    for (auto _ : state) {
        REFERENCE_TIME a = 0, b = 0;
        const auto t0 = Clock::now();
        if (!reader->Next(sample->data, &a, &b)) {
            reader = std::make_unique<dshow::MovieReader>();
            reader->Open("nivel1\\intro.avi");
            reader->Next(sample->data, &a, &b);
        }
        const auto t1 = Clock::now();
        renderer->DoRenderSample(sample);
        const auto t2 = Clock::now();
        decode.push_back(std::chrono::duration<double>(t1 - t0).count());
        copy.push_back(std::chrono::duration<double>(t2 - t1).count());
        state.SetIterationTime(std::chrono::duration<double>(t2 - t0).count());
    }
    state.counters["decode_convert_us"] = Median(decode) * 1e6;
    state.counters["copy_us"] = Median(copy) * 1e6;
    state.counters["width"] = reader->Width();
    state.counters["height"] = reader->Height();
    sample->Release();
    renderer->Release();
    vidCleanup();
}
BENCHMARK(BM_MovieFrame)->Iterations(750)->UseManualTime()->Unit(benchmark::kMicrosecond);

// Arg 1: the intro plays (started again whenever it ends); arg 0: no movie. The clock is a fixed
// step of 1/25 s, so every game frame brings the next movie frame and its upload.
void BM_GameFrame(benchmark::State& state) {
    setenv("ABISALIA_FIXED_STEP", "0.04", 1);
    win32::ResetTimeSource();
    {
        gametest::MediaGame game("videobench-game", d3d8::BackendKind::Gl);
        if (const std::string strError = game.Start(); !strError.empty()) {
            state.SkipWithError(strError.c_str());
        } else {
            const bool bMovie = state.range(0) == 1;
            CGameApp& app = game.App();
            auto frame = [&] {
                win32::AdvanceFixedStep();
                return game.Frame(0.04f);
            };
            for (int i = 0; i < 30; ++i) frame();
            std::vector<double> frames;
            for (auto _ : state) {
                if (bMovie && !app.m_VideoScreen.m_bPlaying)
                    app.m_VideoScreen.Play(-0.45f, -0.45f, 0.4f, app.m_szIntroVideo);
                if (!bMovie && app.m_VideoScreen.m_bPlaying) {
                    app.m_Input.m_bKeys['V'] = true;
                    frame();
                    app.m_Input.m_bKeys['V'] = false;
                }
                const auto start = Clock::now();
                if (FAILED(frame())) {
                    state.SkipWithError("a frame failed");
                    break;
                }
                glFinish();
                const double d = std::chrono::duration<double>(Clock::now() - start).count();
                state.SetIterationTime(d);
                frames.push_back(d);
            }
            if (!frames.empty()) state.counters["median_ms"] = Median(frames) * 1e3;
            state.SetLabel("update+render+present to glFinish");
        }
    }
    unsetenv("ABISALIA_FIXED_STEP");
    win32::ResetTimeSource();
}
BENCHMARK(BM_GameFrame)->Arg(0)->Arg(1)->Iterations(300)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
