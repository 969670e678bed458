// The generated media folder holds every file the game reads, where the game looks for it, and
// the generator writes the same bytes every run.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>

#include "levelfiles.h"
#include "mediacheck.h"
#include "scratch_file.h"

namespace mediacheck {
namespace {

const fs::path kMedia = ABISALIA_MEDIA_DIR;

bool EndsInNo(const std::string& s) { return s.size() >= 2 && s.compare(s.size() - 2, 2, "no") == 0; }

// Every file the game opens, as the game names it: by fixed name, through a level file, or
// through an X file's texture names. The media lookup tries the current folder, then the
// fixed media folder, and both are the generated folder.
std::set<std::string> ReferencedFiles(const std::vector<Level>& levels) {
    std::set<std::string> names = {"height.raw", "seafloor64.bmp", "seafloor32.bmp",   "mar.bmp",
                                   "aire1.bmp",  "aire2.bmp",      "aleteo1.bmp",      "aleteo2.bmp",
                                   "barca.x",    "barca.bmp",      "configuracion.cfg"};
    for (int k = 0; k < 32; ++k) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "Caust%02d.tga", k);
        names.insert(buf);
    }
    for (const Level& l : levels) {
        const std::string& f = l.folder;
        for (const char* plt :
             {"nivel.plt", "ladrillos.plt", "peces.plt", "ladrillosmv.plt", "guibarca.plt", "mar.plt", "SkyBox2.x"})
            names.insert(f + plt);
        names.insert(l.intro);
        if (!EndsInNo(l.drown)) names.insert(l.drown);
        if (!EndsInNo(l.caught)) names.insert(l.caught);
        for (const Placed& r : l.rocks) names.insert({f + r.mesh, f + r.texture});
        names.insert({l.spear.mesh, l.spear.texture, l.diver.mesh, l.diver.texture});
        for (const FishRecord& fish : l.fish) {
            for (const auto& m : fish.meshes) names.insert(f + m);
            names.insert(f + fish.texture);
        }
        for (const MovingRecord& m : l.moving) {
            for (const auto& mesh : m.meshes) names.insert(f + mesh);
            names.insert(f + m.texture);
        }
        for (const auto& pair : l.overlay) names.insert({f + pair[0], f + pair[1]});
    }
    return names;
}

TEST(MediaFolder, EveryFileTheGameReadsIsWhereTheGameLooks) {
    const std::vector<Level> levels = ReadAllLevels(kMedia);
    EXPECT_EQ(levels.size(), 3u);
    std::set<std::string> names = ReferencedFiles(levels);
    // Texture names inside X files, looked up as written (never beside the mesh).
    std::set<std::string> textures;
    for (const std::string& name : names) {
        if (name.size() < 2 || name.substr(name.size() - 2) != ".x") continue;
        auto path = Resolve(kMedia, name);
        if (!path) continue;
        std::string error;
        auto mesh = ReadXFile(*path, error);
        ASSERT_TRUE(mesh) << name << ": " << error;
        for (const std::string& t : mesh->textures)
            if (!t.empty()) textures.insert(t);
    }
    names.insert(textures.begin(), textures.end());
    for (const std::string& name : names) EXPECT_TRUE(Resolve(kMedia, name)) << "missing: " << name;
}

TEST(MediaFolder, HandWrittenShadersAreCopied) {
    const fs::path source = fs::path(ABISALIA_SOURCE_DIR) / "media";
    bool any = false;
    if (fs::is_directory(source))
        for (const auto& e : fs::directory_iterator(source)) any = any || e.path().extension() == ".vsh";
    if (!any) GTEST_SKIP() << "no vertex-shader files under media/ yet";
    for (const char* vsh :
         {"objetos.vsh", "objetos2.vsh", "peces.vsh", "peces2.vsh", "suelo1.vsh", "suelo2.vsh", "mar.vsh", "mar2.vsh"})
        EXPECT_TRUE(Resolve(kMedia, vsh)) << "missing: " << vsh;
    for (const auto& e : fs::directory_iterator(source)) {
        if (!e.is_regular_file() || e.path().filename().string().starts_with(".")) continue;
        std::ifstream a(e.path(), std::ios::binary), b(kMedia / e.path().filename(), std::ios::binary);
        std::stringstream sa, sb;
        sa << a.rdbuf();
        sb << b.rdbuf();
        EXPECT_EQ(sa.str(), sb.str()) << e.path().filename();
    }
}

TEST(MediaFolder, EveryMeshImageAndShaderLoadsThroughTheGameLoaders) {
    if (!GameLoadersAvailable()) GTEST_SKIP() << "the texture and X-file loaders are not built yet";
    for (const auto& e : fs::recursive_directory_iterator(kMedia)) {
        const std::string ext = e.path().extension().string();
        if (ext == ".x" || ext == ".bmp" || ext == ".tga" || ext == ".vsh") {
            EXPECT_EQ(LoadWithGameLoaders(e.path()), "") << e.path();
        }
    }
}

std::string ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(MediaGenerator, WritesTheSameBytesEveryRun) {
    const testscratch::ScratchFolder scratch("mediagen-again-");
    const fs::path& again = scratch.Path();
    const std::string command =
        std::string("\"") + MEDIAGEN_EXE + "\" \"" + again.string() + "\" \"" + ABISALIA_SOURCE_DIR + "/media\"";
    ASSERT_EQ(std::system(command.c_str()), 0);
    std::set<fs::path> first, second;
    for (const auto& e : fs::recursive_directory_iterator(kMedia))
        if (e.is_regular_file()) first.insert(fs::relative(e.path(), kMedia));
    for (const auto& e : fs::recursive_directory_iterator(again))
        if (e.is_regular_file()) second.insert(fs::relative(e.path(), again));
    EXPECT_EQ(first, second);
    for (const fs::path& rel : second) EXPECT_TRUE(ReadAll(kMedia / rel) == ReadAll(again / rel)) << "differs: " << rel;
}

}  // namespace
}  // namespace mediacheck
