// One underwater frame of the generated first level at 1024 x 768 on llvmpipe: update, render and
// present, each waited for until GL has finished it, timed frame by frame over 600 frames; the
// median and its rate are the figures, with the wall time per frame beside them.
#include "frame_timing.h"

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
    gametest::TimeFrames(state, game);
}
BENCHMARK(BM_UnderwaterFrame)->Iterations(600)->UseManualTime()->Unit(benchmark::kMillisecond);
