// The diver's air bar and finning gauge, and the timed message line.
#pragma once

#include "game/sceneobject.h"

constexpr int kMessageLength = 2000;
// The message line drawn under water; writers set it together with CHudGauges::m_fMessageTime.
extern char g_szMessage[kMessageLength];
inline constexpr char g_szDefaultMessage[] = "tecla h para ayuda";

// Copies a message into the line (cut to fit) and sets how long it stays.
void hudSetMessage(const char* szText, float fSeconds);

class CHudGauges : public CSceneObject {
public:
    CHudGauges();

    int Reset(D3DXVECTOR3 vStart);
    int Start();
    int Load(const char* szMeshFile);
    int Restore();
    int Invalidate();
    int Destroy();
    int Update();
    int Render();

    D3DXMATRIX m_matProj;
    D3DXMATRIX m_matWorld2D;
    D3DXMATRIX m_matView2D;
    IDirect3DVertexBuffer8* m_apQuadVB[4];
    DWORD m_dwQuadVertices;
    DWORD m_dwQuadFaces;
    IDirect3DIndexBuffer8* m_pQuadIB;
    IDirect3DTexture8* m_apGaugeTex[4];
    float m_fMessageTime;
};
