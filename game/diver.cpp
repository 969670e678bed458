#include "game/diver.h"

#include "game/gameapp.h"

CDiver::CDiver()
    : m_vLookDir(0, 0, 1), m_vLookVelocity(0, 0, 0), m_fCalm(50.0f), m_iLastFishHit(-1), m_iFishCaught(0),
      m_iState(0), m_vBuoyancy(0, 0, 0), m_fLegAngle(0.0f), m_cLegSide(1), m_fTrigger(2.0f), m_cContact(0),
      m_cTurning(0), m_fEffort(0.0f), m_fAir(g_pApp ? g_pApp->m_fMaxAir : 0.0f), m_cHold(0),
      m_byCollisionFrames(0), m_fStartTimer(8.0f), m_vPrevPosition(0, 0, 0), m_vPrevRotation(0, 0, 0), m_vCorner{} {
    m_fTurnGain = 0.5f;
}

int CDiver::Load(const char* szMeshFile) { return CSceneObject::Load(szMeshFile); }

int CDiver::Update() {
    // The body's forward direction from its rotation.
    D3DXMATRIX matRot, matX, matY;
    D3DXMatrixRotationX(&matX, -m_Transform.m_vRotation.y);
    D3DXMatrixRotationY(&matY, -m_Transform.m_vRotation.x);
    D3DXMatrixMultiply(&matRot, &matX, &matY);
    const D3DXVECTOR3 vForward(0, 0, 1);
    D3DXVec3TransformNormal(&m_vLookDir, &vForward, &matRot);
    return 0;
}

int CDiver::Render() { return CSceneObject::Render(); }
