// Ray and sphere answers on a unit cube, plain and under scaled and rotated transforms.
#include "modelkit.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>

using namespace kit;

namespace {

struct RayCase {
    const char* name;
    Mat transform;
    std::array<float, 3> origin;
    std::array<float, 3> direction;
    bool closest;
    float segmin, segmax;
    bool hit;
    float distance;  // along the normalised direction, when hit and closest
};

class CubeRay : public ::testing::TestWithParam<RayCase> {};

TEST_P(CubeRay, HitsAtKnownDistance) {
    const RayCase& c = GetParam();
    ModelPtr cube = makeModel(unitCube());
    cube->setTransform(c.transform.data());
    ASSERT_EQ(cube->rayCollision(c.origin.data(), c.direction.data(), c.closest, c.segmin, c.segmax), c.hit);
    if (!c.hit || !c.closest) return;
    const float len =
        std::sqrt(c.direction[0] * c.direction[0] + c.direction[1] * c.direction[1] + c.direction[2] * c.direction[2]);
    float p[3];
    ASSERT_TRUE(cube->getCollisionPoint(p, false));
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(p[k], c.origin[k] + c.direction[k] / len * c.distance, 1e-5f) << k;
}

const Mat kI = identity();
// Twice the size, turned a quarter about y, standing at (10, 0, 0): it covers x 10..12, z -2..0.
const Mat kPlaced = multiply(multiply(scaling(2, 2, 2), rotation(0, 1, 0, float(M_PI / 2))), translation(10, 0, 0));

INSTANTIATE_TEST_SUITE_P(
    Table, CubeRay,
    ::testing::Values(RayCase{"front", kI, {0.5f, 0.5f, -2}, {0, 0, 1}, true, 0, 10, true, 2},
                      RayCase{"longDirection", kI, {0.5f, 0.5f, -2}, {0, 0, 7}, true, 0, 10, true, 2},
                      RayCase{"shortDirection", kI, {0.5f, 0.5f, -2}, {0, 0, 0.01f}, true, 0, 10, true, 2},
                      RayCase{"endShort", kI, {0.5f, 0.5f, -2}, {0, 0, 1}, true, 0, 1.99f, false, 0},
                      RayCase{"endShortLongDirection", kI, {0.5f, 0.5f, -2}, {0, 0, 50}, false, 0, 1.99f, false, 0},
                      RayCase{"endOnFace", kI, {0.5f, 0.5f, -2}, {0, 0, 1}, true, 0, 2, true, 2},
                      RayCase{"startPastNearFace", kI, {0.5f, 0.5f, -2}, {0, 0, 1}, true, 2.5f, 10, true, 3},
                      RayCase{"fromInside", kI, {0.5f, 0.5f, 0.5f}, {1, 0, 0}, true, 0, 10, true, 0.5f},
                      RayCase{"diagonal", kI, {-1, -1, -1}, {1, 1, 1}, true, 0, 10, true, float(std::sqrt(3.0))},
                      RayCase{"throughEdge", kI, {1, 0.5f, -1}, {0, 0, 1}, true, 0, 10, true, 1},
                      RayCase{"pointingAway", kI, {0.5f, 0.5f, -2}, {0, 0, -1}, true, 0, 10, false, 0},
                      RayCase{"behindOriginOnly", kI, {0.5f, 0.5f, 3}, {0, 0, 1}, true, -10, 10, false, 0},
                      RayCase{"passesBeside", kI, {1.01f, 0.5f, -2}, {0, 0, 1}, true, 0, 10, false, 0},
                      RayCase{"zeroDirection", kI, {0.5f, 0.5f, 0.5f}, {0, 0, 0}, true, 0, 10, false, 0},
                      RayCase{"inFacePlane", kI, {-1, 0.5f, 0}, {1, 0, 0}, true, 0, 10, true, 1},
                      RayCase{"placedWorldUnits", kPlaced, {0, 1, -1}, {3, 0, 0}, true, 0, FLT_MAX, true, 10},
                      RayCase{"placedFarFace", kPlaced, {0, 1, -1}, {1, 0, 0}, true, 10.5f, 20, true, 12},
                      RayCase{"placedEndShort", kPlaced, {0, 1, -1}, {1, 0, 0}, false, 0, 9.99f, false, 0},
                      RayCase{"placedMissesOldSpot", kPlaced, {0.5f, 0.5f, -2}, {0, 0, 1}, true, 0, 10, false, 0}),
    [](const auto& info) { return std::string(info.param.name); });

struct SphereCase {
    const char* name;
    Mat transform;
    std::array<float, 3> centre;
    float radius;
    bool hit;
};

class CubeSphere : public ::testing::TestWithParam<SphereCase> {};

TEST_P(CubeSphere, MeetsWithinRadius) {
    const SphereCase& c = GetParam();
    ModelPtr cube = makeModel(unitCube());
    cube->setTransform(c.transform.data());
    EXPECT_EQ(cube->sphereCollision(c.centre.data(), c.radius), c.hit);
}

const float kRoot3 = float(std::sqrt(3.0));

INSTANTIATE_TEST_SUITE_P(Table, CubeSphere,
                         ::testing::Values(SphereCase{"faceBelow", kI, {0.5f, 0.5f, -0.5f}, 0.4999f, false},
                                           SphereCase{"faceAbove", kI, {0.5f, 0.5f, -0.5f}, 0.5001f, true},
                                           SphereCase{"faceTouching", kI, {0.5f, 0.5f, -0.5f}, 0.5f, true},
                                           SphereCase{"cornerBelow", kI, {-1, -1, -1}, kRoot3 * 0.9999f, false},
                                           SphereCase{"cornerAbove", kI, {-1, -1, -1}, kRoot3 * 1.0001f, true},
                                           SphereCase{"edgeBelow", kI, {-1, -1, 0.5f}, 1.4141f, false},
                                           SphereCase{"edgeAbove", kI, {-1, -1, 0.5f}, 1.4143f, true},
                                           SphereCase{"centreInsideFarFromFaces", kI, {0.5f, 0.5f, 0.5f}, 0.49f, false},
                                           SphereCase{"centreInsideReachingFaces", kI, {0.5f, 0.5f, 0.5f}, 0.51f, true},
                                           SphereCase{"tinyRadiusOnFace", kI, {0.3f, 0.6f, 0}, 1e-6f, true},
                                           SphereCase{"negativeRadius", kI, {0.5f, 0.5f, 0}, -1, false},
                                           SphereCase{"nanRadius", kI, {0.5f, 0.5f, 0}, NAN, false},
                                           SphereCase{"nanCentre", kI, {NAN, 0.5f, 0}, 1, false},
                                           SphereCase{"placedBelow", kPlaced, {11, 1, 0.5f}, 0.499f, false},
                                           SphereCase{"placedAbove", kPlaced, {11, 1, 0.5f}, 0.501f, true},
                                           SphereCase{"placedMissesOldSpot", kPlaced, {0.5f, 0.5f, 0.5f}, 0.6f, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CubeModel, MeetsAnotherCubeUnderEachTransform) {
    struct Case {
        const char* name;
        Mat other;
        bool hit;
    };
    const Case cases[] = {
        {"overlapping", translation(0.5f, 0.5f, 0.5f), true},
        {"apart", translation(2, 0, 0), false},
        {"facesTouching", translation(1, 0, 0), true},
        {"edgesTouching", translation(1, 1, 0), true},
        {"cornersTouching", translation(1, 1, 1), true},
        {"justApart", translation(1.001f, 0, 0), false},
        {"inside", multiply(scaling(0.5f, 0.5f, 0.5f), translation(0.25f, 0.25f, 0.25f)), false},
        {"largerAround", multiply(scaling(3, 3, 3), translation(-1, -1, -1)), false},
        {"turnedCornerIn", multiply(rotation(0, 0, 1, float(M_PI / 4)), translation(1.6f, 0.2f, 0.2f)), true},
        {"turnedCornerOut", multiply(rotation(0, 0, 1, float(M_PI / 4)), translation(1.75f, 0.2f, 0.2f)), false},
        {"mirroredOverlapping", multiply(scaling(-1, 1, 1), translation(1.5f, 0, 0)), true},
    };
    ModelPtr a = makeModel(unitCube());
    ModelPtr b = makeModel(unitCube());
    for (const Case& c : cases) {
        b->setTransform(c.other.data());
        EXPECT_EQ(a->collision(b.get(), -1, 0, nullptr), c.hit) << c.name;
        EXPECT_EQ(b->collision(a.get(), -1, 0, nullptr), c.hit) << c.name;
        // The same placement given as the other transform.
        b->setTransform(identity().data());
        EXPECT_EQ(a->collision(b.get(), -1, 0, c.other.data()), c.hit) << c.name;
    }
}

}  // namespace
