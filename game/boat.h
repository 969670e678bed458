// The boat the diver rides at the surface: it floats on the waves through seven hull points, moves
// under a throttle and steers with the arrows.
#pragma once

#include <functional>

#include "game/sceneobject.h"

// What one boat step reads besides the boat itself.
struct BoatControls {
    bool bForward = false;  // 'W'
    bool bBack = false;     // 'S'
    bool bLeft = false;
    bool bRight = false;
    float fFrameTime = 0.0f;  // real seconds
    float fGameStep = 0.0f;   // game time
    float fAppTime = 0.0f;    // seconds, for the waves
};

// The sea's height above the sea level at world (x, z) at an application time.
using BoatWaveHeight = std::function<float(float t, float x, float z)>;

// Longest frame the throttle and the height rule take whole: beyond it the height rule overshoots
// and the drag would reverse the throttle.
constexpr float kBoatMaxFrameTime = 0.1f;

class CBoat : public CSceneObject {
public:
    CBoat();

    int Start();
    int PlaceAtDiver();
    int Load(const char* szMeshFile);
    int CenterVertices();
    int Update();
    int Render();

    // One step of throttle, floating and steering on the given waves.
    void Step(const BoatControls& controls, const BoatWaveHeight& waveHeight);

    D3DXVECTOR3 m_vHullLocal[7];
    D3DXVECTOR3 m_vHullWorld[7];
    float m_fHullDepth[7];
};
