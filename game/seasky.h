// What the surface mode draws around the boat: the sky box and the wave grid, carried with the boat.
#pragma once

#include "game/sceneobject.h"
#include "game/seasurface.h"

class CSeaSky : public CSceneObject {
public:
    CSeaSky();
    ~CSeaSky();

    int PlaceAtDiver();
    int Load(const char* szMeshFile);
    int Restore();
    int Invalidate();
    int Destroy();
    int Update();
    int Render();

    CSeaSurface m_SeaSurface;
    CD3DFileMesh* m_pSkyMesh;
};

// Makes the level's sea and sky (which reads "mar.plt") in place of the previous level's.
int lvlCreateSeaSky();
