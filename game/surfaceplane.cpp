#include "game/surfaceplane.h"

#include <cstring>

CSurfacePlane::CSurfacePlane() { std::strcpy(m_szTextureFile, g_szNoTexture); }

int CSurfacePlane::Reset(D3DXVECTOR3) {
    m_Transform.m_vPosition = D3DXVECTOR3(3000.0f, 45.4f, 3000.0f);
    m_Transform.m_vRotation = D3DXVECTOR3(0, 0, 0);
    D3DXMatrixTranslation(&m_Transform.m_matWorld, 3000.0f, 45.4f, 3000.0f);
    return 0;
}

int CSurfacePlane::Start() { return 0; }
int CSurfacePlane::Load(const char*) { return 0; }
int CSurfacePlane::Restore() { return 0; }
int CSurfacePlane::Invalidate() { return 0; }
int CSurfacePlane::Update() { return 0; }
int CSurfacePlane::Render() { return 0; }
