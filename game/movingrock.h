// Scenery that changes its shape by blending three key meshes.
#pragma once

#include "game/sceneobject.h"

// Stand-in until the key-pose blend arrives: loads its three meshes, draws nothing.
class CMovingRock : public CSceneObject {
public:
    CMovingRock();

    int Reset(D3DXVECTOR3 vStart);
    int Start();
    int Load(const char* szMeshFile);
    int Update();
    int Render();

    float m_fFrequency;
    D3DXVECTOR4 m_vWeights;
};

constexpr int kMaxMovingRocks = 10000;

// Reads "ladrillosmv.plt" of the current level into the moving-rock list.
int lvlReadMovingRockFile();
