// The level readers on text fixtures: where every field lands, and what they refuse.
#include "game/levelread.h"
#include "game_fixture.h"

namespace {

using gametest::GameTest;
using gametest::SmallLevel;

std::string Repeat(const std::string& s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += s;
    return out;
}

TEST_F(GameTest, EveryFieldOfTheLevelLandsWhereItBelongs) {
    WriteLevel("nivel1", SmallLevel("otro"));
    CGameApp& app = App();
    ASSERT_EQ(app.LevelStatus(), 0);
    EXPECT_STREQ(app.m_szNextLevelDir, "otro\\");
    EXPECT_STREQ(app.m_szIntroVideo, "nivel1\\intro.avi");
    EXPECT_STREQ(app.m_szDrownVideo, "nivel1\\no");
    EXPECT_STREQ(app.m_szCatchVideo, "nivel1\\captura.avi");
    EXPECT_EQ(app.m_anWaterColor[0], 10);
    EXPECT_EQ(app.m_anWaterColor[2], 70);
    EXPECT_FLOAT_EQ(app.m_afLevelColorA[1], 0.7f);
    EXPECT_FLOAT_EQ(app.m_afLevelColorB[2], 0.4f);
    EXPECT_FLOAT_EQ(app.m_fFogStart, 20);
    EXPECT_FLOAT_EQ(app.m_fFogEnd, 150);
    EXPECT_FLOAT_EQ(app.m_fMaxAir, 120);
    EXPECT_FLOAT_EQ(app.m_fBallast, 1);
    EXPECT_EQ(app.m_nGoalType, 0);
    EXPECT_EQ(app.m_nGoalCount, 2);

    ASSERT_EQ(app.m_nRocks, 2);
    EXPECT_STREQ(app.m_ppRocks[0]->m_szMeshFile[0], "nivel1\\tri.x") << "rock names get the folder";
    EXPECT_STREQ(app.m_ppRocks[0]->m_szTextureFile, "nivel1\\notextura");
    EXPECT_FLOAT_EQ(app.m_ppRocks[0]->m_fScale, 3);
    EXPECT_FLOAT_EQ(app.m_ppRocks[1]->m_vStartPosition.x, 1630);
    ASSERT_EQ(app.m_nSpears, 1);
    ASSERT_EQ(app.m_nDivers, 1);
    EXPECT_STREQ(app.m_ppSpears[0]->m_szMeshFile[0], "nivel1\\tri.x") << "spear names stay as read";
    EXPECT_STREQ(app.m_ppDivers[0]->m_szTextureFile, "notextura");
    EXPECT_FLOAT_EQ(app.m_ppDivers[0]->m_vStartPosition.y, 30);
    EXPECT_EQ(app.m_ppDivers[0]->m_iLastFishHit, -1);
    EXPECT_FLOAT_EQ(app.m_ppDivers[0]->m_fAir, 120) << "the diver starts with the level's air";

    ASSERT_EQ(app.m_nFish, 1);
    EXPECT_STREQ(app.m_ppFish[0]->m_szMeshFile[2], "nivel1\\tri.x");
    EXPECT_EQ(app.m_ppFish[0]->m_iWaypoint, 1);
    EXPECT_FLOAT_EQ(app.m_ppFish[0]->m_fReactionRange, 20);
    EXPECT_FLOAT_EQ(app.m_ppFish[0]->m_fTrait2, 5);
    ASSERT_EQ(g_nWaypoints, 2);
    EXPECT_FLOAT_EQ(g_pWaypoints[1].pos.x, 1040);
    EXPECT_EQ(g_pWaypoints[1].count, 1);
    EXPECT_EQ(g_pWaypoints[1].ids[0], 0);

    ASSERT_EQ(app.m_nMovingRocks, 1);
    EXPECT_FLOAT_EQ(app.m_ppMovingRocks[0]->m_fFrequency, 2);
    EXPECT_FLOAT_EQ(app.m_ppMovingRocks[0]->m_vStartPosition.z, 1010);
    ASSERT_EQ(app.m_nBoatGui, 4);
    EXPECT_STREQ(app.m_ppBoatGui[3]->m_szTextureFile, "nivel1\\d.bmp");
    EXPECT_FLOAT_EQ(app.m_ppBoatGui[2]->m_fScale, 2) << "the element's type is its index";
    ASSERT_EQ(app.m_nMapPoints, 2);
    EXPECT_FLOAT_EQ(app.m_pMapPoints[1].z, 400);

    ASSERT_NE(app.m_pSeaSky, nullptr);
    EXPECT_NE(app.m_pSeaSky->m_pSkyMesh, nullptr);
    EXPECT_STREQ(app.m_pSeaSky->m_szTextureFile, "mar.bmp");
    EXPECT_TRUE(app.m_pSeaSky->m_SeaSurface.Valid());
    EXPECT_FLOAT_EQ(app.m_pSeaSky->m_SeaSurface.m_afWavelength[3], 95);
    EXPECT_FLOAT_EQ(g_fSeaTotalSize, 400);
    EXPECT_EQ(g_nSeaGridSide, 80);
    ASSERT_NE(app.m_pTerrain, nullptr);

    // Holder order: rocks, spear, diver, fish x 3, moving rocks x 3, overlay, boat.
    int nHolders = 0;
    app.ForEachMeshHolder([&](CD3DFileMesh*& pMesh) { nHolders += pMesh != nullptr; });
    EXPECT_EQ(nHolders, 2 + 1 + 1 + 3 + 3 + 4 + 1);
}

// Values are taken as read; the ones that make no sense for play are pointed out on standard
// error, and the level loads.
TEST_F(GameTest, GoalValueIsReadOnlyForItsTypesAndOddValuesOnlyWarn) {
    struct Case {
        const char* szFog;
        const char* szGoal;
        int nType, nCount, nFish;
        bool bWarning;
    };
    const Case cases[] = {
        {"10 20", "0 3", 0, 3, 0, false},  {"10 20", "1 4", 1, 0, 4, false},
        {"10 20", "2 7", 2, 0, 0, false},  // 7 is not read
        {"10 20", "0 -3", 0, -3, 0, true}, {"10 20", "1 0", 1, 0, 0, true},
        {"20 20", "0 3", 0, 3, 0, true},  // fog start equal to the fog end
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.szFog) + " / " + c.szGoal);
        auto files = SmallLevel();
        files["nivel.plt"] =
            std::string("n2 i.avi no no 1 2 3 1 1 1 1 1 1 ") + c.szFog + " 100 1 0 0 " + c.szGoal + "\n";
        WriteLevel("nivel1", files);
        app_.reset();
        testing::internal::CaptureStderr();
        CGameApp& app = App();
        const std::string strErr = testing::internal::GetCapturedStderr();
        ASSERT_EQ(app.LevelStatus(), 0);
        EXPECT_EQ(app.m_nGoalType, c.nType);
        EXPECT_EQ(app.m_nGoalCount, c.nCount);
        EXPECT_EQ(app.m_nGoalFish, c.nFish);
        EXPECT_EQ(strErr.find("nivel.plt") != std::string::npos, c.bWarning) << strErr;
        ASSERT_NE(app.Diver(), nullptr);
    }
}

// At a level change a folder without "nivel.plt" plays with the settings of the level before.
TEST_F(GameTest, ALevelWithoutSettingsKeepsThoseOfTheLevelBefore) {
    WriteLevel("nivel1", SmallLevel("nivel2"));
    auto second = SmallLevel();
    second.erase("nivel.plt");
    second["ladrillos.plt"] =
        "1 tri.x notextura 3 1700 20 1000 tri.x notextura 1 1630 20 1000 "
        "nivel1\\tri.x notextura 1 1500 30 1000 nivel1\\tri.x notextura 1 1500 30 1000\n";
    WriteLevel("nivel2", second);
    StartDevice();
    CGameApp& app = App();
    app.ChangeLevel();
    EXPECT_STREQ(app.m_szLevelDir, "nivel2\\");
    EXPECT_EQ(app.m_nRocks, 1) << "the new level's rocks";
    EXPECT_STREQ(app.m_szNextLevelDir, "nivel2\\");
    EXPECT_STREQ(app.m_szIntroVideo, "nivel1\\intro.avi");
    EXPECT_EQ(app.m_anWaterColor[1], 40);
    EXPECT_FLOAT_EQ(app.m_fFogEnd, 150);
    EXPECT_EQ(app.m_nGoalCount, 2);
}

// A first level whose settings or rocks cannot be read is refused; the run then stops with a message.
TEST_F(GameTest, MalformedLevelFilesAreRefused) {
    const std::string kLevel = "n2 i.avi no no 1 2 3 1 1 1 1 1 1 10 20 100 1 0 0 0 1\n";
    const std::string kRocks = "0 a.x b.bmp 1 0 0 0 c.x d.bmp 1 0 0 0\n";
    struct Case {
        const char* szWhat;
        std::string strLevel, strRocks;
    };
    const Case cases[] = {
        {"no nivel.plt", "", kRocks},
        {"no ladrillos.plt", kLevel, ""},
        {"settings end early", "n2 i.avi no no 1 2 3 1 1 1", kRocks},
        {"a word in place of a number", "n2 i.avi no no 1 2 x 1 1 1 1 1 1 10 20 100 1 0 0 0 1", kRocks},
        {"next folder too long", std::string(300, 'n') + " i.avi no no 1 2 3 1 1 1 1 1 1 10 20 100 1 0 0 0 1", kRocks},
        {"video name past 256 with the folder",
         "n2 " + std::string(250, 'v') + " no no 1 2 3 1 1 1 1 1 1 10 20 100 1 0 0 0 1", kRocks},
        {"negative rock count", kLevel, "-1 a.x b.bmp 1 0 0 0 c.x d.bmp 1 0 0 0"},
        {"rock count above the records", kLevel,
         "3 r.x r.bmp 1 0 0 0 r.x r.bmp 1 0 0 0 a.x b.bmp 1 0 0 0 c.x d.bmp 1 0 0 0"},
        {"no diver record", kLevel, "0 a.x b.bmp 1 0 0 0"},
        {"spear name past 250", kLevel, "0 " + std::string(251, 's') + " b.bmp 1 0 0 0 c.x d.bmp 1 0 0 0"},
        {"rock name past 250 with the folder", kLevel,
         "1 " + std::string(245, 'r') + " b.bmp 1 0 0 0 a.x b.bmp 1 0 0 0 c.x d.bmp 1 0 0 0"},
        {"huge rock count", kLevel, "99999999999 a.x"},
    };
    for (const Case& c : cases) {
        std::filesystem::remove_all(dir_ / "nivel1");
        std::map<std::string, std::string> files;
        if (!c.strLevel.empty()) files["nivel.plt"] = c.strLevel;
        if (!c.strRocks.empty()) files["ladrillos.plt"] = c.strRocks;
        WriteLevel("nivel1", files);
        app_.reset();
        CGameApp& app = App();
        EXPECT_LT(app.LevelStatus(), 0) << c.szWhat;
        EXPECT_STRNE(lvlLastError(), "") << c.szWhat;
        EXPECT_EQ(app.Diver(), nullptr) << c.szWhat;
        EXPECT_EQ(app.m_nRocks, 0) << c.szWhat;
    }
}

// The other files of a level are optional: a broken one leaves its own list empty.
TEST_F(GameTest, BrokenOptionalFilesLeaveTheirListEmpty) {
    struct Case {
        const char* szWhat;
        const char* szFile;
        std::string strText;
    };
    const Case cases[] = {
        {"a fish with 21 neighbours", "peces.plt", "1 a a a t 1 0 1 1 1  1 0 0 0 21" + Repeat(" 0", 21)},
        {"a neighbour past the table", "peces.plt", "1 a a a t 1 0 1 1 1  2 0 0 0 1 1  1 1 1 1 2"},
        {"a start waypoint past the table", "peces.plt", "1 a a a t 1 5 1 1 1  1 0 0 0 1 0"},
        {"fish file ends early", "peces.plt", "2 a a a t 1 0 1 1 1"},
        {"over-long fish word", "peces.plt", "1 " + std::string(300, 'f') + " a a t 1 0 1 1 1 1 0 0 0 1 0"},
        {"moving rocks end early", "ladrillosmv.plt", "2 a b c t 1 2 0 0 0 a b"},
        {"negative moving-rock count", "ladrillosmv.plt", "-4"},
        {"overlay with three elements", "guibarca.plt", "a b c d e f"},
        {"negative map-point count", "guibarca.plt", "a b c d e f g h -1"},
    };
    for (const Case& c : cases) {
        auto files = SmallLevel();
        files[c.szFile] = c.strText;
        std::filesystem::remove_all(dir_ / "nivel1");
        WriteLevel("nivel1", files);
        app_.reset();
        CGameApp& app = App();
        ASSERT_EQ(app.LevelStatus(), 0) << c.szWhat;
        EXPECT_STRNE(lvlLastError(), "") << c.szWhat;
        if (std::string(c.szFile) == "peces.plt") {
            EXPECT_EQ(app.m_nFish, 0) << c.szWhat;
            EXPECT_EQ(g_nWaypoints, 0) << c.szWhat;
        } else if (std::string(c.szFile) == "ladrillosmv.plt") {
            EXPECT_EQ(app.m_nMovingRocks, 0) << c.szWhat;
        } else {
            EXPECT_EQ(app.m_nBoatGui, 0) << c.szWhat;
            EXPECT_EQ(app.m_nMapPoints, 0) << c.szWhat;
        }
        EXPECT_EQ(app.m_nRocks, 2) << c.szWhat << ": the rest of the level stays";
    }
}

TEST_F(GameTest, SeaFileWithAnotherSideOrNoWavelengthIsNotUsed) {
    for (const char* szSea :
         {"1 0 0 0.6 0.8 0 -0.7 0.7 0 0.2 -0.98 0 5 4 3 7 0.2 0.1 0.1 0.3 50 32 20 95 400 64",
          "1 0 0 0.6 0.8 0 -0.7 0.7 0 0.2 -0.98 0 5 4 3 7 0.2 0.1 0.1 0.3 50 0 20 95 400 80", "1 0 0"}) {
        auto files = SmallLevel();
        files["mar.plt"] = szSea;
        WriteLevel("nivel1", files);
        app_.reset();
        ASSERT_EQ(App().LevelStatus(), 0);
        EXPECT_FALSE(App().m_pSeaSky->m_SeaSurface.Valid()) << szSea;
    }
}

TEST(LevelNames, EndsInNoMeansNoVideo) {
    const struct {
        const char* szName;
        bool bNone;
    } cases[] = {
        {"nivel1\\no", true}, {"nivel1\\piano", true}, {"nivel1\\intro.avi", false}, {"", false}, {"o", false},
        {"no", true},
    };
    for (const auto& c : cases) EXPECT_EQ(lvlNoVideo(c.szName), c.bNone) << c.szName;
}

}  // namespace
