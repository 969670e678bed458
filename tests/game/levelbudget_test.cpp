// A level folder whose cost is in how often it names an image, not in what it holds: one small
// picture named by every material of a mesh or by every rock decodes once, and distinct pictures
// beyond what a device may hold are refused one by one, named, while the level plays on. Each
// level loads in a child whose peak resident memory is measured.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>
#include <string>

#include "../platform/d3dx8/image/imagefixtures.h"
#include "d3dx8/texturecache.h"
#include "framework/d3dfile.h"
#include "game/hud.h"
#include "game_fixture.h"
#include "measured_child.h"

namespace {

// 2048 x 2048 texels in about 600 bytes: within every check one file meets.
std::string FlatPng2048(unsigned nHeight = 2048) {
    fixtures::PngSpec s;
    s.width = 2048;
    s.height = nHeight;
    s.colourType = PNG_COLOR_TYPE_GRAY;
    s.bitDepth = 1;
    s.rows.assign(std::size_t{256} * nHeight, 0);
    const fixtures::Bytes png = fixtures::MakePng(s);
    return std::string(png.begin(), png.end());
}

// One triangle per material, each material a little different and naming the same image.
std::string ManyMaterialMesh(int nMaterials, const std::string& strTexture) {
    std::ostringstream x;
    x << "xof 0303txt 0032\nMesh {\n 3; 0;0;0;, 1;0;0;, 0;1;0;;\n " << nMaterials << ";\n";
    for (int i = 0; i < nMaterials; ++i) x << " 3; 0, 1, 2;" << (i + 1 < nMaterials ? "," : ";") << "\n";
    x << " MeshTextureCoords { 3; 0;0;, 1;0;, 0;1;; }\n MeshMaterialList { " << nMaterials << "; " << nMaterials << ";";
    for (int i = 0; i < nMaterials; ++i) x << " " << i << (i + 1 < nMaterials ? "," : ";;") << "\n";
    for (int i = 0; i < nMaterials; ++i)
        x << "  Material { " << (i + 1) / float(nMaterials) << "; 1.0; 1.0; 1.0;; 0.0; 0.0; 0.0; 0.0;; 0.0; 0.0; 0.0;;"
          << " TextureFilename { \"" << strTexture << "\"; } }\n";
    x << " }\n}\n";
    return x.str();
}

// What a child saw of the level it loaded.
struct Seen {
    bool started = false;
    bool framed = false;    // a frame of the level ran after the load
    int nSlots = 0;         // textures asked for (rocks' own, or the first rock's materials)
    int nDistinct = 0;      // distinct textures among them
    int nMissing = 0;       // refused ones
    int nMissingNamed = 0;  // refused ones whose file the error output names
    long peakMb = -1;       // -1: not measured (sanitizer builds)
};

class LevelBudgetTest : public gametest::GameTest {
protected:
    // Loads the level in a forked child (its standard error into a file) and reports on it.
    Seen LoadInChild(bool bMaterials) {
        const std::string strErr = (dir_ / "stderr.txt").string();
        // Should sharing break, the child fails its loads instead of taking the machine.
        const measured::Child<Seen> child = measured::RunInChild<Seen>(
            [&] {
                Seen seen;
                const int err = ::open(strErr.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
                ::dup2(err, 2);
                D3DPRESENT_PARAMETERS pp;
                seen.started =
                    gametest::StartGameOnDevice(App(), d3d_, gametest::RecordWindow(), TRUE, 1024, 768, pp) == "";
                std::fflush(stderr);
                std::ifstream in(strErr);
                const std::string said((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
                std::set<IDirect3DTexture8*> distinct;
                auto count = [&](IDirect3DTexture8* pTexture, const std::string& strFile) {
                    ++seen.nSlots;
                    if (pTexture) {
                        distinct.insert(pTexture);
                        return;
                    }
                    ++seen.nMissing;
                    if (said.find(strFile + ": texture refused") != std::string::npos) ++seen.nMissingNamed;
                };
                CGameApp& app = App();
                if (bMaterials && app.m_nRocks > 0 && app.m_ppRocks[0]->m_pMesh[0]) {
                    const CD3DFileMesh& mesh = *app.m_ppRocks[0]->m_pMesh[0];
                    for (DWORD i = 0; i < mesh.m_dwMaterialCount; ++i)
                        count(mesh.m_ppTextureArray[i], "nivel1/big.png");
                } else {
                    for (int i = 0; i < app.m_nRocks; ++i)
                        count(app.m_ppRocks[i]->m_pTexture, app.m_ppRocks[i]->m_szTextureFile);
                }
                seen.nDistinct = static_cast<int>(distinct.size());
                seen.framed = seen.started && SUCCEEDED(Frame(0.1f)) && SUCCEEDED(Frame(0.2f));
                return seen;
            },
            {.addressBytesBeyondNow = rlim_t{2} << 30});
        EXPECT_TRUE(child.reported && WIFEXITED(child.status) && WEXITSTATUS(child.status) == 0)
            << "the child ended by signal or early";
        Seen seen = child.value;
        seen.peakMb = child.peakMb;
        return seen;
    }

    // The small level with its rock file replaced: `nRocks` records of `strRecord(i)`.
    void WriteRocks(int nRocks, const std::function<std::string(int)>& strRecord,
                    const std::string& strFolder = "nivel1") {
        auto files = gametest::SmallLevel("nivel1");
        std::string rocks = std::to_string(nRocks) + "\n";
        for (int i = 0; i < nRocks; ++i) rocks += strRecord(i) + " 1 " + std::to_string(1500 + i % 20) + " 20 1000\n";
        files["ladrillos.plt"] = rocks + "tri.x notextura 1 1500 30 1000\ntri.x notextura 1 1500 30 1000\n";
        WriteLevel(strFolder, files);
    }
    // Rocks that each name an image of their own, all 2048 x 2048 (5,592,405 texels with the
    // chain) but the sixth, of half the height: the first six leave room for the caustic frames
    // and the HUD, which load after them, and every further one is refused.
    void WriteDistinctRocks(const std::string& strFolder, int nRocks) {
        WriteRocks(
            nRocks, [](int i) { return "tri.x big" + std::to_string(i) + ".png"; }, strFolder);
        for (int i = 0; i < nRocks; ++i)
            Write(strFolder, "big" + std::to_string(i) + ".png", FlatPng2048(i == 5 ? 1024 : 2048));
    }
};

TEST_F(LevelBudgetTest, AnImageNamedManyTimesCostsOnceAndDistinctOnesBeyondTheBudgetAreRefused) {
    const std::string png = FlatPng2048();
    ASSERT_LT(png.size(), 1000u);
    struct Case {
        const char* what;
        std::function<void()> write;
        bool bMaterials;
        int nSlots, nDistinct, nMissing;
        bool bRefused;  // the level is refused: its first device creation fails
    } cases[] = {
        {"one PNG named by the 200 materials of a rock's mesh",
         [&] {
             WriteRocks(1, [](int) { return "many.x notextura"; });
             Write("nivel1", "many.x", ManyMaterialMesh(200, "nivel1/big.png"));
             Write("nivel1", "big.png", png);
         },
         true, 200, 1, 0, false},
        {"200 rocks naming one PNG",
         [&] {
             WriteRocks(200, [](int) { return "tri.x big.png"; });
             Write("nivel1", "big.png", png);
         },
         false, 200, 1, 0, false},
        // Six fit, the seventh and eighth are refused, and so is the level.
        {"eight distinct PNGs of 2048 x 2048 (one of 2048 x 1024)", [&] { WriteDistinctRocks("nivel1", 8); }, false, 8,
         6, 2, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove_all(dir_ / "nivel1");
        c.write();
        const Seen seen = LoadInChild(c.bMaterials);
        EXPECT_EQ(seen.started, !c.bRefused);
        EXPECT_EQ(seen.framed, !c.bRefused) << "a level that is not refused plays";
        EXPECT_EQ(seen.nSlots, c.nSlots);
        EXPECT_EQ(seen.nDistinct, c.nDistinct);
        EXPECT_EQ(seen.nMissing, c.nMissing);
        EXPECT_EQ(seen.nMissingNamed, seen.nMissing) << "every refused image is named";
        std::printf("%s: peak %ld MB\n", c.what, seen.peakMb);
        if (seen.peakMb >= 0) {
            EXPECT_LT(seen.peakMb, 400) << "well under 1 GB";
        }
    }
}

// At a level change the refused level gives way to the one that was playing, which plays on
// with a line that says why; nothing of the refused level stays on the device.
TEST_F(LevelBudgetTest, ALevelChangeToALevelBeyondTheBudgetKeepsTheLevelThatWasPlaying) {
    WriteLevel("nivel1", gametest::SmallLevel("nivel2"));
    WriteDistinctRocks("nivel2", 7);
    StartDevice();
    const std::uint64_t nHeld = d3dx::FileTexelsHeld(App().m_pDevice);
    ASSERT_GT(nHeld, 0u);
    testing::internal::CaptureStderr();
    EXPECT_EQ(App().ChangeLevel(), 0);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_STREQ(App().m_szLevelDir, "nivel1\\");
    EXPECT_NE(said.find("nivel2\\big6.png: texture refused"), std::string::npos) << said;
    EXPECT_STREQ(g_szMessage, "No se pudo cargar el nivel nivel2\\");
    EXPECT_EQ(d3dx::FileTexelsHeld(App().m_pDevice), nHeld) << "the first level's textures again, and only those";
    EXPECT_EQ(Frame(0.1f), S_OK);
}

}  // namespace
