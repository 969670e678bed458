#include "game/spear.h"

#include <cmath>

#include "game/contact.h"
#include "game/diver.h"
#include "game/gameapp.h"
#include "game/terrain.h"

namespace {

constexpr float kDrag = 0.2f;
// How far back along its own z axis a stuck spear sits from the fish's position.
constexpr float kStuckOffset = -1.5f;
// A ray contact may lie this far beyond the frame's start position.
constexpr float kRayMargin = 0.05f;

bool Finite(const D3DXMATRIX& m) {
    for (int i = 0; i < 16; ++i)
        if (!std::isfinite(m.m[i / 4][i % 4])) return false;
    return true;
}

D3DXMATRIX Translation(const D3DXVECTOR3& v) {
    D3DXMATRIX m;
    D3DXMatrixTranslation(&m, v.x, v.y, v.z);
    return m;
}

}  // namespace

int spearSubSteps(float fStep, float* pfRemainder) {
    if (!(fStep <= kSpearMaxStep)) fStep = kSpearMaxStep;
    int n = 0;
    float t = kSpearSubStep;
    while (t < fStep) {
        ++n;
        t += kSpearSubStep;
    }
    *pfRemainder = fStep - (t - kSpearSubStep);
    return n;
}

CSpear::CSpear() : m_vPrevPosition(0, 0, 0), m_iState(kSpearInGun), m_vCorner{} {
    m_vAcceleration = D3DXVECTOR3(0, -0.6f, 0);
    D3DXMatrixIdentity(&m_matFishHeading);
}

int CSpear::Load(const char*) {
    const int hr = LoadMeshes(1, true);
    if (hr != 0) return hr;
    BuildCollisionModel();
    return 0;
}

int CSpear::BuildCollisionModel() { return CSceneObject::BuildCollisionModel(m_vCorner); }

void CSpear::Drift(float dt) {
    const D3DXVECTOR3 a = -m_vVelocity * D3DXVec3Length(&m_vVelocity) * kDrag + m_vAcceleration;
    m_vVelocity += a * dt;
    m_Transform.m_vPosition += m_vVelocity * dt;
}

int CSpear::Update() {
    CGameApp& app = *g_pApp;
    const CDiver* pDiver = app.Diver();
    CTransform& tr = m_Transform;
    m_vPrevPosition = tr.m_vPosition;
    if (!pDiver) return 0;

    if (m_iState == kSpearInGun) {
        tr.m_matWorld = pDiver->m_Transform.m_matWorld;
        return 0;
    }
    if (m_iState == kSpearStuck) {
        const int iFish = pDiver->m_iLastFishHit;
        if (!app.m_ppFish || iFish < 0 || iFish >= app.m_nFish || !app.m_ppFish[iFish]) return 0;
        const CSceneObject& fish = *app.m_ppFish[iFish];
        tr.m_vPosition = fish.m_Transform.m_vPosition;
        const D3DXVECTOR3& vHeading = fish.m_vVelocity;
        if (vHeading.x * vHeading.x + vHeading.z * vHeading.z > 0.0f) {
            const D3DXVECTOR3 vEye(0, 0, 0), vUp(0, 1, 0);
            D3DXMATRIX matLook, matInverse;
            D3DXMatrixLookAtRH(&matLook, &vEye, &vHeading, &vUp);
            if (D3DXMatrixInverse(&matInverse, nullptr, &matLook) && Finite(matInverse)) m_matFishHeading = matInverse;
        }
        D3DXMATRIX matOffset, m;
        D3DXMatrixTranslation(&matOffset, 0, 0, kStuckOffset);
        const D3DXMATRIX matRotation = scnRotationMatrix(tr.m_vRotation);
        const D3DXMATRIX matPosition = Translation(tr.m_vPosition);
        D3DXMatrixMultiply(&m, &matOffset, &m_matFishHeading);
        D3DXMatrixMultiply(&m, &m, &matRotation);
        D3DXMatrixMultiply(&tr.m_matWorld, &m, &matPosition);
        return 0;
    }

    float fRemainder = 0;
    const int nSubSteps = spearSubSteps(app.m_fGameStep, &fRemainder);
    for (int i = 0; i < nSubSteps; ++i) Drift(kSpearSubStep);
    Drift(fRemainder);
    const D3DXMATRIX matRotation = scnRotationMatrix(tr.m_vRotation);
    const D3DXMATRIX matPosition = Translation(tr.m_vPosition);
    D3DXMatrixMultiply(&tr.m_matWorld, &matRotation, &matPosition);
    // The bounce leaves this frame's matrix at the moved position; the next frame rebuilds it.
    if (CheckCollisions() != 0) tr.m_vPosition = m_vPrevPosition;
    if (pDiver->m_Transform.m_vPosition.y >= kSeaLevel && app.m_nSpears > 0 && app.m_ppSpears[0])
        app.m_ppSpears[0]->m_iState = kSpearInGun;
    return 0;
}

int CSpear::CheckCollisions() {
    CGameApp& app = *g_pApp;
    const D3DXVECTOR3& vPos = m_Transform.m_vPosition;
    // A spear whose load failed has no model: only the rays can find its contacts.
    if (m_pCollisionModel) m_pCollisionModel->setTransform(&m_Transform.m_matWorld._11);
    const D3DXVECTOR3 vBack = m_vPrevPosition - vPos;
    const float fRayEnd = D3DXVec3Length(&vBack) + kRayMargin;
    // The model test, then the ray from here back to where the frame began.
    auto touch = [&](CSceneObject* pObject) {
        if (!pObject || !pObject->m_pCollisionModel) return 0;
        CollisionModel3D* pModel = pObject->m_pCollisionModel;
        pModel->setTransform(&pObject->m_Transform.m_matWorld._11);
        if (m_pCollisionModel && m_pCollisionModel->collision(pModel, -1, 0, nullptr)) {
            BounceOffModel();
            return 1;
        }
        if (pModel->rayCollision(&vPos.x, &vBack.x, false, 0.0f, fRayEnd)) {
            BounceOffModel(pModel);
            return 2;
        }
        return 0;
    };
    for (int i = 0; app.m_ppRocks && i < app.m_nRocks; ++i)
        if (const int nContact = touch(app.m_ppRocks[i])) return nContact;
    for (int i = 0; app.m_ppFish && i < app.m_nFish; ++i) {
        if (const int nContact = touch(app.m_ppFish[i])) {
            if (CDiver* pDiver = app.Diver()) {
                pDiver->m_iFishCaught += 1;
                pDiver->m_iLastFishHit = i;
            }
            m_iState = kSpearStuck;
            return nContact;
        }
    }
    if (app.m_pTerrain) {
        for (const D3DXVECTOR3& vCorner : m_vCorner) {
            D3DXVECTOR3 vWorld;
            D3DXVec3TransformCoord(&vWorld, &vCorner, &m_Transform.m_matWorld);
            if (app.m_pTerrain->IsBelowSurface(vWorld) == 1) {
                BounceOffTerrain();
                return 1;
            }
        }
    }
    return 0;
}

int CSpear::BounceOffModel(CollisionModel3D* pRayModel) {
    float afOwn[9], afOther[9];
    D3DXVECTOR3 vP;
    CollisionModel3D* pContact = pRayModel ? pRayModel : m_pCollisionModel;
    pContact->getCollidingTriangles(afOwn, afOther, false);
    pContact->getCollisionPoint(&vP.x, false);
    // A ray's contact is recorded on the model it was cast at: the triangle hit is that model's own.
    const float* pTriangle = pRayModel ? afOwn : afOther;
    m_vVelocity = colMirroredOffTriangle(m_vVelocity, vP, pTriangle) * D3DXVec3Length(&m_vVelocity);
    return 0;
}

int CSpear::BounceOffTerrain() {
    m_vVelocity = colMirroredOffFloor(m_vVelocity) * D3DXVec3Length(&m_vVelocity);
    return 0;
}
