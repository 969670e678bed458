// The level's diver on the record backend, replaced by a fresh diver with no device data that a
// test places, steps and keys by hand.
#pragma once

#include <cstring>
#include <memory>

#include "game_fixture.h"

namespace gametest {

class DiverTest : public GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        divResetProgramState();
        WriteLevel("nivel1", SmallLevel("nivel2"));
        StartDevice();
        CGameApp& app = App();
        ASSERT_NE(app.Diver(), nullptr);
        ASSERT_GT(app.m_nSpears, 0);
        app.m_bSurfaceMode = 0;
        app.m_bBuoyancyOff = 0;
        app.m_fBallast = 0;
        app.m_fCurrentX = app.m_fCurrentZ = 0;
        app.m_fMaxAir = 200.0f;
        app.m_fGameStep = 1.0f;
        levelDiver_ = app.m_ppDivers[0];
        savedRocks_ = app.m_ppRocks;
        savedRockCount_ = app.m_nRocks;
        app.m_ppRocks = nullptr;
        app.m_nRocks = 0;
        Fresh();
    }
    void TearDown() override {
        if (app_) {
            app_->m_ppRocks = savedRocks_;
            app_->m_nRocks = savedRockCount_;
            app_->m_ppDivers[0] = levelDiver_;
        }
        GameTest::TearDown();
    }
    // The level's diver as a level start leaves it, under water at a given place, with no keys down.
    CDiver& Fresh(D3DXVECTOR3 vPos = D3DXVECTOR3(1000, 20, 1000)) {
        diver_ = std::make_unique<CDiver>();
        App().m_ppDivers[0] = diver_.get();
        CDiver& d = *diver_;
        d.m_Transform.m_vPosition = vPos;
        D3DXMatrixTranslation(&d.m_Transform.m_matWorld, vPos.x, vPos.y, vPos.z);
        std::memset(App().m_Input.m_bKeys, 0, sizeof App().m_Input.m_bKeys);
        App().m_Input.m_vMouseDelta = App().m_Input.m_vMouseDeltaRight = D3DXVECTOR3(0, 0, 0);
        for (int i = 0; i < App().m_nSpears; ++i) App().m_ppSpears[i]->m_iState = 1;
        return d;
    }
    CDiver& D() { return *App().Diver(); }
    bool* Keys() { return App().m_Input.m_bKeys; }

    std::unique_ptr<CDiver> diver_;  // a diver with no device data, in the level's place
    CDiver* levelDiver_ = nullptr;
    CSceneObject** savedRocks_ = nullptr;
    int savedRockCount_ = 0;
};

}  // namespace gametest
