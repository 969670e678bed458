// Playing the first level end to end, and a catch on a small level: the real program on the gl
// backend (llvmpipe), driven by scripted runs in a copy of the generated media folder and judged by
// its captured frames.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "level_edit.h"
#include "scripted_run.h"

namespace {

using gametest::Distance;
using gametest::Image;
using PlayTest = gametest::ScriptedRunTest;

constexpr int kWidth = 1024, kHeight = 768;
constexpr double kPi = 3.14159265358979323846;
// Real seconds per frame of Run's fixed step: each frame is a game step of 5 x 0.02 = 0.1.
constexpr double kFrameSeconds = 0.02;
constexpr unsigned char kWater[3] = {40, 110, 120};  // the first level's water colour

// The camera's focal length in pixels: a 45 degree vertical field of view over 768 rows.
const double kFocal = (kHeight / 2) / std::tan(kPi / 8);

bool Yellow(const unsigned char* p) { return p[0] > 180 && p[1] > 180 && p[2] < 90; }

// Writes the first level's maximum air: the 16th word of nivel.plt, after the next level, the
// three videos, the water colour, colours A and B and the fog range.
void SetMaxAir(const std::filesystem::path& folder, const std::string& strAir) {
    const std::filesystem::path path = folder / "nivel1" / "nivel.plt";
    std::ifstream in(path);
    std::vector<std::string> words{std::istream_iterator<std::string>(in), std::istream_iterator<std::string>()};
    ASSERT_GE(words.size(), 16u) << path;
    words[15] = strAir;
    std::ofstream out(path, std::ios::trunc);
    for (const std::string& strWord : words) out << strWord << '\n';
}

// ---- The pillar ahead and how far the diver swam towards it ----

struct Stroke {
    int nFirst, nLast;  // passes: 'W' goes down at the first and up at the last
};

// Distance swum along the look direction after nFrames frames of 'W' down over [first, last)
// passes, by the finning and motion rules: while the key is down the press time grows by the game
// step each frame and the thrust is 0.17 x press time / 4 (strokes this short stay far from the
// press time's cap and the leg's limit); once it is up the thrust decays by 1 - 0.1 x step per frame, and a new
// stroke takes over only when its own thrust passes the decayed one. The velocity is damped by
// 0.9 per frame and gains the thrust; the position gains velocity x step.
double SwimDistance(const std::vector<Stroke>& strokes, int nFrames) {
    const double h = 5 * kFrameSeconds;
    double fPress = 0, fThrust = 0, fVelocity = 0, fDistance = 0;
    for (int f = 1; f <= nFrames; ++f) {
        const bool bDown =
            std::any_of(strokes.begin(), strokes.end(), [f](const Stroke& s) { return s.nFirst <= f && f < s.nLast; });
        fPress = bDown ? fPress + h : 0;
        const double fTarget = 0.17 * fPress / 4;
        fThrust = fTarget > fThrust ? fTarget : fTarget * 0.1 * h + (1 - 0.1 * h) * fThrust;
        fVelocity = 0.9 * fVelocity + fThrust;
        fDistance += fVelocity * h;
    }
    return fDistance;
}

// The pillar is dark and cool; the sand around it warm or bright.
bool PillarLike(const unsigned char* p) { return p[0] + p[1] + p[2] < 270 && p[2] >= p[0]; }

// Width in pixels of the pillar on row y, through the centre column (its axis is straight ahead of
// the start), bridging lighter flecks of up to 3 pixels; 0 when the centre is not pillar.
int PillarWidth(const Image& image, int y) {
    const int xc = image.nWidth / 2;
    if (!PillarLike(image.At(xc, y))) return 0;
    auto edge = [&](int dx) {
        int x = xc;
        for (;;) {
            int g = 1;
            while (g <= 4 && x + g * dx >= 0 && x + g * dx < image.nWidth && !PillarLike(image.At(x + g * dx, y))) ++g;
            if (g > 4 || x + g * dx < 0 || x + g * dx >= image.nWidth) return x;
            x += g * dx;
        }
    };
    return edge(1) - edge(-1) + 1;
}

// How far the diver of frame b stands ahead of the diver of frame a along the look direction, both
// looking as at the start (pitch -0.6, yaw 0) with nothing else moving them, judged by the pillar
// 40 units ahead of the start.
// Swimming d along the look direction scales the picture about its centre: a point at depth t
// appears t / (t - d) times as far from the centre. The pillar's outline lies about 39.6 units
// ahead horizontally (40 less the radius squared over 40), so on the row s = (384 - y) / focal its
// depth is t = 39.6 / (cos 0.6 + s sin 0.6). Its width on row y of frame a thus comes back k times
// wider on row 384 - k (384 - y) of frame b; the advance is the d that makes the median ratio 1.
// Rows 130 to 290 of frame a have sand on both sides of the pillar.
double MeasuredAdvance(const Image& a, const Image& b) {
    std::vector<int> anA(kHeight), anB(kHeight);
    for (int y = 0; y < kHeight; ++y) anA[y] = PillarWidth(a, y), anB[y] = PillarWidth(b, y);
    auto medianRatio = [&](double d) {
        std::vector<double> ratios;
        for (int y = 130; y <= 290; y += 2) {
            const double s = (kHeight / 2 - y) / kFocal;
            const double t = 39.6 / (std::cos(0.6) + s * std::sin(0.6));
            const double k = t / (t - d);
            const long yB = std::lround(kHeight / 2 - k * (kHeight / 2 - y));
            if (anA[y] == 0 || yB < 0 || yB >= kHeight || anB[yB] == 0) continue;
            ratios.push_back(anB[yB] / (k * anA[y]));
        }
        if (ratios.size() < 30) return std::nan("");
        std::nth_element(ratios.begin(), ratios.begin() + ratios.size() / 2, ratios.end());
        return ratios[ratios.size() / 2];
    };
    // The ratio falls as d grows.
    double lo = -10, hi = 15;
    for (int i = 0; i < 40; ++i) {
        const double mid = (lo + hi) / 2, m = medianRatio(mid);
        if (std::isnan(m)) return m;
        (m > 1 ? lo : hi) = mid;
    }
    return (lo + hi) / 2;
}

// The first level staged as a clear range: the diver 30 units up, the pillar 40 ahead, no fish in
// between, the fog far out.
void StagePillarAhead(const std::filesystem::path& folder) {
    const std::filesystem::path level = folder / "nivel1";
    ASSERT_NO_FATAL_FAILURE(gametest::SetStartHeight(level, 30));
    ASSERT_NO_FATAL_FAILURE(gametest::PutPillarAhead(level, 40));
    ASSERT_NO_FATAL_FAILURE(gametest::ClearFish(level));
    ASSERT_NO_FATAL_FAILURE(gametest::SetFog(level, 20, 150));
}

// Buoyancy is switched off with 'G' in both runs so that nothing but the strokes moves the diver.
// The pose is the start's throughout: nothing turns him.
TEST_F(PlayTest, StrokesSwimTowardsThePillar) {
    ASSERT_NO_FATAL_FAILURE(StagePillarAhead(folder_));
    ASSERT_EQ(Run("3 press g\n20 capture early.png\n160 capture still.png\n+1 end\n"), 0) << Log();
    const std::vector<Stroke> strokes = {{20, 35}, {45, 60}, {70, 85}};
    std::string strScript = "3 press g\n";
    for (const Stroke& s : strokes)
        strScript += std::to_string(s.nFirst) + " key-down w\n" + std::to_string(s.nLast) + " key-up w\n";
    strScript += "160 capture swum.png\n+1 end\n";
    ASSERT_EQ(Run(strScript), 0) << Log();
    const Image early = Capture("early.png"), still = Capture("still.png"), swum = Capture("swum.png");
    for (const Image* p : {&early, &still, &swum}) {
        ASSERT_EQ(p->nWidth, kWidth);
        ASSERT_EQ(p->nHeight, kHeight);
    }
    // The measure itself: the pillar's outline, and no drift without strokes.
    EXPECT_GT(PillarWidth(still, 200), 150);
    EXPECT_LT(PillarWidth(still, 200), 210);
    EXPECT_NEAR(MeasuredAdvance(early, still), 0.0, 0.3);

    // Three strokes of 15 frames carry the diver about 6.45 units by frame 160; strokes a frame
    // longer or shorter would carry him about 0.45 more or less. The measure is good to about 0.2:
    // an outline a unit nearer or farther than 39.6 moves it by 0.16, a pixel more at each edge of
    // both frames by 0.05.
    EXPECT_NEAR(MeasuredAdvance(still, swum), SwimDistance(strokes, 160), 0.35);
}

// ---- The sea floor ----

TEST_F(PlayTest, SeaFloorFillsTheLowerPart) {
    // 'V' first: the level's intro covers part of the lower left.
    ASSERT_EQ(Run("3 press v\n40 capture a.png\n+1 end\n"), 0) << Log();
    const Image a = Capture("a.png");
    ASSERT_EQ(a.nWidth, kWidth);
    ASSERT_EQ(a.nHeight, kHeight);
    // Sand is warm, its caustic lines bright; the diver's arms and gun take the rest.
    int nFloor = 0, nWater = 0, nTotal = 0;
    for (int y = kHeight / 2 + 16; y < 720; y += 2)
        for (int x = 0; x < kWidth; x += 2, ++nTotal) {
            const unsigned char* p = a.At(x, y);
            nFloor += (p[0] > p[2] + 15 && p[0] + p[1] + p[2] > 200) || std::min({p[0], p[1], p[2]}) > 200;
            nWater += Distance(p, kWater) < 60;
        }
    EXPECT_GT(nFloor, nTotal * 3 / 4);
    EXPECT_LT(nWater, nTotal / 50);
}

// ---- The air bar and drowning ----

// The air bar's length in pixels. It starts at x = 697 and fills rows 730 to 752 (0.18 to
// 0.18 + 0.2 x air / max air across and 0.45 to 0.48 below the centre of the HUD's unit square),
// 204.8 pixels at full air. The "AIRE" label covers its middle rows, so a column belongs to the bar
// when rows above and below the label hold one colour that differs from the picture just outside
// the bar.
constexpr double kFullBar = 0.2 * kWidth;
int AirBarLength(const Image& image) {
    auto bar = [&](int x) {
        const unsigned char* p = image.At(x, 731);
        for (int y : {733, 749, 751})
            if (Distance(p, image.At(x, y)) > 12) return false;
        return Distance(p, image.At(x, 727)) > 40 && Distance(p, image.At(x, 755)) > 40;
    };
    int x = 697;
    if (!bar(x)) return 0;
    while (x + 1 < image.nWidth && bar(x + 1)) ++x;
    return x - 696;
}

// The mean colour of the top right corner, where the start pose shows only the water beyond the fog.
std::vector<double> FarColour(const Image& image) {
    std::vector<double> c(3, 0.0);
    int n = 0;
    for (int y = 0; y < 4; ++y)
        for (int x = 960; x < kWidth; ++x, ++n)
            for (int i = 0; i < 3; ++i) c[i] += image.At(x, y)[i];
    for (double& v : c) v /= n;
    return c;
}

// Share of the upper two thirds of the picture that is red: red well above both green and blue.
double RedShare(const Image& image) {
    int nRed = 0, nTotal = 0;
    for (int y = 0; y < kHeight * 2 / 3; y += 4)
        for (int x = 0; x < kWidth; x += 4, ++nTotal) {
            const unsigned char* p = image.At(x, y);
            nRed += p[0] > p[1] + 40 && p[0] > p[2] + 40;
        }
    return static_cast<double>(nRed) / nTotal;
}

// The rightmost yellow column of the message line, which starts at x = 102.
int MessageEnd(const Image& image) {
    int nEnd = 0;
    for (int y = 728; y < 754; ++y)
        for (int x = 90; x < 420; ++x)
            if (Yellow(image.At(x, y))) nEnd = std::max(nEnd, x);
    return nEnd;
}

// Air goes at one unit per real second at rest; with a maximum of 10 the bar loses a tenth of its
// length each second. Buoyancy is off so that the diver stays below the breathing height.
TEST_F(PlayTest, AirBarShrinksOverTime) {
    ASSERT_NO_FATAL_FAILURE(SetMaxAir(folder_, "10.0"));
    ASSERT_EQ(Run("3 press g\n10 capture early.png\n150 capture late.png\n+1 end\n"), 0) << Log();
    const Image early = Capture("early.png"), late = Capture("late.png");
    ASSERT_EQ(early.nWidth, kWidth);
    ASSERT_EQ(late.nWidth, kWidth);
    // Air 10 - 0.02 per frame: 9.8 after 10 frames, 7.0 after 150.
    EXPECT_NEAR(AirBarLength(early), kFullBar * 9.8 / 10, 3);
    EXPECT_NEAR(AirBarLength(late), kFullBar * 7.0 / 10, 3);
}

// With a maximum air of 2 and buoyancy off the air is gone after 2 s (frame 100); the fade to red
// takes 4 s of real time (to frame 300), then the level starts again with full air. The diver
// starts high in open water, where the top of the picture is the water beyond the fog.
TEST_F(PlayTest, DrowningFadesToRedAndRestartsTheLevel) {
    ASSERT_NO_FATAL_FAILURE(SetMaxAir(folder_, "2.0"));
    ASSERT_NO_FATAL_FAILURE(gametest::SetStartHeight(folder_ / "nivel1", 40));
    // 'V' stops the intro, whose message line would outlast the first capture.
    ASSERT_EQ(Run("3 press g\n4 press v\n60 capture before.png\n200 capture fading.png\n296 capture red.png\n"
                  "310 capture again.png\n+1 end\n"),
              0)
        << Log();
    const Image before = Capture("before.png"), fading = Capture("fading.png"), red = Capture("red.png"),
                again = Capture("again.png");
    for (const Image* p : {&before, &fading, &red, &again}) ASSERT_EQ(p->nWidth, kWidth);

    const std::vector<double> cBefore = FarColour(before), cFading = FarColour(fading), cAgain = FarColour(again);
    for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(cBefore[i], kWater[i], 2) << "channel " << i;
        EXPECT_NEAR(cAgain[i], kWater[i], 2) << "channel " << i;
    }
    // Halfway through the fade the water is halfway to (80, 0, 0).
    const double t = (200 - 100) * kFrameSeconds / 4;
    EXPECT_NEAR(cFading[0], t * 80 + (1 - t) * kWater[0], 4);
    EXPECT_NEAR(cFading[1], (1 - t) * kWater[1], 4);
    EXPECT_NEAR(cFading[2], (1 - t) * kWater[2], 4);

    EXPECT_LT(RedShare(before), 0.01);
    EXPECT_GT(RedShare(red), 0.9) << "the picture has faded to red";
    EXPECT_LT(RedShare(again), 0.01);

    EXPECT_NEAR(AirBarLength(before), kFullBar * (2 - 60 * kFrameSeconds) / 2, 3);
    EXPECT_EQ(AirBarLength(fading), 0);
    // Refilled at the restart (frame 302 or so) and going again since.
    EXPECT_GT(AirBarLength(again), kFullBar * 0.8) << "the restarted level gives full air";

    // "TE HAS AHOGADO !!!" reaches further right than the default "tecla h para ayuda"; at the
    // restart the new intro's "v para activar/desactivar video" takes the line.
    EXPECT_LT(MessageEnd(before), 240);
    EXPECT_GT(MessageEnd(fading), 250);
    EXPECT_GT(MessageEnd(again), 250);
}

// The level files go away while the game runs, then 'N' asks for the next level: neither it nor
// the level that was playing can be loaded. The program says so and ends as a close would, with
// exit code 0, before anything renders on the released device.
TEST_F(PlayTest, NoLevelLeftToLoadEndsTheProgramWithItsMessage) {
    const int nResult = RunMeanwhile("30 capture a.png\n120 press n\n+60 capture late.png\n", "a.png", [&] {
        for (const char* szLevel : {"nivel1", "nivel2", "nivel3"}) std::filesystem::remove_all(folder_ / szLevel);
    });
    EXPECT_EQ(nResult, 0) << Log();
    EXPECT_NE(Log().find("[error] Abisalia: "), std::string::npos) << Log();
    EXPECT_FALSE(std::filesystem::exists(folder_ / "late.png")) << "the program ended at the level change";
}

}  // namespace

// ---- The spear and a catch ----

// The first level made small: the diver starts at y 40, a few units under the surface, a fish waits
// on a waypoint linked to itself 8 units out along his start look (0, -0.5646, 0.8253), and one
// catch meets the goal; the next level is the generated second one, its start raised into open
// water, where the top of the picture is the water beyond the fog.
void WriteCatchLevel(const std::filesystem::path& folder) {
    const std::filesystem::path dir = folder / "nivel1";
    std::ifstream in(dir / "nivel.plt");
    std::vector<std::string> words{std::istream_iterator<std::string>(in), std::istream_iterator<std::string>()};
    ASSERT_GE(words.size(), 2u);
    words[words.size() - 2] = "0";
    words[words.size() - 1] = "1";
    std::ofstream out(dir / "nivel.plt", std::ios::trunc);
    for (const std::string& strWord : words) out << strWord << '\n';
    std::ofstream(dir / "ladrillos.plt", std::ios::trunc) << "0\narpon.x arpon.bmp 1.0 900 40 600\n"
                                                             "buzo.x buzo.bmp 1.0 900 40 600\n";
    std::ofstream(dir / "peces.plt", std::ios::trunc) << "1\ndorada0.x dorada1.x dorada2.x dorada.bmp 1.5 0 15 9 1\n"
                                                         "1\n900 35.483 606.602 1 0\n";
    ASSERT_NO_FATAL_FAILURE(gametest::SetStartHeight(folder / "nivel2", 40));
}

// Yellow pixels of the fish count's digit ("Peces :" starts at x = 614).
int CountDigitPixels(const Image& image) {
    int n = 0;
    for (int y = 728; y < 754; ++y)
        for (int x = 660; x < 690; ++x) n += Yellow(image.At(x, y));
    return n;
}

// Pixels of the gun's spear, right of and below the look, that changed between two frames.
int GunChanges(const Image& a, const Image& b) {
    int n = 0;
    for (int y = 450; y < 640; ++y)
        for (int x = 560; x < 740; ++x) n += Distance(a.At(x, y), b.At(x, y)) > 60;
    return n;
}

// 'Z' a few passes in, during the start pose: the spear leaves the gun and sticks in the fish, the
// count and the message line show the catch, buoyancy brings the diver up to the surface and the
// second level loads.
TEST_F(PlayTest, TheSpearCatchesAFishAndTheNextLevelLoads) {
    ASSERT_NO_FATAL_FAILURE(WriteCatchLevel(folder_));
    ASSERT_EQ(Run("3 capture before.png\n4 capture still.png\n5 press z\n6 capture fired.png\n"
                  "30 capture caught.png\n100 capture next.png\n+1 end\n"),
              0)
        << Log();
    const Image before = Capture("before.png"), still = Capture("still.png"), fired = Capture("fired.png"),
                caught = Capture("caught.png"), next = Capture("next.png");
    for (const Image* p : {&before, &still, &fired, &caught, &next}) ASSERT_EQ(p->nWidth, kWidth);
    // The spear leaving the gun changes its part of the picture far more than the caustics' play
    // between two frames does.
    EXPECT_GT(GunChanges(still, fired), 2 * GunChanges(before, still));
    // "Peces :0" becomes "Peces :1", a slimmer digit.
    EXPECT_LT(CountDigitPixels(caught), CountDigitPixels(still) * 0.8);
    // "ENHORABUENA !!!! LO PESCASTE" reaches further right than "tecla h para ayuda".
    // Before the catch the line is the level intro's "v para activar/desactivar video".
    EXPECT_LT(MessageEnd(still), 330);
    EXPECT_GT(MessageEnd(caught), 340);
    // The water of the first level, then of the second.
    const unsigned char kNextWater[3] = {20, 60, 130};
    const std::vector<double> cBefore = FarColour(before), cNext = FarColour(next);
    for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(cBefore[i], kWater[i], 2) << "channel " << i;
        EXPECT_NEAR(cNext[i], kNextWater[i], 2) << "channel " << i;
    }
}
