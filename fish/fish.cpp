#include "fish/fish.h"

#include <algorithm>
#include <cmath>

#include "game/gameapp.h"

CFishSensors::CFishSensors() : m_cSensorTick(0), m_cNearestSensor(0), m_vAvoidDir(0, 0, 0) {
    // The constructor of the fish sets the distances and builds the rotations.
    for (int n = 0; n < 5; ++n) {
        m_afSensorDist[n] = 20.0f;
        D3DXMatrixIdentity(&m_amSensorRot[n]);
    }
}

CFish::CFish()
    : m_iWaypoint(0), m_iTargetWaypoint(0), m_fDiverDist(0), m_fDiverCalm(0), m_fTrait1(0), m_fTrait2(0),
      m_fMood(50.0f), m_fApproach(1.0f), m_fTailFrequency(0), m_fFear(0), m_fReactionRange(0), m_fAvoidGainPrev(0),
      m_fAvoidGain(0), m_acReactionTable{}, m_vWeights(0, 1, 0, 0), m_bTurnSide(0) {
    m_fspeed = 0.3f;
    m_vVelocity = D3DXVECTOR3(0, 0, 0);
    InitBehaviour();
}

float fishStep() { return std::min(g_pApp->m_fGameStep, kMaxFishStep); }

int CFish::Start() {
    if (m_iWaypoint >= 0 && m_iWaypoint < g_nWaypoints) m_Transform.m_vPosition = g_pWaypoints[m_iWaypoint].pos;
    m_iTargetWaypoint = m_iWaypoint;
    return 0;
}

int CFish::Load(const char*) {
    // A model from an earlier device stays only if this load builds a new one.
    delete m_pCollisionModel;
    m_pCollisionModel = nullptr;
    const int hr = LoadMeshes(3, false);
    if (hr != 0) return hr;
    BuildCollisionModel();
    return 0;
}

float fishTailTarget(float fMood) {
    if (fMood < 50.0f) return (1.0f - fMood / 50.0f) * 40.0f;
    return (fMood - 50.0f) / 50.0f * 10.0f;
}

bool fishOrient(D3DXMATRIX* pOut, const D3DXVECTOR3& vHeading, float fScale, const D3DXVECTOR3& vPos) {
    // The look-at needs a heading with a horizontal part; a vertical or zero one has no rotation.
    const float fHorizontal = std::sqrt(vHeading.x * vHeading.x + vHeading.z * vHeading.z);
    if (!(fHorizontal > 1e-6f)) return false;
    const D3DXVECTOR3 vEye(0, 0, 0), vUp(0, 1, 0);
    D3DXMATRIX matScale, matLook, matRotation, matTranslation, matTemp;
    D3DXMatrixScaling(&matScale, fScale, fScale, fScale);
    D3DXMatrixLookAtRH(&matLook, &vEye, &vHeading, &vUp);
    if (!D3DXMatrixInverse(&matRotation, nullptr, &matLook)) return false;
    D3DXMatrixTranslation(&matTranslation, vPos.x, vPos.y, vPos.z);
    D3DXMatrixMultiply(&matTemp, &matScale, &matRotation);
    D3DXMatrixMultiply(pOut, &matTemp, &matTranslation);
    return true;
}

int CFish::Update() {
    CGameApp* pApp = g_pApp;
    const float fStep = fishStep();
    UpdateMood();
    UpdateHeading();

    // Stop rule: the angled feelers only.
    const float fNearest = *std::min_element(m_Sensors.m_afSensorDist, m_Sensors.m_afSensorDist + 4);
    if (fNearest < 3.0f) m_fspeed = 0.0f;

    m_Transform.m_vPosition += m_vVelocity * fStep * m_fspeed;

    D3DXMATRIX& matWorld = m_Transform.m_matWorld;
    if (!fishOrient(&matWorld, m_vVelocity, m_fScale, m_Transform.m_vPosition)) {
        // The last rotation stays, at the new place.
        matWorld._41 = m_Transform.m_vPosition.x;
        matWorld._42 = m_Transform.m_vPosition.y;
        matWorld._43 = m_Transform.m_vPosition.z;
    }

    // A long frame must not overshoot the target.
    const float fBlend = std::clamp(0.7f * pApp->m_fFrameTime, 0.0f, 1.0f);
    m_fTailFrequency = fBlend * fishTailTarget(m_fMood) + (1.0f - fBlend) * m_fTailFrequency;
    m_vWeights = scnKeyPoseWeights(std::sin(m_fTailFrequency * pApp->m_fPhase));
    return 0;
}

int CFish::Render() { return scnRenderKeyPoses(*this, m_vWeights); }
