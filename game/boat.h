// The boat the diver rides at the surface.
#pragma once

#include "game/sceneobject.h"

// Stand-in until the boat's throttle, floating and steering arrive: it stays where it was placed.
class CBoat : public CSceneObject {
public:
    CBoat();

    int Start();
    int PlaceAtDiver();
    int Load(const char* szMeshFile);
    int Update();
    int Render();

    D3DXVECTOR3 m_vHullLocal[7];
    D3DXVECTOR3 m_vHullWorld[7];
    float m_fHullDepth[7];
};
