// The grid path search in open water, around a wall, boxed in, at its limits and on bad requests.
#include "pathsearch/pathrocks.h"
#include "pathsearch/pathsearch.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

using ModelPtr = std::unique_ptr<CollisionModel3D>;

const float kIdentity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

// The surface of the box [lo, hi] as a collision model.
ModelPtr BoxModel(D3DXVECTOR3 lo, D3DXVECTOR3 hi) {
    ModelPtr m(newCollisionModel3D(false));
    const float afLo[3] = {lo.x, lo.y, lo.z}, afHi[3] = {hi.x, hi.y, hi.z};
    for (int axis = 0; axis < 3; ++axis) {
        const int u = (axis + 1) % 3, v = (axis + 2) % 3;
        for (const float fSide : {afLo[axis], afHi[axis]}) {
            float q[4][3];
            const float us[4] = {afLo[u], afHi[u], afHi[u], afLo[u]};
            const float vs[4] = {afLo[v], afLo[v], afHi[v], afHi[v]};
            for (int k = 0; k < 4; ++k) {
                q[k][axis] = fSide;
                q[k][u] = us[k];
                q[k][v] = vs[k];
            }
            m->addTriangle(q[0], q[1], q[2]);
            m->addTriangle(q[0], q[2], q[3]);
        }
    }
    m->finalize();
    return m;
}

double Distance(const D3DXVECTOR3& a, const D3DXVECTOR3& b) {
    const double dx = a.x - b.x, dy = a.y - b.y, dz = a.z - b.z;
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

class PathSearch : public ::testing::Test {
protected:
    std::vector<ModelPtr> models;
    std::vector<PathRock> rocks;
    D3DXVECTOR3* pPath = nullptr;
    int nCount = -1;

    void AddRock(D3DXVECTOR3 lo, D3DXVECTOR3 hi) {
        models.push_back(BoxModel(lo, hi));
        rocks.clear();
        for (const ModelPtr& m : models) rocks.push_back({m.get(), kIdentity});
        g_pPathRocks = rocks.data();
        g_nPathRocks = int(rocks.size());
    }

    int Find(D3DXVECTOR3 start, D3DXVECTOR3 goal, float fStep) {
        free(pPath);
        pPath = nullptr;
        PathRequest request{goal, fStep, &pPath, &nCount};
        return pfFindPath(start.x, start.y, start.z, &request);
    }

    // Starts at the start, moves one grid step at a time, and stays clear of every rock.
    void ExpectSoundPath(D3DXVECTOR3 start, float fStep) {
        ASSERT_GT(nCount, 0);
        ASSERT_NE(pPath, nullptr);
        EXPECT_EQ(Distance(pPath[0], start), 0.0);
        for (int i = 1; i < nCount; ++i) {
            const double d = Distance(pPath[i - 1], pPath[i]) / fStep;
            EXPECT_TRUE(std::fabs(d - 1) < 1e-4 || std::fabs(d - std::sqrt(2.0)) < 1e-4 ||
                        std::fabs(d - std::sqrt(3.0)) < 1e-4)
                << "step " << i << ": " << d;
            for (const ModelPtr& m : models) {
                const float afPoint[3] = {pPath[i].x, pPath[i].y, pPath[i].z};
                const float afFrom[3] = {pPath[i - 1].x, pPath[i - 1].y, pPath[i - 1].z};
                const float afDir[3] = {afPoint[0] - afFrom[0], afPoint[1] - afFrom[1], afPoint[2] - afFrom[2]};
                m->setTransform(kIdentity);
                EXPECT_FALSE(m->sphereCollision(afPoint, kPathClearance)) << "point " << i;
                EXPECT_FALSE(m->rayCollision(afFrom, afDir, false, 0, float(d * fStep))) << "segment " << i;
            }
        }
    }

    void TearDown() override {
        free(pPath);
        g_pPathRocks = nullptr;
        g_nPathRocks = 0;
    }
};

TEST_F(PathSearch, ReachesTheGoalInOpenWater) {
    struct Case {
        D3DXVECTOR3 start, goal;
        float fStep;
        int nPoints;  // 0: any
    };
    const Case cases[] = {
        {{0, 0, 0}, {20, 7, -12}, 1, 0},       {{5.5f, -3, 2}, {-30, 10, 4}, 2.5f, 0}, {{0, 0, 0}, {0, 0, 9.5f}, 1, 10},
        {{1, 2, 3}, {1.5f, 2.5f, 3.5f}, 1, 1}, {{1, 2, 3}, {1, 2, 3}, 0.5f, 1},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(Find(c.start, c.goal, c.fStep), 0);
        ExpectSoundPath(c.start, c.fStep);
        EXPECT_LT(Distance(pPath[nCount - 1], c.goal), c.fStep);
        if (c.nPoints) {
            EXPECT_EQ(nCount, c.nPoints);
        }
    }
}

TEST_F(PathSearch, GoesAroundAWall) {
    AddRock({9, -6, -6}, {10, 6, 6});
    const D3DXVECTOR3 start(0, 0, 0), goal(20, 0, 0);
    ASSERT_EQ(Find(start, goal, 1), 0);
    ExpectSoundPath(start, 1);
    EXPECT_LT(Distance(pPath[nCount - 1], goal), 1.0);
    EXPECT_GT(nCount, 21);
}

TEST_F(PathSearch, BoxedInGivesUpWithTheStartAlone) {
    AddRock({-1.5f, -1.5f, -1.5f}, {1.5f, 1.5f, 1.5f});
    ASSERT_EQ(Find({0, 0, 0}, {20, 0, 0}, 1), -2);
    ASSERT_EQ(nCount, 1);
    EXPECT_EQ(Distance(pPath[0], {0, 0, 0}), 0.0);
}

TEST_F(PathSearch, UnreachableGoalStopsAtTheExpansionLimit) {
    AddRock({16, -4, -4}, {24, 4, 4});
    const D3DXVECTOR3 start(0, 0, 0);
    ASSERT_EQ(Find(start, {20, 0, 0}, 1), -2);
    ExpectSoundPath(start, 1);
    EXPECT_GT(nCount, 10);
}

TEST_F(PathSearch, RunningOutOfNodesFailsWithNoPath) {
    // Open water toward a far goal makes up to 19 nodes per expansion; 3,000 run out after about 160.
    const int nLimit = pfSetNodeBlockLimit(3);
    const int iResult = Find({0, 0, 0}, {9000, 8000, 7000}, 1);
    pfSetNodeBlockLimit(nLimit);
    ASSERT_EQ(iResult, -1);
    EXPECT_EQ(pPath, nullptr);
    EXPECT_EQ(nCount, 0);
    // The pool came back whole: the next search has all of it again.
    ASSERT_EQ(Find({0, 0, 0}, {9000, 8000, 7000}, 1), -2);
    EXPECT_EQ(nCount, kMaxPathExpansions);
}

TEST_F(PathSearch, BadRequestsFail) {
    struct Case {
        D3DXVECTOR3 start, goal;
        float fStep;
    };
    const Case cases[] = {
        {{0, 0, 0}, {5, 0, 0}, 0},   {{0, 0, 0}, {5, 0, 0}, -1},       {{0, 0, 0}, {5, 0, 0}, NAN},
        {{NAN, 0, 0}, {5, 0, 0}, 1}, {{0, 0, 0}, {5, INFINITY, 0}, 1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Find(c.start, c.goal, c.fStep), -1);
        EXPECT_EQ(pPath, nullptr);
        EXPECT_EQ(nCount, 0);
    }
    EXPECT_EQ(pfFindPath(0, 0, 0, nullptr), -1);
    PathRequest noOutput{{5, 0, 0}, 1, nullptr, &nCount};
    EXPECT_EQ(pfFindPath(0, 0, 0, &noOutput), -1);
}

TEST_F(PathSearch, ListedNodeTakesTheShorterRouteWithoutReinsertion) {
    PathRequest request{{10, 0, 0}, 1, &pPath, &nCount};
    g_pPathRequest = &request;
    PathNode parent{}, listed{};
    listed.x = 1;
    listed.g = 8;
    listed.h = 9;
    listed.f = 17;
    Heap* pClosed = hpCreateHeap(0, 4, -1, pfCompareNodes);
    ASSERT_EQ(hpInsert(pClosed, &listed), 1);

    struct Case {
        float x;
        double g;
        int iResult;
        double fAfter;
    };
    const Case cases[] = {{2, 1, 0, 17}, {1, 9, 1, 17}, {1, 8, 1, 17}, {1, 1, 1, 10}};
    for (const Case& c : cases) {
        g_nPathSuccessors = 1;
        PathNode& s = g_aPathSuccessors[0];
        s = PathNode{};
        s.x = c.x;
        s.g = c.g;
        s.h = 9;
        s.f = c.g + 9;
        s.pParent = &parent;
        EXPECT_EQ(pfUpdateIfListed(0, pClosed), c.iResult) << c.x << " " << c.g;
        EXPECT_EQ(listed.f, c.fAfter);
        EXPECT_EQ(pClosed->iCount, 1);
    }
    EXPECT_EQ(listed.pParent, &parent);
    EXPECT_EQ(listed.g, 1);
    hpDestroyHeap(pClosed);
    g_pPathRequest = nullptr;
}

TEST_F(PathSearch, AStepIsBlockedWhenItsSegmentCrossesARockItsEndsClear) {
    // A plate 0.2 thick at x = 5: a step of 10 across it keeps both ends 4.9 from the plate.
    AddRock(D3DXVECTOR3(4.9f, -50, -50), D3DXVECTOR3(5.1f, 50, 50));
    struct Case {
        const char* szWhat;
        bool bParent;
        float fParentX, fNodeX;
        int iBlocked;
    };
    const Case cases[] = {
        {"no parent, no segment", false, 0, 10, 0},
        {"across towards +x", true, 0, 10, 1},
        {"across towards -x", true, 10, 0, 1},
        {"the plate lies ahead, beyond the segment's end", true, -20, -10, 0},
        {"heading away from the plate", true, 0, -10, 0},
        {"beyond the plate, away from it", true, 10, 20, 0},
    };
    for (const Case& c : cases) {
        PathNode parent{};
        parent.x = c.fParentX;
        PathNode node{};
        node.x = c.fNodeX;
        node.pParent = c.bParent ? &parent : nullptr;
        EXPECT_EQ(pfIsBlocked(&node), c.iBlocked) << c.szWhat;
    }
    // A node within the clearance of the plate is blocked on its own.
    PathNode near{};
    near.x = 2.5f;
    EXPECT_EQ(pfIsBlocked(&near), 1);
}

}  // namespace
