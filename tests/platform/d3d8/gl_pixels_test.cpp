// Pixels on llvmpipe: what Direct3D would light for the states the game relies on.
#include <SDL.h>
#include <epoxy/gl.h>

#include <cmath>
#include <cstring>

#include "d3d8/shadertokens.h"
#include "d3dx8/d3dx8.h"
#include "gl_fixture.h"

using namespace d3d8test;

namespace {

IDirect3DTexture8* MakeTexture(IDirect3DDevice8* dev, UINT w, UINT h, D3DFORMAT f, const std::vector<DWORD>& texels) {
    IDirect3DTexture8* t = nullptr;
    if (dev->CreateTexture(w, h, 1, 0, f, D3DPOOL_MANAGED, &t) != D3D_OK) return nullptr;
    D3DLOCKED_RECT lr;
    t->LockRect(0, &lr, nullptr, 0);
    for (UINT y = 0; y < h; ++y) std::memcpy(static_cast<BYTE*>(lr.pBits) + y * lr.Pitch, &texels[y * w], w * 4);
    t->UnlockRect(0);
    return t;
}

}  // namespace

// The window procedure passes every pointer motion to the device cursor; moving the pointer there
// would report a new motion each time, for ever.
TEST_F(GlTest, TheDeviceCursorNeverMovesThePointer) {
    POINT before;
    GetCursorPos(&before);
    SDL_FlushEvent(SDL_MOUSEMOTION);
    dev_->SetCursorPosition(static_cast<int>(before.x) + 17, static_cast<int>(before.y) + 9, 0);
    SDL_PumpEvents();
    EXPECT_FALSE(SDL_HasEvent(SDL_MOUSEMOTION));
    POINT after;
    GetCursorPos(&after);
    EXPECT_EQ(after.x, before.x);
    EXPECT_EQ(after.y, before.y);
}

TEST_F(GlTest, PretransformedQuadCoversExactlyItsDirect3DPixels) {
    dev_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    dev_->BeginScene();
    TlVertex v[6];
    Quad(v, 10, 20, 30, 25, 0xFFFFFFFF);
    dev_->SetVertexShader(kTlFvf);
    ASSERT_EQ(dev_->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, v, sizeof(TlVertex)), D3D_OK);
    dev_->EndScene();
    auto p = Pixels();
    ASSERT_FALSE(p.empty());
    for (UINT y = 18; y < 27; ++y)
        for (UINT x = 8; x < 32; ++x) {
            bool inside = x >= 10 && x < 30 && y >= 20 && y < 25;
            EXPECT_EQ(At(p, x, y), inside ? 0xFFFFFFu : 0u) << x << "," << y;
        }
}

TEST_F(GlTest, ModulateMultipliesTextureByDiffuseAndXFormatReadsOpaque) {
    // X8R8G8B8 with zero padding: the default alpha op selects the texture's alpha, which must read 1.
    auto* t = MakeTexture(dev_, 2, 2, D3DFMT_X8R8G8B8, {0x00FF0000, 0x0000FF00, 0x000000FF, 0x00FFFFFF});
    ASSERT_NE(t, nullptr);
    dev_->SetTexture(0, t);
    dev_->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    dev_->SetRenderState(D3DRS_ALPHAREF, 0x99);
    dev_->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
    dev_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    dev_->BeginScene();
    TlVertex v[6];
    Quad(v, 0, 0, 64, 64, 0xFF808080);
    dev_->SetVertexShader(kTlFvf);
    dev_->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, v, sizeof(TlVertex));
    dev_->EndScene();
    auto p = Pixels();
    ASSERT_FALSE(p.empty());
    EXPECT_EQ(At(p, 10, 10), 0x800000u);
    EXPECT_EQ(At(p, 50, 10), 0x008000u);
    EXPECT_EQ(At(p, 10, 50), 0x000080u);
    EXPECT_EQ(At(p, 50, 50), 0x808080u);
    t->Release();
}

TEST_F(GlTest, AlphaTestAt0x99CutsAGradientExactly) {
    std::vector<DWORD> ramp(64);
    for (DWORD x = 0; x < 64; ++x) ramp[x] = ((0x80 + x) << 24) | 0xFFFFFF;  // alpha 0x80..0xBF
    auto* t = MakeTexture(dev_, 64, 1, D3DFMT_A8R8G8B8, ramp);
    ASSERT_NE(t, nullptr);
    dev_->SetTexture(0, t);
    dev_->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    dev_->SetRenderState(D3DRS_ALPHAREF, 0x99);
    dev_->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
    dev_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    dev_->BeginScene();
    TlVertex v[6];
    Quad(v, 0, 0, 64, 8, 0xFFFFFFFF);
    dev_->SetVertexShader(kTlFvf);
    dev_->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, v, sizeof(TlVertex));
    dev_->EndScene();
    auto p = Pixels();
    ASSERT_FALSE(p.empty());
    for (UINT x = 0; x < 64; ++x) EXPECT_EQ(At(p, x, 4), 0x80 + x >= 0x99 ? 0xFFFFFFu : 0u) << x;
    t->Release();
}

TEST_F(GlTest, ClockwiseFacesAreKeptAndCounterClockwiseCulled) {
    dev_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    dev_->BeginScene();
    dev_->SetVertexShader(kTlFvf);
    TlVertex cw[3] = {
        {0, 0, 0.5f, 1, 0xFFFF0000, 0, 0}, {32, 0, 0.5f, 1, 0xFFFF0000, 0, 0}, {0, 32, 0.5f, 1, 0xFFFF0000, 0, 0}};
    TlVertex ccw[3] = {
        {32, 32, 0.5f, 1, 0xFF00FF00, 0, 0}, {32, 64, 0.5f, 1, 0xFF00FF00, 0, 0}, {64, 32, 0.5f, 1, 0xFF00FF00, 0, 0}};
    dev_->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, cw, sizeof(TlVertex));
    dev_->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, ccw, sizeof(TlVertex));
    dev_->EndScene();
    auto p = Pixels();
    ASSERT_FALSE(p.empty());
    EXPECT_EQ(At(p, 4, 4), 0xFF0000u);
    EXPECT_EQ(At(p, 36, 36), 0u);
}

namespace {
using d3d8::MakeDestToken;
using d3d8::MakeSrcToken;
// oPos = m4x4(v0, c4); oD0 = c1; oT0 = v6; oFog = c2.x
std::vector<DWORD> ObjectShader(DWORD colorReg) {
    return {D3DVS_VERSION(1, 1),
            D3DSIO_M4x4,
            MakeDestToken(D3DSPR_RASTOUT, D3DSRO_POSITION),
            MakeSrcToken(D3DSPR_INPUT, 0),
            MakeSrcToken(D3DSPR_CONST, 4),
            D3DSIO_MOV,
            MakeDestToken(D3DSPR_ATTROUT, 0),
            MakeSrcToken(D3DSPR_CONST, colorReg),
            D3DSIO_MOV,
            MakeDestToken(D3DSPR_TEXCRDOUT, 0),
            MakeSrcToken(D3DSPR_INPUT, 6),
            D3DSIO_MOV,
            MakeDestToken(D3DSPR_RASTOUT, D3DSRO_FOG, D3DSP_WRITEMASK_0),
            MakeSrcToken(D3DSPR_CONST, 2, D3DSP_REPLICATERED),
            D3DVS_END()};
}
const DWORD kDecl[] = {D3DVSD_STREAM(0), D3DVSD_REG(0, D3DVSDT_FLOAT3), D3DVSD_REG(3, D3DVSDT_FLOAT3),
                       D3DVSD_REG(6, D3DVSDT_FLOAT2), D3DVSD_END()};
struct SceneVertex {
    float x, y, z, nx, ny, nz, u, v;
};
// A tilted quad in front of the camera, so depth varies across it.
const SceneVertex kQuad[6] = {{-1, 1, 0.2f, 0, 0, -1, 0, 0},  {1, 1, 0.9f, 0, 0, -1, 1, 0},
                              {-1, -1, 0.2f, 0, 0, -1, 0, 1}, {1, 1, 0.9f, 0, 0, -1, 1, 0},
                              {1, -1, 0.9f, 0, 0, -1, 1, 1},  {-1, -1, 0.2f, 0, 0, -1, 0, 1}};
}  // namespace

TEST_F(GlTest, AdditivePassOverEqualDepthAndVertexFog) {
    auto base = ObjectShader(1), caustic = ObjectShader(3);
    DWORD h1 = 0, h2 = 0;
    ASSERT_EQ(dev_->CreateVertexShader(kDecl, base.data(), &h1, 0), D3D_OK);
    ASSERT_EQ(dev_->CreateVertexShader(kDecl, caustic.data(), &h2, 0), D3D_OK);
    // Identity world-view-projection (transposed rows are the same); a lying-down w keeps z in 0..1.
    float wvp[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    dev_->SetVertexShaderConstant(4, wvp, 4);
    float red[4] = {0.5f, 0, 0, 1}, blue[4] = {0, 0, 0.25f, 1}, fog[4] = {0.5f, 0, 0, 0};
    dev_->SetVertexShaderConstant(1, red, 1);
    dev_->SetVertexShaderConstant(3, blue, 1);
    dev_->SetVertexShaderConstant(2, fog, 1);
    dev_->SetRenderState(D3DRS_FOGENABLE, TRUE);
    dev_->SetRenderState(D3DRS_FOGCOLOR, 0x0000FF00);
    dev_->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    dev_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    dev_->BeginScene();
    dev_->SetVertexShader(h1);
    ASSERT_EQ(dev_->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, kQuad, sizeof(SceneVertex)), D3D_OK);
    // Pass 2: ONE/ONE, black fog, equal depth under LESSEQUAL.
    dev_->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    dev_->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    dev_->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    dev_->SetRenderState(D3DRS_FOGCOLOR, 0);
    dev_->SetVertexShader(h2);
    ASSERT_EQ(dev_->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, kQuad, sizeof(SceneVertex)), D3D_OK);
    dev_->EndScene();
    auto p = Pixels();
    ASSERT_FALSE(p.empty());
    // Pass 1: half red, half fog green; pass 2 adds half of a quarter blue, fogged to black.
    for (UINT x : {3u, 20u, 40u, 60u}) {
        DWORD c = At(p, x, 32);
        EXPECT_NEAR(static_cast<int>((c >> 16) & 0xFF), 64, 2) << x;
        EXPECT_NEAR(static_cast<int>((c >> 8) & 0xFF), 128, 2) << x;
        EXPECT_NEAR(static_cast<int>(c & 0xFF), 32, 2) << x;
    }
}

TEST_F(GlTest, ConstantsChangedBetweenDrawsReachTheShader) {
    auto fn = ObjectShader(3);
    DWORD h = 0;
    ASSERT_EQ(dev_->CreateVertexShader(kDecl, fn.data(), &h, 0), D3D_OK);
    float wvp[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    dev_->SetVertexShaderConstant(4, wvp, 4);
    const float fog[4] = {1, 0, 0, 0};
    dev_->SetVertexShaderConstant(2, fog, 1);
    dev_->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    dev_->SetRenderState(D3DRS_ZFUNC, D3DCMP_ALWAYS);
    dev_->SetVertexShader(h);
    dev_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    dev_->BeginScene();
    // Each draw changes the first and the last register of a range with one untouched between.
    const float colours[][4] = {{0.2f, 0.2f, 0.2f, 1}, {0, 0.6f, 0, 1}, {0, 0, 0.2f, 1}};
    for (int i = 0; i < 3; ++i) {
        dev_->SetVertexShaderConstant(1, colours[2 - i], 1);
        dev_->SetVertexShaderConstant(3, colours[i], 1);
        ASSERT_EQ(dev_->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, kQuad, sizeof(SceneVertex)), D3D_OK);
        if (i == 1) {
            dev_->EndScene();
            auto p = Pixels();
            ASSERT_FALSE(p.empty());
            EXPECT_EQ(At(p, 32, 32), 0x009900u);
            dev_->BeginScene();
        }
    }
    dev_->EndScene();
    auto p = Pixels();
    ASSERT_FALSE(p.empty());
    EXPECT_EQ(At(p, 32, 32), 0x000033u);
    dev_->DeleteVertexShader(h);
}

TEST_F(GlTest, ResetFailsWhileADefaultPoolBufferLivesAndRendersAfter) {
    IDirect3DVertexBuffer8* vb = nullptr;
    ASSERT_EQ(dev_->CreateVertexBuffer(6 * sizeof(TlVertex), D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, kTlFvf,
                                       D3DPOOL_DEFAULT, &vb),
              D3D_OK);
    D3DPRESENT_PARAMETERS pp{};
    pp.BackBufferWidth = pp.BackBufferHeight = kSize;
    pp.BackBufferFormat = D3DFMT_X8R8G8B8;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.hDeviceWindow = hwnd_;
    pp.Windowed = TRUE;
    pp.EnableAutoDepthStencil = TRUE;
    pp.AutoDepthStencilFormat = D3DFMT_D16;
    EXPECT_EQ(dev_->Reset(&pp), D3DERR_INVALIDCALL);
    vb->Release();
    ASSERT_EQ(dev_->Reset(&pp), D3D_OK);
    dev_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF204060, 1.0f, 0);
    EXPECT_EQ(dev_->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    auto p = Pixels();
    ASSERT_FALSE(p.empty());
    EXPECT_EQ(At(p, 5, 5), 0x204060u);
}

namespace {
// Base pass: colour first, then the position. The additive pass reaches the same m4x4 through
// other work around it, with the outputs in another order.
const char kBasePass[] = "vs.1.1\nmov oD0, c1\nm4x4 oPos, v0, c4\n";
const char kAdditivePass[] =
    "vs.1.1\nmov r1, v0\ndp4 oT0.x, r1, c2\nmul r2, r1, c3\nm4x4 oPos, v0, c4\nmad oT1, r2, c2, r1\n"
    "mov oD0, c3\n";

std::vector<DWORD> AssembleText(const char* text) {
    LPD3DXBUFFER code = nullptr;
    std::vector<DWORD> tokens;
    if (D3DXAssembleShader(text, static_cast<UINT>(std::strlen(text)), 0, nullptr, &code, nullptr) == S_OK) {
        const DWORD* p = static_cast<const DWORD*>(code->GetBufferPointer());
        tokens.assign(p, p + code->GetBufferSize() / sizeof(DWORD));
        code->Release();
    }
    return tokens;
}
}  // namespace

TEST_F(GlTest, ShadersComputingPositionAlikeGiveIdenticalDepth) {
    const DWORD decl[] = {D3DVSD_STREAM(0), D3DVSD_REG(0, D3DVSDT_FLOAT3), D3DVSD_END()};
    auto base = AssembleText(kBasePass), additive = AssembleText(kAdditivePass);
    ASSERT_FALSE(base.empty());
    ASSERT_FALSE(additive.empty());
    DWORD h1 = 0, h2 = 0;
    ASSERT_EQ(dev_->CreateVertexShader(decl, base.data(), &h1, 0), D3D_OK);
    ASSERT_EQ(dev_->CreateVertexShader(decl, additive.data(), &h2, 0), D3D_OK);
    // A wavy sheet under perspective: many triangles, depth varying along every edge.
    struct V {
        float x, y, z;
    };
    std::vector<V> tris;
    constexpr int kGrid = 12;
    auto at = [](int i, int j) {
        float x = -1.2f + 2.4f * i / kGrid, y = -1.2f + 2.4f * j / kGrid;
        return V{x, y, 2.0f + 0.6f * std::sin(3.1f * x) * std::cos(2.3f * y)};
    };
    for (int j = 0; j < kGrid; ++j)
        for (int i = 0; i < kGrid; ++i)
            for (V v : {at(i, j), at(i + 1, j), at(i, j + 1), at(i + 1, j), at(i + 1, j + 1), at(i, j + 1)})
                tris.push_back(v);
    D3DXMATRIX proj, wvp;
    D3DXMatrixPerspectiveFovLH(&proj, 1.0f, 1.0f, 0.5f, 10.0f);
    D3DXMatrixTranspose(&wvp, &proj);
    dev_->SetVertexShaderConstant(4, &wvp, 4);
    const float red[4] = {0.6f, 0, 0, 1}, blue[4] = {0, 0, 0.2f, 1}, misc[4] = {0.3f, -0.7f, 1.1f, 0.2f};
    dev_->SetVertexShaderConstant(1, red, 1);
    dev_->SetVertexShaderConstant(3, blue, 1);
    dev_->SetVertexShaderConstant(2, misc, 1);
    dev_->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    dev_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    dev_->BeginScene();
    const UINT count = static_cast<UINT>(tris.size() / 3);
    dev_->SetVertexShader(h1);
    ASSERT_EQ(dev_->DrawPrimitiveUP(D3DPT_TRIANGLELIST, count, tris.data(), sizeof(V)), D3D_OK);
    dev_->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    dev_->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    dev_->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    dev_->SetVertexShader(h2);
    ASSERT_EQ(dev_->DrawPrimitiveUP(D3DPT_TRIANGLELIST, count, tris.data(), sizeof(V)), D3D_OK);
    dev_->EndScene();
    auto p = Pixels();
    ASSERT_FALSE(p.empty());
    int covered = 0, rejected = 0;
    for (UINT y = 0; y < kSize; ++y)
        for (UINT x = 0; x < kSize; ++x) {
            DWORD c = At(p, x, y);
            if (c == 0) continue;
            ++covered;
            // Interpolated colours may round either way; depth decides only whether blue is there.
            int r = static_cast<int>(c >> 16), g = static_cast<int>((c >> 8) & 0xFF), b = static_cast<int>(c & 0xFF);
            EXPECT_TRUE(std::abs(r - 0x99) <= 1 && g == 0 && (b == 0 || std::abs(b - 0x33) <= 1)) << std::hex << c;
            if (b == 0) ++rejected;
        }
    EXPECT_GT(covered, static_cast<int>(kSize * kSize * 3 / 4));
    EXPECT_EQ(rejected, 0) << "pixels where the additive pass failed the depth test";
    dev_->DeleteVertexShader(h1);
    dev_->DeleteVertexShader(h2);
}

// Frames go straight into the window's own framebuffer only where it holds the back buffer as it is;
// everywhere else into the device's own, which Present copies. Either way the back buffer reads back.
TEST_F(GlTest, FramesAreDrawnInTheWindowOnlyWhereItHoldsTheBackBufferAsItIs) {
    const struct {
        const char* name;
        UINT size;
        D3DFORMAT depth;
        D3DMULTISAMPLE_TYPE samples;
        bool inWindow;
    } cases[] = {
        {"the window's size and depth", kSize, D3DFMT_D16, D3DMULTISAMPLE_NONE, true},
        {"a stencil the window lacks", kSize, D3DFMT_D24S8, D3DMULTISAMPLE_NONE, false},
        {"multisampled", kSize, D3DFMT_D16, D3DMULTISAMPLE_4_SAMPLES, false},
        {"stretched to the window", kSize / 2, D3DFMT_D16, D3DMULTISAMPLE_NONE, false},
    };
    for (const auto& c : cases) {
        D3DPRESENT_PARAMETERS pp{};
        pp.BackBufferWidth = pp.BackBufferHeight = c.size;
        pp.BackBufferFormat = D3DFMT_X8R8G8B8;
        pp.MultiSampleType = c.samples;
        pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
        pp.hDeviceWindow = hwnd_;
        pp.Windowed = TRUE;
        pp.EnableAutoDepthStencil = TRUE;
        pp.AutoDepthStencilFormat = c.depth;
        ASSERT_EQ(dev_->Reset(&pp), D3D_OK) << c.name;
        // Mark the window's framebuffer, then clear the back buffer.
        GLint drawing = 0;
        glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &drawing);
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
        glClearColor(0, 1, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, static_cast<GLuint>(drawing));
        ASSERT_EQ(dev_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF102030, 1.0f, 0), D3D_OK);

        glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
        glReadBuffer(GL_BACK);
        unsigned char window[4] = {};
        glReadPixels(1, 1, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, window);
        const bool cleared = window[0] == 0x10 && window[1] == 0x20 && window[2] == 0x30;
        EXPECT_EQ(cleared, c.inWindow) << c.name;

        IDirect3DSurface8* s = nullptr;
        ASSERT_EQ(dev_->CreateImageSurface(c.size, c.size, D3DFMT_A8R8G8B8, &s), D3D_OK);
        auto corner = [&] {
            EXPECT_EQ(dev_->GetFrontBuffer(s), D3D_OK) << c.name;
            D3DLOCKED_RECT lr;
            s->LockRect(&lr, nullptr, 0);
            const DWORD pixel = static_cast<DWORD*>(lr.pBits)[(c.size - 2) * lr.Pitch / 4 + 1] & 0xFFFFFF;
            s->UnlockRect();
            return pixel;
        };
        EXPECT_EQ(corner(), 0x102030u) << c.name;
        // Presented, and presented again without drawing: the frame still reads back.
        EXPECT_EQ(dev_->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK) << c.name;
        EXPECT_EQ(dev_->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK) << c.name;
        EXPECT_EQ(corner(), 0x102030u) << c.name;
        s->Release();
    }
}
