// The player: a free diver seen from his own eyes.
#pragma once

#include "game/sceneobject.h"

constexpr int kFinDebugLength = 2000;
// The finning step's last figures; nothing draws them.
extern char g_szFinDebug[kFinDebugLength];

// State of the diver's update that lives for the whole program (it assumes a single diver and is
// not reset by a level change).
struct SDiverProgramState {
    D3DXVECTOR3 s_vHeadLook;  // head-look angles relative to the body (x yaw, y pitch)
    bool s_bReverse;          // the last fin key was 'S'
    bool s_bFinKeyHeld;       // a fin key was down in the previous frame
    float s_fPressTime;       // game time the current press has lasted, 0 to 4
    bool s_bDrowning;         // the red fade has started
    float s_fFadeStart;       // application time at which the fade started
    int s_anFadeFromColor[3];
    float s_fFadeFogSpan;
    // The velocity the diver had when a run of rock contacts, and of sea-floor contacts, began.
    D3DXVECTOR3 s_vRockBounceVelocity;
    D3DXVECTOR3 s_vFloorBounceVelocity;
};
extern SDiverProgramState g_DiverState;
// Puts the diver's program-wide state back to its program-start values (for tests).
void divResetProgramState();

// The lift at height y, before ballast and current.
float divBuoyancy(float fY);

// Values of CDiver::m_iState. The level rules restart the level at kDiverRestart.
enum : int { kDiverAlive = 0, kDiverOutOfAir = 1, kDiverRestart = 2 };
// Values of CDiver::m_fTrigger: one shot per press of the fire input.
constexpr float kTriggerArmed = 2.0f;
constexpr float kTriggerFired = 1.0f;

class CDiver : public CSceneObject {
public:
    CDiver();

    int Load(const char* szMeshFile);
    int Update();
    int Render();

    int UpdateCalm();
    int UpdateFinning();
    int UpdateBuoyancy();
    void UpdateAir();
    void UpdateHold();

    // The box around the mesh: 12 triangles and its 8 corners.
    int BuildCollisionModel();
    // Non-zero on contact with a rock or the sea floor.
    int CheckCollisions();
    int BounceOffModel();
    int BounceOffTerrain();

    D3DXVECTOR3 m_vLookDir;
    D3DXVECTOR3 m_vLookVelocity;
    float m_fCalm;
    int m_iLastFishHit;  // -1 until the spear hits a fish
    int m_iFishCaught;
    int m_iState;  // kDiverAlive, kDiverOutOfAir or kDiverRestart
    D3DXVECTOR3 m_vBuoyancy;
    float m_fLegAngle;
    signed char m_cLegSide;
    float m_fTrigger;  // kTriggerArmed or kTriggerFired
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
