#include "levels.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "models.h"
#include "textures.h"
#include "video.h"
#include "xfile.h"

namespace mediagen {
namespace {

struct FishSpecies {
    const char* name;
    FishShape shape;
    FishPattern pattern;
    Rgb back, belly, mark;
};

const FishSpecies kSpecies[] = {
    {"sargo",
     {1.6f, 0.75f, 0.28f},
     FishPattern::Bands,
     {0.55f, 0.58f, 0.6f},
     {0.88f, 0.9f, 0.9f},
     {0.12f, 0.12f, 0.14f}},
    {"mero",
     {2.8f, 1.0f, 0.6f},
     FishPattern::Blotches,
     {0.35f, 0.25f, 0.16f},
     {0.6f, 0.48f, 0.32f},
     {0.8f, 0.75f, 0.55f}},
    {"dorada",
     {1.8f, 0.7f, 0.28f},
     FishPattern::GoldBrow,
     {0.45f, 0.5f, 0.55f},
     {0.9f, 0.9f, 0.88f},
     {0.95f, 0.75f, 0.2f}},
    {"salema",
     {1.5f, 0.5f, 0.25f},
     FishPattern::Stripes,
     {0.5f, 0.55f, 0.55f},
     {0.85f, 0.85f, 0.8f},
     {0.9f, 0.75f, 0.25f}},
    {"doncella",
     {1.0f, 0.3f, 0.15f},
     FishPattern::Bright,
     {0.2f, 0.5f, 0.35f},
     {0.95f, 0.55f, 0.2f},
     {0.2f, 0.35f, 0.9f}},
};

const FishSpecies& Species(const std::string& name) {
    for (const FishSpecies& s : kSpecies)
        if (name == s.name) return s;
    throw std::runtime_error("unknown species " + name);
}

// Reaction traits: fearlessness (trait 1) and attraction (trait 2), 0 to 9, and the range (the
// scaled diver distance, about a third of the units, up to which the fish reacts at all).
struct Temper {
    int trait1, trait2;
    float range;
};
// Drawn to a still diver from afar, and even to a restless one unless he is within about 3 units.
constexpr Temper kCurious{9, 9, 25};
// Keeps to its way near a calm diver; only a restless one at arm's length startles it.
constexpr Temper kIndifferent{9, 1, 12};
// Flees a diver who moves, comes close to one who keeps still.
constexpr Temper kWary{7, 8, 18};
// Keeps away from any diver: the fish of the far ring.
constexpr Temper kShy{1, 1, 30};

// A ring of waypoints that fish follow one way, centred (dx, dy, dz) from the start, with its
// half-widths along x and z, its number of waypoints and the angle of its first one (from +x).
struct Loop {
    float dx, dy, dz, rx, rz;
    int points = 8;
    float phase = 0;
};

struct FishGroup {
    const char* species;
    int count;
    Temper temper;
    float scale;
    int loop;
};

struct LevelDesign {
    int number;
    std::string name;
    std::string goalText;  // the intro's line, in the game's Spanish
    std::string next;
    float startX, startY, startZ;
    int water[3];
    Rgb colourA, colourB;
    // The ballast is not designed: it makes the diver float still at his start depth.
    float fogStart, fogEnd, maxAir, currentX, currentZ;
    int goalType, goalValue;
    std::vector<Loop> loops;
    std::vector<FishGroup> fish;
    float pillarDx, pillarDz;  // the pillar, a landmark beside the start
    const char* rockTexture;
    Rgb rockBase, rockTint;
    SkyStyle sky;
    Palette palette;
    float waves[4][3];  // period, amplitude, wavelength
};

// Fish to find wherever a newcomer looks or swims: a wide ring round the start at his depth, and
// one above it on the way up (fish ride below their waypoints, so it sits high). The wide ring's
// fish start clear of the way in from +x, which a fish drawn to the diver from afar may take.
constexpr Loop kAroundStart{0, -1, 2, 17, 17, 12, -kPi / 4};
constexpr Loop kAboveStart{4, 11, 14, 9, 9};

// Every level opens the same way: the diver hangs in mid-water with a rock to hold on to just below
// and behind him, and the first ring of fish lies along his line of sight 6 to 14 units ahead, just
// above his eye (fish ride somewhat below their waypoints and circle them when slow). Fish rise
// freely only below y 20, so the starts are at about that depth. The fog ends well inside the sea floor's drawn window (about 80 units each way), so
// the floor fades out instead of ending in an edge.
std::vector<LevelDesign> Designs() {
    return {
        {1,
         "La Caleta",
         "PESCA TRES PECES",
         "nivel2",
         900,
         18,
         600,
         {40, 110, 120},
         {0.8f, 0.85f, 0.85f},
         {0.4f, 0.45f, 0.47f},
         8,
         62,
         200,
         0,
         0,
         0,
         3,
         {{0, 0.5f, 10, 1.5f, 4}, {-20, -2, 40, 12, 12}, kAroundStart, kAboveStart},
         {{"dorada", 3, kCurious, 2.5f, 0},
          {"sargo", 3, kIndifferent, 2.5f, 0},
          {"salema", 3, kShy, 1.8f, 1},
          {"sargo", 3, kIndifferent, 2.2f, 2},
          {"doncella", 2, kIndifferent, 2.0f, 2},
          {"dorada", 3, kIndifferent, 2.2f, 3}},
         -24,
         30,
         "roca.bmp",
         {0.55f, 0.52f, 0.46f},
         {0.3f, 0.45f, 0.2f},
         {{0.25f, 0.45f, 0.85f}, {0.75f, 0.85f, 0.95f}, {0.1f, 0.3f, 0.45f}, {0.4f, 0.5f, 0.7f}, 0.2f},
         {{0.1f, 0.45f, 0.55f}, {0.02f, 0.12f, 0.2f}},
         {{6.0f, 0.12f, 60}, {4.5f, 0.08f, 40}, {3.2f, 0.05f, 25}, {8.0f, 0.15f, 110}}},
        {2,
         "El Arrecife",
         "PESCA EL MERO",
         "nivel3",
         1900,
         18,
         1150,
         {20, 60, 130},
         {0.7f, 0.75f, 0.85f},
         {0.3f, 0.35f, 0.45f},
         6,
         58,
         200,
         0.0005f,
         0,
         1,
         1,
         // The rings around and above keep beyond the spear's reach along the start lane, so that
         // nothing but the grouper is hit from the start.
         {{0, 0.5f, 10, 1.5f, 4}, {24, -1, 36, 10, 10}, {0, -1, 2, 27, 27, 12}, {0, 12, -2, 9, 9}},
         {{"mero", 1, kIndifferent, 2.6f, 0},
          {"sargo", 2, kIndifferent, 1.8f, 1},
          {"doncella", 3, kWary, 2.0f, 1},
          {"salema", 2, kShy, 1.6f, 1},
          {"sargo", 3, kIndifferent, 2.0f, 2},
          {"doncella", 2, kIndifferent, 2.0f, 2},
          {"salema", 3, kIndifferent, 1.8f, 3}},
         -24,
         34,
         "roca2.bmp",
         {0.6f, 0.42f, 0.38f},
         {0.75f, 0.5f, 0.6f},
         {{0.3f, 0.45f, 0.8f}, {0.95f, 0.8f, 0.6f}, {0.08f, 0.25f, 0.4f}, {-0.6f, 0.25f, 0.5f}, 0.4f},
         {{0.05f, 0.35f, 0.6f}, {0.01f, 0.08f, 0.2f}},
         {{5.5f, 0.15f, 55}, {4.0f, 0.1f, 35}, {3.0f, 0.07f, 22}, {7.5f, 0.18f, 100}}},
        {3,
         "La Fosa",
         "PESCA CINCO PECES",
         "nivel1",
         2200,
         13,
         420,
         {8, 30, 62},
         {0.55f, 0.6f, 0.75f},
         {0.2f, 0.25f, 0.35f},
         4,
         50,
         220,
         -0.0004f,
         0.0004f,
         0,
         5,
         {{0, 0.5f, 10, 1.5f, 4}, {-22, 0, 38, 12, 12}, kAroundStart, kAboveStart},
         {{"dorada", 2, kWary, 2.2f, 0},
          {"mero", 2, kCurious, 2.0f, 0},
          {"sargo", 2, kIndifferent, 2.0f, 0},
          {"doncella", 2, kShy, 1.8f, 1},
          {"sargo", 3, kIndifferent, 2.0f, 2},
          {"dorada", 2, kIndifferent, 2.0f, 2},
          {"doncella", 3, kIndifferent, 1.8f, 3}},
         24,
         32,
         "roca.bmp",
         {0.42f, 0.42f, 0.44f},
         {0.25f, 0.35f, 0.3f},
         {{0.45f, 0.5f, 0.58f}, {0.7f, 0.72f, 0.75f}, {0.12f, 0.18f, 0.22f}, {0.2f, 0.6f, -0.5f}, 0.9f},
         {{0.03f, 0.15f, 0.28f}, {0.0f, 0.03f, 0.08f}},
         {{5.0f, 0.22f, 50}, {3.6f, 0.16f, 32}, {2.6f, 0.1f, 20}, {7.0f, 0.28f, 95}}},
    };
}

struct Waypoint {
    Vec3 pos;
    std::vector<int> next;
};

struct Rock {
    std::string mesh;
    float x, y, z, radius;
};

struct MovingRock {
    std::string prefix, texture;
    int frequency;
    float x, y, z;
};

float Horizontal(float ax, float az, float bx, float bz) { return std::hypot(ax - bx, az - bz); }

// The rock to hold on to: a stack beside and behind the start, its top 6 units below the eye.
constexpr float kHoldDx = 3, kHoldDz = -4;

// True inside the lane the diver looks and shoots along from the start (straight ahead along +z);
// nothing solid may stand in it.
bool InStartLane(const LevelDesign& d, float x, float z, float r) {
    return std::fabs(x - d.startX) < r + 5 && z > d.startZ - r - 6 && z < d.startZ + 70 + r;
}

// One ring per loop, each waypoint leading to the next only, so every fish keeps to its ring.
std::vector<Waypoint> MakeWaypoints(const LevelDesign& d, const HeightMap& map) {
    std::vector<Waypoint> wps;
    for (size_t l = 0; l < d.loops.size(); ++l) {
        const Loop& loop = d.loops[l];
        const int first = static_cast<int>(wps.size());
        for (int k = 0; k < loop.points; ++k) {
            float a = loop.phase + 2 * kPi * static_cast<float>(k) / static_cast<float>(loop.points);
            float x = d.startX + loop.dx + loop.rx * std::cos(a), z = d.startZ + loop.dz + loop.rz * std::sin(a);
            float floor = map.MaxAround(x, z, 8);
            float y = d.startY + loop.dy + 0.3f * std::sin(2 * a);
            if (y < floor + 4.0f)
                throw std::runtime_error(
                    Format("level %d: waypoint at (%.0f, %.0f) too near the floor (%.1f)", d.number, x, z, floor));
            wps.push_back({{x, y, z}, {first + (k + 1) % loop.points}});
        }
    }
    return wps;
}

// The hold boulder right below and behind the start (within the 10 units that 'Q' reaches), the
// pillar beside the start, then boulders around the rings, none in the start lane.
std::vector<Rock> PlaceRocks(const LevelDesign& d, const HeightMap& map, const std::vector<Waypoint>& wps,
                             const float radii[4]) {
    std::vector<Rock> rocks;
    const float hx = d.startX + kHoldDx, hz = d.startZ + kHoldDz;
    rocks.push_back({"roca5.x", hx, map.MinAround(hx, hz, 4) - 0.3f, hz, 4});
    const float px = d.startX + d.pillarDx, pz = d.startZ + d.pillarDz;
    rocks.push_back({"pilar.x", px, map.MinAround(px, pz, 6) - 0.3f, pz, 6});
    Rng rng(1000 + static_cast<uint32_t>(d.number));
    int attempts = 0;
    while (rocks.size() < 12 && attempts++ < 4000) {
        int kind = static_cast<int>(rng.Next() * 4) % 4;
        float r = radii[kind];
        float x, z;
        if (rocks.size() < 7) {  // beside the fish rings
            const Loop& loop = d.loops[rocks.size() % d.loops.size()];
            float a = rng.Range(0, 2 * kPi);
            float off = r + 6 + rng.Range(0, 8);
            x = d.startX + loop.dx + (loop.rx + off) * std::cos(a);
            z = d.startZ + loop.dz + (loop.rz + off) * std::sin(a);
        } else {
            x = d.startX + rng.Range(-80, 80);
            z = d.startZ + rng.Range(-30, 90);
        }
        bool ok = Horizontal(x, z, d.startX, d.startZ) > r + 14 && Horizontal(x, z, d.startX, d.startZ) < 120;
        ok = ok && !InStartLane(d, x, z, r);
        for (const Waypoint& w : wps) ok = ok && Horizontal(x, z, w.pos.x, w.pos.z) > r + 5;
        for (const Rock& o : rocks) ok = ok && Horizontal(x, z, o.x, o.z) > r + o.radius + 2;
        ok = ok && map.MaxAround(x, z, r) < 30;
        if (!ok) continue;
        rocks.push_back({Format("roca%d.x", kind + 1), x, map.MinAround(x, z, r) - 0.3f, z, r});
    }
    return rocks;
}

std::vector<MovingRock> PlaceMovingRocks(const LevelDesign& d, const HeightMap& map, const std::vector<Rock>& rocks) {
    // The first kelp stands beside the start lane, in view from the start.
    const float kx = d.startX - 10, kz = d.startZ + 24;
    std::vector<MovingRock> out{{"alga", "alga.bmp", 1, kx, map.MinAround(kx, kz, 3) - 0.2f, kz}};
    Rng rng(2000 + static_cast<uint32_t>(d.number));
    int attempts = 0;
    while (out.size() < 9 && attempts++ < 4000) {
        float x = d.startX + rng.Range(-70, 70), z = d.startZ + rng.Range(-20, 100);
        bool ok = Horizontal(x, z, d.startX, d.startZ) > 10 && !InStartLane(d, x, z, 3);
        for (const Rock& r : rocks) ok = ok && Horizontal(x, z, r.x, r.z) > r.radius + 3;
        for (const MovingRock& m : out) ok = ok && Horizontal(x, z, m.x, m.z) > 6;
        if (!ok) continue;
        bool kelp = out.size() % 3 != 2;
        out.push_back({kelp ? "alga" : "anemona", kelp ? "alga.bmp" : "anemona.bmp",
                       1 + static_cast<int>(out.size() % 2), x, map.MinAround(x, z, 3) - 0.2f, z});
    }
    return out;
}

// The diver's lift at height y, as the game computes it (single precision), before the ballast.
float Lift(float y) {
    const float s = 0.333f * y;
    if (y >= 45.0f) return 0.0f;
    if (y > 42.0f) return 0.1f + (s - 14.0f) * (0.12f - 0.1f);
    if (y > 36.0f) return 0.064f + (s - 12.0f) / 2.0f * (0.1f - 0.064f);
    if (y > 27.0f) return 0.045f + (s - 9.0f) / 3.0f * (0.064f - 0.045f);
    if (y > 15.0f) return 0.025f + (s - 5.0f) / 4.0f * (0.045f - 0.025f);
    if (y > 6.0f) return 0.015f + (s - 2.0f) / 3.0f * (0.025f - 0.015f);
    return 0.005f + s / 2.0f * (0.015f - 0.005f);
}

// The ballast that cancels the lift at the start depth (each unit of it sinks by 0.012): a still
// diver neither rises nor sinks there. The balance is unstable (the lift grows with height), but
// what is left of it after the file's five decimals moves him by well under a unit in a minute.
float NeutralBallast(float y) { return Lift(y) / 0.012f; }

// The species of the fish a given-fish goal names (its place in the fish file counts from 1).
std::string TargetSpecies(const LevelDesign& d) {
    int n = 0;
    for (const FishGroup& g : d.fish)
        if ((n += g.count) >= d.goalValue) return g.species;
    throw std::runtime_error(Format("level %d: the goal names fish %d of %d", d.number, d.goalValue, n));
}

std::string LevelFile(const LevelDesign& d) {
    std::string s = d.next + "\n";
    s += "intro.avi ahogado.avi captura.avi\n";
    s += Format("%d %d %d\n", d.water[0], d.water[1], d.water[2]);
    s += Format("%.2f %.2f %.2f\n", d.colourA.r, d.colourA.g, d.colourA.b);
    s += Format("%.2f %.2f %.2f\n", d.colourB.r, d.colourB.g, d.colourB.b);
    s += Format("%.1f %.1f\n", d.fogStart, d.fogEnd);
    s += Format("%.1f\n", d.maxAir);
    s += Format("%.5f %.4f %.4f\n", NeutralBallast(d.startY), d.currentX, d.currentZ);
    s += Format("%d %d\n", d.goalType, d.goalValue);
    return s;
}

std::string SeaFile(const LevelDesign& d) {
    static const float dirs[4][2] = {{1.0f, 0.0f}, {0.6f, 0.8f}, {-0.7071f, 0.7071f}, {0.2f, -0.98f}};
    std::string s;
    for (const auto& w : dirs) s += Format("%.4f %.4f 0.0\n", w[0], w[1]);
    for (int k = 0; k < 3; ++k) {
        for (int w = 0; w < 4; ++w) s += Format(w ? " %.2f" : "%.2f", d.waves[w][k]);
        s += "\n";
    }
    s += "400.0\n80\n";
    return s;
}

void WriteLevel(const std::filesystem::path& root, const LevelDesign& d, const HeightMap& map,
                const std::vector<LevelDesign>& all) {
    const std::filesystem::path dir = root / Format("nivel%d", d.number);
    const uint32_t seed = 100 * static_cast<uint32_t>(d.number);

    // Rocks.
    // roca1.x to roca4.x; placement keeps rocks apart by each boulder's x radius.
    static const float kBoulderRadii[4][3] = {
        {3.0f, 2.5f, 2.6f}, {4.5f, 3.5f, 3.8f}, {6.0f, 2.8f, 5.0f}, {2.2f, 3.8f, 2.0f}};
    float radii[4];
    for (int i = 0; i < 4; ++i) {
        const float* r = kBoulderRadii[i];
        WriteXFile(dir / Format("roca%d.x", i + 1), Boulder(seed + 1 + static_cast<uint32_t>(i), r[0], r[1], r[2]));
        radii[i] = r[0];
    }
    const float pillarFloor = map.MinAround(d.startX + d.pillarDx, d.startZ + d.pillarDz, 6) - 0.3f;
    WriteXFile(dir / "pilar.x", Pillar(seed + 5, 4.0f, d.startY + 6 - pillarFloor));
    const float holdFloor = map.MinAround(d.startX + kHoldDx, d.startZ + kHoldDz, 4) - 0.3f;
    WriteXFile(dir / "roca5.x", Pillar(seed + 9, 3.0f, d.startY - 6 - 1.2f - holdFloor));
    WriteBmp24(dir / d.rockTexture, RockTexture(seed + 6, d.rockBase, d.rockTint));

    const std::vector<Waypoint> wps = MakeWaypoints(d, map);
    const std::vector<Rock> rocks = PlaceRocks(d, map, wps, radii);
    std::string s = Format("%zu\n", rocks.size());
    for (const Rock& r : rocks) s += Format("%s %s 1.0 %.2f %.2f %.2f\n", r.mesh.c_str(), d.rockTexture, r.x, r.y, r.z);
    s += Format("arpon.x arpon.bmp 1.0 %.2f %.2f %.2f\n", d.startX, d.startY, d.startZ);
    s += Format("buzo.x buzo.bmp 1.0 %.2f %.2f %.2f\n", d.startX, d.startY, d.startZ);
    WriteTextFile(dir / "ladrillos.plt", s);

    // The start must leave the diver's box (about 4 units ahead and 2 around the eye) clear.
    if (d.startY - map.MaxAround(d.startX, d.startZ, 12) < 7 || d.startY > 44)
        throw std::runtime_error(Format("level %d: start too near the floor (%.1f) or the surface", d.number,
                                        map.MaxAround(d.startX, d.startZ, 12)));

    // Fish and their waypoints.
    int fishCount = 0;
    for (const FishGroup& g : d.fish) fishCount += g.count;
    if (fishCount > static_cast<int>(wps.size())) throw std::runtime_error("more fish than waypoints");
    s = Format("%d\n", fishCount);
    std::vector<int> onLoop(d.loops.size(), 0), loopFirst(d.loops.size(), 0);
    for (size_t l = 1; l < d.loops.size(); ++l) loopFirst[l] = loopFirst[l - 1] + d.loops[l - 1].points;
    for (const FishGroup& g : d.fish) {
        const FishSpecies& sp = Species(g.species);
        auto poses = FishPoses(sp.shape);
        for (int p = 0; p < 3; ++p) WriteXFile(dir / Format("%s%d.x", sp.name, p), poses[static_cast<size_t>(p)]);
        WriteBmp24(dir / Format("%s.bmp", sp.name), FishTexture(sp.pattern, sp.back, sp.belly, sp.mark));
        for (int k = 0; k < g.count; ++k) {
            // Start waypoints spread round the fish's ring.
            const size_t l = static_cast<size_t>(g.loop);
            const int points = d.loops[l].points;
            const int wp = loopFirst[l] + (onLoop[l]++ * (points == 8 ? 3 : 5)) % points;
            s += Format("%s0.x %s1.x %s2.x %s.bmp %.2f %d %.1f %d %d\n", sp.name, sp.name, sp.name, sp.name, g.scale,
                        wp, g.temper.range, g.temper.trait1, g.temper.trait2);
        }
    }
    s += Format("%zu\n", wps.size());
    for (const Waypoint& w : wps) {
        s += Format("%.2f %.2f %.2f %zu", w.pos.x, w.pos.y, w.pos.z, w.next.size());
        for (int n : w.next) s += Format(" %d", n);
        s += "\n";
    }
    WriteTextFile(dir / "peces.plt", s);

    // Moving rocks.
    auto kelp = KelpPoses(seed + 7, 10.0f);
    auto anemone = AnemonePoses(seed + 8);
    for (int p = 0; p < 3; ++p) {
        WriteXFile(dir / Format("alga%d.x", p), kelp[static_cast<size_t>(p)]);
        WriteXFile(dir / Format("anemona%d.x", p), anemone[static_cast<size_t>(p)]);
    }
    WriteBmp24(dir / "alga.bmp", KelpTexture());
    WriteBmp24(dir / "anemona.bmp", AnemoneTexture(d.number == 2 ? Rgb{0.85f, 0.35f, 0.5f} : Rgb{0.8f, 0.5f, 0.2f},
                                                   d.number == 2 ? Rgb{1.0f, 0.8f, 0.9f} : Rgb{1.0f, 0.9f, 0.6f}));
    const std::vector<MovingRock> moving = PlaceMovingRocks(d, map, rocks);
    s = Format("%zu\n", moving.size());
    for (const MovingRock& m : moving)
        s += Format("%s0.x %s1.x %s2.x %s 1.0 %d %.2f %.2f %.2f\n", m.prefix.c_str(), m.prefix.c_str(),
                    m.prefix.c_str(), m.texture.c_str(), m.frequency, m.x, m.y, m.z);
    WriteTextFile(dir / "ladrillosmv.plt", s);

    // The surface overlay: chart, boat marker, point marker, depth sounder; the map points mark
    // where each level starts.
    WriteXFile(dir / "carta.x", ChartMesh());
    WriteXFile(dir / "marca_barca.x", BoatMarkerMesh());
    WriteXFile(dir / "marca_punto.x", PointMarkerMesh());
    WriteXFile(dir / "sonda.x", DepthSounderMesh());
    WriteBmp24(dir / "carta.bmp", ChartTexture(map));
    WriteBmp24(dir / "marca_barca.bmp", SolidTexture({1.0f, 0.9f, 0.1f}, {0.3f, 0.2f, 0.0f}));
    WriteBmp24(dir / "marca_punto.bmp", SolidTexture({0.9f, 0.1f, 0.1f}, {0.3f, 0.0f, 0.0f}));
    WriteBmp24(dir / "sonda.bmp", SounderTexture());
    s = "carta.x carta.bmp\nmarca_barca.x marca_barca.bmp\nmarca_punto.x marca_punto.bmp\nsonda.x sonda.bmp\n";
    s += Format("%zu\n", all.size());
    for (const LevelDesign& o : all) s += Format("%.1f %.1f %.1f\n", o.startX, 45.0f, o.startZ);
    WriteTextFile(dir / "guibarca.plt", s);

    WriteTextFile(dir / "nivel.plt", LevelFile(d));
    WriteTextFile(dir / "mar.plt", SeaFile(d));

    // Sky box; its textures sit in the current folder under the names the X file gives.
    std::array<std::string, 6> names;
    for (int f = 0; f < 6; ++f) {
        names[static_cast<size_t>(f)] = Format("cielo%d_%s.bmp", d.number, SkyFaces()[static_cast<size_t>(f)].suffix);
        WriteBmp24(root / names[static_cast<size_t>(f)], SkyTexture(f, d.sky));
    }
    WriteXFile(dir / "SkyBox2.x", SkyBoxMesh(names, 100.0f));

    // Videos.
    const int frames = 3 * kVideoFps;
    IntroCard card{d.number, d.name, d.goalText, {}, std::nullopt};
    if (d.goalType == 1) {
        const FishSpecies& target = Species(TargetSpecies(d));
        card.rules = {"EL ULTIMO PEZ QUE ARPONEES", "HA DE SER EL MERO", "Y SUBE A LA SUPERFICIE"};
        card.target = IntroCard::Fish{"EL MERO", target.back, target.belly, target.mark};
    } else {
        card.rules = {"Y SUBE A LA SUPERFICIE"};
    }
    EncodeVideo(dir / "intro.avi", frames, [&](int i) { return IntroFrame(i, frames, card, d.palette); });
    EncodeVideo(dir / "captura.avi", frames, [&](int i) { return CatchFrame(i, frames, d.palette); });
    EncodeVideo(dir / "ahogado.avi", frames, [&](int i) { return DrownFrame(i, frames, d.palette); });
}

}  // namespace

void WriteLevels(const std::filesystem::path& root, const HeightMap& map) {
    const std::vector<LevelDesign> designs = Designs();
    for (const LevelDesign& d : designs) WriteLevel(root, d, map, designs);
}

}  // namespace mediagen
