// The level's diver on the record backend, replaced by a fresh diver with no device data that a
// test places, steps and keys by hand.
#pragma once

#include <array>
#include <cstring>
#include <memory>
#include <vector>

#include "game_fixture.h"

namespace gametest {

using Triangle = std::array<D3DXVECTOR3, 3>;

inline D3DXVECTOR3 Unit(const D3DXVECTOR3& v) {
    D3DXVECTOR3 n;
    D3DXVec3Normalize(&n, &v);
    return n;
}

// v mirrored in a plane with unit normal n.
inline D3DXVECTOR3 Mirror(const D3DXVECTOR3& v, const D3DXVECTOR3& n) { return v - n * (2.0f * D3DXVec3Dot(&v, &n)); }

// A square centred at c spanned by the half sides u and v, as two triangles.
inline std::vector<Triangle> Square(const D3DXVECTOR3& c, const D3DXVECTOR3& u, const D3DXVECTOR3& v) {
    return {Triangle{c - u - v, c + u - v, c + u + v}, Triangle{c - u - v, c + u + v, c - u + v}};
}

// A collision model of world-space triangles, for an object whose world matrix is the identity.
inline CollisionModel3D* TriangleModel(const std::vector<Triangle>& tris) {
    CollisionModel3D* pModel = newCollisionModel3D(false);
    for (const Triangle& t : tris) pModel->addTriangle(&t[0].x, &t[1].x, &t[2].x);
    pModel->finalize();
    return pModel;
}

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
    // A rock made of world-space triangles, appended to the level's rock list.
    CSceneObject* AddRock(const std::vector<Triangle>& tris) {
        rocks_.push_back(std::make_unique<CSceneObject>());
        CSceneObject* pRock = rocks_.back().get();
        pRock->m_pCollisionModel = TriangleModel(tris);
        rockList_.push_back(pRock);
        App().m_ppRocks = rockList_.data();
        App().m_nRocks = static_cast<int>(rockList_.size());
        return pRock;
    }
    bool* Keys() { return App().m_Input.m_bKeys; }

    std::unique_ptr<CDiver> diver_;  // a diver with no device data, in the level's place
    CDiver* levelDiver_ = nullptr;
    CSceneObject** savedRocks_ = nullptr;
    int savedRockCount_ = 0;
    std::vector<std::unique_ptr<CSceneObject>> rocks_;
    std::vector<CSceneObject*> rockList_;
};

}  // namespace gametest
