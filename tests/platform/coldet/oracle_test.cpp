// The tree-accelerated answers against brute force over every triangle with the same exact tests,
// on random models and transforms (fixed seed), with touching and grazing cases made on purpose.
#include "modelkit.h"

#include "coldet/geometry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>

using namespace kit;
using coldet::Triangle;
using coldet::Vec3;

namespace {

class Oracle : public ::testing::Test {
protected:
    std::mt19937 rng{20240611};

    float uniform(float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(rng); }
    int integer(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); }

    // A cloud of triangles of mixed sizes, some in clusters, some long and thin, some repeated.
    std::vector<Tri> randomModel() {
        std::vector<Tri> tris;
        const int n = integer(1, 60);
        const float extent = uniform(0.5f, 4.0f);
        for (int i = 0; i < n; ++i) {
            const float size = uniform(0.05f, 1.0f) * extent;
            const float cx = uniform(-extent, extent), cy = uniform(-extent, extent), cz = uniform(-extent, extent);
            Tri t;
            for (int v = 0; v < 3; ++v) {
                t[v * 3] = cx + uniform(-size, size);
                t[v * 3 + 1] = cy + uniform(-size, size);
                t[v * 3 + 2] = cz + uniform(-size, size);
            }
            if (integer(0, 9) == 0 && !tris.empty()) t = tris[integer(0, int(tris.size()) - 1)];
            tris.push_back(t);
        }
        return tris;
    }

    Mat randomTransform() {
        float ax = uniform(-1, 1), ay = uniform(-1, 1), az = uniform(-1, 1);
        const float len = std::sqrt(ax * ax + ay * ay + az * az) + 1e-6f;
        Mat m = rotation(ax / len, ay / len, az / len, uniform(0, 6.3f));
        if (integer(0, 2) == 0) {
            const float sx = uniform(0.3f, 2.5f) * (integer(0, 4) == 0 ? -1.0f : 1.0f);
            m = multiply(scaling(sx, uniform(0.3f, 2.5f), uniform(0.3f, 2.5f)), m);
        }
        return multiply(m, translation(uniform(-3, 3), uniform(-3, 3), uniform(-3, 3)));
    }
};

std::vector<Triangle> placed(const std::vector<Tri>& tris, const Mat& m) {
    const coldet::Matrix mm = coldet::toMatrix(m.data());
    std::vector<Triangle> out;
    for (const Tri& t : tris) out.push_back(coldet::transformTriangle(mm, t.data()));
    return out;
}

bool bruteModels(const std::vector<Triangle>& a, const std::vector<Triangle>& b) {
    Vec3 p;
    for (const Triangle& ta : a)
        for (const Triangle& tb : b)
            if (coldet::trianglesMeet(ta, tb, &p)) return true;
    return false;
}

// Rounded through memory: GCC 12.2's vectoriser folds a double-to-float-to-double round trip in
// registers away, which would give the oracle other inputs than the model.
std::array<float, 3> toFloats(Vec3 v) {
    volatile float r[3] = {float(v.x), float(v.y), float(v.z)};
    return {r[0], r[1], r[2]};
}
Vec3 toDoubles(const std::array<float, 3>& v) { return {v[0], v[1], v[2]}; }

double distanceTo(Vec3 p, const Triangle& t) {
    return std::sqrt(coldet::lengthSq(coldet::closestPointOnTriangle(p, t) - p));
}

TEST_F(Oracle, ModelAgainstModel) {
    int hits = 0;
    for (int round = 0; round < 1500; ++round) {
        const std::vector<Tri> ta = randomModel();
        std::vector<Tri> tb = randomModel();
        const Mat ma = randomTransform();
        Mat mb = randomTransform();
        const int kind = integer(0, 3);
        if (kind == 1) {
            // Sharing a triangle: the same one placed at the same spot in both models.
            const Tri shared = ta[integer(0, int(ta.size()) - 1)];
            tb.push_back(shared);
            mb = ma;
        } else if (kind == 2) {
            // Grazing: the other model nudged from the first's placement by about the tolerance.
            tb = ta;
            const float e = uniform(-3e-6f, 3e-6f);
            mb = multiply(ma, translation(e, uniform(-3e-6f, 3e-6f), e));
        }
        ModelPtr a = makeModel(ta), b = makeModel(tb);
        a->setTransform(ma.data());
        b->setTransform(mb.data());
        const std::vector<Triangle> wa = placed(ta, ma), wb = placed(tb, mb);
        const bool expected = bruteModels(wa, wb);
        ASSERT_EQ(a->collision(b.get()), expected) << "round " << round;
        if (!expected) continue;
        ++hits;
        // The reported pair is a meeting pair of these models, and the point lies on both.
        float m1[9], m2[9], p[3];
        ASSERT_TRUE(a->getCollidingTriangles(m1, m2, true));
        ASSERT_TRUE(a->getCollisionPoint(p, false));
        const Triangle w1 = coldet::transformTriangle(coldet::toMatrix(ma.data()), m1);
        const Triangle w2 = coldet::transformTriangle(coldet::toMatrix(mb.data()), m2);
        Vec3 point;
        ASSERT_TRUE(coldet::trianglesMeet(w1, w2, &point)) << "round " << round;
        const double slack = 2 * coldet::touchTolerance(w1, w2) + 1e-5;
        const Vec3 reported{p[0], p[1], p[2]};
        EXPECT_LT(distanceTo(reported, w1), slack) << "round " << round;
        EXPECT_LT(distanceTo(reported, w2), slack) << "round " << round;
    }
    EXPECT_GT(hits, 300);
    EXPECT_LT(hits, 1300);
}

TEST_F(Oracle, Rays) {
    int hits = 0;
    for (int round = 0; round < 3000; ++round) {
        const std::vector<Tri> tris = randomModel();
        const Mat m = randomTransform();
        const std::vector<Triangle> world = placed(tris, m);
        ModelPtr model = makeModel(tris);
        model->setTransform(m.data());

        const Vec3 o{uniform(-8, 8), uniform(-8, 8), uniform(-8, 8)};
        // Aimed at a corner, an edge point or an inner point of some triangle, or anywhere.
        const Triangle& aim = world[integer(0, int(world.size()) - 1)];
        const double wa = uniform(0, 1), wb = uniform(0, 1) * (1 - wa);
        const Vec3 targets[4] = {aim[integer(0, 2)], aim[0] * wa + aim[1] * (1 - wa),
                                 aim[0] * wa + aim[1] * wb + aim[2] * (1 - wa - wb),
                                 Vec3{uniform(-8, 8), uniform(-8, 8), uniform(-8, 8)}};
        const Vec3 target = targets[integer(0, 3)];
        const Vec3 d = target - o;
        const double scale = uniform(0.01f, 20.0f);
        const std::array<float, 3> dir = toFloats(d * scale), origin = toFloats(o);
        const Vec3 fo = toDoubles(origin), fd = toDoubles(dir);
        const double len = std::sqrt(coldet::lengthSq(fd));
        if (!(len > 0)) continue;
        const Vec3 u = fd * (1.0 / len);
        // Segment ends on the target itself at times.
        const float reach = float(std::sqrt(coldet::lengthSq(d)));
        const float segmin = integer(0, 3) == 0 ? uniform(0, reach) : 0.0f;
        const float segmax = integer(0, 1) == 0 ? reach : uniform(segmin, 30);
        const bool closest = integer(0, 1) == 0;

        double best = std::numeric_limits<double>::infinity();
        for (const Triangle& t : world) {
            double hit;
            if (coldet::rayHitsTriangle(fo, u, std::max(0.0, double(segmin)), segmax, t, &hit))
                best = std::min(best, hit);
        }
        const bool expected = std::isfinite(best);
        ASSERT_EQ(model->rayCollision(origin.data(), dir.data(), closest, segmin, segmax), expected)
            << "round " << round;
        if (!expected) continue;
        ++hits;
        float p[3];
        ASSERT_TRUE(model->getCollisionPoint(p, false));
        const Vec3 reported{p[0], p[1], p[2]};
        const double t = coldet::dot(reported - fo, u);
        EXPECT_GE(t, segmin - 1e-4);
        EXPECT_LE(t, segmax + 1e-4);
        if (closest) {
            EXPECT_NEAR(t, best, 1e-4 * (1 + best)) << "round " << round;
        }
    }
    EXPECT_GT(hits, 800);
    EXPECT_LT(hits, 2900);
}

TEST_F(Oracle, Spheres) {
    int hits = 0;
    for (int round = 0; round < 3000; ++round) {
        const std::vector<Tri> tris = randomModel();
        const Mat m = randomTransform();
        const std::vector<Triangle> world = placed(tris, m);
        ModelPtr model = makeModel(tris);
        model->setTransform(m.data());

        const float centre[3] = {uniform(-6, 6), uniform(-6, 6), uniform(-6, 6)};
        const Vec3 c{centre[0], centre[1], centre[2]};
        // Radius just at the distance of some triangle, or random.
        const double touching = distanceTo(c, world[integer(0, int(world.size()) - 1)]);
        const float radius = integer(0, 1) == 0 ? float(touching) * (1 + uniform(-1e-6f, 1e-6f)) : uniform(0, 4);
        bool expected = false;
        for (const Triangle& t : world) {
            Vec3 p;
            expected = expected || coldet::sphereMeetsTriangle(c, radius, t, &p);
        }
        ASSERT_EQ(model->sphereCollision(centre, radius), expected) << "round " << round;
        if (!expected) continue;
        ++hits;
        float p[3], t1[9], t2[9];
        model->getCollisionPoint(p, false);
        model->getCollidingTriangles(t1, t2, true);
        const Triangle w = coldet::transformTriangle(coldet::toMatrix(m.data()), t1);
        const Vec3 reported{p[0], p[1], p[2]};
        EXPECT_LE(std::sqrt(coldet::lengthSq(reported - c)), radius * (1 + 1e-5) + 1e-5);
        EXPECT_LT(distanceTo(reported, w), 1e-5);
    }
    EXPECT_GT(hits, 800);
    EXPECT_LT(hits, 2900);
}

}  // namespace
