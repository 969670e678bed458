// The diver's box against the rocks and the sea floor, and the bounce that follows a contact.
#include <cmath>

#include "game/diver.h"
#include "game/gameapp.h"
#include "game/terrain.h"

namespace {

// Box corners by name: a lower-case letter takes the minimum on its axis, an upper-case one the
// maximum.
D3DXVECTOR3 BoxCorner(const char* szCorner, const D3DXVECTOR3& vMin, const D3DXVECTOR3& vMax) {
    return D3DXVECTOR3(szCorner[0] == 'X' ? vMax.x : vMin.x, szCorner[1] == 'Y' ? vMax.y : vMin.y,
                       szCorner[2] == 'Z' ? vMax.z : vMin.z);
}

// The six triangles through the minimum corner, then the six through the maximum corner, two per
// face, each face split along its diagonal through that corner.
constexpr const char* kBoxTriangles[12][3] = {
    {"Xyz", "xyz", "XyZ"}, {"Xyz", "xyz", "XYz"}, {"xYz", "xyz", "XYz"}, {"xYz", "xyz", "xYZ"},
    {"xyZ", "xyz", "XyZ"}, {"xyZ", "xyz", "xYZ"}, {"xYZ", "XYZ", "xYz"}, {"xYZ", "XYZ", "xyZ"},
    {"XyZ", "XYZ", "xyZ"}, {"XyZ", "XYZ", "Xyz"}, {"XYz", "XYZ", "xYz"}, {"XYz", "XYZ", "Xyz"},
};
constexpr const char* kBoxCorners[8] = {"XYZ", "xYZ", "XyZ", "XYz", "xyz", "Xyz", "xYz", "xyZ"};

// The look direction mirrored in the plane through T0 with unit normal n, seen from the contact
// point P. A plane with no normal sends the diver straight back the way he looks.
D3DXVECTOR3 MirroredLookDir(const D3DXVECTOR3& vLookDir, const D3DXVECTOR3& vP, const D3DXVECTOR3& vT0,
                            const D3DXVECTOR3& vNormal) {
    if (D3DXVec3LengthSq(&vNormal) == 0.0f) return -vLookDir;
    const D3DXVECTOR3 vQ = vP - vLookDir;
    const D3DXVECTOR3 vToPlane = vT0 - vQ;
    const D3DXVECTOR3 vMirror = vQ + vNormal * (2.0f * D3DXVec3Dot(&vToPlane, &vNormal));
    D3DXVECTOR3 d = vP - vMirror;
    D3DXVec3Normalize(&d, &d);
    return d;
}

D3DXVECTOR3 Normalized(const D3DXVECTOR3& v) {
    D3DXVECTOR3 n;
    D3DXVec3Normalize(&n, &v);
    return n;
}

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

    const auto* pV = reinterpret_cast<const SceneVertex*>(pVertices);
    D3DXVECTOR3 vMin(pV[0].x, pV[0].y, pV[0].z), vMax = vMin;
    for (DWORD i = 1; i < m_dwNumVertices; ++i) {
        const D3DXVECTOR3 v(pV[i].x, pV[i].y, pV[i].z);
        D3DXVec3Minimize(&vMin, &vMin, &v);
        D3DXVec3Maximize(&vMax, &vMax, &v);
    }
    for (const auto& tri : kBoxTriangles) {
        const D3DXVECTOR3 a = BoxCorner(tri[0], vMin, vMax), b = BoxCorner(tri[1], vMin, vMax),
                          c = BoxCorner(tri[2], vMin, vMax);
        m_pCollisionModel->addTriangle(&a.x, &b.x, &c.x);
    }
    m_pCollisionModel->finalize();
    m_pVB[0]->Unlock();

    for (int k = 0; k < 8; ++k) m_vCorner[k] = BoxCorner(kBoxCorners[k], vMin, vMax);
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
    const D3DXVECTOR3 vT0(&afRock[0]), vT1(&afRock[3]), vT2(&afRock[6]);
    D3DXVECTOR3 vNormal;
    const D3DXVECTOR3 vE0 = vT0 - vT1, vE1 = vT1 - vT2;
    D3DXVec3Cross(&vNormal, &vE0, &vE1);
    vNormal = Normalized(vNormal);
    D3DXVECTOR3 vP;
    m_pCollisionModel->getCollisionPoint(&vP.x, false);
    const D3DXVECTOR3 d = MirroredLookDir(m_vLookDir, vP, vT0, vNormal);

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
    D3DXVECTOR3 vP;
    const D3DXVECTOR3* pT = g_pApp->m_pTerrain->GetLastSurfaceHit(&vP);
    D3DXPLANE plane;
    D3DXPlaneFromPoints(&plane, &pT[0], &pT[1], &pT[2]);
    const D3DXVECTOR3 vNormal = Normalized(D3DXVECTOR3(plane.a, plane.b, plane.c));
    const D3DXVECTOR3 d = MirroredLookDir(m_vLookDir, vP, pT[0], vNormal);

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
