// The diver's box against the rocks and the sea floor, and the bounce that follows a contact.
#include <cmath>

#include "game/contact.h"
#include "game/diver.h"
#include "game/gameapp.h"
#include "game/terrain.h"

namespace {

// The six triangles through the minimum corner, then the six through the maximum corner, two per
// face, each face split along its diagonal through that corner (corners named as colBoxCorner takes
// them).
constexpr const char* kBoxTriangles[12][3] = {
    {"Xyz", "xyz", "XyZ"}, {"Xyz", "xyz", "XYz"}, {"xYz", "xyz", "XYz"}, {"xYz", "xyz", "xYZ"},
    {"xyZ", "xyz", "XyZ"}, {"xyZ", "xyz", "xYZ"}, {"xYZ", "XYZ", "xYz"}, {"xYZ", "XYZ", "xyZ"},
    {"XyZ", "XYZ", "xyZ"}, {"XyZ", "XYZ", "Xyz"}, {"XYz", "XYZ", "xYz"}, {"XYz", "XYZ", "Xyz"},
};

}  // namespace

int CDiver::BuildCollisionModel() {
    // A mesh with no vertices has no box.
    if (!m_pVB[0] || m_dwNumVertices == 0) return E_FAIL;
    BYTE* pVertices = nullptr;
    if (FAILED(m_pVB[0]->Lock(0, m_dwNumVertices * kSceneVertexSize, &pVertices, 0))) return E_FAIL;
    // A device re-creation loads again: the previous model goes.
    delete m_pCollisionModel;
    m_pCollisionModel = newCollisionModel3D(false);
    m_pCollisionModel->setTriangleNumber(12);

    D3DXVECTOR3 vMin, vMax;
    colVertexBounds(reinterpret_cast<const SceneVertex*>(pVertices), m_dwNumVertices, &vMin, &vMax);
    for (const auto& tri : kBoxTriangles) {
        const D3DXVECTOR3 a = colBoxCorner(tri[0], vMin, vMax), b = colBoxCorner(tri[1], vMin, vMax),
                          c = colBoxCorner(tri[2], vMin, vMax);
        m_pCollisionModel->addTriangle(&a.x, &b.x, &c.x);
    }
    m_pCollisionModel->finalize();
    m_pVB[0]->Unlock();

    colBoxCorners(vMin, vMax, m_vCorner);
    return 0;
}

int CDiver::CheckCollisions() {
    CGameApp& app = *g_pApp;
    const D3DXMATRIX& matWorld = m_Transform.m_matWorld;
    // A diver whose load failed has no box to test against the rocks; his corners still meet the floor.
    if (m_pCollisionModel) {
        m_pCollisionModel->setTransform(&matWorld._11);
        for (int i = 0; app.m_ppRocks && i < app.m_nRocks; ++i) {
            CSceneObject* pRock = app.m_ppRocks[i];
            if (!pRock || !pRock->m_pCollisionModel) continue;
            pRock->m_pCollisionModel->setTransform(&pRock->m_Transform.m_matWorld._11);
            if (m_pCollisionModel->collision(pRock->m_pCollisionModel, -1, 0, nullptr)) {
                BounceOffModel();
                m_cContact = 1;
                return 1;
            }
        }
    }
    if (app.m_pTerrain) {
        for (const D3DXVECTOR3& vCorner : m_vCorner) {
            D3DXVECTOR3 vWorld;
            D3DXVec3TransformCoord(&vWorld, &vCorner, &matWorld);
            if (app.m_pTerrain->IsBelowSurface(vWorld) == 1) {
                BounceOffTerrain();
                m_cContact = 2;
                return 1;
            }
        }
    }
    m_cContact = 0;
    return 0;
}

int CDiver::BounceOffModel() {
    float afDiver[9], afRock[9];
    m_pCollisionModel->getCollidingTriangles(afDiver, afRock, false);
    D3DXVECTOR3 vP;
    m_pCollisionModel->getCollisionPoint(&vP.x, false);
    const D3DXVECTOR3 d = colMirroredOffTriangle(m_vLookDir, vP, afRock);

    D3DXVECTOR3& vRemembered = g_DiverState.s_vRockBounceVelocity;
    if (m_byCollisionFrames == 0) {
        vRemembered = m_vVelocity;
        m_vVelocity = d * D3DXVec3Length(&m_vVelocity);
        m_vAngularVelocity = D3DXVECTOR3(0, 0, 0);
    } else {
        m_vAngularVelocity = D3DXVECTOR3(0, 0, 0);
        m_vVelocity = -vRemembered;
    }
    return 0;
}

int CDiver::BounceOffTerrain() {
    const D3DXVECTOR3 d = colMirroredOffFloor(m_vLookDir);

    D3DXVECTOR3& vRemembered = g_DiverState.s_vFloorBounceVelocity;
    if (m_byCollisionFrames == 0) {
        vRemembered = m_vVelocity;
        m_vVelocity = d * D3DXVec3Length(&m_vVelocity);
    } else if (m_byCollisionFrames == 1) {
        m_vVelocity = -vRemembered;
        m_vAngularVelocity = D3DXVECTOR3(0, 0, 0);
    }
    return 0;
}
