// The fish of a level: mood from the diver's distance and stillness, steering along the waypoint
// graph and around rocks and the sea floor, and the tail beat from three key meshes.
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

// The reaction table's shape: distance rows, calm / 10, trait 1, trait 2.
constexpr int kReactionRows = 19;
constexpr int kReactionCalm = 11;
constexpr int kReactionTraits = 11;

class CFishSensors {
public:
    CFishSensors();

    float m_afSensorDist[5];
    D3DXMATRIX m_amSensorRot[5];
    signed char m_cSensorTick;
    signed char m_cNearestSensor;
    D3DXVECTOR3 m_vAvoidDir;
};

class CFish : public CSceneObject {
public:
    CFish();

    int Start();
    int Load(const char* szMeshFile);
    int Update();
    int Render();

    // Mood.
    int UpdateMood();
    int UpdateDiverDistance();
    int UpdateDiverCalm();
    float LookupReaction(float w, float j, float k, float l);
    float LookupReactionAxis2(int i, float j, float k, float l);
    float LookupReactionAxis3(int i, int j, float k, float l);
    float LookupReactionAxis4(int i, int j, int k, float l);
    void InitBehaviour();
    void FillReactionTable();

    // Steering.
    int UpdateHeading();
    D3DXVECTOR3 SteerToWaypoint();
    D3DXVECTOR3 SteerAroundObstacles();
    D3DXVECTOR3 SteerToDiver();
    D3DXVECTOR3 SteerWithSchool();

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
    signed char m_acReactionTable[kReactionRows][kReactionCalm][kReactionTraits][kReactionTraits];
    D3DXVECTOR4 m_vWeights;
    unsigned char m_bTurnSide;
};

class CWaypointGraph {
public:
    int Start();
    int FreeData();
};

// Reads "peces.plt" of the current level into the fish list and the waypoint table. A file that
// breaks a limit is refused whole (reported, -1): the level then has no fish.
int lvlReadFishFile();

// The game step a fish integrates: a stall is taken as a 0.2 s frame at most, so mood, speed and
// smoothing stay within their ranges.
constexpr float kMaxFishStep = 1.0f;
float fishStep();

// Rules of the fish's update, alone so that they can be checked.
float fishTailTarget(float fMood);
float fishSpeedFromApproach(float fApproach);
float fishAvoidGain(float fCloseness);
float fishHeightRule(float fY, float fDesiredY);
float fishSchoolWeight(float d);
// The world matrix of a fish heading along vHeading; false (matrix untouched) for a heading the
// look-at cannot use (zero or vertical).
bool fishOrient(D3DXMATRIX* pOut, const D3DXVECTOR3& vHeading, float fScale, const D3DXVECTOR3& vPos);
