#include "game/camera.h"

#include <cstring>

#include "framework/d3dutil.h"
#include "game/gameapp.h"
#include "game/vsconsts.h"

signed char s_bLWasDown = 0;

CDiverCamera::CDiverCamera() { D3DXMatrixIdentity(&m_matView); }

int CDiverCamera::Update() {
    const CDiver* pDiver = g_pApp->Diver();
    if (!pDiver) return 0;
    m_Transform.m_vPosition = pDiver->m_Transform.m_vPosition;
    D3DXMatrixInverse(&m_matView, nullptr, &pDiver->m_Transform.m_matWorld);
    return 0;
}

int CLights::Restore() {
    IDirect3DDevice8* pDevice = g_pApp->m_pDevice;
    if (g_pApp->m_deviceCaps.VertexProcessingCaps & D3DVTXPCAPS_DIRECTIONALLIGHTS) {
        D3DLIGHT8 light;
        gfxInitLight(light, D3DLIGHT_DIRECTIONAL, 0.5f, -5.0f, -1.0f);
        light.Diffuse.r = light.Diffuse.g = light.Diffuse.b = 0.8f;
        pDevice->SetLight(0, &light);
        pDevice->LightEnable(0, TRUE);
        gfxInitLight(light, D3DLIGHT_DIRECTIONAL, 0.5f, 5.0f, -1.0f);
        light.Diffuse.r = light.Diffuse.g = light.Diffuse.b = 0.5f;
        pDevice->SetLight(1, &light);
        pDevice->LightEnable(1, TRUE);
        pDevice->SetRenderState(D3DRS_LIGHTING, TRUE);
    } else {
        pDevice->SetRenderState(D3DRS_AMBIENT, 0x0C0C0C0C);
    }
    return 0;
}

CInput::CInput()
    : m_ptCursor{0, 0}, m_vMouseDelta(0, 0, 0), m_vMouseDeltaRight(0, 0, 0), m_bMouseMoved(false), m_bKeys{} {}

void CInput::Record(UINT uMsg, WPARAM wParam) {
    switch (uMsg) {
        case WM_KEYDOWN:
        case WM_KEYUP:
            if (wParam < 256) m_bKeys[wParam] = uMsg == WM_KEYDOWN;
            break;
        case WM_MOUSEMOVE: m_bMouseMoved = true; break;
        case WM_LBUTTONDOWN: m_bKeys[kKeyLeftButton] = true; break;
        case WM_LBUTTONUP: m_bKeys[kKeyLeftButton] = false; break;
        case WM_RBUTTONDOWN: m_bKeys[kKeyRightButton] = true; break;
        case WM_RBUTTONUP: m_bKeys[kKeyRightButton] = false; break;
        default: break;
    }
}

void CInput::ReleaseAll() { std::memset(m_bKeys, 0, sizeof m_bKeys); }

int CInput::Update() {
    // Like the turning delta, the head-look delta is this update's movement: kept over updates without
    // movement, it would go on turning the head after the mouse stopped, and never let it settle.
    m_vMouseDeltaRight = D3DXVECTOR3(0, 0, 0);
    if (!m_bMouseMoved || g_pApp->m_bWindowedMode) {
        m_vMouseDelta = D3DXVECTOR3(0, 0, 0);
        return 0;
    }
    GetCursorPos(&m_ptCursor);
    const int nWidth = static_cast<int>(g_pApp->m_dwInitWidth), nHeight = static_cast<int>(g_pApp->m_dwInitHeight);
    const int dx = m_ptCursor.x - nWidth / 2, dy = m_ptCursor.y - nHeight / 2;
    m_vMouseDelta = D3DXVECTOR3(-static_cast<float>(dx) / static_cast<float>(nWidth),
                                -static_cast<float>(dy) / static_cast<float>(nHeight), 0.0f);
    SetCursorPos(nWidth / 2, nHeight / 2);
    m_bMouseMoved = false;
    if (m_bKeys[kKeyRightButton]) {
        m_vMouseDeltaRight = m_vMouseDelta;
        m_vMouseDelta = D3DXVECTOR3(0, 0, 0);
    }
    return 0;
}

CLamp::CLamp() : m_bOn(0) {}

int CLamp::Update() {
    if (g_pApp->m_Input.m_bKeys['L']) {
        if (!s_bLWasDown) {
            m_bOn = static_cast<signed char>((m_bOn + 1) % 2);
            if (m_bOn == 1)
                SwitchOn();
            else
                SwitchOff();
        }
        s_bLWasDown = 1;
    } else {
        s_bLWasDown = 0;
    }
    return 0;
}

int CLamp::SwitchOn() {
    static const D3DXVECTOR4 vLamp(9.9f, 9.9f, 9.9f, 0.86f), vFalloff(1.0f, 0.0f, 0.08f, 0.0f);
    g_pApp->m_pDevice->SetVertexShaderConstant(VSC_LAMP, &vLamp, 1);
    g_pApp->m_pDevice->SetVertexShaderConstant(VSC_LAMP2, &vFalloff, 1);
    return 0;
}

int CLamp::SwitchOff() {
    g_pApp->m_pDevice->SetVertexShaderConstant(VSC_LAMP, &g_pApp->m_UnderwaterScene.m_vZero, 1);
    return 0;
}

int CLamp::Resend() { return m_bOn == 1 ? SwitchOn() : SwitchOff(); }
