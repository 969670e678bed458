// What the lamp, the fog, the HUD gauges, the diver's base pass and the surface plane send to the
// device, read back from the record backend's draws and buffers.
#include <cmath>
#include <string>
#include <vector>

#include "game/vsconsts.h"
#include "game_fixture.h"

namespace {

using gametest::StartedGameTest;

class PresentationTest : public StartedGameTest {
protected:
    // The draws of the last frame (from its Clear on), text excepted.
    std::vector<const d3d8::DrawRecord*> LastFrameDraws() {
        std::vector<const d3d8::DrawRecord*> draws;
        for (const d3d8::Call& c : Log()) {
            if (c.method == "Clear") draws.clear();
            if (c.draw && c.draw->vertexShader != 0x144) draws.push_back(c.draw.get());
        }
        return draws;
    }
    static D3DXVECTOR4 Const(const d3d8::DrawRecord* d, int r) {
        return D3DXVECTOR4(d->constants[r][0], d->constants[r][1], d->constants[r][2], d->constants[r][3]);
    }
    static std::vector<SceneVertex> Vertices(IDirect3DVertexBuffer8* pVB) {
        BYTE* p = nullptr;
        if (!pVB || FAILED(pVB->Lock(0, 0, &p, 0))) return {};
        const auto* pV = reinterpret_cast<const SceneVertex*>(p);
        std::vector<SceneVertex> v(pV, pV + 4);
        pVB->Unlock();
        return v;
    }
    void Key(int nKey, bool bDown) { App().HandleMessage(nullptr, bDown ? WM_KEYDOWN : WM_KEYUP, nKey, 0); }
};

TEST_F(PresentationTest, TheLampSendsItsColourConeAndFalloffAndOffClearsOnlyTheColour) {
    const D3DXVECTOR4 vOn(9.9f, 9.9f, 9.9f, 0.86f), vFalloff(1.0f, 0.0f, 0.08f, 0.0f), vZero(0, 0, 0, 0);
    const struct {
        bool bOn;
        D3DXVECTOR4 vLamp;
    } presses[] = {{true, vOn}, {false, vZero}, {true, vOn}};
    float fTime = 0.5f;
    for (const auto& p : presses) {
        Key('L', true);
        Frame(fTime += 0.1f);
        Key('L', false);
        Frame(fTime += 0.1f);
        ASSERT_EQ(App().m_Lamp.m_bOn, p.bOn ? 1 : 0);
        const auto draws = LastFrameDraws();
        ASSERT_FALSE(draws.empty());
        EXPECT_EQ(Const(draws.back(), VSC_LAMP), p.vLamp) << "lamp " << p.bOn;
        EXPECT_EQ(Const(draws.back(), VSC_LAMP2), vFalloff) << "lamp " << p.bOn;
    }
}

// Alt+Enter resets the device, and a reset clears the shader constants: a lamp that is on is lit
// again in the first frame after it.
TEST_F(PresentationTest, ALampThatIsOnStaysLitAfterADeviceReset) {
    const D3DXVECTOR4 vOn(9.9f, 9.9f, 9.9f, 0.86f), vFalloff(1.0f, 0.0f, 0.08f, 0.0f);
    Key('L', true);
    Frame(0.6f);
    Key('L', false);
    ASSERT_EQ(App().m_Lamp.m_bOn, 1);
    App().OnDeviceLost();
    D3DPRESENT_PARAMETERS pp{};
    pp.BackBufferWidth = 1024;
    pp.BackBufferHeight = 768;
    pp.BackBufferFormat = D3DFMT_X8R8G8B8;
    pp.BackBufferCount = 1;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.Windowed = TRUE;
    pp.EnableAutoDepthStencil = TRUE;
    pp.AutoDepthStencilFormat = D3DFMT_D16;
    ASSERT_EQ(App().m_pDevice->Reset(&pp), D3D_OK);
    ASSERT_EQ(App().OnDeviceReset(), 0);
    Frame(0.7f);
    const auto draws = LastFrameDraws();
    ASSERT_FALSE(draws.empty());
    EXPECT_EQ(App().m_Lamp.m_bOn, 1);
    EXPECT_EQ(Const(draws.front(), VSC_LAMP), vOn);
    EXPECT_EQ(Const(draws.back(), VSC_LAMP), vOn);
    EXPECT_EQ(Const(draws.back(), VSC_LAMP2), vFalloff);
}

TEST_F(PresentationTest, UnderwaterFogRunsFromTheLevelsStartToItsEnd) {
    // The level's fog runs from 20 to 150: c23 = (0.5, end, 1 / (end - start), 0).
    Frame(0.5f);
    const auto draws = LastFrameDraws();
    ASSERT_FALSE(draws.empty());
    for (const d3d8::DrawRecord* d : {draws.front(), draws.back()}) {
        const D3DXVECTOR4 c23 = Const(d, VSC_FOG);
        EXPECT_FLOAT_EQ(c23.x, 0.5f);
        EXPECT_FLOAT_EQ(c23.y, 150.0f);
        EXPECT_FLOAT_EQ(c23.z, 1.0f / 130.0f);
        EXPECT_FLOAT_EQ(c23.w, 0.0f);
    }
}

TEST_F(PresentationTest, AirBarAndStrokeGaugeFollowTheDiver) {
    CGameApp& app = App();
    CHudGauges& hud = app.m_Hud;
    const struct {
        float fAirFraction, fEffort;
        float fRight, fLeftUV, fRightUV, fFillTop;
    } cases[] = {
        {1.0f, 0.0f, 0.38f, 0.003f, 0.2f, -0.475f},
        {0.5f, 0.5f, 0.28f, 0.4f, 0.6f, -0.39f},
        {0.0f, 1.0f, 0.18f, 0.8f, 1.0f, -0.305f},
    };
    for (const auto& c : cases) {
        app.Diver()->m_fAir = c.fAirFraction * app.m_fMaxAir;
        app.Diver()->m_fEffort = c.fEffort;
        ASSERT_EQ(hud.Update(), 0);
        const std::vector<SceneVertex> bar = Vertices(hud.m_apQuadVB[0]), fill = Vertices(hud.m_apQuadVB[3]);
        ASSERT_EQ(bar.size(), 4u);
        ASSERT_EQ(fill.size(), 4u);
        const std::string strCase = "air " + std::to_string(c.fAirFraction) + " effort " + std::to_string(c.fEffort);
        // (x, y, u, v) of the bar's corners: left bottom, right bottom, right top, left top.
        const float expected[4][4] = {{0.18f, -0.48f, c.fLeftUV, c.fLeftUV},
                                      {c.fRight, -0.48f, c.fRightUV, c.fRightUV},
                                      {c.fRight, -0.45f, c.fRightUV, c.fRightUV},
                                      {0.18f, -0.45f, c.fLeftUV, c.fLeftUV}};
        for (int k = 0; k < 4; ++k) {
            EXPECT_NEAR(bar[k].x, expected[k][0], 1e-6) << strCase << " vertex " << k;
            EXPECT_NEAR(bar[k].y, expected[k][1], 1e-6) << strCase << " vertex " << k;
            EXPECT_NEAR(bar[k].u, expected[k][2], 1e-6) << strCase << " vertex " << k;
            EXPECT_NEAR(bar[k].v, expected[k][3], 1e-6) << strCase << " vertex " << k;
            EXPECT_FLOAT_EQ(bar[k].z, 0.01f);
            EXPECT_EQ(D3DXVECTOR3(bar[k].nx, bar[k].ny, bar[k].nz), D3DXVECTOR3(0, 1, 1));
        }
        // The fill keeps its bottom and rises with the effort.
        const float fillExpected[4][2] = {{0.41f, -0.475f}, {0.44f, -0.475f}, {0.44f, c.fFillTop}, {0.41f, c.fFillTop}};
        for (int k = 0; k < 4; ++k) {
            EXPECT_NEAR(fill[k].x, fillExpected[k][0], 1e-6) << strCase << " fill vertex " << k;
            EXPECT_NEAR(fill[k].y, fillExpected[k][1], 1e-6) << strCase << " fill vertex " << k;
        }
    }
}

TEST_F(PresentationTest, TheDiversBasePassIsLitBrighterThanTheRest) {
    CGameApp& app = App();
    Frame(0.5f);
    const D3DXVECTOR3 vDiver = app.Diver()->m_Transform.m_vPosition;
    const auto draws = LastFrameDraws();
    // At the diver's place: the spear in its gun, then the diver, in each pass.
    std::vector<size_t> at[3];
    for (size_t i = 0; i < draws.size(); ++i) {
        const d3d8::DrawRecord* d = draws[i];
        const int nPass = d->vertexShader == app.m_dwVSObjects ? 1 : d->vertexShader == app.m_dwVSObjects2 ? 2 : 0;
        const D3DXVECTOR4 c51 = Const(d, VSC_OBJECT_POS);
        if (nPass && D3DXVECTOR3(c51.x, c51.y, c51.z) == vDiver) at[nPass].push_back(i);
    }
    ASSERT_EQ(at[1].size(), 2u);
    ASSERT_EQ(at[2].size(), 2u);
    const size_t iSpear = at[1][0], iDiver = at[1][1];
    ASSERT_LT(iDiver + 1, draws.size());
    const struct {
        const char* szWhat;
        size_t i;
        float fColourB;
    } cases[] = {{"spear", iSpear, 0.2f},
                 {"diver", iDiver, 0.8f},
                 {"the draw after the diver", iDiver + 1, 0.2f},
                 {"spear in pass 2", at[2][0], 0.0f},
                 {"diver in pass 2", at[2][1], 0.0f}};
    for (const auto& c : cases) {
        const D3DXVECTOR4 c22 = Const(draws[c.i], VSC_COLOR_B);
        EXPECT_FLOAT_EQ(c22.x, c.fColourB) << c.szWhat;
        EXPECT_FLOAT_EQ(c22.y, c.fColourB == 0.2f ? 0.3f : c.fColourB) << c.szWhat;
    }
}

TEST_F(PresentationTest, TheSurfacePlaneFacesDownTowardsTheDiverAndCoversItsSquare) {
    CGameApp& app = App();
    Frame(0.5f);
    int nPlane = 0;
    for (const d3d8::DrawRecord* d : LastFrameDraws()) {
        if (Const(d, VSC_OBJECT_POS).y != 45.3f || d->vertexCount != 4) continue;
        ++nPlane;
        ASSERT_EQ(d->indices.size(), 6u);
        const auto* pV = reinterpret_cast<const SceneVertex*>(d->streams.at(0).data.data());
        float fArea = 0;
        for (int t = 0; t < 2; ++t) {
            const SceneVertex &p = pV[d->indices[3 * t]], &q = pV[d->indices[3 * t + 1]],
                              &r = pV[d->indices[3 * t + 2]];
            // y of (q - p) x (r - p): below zero, the triangle is clockwise seen from below, where the
            // default culling keeps it.
            const float fNormalY = (q.z - p.z) * (r.x - p.x) - (q.x - p.x) * (r.z - p.z);
            EXPECT_LT(fNormalY, 0) << "triangle " << t;
            fArea += -fNormalY / 2;
        }
        EXPECT_FLOAT_EQ(fArea, 200 * 200) << "the two triangles cover the square once";
        EXPECT_EQ(d->RenderState(D3DRS_CULLMODE), static_cast<DWORD>(D3DCULL_CCW));
    }
    EXPECT_EQ(nPlane, 2) << "both passes";
    (void)app;
}

}  // namespace
