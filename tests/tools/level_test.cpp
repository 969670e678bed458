// The level files make playable levels: goals that can be met, sane water, fish graphs the
// fish can follow, and a start that leaves the diver clear, his line of sight free and a rock to
// hold on to within reach.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <set>

#include "game/diver.h"
#include "levelfiles.h"
#include "mediacheck.h"

namespace mediacheck {
namespace {

const fs::path kMedia = ABISALIA_MEDIA_DIR;

class Levels : public ::testing::Test {
protected:
    void SetUp() override {
        levels = ReadAllLevels(kMedia);
        std::ifstream in(*Resolve(kMedia, "height.raw"), std::ios::binary);
        map.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        ASSERT_EQ(map.size(), 2000000u);
    }
    // The highest floor among the samples around (x, z): the drawn floor stays near it.
    float FloorTop(float x, float z) const {
        int i = static_cast<int>(x / 20), j = static_cast<int>(z / 20);
        float h = 0;
        for (int dj = -1; dj <= 2; ++dj)
            for (int di = -1; di <= 2; ++di)
                h = std::max(h, map[static_cast<size_t>(j + dj) * 2000 + static_cast<size_t>(i + di)] / 5.0f);
        return h;
    }
    std::array<Vec3, 2> RockBox(const std::string& folder, const Placed& r) const {
        std::string error;
        auto mesh = ReadXFile(*Resolve(kMedia, folder + r.mesh), error);
        auto b = Bounds(*mesh);
        return {Vec3{b[0].x + r.x, b[0].y + r.y, b[0].z + r.z}, Vec3{b[1].x + r.x, b[1].y + r.y, b[1].z + r.z}};
    }

    std::vector<Level> levels;
    std::vector<uint8_t> map;
};

TEST_F(Levels, GoalsCanBeMetAndTheWaterIsSane) {
    std::set<int> goalTypes;
    for (const Level& l : levels) {
        SCOPED_TRACE(l.folder);
        goalTypes.insert(l.goalType);
        if (l.goalType == 0 || l.goalType == 1) {
            EXPECT_TRUE(l.goalValue >= 1 && l.goalValue <= static_cast<int>(l.fish.size()))
                << "a count or fish number the fish list can give";
        }
        for (int c : l.water) EXPECT_TRUE(c >= 0 && c <= 255);
        EXPECT_LT(l.fogStart, l.fogEnd);
        EXPECT_GT(l.maxAir, 120.0f) << "enough air to reach every breathing band";
        EXPECT_FALSE(l.intro.size() >= 2 && l.intro.substr(l.intro.size() - 2) == "no");
        EXPECT_EQ(l.seaSide, 80);
        for (int k = 12; k < 16; ++k) EXPECT_NE(l.sea[static_cast<size_t>(k)], 0.0f) << "wave period";
        for (int k = 20; k < 24; ++k) EXPECT_NE(l.sea[static_cast<size_t>(k)], 0.0f) << "wavelength";
    }
    EXPECT_TRUE(goalTypes.count(0) && goalTypes.count(1)) << "a catch count in one level, a given fish in another";
}

TEST_F(Levels, FishFollowAValidWaypointGraph) {
    for (const Level& l : levels) {
        SCOPED_TRACE(l.folder);
        const int m = static_cast<int>(l.waypoints.size());
        for (const WaypointRow& w : l.waypoints) {
            EXPECT_FALSE(w.next.empty()) << "every waypoint leads on";
            for (int id : w.next) EXPECT_TRUE(id >= 0 && id < m);
            EXPECT_GT(w.pos.y, FloorTop(w.pos.x, w.pos.z)) << "above the floor";
            // Fish climb freely below 20, ever more slowly up to 36 and not above it.
            EXPECT_LE(w.pos.y, 32.0f);
            EXPECT_LT(std::hypot(w.pos.x - l.diver.x, w.pos.z - l.diver.z), 110.0f) << "near the start";
        }
        std::set<int> starts;
        std::set<std::string> species;
        bool shy = false, curious = false, indifferent = false;
        for (const FishRecord& f : l.fish) {
            EXPECT_TRUE(f.waypoint >= 0 && f.waypoint < m);
            EXPECT_TRUE(starts.insert(f.waypoint).second) << "a start waypoint of its own";
            EXPECT_TRUE(f.trait1 >= 0 && f.trait1 <= 9 && f.trait2 >= 0 && f.trait2 <= 9);
            EXPECT_TRUE(f.range > 0 && f.range <= 40);
            EXPECT_GT(f.scale, 0);
            species.insert(f.meshes[0]);
            shy = shy || (f.trait1 <= 3 && f.trait2 <= 3);
            curious = curious || f.trait2 >= 7;
            indifferent = indifferent || (f.trait1 >= 8 && f.trait2 <= 2);
        }
        EXPECT_GE(species.size(), 3u);
        EXPECT_TRUE(shy && curious && indifferent);
        for (const MovingRecord& r : l.moving)
            EXPECT_EQ(r.frequency, std::floor(r.frequency)) << "whole-number frequency";
    }
}

// A diver who does nothing for a minute at 50 frames a second (game step 0.1; the velocity damped
// by 0.9 a frame and pushed by lift, ballast and current) stays within reach of the fish he
// started among: the ballast balances the lift at the start depth.
TEST_F(Levels, AStillDiverStaysAtHisStartDepth) {
    for (const Level& l : levels) {
        SCOPED_TRACE(l.folder);
        float x = l.diver.x, y = l.diver.y, z = l.diver.z, vx = 0, vy = 0, vz = 0;
        for (int f = 1; f <= 3000; ++f) {
            vx = vx * 0.9f + l.currentX;
            vy = vy * 0.9f + divBuoyancy(y) - 0.012f * l.ballast;
            vz = vz * 0.9f + l.currentZ;
            x += vx * 0.1f, y += vy * 0.1f, z += vz * 0.1f;
            if (f == 1000) {
                EXPECT_LT(std::fabs(y - l.diver.y), 0.5f) << "height after 20 s";
                EXPECT_LT(std::hypot(x - l.diver.x, z - l.diver.z), 2.0f) << "drift after 20 s";
            }
        }
        EXPECT_LT(std::fabs(y - l.diver.y), 1.0f) << "height after a minute";
    }
}

TEST_F(Levels, TheStartLeavesTheDiverClearWithARockToHold) {
    std::string error;
    auto diver = ReadXFile(*Resolve(kMedia, levels[0].diver.mesh), error);
    ASSERT_TRUE(diver) << error;
    const auto box = Bounds(*diver);
    const float c = std::cos(0.6f), s = std::sin(0.6f);
    for (const Level& l : levels) {
        SCOPED_TRACE(l.folder);
        EXPECT_LT(l.diver.y, 45.0f);
        // The box's corners, pitched down by 0.6 at the start.
        Vec3 lo{1e9f, 1e9f, 1e9f}, hi{-1e9f, -1e9f, -1e9f};
        for (int k = 0; k < 8; ++k) {
            Vec3 p{(k & 1) ? box[1].x : box[0].x, (k & 2) ? box[1].y : box[0].y, (k & 4) ? box[1].z : box[0].z};
            Vec3 w{l.diver.x + p.x, l.diver.y + p.y * c - p.z * s, l.diver.z + p.y * s + p.z * c};
            EXPECT_GT(w.y, FloorTop(w.x, w.z) + 0.5f) << "corner in the floor";
            lo = {std::min(lo.x, w.x), std::min(lo.y, w.y), std::min(lo.z, w.z)};
            hi = {std::max(hi.x, w.x), std::max(hi.y, w.y), std::max(hi.z, w.z)};
        }
        bool ahead = false, hold = false;
        for (const Placed& r : l.rocks) {
            auto rb = RockBox(l.folder, r);
            bool overlap = lo.x < rb[1].x && hi.x > rb[0].x && lo.y < rb[1].y && hi.y > rb[0].y && lo.z < rb[1].z &&
                           hi.z > rb[0].z;
            EXPECT_FALSE(overlap) << "the start box meets " << r.mesh;
            // The line straight ahead, level at eye height, where the fish of the start cross it.
            for (float d = 1; d <= 60 && !ahead; d += 0.5f) {
                float z = l.diver.z + d;
                ahead = l.diver.x > rb[0].x - 1 && l.diver.x < rb[1].x + 1 && l.diver.y > rb[0].y - 1 &&
                        l.diver.y < rb[1].y + 1 && z > rb[0].z - 1 && z < rb[1].z + 1;
                if (ahead) ADD_FAILURE() << r.mesh << " stands in the line of sight " << d << " units ahead";
            }
            // 'Q' holds on to a rock whose triangles come within 10 units of the eye: the box's nearest
            // point is a bound on them that the rock's own shape keeps within a unit or two.
            const float nx = std::clamp(l.diver.x, rb[0].x, rb[1].x), ny = std::clamp(l.diver.y, rb[0].y, rb[1].y),
                        nz = std::clamp(l.diver.z, rb[0].z, rb[1].z);
            hold = hold || std::hypot(nx - l.diver.x, ny - l.diver.y, nz - l.diver.z) < 8.0f;
            EXPECT_LT(std::hypot(r.x - l.diver.x, r.z - l.diver.z), 130.0f) << "near the start";
            EXPECT_LT(rb[0].y, FloorTop(r.x, r.z) - 1.0f) << r.mesh << " sits in the floor";
        }
        EXPECT_TRUE(hold) << "a rock within reach of 'Q' at the start";
    }
}

}  // namespace
}  // namespace mediacheck
