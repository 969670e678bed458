// What the contact queries report, and the inputs that never hit.
#include "modelkit.h"

#include "coldet/geometry.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace kit;

namespace {

coldet::Triangle toTriangle(const float* t) {
    return {coldet::Vec3{t[0], t[1], t[2]}, coldet::Vec3{t[3], t[4], t[5]}, coldet::Vec3{t[6], t[7], t[8]}};
}

double distanceTo(const float* p, const float* tri) {
    const coldet::Vec3 v{p[0], p[1], p[2]};
    return std::sqrt(coldet::lengthSq(coldet::closestPointOnTriangle(v, toTriangle(tri)) - v));
}

bool isZeros(const float* v, int n) {
    for (int i = 0; i < n; ++i)
        if (v[i] != 0.0f) return false;
    return true;
}

// Whether tri (nine floats) is one of the model triangles carried by m.
bool isPlacedTriangle(const float* tri, const std::vector<Tri>& model, const Mat& m) {
    const coldet::Matrix mm = coldet::toMatrix(m.data());
    for (const Tri& t : model) {
        const coldet::Triangle w = coldet::transformTriangle(mm, t.data());
        bool same = true;
        for (int v = 0; v < 3; ++v)
            same = same && std::fabs(w[v].x - tri[v * 3]) < 1e-5 && std::fabs(w[v].y - tri[v * 3 + 1]) < 1e-5 &&
                   std::fabs(w[v].z - tri[v * 3 + 2]) < 1e-5;
        if (same) return true;
    }
    return false;
}

struct Record {
    float t1[9], t2[9], p[3], pm[3];
    bool triangles, point;
};

Record readRecord(CollisionModel3D& m) {
    Record r{};
    std::fill(std::begin(r.t1), std::end(r.t1), 7.0f);
    std::fill(std::begin(r.t2), std::end(r.t2), 7.0f);
    r.triangles = m.getCollidingTriangles(r.t1, r.t2, false);
    r.point = m.getCollisionPoint(r.p, false);
    m.getCollisionPoint(r.pm, true);
    return r;
}

TEST(Contact, ZerosBeforeAnySuccessfulTest) {
    ModelPtr a = makeModel(unitCube());
    ModelPtr b = makeModel(unitCube());
    b->setTransform(translation(5, 0, 0).data());
    const float o[3] = {0.5f, 0.5f, -3}, d[3] = {0, 0, -1};
    EXPECT_FALSE(a->collision(b.get()));
    EXPECT_FALSE(a->rayCollision(o, d, true, 0, 100));
    EXPECT_FALSE(a->sphereCollision(o, 1));
    const Record r = readRecord(*a);
    EXPECT_FALSE(r.triangles);
    EXPECT_FALSE(r.point);
    EXPECT_TRUE(isZeros(r.t1, 9) && isZeros(r.t2, 9) && isZeros(r.p, 3));
}

TEST(Contact, ModelTestReportsPlacedPairAndPointOnBoth) {
    const std::vector<Tri> cube = unitCube();
    const std::vector<Tri> slab = box({-1, 0.25f, -1}, {2, 0.5f, 2});
    const Mat ma = multiply(rotation(0, 1, 0, 0.3f), translation(5, 1, 2));
    const Mat mb = multiply(multiply(scaling(1, 2, 1), rotation(1, 0, 0, 0.1f)), ma);
    ModelPtr a = makeModel(cube);
    ModelPtr b = makeModel(slab);
    a->setTransform(ma.data());
    b->setTransform(mb.data());
    ASSERT_TRUE(a->collision(b.get()));

    const Record r = readRecord(*a);
    ASSERT_TRUE(r.triangles && r.point);
    EXPECT_TRUE(isPlacedTriangle(r.t1, cube, ma));
    EXPECT_TRUE(isPlacedTriangle(r.t2, slab, mb));
    EXPECT_LT(distanceTo(r.p, r.t1), 1e-5);
    EXPECT_LT(distanceTo(r.p, r.t2), 1e-5);

    // Model coordinates: the triangles as added, the point carried back by this model's transform.
    float m1[9], m2[9];
    ASSERT_TRUE(a->getCollidingTriangles(m1, m2, true));
    EXPECT_TRUE(isPlacedTriangle(m1, cube, identity()));
    EXPECT_TRUE(isPlacedTriangle(m2, slab, identity()));
    const coldet::Vec3 back = coldet::transformPoint(coldet::toMatrix(ma.data()), r.pm);
    EXPECT_NEAR(back.x, r.p[0], 1e-5);
    EXPECT_NEAR(back.y, r.p[1], 1e-5);
    EXPECT_NEAR(back.z, r.p[2], 1e-5);

    // The same inputs give the same pair; fresh copies of the models too.
    ASSERT_TRUE(a->collision(b.get()));
    const Record again = readRecord(*a);
    EXPECT_TRUE(std::equal(std::begin(r.t1), std::end(r.t1), again.t1));
    EXPECT_TRUE(std::equal(std::begin(r.t2), std::end(r.t2), again.t2));
    ModelPtr a2 = makeModel(cube), b2 = makeModel(slab);
    a2->setTransform(ma.data());
    b2->setTransform(mb.data());
    ASSERT_TRUE(a2->collision(b2.get()));
    const Record copy = readRecord(*a2);
    EXPECT_TRUE(std::equal(std::begin(r.t1), std::end(r.t1), copy.t1));
    EXPECT_TRUE(std::equal(std::begin(r.p), std::end(r.p), copy.p));

    // Only the model the test was called on records it.
    EXPECT_FALSE(readRecord(*b).triangles);
}

TEST(Contact, FailedTestKeepsLastRecordAndRayRecordsOneTriangle) {
    ModelPtr a = makeModel(unitCube());
    ModelPtr b = makeModel(unitCube());
    b->setTransform(translation(0.5f, 0.5f, 0.5f).data());
    ASSERT_TRUE(a->collision(b.get()));
    const Record hit = readRecord(*a);

    b->setTransform(translation(3, 0, 0).data());
    ASSERT_FALSE(a->collision(b.get()));
    const float away[3] = {0, 0, -1}, origin[3] = {0.25f, 0.5f, -2};
    ASSERT_FALSE(a->rayCollision(origin, away, true, 0, 100));
    const Record kept = readRecord(*a);
    EXPECT_TRUE(std::equal(std::begin(hit.t1), std::end(hit.t1), kept.t1));
    EXPECT_TRUE(std::equal(std::begin(hit.p), std::end(hit.p), kept.p));

    const float toward[3] = {0, 0, 1};
    ASSERT_TRUE(a->rayCollision(origin, toward, true, 0, 100));
    const Record ray = readRecord(*a);
    EXPECT_TRUE(ray.triangles);
    EXPECT_TRUE(isZeros(ray.t2, 9));
    EXPECT_LT(distanceTo(ray.p, ray.t1), 1e-6);
    EXPECT_FLOAT_EQ(ray.p[2], 0.0f);
    EXPECT_FLOAT_EQ(ray.p[0], 0.25f);

    const float centre[3] = {0.5f, 0.5f, 1.5f};
    ASSERT_TRUE(a->sphereCollision(centre, 0.55f));
    const Record sphere = readRecord(*a);
    EXPECT_TRUE(isZeros(sphere.t2, 9));
    EXPECT_FLOAT_EQ(sphere.p[0], 0.5f);
    EXPECT_FLOAT_EQ(sphere.p[1], 0.5f);
    EXPECT_FLOAT_EQ(sphere.p[2], 1.0f);
}

TEST(Contact, ModelsThatNeverHit) {
    const float nan = NAN;
    struct Case {
        const char* name;
        std::vector<Tri> tris;
        bool finalize;
    };
    const Case cases[] = {
        {"notFinalized", unitCube(), false},
        {"empty", {}, true},
        {"collinear", {{0, 0, 0, 1, 1, 1, 2, 2, 2}}, true},
        {"coincidentCorners", {{0.5f, 0.5f, 0, 0.5f, 0.5f, 0, 1, 0, 0}}, true},
        {"pointLike", {{0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f}}, true},
        {"nonFinite", {{0, 0, 0, 1, 0, 0, 0, nan, 0}}, true},
    };
    ModelPtr cube = makeModel(unitCube());
    const float origin[3] = {0.5f, 0.5f, -1}, dir[3] = {0, 0, 1}, centre[3] = {0.5f, 0.5f, 0.5f};
    for (const Case& c : cases) {
        ModelPtr m = makeModel(c.tris, c.finalize);
        EXPECT_FALSE(m->collision(cube.get())) << c.name;
        EXPECT_FALSE(cube->collision(m.get())) << c.name;
        EXPECT_FALSE(m->rayCollision(origin, dir, true, 0, 10)) << c.name;
        EXPECT_FALSE(m->sphereCollision(centre, 5)) << c.name;
    }
}

TEST(Contact, TransformsThatFlattenTheModelLeaveOnlyUsableTriangles) {
    ModelPtr cube = makeModel(unitCube());
    const float down[3] = {0, -1, 0};
    // Squashed flat in y, the cube is two coincident squares; a ray in their plane meets neither,
    // one across them meets them at the plane.
    cube->setTransform(scaling(1, 0, 1).data());
    const float inPlane[3] = {-1, 0, 0.5f}, across[3] = {0.5f, 2, 0.5f}, dirX[3] = {1, 0, 0};
    EXPECT_FALSE(cube->rayCollision(inPlane, dirX, true, 0, 10));
    ASSERT_TRUE(cube->rayCollision(across, down, true, 0, 10));
    float p[3];
    cube->getCollisionPoint(p, false);
    EXPECT_FLOAT_EQ(p[1], 0.0f);
    // Collapsed to a point, nothing is left.
    cube->setTransform(scaling(0, 0, 0).data());
    const float origin[3] = {0, 0, 0};
    EXPECT_FALSE(cube->sphereCollision(origin, 1));
}

TEST(Contact, TrianglesAfterFinalizeAreIgnoredAndBadArgumentsMiss) {
    ModelPtr m = makeModel({{0, 0, 0, 1, 0, 0, 0, 1, 0}});
    const Tri far = {10, 0, 0, 11, 0, 0, 10, 1, 0};
    m->addTriangle(&far[0], &far[3], &far[6]);
    m->finalize();
    const float centre[3] = {10.2f, 0.2f, 0}, dir[3] = {0, 0, 1}, inf = INFINITY;
    EXPECT_FALSE(m->sphereCollision(centre, 0.5f));
    const float o[3] = {0.2f, 0.2f, -1}, nanDir[3] = {0, NAN, 1}, infOrigin[3] = {inf, 0, 0};
    EXPECT_TRUE(m->rayCollision(o, dir, true, 0, 10));
    EXPECT_FALSE(m->rayCollision(o, nanDir, true, 0, 10));
    EXPECT_FALSE(m->rayCollision(infOrigin, dir, true, 0, 10));
    EXPECT_FALSE(m->rayCollision(o, dir, true, 5, 2));
    EXPECT_FALSE(m->rayCollision(o, dir, true, 0, NAN));
    EXPECT_TRUE(m->rayCollision(o, dir, true, 0, inf));
    EXPECT_FALSE(m->rayCollision(nullptr, dir, true, 0, 10));
    EXPECT_FALSE(m->collision(nullptr));
    const float nanMatrix[16] = {NAN, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    m->setTransform(nanMatrix);
    EXPECT_FALSE(m->rayCollision(o, dir, true, 0, 10));
    EXPECT_FALSE(m->sphereCollision(o, 5));
}

}  // namespace
