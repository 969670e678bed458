// The spear: its flight in sub-steps, its contacts with rocks, fish and the sea floor, the bounce,
// the catch, the spear stuck in a fish and the return to the gun.
#include <cmath>
#include <memory>
#include <vector>

#include "diver_fixture.h"
#include "game/terrain.h"

namespace {

using gametest::DiverTest;
using gametest::Mirror;
using gametest::Square;
using gametest::Triangle;
using gametest::TriangleModel;
using gametest::Unit;

void ExpectNear(const D3DXVECTOR3& a, const D3DXVECTOR3& b, float fTolerance, const char* szWhat) {
    EXPECT_NEAR(a.x, b.x, fTolerance) << szWhat;
    EXPECT_NEAR(a.y, b.y, fTolerance) << szWhat;
    EXPECT_NEAR(a.z, b.z, fTolerance) << szWhat;
}

void ExpectNear(const D3DXMATRIX& a, const D3DXMATRIX& b, const char* szWhat) {
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(a.m[i / 4][i % 4], b.m[i / 4][i % 4], 1e-5f) << szWhat << ", element " << i;
}

D3DXMATRIX Translation(const D3DXVECTOR3& v) {
    D3DXMATRIX m;
    D3DXMatrixTranslation(&m, v.x, v.y, v.z);
    return m;
}

TEST(SpearFlight, SubStepsCountWithAFloatCounter) {
    struct Case {
        float fStep;
        int nSubSteps;
        float fRemainder;
    };
    // On the 0.01 grid the float counter drifts: it falls just short of 0.05 and 1.0, which get a
    // sub-step more than exact arithmetic would give (1.0: 100, not 99) and almost nothing left, and
    // just past 0.2, which gets one fewer (19) and a whole sub-step left.
    const Case cases[] = {{0.0833f, 8, 0.0033f}, {0.005f, 0, 0.005f}, {0.05f, 5, 0.0f},  {0.02f, 1, 0.01f},
                          {0.2f, 19, 0.01f},     {1.0f, 100, 0.0f},   {0.01f, 0, 0.01f}, {0.0f, 0, 0.0f}};
    for (const Case& c : cases) {
        float fRemainder = -1;
        EXPECT_EQ(spearSubSteps(c.fStep, &fRemainder), c.nSubSteps) << c.fStep;
        EXPECT_NEAR(fRemainder, c.fRemainder, 1e-6f) << c.fStep;
    }
    // A step past the cap flies as far as the cap, and ends: the counter would stop growing near
    // 262,144.
    float fCapRemainder = 0;
    const int nCap = spearSubSteps(kSpearMaxStep, &fCapRemainder);
    EXPECT_NEAR(nCap, kSpearMaxStep / 0.01f, 2);
    for (const float fStep : {3.0e5f, 1.0e9f, INFINITY, NAN}) {
        float fRemainder = -1;
        EXPECT_EQ(spearSubSteps(fStep, &fRemainder), nCap) << fStep;
        EXPECT_EQ(fRemainder, fCapRemainder) << fStep;
    }
}

// The level's diver and spear replaced by fresh ones with no device data; the spear gets a thin
// stick 3 long ahead of its position along +z, and the fish list is the test's own.
class SpearTest : public DiverTest {
protected:
    void SetUp() override {
        DiverTest::SetUp();
        CGameApp& app = App();
        levelSpear_ = app.m_ppSpears[0];
        savedFish_ = app.m_ppFish;
        savedFishCount_ = app.m_nFish;
        app.m_ppFish = nullptr;
        app.m_nFish = 0;
        spear_ = std::make_unique<CSpear>();
        app.m_ppSpears[0] = spear_.get();
        ASSERT_EQ(GiveStick(*spear_), 0);
        app.m_pTerrain->Update();
    }
    void TearDown() override {
        if (app_) {
            app_->m_ppSpears[0] = levelSpear_;
            app_->m_ppFish = savedFish_;
            app_->m_nFish = savedFishCount_;
        }
        DiverTest::TearDown();
    }
    // Two crossed triangles from z = 0 to 3, 0.1 wide, through the spear's own builder.
    int GiveStick(CSpear& s) {
        const SceneVertex vertices[5] = {{-0.05f, 0, 0, 0, 1, 0, 0, 0},
                                         {0.05f, 0, 0, 0, 1, 0, 0, 0},
                                         {0, 0, 3, 0, 1, 0, 0, 0},
                                         {0, -0.05f, 0, 0, 1, 0, 0, 0},
                                         {0, 0.05f, 0, 0, 1, 0, 0, 0}};
        const WORD indices[6] = {0, 1, 2, 3, 4, 2};
        IDirect3DDevice8* pDevice = App().m_pDevice;
        IDirect3DVertexBuffer8* pVB = nullptr;
        IDirect3DIndexBuffer8* pIB = nullptr;
        EXPECT_EQ(pDevice->CreateVertexBuffer(sizeof vertices, 0, kSceneFVF, D3DPOOL_MANAGED, &pVB), D3D_OK);
        EXPECT_EQ(pDevice->CreateIndexBuffer(sizeof indices, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &pIB), D3D_OK);
        BYTE* pData = nullptr;
        pVB->Lock(0, sizeof vertices, &pData, 0);
        std::memcpy(pData, vertices, sizeof vertices);
        pVB->Unlock();
        pIB->Lock(0, sizeof indices, &pData, 0);
        std::memcpy(pData, indices, sizeof indices);
        pIB->Unlock();
        s.m_pVB[0] = pVB;
        s.m_pIB = pIB;
        s.m_dwNumVertices = 5;
        s.m_dwNumFaces = 2;
        const int hr = s.BuildCollisionModel();
        s.m_pVB[0] = nullptr;
        s.m_pIB = nullptr;
        pVB->Release();
        pIB->Release();
        return hr;
    }
    CSpear& S() { return *spear_; }
    // The spear flying unrotated from vPos with velocity v, its matrix built and the frame just begun.
    CSpear& Flying(const D3DXVECTOR3& vPos, const D3DXVECTOR3& v) {
        CSpear& s = S();
        s.m_iState = 2;
        s.m_Transform.m_vPosition = s.m_vPrevPosition = vPos;
        s.m_Transform.m_vRotation = D3DXVECTOR3(0, 0, 0);
        s.m_Transform.m_matWorld = Translation(vPos);
        s.m_vVelocity = v;
        return s;
    }
    // A fish made of world-space triangles (its world matrix the identity), appended to the fish list.
    CFish* AddFish(const std::vector<Triangle>& tris) {
        fish_.push_back(std::make_unique<CFish>());
        CFish* pFish = fish_.back().get();
        pFish->m_pCollisionModel = TriangleModel(tris);
        D3DXMatrixIdentity(&pFish->m_Transform.m_matWorld);
        fishList_.push_back(pFish);
        App().m_ppFish = fishList_.data();
        App().m_nFish = static_cast<int>(fishList_.size());
        return pFish;
    }

    std::unique_ptr<CSpear> spear_;
    CSpear* levelSpear_ = nullptr;
    CFish** savedFish_ = nullptr;
    int savedFishCount_ = 0;
    std::vector<std::unique_ptr<CFish>> fish_;
    std::vector<CFish*> fishList_;
};

TEST_F(SpearTest, BoxCornersOfTheMesh) {
    const D3DXVECTOR3 vMin(-0.05f, -0.05f, 0), vMax(0.05f, 0.05f, 3);
    const D3DXVECTOR3 expected[8] = {
        vMax, {vMin.x, vMax.y, vMax.z}, {vMax.x, vMin.y, vMax.z}, {vMax.x, vMax.y, vMin.z},
        vMin, {vMax.x, vMin.y, vMin.z}, {vMin.x, vMax.y, vMin.z}, {vMin.x, vMin.y, vMax.z}};
    for (int k = 0; k < 8; ++k) EXPECT_EQ(S().m_vCorner[k], expected[k]) << "corner " << k;
    // The level's spear got the box of its mesh, the triangle (0,0,0) (1,0,0) (0,1,0), when it loaded.
    ASSERT_NE(levelSpear_->m_pCollisionModel, nullptr);
    EXPECT_EQ(levelSpear_->m_vCorner[0], D3DXVECTOR3(1, 1, 0));
    EXPECT_EQ(levelSpear_->m_vCorner[4], D3DXVECTOR3(0, 0, 0));
}

// Outside the sea floor's window, where nothing is below the floor.
const D3DXVECTOR3 kOpenWater(300, 20, 300);

TEST_F(SpearTest, FlightUnderQuadraticDragAndGravity) {
    // One remainder step of 0.005: a = -0.2 v |v| + gravity, the velocity first, then the position
    // moved by the new velocity.
    CSpear& s = Flying(kOpenWater, D3DXVECTOR3(0, 0, 150));
    App().m_fGameStep = 0.005f;
    s.Update();
    ExpectNear(s.m_vVelocity, D3DXVECTOR3(0, -0.003f, 127.5f), 1e-3f, "velocity after 0.005");
    ExpectNear(s.m_Transform.m_vPosition - kOpenWater, D3DXVECTOR3(0, -0.000015f, 0.6375f), 1e-4f,
               "position after 0.005");
    EXPECT_EQ(s.m_vPrevPosition, kOpenWater);

    // 0.02: a sub-step of 0.01 (150 -> 105) and a remainder of 0.01 (105 -> 82.95), not one step of
    // 0.02 (150 -> 60).
    Flying(kOpenWater, D3DXVECTOR3(0, 0, 150));
    App().m_fGameStep = 0.02f;
    s.Update();
    EXPECT_NEAR(s.m_vVelocity.z, 82.95f, 0.01f);
    EXPECT_NEAR(s.m_Transform.m_vPosition.z - kOpenWater.z, 1.05f + 0.8295f, 1e-3f);

    // The matrix carries the spear's rotation at its new position.
    Flying(kOpenWater, D3DXVECTOR3(0, 0, 150));
    s.m_Transform.m_vRotation = D3DXVECTOR3(0.3f, -0.2f, 0.1f);
    s.Update();
    D3DXMATRIX expected;
    const D3DXMATRIX matRotation = scnRotationMatrix(s.m_Transform.m_vRotation);
    const D3DXMATRIX matPosition = Translation(s.m_Transform.m_vPosition);
    D3DXMatrixMultiply(&expected, &matRotation, &matPosition);
    ExpectNear(s.m_Transform.m_matWorld, expected, "rotation, then position");

    // From 150 along z the drag slows it at every step; in the end it sinks at the square root of 3,
    // where the drag 0.2 v^2 balances gravity 0.6.
    Flying(kOpenWater, D3DXVECTOR3(0, 0, 150));
    App().m_fGameStep = 1.0f;
    float fSpeed = 150;
    for (int i = 0; i < 100; ++i) {
        s.Update();
        if (fSpeed > 0.0f) {
            ASSERT_LT(s.m_vVelocity.z, fSpeed) << "step " << i;
        }
        fSpeed = s.m_vVelocity.z;
    }
    ExpectNear(s.m_vVelocity, D3DXVECTOR3(0, -std::sqrt(3.0f), 0), 1e-4f, "terminal fall");
    EXPECT_EQ(s.m_iState, 2);
}

// A spear lying at rest (so its ray finds nothing) across whatever the case places around it.
struct ContactCase {
    const char* szWhat;
    bool bRocks, bFish, bFloor;
    int nResult;
    D3DXVECTOR3 vNormal;  // of the plane the velocity is mirrored in
    int nCaught, iLastHit, iState;
};

TEST_F(SpearTest, RocksBeforeFishBeforeTheFloorAndTheFirstContactEndsTheTest) {
    const D3DXVECTOR3 vSlope = Unit(D3DXVECTOR3(0, 1, -1)), vUpright(0, 0, 1), vFlat(0, 1, 0);
    const ContactCase cases[] = {
        {"rock, fish and floor: the first rock", true, true, true, 1, vSlope, 0, -1, 2},
        {"fish and floor: the first fish touched", false, true, true, 1, vUpright, 1, 1, 3},
        {"floor", false, false, true, 1, vFlat, 0, -1, 2},
        {"nothing", false, false, false, 0, D3DXVECTOR3(0, 0, 0), 0, -1, 2},
    };
    const D3DXVECTOR3 v(0.5f, -1, 2);
    for (const ContactCase& c : cases) {
        rocks_.clear(), rockList_.clear(), fish_.clear(), fishList_.clear();
        App().m_ppRocks = nullptr, App().m_nRocks = 0, App().m_ppFish = nullptr, App().m_nFish = 0;
        // The stick runs from z = 1000 to 1003 at height y; its lowest corners are 0.05 lower.
        const float y = c.bFloor ? 0.03f : 1.0f;
        if (c.bRocks) {
            AddRock(Square(D3DXVECTOR3(1000, y, 1001), D3DXVECTOR3(5, 0, 0), D3DXVECTOR3(0, 3, 3)));
            AddRock(Square(D3DXVECTOR3(1000, y, 1002), D3DXVECTOR3(5, 0, 0), D3DXVECTOR3(0, 5, 0)));
        }
        if (c.bFish) {
            AddFish(Square(D3DXVECTOR3(1000, y, 990), D3DXVECTOR3(5, 0, 0), D3DXVECTOR3(0, 5, 0)));
            AddFish(Square(D3DXVECTOR3(1000, y, 1002), D3DXVECTOR3(5, 0, 0), D3DXVECTOR3(0, 5, 0)));
            AddFish(Square(D3DXVECTOR3(1000, y, 1001), D3DXVECTOR3(5, 0, 0), D3DXVECTOR3(0, 3, 3)));
        }
        D().m_iFishCaught = 0;
        D().m_iLastFishHit = -1;
        CSpear& s = Flying(D3DXVECTOR3(1000, y, 1000), v);
        EXPECT_EQ(s.CheckCollisions(), c.nResult) << c.szWhat;
        ExpectNear(s.m_vVelocity, c.nResult ? Mirror(v, c.vNormal) : v, 1e-4f, c.szWhat);
        EXPECT_EQ(D().m_iFishCaught, c.nCaught) << c.szWhat;
        EXPECT_EQ(D().m_iLastFishHit, c.iLastHit) << c.szWhat;
        EXPECT_EQ(s.m_iState, c.iState) << c.szWhat;
    }
}

TEST_F(SpearTest, ASpearThatPassesThroughAThinRockIsFoundByTheRay) {
    // A sloped sheet across the way at z = 1004. From z = 1000 at 150 the spear flies some 5 units in
    // a step of 0.0833: the stick, 3 long, ends the step wholly beyond the sheet.
    AddRock(Square(D3DXVECTOR3(1000, 20, 1004), D3DXVECTOR3(5, 0, 0), D3DXVECTOR3(0, 3, 3)));
    const D3DXVECTOR3 vStart(1000, 20, 1000), v(0, 0, 150);
    CSpear& s = Flying(vStart, v);
    App().m_fGameStep = 0.0833f;
    s.Update();
    EXPECT_EQ(s.m_Transform.m_vPosition, vStart) << "rolled back to where the frame began";
    EXPECT_GT(s.m_Transform.m_matWorld._43, 1004.0f) << "the frame's matrix keeps the moved position";
    // Mirrored in the sheet's plane (not merely reversed), at the speed the flight left it.
    const D3DXVECTOR3 vSlope = Unit(D3DXVECTOR3(0, 1, -1));
    const float fSpeed = D3DXVec3Length(&s.m_vVelocity);
    ASSERT_GT(fSpeed, 10.0f);
    ExpectNear(Unit(s.m_vVelocity), Mirror(D3DXVECTOR3(0, -0.0001f, 1), vSlope), 1e-3f, "bounced off the sheet");

    // The same step seen by the test itself: no model contact, a ray contact.
    CSpear& again = Flying(D3DXVECTOR3(1000, 20, 1005.5f), v);
    again.m_vPrevPosition = vStart;
    EXPECT_EQ(again.CheckCollisions(), 2);
    ExpectNear(again.m_vVelocity, Mirror(v, vSlope), 1e-3f, "the ray's triangle");
    // With no model of its own the spear still finds the sheet by the ray, and nothing while at rest.
    delete again.m_pCollisionModel;
    again.m_pCollisionModel = nullptr;
    Flying(D3DXVECTOR3(1000, 20, 1005.5f), v).m_vPrevPosition = vStart;
    EXPECT_EQ(again.CheckCollisions(), 2);
    EXPECT_EQ(Flying(D3DXVECTOR3(1000, 20, 1003), v).CheckCollisions(), 0) << "the model test is skipped";
    // The ray reaches 0.05 behind where the frame began.
    for (const auto& [fStartZ, nContact] : {std::pair{1004.04f, 2}, std::pair{1004.06f, 0}}) {
        Flying(D3DXVECTOR3(1000, 20, 1006), v).m_vPrevPosition = D3DXVECTOR3(1000, 20, fStartZ);
        EXPECT_EQ(again.CheckCollisions(), nContact) << fStartZ;
    }
}

// Arms the trigger with 'Z' up, then fires with it down, one diver and spear update each.
void Fire(CDiver& d, CSpear& s, bool* pKeys) {
    pKeys['Z'] = false;
    d.Update();
    s.Update();
    pKeys['Z'] = true;
    d.Update();
    s.Update();
    pKeys['Z'] = false;
}

TEST_F(SpearTest, EachHitCountsAlsoTheSameFishAgainAfterANewShot) {
    App().m_bBuoyancyOff = 1;
    CDiver& d = Fresh(D3DXVECTOR3(1000, 20, 1000));
    d.m_fStartTimer = 0;
    App().m_fGameStep = 0.0833f;
    AddFish(Square(D3DXVECTOR3(1000, 20, 980), D3DXVECTOR3(5, 0, 0), D3DXVECTOR3(0, 5, 0)));
    AddFish(Square(D3DXVECTOR3(1000, 20, 1006), D3DXVECTOR3(5, 0, 0), D3DXVECTOR3(0, 5, 0)));
    for (int nShot = 1; nShot <= 2; ++nShot) {
        Fire(d, S(), Keys());
        for (int i = 0; i < 5 && S().m_iState == 2; ++i) {
            d.Update();
            S().Update();
        }
        EXPECT_EQ(S().m_iState, 3) << "shot " << nShot;
        EXPECT_EQ(d.m_iFishCaught, nShot);
        EXPECT_EQ(d.m_iLastFishHit, 1);
    }
}

TEST_F(SpearTest, AStuckSpearFollowsItsFish) {
    CFish* pFish = AddFish(Square(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(1, 0, 0), D3DXVECTOR3(0, 1, 0)));
    D().m_iLastFishHit = 0;
    CSpear& s = S();
    s.m_iState = 3;
    s.m_Transform.m_vRotation = D3DXVECTOR3(0.3f, -0.2f, 0.1f);
    const D3DXMATRIX matRotation = scnRotationMatrix(s.m_Transform.m_vRotation);
    // Translation(0, 0, -1.5) x the fish's heading frame x the spear's rotation x Translation(fish).
    // The heading frame is the inverse of the right-handed look along h: its rows are the axes
    // x = up x z, y = z x x and z = -h.
    auto expected = [&](const D3DXVECTOR3& h, const D3DXVECTOR3& vFish) {
        D3DXVECTOR3 z = -h, x, y;
        const D3DXVECTOR3 vUp(0, 1, 0);
        D3DXVec3Cross(&x, &vUp, &z);
        x = Unit(x);
        D3DXVec3Cross(&y, &z, &x);
        const D3DXMATRIX matHeading(x.x, x.y, x.z, 0, y.x, y.y, y.z, 0, z.x, z.y, z.z, 0, 0, 0, 0, 1);
        D3DXMATRIX m, matOffset;
        D3DXMatrixTranslation(&matOffset, 0, 0, -1.5f);
        D3DXMatrixMultiply(&m, &matOffset, &matHeading);
        D3DXMatrixMultiply(&m, &m, &matRotation);
        const D3DXMATRIX matFish = Translation(vFish);
        D3DXMatrixMultiply(&m, &m, &matFish);
        return m;
    };
    struct Step {
        const char* szWhat;
        D3DXVECTOR3 vFish, vHeading;
        D3DXVECTOR3 vFrame;  // the heading whose frame the spear shows
    };
    const Step steps[] = {
        {"one heading", {1010, 12, 990}, {0.6f, 0, 0.8f}, {0.6f, 0, 0.8f}},
        {"the fish moved and turned", {1013, 11, 985}, {0, 0.6f, -0.8f}, {0, 0.6f, -0.8f}},
        {"a zero heading keeps the last frame", {1014, 11, 984}, {0, 0, 0}, {0, 0.6f, -0.8f}},
        {"a vertical heading keeps the last frame", {1015, 11, 983}, {0, -1, 0}, {0, 0.6f, -0.8f}},
    };
    for (const Step& st : steps) {
        pFish->m_Transform.m_vPosition = st.vFish;
        pFish->m_vVelocity = st.vHeading;
        s.Update();
        EXPECT_EQ(s.m_iState, 3) << st.szWhat;
        EXPECT_EQ(s.m_Transform.m_vPosition, st.vFish) << st.szWhat;
        ExpectNear(s.m_Transform.m_matWorld, expected(st.vFrame, st.vFish), st.szWhat);
    }
}

TEST_F(SpearTest, ReturnToTheGun) {
    struct Case {
        const char* szWhat;
        int iStateBefore;
        float fDiverY;
        bool bReload;  // 'X' held through the diver's update
        int iStateAfter;
        bool bMoved;
    };
    const Case cases[] = {
        {"in the gun it stays where it was", 1, 20, false, 1, false},
        {"fired at the surface: one step, then back in the gun", 2, 45, false, 1, true},
        {"flying under water", 2, 44.9f, false, 2, true},
        {"stuck in a fish at the surface", 3, 45, false, 3, false},
        {"'X' at the surface reloads a flying spear", 2, 45, true, 1, false},
        {"'X' at the surface reloads a stuck spear", 3, 45, true, 1, false},
        {"'X' under water does nothing", 3, 44.9f, true, 3, false},
    };
    AddFish(Square(D3DXVECTOR3(1000, 500, 1000), D3DXVECTOR3(1, 0, 0), D3DXVECTOR3(0, 1, 0)));
    App().m_fGameStep = 0.0833f;
    const D3DXVECTOR3 vSpear(1000, 20, 1000);
    for (const Case& c : cases) {
        CDiver& d = Fresh(D3DXVECTOR3(1000, c.fDiverY, 1000));
        d.m_fStartTimer = 0;
        d.m_iLastFishHit = 0;
        CSpear& s = Flying(vSpear, D3DXVECTOR3(0, 0, 150));
        s.m_iState = c.iStateBefore;
        Keys()['X'] = c.bReload;
        d.Update();
        s.Update();
        EXPECT_EQ(s.m_iState, c.iStateAfter) << c.szWhat;
        if (c.iStateBefore != 3) {
            EXPECT_EQ(s.m_Transform.m_vPosition != vSpear, c.bMoved) << c.szWhat;
        }
        if (c.iStateAfter == 1 && !c.bMoved) {
            EXPECT_EQ(s.m_Transform.m_matWorld, d.m_Transform.m_matWorld) << c.szWhat << ": drawn in the diver's frame";
        }
    }
    Keys()['X'] = false;
}

TEST_F(SpearTest, ALevelWithoutASpearFiresNothing) {
    CGameApp& app = App();
    app.m_nSpears = 0;
    CDiver& d = Fresh();
    d.m_fStartTimer = 0;
    Keys()['Z'] = false;
    d.Update();
    Keys()['Z'] = true;
    d.Update();
    EXPECT_EQ(d.m_fTrigger, 1.0f) << "the trigger is pulled";
    EXPECT_EQ(app.UpdateWorld(), 0);
    app.m_nSpears = 1;
    EXPECT_EQ(S().m_iState, 1) << "the spear beyond the count was not fired";
    Keys()['Z'] = false;
}

// Several frames of flight: each update starts by taking the spear's position as the frame's start,
// whatever the field held before. A sheet behind the spear's first place is never found by the ray
// back, and a rock met later rolls the spear back to the start of that frame, not of the flight.
TEST_F(SpearTest, EveryFrameOfAFlightBeginsAtThePositionTheLastOneLeft) {
    AddRock(Square(D3DXVECTOR3(1000, 20, 990), D3DXVECTOR3(5, 0, 0), D3DXVECTOR3(0, 5, 0)));
    CSpear& s = Flying(D3DXVECTOR3(1000, 20, 1000), D3DXVECTOR3(0, 0, 60));
    s.m_vPrevPosition = D3DXVECTOR3(1000, 20, 980);  // beyond the sheet: stale, from some other flight
    App().m_fGameStep = 0.05f;
    for (int n = 0; n < 4; ++n) {
        const D3DXVECTOR3 vStart = s.m_Transform.m_vPosition;
        s.Update();
        EXPECT_EQ(s.m_vPrevPosition, vStart) << "frame " << n;
        EXPECT_GT(s.m_Transform.m_vPosition.z, vStart.z) << "frame " << n << ": flying on, nothing met";
        EXPECT_GT(s.m_vVelocity.z, 0.0f) << "frame " << n;
    }
    // A sheet across the stick's reach: the next frame touches it.
    const D3DXVECTOR3 vStart = s.m_Transform.m_vPosition;
    AddRock(Square(vStart + D3DXVECTOR3(0, 0, 2), D3DXVECTOR3(5, 0, 0), D3DXVECTOR3(0, 5, 0)));
    s.Update();
    EXPECT_EQ(s.m_Transform.m_vPosition, vStart) << "rolled back to where this frame began";
    EXPECT_LT(s.m_vVelocity.z, 0.0f) << "bounced";
}

// The floor test takes the stick's box corners turned with the spear: a spear 1.5 above the floor
// pointing straight down reaches through it, one lying level does not.
TEST_F(SpearTest, TheFloorTestTurnsTheCornersWithTheSpear) {
    const D3DXVECTOR3 vPos(1000, 1.5f, 1000), v(0, -0.2f, 0.1f);
    // The pitch that turns the stick's +z to -y.
    float fDown = 1.5707963f;
    D3DXVECTOR3 vTip, vAhead(0, 0, 3);
    const D3DXMATRIX matDown = scnRotationMatrix(D3DXVECTOR3(0, fDown, 0));
    D3DXVec3TransformCoord(&vTip, &vAhead, &matDown);
    if (vTip.y > 0) fDown = -fDown;
    struct Case {
        float fPitch;
        bool bBounces;
    };
    App().m_fGameStep = 0.001f;
    for (const Case& c : {Case{0, false}, Case{fDown, true}}) {
        CSpear& s = Flying(vPos, v);
        s.m_Transform.m_vRotation = D3DXVECTOR3(0, c.fPitch, 0);
        s.Update();
        EXPECT_EQ(s.m_vVelocity.y > 0, c.bBounces) << "pitch " << c.fPitch;
        EXPECT_EQ(s.m_Transform.m_vPosition == vPos, c.bBounces) << "pitch " << c.fPitch;
    }
}

}  // namespace
