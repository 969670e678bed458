// What the two scene modes draw, pass by pass, on the record backend; the workers' device calls
// across a level change and across resets.
#include <algorithm>
#include <cmath>

#include "framework/apperrors.h"
#include "framework/d3dfont.h"
#include "game/levelread.h"
#include "game/underwater.h"
#include "game/vsconsts.h"
#include "game_fixture.h"

namespace {

using gametest::GameTest;
using gametest::SmallLevel;
using gametest::StartedGameTest;

class RenderTest : public StartedGameTest {
protected:
    // The draws of the last frame (from its Clear on).
    std::vector<const d3d8::Call*> LastFrameDraws() {
        std::vector<const d3d8::Call*> draws;
        for (const d3d8::Call& c : Log()) {
            if (c.method == "Clear") draws.clear();
            if (c.draw) draws.push_back(&c);
        }
        return draws;
    }
    static bool IsText(const d3d8::Call* c) { return c->draw->vertexShader == 0x144; }
    // The vertices of each text draw of the last frame.
    std::vector<std::vector<BYTE>> LastFrameText() {
        std::vector<std::vector<BYTE>> lines;
        for (const d3d8::Call* c : LastFrameDraws())
            if (IsText(c) && !c->draw->streams.empty()) lines.push_back(c->draw->streams[0].data);
        return lines;
    }
    // What the game's font draws for this line at this place, drawn alone and taken out of the log.
    std::vector<std::vector<BYTE>> LineDraws(float x, float y, const char* szText) {
        const size_t nFrom = Log().size();
        App().m_pDevice->BeginScene();
        App().m_pFont->Draw2DText(x, y, kTextColor, szText, 0);
        App().m_pDevice->EndScene();
        std::vector<std::vector<BYTE>> lines;
        for (size_t i = nFrom; i < Log().size(); ++i)
            if (Log()[i].draw && !Log()[i].draw->streams.empty()) lines.push_back(Log()[i].draw->streams[0].data);
        Log().resize(nFrom);
        return lines;
    }
    // Every draw of the line is among the frame's.
    static bool Drawn(const std::vector<std::vector<BYTE>>& frame, const std::vector<std::vector<BYTE>>& line) {
        if (line.empty()) return false;
        for (const auto& d : line)
            if (std::find(frame.begin(), frame.end(), d) == frame.end()) return false;
        return true;
    }
    static const float* Const(const d3d8::Call* c, int r) { return c->draw->constants[r]; }
};

TEST_F(RenderTest, UnderwaterPassesDrawWhatIsNearWithTheirShaders) {
    CGameApp& app = App();
    ASSERT_NE(app.m_dwVSObjects, 0u);
    ASSERT_NE(app.m_dwVSObjects2, 0u);
    Frame(0.5f);
    const auto draws = LastFrameDraws();
    const CSceneObject* pNear = app.m_ppRocks[0];  // 129.9 from the diver in x
    const CSceneObject* pFar = app.m_ppRocks[1];   // 130.0
    int nNear[3] = {}, nFar = 0, nHud[3] = {};
    for (const d3d8::Call* c : draws) {
        if (IsText(c)) continue;
        const float* c51 = Const(c, VSC_OBJECT_POS);
        const int nPass = c->draw->vertexShader == app.m_dwVSObjects    ? 1
                          : c->draw->vertexShader == app.m_dwVSObjects2 ? 2
                                                                        : 0;
        if (c51[0] == pNear->m_Transform.m_vPosition.x) {
            ++nNear[nPass];
            const float* c22 = Const(c, VSC_COLOR_B);
            if (nPass == 1) {
                EXPECT_FLOAT_EQ(c22[0], 0.2f) << "colour B in the base pass";
                EXPECT_FLOAT_EQ(c22[3], 1.0f);
                EXPECT_EQ(c->draw->RenderState(D3DRS_ALPHABLENDENABLE), FALSE);
                EXPECT_EQ(c->draw->RenderState(D3DRS_FOGCOLOR), 0xFF0A2846u);
            } else {
                EXPECT_FLOAT_EQ(c22[0], 0.0f) << "zero in the caustics pass";
                EXPECT_EQ(c->draw->RenderState(D3DRS_ALPHABLENDENABLE), TRUE);
                EXPECT_EQ(c->draw->RenderState(D3DRS_SRCBLEND), D3DBLEND_ONE);
                EXPECT_EQ(c->draw->RenderState(D3DRS_DESTBLEND), D3DBLEND_ONE);
                EXPECT_EQ(c->draw->RenderState(D3DRS_FOGCOLOR), 0u);
                EXPECT_EQ(c->draw->textures[0], app.m_pCausticTex);
            }
            EXPECT_FLOAT_EQ(Const(c, VSC_DIVER_POS)[0], 1500);
            EXPECT_NEAR(Const(c, VSC_LOOK_DIR)[2], 0.8253f, 1e-4f) << "the start pose looks down";
            EXPECT_FLOAT_EQ(Const(c, VSC_OBJECT_POS)[3], 0) << "no float from beyond the vector";
        }
        if (c51[0] == pFar->m_Transform.m_vPosition.x) ++nFar;
        // The HUD's quads; the surface plane is a quad too, at its own place.
        const bool bSurfacePlane = c51[1] == app.m_SurfacePlane.m_Transform.m_vPosition.y;
        if (c->draw->vertexCount == 4 && c->draw->primitiveCount == 2 && !bSurfacePlane) ++nHud[nPass];
    }
    EXPECT_EQ(nNear[1], 1);
    EXPECT_EQ(nNear[2], 1);
    EXPECT_EQ(nFar, 0) << "130.0 away is not near";
    EXPECT_EQ(nHud[1], 3) << "air bar, gauge frame and fill";
    EXPECT_EQ(nHud[2], 0) << "the HUD draws only in the base pass";
    // The caustic frame follows the time: 0.5 s is frame 16.
    EXPECT_EQ(app.m_pCausticTex, app.m_apCausticTex[16]);
    // c24 from the time.
    const float* c24 = Const(draws.front(), VSC_ANIM);
    EXPECT_FLOAT_EQ(c24[2], std::sin(0.5f) / 8);
    EXPECT_FLOAT_EQ(c24[3], std::cos(0.5f) / 10);

    // The next frame's base pass has colour B again.
    Frame(0.6f);
    for (const d3d8::Call* c : LastFrameDraws())
        if (!IsText(c) && c->draw->vertexShader == app.m_dwVSObjects) {
            EXPECT_FLOAT_EQ(Const(c, VSC_COLOR_B)[1], 0.3f);
            break;
        }
}

TEST_F(RenderTest, TextLinesAndTheirPlaces) {
    std::strcpy(App().m_szFrameText, "60.00 fps");
    const float fBottom = 0.955f * 768;
    const struct {
        bool bHelp;
        int nCaught;
        const char* szCount;
    } cases[] = {{false, 0, "Peces :0"}, {true, 1, "Peces :1"}, {false, 12, "Peces :12"}};
    for (const auto& c : cases) {
        App().m_bHelpShown = c.bHelp;
        App().Diver()->m_iFishCaught = c.nCaught;
        Frame(App().m_fAppTime + 0.02f);
        std::vector<std::pair<float, float>> starts;
        for (const d3d8::Call* d : LastFrameDraws()) {
            if (!IsText(d) || d->draw->streams.empty() || d->draw->streams[0].data.size() < 8) continue;
            float xy[2];
            std::memcpy(xy, d->draw->streams[0].data.data(), sizeof xy);
            starts.emplace_back(xy[0], xy[1]);
        }
        // A line's first vertex is its first glyph's lower left corner, half a pixel up and left.
        auto has = [&](float x, float y) {
            for (auto [sx, sy] : starts)
                if (std::fabs(sx - (x - 0.5f)) < 1.0f && sy > y && sy < y + 30) return true;
            return false;
        };
        EXPECT_TRUE(has(2, 0)) << "statistics or help at (2, 0), help " << c.bHelp;
        EXPECT_TRUE(has(778.24f, 733.44f)) << "AIRE";
        EXPECT_TRUE(has(614.4f, 733.44f)) << "Peces";
        EXPECT_TRUE(has(102.4f, 733.44f)) << "message";

        // The lines themselves: the count of this diver's catches, and the frame-rate line only
        // while the help, which takes its place, is hidden.
        const auto text = LastFrameText();
        EXPECT_STREQ(g_szFishCount, c.szCount);
        EXPECT_TRUE(Drawn(text, LineDraws(0.6f * 1024, fBottom, c.szCount))) << c.szCount;
        EXPECT_EQ(Drawn(text, LineDraws(2, 0, "60.00 fps")), !c.bHelp) << "frame-rate line, help " << c.bHelp;
        EXPECT_EQ(Drawn(text, LineDraws(2, 0, g_szHelpText)), c.bHelp) << "help " << c.bHelp;
    }
}

TEST_F(RenderTest, SurfaceEntryConstants) {
    CGameApp& app = App();
    app.Diver()->m_Transform.m_vPosition.y = 46;
    app.Diver()->m_Transform.m_vRotation = D3DXVECTOR3(0, 0.5f, 0);  // looking up
    app.Diver()->m_fStartTimer = 0;                                  // past the start pose
    Frame(0.1f);
    Frame(0.2f);
    ASSERT_EQ(app.m_bSurfaceMode, 1);
    Frame(0.3f);
    const auto draws = LastFrameDraws();
    const d3d8::Call* pBoat = nullptr;
    for (const d3d8::Call* c : draws)
        if (!IsText(c)) pBoat = c;
    ASSERT_NE(pBoat, nullptr) << "the boat draws at the surface";
    EXPECT_FLOAT_EQ(Const(pBoat, VSC_COLOR_A)[0], 0.5f);
    EXPECT_FLOAT_EQ(Const(pBoat, VSC_COLOR_B)[0], 0.5f);
    EXPECT_FLOAT_EQ(Const(pBoat, VSC_HIGHLIGHT)[3], 0.5f);
    EXPECT_FLOAT_EQ(Const(pBoat, VSC_CONST_1)[3], 5.0f);
    EXPECT_FLOAT_EQ(Const(pBoat, VSC_LIGHT_DIR)[2], -0.4358899f);
    EXPECT_EQ(pBoat->draw->RenderState(D3DRS_FOGENABLE), FALSE);
    EXPECT_EQ(pBoat->draw->RenderState(D3DRS_ALPHATESTENABLE), TRUE) << "the alpha test stays";
    EXPECT_FLOAT_EQ(Const(pBoat, VSC_FOG)[1], 150) << "fog not written at the surface";
}

TEST_F(RenderTest, ChangeLevelOrderAndSecondInvalidate) {
    CGameApp& app = App();
    Log().clear();
    std::strcpy(app.m_szNextLevelDir, "nivel2\\");
    app.ChangeLevel();
    int nDelete = 0, nCreateShader = 0, iFirstCreateShader = -1, iLastDelete = -1, iFirstTexture = -1;
    for (size_t i = 0; i < Log().size(); ++i) {
        const std::string& m = Log()[i].method;
        if (m == "DeleteVertexShader") ++nDelete, iLastDelete = static_cast<int>(i);
        if (m == "CreateVertexShader" && nCreateShader++ == 0) iFirstCreateShader = static_cast<int>(i);
        if (m == "CreateTexture" && iFirstTexture < 0) iFirstTexture = static_cast<int>(i);
    }
    EXPECT_EQ(nDelete, 8);
    EXPECT_EQ(nCreateShader, 8);
    EXPECT_LT(iLastDelete, iFirstTexture) << "invalidate and destroy before the new loads";
    EXPECT_LT(iFirstTexture, iFirstCreateShader) << "load before restore";
    EXPECT_STREQ(app.m_szLevelDir, "nivel2\\");
    EXPECT_EQ(app.m_bIntroStarted, 1);
    EXPECT_STREQ(app.m_VideoScreen.m_szMovieFile, "nivel2\\intro.avi") << "the new level's intro";

    Log().clear();
    app.InvalidateObjects();
    app.InvalidateObjects();
    int nDeletes = 0;
    for (const d3d8::Call& c : Log()) nDeletes += c.method == "DeleteVertexShader";
    EXPECT_EQ(nDeletes, 8) << "the second invalidate finds every handle at 0";
    EXPECT_EQ(app.RestoreObjects(), 0);
}

TEST_F(RenderTest, AnUnreadableNextLevelKeepsTheOneThatWasPlaying) {
    CGameApp& app = App();
    std::strcpy(app.m_szNextLevelDir, "nivel9\\");
    app.ChangeLevel();
    EXPECT_STREQ(app.m_szLevelDir, "nivel1\\");
    ASSERT_NE(app.Diver(), nullptr);
    EXPECT_EQ(app.m_nRocks, 2);
    EXPECT_STREQ(g_szMessage, "No se pudo cargar el nivel nivel9\\");
    EXPECT_NE(app.m_dwVSObjects, 0u) << "the level was loaded and restored again";
}

// Neither the next level nor the one playing can be read (the files went away while the game ran):
// the frame fails before it renders, so the frame loop closes the window, and nothing is drawn.
TEST_F(RenderTest, NoLevelLeftFailsTheFrameBeforeItRenders) {
    CGameApp& app = App();
    ASSERT_EQ(Frame(0.1f), S_OK);
    std::filesystem::remove_all(dir_ / "nivel1");
    std::filesystem::remove_all(dir_ / "nivel2");
    struct Case {
        const char* szWhat;
        void (*pRequest)(CGameApp&);
    };
    const Case cases[] = {
        {"the next level asked for", [](CGameApp&) { g_bNextLevelRequested = 1; }},
        {"the restart after drowning", [](CGameApp& a) { a.Diver()->m_iState = 2; }},
    };
    for (const Case& c : cases) {
        ASSERT_NE(app.Diver(), nullptr) << c.szWhat;
        c.pRequest(app);
        Log().clear();
        EXPECT_TRUE(FAILED(app.UpdateFrame())) << c.szWhat;
        EXPECT_EQ(app.Diver(), nullptr) << c.szWhat;
        EXPECT_STRNE(lvlLastError(), "") << c.szWhat;
        for (const d3d8::Call& call : Log()) EXPECT_FALSE(call.draw) << c.szWhat << ": " << call.method;
        // The next case starts from a level again.
        WriteLevel("nivel1", SmallLevel("nivel2"));
        ASSERT_EQ(app.ChangeLevel(), 0) << c.szWhat;
        std::filesystem::remove_all(dir_ / "nivel1");
    }
}

TEST_F(RenderTest, MissingCausticFrameFailsTheLoad) {
    CGameApp& app = App();
    app.OnDeviceLost();
    app.OnDeviceDestroyed();
    Write(".", "Caust05.tga", "not an image");
    EXPECT_EQ(app.OnDeviceCreated(), AppErrMediaNotFound);
    EXPECT_NE(app.m_apCausticTex[4], nullptr);
    EXPECT_EQ(app.m_apCausticTex[5], nullptr);
    EXPECT_EQ(app.m_apCausticTex[6], nullptr);
}

// Many level changes and device resets: every device object of ours is released (the fixture's
// teardown checks that the device goes with its last reference) and the lists stay whole.
TEST_F(RenderTest, SoakOfLevelChangesAndResets) {
    CGameApp& app = App();
    for (int i = 0; i < 20; ++i) {
        g_bNextLevelRequested = 1;
        ASSERT_EQ(Frame(1.0f + i * 0.1f), 0);
        app.OnDeviceLost();
        ASSERT_EQ(app.OnDeviceReset(), 0);
        ASSERT_EQ(Frame(1.05f + i * 0.1f), 0);
        if (i % 5 == 0) {  // now and then the device is made again
            app.OnDeviceLost();
            app.OnDeviceDestroyed();
            ASSERT_EQ(app.OnDeviceCreated(), 0);
            ASSERT_EQ(app.OnDeviceReset(), 0);
        }
    }
    EXPECT_STREQ(app.m_szLevelDir, "nivel1\\");
    EXPECT_EQ(app.m_nRocks, 2);
    EXPECT_EQ(app.m_nFish, 1);
    EXPECT_EQ(g_nWaypoints, 2);
}

}  // namespace
