#include "game/boat.h"

#include <cstring>

#include "game/gameapp.h"

CBoat::CBoat()
    : m_vHullLocal{{-1, 0, -1}, {-1, 0, 0}, {-1, 0, 1}, {0, 0, -2}, {1, 0, -1}, {1, 0, 0}, {1, 0, 1}}, m_vHullWorld{},
      m_fHullDepth{} {
    m_fspeed = 0.0f;
    m_fTurnGain = 0.5f;
}

int CBoat::Start() {
    const CDiver* pDiver = g_pApp->Diver();
    if (!pDiver) return 0;
    m_Transform.m_vPosition = pDiver->m_Transform.m_vPosition;
    D3DXMatrixTranslation(&m_Transform.m_matWorld, m_Transform.m_vPosition.x, m_Transform.m_vPosition.y,
                          m_Transform.m_vPosition.z);
    return 0;
}

int CBoat::PlaceAtDiver() {
    const CDiver* pDiver = g_pApp->Diver();
    if (!pDiver) return 0;
    m_Transform.m_vPosition = pDiver->m_Transform.m_vPosition;
    m_Transform.m_vRotation = pDiver->m_Transform.m_vRotation;
    D3DXMATRIX matZ, matX, matY, matT, m;
    D3DXMatrixRotationZ(&matZ, -m_Transform.m_vRotation.z);
    D3DXMatrixRotationX(&matX, -m_Transform.m_vRotation.y);
    D3DXMatrixRotationY(&matY, -m_Transform.m_vRotation.x);
    D3DXMatrixTranslation(&matT, m_Transform.m_vPosition.x, m_Transform.m_vPosition.y, m_Transform.m_vPosition.z);
    D3DXMatrixMultiply(&m, &matZ, &matX);
    D3DXMatrixMultiply(&m, &m, &matY);
    D3DXMatrixMultiply(&m_Transform.m_matWorld, &m, &matT);
    return 0;
}

int CBoat::Load(const char*) {
    std::strcpy(m_szMeshFile[0], "barca.x");
    std::strcpy(m_szTextureFile, "barca.bmp");
    return LoadMeshes(1, false);
}

int CBoat::Update() { return 0; }

int CBoat::Render() { return CSceneObject::Render(); }
