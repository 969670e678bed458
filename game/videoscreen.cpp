#include "game/videoscreen.h"

#include <cstring>

CVideoScreen::CVideoScreen()
    : m_dwQuadVertices(4), m_dwQuadFaces(2), m_pQuadIB(nullptr), m_pMovieTexture(nullptr), m_szMovieFile{},
      m_bPlaying(false) {
    D3DXMatrixOrthoLH(&m_matProj, 1, 1, 0, 1);
    D3DXMatrixIdentity(&m_matWorld2D);
    D3DXMatrixIdentity(&m_matView2D);
}

int CVideoScreen::Reset(D3DXVECTOR3) {
    D3DXMatrixOrthoLH(&m_matProj, 1, 1, 0, 1);
    D3DXMatrixIdentity(&m_matWorld2D);
    D3DXMatrixIdentity(&m_matView2D);
    return 0;
}

int CVideoScreen::Start() { return 0; }
int CVideoScreen::Load(const char*) { return 0; }
int CVideoScreen::Restore() { return 0; }
int CVideoScreen::Invalidate() { return 0; }
int CVideoScreen::Destroy() { return 0; }
int CVideoScreen::Update() { return 0; }
int CVideoScreen::Render() { return 0; }

int CVideoScreen::Play(float, float, float, const char* szFile) {
    std::strncpy(m_szMovieFile, szFile, sizeof m_szMovieFile - 1);
    m_szMovieFile[sizeof m_szMovieFile - 1] = '\0';
    return 0;
}
