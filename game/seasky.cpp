#include "game/seasky.h"

#include <cstdio>
#include <cstring>

#include "framework/apperrors.h"
#include "framework/d3dfile.h"
#include "game/gameapp.h"
#include "game/levelread.h"
#include "game/vsconsts.h"

CSeaSky::CSeaSky() : m_pSkyMesh(new CD3DFileMesh("CD3DFile_Mesh")) { std::strcpy(m_szTextureFile, "mar.bmp"); }

CSeaSky::~CSeaSky() {
    m_SeaSurface.Release();
    delete m_pSkyMesh;
}

int CSeaSky::PlaceAtDiver() {
    const CDiver* pDiver = g_pApp->Diver();
    if (!pDiver) return 0;
    m_Transform.m_vPosition = pDiver->m_Transform.m_vPosition - D3DXVECTOR3(50, 0, 50);
    m_Transform.m_vPosition.y = 45.0f;
    D3DXMatrixTranslation(&m_Transform.m_matWorld, m_Transform.m_vPosition.x, m_Transform.m_vPosition.y,
                          m_Transform.m_vPosition.z);
    return 0;
}

int CSeaSky::Load(const char*) {
    char szPath[kLevelDirLength + 16];
    std::snprintf(szPath, sizeof szPath, "%sSkyBox2.x", g_pApp->m_szLevelDir);
    if (!m_pSkyMesh || FAILED(m_pSkyMesh->LoadFromFile(g_pApp->m_pDevice, szPath))) return AppErrMediaNotFound;
    return 0;
}

int CSeaSky::Restore() {
    m_SeaSurface.Create(g_pApp->m_pDevice, kSeaGridSide, m_szTextureFile);
    if (m_pSkyMesh) m_pSkyMesh->Restore(g_pApp->m_pDevice);
    return 0;
}

int CSeaSky::Invalidate() {
    m_SeaSurface.Release();
    if (m_pSkyMesh) m_pSkyMesh->Invalidate();
    return 0;
}

int CSeaSky::Destroy() {
    if (m_pSkyMesh) m_pSkyMesh->Destroy();
    return 0;
}

int CSeaSky::Update() {
    const CTransform& boat = g_pApp->m_Boat.m_Transform;
    m_Transform.m_vPosition = boat.m_vPosition;
    m_Transform.m_vPosition.y = kSeaLevel;
    m_Transform.m_vRotation.x = boat.m_vRotation.x;
    D3DXMATRIX matRotation, matTranslation;
    D3DXMatrixRotationY(&matRotation, -m_Transform.m_vRotation.x);
    D3DXMatrixTranslation(&matTranslation, m_Transform.m_vPosition.x, m_Transform.m_vPosition.y,
                          m_Transform.m_vPosition.z);
    D3DXMatrixMultiply(&m_Transform.m_matWorld, &matRotation, &matTranslation);
    m_SeaSurface.Update(g_pApp->m_fGameStep);
    return 0;
}

namespace {
void SetConst(IDirect3DDevice8* pDevice, DWORD dwRegister, float x, float y, float z, float w) {
    const D3DXVECTOR4 v(x, y, z, w);
    pDevice->SetVertexShaderConstant(dwRegister, &v, 1);
}
}  // namespace

int CSeaSky::Render() {
    CGameApp* pApp = g_pApp;
    IDirect3DDevice8* pDevice = pApp->m_pDevice;
    pDevice->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    pDevice->SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP);
    pDevice->SetTextureStageState(0, D3DTSS_ADDRESSV, D3DTADDRESS_CLAMP);
    // The sky keeps the camera's turn but not its place, so it never comes nearer.
    D3DXMATRIX matView = pApp->m_Camera.m_matView;
    matView._41 = 0.0f;
    matView._42 = -0.3f;
    matView._43 = 0.0f;
    pDevice->SetTransform(D3DTS_VIEW, &matView);
    pDevice->SetRenderState(D3DRS_ZENABLE, 0);
    pDevice->SetRenderState(D3DRS_ZWRITEENABLE, 0);
    if (m_pSkyMesh) m_pSkyMesh->Render(pDevice, TRUE, TRUE);
    pDevice->SetRenderState(D3DRS_ZENABLE, 1);
    pDevice->SetRenderState(D3DRS_ZWRITEENABLE, 1);
    pDevice->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    pDevice->SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_WRAP);
    pDevice->SetTextureStageState(0, D3DTSS_ADDRESSV, D3DTADDRESS_WRAP);
    pApp->m_nRenderPass = 1;
    m_SeaSurface.Render();
    pApp->m_nRenderPass = 2;
    SetConst(pDevice, VSC_COLOR_A, 0.2f, 0.2f, 0.2f, 1.0f);
    SetConst(pDevice, VSC_COLOR_B, 0.2f, 0.2f, 0.2f, 1.0f);
    SetConst(pDevice, VSC_HIGHLIGHT, 0.2f, 0.2f, 0.2f, 0.5f);
    pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
    pDevice->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    pDevice->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    m_SeaSurface.Render();
    pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, 0);
    SetConst(pDevice, VSC_COLOR_A, 0.5f, 0.5f, 0.5f, 1.0f);
    SetConst(pDevice, VSC_COLOR_B, 0.5f, 0.5f, 0.5f, 1.0f);
    SetConst(pDevice, VSC_HIGHLIGHT, 0.7f, 0.7f, 0.7f, 0.5f);
    pApp->m_nRenderPass = 1;
    return 0;
}

int lvlCreateSeaSky() {
    delete g_pApp->m_pSeaSky;
    g_pApp->m_pSeaSky = new CSeaSky;
    std::strcpy(g_pApp->m_pSeaSky->m_szTextureFile, "mar.bmp");
    return 0;
}
