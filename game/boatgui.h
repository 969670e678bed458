// The chart shown at the surface: background, boat marker, point markers and depth sounder.
#pragma once

#include "game/sceneobject.h"

// Stand-in until the chart's placement and depth sounder arrive: loads its mesh, draws nothing.
class CBoatGuiElement : public CSceneObject {
public:
    CBoatGuiElement();

    int Reset(D3DXVECTOR3 vStart);
    int Start();
    int Load(const char* szMeshFile);
    int Update();
    int Render();

    D3DXMATRIX m_matProj;
    D3DXMATRIX m_matWorld2D;
    D3DXMATRIX m_matView2D;
    float m_fDepth[53];
};

constexpr int kBoatGuiElements = 4;
constexpr int kMaxMapPoints = 10000;

// Reads "guibarca.plt" of the current level into the overlay list and the map points.
int lvlReadBoatGuiFile();
