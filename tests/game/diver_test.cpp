// The diver's controls, motion and body steps, driven frame by frame with injected steps and keys.
#include <cmath>

#include "diver_fixture.h"
#include "game/vsconsts.h"

namespace {

using gametest::DiverTest;

TEST_F(DiverTest, StartPoseHoldsTheBodyWhileTheHeadLooks) {
    CDiver& d = D();
    EXPECT_NEAR(d.m_vLookDir.y, -0.5646f, 1e-4f);
    EXPECT_NEAR(d.m_vLookDir.z, 0.8253f, 1e-4f);
    App().m_bBuoyancyOff = 1;
    Keys()[VK_UP] = true;
    Keys()[kKeyRightButton] = true;
    for (int i = 0; i < 7; ++i) {
        App().m_Input.m_vMouseDeltaRight = D3DXVECTOR3(0.1f, 0, 0);
        d.Update();
        EXPECT_EQ(d.m_Transform.m_vRotation, D3DXVECTOR3(0, -0.6f, 0)) << "frame " << i;
        EXPECT_EQ(d.m_cTurning, 1);
    }
    EXPECT_GT(g_DiverState.s_vHeadLook.x, 0.3f);
    // From 8 units on the arrow key turns the body: rates 0.03, then 0.9 x 0.03 + 0.03, times 0.5.
    d.Update();
    d.Update();
    EXPECT_EQ(d.m_fStartTimer, 0.0f);
    EXPECT_NEAR(d.m_Transform.m_vRotation.y, -0.6f + 0.015f + 0.0285f, 1e-6f);

    // Released, the head look settles once the mouse stops.
    Keys()[kKeyRightButton] = false;
    Keys()[VK_UP] = false;
    App().m_Input.m_vMouseDeltaRight = D3DXVECTOR3(0, 0, 0);
    for (int i = 0; i < 200; ++i) d.Update();
    EXPECT_NEAR(g_DiverState.s_vHeadLook.x, 0.0f, 1e-4f);
    EXPECT_EQ(d.m_cTurning, 0);
}

TEST_F(DiverTest, ThrustIsDampedAndTheSeaLevelHolds) {
    App().m_bBuoyancyOff = 1;
    CDiver& d = Fresh(D3DXVECTOR3(1000, 44.9f, 1000));
    d.m_fStartTimer = 0;
    d.m_Transform.m_vRotation = D3DXVECTOR3(0, 0, 0);
    d.m_vVelocity = D3DXVECTOR3(0, 1, 2);
    d.Update();
    // v = 0.9 v, no strokes; the rise stops at 45.
    EXPECT_NEAR(d.m_vVelocity.y, 0.9f, 1e-6f);
    EXPECT_NEAR(d.m_vVelocity.z, 1.8f, 1e-6f);
    EXPECT_EQ(d.m_Transform.m_vPosition.y, 45.0f);
    EXPECT_NEAR(d.m_Transform.m_vPosition.z, 1001.8f, 1e-3f);
    EXPECT_EQ(d.m_Transform.m_matWorld._42, 45.0f);

    // Holding a rock stops the motion, yet the body still turns.
    d.m_cHold = 2;
    Keys()['Q'] = true;
    D3DXVECTOR3 vRock[3] = {{-50, -50, 0}, {50, -50, 0}, {0, 50, 0}};
    std::unique_ptr<CSceneObject> pRock(new CSceneObject);
    pRock->m_pCollisionModel = newCollisionModel3D(false);
    pRock->m_pCollisionModel->addTriangle(&vRock[0].x, &vRock[1].x, &vRock[2].x);
    pRock->m_pCollisionModel->finalize();
    D3DXMatrixTranslation(&pRock->m_Transform.m_matWorld, 1000, 40, 1005);
    CSceneObject* apRocks[1] = {pRock.get()};
    App().m_ppRocks = apRocks;
    App().m_nRocks = 1;
    const D3DXVECTOR3 vHere = d.m_Transform.m_vPosition;
    App().m_Input.m_vMouseDelta = D3DXVECTOR3(0.2f, 0, 0);
    d.Update();
    EXPECT_EQ(d.m_vVelocity, D3DXVECTOR3(0, 0, 0));
    EXPECT_EQ(d.m_Transform.m_vPosition, vHere);
    EXPECT_GT(d.m_Transform.m_vRotation.x, 0.0f);
    App().m_ppRocks = nullptr;
    App().m_nRocks = 0;
}

TEST_F(DiverTest, SeatInTheBoatAtTheSurface) {
    CGameApp& app = App();
    app.m_bSurfaceMode = 1;
    app.m_Boat.m_Transform.m_vRotation = D3DXVECTOR3(0.5f, 0, 0);
    D3DXMATRIX matYaw, matMove;
    D3DXMatrixRotationY(&matYaw, -0.5f);
    D3DXMatrixTranslation(&matMove, 300, 45, 400);
    D3DXMatrixMultiply(&app.m_Boat.m_Transform.m_matWorld, &matYaw, &matMove);
    CDiver& d = Fresh(D3DXVECTOR3(300, 45, 400));
    d.m_fStartTimer = 0;
    d.m_vVelocity = D3DXVECTOR3(5, 5, 5);
    d.Update();
    D3DXVECTOR3 vSeat(0, 0, -12), vExpect;
    D3DXVec3TransformCoord(&vExpect, &vSeat, &app.m_Boat.m_Transform.m_matWorld);
    EXPECT_NEAR(d.m_Transform.m_vPosition.x, vExpect.x, 1e-4f);
    EXPECT_NEAR(d.m_Transform.m_vPosition.z, vExpect.z, 1e-4f);
    EXPECT_EQ(d.m_Transform.m_vPosition.y, 50.0f);
    EXPECT_EQ(d.m_Transform.m_vRotation.x, 0.5f);
}

TEST_F(DiverTest, FiringOncePerPressAndReloadingAtTheSurface) {
    struct Frame {
        bool bZ, bLeft;
        bool bFires;
    };
    // The first frame of a level never fires with a key already down.
    const Frame frames[] = {{true, false, false},  {false, false, false}, {true, false, true},
                            {true, false, false},  {true, true, false},   {false, true, false},
                            {false, false, false}, {false, true, true},   {true, true, false}};
    CDiver& d = D();
    CSpear& spear = *App().m_ppSpears[0];
    for (size_t i = 0; i < std::size(frames); ++i) {
        spear.m_iState = 1;
        Keys()['Z'] = frames[i].bZ;
        Keys()[kKeyLeftButton] = frames[i].bLeft;
        d.Update();
        EXPECT_EQ(spear.m_iState, frames[i].bFires ? 2 : 1) << "frame " << i;
        if (frames[i].bFires) {
            EXPECT_EQ(spear.m_Transform.m_vPosition, d.m_Transform.m_vPosition);
            EXPECT_NEAR(D3DXVec3Length(&spear.m_vVelocity), 150.0f, 1e-3f);
        }
    }
    // 'X' brings it back only at the sea level.
    Keys()['Z'] = Keys()[kKeyLeftButton] = false;
    Keys()['X'] = true;
    App().m_bBuoyancyOff = 1;
    for (const float fY : {44.99f, 45.0f}) {
        CDiver& dAt = Fresh(D3DXVECTOR3(1000, fY, 1000));
        spear.m_iState = 3;
        Keys()['X'] = true;
        dAt.Update();
        EXPECT_EQ(spear.m_iState, fY >= 45.0f ? 1 : 3) << fY;
    }
}

TEST_F(DiverTest, TheSpearFliesWhereHeadAndBodyLookTogether) {
    // Head turned in yaw, body pitched: the shot follows the head inside the body's frame, and only the
    // frame that fires looks along it.
    CDiver& d = Fresh();
    d.m_fStartTimer = 0;
    d.m_Transform.m_vRotation = D3DXVECTOR3(0, 0.7f, 0);
    g_DiverState.s_vHeadLook = D3DXVECTOR3(0.9f, 0, 0);
    Keys()[kKeyRightButton] = true;  // the head holds its turn
    d.Update();
    const D3DXVECTOR3 vBody = d.m_vLookDir;
    Keys()['Z'] = true;
    d.Update();
    const CSpear& spear = *App().m_ppSpears[0];
    ASSERT_EQ(spear.m_iState, 2);
    // The head's yaw turns (0, 0, 1) first, then the body's pitch (rotations applied negated).
    D3DXMATRIX matHead, matBody, matHeadBody;
    D3DXMatrixRotationY(&matHead, -0.9f);
    D3DXMatrixRotationX(&matBody, -0.7f);
    D3DXMatrixMultiply(&matHeadBody, &matHead, &matBody);
    const D3DXVECTOR3 vWorldForward(matHeadBody._31, matHeadBody._32, matHeadBody._33);
    const D3DXMATRIX& w = d.m_Transform.m_matWorld;
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(w.m[2][k], vWorldForward[k], 1e-5f) << "the world matrix, component " << k;
    D3DXVECTOR3 vShot;
    D3DXVec3Normalize(&vShot, &spear.m_vVelocity);
    EXPECT_NEAR(D3DXVec3Length(&spear.m_vVelocity), 150.0f, 1e-3f);
    for (int k = 0; k < 3; ++k) {
        EXPECT_NEAR(vShot[k], vWorldForward[k], 1e-5f) << "component " << k;
        EXPECT_NEAR(d.m_vLookDir[k], vWorldForward[k], 1e-5f) << "component " << k;
    }
    const D3DXVECTOR3 vTurn = vShot - vBody;
    EXPECT_GT(D3DXVec3Length(&vTurn), 0.5f) << "the head's turn counts";
    EXPECT_EQ(spear.m_Transform.m_vRotation, d.m_Transform.m_vRotation + g_DiverState.s_vHeadLook);
    // The next frame looks along the body alone again.
    Keys()['Z'] = false;
    d.Update();
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(d.m_vLookDir[k], vBody[k], 1e-5f) << "component " << k;
}

TEST_F(DiverTest, AirUseAndBreathing) {
    struct Case {
        const char* szWhat;
        float fY, fAir, fEffort;
        int iState;
        float fAfter;  // after one real second (a step of 5)
    };
    const Case cases[] = {
        {"rest under water", 20, 100, 0, 0, 99},
        {"full effort under water", 20, 100, 1, 0, 84},
        {"surface, below 50", 43.5f, 40, 0, 0, 49},
        {"surface, below 100", 44, 80, 0, 0, 86},
        {"surface, below 120", 44, 110, 0, 0, 112},
        {"surface, above 120", 44, 130, 0, 0, 131},
        {"surface, the cap", 44, 199.5f, 0, 0, 200},
        {"surface while drowning", 44, 40, 0, 1, 39},
        {"just below the breathing line", 43.49f, 40, 0, 0, 39},
    };
    App().m_fGameStep = 5.0f;
    for (const Case& c : cases) {
        CDiver& d = Fresh(D3DXVECTOR3(1000, c.fY, 1000));
        d.m_fAir = c.fAir;
        d.m_fEffort = c.fEffort;
        d.m_iState = c.iState;
        d.UpdateAir();
        EXPECT_NEAR(d.m_fAir, c.fAfter, 1e-4f) << c.szWhat;
        EXPECT_EQ(d.m_iState, c.iState) << c.szWhat;
    }
}

TEST_F(DiverTest, DrowningFadesToRedThenRestarts) {
    struct Case {
        float fFogStart, fFogEnd;
        float fT;  // fade progress
        int anColor[3];
        float fFogEndAfter;
        int iState;
    };
    const Case cases[] = {
        {20, 150, 0.0f, {10, 40, 70}, 150, 1},    {20, 150, 0.5f, {45, 20, 35}, 85, 1},
        {20, 150, 1.0f, {80, 0, 0}, 20, 1},  // the fog span reaches zero
        {5, 100, 0.75f, {62, 10, 17}, 28.75f, 1}, {5, 100, 0.96f, {77, 1, 2}, 15, 1},
        {5, 100, 1.0f, {80, 0, 0}, 15, 1},  // below 10 the fog end jumps to 15
        {20, 150, 1.01f, {10, 40, 70}, 150, 2},
    };
    CGameApp& app = App();
    app.m_fGameStep = 1.0f;
    for (const Case& c : cases) {
        divResetProgramState();
        CDiver& d = Fresh();
        app.m_anWaterColor[0] = 10;
        app.m_anWaterColor[1] = 40;
        app.m_anWaterColor[2] = 70;
        app.m_fFogStart = c.fFogStart;
        app.m_fFogEnd = c.fFogEnd;
        app.m_fAppTime = 100.0f;
        d.m_fAir = 0.1f;
        d.UpdateAir();
        ASSERT_EQ(d.m_fAir, 0.0f);
        ASSERT_EQ(d.m_iState, 1);
        // The fade's own start values stay, whatever the first frame wrote.
        app.m_anWaterColor[0] = 10;
        app.m_anWaterColor[1] = 40;
        app.m_anWaterColor[2] = 70;
        app.m_fFogEnd = c.fFogEnd;
        app.m_fAppTime = 100.0f + 4.0f * c.fT;
        d.UpdateAir();
        EXPECT_EQ(d.m_iState, c.iState) << c.fT;
        EXPECT_EQ(app.m_anWaterColor[0], c.anColor[0]) << c.fT;
        EXPECT_EQ(app.m_anWaterColor[1], c.anColor[1]) << c.fT;
        EXPECT_EQ(app.m_anWaterColor[2], c.anColor[2]) << c.fT;
        EXPECT_NEAR(app.m_fFogEnd, c.fFogEndAfter, 1e-3f) << c.fT;
        if (c.iState == 1) {
            D3DXVECTOR4 vFog;
            app.m_pDevice->GetVertexShaderConstant(VSC_FOG, &vFog, 1);
            EXPECT_EQ(vFog.y, app.m_fFogEnd);
            EXPECT_TRUE(std::isfinite(vFog.z)) << c.fT;
            EXPECT_GT(vFog.z, 0.0f);
        }
    }
    // A new diver with air clears the fade for the next drowning.
    CDiver& d = Fresh();
    d.m_fAir = 50;
    d.UpdateAir();
    EXPECT_FALSE(g_DiverState.s_bDrowning);
    EXPECT_EQ(d.m_iState, 0);
}

TEST_F(DiverTest, BuoyancyByDepth) {
    struct Case {
        float fY, fBallast, fCurrentX, fCurrentZ;
        signed char bOff;
        D3DXVECTOR3 vExpect;
    };
    const Case cases[] = {
        {0, 0, 0, 0, 0, {0, 0.005f, 0}},         {6, 0, 0, 0, 0, {0, 0.01499f, 0}},
        {15, 0, 0, 0, 0, {0, 0.024983f, 0}},     {27, 0, 0, 0, 0, {0, 0.044955f, 0}},
        {36, 0, 0, 0, 0, {0, 0.063924f, 0}},     {42, 0, 0, 0, 0, {0, 0.099748f, 0}},
        {44.9f, 0, 0, 0, 0, {0, 0.119034f, 0}},  {45, 0, 0, 0, 0, {0, 0, 0}},
        {-3, 0, 0, 0, 0, {0, 0.0000050f, 0}},    {20, 2, 0.3f, -0.2f, 0, {0.3f, 0.0333f - 0.024f, -0.2f}},
        {45, 1, 0.1f, 0, 0, {0.1f, -0.012f, 0}}, {20, 2, 0.3f, -0.2f, 1, {0, 0, 0}},
    };
    CGameApp& app = App();
    for (const Case& c : cases) {
        CDiver& d = Fresh(D3DXVECTOR3(1000, c.fY, 1000));
        app.m_fBallast = c.fBallast;
        app.m_fCurrentX = c.fCurrentX;
        app.m_fCurrentZ = c.fCurrentZ;
        app.m_bBuoyancyOff = c.bOff;
        d.UpdateBuoyancy();
        EXPECT_NEAR(d.m_vBuoyancy.x, c.vExpect.x, 1e-5f) << c.fY;
        EXPECT_NEAR(d.m_vBuoyancy.y, c.vExpect.y, 1e-5f) << c.fY;
        EXPECT_NEAR(d.m_vBuoyancy.z, c.vExpect.z, 1e-5f) << c.fY;
    }
}

TEST_F(DiverTest, FinStrokes) {
    struct Frame {
        bool bW, bS;
        float fEffort, fThrust;
        signed char cSide;
    };
    // Steps of 1: a tap, its slow fade, a full stroke that ends the effort with 'W' still down, the
    // fading forward thrust turned backward by 'S', backward at once minus the target, and 'S' released.
    const Frame frames[] = {
        {true, false, 0.25f, 0.0425f, -1},  {false, false, 0, 0.03825f, -1},  {true, false, 0.25f, 0.0425f, 1},
        {true, false, 0.5f, 0.085f, 1},     {true, false, 0.75f, 0.1275f, 1}, {true, false, 0, 0.11475f, 1},
        {true, false, 0.25f, 0.107525f, 1}, {false, false, 0, 0.0967725f, 1}, {false, true, 0.25f, -0.091345f, -1},
        {false, true, 0.5f, -0.085f, -1},   {false, false, 0, 0, -1},
    };
    CDiver& d = D();
    for (size_t i = 0; i < std::size(frames); ++i) {
        Keys()['W'] = frames[i].bW;
        Keys()['S'] = frames[i].bS;
        d.UpdateFinning();
        EXPECT_NEAR(d.m_fEffort, frames[i].fEffort, 1e-5f) << "frame " << i;
        EXPECT_NEAR(d.m_fspeed, frames[i].fThrust, 1e-5f) << "frame " << i;
        EXPECT_EQ(d.m_cLegSide, frames[i].cSide) << "frame " << i;
        EXPECT_LE(std::fabs(d.m_fLegAngle), 2.0f);
    }
    EXPECT_EQ(std::strncmp(g_szFinDebug, "m_fspeed:", 9), 0);

    // A long step leaves a resting leg no further out than it was.
    App().m_fGameStep = 20.0f;
    d.m_fLegAngle = 1.5f;
    Keys()['S'] = false;
    d.UpdateFinning();
    EXPECT_LE(std::fabs(d.m_fLegAngle), 1.5f);
}

TEST_F(DiverTest, CalmLevel) {
    struct Case {
        const char* szWhat;
        float fThrust, fEffort;
        signed char cContact, cHold, cTurning;
        bool bSpearOut;
        int nKey;
        float fCalm, fAfter;
    };
    const Case cases[] = {
        {"idle drops to 90", 0, 0, 0, 0, 0, false, 0, 95, 90},
        {"idle rises slowly", 0, 0, 0, 0, 0, false, 0, 50, 51.5f},
        {"holding still rises past 100", 0, 0, 0, 2, 0, false, 0, 99, 101.485f},
        {"spear out", 0, 0, 0, 0, 0, true, 0, 50, 0},
        {"turning the body", 0, 0, 0, 0, 1, false, 0, 50, 51},
        {"turning the head", 0, 0, 0, 0, 2, false, 0, 50, 51},
        {"swimming forward", 0.17f, 0, 0, 0, 0, false, 0, 95, 85},
        {"swimming backward is as loud", -0.17f, 0, 0, 0, 0, false, 0, 95, 85},
        {"pushing against a rock", 0.17f, 0, 1, 0, 0, false, 0, 95, 15},
        {"full effort", 0, 1, 0, 0, 0, false, 0, 95, 50},
        {"'R' lowers it", 0, 0, 0, 0, 0, false, 'R', 95, 89},
        {"'T' raises it", 0, 0, 0, 0, 0, false, 'T', 95, 91},
    };
    for (const Case& c : cases) {
        CDiver& d = Fresh();
        d.m_fspeed = c.fThrust;
        d.m_fEffort = c.fEffort;
        d.m_cContact = c.cContact;
        d.m_cHold = c.cHold;
        d.m_cTurning = c.cTurning;
        d.m_fCalm = c.fCalm;
        App().m_ppSpears[0]->m_iState = c.bSpearOut ? 2 : 1;
        if (c.nKey) Keys()[c.nKey] = true;
        d.UpdateCalm();
        EXPECT_NEAR(d.m_fCalm, c.fAfter, 1e-4f) << c.szWhat;
    }
}

TEST_F(DiverTest, HoldingARock) {
    D3DXVECTOR3 vTri[3] = {{-50, -50, 0}, {50, -50, 0}, {0, 50, 0}};
    std::unique_ptr<CSceneObject> pRock(new CSceneObject);
    pRock->m_pCollisionModel = newCollisionModel3D(false);
    pRock->m_pCollisionModel->addTriangle(&vTri[0].x, &vTri[1].x, &vTri[2].x);
    pRock->m_pCollisionModel->finalize();
    std::unique_ptr<CSceneObject> pNoModel(new CSceneObject);  // a rock whose load failed
    CSceneObject* apRocks[2] = {pNoModel.get(), pRock.get()};
    App().m_ppRocks = apRocks;
    App().m_nRocks = 2;
    for (const float fDist : {9.9f, 10.1f}) {
        CDiver& d = Fresh(D3DXVECTOR3(1000, 20, 1000));
        D3DXMatrixTranslation(&pRock->m_Transform.m_matWorld, 1000, 20, 1000 + fDist);
        g_szMessage[0] = '\0';
        App().m_Hud.m_fMessageTime = 0;
        Keys()['Q'] = true;
        d.UpdateHold();
        const bool bHeld = fDist < 10.0f;
        EXPECT_EQ(d.m_cHold, bHeld ? 2 : 0) << fDist;
        EXPECT_STREQ(g_szMessage, bHeld ? "\xA1\xA1 Estas agarrado a una roca !!" : "") << fDist;
        EXPECT_EQ(App().m_Hud.m_fMessageTime, bHeld ? 0.2f : 0.0f) << fDist;
        if (!bHeld) continue;
        // The hold lasts while 'Q' stays down, rock in reach or not.
        D3DXMatrixTranslation(&pRock->m_Transform.m_matWorld, 1000, 20, 2000);
        d.UpdateHold();
        EXPECT_EQ(d.m_cHold, 2);
        Keys()['Q'] = false;
        d.UpdateHold();
        EXPECT_EQ(d.m_cHold, 0);
    }
    App().m_ppRocks = nullptr;
    App().m_nRocks = 0;
}

}  // namespace
