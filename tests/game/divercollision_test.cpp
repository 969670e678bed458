// The diver's box against rocks and the sea floor: the box itself, the roll-back of a colliding
// frame, the bounce off a rock or the floor and the runs of contact frames.
#include <array>
#include <cmath>
#include <fstream>
#include <vector>

#include "diver_fixture.h"
#include "game/terrain.h"

namespace {

using gametest::DiverTest;
using gametest::Mirror;
using gametest::Square;
using gametest::Unit;

void ExpectNear(const D3DXVECTOR3& a, const D3DXVECTOR3& b, const char* szWhat) {
    EXPECT_NEAR(a.x, b.x, 1e-4f) << szWhat;
    EXPECT_NEAR(a.y, b.y, 1e-4f) << szWhat;
    EXPECT_NEAR(a.z, b.z, 1e-4f) << szWhat;
}

class DiverCollisionTest : public DiverTest {
protected:
    // Gives the diver the box of a mesh with these vertex positions.
    int BuildBox(CDiver& d, const std::vector<D3DXVECTOR3>& points) {
        IDirect3DVertexBuffer8* pVB = nullptr;
        const UINT nBytes = static_cast<UINT>(std::max<size_t>(points.size(), 1) * kSceneVertexSize);
        EXPECT_EQ(App().m_pDevice->CreateVertexBuffer(nBytes, 0, kSceneFVF, D3DPOOL_MANAGED, &pVB), D3D_OK);
        BYTE* pData = nullptr;
        pVB->Lock(0, nBytes, &pData, 0);
        auto* pV = reinterpret_cast<SceneVertex*>(pData);
        for (size_t i = 0; i < points.size(); ++i)
            pV[i] = SceneVertex{points[i].x, points[i].y, points[i].z, 0, 1, 0, 0, 0};
        pVB->Unlock();
        d.m_pVB[0] = pVB;
        d.m_dwNumVertices = static_cast<DWORD>(points.size());
        const int hr = d.BuildCollisionModel();
        d.m_pVB[0] = nullptr;
        pVB->Release();
        return hr;
    }
    // A fresh diver at vPos, unrotated, with the box (-1, -1, 0) to (1, 1, 3) ahead of his eyes.
    CDiver& BoxedDiver(D3DXVECTOR3 vPos) {
        CDiver& d = Fresh(vPos);
        EXPECT_EQ(BuildBox(d, {{-1, -1, 0}, {1, 1, 3}}), 0);
        return d;
    }
    // The floor rises about 1 unit per 20 along x, from height 10 at x = 1000.
    void RampFloor() {
        std::vector<unsigned char> map(static_cast<size_t>(kMapColumns) * kMapRows, 0);
        for (int j = 0; j < kMapRows; ++j)
            for (int i = 40; i < 91; ++i)
                map[static_cast<size_t>(j) * kMapColumns + i] = static_cast<unsigned char>(5 * (i - 40));
        std::ofstream("height.raw", std::ios::binary).write(reinterpret_cast<const char*>(map.data()), map.size());
        App().m_pTerrain->Reset(D3DXVECTOR3(0, 0, 0));
    }
    // The unit normal of the floor triangle the last point query found.
    D3DXVECTOR3 LastFloorNormal() {
        D3DXVECTOR3 vPoint;
        const D3DXVECTOR3* t = App().m_pTerrain->GetLastSurfaceHit(&vPoint);
        D3DXVECTOR3 n, e1 = t[1] - t[0], e2 = t[2] - t[0];
        D3DXVec3Cross(&n, &e1, &e2);
        return Unit(n);
    }
};

TEST_F(DiverCollisionTest, BoxHasTwelveTrianglesAndEightCornersInOrder) {
    CDiver& d = Fresh();
    // The first vertex is neither extreme: the box runs from (-1, -2, 0.5) to (3, 1, 4).
    ASSERT_EQ(BuildBox(d, {{0, 0, 1}, {-1, 1, 4}, {3, -2, 0.5f}, {2, 0, 2}}), 0);
    const D3DXVECTOR3 vMin(-1, -2, 0.5f), vMax(3, 1, 4);
    // Lower case: the minimum on that axis; upper case: the maximum.
    auto corner = [&](const char* s) {
        return D3DXVECTOR3(s[0] == 'X' ? vMax.x : vMin.x, s[1] == 'Y' ? vMax.y : vMin.y, s[2] == 'Z' ? vMax.z : vMin.z);
    };
    const char* corners[8] = {"XYZ", "xYZ", "XyZ", "XYz", "xyz", "Xyz", "xYz", "xyZ"};
    for (int k = 0; k < 8; ++k) EXPECT_EQ(d.m_vCorner[k], corner(corners[k])) << "corner " << k;

    const char* triangles[12][3] = {
        {"Xyz", "xyz", "XyZ"}, {"Xyz", "xyz", "XYz"}, {"xYz", "xyz", "XYz"}, {"xYz", "xyz", "xYZ"},
        {"xyZ", "xyz", "XyZ"}, {"xyZ", "xyz", "xYZ"}, {"xYZ", "XYZ", "xYz"}, {"xYZ", "XYZ", "xyZ"},
        {"XyZ", "XYZ", "xyZ"}, {"XyZ", "XYZ", "Xyz"}, {"XYz", "XYZ", "xYz"}, {"XYz", "XYZ", "Xyz"},
    };
    // A ray from outside through the middle of each half face meets that triangle first, and the model
    // reports its corners in the order they were added.
    const D3DXVECTOR3 vCentre = (vMin + vMax) * 0.5f;
    for (int k = 0; k < 12; ++k) {
        const D3DXVECTOR3 a = corner(triangles[k][0]), b = corner(triangles[k][1]), c = corner(triangles[k][2]);
        const D3DXVECTOR3 vMid = (a + b + c) / 3.0f;
        D3DXVECTOR3 n, e1 = b - a, e2 = c - a;
        D3DXVec3Cross(&n, &e1, &e2);
        n = Unit(n);
        const D3DXVECTOR3 vOut = vMid - vCentre;
        if (D3DXVec3Dot(&n, &vOut) < 0) n = -n;
        const D3DXVECTOR3 vOrigin = vMid + n * 0.5f, vDir = -n;
        ASSERT_TRUE(d.m_pCollisionModel->rayCollision(&vOrigin.x, &vDir.x, true, 0, 1)) << "triangle " << k;
        float t[9], other[9];
        d.m_pCollisionModel->getCollidingTriangles(t, other, true);
        EXPECT_EQ(D3DXVECTOR3(&t[0]), a) << "triangle " << k;
        EXPECT_EQ(D3DXVECTOR3(&t[3]), b) << "triangle " << k;
        EXPECT_EQ(D3DXVECTOR3(&t[6]), c) << "triangle " << k;
    }

    // A mesh without vertices has no box.
    CDiver& empty = Fresh();
    EXPECT_EQ(BuildBox(empty, {}), E_FAIL);
    EXPECT_EQ(empty.m_pCollisionModel, nullptr);
    // The level's diver got the box of its mesh (the triangle (0,0,0) (1,0,0) (0,1,0)) when it loaded.
    ASSERT_NE(levelDiver_->m_pCollisionModel, nullptr);
    EXPECT_EQ(levelDiver_->m_vCorner[0], D3DXVECTOR3(1, 1, 0));
    EXPECT_EQ(levelDiver_->m_vCorner[4], D3DXVECTOR3(0, 0, 0));
}

TEST_F(DiverCollisionTest, ContactRollsTheFrameBackBitForBit) {
    App().m_bBuoyancyOff = 1;
    CDiver& d = BoxedDiver(D3DXVECTOR3(1000, 20, 1000));
    d.m_fStartTimer = 0;
    AddRock(Square(D3DXVECTOR3(1000, 20, 1006), D3DXVECTOR3(50, 0, 0), D3DXVECTOR3(0, 50, 0)));
    // A free frame, turning a little.
    d.m_vVelocity = D3DXVECTOR3(0, 0, 0.5f);
    App().m_Input.m_vMouseDelta = D3DXVECTOR3(0.02f, 0.01f, 0);
    d.Update();
    ASSERT_EQ(d.m_cContact, 0);
    ASSERT_EQ(d.m_byCollisionFrames, 0);
    const CTransform before = d.m_Transform;
    // Then a frame that turns further and moves the box across the wall.
    d.m_vVelocity = D3DXVECTOR3(0, 0, 3);
    App().m_Input.m_vMouseDelta = D3DXVECTOR3(0.05f, 0, 0);
    App().m_Input.m_vMouseDeltaRight = D3DXVECTOR3(0.1f, 0, 0);
    d.Update();
    EXPECT_EQ(d.m_cContact, 1);
    EXPECT_EQ(d.m_byCollisionFrames, 1);
    EXPECT_EQ(std::memcmp(&d.m_Transform, &before, sizeof before), 0) << "position, rotation and world as they were";
    EXPECT_EQ(d.m_vAngularVelocity, D3DXVECTOR3(0, 0, 0));
    // The next frame, with the mouse still, starts with no turn or head-look rate of its own.
    App().m_Input.m_vMouseDelta = App().m_Input.m_vMouseDeltaRight = D3DXVECTOR3(0, 0, 0);
    d.Update();
    EXPECT_EQ(d.m_vLookVelocity, D3DXVECTOR3(0, 0, 0));
}

TEST_F(DiverCollisionTest, ADiverStartingInARockStaysWhereHeIs) {
    CDiver& d = BoxedDiver(D3DXVECTOR3(1000, 20, 1000));
    AddRock(Square(D3DXVECTOR3(1000, 20, 1002), D3DXVECTOR3(50, 0, 0), D3DXVECTOR3(0, 50, 0)));
    const CTransform start = d.m_Transform;
    Keys()['W'] = true;
    for (int i = 0; i < 260; ++i) {
        Keys()['W'] = i % 3 != 2;
        App().m_Input.m_vMouseDelta = D3DXVECTOR3(0.1f, -0.05f, 0);
        d.Update();
        ASSERT_EQ(std::memcmp(&d.m_Transform, &start, sizeof start), 0) << "frame " << i;
        ASSERT_EQ(d.m_cContact, 1);
    }
    EXPECT_EQ(d.m_byCollisionFrames, 250) << "the run counter stops at 250";
}

// One call of the collision test with the run at a given frame and a given velocity.
struct ContactStep {
    const char* szWhat;
    bool bFloor;  // placed in the floor (and clear of the rock), else against the rock
    int nFrames;  // m_byCollisionFrames before the call
    D3DXVECTOR3 vBefore;
    D3DXVECTOR3 vAfter;
    bool bTurnCleared;
};

TEST_F(DiverCollisionTest, BounceRunsOffRocksAndTheFloor) {
    RampFloor();
    // A 45-degree slope across the way ahead: y - z = -982.
    AddRock(Square(D3DXVECTOR3(1000, 20, 1002), D3DXVECTOR3(50, 0, 0), D3DXVECTOR3(0, 30, 30)));
    const D3DXVECTOR3 vRockNormal = Unit(D3DXVECTOR3(0, 1, -1));
    const D3DXVECTOR3 vLook = Unit(D3DXVECTOR3(0.3f, -0.5f, 0.8f));
    // The floor triangle under the box on the slope, found as the floor steps will find it.
    BoxedDiver(D3DXVECTOR3(1010, 11.2f, 900));
    App().m_pTerrain->Update();
    ASSERT_EQ(App().Diver()->CheckCollisions(), 1);
    const D3DXVECTOR3 vFloorNormal = LastFloorNormal();
    ASSERT_GT(std::fabs(vFloorNormal.x), 0.02f) << "a sloped floor, so the bounce is more than a flip of y";
    const D3DXVECTOR3 vRockBounce = Mirror(vLook, vRockNormal), vFloorBounce = Mirror(vLook, vFloorNormal);
    divResetProgramState();
    const D3DXVECTOR3 v0(0, 0, 2), v1(0, -1, 0.5f), vAny(5, 6, 7), vZero(0, 0, 0);
    const float fLen1 = D3DXVec3Length(&v1);
    const ContactStep steps[] = {
        {"rock, first frame: the mirrored look at the old speed", false, 0, v0, vRockBounce * 2.0f, true},
        {"rock, second frame: back the way he came", false, 1, vAny, -v0, true},
        {"rock, third frame: the same", false, 2, vAny, -v0, true},
        {"floor after a rock run: no floor run yet, so zero", true, 1, vAny, vZero, true},
        {"floor, first frame", true, 0, v1, vFloorBounce * fLen1, false},
        {"floor, second frame", true, 1, vAny, -v1, true},
        {"floor, third frame: left to the update", true, 2, vAny, vAny, false},
        {"rock after a floor run: the rock run's velocity", false, 1, vAny, -v0, true},
        {"rock at zero speed stays at zero", false, 0, vZero, vZero, true},
    };
    for (const ContactStep& s : steps) {
        CDiver& d = BoxedDiver(s.bFloor ? D3DXVECTOR3(1010, 11.2f, 900) : D3DXVECTOR3(1000, 20, 1000));
        App().m_pTerrain->Update();
        d.m_vLookDir = vLook;
        d.m_byCollisionFrames = static_cast<unsigned char>(s.nFrames);
        d.m_vVelocity = s.vBefore;
        d.m_vAngularVelocity = D3DXVECTOR3(0.1f, 0.2f, 0);
        EXPECT_EQ(d.CheckCollisions(), 1) << s.szWhat;
        EXPECT_EQ(d.m_cContact, s.bFloor ? 2 : 1) << s.szWhat;
        ExpectNear(d.m_vVelocity, s.vAfter, s.szWhat);
        EXPECT_EQ(d.m_vAngularVelocity, s.bTurnCleared ? vZero : D3DXVECTOR3(0.1f, 0.2f, 0)) << s.szWhat;
    }
}

TEST_F(DiverCollisionTest, RocksComeBeforeTheFloorAndOnlyTheFirstRockCounts) {
    // Two rocks across the box, the first upright and the second sloped; the box also dips into the floor.
    AddRock(Square(D3DXVECTOR3(1000, 1, 1002), D3DXVECTOR3(50, 0, 0), D3DXVECTOR3(0, 50, 0)));
    AddRock(Square(D3DXVECTOR3(1000, 1, 1002), D3DXVECTOR3(50, 0, 0), D3DXVECTOR3(0, 30, 30)));
    CDiver& d = BoxedDiver(D3DXVECTOR3(1000, 0.5f, 1000));
    App().m_pTerrain->Update();
    d.m_vLookDir = D3DXVECTOR3(0, 0, 1);
    d.m_vVelocity = D3DXVECTOR3(0, 0, 1);
    EXPECT_EQ(d.CheckCollisions(), 1);
    EXPECT_EQ(d.m_cContact, 1);
    ExpectNear(d.m_vVelocity, D3DXVECTOR3(0, 0, -1), "mirrored in the first rock only");
}

TEST_F(DiverCollisionTest, ACornerOnTheFloorIsNotBelowIt) {
    // No height map in the scratch folder: the floor lies flat at 0, and the box reaches 1 below the eye.
    for (const auto& [fY, nContact] : {std::pair{1.0f, 0}, std::pair{0.999f, 2}}) {
        CDiver& d = BoxedDiver(D3DXVECTOR3(1000, fY, 1000));
        App().m_pTerrain->Update();
        d.m_vLookDir = D3DXVECTOR3(0, 0, 1);
        EXPECT_EQ(d.CheckCollisions(), nContact != 0) << fY;
        EXPECT_EQ(d.m_cContact, nContact) << fY;
    }
}

}  // namespace
