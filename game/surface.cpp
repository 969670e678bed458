// The surface scene mode: the diver has come up and looks around from the boat.
#include "d3dx8/d3dx8math.h"
#include "framework/d3dfont.h"
#include "game/gameapp.h"
#include "game/vsconsts.h"

namespace {
void SetConst(DWORD dwRegister, float x, float y, float z, float w) {
    const D3DXVECTOR4 v(x, y, z, w);
    g_pApp->m_pDevice->SetVertexShaderConstant(dwRegister, &v, 1);
}
}  // namespace

int scnEnterSurface() {
    CGameApp* pApp = g_pApp;
    IDirect3DDevice8* pDevice = pApp->m_pDevice;
    if (pApp->m_pSeaSky) pApp->m_pSeaSky->PlaceAtDiver();
    if (pApp->m_backBufferDesc.Height > 0)
        D3DXMatrixPerspectiveFovLH(
            &pApp->m_matProj, D3DX_PI / 4,
            static_cast<float>(pApp->m_backBufferDesc.Width) / static_cast<float>(pApp->m_backBufferDesc.Height), 1.0f,
            500.0f);
    pDevice->SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_WRAP);
    pDevice->SetTextureStageState(0, D3DTSS_ADDRESSV, D3DTADDRESS_WRAP);
    pDevice->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
    pDevice->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
    pDevice->SetRenderState(D3DRS_ZENABLE, TRUE);
    pDevice->SetRenderState(D3DRS_FOGENABLE, FALSE);
    pDevice->SetRenderState(D3DRS_SPECULARENABLE, TRUE);
    D3DXMatrixTranspose(&pApp->m_matProjTransposed, &pApp->m_matProj);
    SetConst(VSC_CONST_0, 0.0f, 0.5f, 1.0f, 2.0f);
    SetConst(VSC_CONST_1, 1.0f, 0.5f, 0.25f, 5.0f);
    SetConst(VSC_LIGHT_DIR, 0.0f, -0.9f, -0.4358899f, 0.0f);
    SetConst(VSC_UP, 0.0f, 1.0f, 0.0f, 0.0f);
    SetConst(VSC_COLOR_A, 0.5f, 0.5f, 0.5f, 1.0f);
    SetConst(VSC_COLOR_B, 0.5f, 0.5f, 0.5f, 1.0f);
    SetConst(VSC_HIGHLIGHT, 0.5f, 0.5f, 0.5f, 0.5f);
    pDevice->SetVertexShaderConstant(VSC_PROJ, &pApp->m_matProjTransposed, 4);
    pApp->m_Boat.PlaceAtDiver();
    return 0;
}

int scnUpdateSurface() {
    CGameApp* pApp = g_pApp;
    pApp->m_pCausticTex = pApp->m_apCausticTex[scnCausticFrame(pApp->m_fAppTime)];
    scnSetCausticAnimation(pApp->m_fAppTime);
    if (pApp->m_pTerrain) pApp->m_pTerrain->Update();
    for (int i = 0; i < pApp->m_nDivers; ++i) pApp->m_ppDivers[i]->Update();
    for (int i = 0; i < pApp->m_nSpears; ++i) pApp->m_ppSpears[i]->Update();
    if (pApp->m_pSeaSky) {
        const int hr = pApp->m_pSeaSky->Update();
        if (hr != 0) return hr;
    }
    for (int i = 0; i < pApp->m_nBoatGui; ++i) pApp->m_ppBoatGui[i]->Update();
    pApp->m_Input.Update();
    pApp->m_Camera.Update();
    pApp->m_VideoScreen.Update();
    pApp->m_Boat.Update();
    return 0;
}

int scnRenderSurface() {
    CGameApp* pApp = g_pApp;
    IDirect3DDevice8* pDevice = pApp->m_pDevice;
    const DWORD dwWater = scnWaterColor(pApp->m_anWaterColor);
    pDevice->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, dwWater, 1.0f, 0);
    if (FAILED(pDevice->BeginScene())) return 0;
    pApp->m_nRenderPass = 1;
    if (pApp->m_pSeaSky) pApp->m_pSeaSky->Render();
    pApp->m_VideoScreen.Render();
    pApp->m_Boat.Render();
    for (int i = 0; i < pApp->m_nBoatGui; ++i) pApp->m_ppBoatGui[i]->Render();
    pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    pDevice->SetRenderState(D3DRS_FOGCOLOR, dwWater);
    if (CTextureFont* pFont = pApp->m_pFont) {
        pFont->Draw2DText(2, 0, kTextColor, pApp->m_szFrameText, 0);
        pFont->Draw2DText(2, 20, kTextColor, g_szSurfaceText, 0);
    }
    pDevice->EndScene();
    return 0;
}
