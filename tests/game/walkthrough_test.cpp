// The players' walkthrough (docs/walkthrough/nivelN.script): each script, played from its level's
// start on the generated media, wins that level (the next level loads), also with every time in it
// stretched or shrunk by 10%, as a player's timing never is exact. The scripts' keys are fed to the
// game one pass (one frame of the fixed step) at a time, as a scripted run of the program does.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "game/diver.h"
#include "game/spear.h"
#include "media_game.h"
#include "win32/timesource.h"

namespace {

constexpr float kFixedStep = 0.02f;  // the step the scripts are written for (docs/walkthrough/README.md)

struct KeyEvent {
    long nPass;
    int nKey;
    bool bDown;
};

int VirtualKey(const std::string& strName) {
    static const std::map<std::string, int> names = {{"up", 0x26},    {"down", 0x28},  {"left", 0x25},  {"right", 0x27},
                                                     {"space", 0x20}, {"enter", 0x0D}, {"return", 0x0D}};
    if (strName.size() == 1 && std::isalpha(static_cast<unsigned char>(strName[0])))
        return std::toupper(static_cast<unsigned char>(strName[0]));
    if (strName.size() == 1 && std::isdigit(static_cast<unsigned char>(strName[0]))) return strName[0];
    const auto it = names.find(strName);
    return it == names.end() ? -1 : it->second;
}

// The key events of a scripted-run file with every time multiplied by fScale (rounded to a pass);
// a press still lasts one pass. Captures and the end are not needed here. Empty on a bad line.
std::vector<KeyEvent> ReadScript(const std::string& strPath, double fScale, std::string& strError, long& nLast) {
    std::ifstream in(strPath);
    if (!in) {
        strError = "cannot read " + strPath;
        return {};
    }
    std::vector<KeyEvent> events;
    std::string strLine;
    long nTime = 0;
    nLast = 0;
    for (int nLine = 1; std::getline(in, strLine); ++nLine) {
        if (const size_t nHash = strLine.find('#'); nHash != std::string::npos) strLine.resize(nHash);
        std::istringstream words(strLine);
        std::string strTime, strCommand, strArgument;
        if (!(words >> strTime)) continue;
        words >> strCommand >> strArgument;
        nTime = strTime[0] == '+' ? nTime + std::atol(strTime.c_str() + 1) : std::atol(strTime.c_str());
        const long nPass = std::lround(static_cast<double>(nTime) * fScale);
        nLast = std::max(nLast, nPass);
        if (strCommand == "capture" || strCommand == "end") continue;
        const int nKey = VirtualKey(strArgument);
        if (nKey < 0 || (strCommand != "press" && strCommand != "key-down" && strCommand != "key-up")) {
            strError = strPath + ":" + std::to_string(nLine) + ": not a key command of a walkthrough";
            return {};
        }
        if (strCommand == "key-up") {
            events.push_back({nPass, nKey, false});
        } else {
            events.push_back({nPass, nKey, true});
            if (strCommand == "press") events.push_back({nPass + 1, nKey, false});
        }
    }
    std::stable_sort(events.begin(), events.end(),
                     [](const KeyEvent& a, const KeyEvent& b) { return a.nPass < b.nPass; });
    return events;
}

struct Walk {
    int nLevel;
    const char* szFolder;
    const char* szNext;
};

class WalkthroughTest : public ::testing::TestWithParam<std::tuple<int, double>> {};

TEST_P(WalkthroughTest, TheScriptWinsItsLevel) {
    static const Walk walks[] = {{1, "nivel1\\", "nivel2\\"}, {2, "nivel2\\", "nivel3\\"}, {3, "nivel3\\", "nivel1\\"}};
    const Walk& walk = walks[std::get<0>(GetParam())];
    const double fScale = std::get<1>(GetParam());
    std::string strError;
    long nLast = 0;
    const std::vector<KeyEvent> events =
        ReadScript(std::string(ABISALIA_SOURCE_DIR "/docs/walkthrough/nivel") + std::to_string(walk.nLevel) + ".script",
                   fScale, strError, nLast);
    ASSERT_EQ(strError, "");
    ASSERT_FALSE(events.empty());

    // The waypoint choice reads the processor clock: it moves with the frames, as in a scripted run.
    std::int64_t nNow = 0;
    win32::SetTimeSourceForTest(1000, true, [&] { return nNow; });
    gametest::MediaGame game("walk" + std::to_string(walk.nLevel) + "-" + std::to_string(std::lround(fScale * 10)),
                             d3d8::BackendKind::Record);
    ASSERT_EQ(game.Start(), "");
    CGameApp& app = game.App();
    if (std::strcmp(app.m_szLevelDir, walk.szFolder) != 0) {
        std::snprintf(app.m_szNextLevelDir, sizeof app.m_szNextLevelDir, "%s", walk.szFolder);
        app.ChangeLevel();
    }
    ASSERT_STREQ(app.m_szLevelDir, walk.szFolder);
    const bool bTrace = std::getenv("ABISALIA_WALK_TRACE") != nullptr;
    size_t nNext = 0;
    long nWon = -1;
    int nDrowned = 0, nCaught = 0;
    for (long nPass = 0; nPass <= nLast + 50 && nWon < 0; ++nPass) {
        for (; nNext < events.size() && events[nNext].nPass <= nPass; ++nNext)
            app.HandleMessage(nullptr, events[nNext].bDown ? WM_KEYDOWN : WM_KEYUP, events[nNext].nKey, 0);
        nNow += static_cast<std::int64_t>(kFixedStep * 1000);
        const bool bRestart = app.Diver()->m_iState == 2;  // drowned: this frame loads the level again
        ASSERT_EQ(game.Frame(kFixedStep), S_OK);
        if (std::strcmp(app.m_szLevelDir, walk.szNext) == 0) nWon = nPass;
        nDrowned += bRestart;
        if (bTrace && nWon < 0 && app.Diver()->m_iFishCaught != nCaught) {
            nCaught = app.Diver()->m_iFishCaught;
            std::printf("[ walk ] pass %ld: catch %d, fish %d\n", nPass, nCaught, app.Diver()->m_iLastFishHit);
        }
        if (bTrace && std::getenv("ABISALIA_WALK_TRACE")[0] == '2' && nPass % 10 == 0 && nWon < 0) {
            const CDiver& d = *app.Diver();
            const D3DXVECTOR3& p = d.m_Transform.m_vPosition;
            std::printf("%5ld pos %7.1f %5.1f %7.1f pitch %5.2f air %5.1f calm %5.1f caught %d spear %d", nPass, p.x,
                        p.y, p.z, d.m_Transform.m_vRotation.y, d.m_fAir, d.m_fCalm, d.m_iFishCaught,
                        app.m_ppSpears[0]->m_iState);
            for (int i = 0; i < app.m_nFish; ++i) {
                const D3DXVECTOR3 v = app.m_ppFish[i]->m_Transform.m_vPosition - p;
                std::printf(" | %.0f,%.0f,%.0f m%.0f", v.x, v.y, v.z, app.m_ppFish[i]->m_fMood);
            }
            std::printf("\n");
        }
    }
    win32::ResetTimeSource();
    EXPECT_EQ(nDrowned, 0) << "the diver drowned";
    EXPECT_GE(nWon, 0) << walk.szFolder << " not won at x" << fScale;
    std::printf("[ walk ] level %d at x%.2f: won at pass %ld (%.1f s)\n", walk.nLevel, fScale, nWon, nWon * kFixedStep);
}

INSTANTIATE_TEST_SUITE_P(Levels, WalkthroughTest,
                         ::testing::Combine(::testing::Values(0, 1, 2), ::testing::Values(0.9, 0.95, 1.0, 1.05, 1.1)));

}  // namespace
