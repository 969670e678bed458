// Orders that only show in their effects: the world step of a level change, which scene mode a
// switching step updates, which mode's entry wins after a restore, and the restore worker's order.
#include <algorithm>
#include <cmath>

#include "game/vsconsts.h"
#include "game_fixture.h"

#include <map>
#include <string>
#include <vector>

namespace {

using gametest::GameTest;
using gametest::SmallLevel;
using gametest::StartedGameTest;
using gametest::WriteBmp2x2;

class WorldOrderTest : public StartedGameTest {
protected:
    CDiver& Diver() { return *App().Diver(); }
    // The index in the call log of the first call that created pObject; -1 when none did.
    int CreatedAt(const void* pObject) {
        for (size_t i = 0; i < Log().size(); ++i)
            if (Log()[i].object == pObject && Log()[i].method.rfind("Create", 0) == 0) return static_cast<int>(i);
        return -1;
    }
};

TEST_F(WorldOrderTest, ALevelChangeEndsWithOneWorldStepOnTheNewLevel) {
    CGameApp& app = App();
    app.m_fAppTime = 3.0f;
    std::strcpy(app.m_szNextLevelDir, "nivel2\\");
    app.ChangeLevel();
    // The new objects were reset (the plane to 45.4, the floor to no records) and then stepped once.
    const D3DXVECTOR3 vDiver = Diver().m_Transform.m_vPosition;
    EXPECT_EQ(app.m_SurfacePlane.m_Transform.m_vPosition, D3DXVECTOR3(vDiver.x, 45.3f, vDiver.z));
    ASSERT_NE(app.m_pTerrain, nullptr);
    EXPECT_EQ(app.m_pTerrain->m_nPatches, 100);
    EXPECT_EQ(app.m_pTerrain->m_pPatches[55].m_vPosition,
              D3DXVECTOR3(std::floor(vDiver.x / 20) * 20, 0, std::floor(vDiver.z / 20) * 20));
    EXPECT_FLOAT_EQ(app.m_fLastTime, 3.0f) << "the step took its time";
}

TEST_F(WorldOrderTest, TheStepThatSwitchesModesUpdatesTheModeItBeganIn) {
    // Only underwater steps run the HUD's message clock down and move the surface plane with the diver.
    const struct {
        signed char bSurfaceBefore;
        float fLookY;
        bool bUnderwaterUpdate;
    } cases[] = {{0, 0.5f, true}, {1, -0.9f, false}};
    for (const auto& c : cases) {
        CGameApp& app = App();
        app.m_bSurfaceMode = c.bSurfaceBefore;
        Diver().m_Transform.m_vPosition = D3DXVECTOR3(1234, 46, 2345);
        Diver().m_Transform.m_vRotation = D3DXVECTOR3(0, 0, 0);
        Diver().m_vLookDir = D3DXVECTOR3(0, c.fLookY, std::sqrt(1 - c.fLookY * c.fLookY));
        app.m_SurfacePlane.m_Transform.m_vPosition = D3DXVECTOR3(0, 0, 0);
        app.m_Hud.m_fMessageTime = 5.0f;
        app.m_fFrameTime = 0.5f;
        app.m_fAppTime += 0.5f;
        app.UpdateWorld();
        ASSERT_NE(app.m_bSurfaceMode, c.bSurfaceBefore) << "the step switched";
        const float fPlaneX = app.m_SurfacePlane.m_Transform.m_vPosition.x;
        if (c.bUnderwaterUpdate) {
            EXPECT_FLOAT_EQ(app.m_Hud.m_fMessageTime, 4.5f) << "switching to the surface";
            EXPECT_FLOAT_EQ(fPlaneX, Diver().m_Transform.m_vPosition.x) << "switching to the surface";
        } else {
            EXPECT_FLOAT_EQ(app.m_Hud.m_fMessageTime, 5.0f) << "switching under water";
            EXPECT_FLOAT_EQ(fPlaneX, 0) << "switching under water";
        }
    }
}

TEST_F(WorldOrderTest, ARestoreAtTheSurfaceEntersTheSurfaceModeLast) {
    CGameApp& app = App();
    Diver().m_Transform.m_vPosition.y = 46;
    Diver().m_Transform.m_vRotation = D3DXVECTOR3(0, 0.5f, 0);  // looking up
    Diver().m_fStartTimer = 0;
    Frame(0.1f);
    Frame(0.2f);
    ASSERT_EQ(app.m_bSurfaceMode, 1);
    app.OnDeviceLost();
    ASSERT_EQ(app.OnDeviceReset(), 0);
    Log().clear();
    Frame(0.3f);
    // The boat, drawn last at the surface, sees the surface mode's states and constants.
    const d3d8::DrawRecord* pBoat = nullptr;
    for (const d3d8::Call& c : Log())
        if (c.draw && c.draw->vertexShader != 0x144) pBoat = c.draw.get();
    ASSERT_NE(pBoat, nullptr);
    EXPECT_EQ(pBoat->RenderState(D3DRS_FOGENABLE), FALSE);
    EXPECT_EQ(pBoat->RenderState(D3DRS_SPECULARENABLE), TRUE);
    EXPECT_FLOAT_EQ(pBoat->constants[VSC_LIGHT_DIR][2], -0.4358899f);
    EXPECT_FLOAT_EQ(pBoat->constants[VSC_CONST_1][3], 5.0f);
}

TEST_F(WorldOrderTest, RestoreBuildsTheFloorThePlaneAndTheHudThenTheShaders) {
    CGameApp& app = App();
    app.InvalidateObjects();
    Log().clear();
    ASSERT_EQ(app.RestoreObjects(), 0);
    int iShaders = -1;
    for (size_t i = 0; i < Log().size() && iShaders < 0; ++i)
        if (Log()[i].method == "CreateVertexShader") iShaders = static_cast<int>(i);
    const struct {
        const char* szWhat;
        const void* pObject;
    } order[] = {
        {"the sea floor", app.m_pTerrain->m_pVB[0]},
        {"the surface plane", app.m_SurfacePlane.m_pVB[0]},
        {"the HUD", app.m_Hud.m_pQuadIB},
    };
    int iBefore = -1;
    for (const auto& o : order) {
        ASSERT_NE(o.pObject, nullptr) << o.szWhat;
        const int i = CreatedAt(o.pObject);
        EXPECT_GT(i, iBefore) << o.szWhat;
        iBefore = i;
    }
    EXPECT_GT(iShaders, iBefore) << "the shaders come last";
}

// A level whose objects each load a texture of their own (a file of their own: one file is one
// texture), and the fixed floor and HUD images.
class LoadOrderTest : public GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        for (const char* szFolder : {"nivel1", "nivel2"}) {
            std::map<std::string, std::string> files =
                SmallLevel(szFolder == std::string("nivel1") ? "nivel2" : "nivel1");
            std::filesystem::create_directories(dir_ / szFolder);
            int nTextures = 0;
            for (auto& [name, text] : files)
                for (size_t at; (at = text.find("notextura")) != std::string::npos;) {
                    const std::string strName = "t" + std::to_string(nTextures++) + ".bmp";
                    text.replace(at, 9, strName);
                    WriteBmp2x2(std::string(szFolder) + "/" + strName);
                    // The spear and the diver name theirs without the level folder.
                    WriteBmp2x2(strName);
                }
            WriteLevel(szFolder, files);
        }
        for (const char* szName :
             {"seafloor64.bmp", "seafloor32.bmp", "aire1.bmp", "aire2.bmp", "aleteo1.bmp", "aleteo2.bmp"})
            WriteBmp2x2(szName);
        StartDevice();
    }
};

TEST_F(LoadOrderTest, ObjectsLoadInTheirKindsOrderThenTheCausticFrames) {
    CGameApp& app = App();
    // Every texture the start-up made, in the order it was made.
    std::vector<const void*> made;
    for (const d3d8::Call& c : Log())
        if (c.method == "CreateTexture") made.push_back(c.object);
    std::vector<std::pair<std::string, const void*>> expected;
    for (int i = 0; i < app.m_nRocks; ++i)
        expected.emplace_back("rock " + std::to_string(i), app.m_ppRocks[i]->m_pTexture);
    expected.emplace_back("spear", app.m_ppSpears[0]->m_pTexture);
    expected.emplace_back("diver", app.m_ppDivers[0]->m_pTexture);
    expected.emplace_back("fish", app.m_ppFish[0]->m_pTexture);
    expected.emplace_back("moving rock", app.m_ppMovingRocks[0]->m_pTexture);
    expected.emplace_back("sea floor", app.m_pTerrain->m_pTexture);
    expected.emplace_back("sea floor, coarse", app.m_pTerrain->m_pCoarseTexture);
    for (int k = 0; k < 4; ++k) expected.emplace_back("HUD " + std::to_string(k), app.m_Hud.m_apGaugeTex[k]);
    expected.emplace_back("first caustic frame", app.m_apCausticTex[0]);
    expected.emplace_back("last caustic frame", app.m_apCausticTex[31]);
    size_t iBefore = 0;
    std::string strBefore = "the start";
    for (const auto& [strWhat, pTexture] : expected) {
        ASSERT_NE(pTexture, nullptr) << strWhat;
        const auto it = std::find(made.begin(), made.end(), pTexture);
        ASSERT_NE(it, made.end()) << strWhat;
        const size_t i = static_cast<size_t>(it - made.begin());
        EXPECT_TRUE(strBefore == "the start" || i > iBefore) << strWhat << " after " << strBefore;
        iBefore = i;
        strBefore = strWhat;
    }
}

}  // namespace
