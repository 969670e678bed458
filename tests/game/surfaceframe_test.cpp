// The surface on the record backend: the sea grid the device holds, the boat's centred mesh, the
// overlay's reader, depth sounder and trace, and what one surface frame draws, in which order and
// with which state.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "game/vsconsts.h"
#include "game_fixture.h"
#include "media_game.h"

namespace {

using gametest::GameTest;
using gametest::MediaGame;
using gametest::SmallLevel;

// Brings the player up to the surface looking up and steps until the surface mode is entered; the
// frame that entered it has been updated, not drawn.
bool EnterSurface(CGameApp& app) {
    CDiver* pDiver = app.Diver();
    pDiver->m_Transform.m_vPosition.y = 46;
    pDiver->m_Transform.m_vRotation = D3DXVECTOR3(0, 0.5f, 0);
    pDiver->m_fStartTimer = 0;
    for (int i = 0; i < 5 && !app.m_bSurfaceMode; ++i) {
        app.m_fFrameTime = 0.02f;
        app.m_fAppTime += 0.02f;
        app.UpdateFrame();
    }
    return app.m_bSurfaceMode == 1;
}

// The draws of one rendered frame.
std::vector<d3d8::DrawRecord> RenderFrame(CGameApp& app) {
    std::vector<d3d8::Call>& log = *d3d8::RecordLog(app.m_pDevice);
    log.clear();
    app.RenderScene();
    std::vector<d3d8::DrawRecord> draws;
    for (const d3d8::Call& c : log)
        if (c.draw) draws.push_back(*c.draw);
    return draws;
}

void ExpectConst(const d3d8::DrawRecord& d, int r, float x, float y, float z, float w, const std::string& strWhat) {
    EXPECT_FLOAT_EQ(d.constants[r][0], x) << strWhat << " c" << r;
    EXPECT_FLOAT_EQ(d.constants[r][1], y) << strWhat << " c" << r;
    EXPECT_FLOAT_EQ(d.constants[r][2], z) << strWhat << " c" << r;
    EXPECT_FLOAT_EQ(d.constants[r][3], w) << strWhat << " c" << r;
}

// ---- The generated first level on the record backend ----

class SurfaceMediaTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(game_.Start(), ""); }
    MediaGame game_{"surface", d3d8::BackendKind::Record};
};

TEST_F(SurfaceMediaTest, SeaGridLayoutAndWaves) {
    CGameApp& app = game_.App();
    CSeaSurface& sea = app.m_pSeaSky->m_SeaSurface;
    ASSERT_TRUE(sea.Valid());
    ASSERT_TRUE(sea.Created());
    ASSERT_EQ(sea.m_nSide, 80);
    EXPECT_STREQ(g_szSurfaceText, "iNumVerticesX80 iNumVerticesY80 fTotalSize400.000000");
    const SceneVertex* v = sea.m_pVertices;
    const float S = 400;
    const struct {
        int k;
        float x, z, u, vv;
    } corners[] = {{0, -40.0f / 79 * S, 73.0f / 79 * S, 0, 0},
                   {79, 39.0f / 79 * S, 73.0f / 79 * S, 2, 0},
                   {79 * 80, -40.0f / 79 * S, -6.0f / 79 * S, 0, 2},
                   {81, -39.0f / 79 * S, 72.0f / 79 * S, 2.0f / 79, 2.0f / 79}};
    for (const auto& c : corners) {
        EXPECT_FLOAT_EQ(v[c.k].x, c.x) << c.k;
        EXPECT_FLOAT_EQ(v[c.k].z, c.z) << c.k;
        EXPECT_FLOAT_EQ(v[c.k].u, c.u) << c.k;
        EXPECT_FLOAT_EQ(v[c.k].v, c.vv) << c.k;
    }
    BYTE* pb = nullptr;
    ASSERT_EQ(sea.m_pIB->Lock(0, 0, &pb, 0), D3D_OK);
    const WORD* pI = reinterpret_cast<const WORD*>(pb);
    EXPECT_EQ(std::vector<WORD>(pI, pI + 12), (std::vector<WORD>{0, 1, 81, 0, 81, 80, 80, 81, 161, 80, 161, 160}))
        << "the first cell, then the next row's";
    sea.m_pIB->Unlock();

    // Waves under a turned and moved grid: heights and texture from world positions.
    D3DXMATRIX matTurn, matMove, matWorld;
    D3DXMatrixRotationY(&matTurn, -0.7f);
    D3DXMatrixTranslation(&matMove, 1500, 45, 1000);
    D3DXMatrixMultiply(&matWorld, &matTurn, &matMove);
    sea.ComputeWaves(3.25f, matWorld);
    int nTilted = 0;
    for (int j = 0; j < 80; ++j)
        for (int i = 0; i < 80; ++i) {
            const SceneVertex& p = v[j * 80 + i];
            if (i == 0 || j == 0 || i == 79 || j == 79) {
                EXPECT_EQ(p.nx, 0.0f);
                EXPECT_EQ(p.ny, 1.0f);
                EXPECT_EQ(p.nz, 0.0f);
            } else {
                EXPECT_GT(p.ny, 0.5f) << "interior normals point up";
                EXPECT_NEAR(p.nx * p.nx + p.ny * p.ny + p.nz * p.nz, 1.0f, 1e-4f);
                nTilted += p.ny < 0.9999f;
            }
        }
    EXPECT_GT(nTilted, 3000) << "the waves tilt the interior";
    const SceneVertex& p = v[37 * 80 + 21];
    D3DXVECTOR3 w;
    const D3DXVECTOR3 vLocal(p.x, 0, p.z);
    D3DXVec3TransformCoord(&w, &vLocal, &matWorld);
    EXPECT_FLOAT_EQ(p.y, sea.GetHeight(3.25f, w.x, w.z));
    EXPECT_FLOAT_EQ(p.u, seaMirror(w.x / 100));
    EXPECT_FLOAT_EQ(p.v, seaMirror(w.z / 100));
    // A hand-made normal: the cross product of the row and column neighbours.
    const SceneVertex &r = v[37 * 80 + 22], &d = v[38 * 80 + 21];
    D3DXVECTOR3 a(r.x - p.x, r.y - p.y, r.z - p.z), b(d.x - p.x, d.y - p.y, d.z - p.z), n;
    D3DXVec3Cross(&n, &a, &b);
    D3DXVec3Normalize(&n, &n);
    EXPECT_NEAR(p.nx, n.x, 1e-6f);
    EXPECT_NEAR(p.nz, n.z, 1e-6f);

    // A device loss takes the grid; the restore builds it again.
    game_.App().InvalidateObjects();
    EXPECT_FALSE(sea.Created());
    EXPECT_EQ(sea.m_pVB, nullptr);
    EXPECT_EQ(game_.App().RestoreObjects(), 0);
    EXPECT_TRUE(sea.Created());
}

// One surface frame of the generated level: what is drawn, in order, and with which state.
TEST_F(SurfaceMediaTest, SurfaceFrameDrawsInOrder) {
    CGameApp& app = game_.App();
    ASSERT_TRUE(EnterSurface(app));
    ASSERT_EQ(app.m_nBoatGui, 4);
    const int nPoints = app.m_nMapPoints;
    ASSERT_GT(nPoints, 0);
    for (int nFrame = 0; nFrame < 3; ++nFrame) {
        if (nFrame > 0) {
            app.m_fFrameTime = 0.02f;
            app.m_fAppTime += 0.02f;
            app.UpdateFrame();
        }
        const std::string strFrame = "frame " + std::to_string(nFrame);
        const std::vector<d3d8::DrawRecord> draws = RenderFrame(app);
        // Name each draw by its shader (and, for the objects' pair, by what it is).
        std::vector<std::string> order;
        std::vector<const d3d8::DrawRecord*> sky, sea1, sea2, boat, gui, text;
        for (const d3d8::DrawRecord& d : draws) {
            std::string strKind;
            if (d.vertexShader == app.m_dwVSSea)
                strKind = "sea", sea1.push_back(&d);
            else if (d.vertexShader == app.m_dwVSSea2)
                strKind = "caustics", sea2.push_back(&d);
            else if (app.m_VideoScreen.m_bPlaying && d.textures[0] == app.m_VideoScreen.m_pMovieTexture)
                strKind = "video";
            else if (d.vertexShader == app.m_dwVSObjects && d.constants[VSC_COLOR_B][0] == 0.8f)
                strKind = "overlay", gui.push_back(&d);
            else if (d.vertexShader == app.m_dwVSObjects)
                strKind = "boat", boat.push_back(&d);
            else if (d.vertexShader == 0x144)
                strKind = "text", text.push_back(&d);
            else
                strKind = "sky", sky.push_back(&d);
            if (order.empty() || order.back() != strKind || strKind == "overlay") order.push_back(strKind);
        }
        // The level's intro, when it still plays, shows after the sea.
        std::vector<std::string> expected = {"sky", "sea", "caustics"};
        if (app.m_VideoScreen.m_bPlaying) expected.push_back("video");
        expected.push_back("boat");
        for (int i = 0; i < 3 + nPoints; ++i) expected.push_back("overlay");
        expected.push_back("text");
        ASSERT_EQ(order, expected) << strFrame;

        // Sky: depth off, clamped, the texture alone, the view turned but not moved.
        for (const d3d8::DrawRecord* d : sky) {
            EXPECT_EQ(d->RenderState(D3DRS_ZENABLE), 0u);
            EXPECT_EQ(d->RenderState(D3DRS_ZWRITEENABLE), 0u);
            EXPECT_EQ(d->StageState(0, D3DTSS_ADDRESSU), static_cast<DWORD>(D3DTADDRESS_CLAMP));
            EXPECT_EQ(d->StageState(0, D3DTSS_ADDRESSV), static_cast<DWORD>(D3DTADDRESS_CLAMP));
            EXPECT_EQ(d->StageState(0, D3DTSS_COLOROP), static_cast<DWORD>(D3DTOP_SELECTARG1));
            EXPECT_FLOAT_EQ(d->view._41, 0);
            EXPECT_FLOAT_EQ(d->view._42, -0.3f);
            EXPECT_FLOAT_EQ(d->view._43, 0);
            EXPECT_FLOAT_EQ(d->view._13, app.m_Camera.m_matView._13);
            EXPECT_FLOAT_EQ(d->view._32, app.m_Camera.m_matView._32);
        }
        ASSERT_EQ(sea1.size(), 1u);
        ASSERT_EQ(sea2.size(), 1u);
        const CSeaSurface& sea = app.m_pSeaSky->m_SeaSurface;
        const D3DXMATRIX& W = app.m_pSeaSky->m_Transform.m_matWorld;
        for (const d3d8::DrawRecord* d : {sea1[0], sea2[0]}) {
            EXPECT_EQ(d->vertexCount, 6400u);
            EXPECT_EQ(d->primitiveCount, 12482u);
            EXPECT_EQ(d->RenderState(D3DRS_ZENABLE), 1u);
            EXPECT_EQ(d->RenderState(D3DRS_ZWRITEENABLE), 1u);
            EXPECT_EQ(d->StageState(0, D3DTSS_ADDRESSU), static_cast<DWORD>(D3DTADDRESS_WRAP));
            EXPECT_EQ(d->StageState(0, D3DTSS_COLOROP), static_cast<DWORD>(D3DTOP_MODULATE));
            // c8..c11: the world matrix alone, transposed; c25 the diver's position.
            EXPECT_FLOAT_EQ(d->constants[VSC_WV][3], W._41);
            EXPECT_FLOAT_EQ(d->constants[VSC_WV + 2][3], W._43);
            EXPECT_FLOAT_EQ(d->constants[VSC_WV + 1][3], 45);
            EXPECT_FLOAT_EQ(d->constants[VSC_LOOK_DIR][1], app.Diver()->m_Transform.m_vPosition.y);
        }
        EXPECT_EQ(sea1[0]->textures[0], sea.m_pTexture);
        EXPECT_EQ(sea1[0]->RenderState(D3DRS_ALPHABLENDENABLE), 0u);
        ExpectConst(*sea1[0], VSC_COLOR_A, 0.5f, 0.5f, 0.5f, 1, strFrame + " sea");
        // The surface entry's highlight and colour B in the first frame; after it, the highlight the
        // previous frame's sea left and the colour B its overlay put back.
        const D3DXVECTOR4& b = app.m_UnderwaterScene.m_vC22;
        if (nFrame == 0) {
            ExpectConst(*sea1[0], VSC_COLOR_B, 0.5f, 0.5f, 0.5f, 1, strFrame + " sea");
            ExpectConst(*sea1[0], VSC_HIGHLIGHT, 0.5f, 0.5f, 0.5f, 0.5f, strFrame + " sea");
        } else {
            ExpectConst(*sea1[0], VSC_COLOR_B, b.x, b.y, b.z, b.w, strFrame + " sea");
            ExpectConst(*sea1[0], VSC_HIGHLIGHT, 0.7f, 0.7f, 0.7f, 0.5f, strFrame + " sea");
        }
        EXPECT_EQ(sea2[0]->textures[0], app.m_pCausticTex);
        EXPECT_EQ(sea2[0]->RenderState(D3DRS_ALPHABLENDENABLE), 1u);
        EXPECT_EQ(sea2[0]->RenderState(D3DRS_SRCBLEND), static_cast<DWORD>(D3DBLEND_ONE));
        EXPECT_EQ(sea2[0]->RenderState(D3DRS_DESTBLEND), static_cast<DWORD>(D3DBLEND_ONE));
        ExpectConst(*sea2[0], VSC_COLOR_A, 0.2f, 0.2f, 0.2f, 1, strFrame + " caustics");
        ExpectConst(*sea2[0], VSC_COLOR_B, 0.2f, 0.2f, 0.2f, 1, strFrame + " caustics");
        ExpectConst(*sea2[0], VSC_HIGHLIGHT, 0.2f, 0.2f, 0.2f, 0.5f, strFrame + " caustics");

        ASSERT_EQ(boat.size(), 1u);
        EXPECT_EQ(boat[0]->textures[0], app.m_Boat.m_pTexture);
        EXPECT_EQ(boat[0]->RenderState(D3DRS_ALPHABLENDENABLE), 0u);
        EXPECT_FLOAT_EQ(boat[0]->constants[VSC_OBJECT_POS][0], app.m_Boat.m_Transform.m_vPosition.x);
        ExpectConst(*boat[0], VSC_COLOR_A, 0.5f, 0.5f, 0.5f, 1, strFrame + " boat");
        // A video quad drawn before the boat leaves the underwater colour B behind it.
        if (app.m_VideoScreen.m_bPlaying)
            ExpectConst(*boat[0], VSC_COLOR_B, b.x, b.y, b.z, b.w, strFrame + " boat after the video");
        else
            ExpectConst(*boat[0], VSC_COLOR_B, 0.5f, 0.5f, 0.5f, 1, strFrame + " boat");
        ExpectConst(*boat[0], VSC_HIGHLIGHT, 0.7f, 0.7f, 0.7f, 0.5f, strFrame + " boat");

        // The overlay: each element with its own texture, the points at their chart places, c51
        // zero for the chart and the sounder.
        const std::vector<const CBoatGuiElement*> owners = [&] {
            std::vector<const CBoatGuiElement*> v = {app.m_ppBoatGui[0], app.m_ppBoatGui[1]};
            for (int j = 0; j < nPoints; ++j) v.push_back(app.m_ppBoatGui[2]);
            v.push_back(app.m_ppBoatGui[3]);
            return v;
        }();
        for (size_t k = 0; k < gui.size(); ++k) {
            EXPECT_EQ(gui[k]->textures[0], owners[k]->m_pTexture) << k;
            ExpectConst(*gui[k], VSC_COLOR_B, 0.8f, 0.8f, 0.8f, 1, strFrame + " overlay");
            EXPECT_EQ(gui[k]->RenderState(D3DRS_ALPHABLENDENABLE), 0u);
        }
        ExpectConst(*gui.front(), VSC_OBJECT_POS, 0, 0, 0, 0, "chart");
        ExpectConst(*gui.back(), VSC_OBJECT_POS, 0, 0, 0, 0, "sounder");
        const D3DXVECTOR3 vPoint = guiChartPosition(app.m_pMapPoints[nPoints - 1]);
        EXPECT_FLOAT_EQ(gui[1 + nPoints]->constants[VSC_WVP][3], 2 * vPoint.x)
            << "last point, x through the 1 x 1 projection";
        EXPECT_FLOAT_EQ(gui[1 + nPoints]->constants[VSC_WVP + 1][3], 2 * vPoint.y);
        // The boat marker keeps its last update's placement: none yet in the entry's frame.
        const D3DXVECTOR3 vMarker = guiChartPosition(app.m_Boat.m_Transform.m_vPosition);
        EXPECT_NEAR(gui[1]->constants[VSC_WVP][3], nFrame ? 2 * vMarker.x : 0, 1e-3f) << strFrame << " boat marker";

        // c22 goes back to the underwater colour B for what follows.
        ExpectConst(*text.front(), VSC_COLOR_B, b.x, b.y, b.z, b.w, strFrame + " text");
    }
}

// ---- A small level: the reader, the sounder's rays, a sea that could not be made ----

// A flat square of side 10 at y 0, facing both ways.
const char kPlateMesh[] =
    "xof 0303txt 0032\nMesh { 4; -5;0;-5;, 5;0;-5;, 5;0;5;, -5;0;5;; 4; 3; 0, 1, 2;, 3; 0, 2, 3;, 3; 0, 2, 1;,"
    " 3; 0, 3, 2;; MeshTextureCoords { 4; 0;0;, 1;0;, 1;1;, 0;1;; } }\n";

// A mesh of n vertices along x at y 0.37 (two base corners, then the trace), joined as a fan.
std::string SounderMesh(int n) {
    std::string s = "xof 0303txt 0032\nMesh { " + std::to_string(n) + ";";
    for (int i = 0; i < n; ++i) s += " " + std::to_string(i * 0.01f) + ";0.37;0;" + (i + 1 < n ? "," : ";");
    s += " " + std::to_string(n - 2) + ";";
    for (int i = 1; i + 1 < n; ++i)
        s += " 3; 0, " + std::to_string(i) + ", " + std::to_string(i + 1) + ";" + (i + 2 < n ? "," : ";");
    s += " MeshTextureCoords { " + std::to_string(n) + ";";
    for (int i = 0; i < n; ++i) s += std::string(" 0;0;") + (i + 1 < n ? "," : ";");
    return s + " } }\n";
}

class SurfaceLevelTest : public GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        auto files = SmallLevel("nivel2");
        files["ladrillos.plt"] =
            "1 plate.x carta.bmp 1 1500 3 1000\nnivel1\\tri.x notextura 1 1500 30 1000\n"
            "nivel1\\tri.x notextura 1 1500 30 1000\n";
        files["plate.x"] = kPlateMesh;  // its texture comes from the generated level
        files["d.x"] = SounderMesh(60);
        files["guibarca.plt"] = "a.x a.bmp b.x b.bmp c.x c.bmp d.x d.bmp 0\n";
        WriteLevel("nivel1", files);
        auto next = SmallLevel("nivel1");
        next.erase("guibarca.plt");
        WriteLevel("nivel2", next);
        // A boat off its origin, found before the generated one.
        Write(".", "barca.x",
              "xof 0303txt 0032\nMesh { 4; 10;1;5;, 20;1;5;, 20;3;9;, 10;2;9;; 2; 3; 0, 1, 2;, 3; 0, 2, 3;;"
              " MeshTextureCoords { 4; 0;0;, 1;0;, 1;1;, 0;1;; } }\n");
        StartDevice();
    }
    CBoatGuiElement& Sounder() { return *App().m_ppBoatGui[kGuiDepthSounder]; }
};

TEST_F(SurfaceLevelTest, EntryPlacesTheSeaAndBoatAtTheDiverAndTheSeaThenFollowsTheBoat) {
    CGameApp& app = App();
    ASSERT_TRUE(EnterSurface(app));
    // Both were placed at the diver where he surfaced; the boat has not moved since.
    const CTransform& boat = app.m_Boat.m_Transform;
    const CTransform& sea = app.m_pSeaSky->m_Transform;
    EXPECT_FLOAT_EQ(sea.m_vPosition.x, boat.m_vPosition.x - 50);
    EXPECT_FLOAT_EQ(sea.m_vPosition.y, 45);
    EXPECT_FLOAT_EQ(sea.m_vPosition.z, boat.m_vPosition.z - 50);
    EXPECT_FLOAT_EQ(sea.m_matWorld._11, 1) << "unturned";
    EXPECT_FLOAT_EQ(sea.m_matWorld._41, sea.m_vPosition.x);
    EXPECT_FLOAT_EQ(sea.m_matWorld._43, sea.m_vPosition.z);
    const float fEntryX = sea.m_vPosition.x;
    EXPECT_FLOAT_EQ(boat.m_vRotation.y, 0.5f) << "the boat takes the diver's whole rotation";

    // The first surface step moves the sea onto the boat, turned by its heading.
    app.m_Boat.m_Transform.m_vRotation.x = 0.3f;
    app.m_fFrameTime = 0.02f;
    app.m_fAppTime += 0.02f;
    app.UpdateFrame();
    D3DXMATRIX matTurn, matMove, matExpected;
    D3DXMatrixRotationY(&matTurn, -0.3f);
    D3DXMatrixTranslation(&matMove, sea.m_vPosition.x, 45, sea.m_vPosition.z);
    D3DXMatrixMultiply(&matExpected, &matTurn, &matMove);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) EXPECT_NEAR(sea.m_matWorld.m[r][c], matExpected.m[r][c], 1e-5f) << r << c;
    // The sea took the boat's place before the boat's own step moved it.
    EXPECT_NEAR(sea.m_vPosition.x, boat.m_vPosition.x, 0.5f);
    EXPECT_NEAR(sea.m_vPosition.z, boat.m_vPosition.z, 0.5f);
    EXPECT_GT(std::fabs(sea.m_vPosition.x - fEntryX), 40);
}

TEST_F(SurfaceLevelTest, BoatMeshIsCentred) {
    CBoat& boat = App().m_Boat;
    ASSERT_NE(boat.m_pVB[0], nullptr);
    BYTE* pb = nullptr;
    ASSERT_EQ(boat.m_pVB[0]->Lock(0, 0, &pb, 0), D3D_OK);
    const SceneVertex* v = reinterpret_cast<const SceneVertex*>(pb);
    float lo[3] = {1e9f, 1e9f, 1e9f}, hi[3] = {-1e9f, -1e9f, -1e9f};
    for (DWORD i = 0; i < boat.m_dwNumVertices; ++i) {
        const float p[3] = {v[i].x, v[i].y, v[i].z};
        for (int a = 0; a < 3; ++a) lo[a] = std::min(lo[a], p[a]), hi[a] = std::max(hi[a], p[a]);
    }
    boat.m_pVB[0]->Unlock();
    for (int a = 0; a < 3; ++a) {
        EXPECT_FLOAT_EQ(hi[a] - lo[a], a == 0 ? 10.0f : a == 1 ? 2.0f : 4.0f) << "axis " << a;
        EXPECT_NEAR(lo[a], -hi[a], 1e-4f) << "axis " << a;
    }
}

TEST_F(SurfaceLevelTest, SounderTakesTheNearerOfRockAndFloor) {
    CGameApp& app = App();
    ASSERT_EQ(app.m_nRocks, 1);
    ASSERT_NE(app.m_ppRocks[0]->m_pCollisionModel, nullptr);
    ASSERT_NE(app.m_pTerrain, nullptr);
    Frame(0.1f);  // lays the sea floor's window out around the diver
    ASSERT_EQ(app.m_pTerrain->IsBelowSurface(D3DXVECTOR3(1500, -1000, 1000)), 1);
    const float fFloor = app.m_pTerrain->m_vLastSurfacePoint.y;
    const struct {
        const char* szWhat;
        float fBoatY, fRockY;  // above the floor
        float fDepth;
    } cases[] = {
        {"a rock 9 below, the floor 20", 20, 11, 9}, {"no rock below, the floor 20", 20, 1e4f, 20},
        {"a rock under the floor", 20, -5, 20},      {"a rock 9 below, the floor out of reach", 50, 41, 9},
        {"nothing within reach", 50, 1e4f, 45},      {"a rock just out of reach", 50, 4.5f, 45},
    };
    for (const auto& c : cases) {
        D3DXMatrixTranslation(&app.m_ppRocks[0]->m_Transform.m_matWorld, 1500, fFloor + c.fRockY, 1000);
        app.m_Boat.m_Transform.m_vPosition = D3DXVECTOR3(1500, fFloor + c.fBoatY, 1000);
        // The floor's ray search ends within its last halved step (0.625).
        EXPECT_NEAR(Sounder().SoundDepth(app.m_Boat.m_Transform.m_vPosition), c.fDepth, 0.7f) << c.szWhat;
        Sounder().Update();
        EXPECT_NEAR(Sounder().m_fDepth[52], c.fDepth, 0.7f) << c.szWhat << ": the newest sample";
    }
}

TEST_F(SurfaceLevelTest, ALargerSounderMeshShowsTheNewestSampleOnItsExtraVertices) {
    CBoatGuiElement& sounder = Sounder();
    ASSERT_EQ(sounder.m_dwNumVertices, 60u);
    for (int i = 0; i < kDepthSamples; ++i) sounder.m_fDepth[i] = 30;
    sounder.m_fDepth[51] = 0;
    sounder.m_fDepth[52] = 9;
    ASSERT_EQ(sounder.WriteTrace(), 0);
    BYTE* pb = nullptr;
    ASSERT_EQ(sounder.m_pVB[0]->Lock(0, 0, &pb, 0), D3D_OK);
    const SceneVertex* v = reinterpret_cast<const SceneVertex*>(pb);
    EXPECT_FLOAT_EQ(v[0].y, 0.37f) << "the base corners keep the mesh's height";
    EXPECT_FLOAT_EQ(v[1].y, 0.37f);
    EXPECT_FLOAT_EQ(v[2].y, guiTraceHeight(30));
    EXPECT_FLOAT_EQ(v[51].y, 0.51f);
    for (int i = 52; i < 60; ++i) EXPECT_FLOAT_EQ(v[i].y, 0.482f) << i;
    EXPECT_FLOAT_EQ(v[59].x, 0.59f) << "x is kept";
    sounder.m_pVB[0]->Unlock();
}

TEST_F(SurfaceLevelTest, NoMapPointsAndAMissingOverlayFile) {
    CGameApp& app = App();
    ASSERT_EQ(app.m_nBoatGui, 4);
    EXPECT_EQ(app.m_nMapPoints, 0);
    ASSERT_TRUE(EnterSurface(app));
    int nOverlay = 0;
    for (const d3d8::DrawRecord& d : RenderFrame(app))
        if (d.vertexShader == app.m_dwVSObjects && d.constants[VSC_COLOR_B][0] == 0.8f) {
            ++nOverlay;
            EXPECT_EQ(d.textures[0], nullptr) << "a texture that did not load is bound as none";
        }
    EXPECT_EQ(nOverlay, 1) << "the sounder alone loaded; no point is drawn";

    // The next level has no overlay file: no element and no point is left from this one.
    std::strcpy(app.m_szNextLevelDir, "nivel2\\");
    app.ChangeLevel();
    ASSERT_STREQ(app.m_szLevelDir, "nivel2\\");
    EXPECT_EQ(app.m_nBoatGui, 0);
    EXPECT_EQ(app.m_ppBoatGui, nullptr);
    EXPECT_EQ(app.m_nMapPoints, 0);
    EXPECT_EQ(app.m_pMapPoints, nullptr);
    ASSERT_EQ(app.m_bSurfaceMode, 1);
    app.UpdateFrame();
    nOverlay = 0;
    for (const d3d8::DrawRecord& d : RenderFrame(app))
        nOverlay += d.vertexShader == app.m_dwVSObjects && d.constants[VSC_COLOR_B][0] == 0.8f;
    EXPECT_EQ(nOverlay, 0);
}

TEST_F(SurfaceLevelTest, ASeaWithoutItsTextureIsNotDrawn) {
    CGameApp& app = App();
    // The scratch folder has no "mar.bmp": the grid was never built.
    EXPECT_FALSE(app.m_pSeaSky->m_SeaSurface.Created());
    EXPECT_EQ(app.m_pSeaSky->m_SeaSurface.m_pVB, nullptr);
    ASSERT_TRUE(EnterSurface(app));
    for (const d3d8::DrawRecord& d : RenderFrame(app)) {
        EXPECT_NE(d.vertexShader, app.m_dwVSSea);
        EXPECT_NE(d.vertexShader, app.m_dwVSSea2);
    }
}

}  // namespace
