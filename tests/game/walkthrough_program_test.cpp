// The players' walkthrough (docs/walkthrough/nivelN.script) played by the real program: the built
// executable on the gl backend under SDL's offscreen driver, a scripted run of keys with the fixed
// clock, starting at the script's level as the first level it loads. Every time of the script is
// stretched or shrunk by a timing factor, as a player's timing never is exact; each must win its
// level, and with twice the goal's catches where the goal counts fish.
//
// The factors are 0.9, 1.0 and 1.1; ABISALIA_WALK_FACTORS=FROM:TO:STEP (for example
// 0.88:1.12:0.02) plays every factor of that range instead, a sweep too slow for every run.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

namespace {

namespace fs = std::filesystem;

// The next level of the played one is a folder that is not there: the program says that it
// cannot load it, naming it, the moment the level is won (and plays on in the won level).
constexpr const char* kWonMarker = "ganado";

std::vector<double> Factors() {
    const char* szRange = std::getenv("ABISALIA_WALK_FACTORS");
    double fFrom = 0, fTo = 0, fStep = 0;
    if (!szRange || std::sscanf(szRange, "%lf:%lf:%lf", &fFrom, &fTo, &fStep) != 3 || fStep <= 0 || fTo < fFrom)
        return {0.9, 1.0, 1.1};
    std::vector<double> factors;
    for (int k = 0; fFrom + k * fStep <= fTo + 1e-9; ++k) factors.push_back(fFrom + k * fStep);
    return factors;
}

// The script's lines with every time multiplied by fScale and rounded to a pass, in time order; a
// press keeps its one pass. Empty, with strError set, on a line that is not a timed command.
std::string ScaledScript(const fs::path& path, double fScale, std::string& strError) {
    std::ifstream in(path);
    if (!in) {
        strError = "cannot read " + path.string();
        return {};
    }
    std::vector<std::pair<long, std::string>> lines;
    std::string strLine;
    long nTime = 0;
    for (int nLine = 1; std::getline(in, strLine); ++nLine) {
        if (const size_t nHash = strLine.find('#'); nHash != std::string::npos) strLine.resize(nHash);
        std::istringstream words(strLine);
        std::string strTime, strRest;
        if (!(words >> strTime)) continue;
        std::getline(words, strRest);
        char* pEnd = nullptr;
        const long nValue = std::strtol(strTime.c_str() + (strTime[0] == '+'), &pEnd, 10);
        if (*pEnd != '\0' || strRest.find_first_not_of(' ') == std::string::npos) {
            strError = path.string() + ":" + std::to_string(nLine) + ": not a timed command";
            return {};
        }
        nTime = strTime[0] == '+' ? nTime + nValue : nValue;
        lines.emplace_back(std::lround(static_cast<double>(nTime) * fScale), strRest);
    }
    std::stable_sort(lines.begin(), lines.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::string strOut;
    for (const auto& [nPass, strCommand] : lines) strOut += std::to_string(nPass) + strCommand + "\n";
    return strOut;
}

std::vector<std::string> ReadWords(const fs::path& path) {
    std::ifstream in(path);
    return {std::istream_iterator<std::string>(in), std::istream_iterator<std::string>()};
}

// The run's own copy of the media folder, removed however the test ends.
struct ScratchFolder {
    fs::path path;
    explicit ScratchFolder(fs::path p) : path(std::move(p)) {
        fs::remove_all(path);
        fs::copy(ABISALIA_MEDIA_DIR, path, fs::copy_options::recursive);
    }
    ~ScratchFolder() {
        std::error_code error;
        fs::remove_all(path, error);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
};

class WalkthroughProgramTest : public ::testing::TestWithParam<std::tuple<int, double>> {};

TEST_P(WalkthroughProgramTest, TheScriptWinsItsLevelAsTheFirstLevelLoaded) {
    const int nLevel = std::get<0>(GetParam());
    const double fScale = std::get<1>(GetParam());
    const long nPercent = std::lround(fScale * 100);
    ScratchFolder scratch(fs::temp_directory_path() / ("abisalia-walk" + std::to_string(nLevel) + "-" +
                                                       std::to_string(nPercent) + "-" + std::to_string(::getpid())));
    const fs::path& folder = scratch.path;

    // The program always starts in "nivel1\": the played level takes its place.
    if (nLevel != 1) {
        fs::remove_all(folder / "nivel1");
        fs::copy(folder / ("nivel" + std::to_string(nLevel)), folder / "nivel1", fs::copy_options::recursive);
    }
    // nivel.plt: the next folder first, the goal type and value last (words 19 and 20).
    std::vector<std::string> words = ReadWords(folder / "nivel1" / "nivel.plt");
    ASSERT_EQ(words.size(), 21u);
    words[0] = kWonMarker;
    const bool bCountGoal = words[19] == "0";
    if (bCountGoal) words[20] = std::to_string(2 * std::stoi(words[20]));
    {
        std::ofstream out(folder / "nivel1" / "nivel.plt", std::ios::trunc);
        for (const std::string& strWord : words) out << strWord << '\n';
    }

    std::string strError;
    const std::string strScript = ScaledScript(
        fs::path(ABISALIA_SOURCE_DIR) / "docs" / "walkthrough" / ("nivel" + std::to_string(nLevel) + ".script"), fScale,
        strError);
    ASSERT_EQ(strError, "");
    std::ofstream(folder / "run.script") << strScript;

    // The time limit only turns a program that stops stepping frames into a failure.
    const std::string strCommand = "cd '" + folder.string() +
                                   "' && SDL_VIDEODRIVER=offscreen ABISALIA_FIXED_STEP=0.02 ABISALIA_SCRIPT=run.script "
                                   "timeout -k 5 600 '" ABISALIA_GAME_PATH "' > run.log 2>&1";
    const int nResult = std::system(strCommand.c_str());
    std::ostringstream log;
    log << std::ifstream(folder / "run.log").rdbuf();
    EXPECT_EQ(nResult, 0) << log.str();
    EXPECT_NE(log.str().find(kWonMarker), std::string::npos)
        << "level " << nLevel << " not won at x" << fScale << (bCountGoal ? " with twice its catches" : "") << "\n"
        << log.str();
}

INSTANTIATE_TEST_SUITE_P(Levels, WalkthroughProgramTest,
                         ::testing::Combine(::testing::Values(1, 2, 3), ::testing::ValuesIn(Factors())),
                         [](const ::testing::TestParamInfo<std::tuple<int, double>>& info) {
                             return "nivel" + std::to_string(std::get<0>(info.param)) + "_x" +
                                    std::to_string(std::lround(std::get<1>(info.param) * 100));
                         });

}  // namespace
