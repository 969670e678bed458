// The sea surface seen from below.
#pragma once

#include "game/sceneobject.h"

// Stand-in until the plane is drawn: placed, builds and draws nothing.
class CSurfacePlane : public CSceneObject {
public:
    CSurfacePlane();

    int Reset(D3DXVECTOR3 vStart);
    int Start();
    int Load(const char* szMeshFile);
    int Restore();
    int Invalidate();
    int Update();
    int Render();
};
