// The player.
#pragma once

#include "game/sceneobject.h"

// Stand-in until the diver's controls, motion and collisions arrive: it keeps its start pose.
class CDiver : public CSceneObject {
public:
    CDiver();

    int Load(const char* szMeshFile);
    int Update();
    int Render();

    D3DXVECTOR3 m_vLookDir;
    D3DXVECTOR3 m_vLookVelocity;
    float m_fCalm;
    int m_iLastFishHit;  // -1 until the spear hits a fish
    int m_iFishCaught;
    int m_iState;        // 0 alive, 1 out of air, 2 restart
    D3DXVECTOR3 m_vBuoyancy;
    float m_fLegAngle;
    signed char m_cLegSide;
    float m_fTrigger;
    signed char m_cContact;
    signed char m_cTurning;
    float m_fEffort;
    float m_fAir;
    signed char m_cHold;
    unsigned char m_byCollisionFrames;
    float m_fStartTimer;
    D3DXVECTOR3 m_vPrevPosition;
    D3DXVECTOR3 m_vPrevRotation;
    D3DXVECTOR3 m_vCorner[8];
};
