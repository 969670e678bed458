#include "game/underwater.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "framework/d3dfont.h"
#include "game/gameapp.h"
#include "game/vsconsts.h"

char g_szHelpText[kTextBufferLength];
char g_szFishCount[kTextBufferLength];

namespace {

const char kHelpText[] =
    "TECLAS : \n"
    "    'w' avanzar | 's' retroceder | 'q' (mantenida) agarrarse a roca | 'l' act/desact linterna | 'v' act/desact "
    "video | 'h' act/desact ayuda  \n"
    "    'Esc' salir | 'enter' pausa/continuar | 'n' pasar de nivel | 'raton' para girar | 'boton izq. del raton' "
    "disparo | 'cursores': dirigir la barca\n"
    "PARA ALETEAR : pulsa repetidamente la tecla 'w' . Para aletear fuerte , manten mas tiempo pulsada la tecla 'w' "
    ". \n"
    "    Para aletear mas suave , mantenla menos tiempo ( fijandote en el indicador de aleteo abajo a la izquierda de "
    "la pantalla ) .\n"
    "PESCAR UN PEZ : A la caida -> acercate al pez despacio . A la espera ->  quedate quieto o agarrado a una roca "
    "hasta que se acerque .\n"
    "TEN EN CUENTA : en superficie flotas mas que en el fondo , tendras que empezar aleteando fuerte y luego mas "
    "suave .\n"
    "    Cuanto mas te muevas mas asustaras a los peces . Para agarrarte a una piedra , acercate a una y manten la "
    "tecla 'q' pulsada .\n"
    "    Cuanto menos te muevas menos aire consumiras . En superficie , recuperas el aire poco a poco .\n"
    "    Si consumes todo el aire ( la barra de aire desaparece y se vuelve amarilla ) todo se vuelve rojo y "
    "comienzas de nuevo el nivel en el que estas .\n"
    "PARA SALIR A SUPERFICIE : una vez en superficie mirar hacia arriba .";
static_assert(sizeof kHelpText - 1 == 1239);

bool IsNear(const CSceneObject* pObject, const CDiver* pDiver) {
    const D3DXVECTOR3 d = pObject->m_Transform.m_vPosition - pDiver->m_Transform.m_vPosition;
    return std::fabs(d.x) < kDrawRange && std::fabs(d.z) < kDrawRange;
}

void SetConst(DWORD dwRegister, float x, float y, float z, float w) {
    const D3DXVECTOR4 v(x, y, z, w);
    g_pApp->m_pDevice->SetVertexShaderConstant(dwRegister, &v, 1);
}

}  // namespace

DWORD scnWaterColor(const int anColor[3]) {
    return 0xFF000000u | (static_cast<DWORD>(anColor[0]) & 0xFF) << 16 | (static_cast<DWORD>(anColor[1]) & 0xFF) << 8 |
           (static_cast<DWORD>(anColor[2]) & 0xFF);
}

unsigned scnCausticFrame(float fAppTime) {
    const float f = fAppTime * 32.0f;
    // Negative or huge times have no frame of their own.
    if (!(f >= 0.0f) || f >= 4294967296.0f) return 0;
    return static_cast<unsigned>(static_cast<uint32_t>(f) % kCausticFrames);
}

void scnSetCausticAnimation(float fAppTime) {
    SetConst(VSC_ANIM, 0.05f, 0.05f, std::sin(fAppTime) / 8.0f, std::cos(fAppTime) / 10.0f);
}

CUnderwaterScene::CUnderwaterScene()
    : m_vC20(0, 1, 0, 0), m_vC19(0, -1, 0, 1), m_vC21(0, 0, 0, 1), m_vC22(0, 0, 0, 1), m_vC26(0.8f, 0.8f, 1, 1),
      m_vZero(0, 0, 0, 0) {
    std::memcpy(g_szHelpText, kHelpText, sizeof kHelpText);
}

int CUnderwaterScene::Enter() {
    CGameApp* pApp = g_pApp;
    IDirect3DDevice8* pDevice = pApp->m_pDevice;
    m_vC20 = D3DXVECTOR4(0.0f, 1.0f, 0.0f, 0.0f);
    m_vC19 = D3DXVECTOR4(0.0f, -1.0f, 0.0f, 1.0f);
    m_vC21 = D3DXVECTOR4(pApp->m_afLevelColorA[0], pApp->m_afLevelColorA[1], pApp->m_afLevelColorA[2], 1.0f);
    m_vC22 = D3DXVECTOR4(pApp->m_afLevelColorB[0], pApp->m_afLevelColorB[1], pApp->m_afLevelColorB[2], 1.0f);
    m_vC26 = D3DXVECTOR4(0.8f, 0.8f, 1.0f, 1.0f);
    m_vZero = D3DXVECTOR4(0.0f, 0.0f, 0.0f, 0.0f);
    // A zero-height back buffer has no aspect: the previous projection stays.
    if (pApp->m_backBufferDesc.Height > 0)
        D3DXMatrixPerspectiveFovLH(
            &pApp->m_matProj, D3DX_PI / 4,
            static_cast<float>(pApp->m_backBufferDesc.Width) / static_cast<float>(pApp->m_backBufferDesc.Height), 1.0f,
            500.0f);
    pDevice->SetTransform(D3DTS_PROJECTION, &pApp->m_matProj);
    pDevice->SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_WRAP);
    pDevice->SetTextureStageState(0, D3DTSS_ADDRESSV, D3DTADDRESS_WRAP);
    pDevice->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
    pDevice->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
    pDevice->SetRenderState(D3DRS_ZENABLE, TRUE);
    pDevice->SetRenderState(D3DRS_FOGENABLE, TRUE);
    pDevice->SetRenderState(D3DRS_FOGCOLOR, scnWaterColor(pApp->m_anWaterColor));
    pDevice->SetRenderState(D3DRS_ALPHAREF, 0x99);
    pDevice->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    pDevice->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
    pDevice->SetRenderState(D3DRS_SPECULARENABLE, FALSE);
    const D3DXVECTOR4 vFog(0.5f, pApp->m_fFogEnd, 1.0f / (pApp->m_fFogEnd - pApp->m_fFogStart), 0.0f);
    D3DXMatrixTranspose(&pApp->m_matProjTransposed, &pApp->m_matProj);
    SetConst(VSC_CONST_0, 0.0f, 0.5f, 1.0f, 2.0f);
    SetConst(VSC_CONST_1, 1.0f, 0.5f, 0.25f, 30.0f);
    pDevice->SetVertexShaderConstant(VSC_LIGHT_DIR, &m_vC19, 1);
    pDevice->SetVertexShaderConstant(VSC_UP, &m_vC20, 1);
    pDevice->SetVertexShaderConstant(VSC_COLOR_A, &m_vC21, 1);
    pDevice->SetVertexShaderConstant(VSC_COLOR_B, &m_vC22, 1);
    pDevice->SetVertexShaderConstant(VSC_FOG, &vFog, 1);
    pDevice->SetVertexShaderConstant(VSC_HIGHLIGHT, &m_vC26, 1);
    pDevice->SetVertexShaderConstant(VSC_PROJ, &pApp->m_matProjTransposed, 4);
    return 0;
}

int CUnderwaterScene::Update() {
    CGameApp* pApp = g_pApp;
    if (pApp->m_pTerrain) pApp->m_pTerrain->Update();
    for (int i = 0; i < pApp->m_nRocks; ++i) pApp->m_ppRocks[i]->Update();
    for (int i = 0; i < pApp->m_nDivers; ++i) pApp->m_ppDivers[i]->Update();
    for (int i = 0; i < pApp->m_nSpears; ++i) pApp->m_ppSpears[i]->Update();
    for (int i = 0; i < pApp->m_nFish; ++i) pApp->m_ppFish[i]->Update();
    for (int i = 0; i < pApp->m_nMovingRocks; ++i) pApp->m_ppMovingRocks[i]->Update();
    pApp->m_Lamp.Update();
    pApp->m_Input.Update();
    pApp->m_Camera.Update();
    pApp->m_SurfacePlane.Update();
    pApp->m_Hud.Update();
    pApp->m_VideoScreen.Update();
    pApp->m_pCausticTex = pApp->m_apCausticTex[scnCausticFrame(pApp->m_fAppTime)];
    scnSetCausticAnimation(pApp->m_fAppTime);
    return 0;
}

int CUnderwaterScene::Render() {
    CGameApp* pApp = g_pApp;
    IDirect3DDevice8* pDevice = pApp->m_pDevice;
    const DWORD dwWater = scnWaterColor(pApp->m_anWaterColor);
    pDevice->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, dwWater, 1.0f, 0);
    if (FAILED(pDevice->BeginScene())) return 0;
    const CDiver* pDiver = pApp->Diver();

    pDevice->SetVertexShaderConstant(VSC_COLOR_B, &m_vC22, 1);
    pApp->m_nRenderPass = 1;
    if (pDiver) {
        for (int i = 0; i < pApp->m_nRocks; ++i)
            if (IsNear(pApp->m_ppRocks[i], pDiver)) pApp->m_ppRocks[i]->Render();
        for (int i = 0; i < pApp->m_nSpears; ++i) pApp->m_ppSpears[i]->Render();
        for (int i = 0; i < pApp->m_nDivers; ++i) pApp->m_ppDivers[i]->Render();
        for (int i = 0; i < pApp->m_nFish; ++i)
            if (IsNear(pApp->m_ppFish[i], pDiver)) pApp->m_ppFish[i]->Render();
        for (int i = 0; i < pApp->m_nMovingRocks; ++i)
            if (IsNear(pApp->m_ppMovingRocks[i], pDiver)) pApp->m_ppMovingRocks[i]->Render();
    }
    if (pApp->m_pTerrain) pApp->m_pTerrain->Render();
    pApp->m_SurfacePlane.Render();
    pApp->m_Hud.Render();
    pApp->m_VideoScreen.Render();

    pApp->m_nRenderPass = 2;
    pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    pDevice->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    pDevice->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    pDevice->SetVertexShaderConstant(VSC_COLOR_B, &m_vZero, 1);
    pDevice->SetRenderState(D3DRS_FOGCOLOR, 0);
    if (pDiver)
        for (int i = 0; i < pApp->m_nRocks; ++i)
            if (IsNear(pApp->m_ppRocks[i], pDiver)) pApp->m_ppRocks[i]->Render();
    if (pApp->m_pTerrain) pApp->m_pTerrain->Render();
    if (pDiver) {
        for (int i = 0; i < pApp->m_nSpears; ++i) pApp->m_ppSpears[i]->Render();
        for (int i = 0; i < pApp->m_nDivers; ++i) pApp->m_ppDivers[i]->Render();
        for (int i = 0; i < pApp->m_nFish; ++i)
            if (IsNear(pApp->m_ppFish[i], pDiver)) pApp->m_ppFish[i]->Render();
        for (int i = 0; i < pApp->m_nMovingRocks; ++i)
            if (IsNear(pApp->m_ppMovingRocks[i], pDiver)) pApp->m_ppMovingRocks[i]->Render();
    }
    pApp->m_SurfacePlane.Render();
    pApp->m_Hud.Render();

    pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    pDevice->SetRenderState(D3DRS_FOGCOLOR, dwWater);

    if (CTextureFont* pFont = pApp->m_pFont) {
        if (pApp->m_bHelpShown == 0) pFont->Draw2DText(2, 0, kTextColor, pApp->m_szFrameText, 0);
        pApp->m_nTextRefWidth = 1024;
        pApp->m_nTextRefHeight = 768;
        const float fW = static_cast<float>(pApp->m_nTextRefWidth), fH = static_cast<float>(pApp->m_nTextRefHeight);
        pFont->Draw2DText(0.76f * fW, 0.955f * fH, kTextColor, "AIRE", 0);
        std::snprintf(g_szFishCount, sizeof g_szFishCount, "Peces :%d", pDiver ? pDiver->m_iFishCaught : 0);
        pFont->Draw2DText(0.6f * fW, 0.955f * fH, kTextColor, g_szFishCount, 0);
        pFont->Draw2DText(0.1f * fW, 0.955f * fH, kTextColor, g_szMessage, 0);
        if (pApp->m_bHelpShown == 1) pFont->Draw2DText(2, 0, kTextColor, g_szHelpText, 0);
    }
    pDevice->EndScene();
    return 0;
}
