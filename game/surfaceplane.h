// The sea surface seen from below: a quad that follows the diver just above the water line.
#pragma once

#include "game/sceneobject.h"

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
