// The fish's steering: waypoints, obstacles sensed by five feelers, the diver, the school, and the
// rules on the fish's own height.
#include <algorithm>
#include <cmath>

#include "fish/fish.h"
#include "fish/fishrandom.h"
#include "game/gameapp.h"

namespace {

constexpr float kFeelerReach = 20.0f;
constexpr float kSchoolRadiusSq = 40.0f;

D3DXVECTOR3 Normalized(const D3DXVECTOR3& v) {
    D3DXVECTOR3 out;
    D3DXVec3Normalize(&out, &v);
    return out;
}

}  // namespace

float fishHeightRule(float fY, float fDesiredY) {
    if (fY > 40.0f) return fDesiredY > 0.0f ? -fDesiredY : fDesiredY;
    if (fY > 36.0f) return fDesiredY > 0.0f ? 0.0f : fDesiredY;
    if (fY > 20.0f) return fDesiredY > 0.0f ? fDesiredY * (fY - 20.0f) / 16.0f : fDesiredY;
    if (fY <= 0.0f) return fDesiredY < 0.0f ? -fDesiredY : fDesiredY;
    return fDesiredY;
}

int CFish::UpdateHeading() {
    const D3DXVECTOR3 vWaypoint = SteerToWaypoint();
    const D3DXVECTOR3 vObstacle = SteerAroundObstacles();
    const D3DXVECTOR3 vDiver = SteerToDiver();
    const D3DXVECTOR3 vSchool = SteerWithSchool();
    D3DXVECTOR3 vDesired = vWaypoint * 1.0f + vObstacle * 3.0f + vDiver * 2.0f + m_vVelocity * 2.0f +
                           D3DXVECTOR3(0, -1, 0) * 0.8f + vSchool * 0.8f;
    vDesired.y = fishHeightRule(m_Transform.m_vPosition.y, vDesired.y);
    vDesired = Normalized(vDesired);
    m_vVelocity = Normalized(m_vVelocity * 0.9f + vDesired * 0.1f);
    return 0;
}

D3DXVECTOR3 CFish::SteerToWaypoint() {
    if (m_iTargetWaypoint < 0 || m_iTargetWaypoint >= g_nWaypoints) return D3DXVECTOR3(0, 0, 0);
    const D3DXVECTOR3 vTo = g_pWaypoints[m_iTargetWaypoint].pos - m_Transform.m_vPosition;
    const D3DXVECTOR3 vResult = Normalized(vTo);
    if (D3DXVec3Length(&vTo) <= 0.5f) {
        m_iWaypoint = m_iTargetWaypoint;
        fishSrand(static_cast<unsigned int>(fishClock()));
        const int r = fishRand();
        const Waypoint& c = g_pWaypoints[m_iWaypoint];
        // A waypoint without neighbours has no next target: the fish keeps this one.
        if (c.count > 0) {
            int nSlot = (m_iWaypoint + r) % c.count;
            m_iTargetWaypoint = c.ids[nSlot];
            if (m_iTargetWaypoint == m_iWaypoint) {
                nSlot = (nSlot + 1) % c.count;
                m_iTargetWaypoint = c.ids[nSlot];
            }
        }
    }
    return vResult;
}

D3DXVECTOR3 CFish::SteerAroundObstacles() {
    CGameApp* pApp = g_pApp;
    CFishSensors& s = m_Sensors;
    s.m_cSensorTick = static_cast<signed char>((s.m_cSensorTick + 1) % 6);
    const D3DXVECTOR3 h = Normalized(m_vVelocity);
    const D3DXVECTOR3& vPos = m_Transform.m_vPosition;
    const int t = s.m_cSensorTick;
    if (t < 5) {
        D3DXVECTOR3 f;
        D3DXVec3TransformCoord(&f, &h, &s.m_amSensorRot[t]);
        for (int i = 0; i < pApp->m_nRocks; ++i) {
            CSceneObject* pRock = pApp->m_ppRocks[i];
            if (!pRock->m_pCollisionModel) continue;
            pRock->m_pCollisionModel->setTransform(pRock->m_Transform.m_matWorld);
            if (!pRock->m_pCollisionModel->rayCollision(&vPos.x, &f.x, true, 0.0f, kFeelerReach)) continue;
            D3DXVECTOR3 vHit;
            pRock->m_pCollisionModel->getCollisionPoint(&vHit.x, false);
            const D3DXVECTOR3 vTo = vHit - vPos;
            const float d = D3DXVec3Length(&vTo);
            if (d < s.m_afSensorDist[t]) s.m_afSensorDist[t] = d;
        }
        float d = 0.0f;
        if (pApp->m_pTerrain && pApp->m_pTerrain->FindSurfaceAlongRay(f, vPos, &d, kFeelerReach) == 1 &&
            d < s.m_afSensorDist[t])
            s.m_afSensorDist[t] = d;
    } else {
        for (int n = 0; n < 5; ++n)
            if (s.m_afSensorDist[n] < s.m_afSensorDist[static_cast<int>(s.m_cNearestSensor)])
                s.m_cNearestSensor = static_cast<signed char>(n);
        const float c = (kFeelerReach - s.m_afSensorDist[static_cast<int>(s.m_cNearestSensor)]) / kFeelerReach;
        float g = fishAvoidGain(c);
        if (g < m_fAvoidGainPrev) {
            // A long step must not carry the gain past the new value.
            const float fBlend = std::clamp(0.3f * fishStep(), 0.0f, 1.0f);
            g = fBlend * g + (1.0f - fBlend) * m_fAvoidGainPrev;
        }
        g = std::clamp(g, 0.0f, 2.0f);
        m_fAvoidGain = g;
        m_fAvoidGainPrev = g;
        const float* d = s.m_afSensorDist;
        const float a = d[0] + d[2] - d[1] - d[3];
        const float b = d[2] + d[3] - d[0] - d[1];
        if (a != 0.0f || b != 0.0f) {
            D3DXVECTOR3 v = m_vVelocity;
            if (m_bTurnSide == 0) {
                if (m_vVelocity.x > 0.8f) {
                    v.x -= 4.0f;
                    m_bTurnSide = 1;
                } else {
                    v.x += 4.0f;
                }
            } else {
                if (m_vVelocity.x < -0.8f) {
                    v.x += 4.0f;
                    m_bTurnSide = 0;
                } else {
                    v.x -= 4.0f;
                }
            }
            v.y += 4.0f;
            s.m_vAvoidDir = Normalized(v);
        }
        for (float& fDist : s.m_afSensorDist) fDist = kFeelerReach;
    }
    return s.m_vAvoidDir * m_fAvoidGain;
}

float fishAvoidGain(float c) {
    if (c <= 0.4f) return (0.6f * c / 0.4f) * c;
    if (c <= 0.5f) return (1.0f + 0.2f * (c - 0.4f) / 0.1f) * c;
    if (c <= 0.6f) return (1.2f + 0.3f * (c - 0.5f) / 0.1f) * c;
    if (c <= 0.7f) return (1.5f + 0.3f * (c - 0.6f) / 0.1f) * c;
    if (c <= 0.8f) return (1.8f + 0.2f * (c - 0.7f) / 0.1f) * c;
    if (c <= 0.87f) return (2.0f + 1.0f * (c - 0.8f) / 0.1f) * c;
    return 2.0f;
}

D3DXVECTOR3 CFish::SteerToDiver() {
    const CDiver* pDiver = g_pApp->Diver();
    if (!pDiver) return D3DXVECTOR3(0, 0, 0);
    D3DXVECTOR3 vTo = Normalized(pDiver->m_Transform.m_vPosition - m_Transform.m_vPosition);
    float s = m_fMood / 50.0f - 1.0f;
    if (s > m_fApproach) {
        const float fBlend = std::clamp(0.3f * fishStep(), 0.0f, 1.0f);
        s = fBlend * s + (1.0f - fBlend) * m_fApproach;
    }
    m_fApproach = s;
    if (m_fApproach >= 0.0f) vTo.y = 0.0f;
    return vTo * s;
}

float fishSchoolWeight(float d) {
    if (d > 1.5f) return -0.8f;
    if (d > 1.0f) return -1.0f;
    if (d > 0.5f) return -1.5f;
    if (d > 0.0f) return -2.0f;
    // Two fish at one spot have no direction to part along.
    return 0.0f;
}

D3DXVECTOR3 CFish::SteerWithSchool() {
    CGameApp* pApp = g_pApp;
    if (pApp->m_nFish <= 0) return D3DXVECTOR3(0, 0, 0);
    const D3DXVECTOR3& vPos = m_Transform.m_vPosition;
    const CFish* pNearest = nullptr;
    float fNearestSq = kSchoolRadiusSq;
    for (int i = 0; i < pApp->m_nFish; ++i) {
        const CFish* pOther = pApp->m_ppFish[i];
        if (pOther == this) continue;
        const D3DXVECTOR3 vTo = pOther->m_Transform.m_vPosition - vPos;
        const float fSq = D3DXVec3LengthSq(&vTo);
        if (fSq < fNearestSq) {
            fNearestSq = fSq;
            pNearest = pOther;
        }
    }
    if (!pNearest) pNearest = pApp->m_ppFish[0];
    const float d = std::sqrt(fNearestSq) * 0.333f;
    return Normalized(pNearest->m_Transform.m_vPosition - vPos) * fishSchoolWeight(d);
}
