// The fish of a level and the waypoint graph they swim along.
#pragma once

#include "game/sceneobject.h"

struct Waypoint {
    D3DXVECTOR3 pos;
    int count;
    int ids[20];
};

constexpr int kMaxWaypointLinks = 20;
constexpr int kMaxFish = 1000;
constexpr int kMaxWaypoints = 100000;

// The level's waypoint table, shared by every fish.
extern Waypoint* g_pWaypoints;
extern int g_nWaypoints;

class CFishSensors {
public:
    CFishSensors();

    float m_afSensorDist[5];
    D3DXMATRIX m_amSensorRot[5];
    signed char m_cSensorTick;
    signed char m_cNearestSensor;
    D3DXVECTOR3 m_vAvoidDir;
};

// Stand-in until the fish's mood and steering arrive: placed at its start waypoint, loads its
// meshes and collision model, neither moves nor draws.
class CFish : public CSceneObject {
public:
    CFish();

    int Start();
    int Load(const char* szMeshFile);
    int Update();
    int Render();

    int m_iWaypoint;
    int m_iTargetWaypoint;
    float m_fDiverDist;
    float m_fDiverCalm;
    float m_fTrait1;
    float m_fTrait2;
    float m_fMood;
    float m_fApproach;
    float m_fTailFrequency;
    float m_fFear;
    float m_fReactionRange;
    CFishSensors m_Sensors;
    float m_fAvoidGainPrev;
    float m_fAvoidGain;
    signed char m_acReactionTable[19][11][11][11];
    D3DXVECTOR4 m_vWeights;
    unsigned char m_bTurnSide;
};

class CWaypointGraph {
public:
    int Start();
    int FreeData();
};

// Reads "peces.plt" of the current level into the fish list and the waypoint table.
int lvlReadFishFile();
