// Scenery that changes its shape by blending three key meshes, and the key-pose blend and
// three-stream draw that the fish share.
#pragma once

#include "game/sceneobject.h"

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

// Weights of key poses 0, 1, 2 from s in [-1, 1]: pose 0 at 1, pose 1 at 0, pose 2 at -1.
D3DXVECTOR4 scnKeyPoseWeights(float s);
// Draws the object's three key poses as three streams blended by the weights (c2), with the fish
// shader pair; an object without buffers draws nothing.
int scnRenderKeyPoses(const CSceneObject& object, const D3DXVECTOR4& vWeights);
