// The chart shown at the surface: background, boat marker, point markers and depth sounder.
#pragma once

#include "game/sceneobject.h"

// Element types, the element's index in "guibarca.plt", kept in m_fScale.
enum : int { kGuiPlain = 0, kGuiBoatMarker = 1, kGuiPointMarker = 2, kGuiDepthSounder = 3 };
constexpr int kDepthSamples = 53;
// The depth sounder's reach and the depth it shows when nothing lies within it.
constexpr float kSounderRange = 45.0f;
constexpr float kSounderFloorRay = 55.0f;

// A world point's place on the chart, in the overlay's 1 x 1 screen space.
D3DXVECTOR3 guiChartPosition(const D3DXVECTOR3& vWorld);
// The height in the overlay's screen space that a depth sample is traced at.
float guiTraceHeight(float fDepth);

class CBoatGuiElement : public CSceneObject {
public:
    CBoatGuiElement();

    int Reset(D3DXVECTOR3 vStart);
    int Start();
    int Load(const char* szMeshFile);
    int Update();
    int Render();

    int Type() const { return static_cast<int>(m_fScale); }
    // Moves the movable samples one place older and starts the newest at the sounder's reach.
    void ScrollDepth();
    // The depth under a point: the nearer of the rocks and the sea floor straight below, capped.
    float SoundDepth(const D3DXVECTOR3& vFrom) const;
    // Writes the trace heights into the mesh; a mesh with more vertices than samples shows the
    // newest sample on the extra ones.
    int WriteTrace();

    D3DXMATRIX m_matProj;
    D3DXMATRIX m_matWorld2D;
    D3DXMATRIX m_matView2D;
    float m_fDepth[kDepthSamples];

private:
    void DrawOnce();
};

constexpr int kBoatGuiElements = 4;
constexpr int kMaxMapPoints = 10000;

// Reads "guibarca.plt" of the current level into the overlay list and the map points.
int lvlReadBoatGuiFile();
