// Per-draw CPU cost: 2,000 small indexed draws per frame with per-draw constant updates and
// texture switches, through the gl backend on llvmpipe and through the record backend.
//
// The gl figure is split into our own part (device calls, state translation, cache lookups,
// uploads) and the driver's: each iteration renders one real frame, waited for until GL has
// finished it (glFinish after the present), then issues the same draws with every GL entry point
// of the draw path pointed at a function that does nothing.
#include <epoxy/gl.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <functional>
#include <type_traits>
#include <vector>

#include "d3d8/backend.h"
#include "d3d8/d3d8.h"
#include "d3d8/shadertokens.h"
#include "win32/windows.h"

namespace {

constexpr int kDraws = 2000;

template <class R, class... A> R Nothing(A...) {
    if constexpr (!std::is_void_v<R>) return R{};
}

// While alive, the GL calls a draw makes go nowhere. Entry points missing here still reach the
// driver, which only makes our share look larger.
class MutedGl {
public:
    MutedGl() {
        Mute(glBindFramebuffer), Mute(glBindVertexArray), Mute(glEnable), Mute(glDisable), Mute(glDepthMask);
        Mute(glDepthFunc), Mute(glFrontFace), Mute(glCullFace), Mute(glPolygonMode), Mute(glBlendFunc);
        Mute(glBlendEquation), Mute(glColorMask), Mute(glStencilFunc), Mute(glStencilOp), Mute(glStencilMask);
        Mute(glViewport), Mute(glDepthRange), Mute(glUseProgram), Mute(glUniform1f), Mute(glUniform1i);
        Mute(glUniform2f), Mute(glUniform3f), Mute(glUniform3fv), Mute(glUniform4f), Mute(glUniform4fv);
        Mute(glUniformMatrix4fv), Mute(glBindBuffer), Mute(glBufferSubData), Mute(glBufferData);
        Mute(glBindBufferBase), Mute(glActiveTexture), Mute(glBindTexture), Mute(glTexParameteri);
        Mute(glTexParameteriv), Mute(glTexImage2D), Mute(glSamplerParameteri), Mute(glBindSampler);
        Mute(glDisableVertexAttribArray), Mute(glEnableVertexAttribArray), Mute(glVertexAttribPointer);
        Mute(glDrawArrays), Mute(glDrawElements), Mute(glDrawElementsBaseVertex);
    }
    ~MutedGl() {
        for (auto& r : restore_) r();
    }
    MutedGl(const MutedGl&) = delete;
    MutedGl& operator=(const MutedGl&) = delete;

private:
    template <class R, class... A> void Mute(R (*&entry)(A...)) {
        restore_.push_back([slot = &entry, old = entry] { *slot = old; });
        entry = &Nothing<R, A...>;
    }
    std::vector<std::function<void()>> restore_;
};

double Seconds(std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }

void RunFrames(benchmark::State& state, d3d8::BackendKind kind) {
    d3d8::SetBackendOverride(kind);
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "d3d8 bench";
    RegisterClassA(&wc);
    HWND hwnd = CreateWindowExA(0, "d3d8 bench", "bench", WS_OVERLAPPEDWINDOW, 0, 0, 256, 256, nullptr, nullptr,
                                nullptr, nullptr);
    IDirect3D8* d3d = Direct3DCreate8(D3D_SDK_VERSION);
    IDirect3DDevice8* dev = nullptr;
    D3DPRESENT_PARAMETERS pp{};
    pp.BackBufferWidth = pp.BackBufferHeight = 256;
    pp.BackBufferFormat = D3DFMT_X8R8G8B8;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.hDeviceWindow = hwnd;
    pp.Windowed = TRUE;
    pp.EnableAutoDepthStencil = TRUE;
    pp.AutoDepthStencilFormat = D3DFMT_D16;
    if (!d3d || d3d->CreateDevice(0, D3DDEVTYPE_HAL, hwnd, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &dev) != D3D_OK) {
        state.SkipWithError("no device");
        return;
    }
    using d3d8::MakeDestToken;
    using d3d8::MakeSrcToken;
    const DWORD decl[] = {D3DVSD_STREAM(0), D3DVSD_REG(0, D3DVSDT_FLOAT3), D3DVSD_REG(3, D3DVSDT_FLOAT3),
                          D3DVSD_REG(6, D3DVSDT_FLOAT2), D3DVSD_END()};
    const DWORD fn[] = {D3DVS_VERSION(1, 1),
                        D3DSIO_M4x4,
                        MakeDestToken(D3DSPR_RASTOUT, D3DSRO_POSITION),
                        MakeSrcToken(D3DSPR_INPUT, 0),
                        MakeSrcToken(D3DSPR_CONST, 4),
                        D3DSIO_MOV,
                        MakeDestToken(D3DSPR_TEXCRDOUT, 0),
                        MakeSrcToken(D3DSPR_INPUT, 6),
                        D3DSIO_MOV,
                        MakeDestToken(D3DSPR_ATTROUT, 0),
                        MakeSrcToken(D3DSPR_CONST, 1),
                        D3DVS_END()};
    DWORD shader = 0;
    dev->CreateVertexShader(decl, fn, &shader, 0);
    IDirect3DVertexBuffer8* vb = nullptr;
    IDirect3DIndexBuffer8* ib = nullptr;
    dev->CreateVertexBuffer(4 * 32, 0, 0x112, D3DPOOL_MANAGED, &vb);
    dev->CreateIndexBuffer(12, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib);
    const float quad[32] = {-0.1f, 0.1f,  0.5f, 0, 0, -1, 0, 0, 0.1f, 0.1f,  0.5f, 0, 0, -1, 1, 0,
                            -0.1f, -0.1f, 0.5f, 0, 0, -1, 0, 1, 0.1f, -0.1f, 0.5f, 0, 0, -1, 1, 1};
    BYTE* p;
    vb->Lock(0, 0, &p, 0);
    std::memcpy(p, quad, sizeof(quad));
    vb->Unlock();
    const WORD idx[6] = {0, 1, 2, 1, 3, 2};
    ib->Lock(0, 0, &p, 0);
    std::memcpy(p, idx, sizeof(idx));
    ib->Unlock();
    IDirect3DTexture8* tex[2] = {};
    for (auto& t : tex) dev->CreateTexture(16, 16, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &t);
    dev->SetVertexShader(shader);
    dev->SetStreamSource(0, vb, 32);
    dev->SetIndices(ib, 0);
    float m[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    int failed = 0;
    auto draws = [&] {
        for (int i = 0; i < kDraws; ++i) {
            m[3] = (i % 40) * 0.05f - 1.0f;
            m[7] = (i / 40) * 0.04f - 1.0f;
            dev->SetVertexShaderConstant(4, m, 4);
            dev->SetTexture(0, tex[i & 1]);
            failed += dev->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 0, 2) != D3D_OK;
        }
    };
    const bool split = kind == d3d8::BackendKind::Gl;
    double whole = 0.0, ours = 0.0;
    for (auto _ : state) {
        auto frameStart = std::chrono::steady_clock::now();
        dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
        dev->BeginScene();
        draws();
        dev->EndScene();
        dev->Present(nullptr, nullptr, nullptr, nullptr);
        if (split) glFinish();
        whole += Seconds(std::chrono::steady_clock::now() - frameStart);
        if (auto* log = d3d8::RecordLog(dev)) log->clear();
        if (split) {
            MutedGl muted;
            auto start = std::chrono::steady_clock::now();
            dev->BeginScene();
            draws();
            dev->EndScene();
            ours += Seconds(std::chrono::steady_clock::now() - start);
        }
    }
    // Seconds per draw, printed in the counter's own units (e.g. "1.8u" = 1.8 microseconds):
    // per_draw is a whole frame (clear, draws, present and, on gl, the wait for the finished frame)
    // over its draws; ours_per_draw the same draws with GL muted; driver_per_draw the difference.
    if (failed) state.SkipWithError("a draw failed");
    if (split) state.SetLabel("frame to glFinish over its draws; ours: GL muted; driver: the rest");
    const double draws_done = std::max(1.0, static_cast<double>(state.iterations()) * kDraws);
    state.counters["per_draw"] = whole / draws_done;
    if (split) {
        state.counters["ours_per_draw"] = ours / draws_done;
        state.counters["driver_per_draw"] = (whole - ours) / draws_done;
    }
    for (auto& t : tex) t->Release();
    vb->Release();
    ib->Release();
    dev->Release();
    d3d->Release();
    DestroyWindow(hwnd);
    d3d8::SetBackendOverride(std::nullopt);
}

void BM_GlDraws(benchmark::State& state) { RunFrames(state, d3d8::BackendKind::Gl); }
void BM_RecordDraws(benchmark::State& state) { RunFrames(state, d3d8::BackendKind::Record); }
BENCHMARK(BM_GlDraws)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RecordDraws)->Unit(benchmark::kMillisecond);

}  // namespace
