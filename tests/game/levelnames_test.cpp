// Names in level and mesh files that lead out of the game's folder, through the real loaders: the
// file is refused with a line naming it, and the game goes on as with a missing file.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "framework/d3dfile.h"
#include "framework/sysutil.h"
#include "game/hud.h"
#include "game_fixture.h"
#include "win32/fileio.h"

namespace {

using gametest::SmallLevel;
using gametest::WriteBmp2x2;

// A folder beside the game's, and the roots the program sets (the game's folder and the media
// folder, which holds the shaders and caustics), for the test's duration.
class LevelNamesTest : public gametest::GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        outside_ = dir_.parent_path() / ("abisalia-outside-" + dir_.filename().string());
        std::filesystem::remove_all(outside_);
        std::filesystem::create_directories(outside_);
        win32::SetFileRoots({dir_.string(), sysFixedMediaDir()});
    }
    void TearDown() override {
        win32::SetFileRoots({});
        std::filesystem::remove_all(outside_);
        GameTest::TearDown();
    }
    // A one-triangle mesh whose single material names the texture.
    static std::string TexturedMesh(const std::string& strTexture) {
        return "xof 0303txt 0032\nMesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3; 0, 1, 2;;\n"
               "  MeshTextureCoords { 3; 0;0;, 1;0;, 0;1;; }\n"
               "  MeshMaterialList { 1; 1; 0;; Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; TextureFilename { \"" +
               strTexture + "\"; } } } }\n";
    }
    std::filesystem::path outside_;
};

// Two rocks of the same mesh but for the texture name: one in the level folder, one by its
// absolute name outside the game's folder.
TEST_F(LevelNamesTest, AMeshTextureNamedOutsideTheGameFolderIsNotRead) {
    WriteBmp2x2((outside_ / "roca.bmp").string());
    auto level = SmallLevel("nivel2");
    level["ladrillos.plt"] =
        "2 in.x notextura 1 1629.9 20 1000 out.x notextura 1 1630 20 1000\n"
        "nivel1\\tri.x notextura 1 1500 30 1000\nnivel1\\tri.x notextura 1 1500 30 1000\n";
    const std::string strOutside = (outside_ / "roca.bmp").string();
    level["in.x"] = TexturedMesh("nivel1/roca.bmp");
    level["out.x"] = TexturedMesh(strOutside);
    WriteLevel("nivel1", level);
    WriteBmp2x2((dir_ / "nivel1" / "roca.bmp").string());

    testing::internal::CaptureStderr();
    StartDevice();
    const std::string strErr = testing::internal::GetCapturedStderr();
    CGameApp& app = App();
    ASSERT_EQ(app.m_nRocks, 2);
    CD3DFileMesh* pIn = app.m_ppRocks[0]->m_pMesh[0];
    CD3DFileMesh* pOut = app.m_ppRocks[1]->m_pMesh[0];
    ASSERT_EQ(pIn->m_dwMaterialCount, 1u);
    ASSERT_EQ(pOut->m_dwMaterialCount, 1u);
    EXPECT_NE(pIn->m_ppTextureArray[0], nullptr) << "the texture inside loads";
    EXPECT_EQ(pOut->m_ppTextureArray[0], nullptr) << "the same image outside does not";
    EXPECT_NE(pOut->GetSystemMesh(), nullptr) << "the mesh itself still loads, as with a missing texture";
    EXPECT_NE(strErr.find(strOutside + ": refused"), std::string::npos) << strErr;
}

// 'N' (or a goal met) asks for a next level named "..\..\" out of the game's folder, where a
// whole level waits: it is refused, the level that was playing loads again and the game goes on.
TEST_F(LevelNamesTest, ANextLevelThatClimbsOutIsRefusedAndTheGameGoesOn) {
    const std::string strNext = "nivel1\\..\\..\\" + outside_.filename().string() + "\\nivel2";
    WriteLevel("nivel1", SmallLevel(strNext));
    auto foreign = SmallLevel("nivel1");
    foreign["ladrillos.plt"] = "0 nivel1\\tri.x notextura 1 1500 30 1000\nnivel1\\tri.x notextura 1 1500 30 1000\n";
    std::filesystem::create_directories(outside_ / "nivel2");
    for (const auto& [name, text] : foreign) std::ofstream(outside_ / "nivel2" / name) << text;
    StartDevice();
    CGameApp& app = App();
    ASSERT_EQ(app.m_nRocks, 2);
    ASSERT_STREQ(app.m_szNextLevelDir, (strNext + "\\").c_str());

    testing::internal::CaptureStderr();
    EXPECT_EQ(app.ChangeLevel(), 0);
    const std::string strErr = testing::internal::GetCapturedStderr();
    EXPECT_STREQ(app.m_szLevelDir, "nivel1\\") << "the level that was playing, again";
    EXPECT_EQ(app.m_nRocks, 2) << "its rocks, not the foreign level's none";
    EXPECT_NE(strErr.find(strNext + "\\nivel.plt: refused"), std::string::npos) << strErr;
    EXPECT_NE(strErr.find(strNext + "\\ladrillos.plt: refused"), std::string::npos) << strErr;
    EXPECT_NE(std::string(g_szMessage).find("No se pudo cargar el nivel " + strNext), std::string::npos) << g_szMessage;
    EXPECT_EQ(Frame(1.0f), S_OK) << "the game goes on";
}

}  // namespace
