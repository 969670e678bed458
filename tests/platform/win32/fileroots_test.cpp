// Names kept inside the game's folders: every way out a level folder could hold, against the real
// file layer.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "win32/fileio.h"

namespace fs = std::filesystem;

namespace {

// A game folder that is the current folder and the only root, a media folder that is the second
// root, and a folder outside both; everything removed and unconfined again however the test ends.
class Confined {
public:
    Confined() {
        base_ = fs::temp_directory_path() / ("abisalia-roots-" + std::to_string(::getpid()));
        fs::remove_all(base_);
        for (const char* folder : {"game/nivel1", "game/nivel2", "media", "outside/nivel2"})
            fs::create_directories(base_ / folder);
        old_ = fs::current_path();
        fs::current_path(Game());
        win32::SetFileRoots({".", Media().string()});
    }
    ~Confined() {
        win32::SetFileRoots({});
        fs::current_path(old_);
        std::error_code error;
        fs::remove_all(base_, error);
    }
    fs::path Game() const { return base_ / "game"; }
    fs::path Media() const { return base_ / "media"; }
    fs::path Outside() const { return base_ / "outside"; }
    static void Write(const fs::path& p, const std::string& text) { std::ofstream(p) << text; }

private:
    fs::path base_, old_;
};

// The first line of what the name opens; "" when nothing opens.
std::string Read(const std::string& name) {
    std::FILE* f = win32::OpenFile(name.c_str(), "rb");
    if (!f) return "";
    char text[32] = {};
    if (!std::fgets(text, sizeof text, f)) text[0] = '\0';
    std::fclose(f);
    return text;
}

}  // namespace

TEST(FileRoots, NamesOpenOnlyInsideTheGameAndMediaFolders) {
    Confined dir;
    Confined::Write(dir.Game() / "nivel1" / "Peces.plt", "peces");
    Confined::Write(dir.Media() / "barca.x", "barca");
    Confined::Write(dir.Outside() / "secret.txt", "secret");
    Confined::Write(dir.Outside() / "nivel2" / "nivel.plt", "foreign");
    fs::create_symlink(dir.Outside() / "secret.txt", dir.Game() / "nivel1" / "out.txt");
    fs::create_symlink("../../outside/secret.txt", dir.Game() / "nivel1" / "up.txt");
    fs::create_symlink("Peces.plt", dir.Game() / "nivel1" / "in.txt");
    fs::create_symlink(dir.Game() / "nivel1" / "Peces.plt", dir.Game() / "nivel1" / "absin.txt");
    fs::create_symlink(dir.Outside(), dir.Game() / "fuera");
    fs::create_symlink("loop", dir.Game() / "loop");
    const std::string outside = dir.Outside().string(), game = dir.Game().string();

    struct Case {
        std::string name;
        const char* content;  // "": nothing opens
        bool refused;         // a line on standard error names it
    } cases[] = {
        // What the shipped levels and the framework use.
        {"nivel1\\peces.plt", "peces", false},
        {"nivel1/PECES.PLT", "peces", false},
        {"./NIVEL1\\peces.plt", "peces", false},
        {"nivel2\\..\\nivel1\\peces.plt", "peces", false},     // ".." that stays inside
        {(dir.Media() / "barca.x").string(), "barca", false},  // the media lookup's own absolute path
        {game + "/nivel1/peces.plt", "peces", false},          // absolute, but inside
        {"nivel1\\in.txt", "peces", false},                    // links that stay inside
        {"nivel1\\absin.txt", "peces", false},
        {"nivel1\\missing.plt", "", false},
        // Ways out.
        {outside + "/secret.txt", "", true},
        {outside + "\\SECRET.TXT", "", true},
        {"..\\outside\\secret.txt", "", true},
        {"nivel1\\..\\..\\outside\\nivel2\\nivel.plt", "", true},  // a next level of "..\..\"
        {"..\\..\\..\\..\\..\\..\\..\\..\\..\\..\\" + outside + "\\secret.txt", "", true},
        {"nivel1\\out.txt", "", true},  // a link inside pointing out
        {"nivel1\\UP.TXT", "", true},
        {"fuera\\secret.txt", "", true},  // a linked folder pointing out
        {"FUERA/Secret.Txt", "", true},
        {"fuera\\..\\game\\nivel1\\peces.plt", "peces", false},  // its ".." is where the link leads
        {"loop", "", false},
    };
    for (const Case& c : cases) {
        testing::internal::CaptureStderr();
        const std::string text = Read(c.name);
        const std::string said = testing::internal::GetCapturedStderr();
        EXPECT_EQ(text, c.content) << c.name;
        if (c.refused) {
            EXPECT_NE(said.find(c.name + ": refused"), std::string::npos) << c.name << ": " << said;
        } else {
            EXPECT_EQ(said, "") << c.name;
        }
    }

    // The existence test of the media lookup refuses too, without a word: the open that follows
    // says it.
    testing::internal::CaptureStderr();
    EXPECT_TRUE(win32::FileReadable("nivel1\\in.txt"));
    EXPECT_FALSE(win32::FileReadable("fuera\\secret.txt"));
    EXPECT_EQ(CreateFileA((outside + "/secret.txt").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                          nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");

    // Writing is kept inside as well.
    std::FILE* f = win32::OpenFile("nivel1\\new.txt", "wb");
    ASSERT_NE(f, nullptr);
    std::fclose(f);
    testing::internal::CaptureStderr();
    EXPECT_EQ(win32::OpenFile("fuera\\new.txt", "wb"), nullptr);
    EXPECT_EQ(errno, EACCES);
    testing::internal::GetCapturedStderr();
    EXPECT_FALSE(fs::exists(dir.Outside() / "new.txt"));

    // Unconfined, as the tests of other loaders run, the same names open.
    win32::SetFileRoots({});
    EXPECT_EQ(Read("fuera\\secret.txt"), "secret");
    EXPECT_EQ(Read(outside + "/secret.txt"), "secret");
}

// Roots that do not exist confine to nothing rather than to everything.
TEST(FileRoots, RootsThatDoNotExistLeaveNothingOpen) {
    Confined dir;
    Confined::Write(dir.Game() / "a.txt", "a");
    win32::SetFileRoots({(dir.Game() / "missing").string()});
    testing::internal::CaptureStderr();
    EXPECT_EQ(Read("a.txt"), "");
    EXPECT_NE(testing::internal::GetCapturedStderr().find("a.txt: refused"), std::string::npos);
}
