// The first level on llvmpipe with and without its fish and moving rocks: they show in the frame,
// the kelp sways and the fish's tails bend. A fixed step makes the runs alike but for what changes.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>

#include "scripted_run.h"

namespace {

using gametest::Distance;
using gametest::Image;

class FishPixelsTest : public gametest::ScriptedRunTest {
protected:
    // Runs the first level with the given fish and moving-rock files (empty: the generated ones)
    // and returns the frames at passes 40 and 70 (buoyancy off, so the diver stays put), while the
    // fish of the start come up to him.
    std::pair<Image, Image> Frames(const std::string& strFish, const std::string& strMoving) {
        if (!strFish.empty()) std::ofstream(folder_ / "nivel1" / "peces.plt", std::ios::trunc) << strFish;
        if (!strMoving.empty()) std::ofstream(folder_ / "nivel1" / "ladrillosmv.plt", std::ios::trunc) << strMoving;
        EXPECT_EQ(Run("3 press g\n40 capture a.png\n70 capture b.png\n+1 end\n"), 0) << Log();
        return {Capture("a.png"), Capture("b.png")};
    }
    std::string Original(const char* szName) {
        std::ostringstream out;
        out << std::ifstream(folder_ / "nivel1" / szName).rdbuf();
        return out.str();
    }
    // Pixels of a that differ from b.
    static std::vector<bool> Mask(const Image& a, const Image& b) {
        std::vector<bool> mask(static_cast<size_t>(a.nWidth) * a.nHeight);
        for (int y = 0; y < a.nHeight; ++y)
            for (int x = 0; x < a.nWidth; ++x)
                mask[static_cast<size_t>(y) * a.nWidth + x] = Distance(a.At(x, y), b.At(x, y)) > 24;
        return mask;
    }
    static int Count(const std::vector<bool>& m) { return static_cast<int>(std::count(m.begin(), m.end(), true)); }
    static int CountDiffering(const std::vector<bool>& a, const std::vector<bool>& b) {
        int n = 0;
        for (size_t i = 0; i < a.size(); ++i) n += a[i] != b[i];
        return n;
    }
};

TEST_F(FishPixelsTest, FishAndMovingRocksShowAndMove) {
    const std::string strFish = Original("peces.plt"), strMoving = Original("ladrillosmv.plt");
    // The rigid fish draw their straight pose three times.
    const std::string strRigid = std::regex_replace(strFish, std::regex(R"(\w+0\.x (\w+1\.x) \w+2\.x)"), "$1 $1 $1");
    ASSERT_NE(strRigid, strFish);

    // The same waypoints without a fish (one record a line).
    int nFish = 0;
    std::istringstream(strFish) >> nFish;
    std::string strWaypoints = strFish;
    for (int i = 0; i <= nFish; ++i) strWaypoints = strWaypoints.substr(strWaypoints.find('\n') + 1);
    const std::string strEmptyFish = "0\n" + strWaypoints;

    const auto [emptyA, emptyB] = Frames(strEmptyFish, "0\n");
    const auto [fishA, fishB] = Frames(strFish, "0\n");
    const auto [rigidA, rigidB] = Frames(strRigid, "0\n");
    const auto [rocksA, rocksB] = Frames(strEmptyFish, strMoving);
    for (const Image* p : {&emptyA, &emptyB, &fishA, &fishB, &rigidA, &rigidB, &rocksA, &rocksB})
        ASSERT_EQ(p->nWidth, 1024) << "a frame is missing";

    const int nFrame = 1024 * 768;
    // Fish and kelp in the frame, and nothing else changes.
    const std::vector<bool> fishMaskA = Mask(fishA, emptyA), fishMaskB = Mask(fishB, emptyB);
    const std::vector<bool> kelpMaskA = Mask(rocksA, emptyA), kelpMaskB = Mask(rocksB, emptyB);
    std::printf("[ pixels ] fish %d and %d, kelp %d and %d\n", Count(fishMaskA), Count(fishMaskB), Count(kelpMaskA),
                Count(kelpMaskB));
    for (const auto* pMask : {&fishMaskA, &fishMaskB}) {
        EXPECT_GT(Count(*pMask), 100) << "fish in the frame";
        // The start's ring of large fish crosses close in front of the diver.
        EXPECT_LT(Count(*pMask), nFrame / 3);
    }
    for (const auto* pMask : {&kelpMaskA, &kelpMaskB}) {
        EXPECT_GT(Count(*pMask), 1000) << "moving rocks in the frame";
        EXPECT_LT(Count(*pMask), nFrame / 4);
    }
    // The kelp stands still but sways: its outline differs between the two frames.
    EXPECT_GT(CountDiffering(kelpMaskA, kelpMaskB), 200) << "the moving rocks change their shape";
    // The rigid fish swim the same way (the meshes do not steer), so what differs is the bent tail.
    const std::vector<bool> tailA = Mask(fishA, rigidA), tailB = Mask(fishB, rigidB);
    std::printf("[ pixels ] tails %d and %d\n", Count(tailA), Count(tailB));
    EXPECT_GT(Count(tailA) + Count(tailB), 20) << "a tail is bent away from the straight pose";
    EXPECT_LT(Count(tailA), Count(fishMaskA)) << "only the tails differ";
}

}  // namespace
