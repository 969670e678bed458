// The surface step frame by frame on a small level: the boat driven by its keys at the real frame
// time, the overlay marker's turn, the sea's grid recomputed and copied whole every frame, the
// caustic frame and the sea floor's window that move on at the surface, the two text lines.
#include <cmath>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "framework/d3dfont.h"
#include "game/terrain.h"
#include "game_fixture.h"

namespace {

using gametest::GameTest;
using gametest::SmallLevel;

class SurfaceStepTest : public GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        WriteLevel("nivel1", SmallLevel("nivel2"));
        WriteLevel("nivel2", SmallLevel("nivel1"));
        gametest::WriteBmp2x2((dir_ / "mar.bmp").string());
        // A flat floor at y 10 everywhere.
        std::vector<unsigned char> map(static_cast<size_t>(kMapColumns) * kMapRows, 50);
        std::ofstream(dir_ / "height.raw", std::ios::binary)
            .write(reinterpret_cast<const char*>(map.data()), map.size());
        StartDevice();
        App().m_pTerrain->Reset(D3DXVECTOR3(0, 0, 0));
    }
    void Key(int nKey, bool bDown) { App().HandleMessage(nullptr, bDown ? WM_KEYDOWN : WM_KEYUP, nKey, 0); }
    // One world step: the clock moves by fAppStep while the frame time given is fFrameTime.
    void Step(float fAppStep, float fFrameTime) {
        App().m_fAppTime += fAppStep;
        App().m_fFrameTime = fFrameTime;
        ASSERT_EQ(App().UpdateFrame(), 0);
    }
    // Up at the boat, looking up, until the surface mode runs its own step.
    bool EnterSurface() {
        CGameApp& app = App();
        CDiver* pDiver = app.Diver();
        pDiver->m_Transform.m_vPosition.y = 46;
        pDiver->m_Transform.m_vRotation = D3DXVECTOR3(0, 0.5f, 0);
        pDiver->m_fStartTimer = 0;
        for (int i = 0; i < 5 && !app.m_bSurfaceMode; ++i) Step(0.02f, 0.02f);
        Step(0.02f, 0.02f);
        return app.m_bSurfaceMode == 1;
    }
};

// Throttle from 'W' and 'S' at the frame time, the helm from the arrow keys by the throttle.
TEST_F(SurfaceStepTest, BoatFollowsItsKeysAtTheFrameTime) {
    CGameApp& app = App();
    ASSERT_TRUE(EnterSurface());
    CBoat& boat = app.m_Boat;
    struct Case {
        const char* szWhat;
        std::vector<int> keys;
        float fThrottleSign;  // of the throttle's change before the drag
        float fHelm;          // the yaw input per unit of s
    };
    const Case cases[] = {
        {"W opens the throttle", {'W'}, 1, 0},
        {"W with the left arrow turns left", {'W', VK_LEFT}, 1, 0.13f},
        {"W with the right arrow turns right", {'W', VK_RIGHT}, 1, -0.13f},
        {"both arrows cancel", {'W', VK_LEFT, VK_RIGHT}, 1, 0},
        {"nothing held: drag only", {}, 0, 0},
        {"W wins over S", {'W', 'S'}, 1, 0},
        {"S closes it", {'S'}, -1, 0},
        {"S held long: backward, the helm reversed", {'S', VK_LEFT}, -1, 0.13f},
        {"up and down arrows are not the throttle", {VK_UP, VK_DOWN}, 0, 0},
    };
    // The frame time differs from the clock's step (and so from the game step, 5 x 0.02).
    const float dt = 0.03f;
    for (const Case& c : cases) {
        for (int n = 0; n < (c.fThrottleSign < 0 ? 40 : 3); ++n) {
            for (int k : c.keys) Key(k, true);
            const float fSpeed = boat.m_fspeed;
            const float fYawRate = boat.m_vAngularVelocity.x;
            Step(0.02f, dt);
            ASSERT_EQ(app.m_bSurfaceMode, 1) << c.szWhat;
            float fExpected = fSpeed + c.fThrottleSign * 0.8f * dt;
            fExpected -= fExpected * dt * 0.9f;
            fExpected = std::fmin(std::fmax(fExpected, -0.7f), 0.7f);
            EXPECT_NEAR(boat.m_fspeed, fExpected, 1e-6) << c.szWhat << ", frame " << n;
            EXPECT_NEAR(boat.m_vAngularVelocity.x, 0.9f * fYawRate + c.fHelm * fExpected / 0.7f, 1e-6)
                << c.szWhat << ", frame " << n;
        }
        for (int k : c.keys) Key(k, false);
    }
    EXPECT_LT(boat.m_fspeed, -0.1f) << "the boat went backward";
}

// The marker turns by the boat's yaw, not negated: a quarter turn counter-clockwise for pi/2.
TEST_F(SurfaceStepTest, BoatMarkerTurnsCounterClockwiseWithTheYaw) {
    CGameApp& app = App();
    ASSERT_TRUE(EnterSurface());
    app.m_Boat.m_Transform.m_vRotation.x = 1.5707963f;
    app.m_Boat.m_vAngularVelocity = D3DXVECTOR3(0, 0, 0);
    Step(0.02f, 0.02f);
    const D3DXMATRIX& m = app.m_ppBoatGui[kGuiBoatMarker]->m_matWorld2D;
    D3DXVECTOR3 vRight, vAcross(1, 0, 0);
    D3DXVec3TransformNormal(&vRight, &vAcross, &m);
    EXPECT_NEAR(vRight.x, 0.0f, 1e-5);
    EXPECT_NEAR(vRight.y, 1.0f, 1e-5) << "the screen's +x turns to +y (y up)";
}

// Every vertex of the sea's vertex buffer holds the wave height at its world place at the frame's
// application time, in two frames between which the waves have moved.
TEST_F(SurfaceStepTest, SeaGridIsRecomputedAndCopiedWholeEveryFrame) {
    CGameApp& app = App();
    CSeaSurface& sea = app.m_pSeaSky->m_SeaSurface;
    ASSERT_TRUE(sea.Created());
    ASSERT_TRUE(EnterSurface());
    const int n = sea.m_nSide;
    ASSERT_EQ(n, 80);
    std::vector<float> previous;
    for (float fStep : {0.25f, 0.5f}) {
        Step(fStep, 0.02f);
        const D3DXMATRIX& matWorld = app.m_pSeaSky->m_Transform.m_matWorld;
        BYTE* pb = nullptr;
        ASSERT_EQ(sea.m_pVB->Lock(0, 0, &pb, 0), D3D_OK);
        const auto* pV = reinterpret_cast<const SceneVertex*>(pb);
        int nWrong = 0, nMoved = 0, nFirstWrong = -1;
        std::vector<float> heights;
        for (int k = 0; k < n * n; ++k) {
            D3DXVECTOR3 w;
            const D3DXVECTOR3 vLocal(pV[k].x, 0, pV[k].z);
            D3DXVec3TransformCoord(&w, &vLocal, &matWorld);
            const float fHeight = sea.GetHeight(app.m_fAppTime, w.x, w.z);
            if (std::fabs(pV[k].y - fHeight) > 1e-4f || std::fabs(pV[k].u - seaMirror(w.x / 100)) > 1e-5f) {
                if (nFirstWrong < 0) nFirstWrong = k;
                ++nWrong;
            }
            nMoved += !previous.empty() && std::fabs(sea.GetHeight(app.m_fAppTime - fStep, w.x, w.z) - fHeight) > 1e-3f;
            heights.push_back(pV[k].y);
        }
        sea.m_pVB->Unlock();
        EXPECT_EQ(nWrong, 0) << "at " << app.m_fAppTime << ", first at vertex " << nFirstWrong;
        if (!previous.empty()) {
            EXPECT_GT(nMoved, n * n / 2) << "the waves moved between the frames";
        }
        previous = heights;
    }
}

// The surface step picks the caustic frame from the application time and moves the sea floor's
// window with the diver, who rides the boat.
TEST_F(SurfaceStepTest, CausticFrameAndFloorWindowMoveOnAtTheSurface) {
    CGameApp& app = App();
    ASSERT_TRUE(EnterSurface());
    for (float fTime : {10.0f, 10.1f, 10.45f}) {
        Step(fTime - app.m_fAppTime, 0.02f);
        const int nFrame = static_cast<int>(fTime * 32.0f) % 32;
        EXPECT_EQ(app.m_pCausticTex, app.m_apCausticTex[nFrame]) << fTime;
    }
    // The boat carried far away: the floor under it is in the window of the next step.
    CBoat& boat = app.m_Boat;
    const D3DXVECTOR3 vFar = boat.m_Transform.m_vPosition + D3DXVECTOR3(1200, 0, 600);
    const D3DXVECTOR3 vBelow(vFar.x, 5, vFar.z);
    ASSERT_EQ(app.m_pTerrain->IsBelowSurface(vBelow), 0) << "outside the window before";
    boat.m_Transform.m_vPosition = vFar;
    D3DXMatrixTranslation(&boat.m_Transform.m_matWorld, vFar.x, vFar.y, vFar.z);
    Step(0.02f, 0.02f);  // the diver takes his seat
    Step(0.02f, 0.02f);  // the floor's window follows him
    ASSERT_EQ(app.m_bSurfaceMode, 1);
    const D3DXVECTOR3 vDiver = app.Diver()->m_Transform.m_vPosition;
    ASSERT_LT(std::fabs(vDiver.x - vFar.x), 10.0f);
    EXPECT_EQ(app.m_pTerrain->IsBelowSurface(D3DXVECTOR3(vDiver.x, 5, vDiver.z)), 1);
}

// The surface frame writes two lines: the statistics at (2, 0), then the sea's status line at
// (2, 20), both opaque yellow; nothing else is written.
TEST_F(SurfaceStepTest, StatisticsThenTheSeasStatusLine) {
    CGameApp& app = App();
    ASSERT_TRUE(EnterSurface());
    ASSERT_STREQ(g_szSurfaceText, "iNumVerticesX80 iNumVerticesY80 fTotalSize400.000000");
    std::strcpy(app.m_szFrameText, "stats");
    app.m_bHelpShown = 1;  // the help does not show at the surface
    std::vector<d3d8::Call>& log = *d3d8::RecordLog(app.m_pDevice);
    log.clear();
    ASSERT_EQ(app.RenderScene(), 0);
    struct Line {
        float fX, fY;
        size_t nGlyphs;
    };
    std::vector<Line> lines;
    for (const d3d8::Call& c : log) {
        if (!c.draw || c.draw->vertexShader != (D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1)) continue;
        const auto& data = c.draw->streams.at(0).data;
        const auto* pV = reinterpret_cast<const FontScreenVertex*>(data.data());
        const size_t nVertices = c.draw->primitiveCount * 3;
        ASSERT_GE(data.size(), nVertices * sizeof(FontScreenVertex));
        Line line{1e9f, 1e9f, nVertices / 6};
        for (size_t k = 0; k < nVertices; ++k) {
            line.fX = std::fmin(line.fX, pV[k].x);
            line.fY = std::fmin(line.fY, pV[k].y);
            EXPECT_EQ(pV[k].color, 0xFFFFFF00u);
        }
        // A line longer than the font's buffer goes on in a further draw.
        if (!lines.empty() && lines.back().fY == line.fY)
            lines.back().nGlyphs += line.nGlyphs;
        else
            lines.push_back(line);
    }
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_FLOAT_EQ(lines[0].fX, 2 - 0.5f);
    EXPECT_FLOAT_EQ(lines[0].fY, 0 - 0.5f);
    EXPECT_EQ(lines[0].nGlyphs, std::strlen("stats"));
    EXPECT_FLOAT_EQ(lines[1].fX, 2 - 0.5f);
    EXPECT_FLOAT_EQ(lines[1].fY, 20 - 0.5f);
    EXPECT_EQ(lines[1].nGlyphs, std::strlen(g_szSurfaceText));
}

}  // namespace
