// The real program keeps level names inside its folders: a next level named out of the game's
// folder, where a whole level waits, is refused when 'N' asks for it, and the game plays on.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "scripted_run.h"

namespace {

using LevelNamesProgramTest = gametest::ScriptedRunTest;

// A folder beside the run's, removed however the test ends.
struct Beside {
    explicit Beside(const std::filesystem::path& folder)
        : path(folder.parent_path() / ("abisalia-outside-" + folder.filename().string())) {
        std::filesystem::remove_all(path);
    }
    ~Beside() {
        std::error_code error;
        std::filesystem::remove_all(path, error);
    }
    std::filesystem::path path;
};

TEST_F(LevelNamesProgramTest, ANextLevelNamedOutOfTheGameFolderIsRefused) {
    // The generated second level, whole, outside the game's folder; the first level names it.
    const Beside outside(folder_);
    std::filesystem::create_directories(outside.path);
    std::filesystem::copy(folder_ / "nivel2", outside.path / "nivel2", std::filesystem::copy_options::recursive);
    const std::string strNext = "nivel1\\..\\..\\" + outside.path.filename().string() + "\\nivel2";
    const std::filesystem::path settings = folder_ / "nivel1" / "nivel.plt";
    std::ifstream in(settings);
    std::vector<std::string> words{std::istream_iterator<std::string>(in), std::istream_iterator<std::string>()};
    in.close();
    ASSERT_FALSE(words.empty());
    words[0] = strNext;
    std::ofstream out(settings, std::ios::trunc);
    for (const std::string& strWord : words) out << strWord << '\n';
    out.close();

    ASSERT_EQ(Run("10 press n\n+30 capture after.png\n+1 end\n"), 0) << Log();
    EXPECT_NE(Log().find(strNext + "\\nivel.plt: refused"), std::string::npos) << Log();
    EXPECT_NE(Log().find(strNext + "\\ladrillos.plt: refused"), std::string::npos) << Log();
    EXPECT_TRUE(std::filesystem::exists(folder_ / "after.png")) << "the game went on";
}

}  // namespace
