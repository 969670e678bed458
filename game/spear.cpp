#include "game/spear.h"

CSpear::CSpear() : m_vPrevPosition(0, 0, 0), m_iState(1), m_vCorner{} { m_vAcceleration = D3DXVECTOR3(0, -0.6f, 0); }

int CSpear::Load(const char* szMeshFile) { return CSceneObject::Load(szMeshFile); }

int CSpear::Update() { return 0; }
