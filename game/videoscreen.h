// The quad that shows the level's videos.
#pragma once

#include "game/sceneobject.h"

// Stand-in until the video path arrives: remembers what it was asked to play, shows nothing.
class CVideoScreen : public CSceneObject {
public:
    CVideoScreen();

    int Reset(D3DXVECTOR3 vStart);
    int Start();
    int Load(const char* szMeshFile);
    int Restore();
    int Invalidate();
    int Destroy();
    int Update();
    int Render();
    int Play(float fX, float fY, float fSize, const char* szFile);

    D3DXMATRIX m_matProj;
    D3DXMATRIX m_matWorld2D;
    D3DXMATRIX m_matView2D;
    DWORD m_dwQuadVertices;
    DWORD m_dwQuadFaces;
    IDirect3DIndexBuffer8* m_pQuadIB;
    IDirect3DTexture8* m_pMovieTexture;
    char m_szMovieFile[256];
    bool m_bPlaying;
};
