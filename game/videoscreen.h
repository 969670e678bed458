// The quad that shows the level's videos: the intro at the start of the game and of each level,
// the catch and drowning movies of the rules, and 'V' to stop a movie or play the intro again.
#pragma once

#include "game/sceneobject.h"

// The quad's place; Play writes the first three, and Restore rebuilds the quad from them.
extern float g_fVideoX;
extern float g_fVideoY;
extern float g_fVideoSize;
extern float g_fVideoAspect;
// 'V' was down in the previous update.
extern signed char s_bVWasDown;

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

private:
    int WriteQuad();
    // Releases the graph, then the texture it wrote into.
    void Stop();
};
