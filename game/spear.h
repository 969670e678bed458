// The speargun's spear.
#pragma once

#include "game/sceneobject.h"

// Stand-in until the spear's flight arrives: it stays in the gun and draws as a rock does.
class CSpear : public CSceneObject {
public:
    CSpear();

    int Load(const char* szMeshFile);
    int Update();

    D3DXVECTOR3 m_vPrevPosition;
    int m_iState;  // 1 in the gun, 2 flying, 3 stuck in a fish
    D3DXVECTOR3 m_vCorner[8];
};
