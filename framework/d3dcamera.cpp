// Arcball and camera utilities.
#include "framework/d3dcamera.h"

#include <cmath>

CArcBall::CArcBall()
    : m_iWidth(0), m_iHeight(0), m_fRadius(0.0f), m_fSecondRadius(0.0f), m_qDown(0, 0, 0, 1), m_qNow(0, 0, 0, 1),
      m_bDrag(FALSE), m_iMouseX(0), m_iMouseY(0), m_vDown(0, 0, 1) {}

void CArcBall::SetWindow(int iWidth, int iHeight, float fRadius) {
    m_iWidth = iWidth;
    m_iHeight = iHeight;
    m_fRadius = fRadius;
}

D3DXVECTOR3 CArcBall::ScreenToVector(int sx, int sy) {
    const float fHalfW = m_iWidth * m_fRadius / 2, fHalfH = m_iHeight * m_fRadius / 2;
    if (!(fHalfW > 0.0f) || !(fHalfH > 0.0f)) return D3DXVECTOR3(0, 0, 1);
    FLOAT x = -(m_iWidth / 2 - sx) / fHalfW;
    FLOAT y = (m_iHeight / 2 - sy) / fHalfH;
    FLOAT z = 0.0f;
    FLOAT mag = x * x + y * y;
    if (mag > 1.0f) {
        FLOAT scale = 1.0f / std::sqrt(mag);
        x *= scale;
        y *= scale;
    } else {
        z = std::sqrt(1.0f - mag);
    }
    return D3DXVECTOR3(x, y, z);
}

BOOL CArcBall::HandleMessage(HWND, UINT uMsg, WPARAM, LPARAM lParam) {
    // Signed, so that a captured mouse left of or above the window reads negative.
    const int iMouseX = static_cast<SHORT>(LOWORD(lParam));
    const int iMouseY = static_cast<SHORT>(HIWORD(lParam));
    switch (uMsg) {
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
        case WM_MOUSEMOVE:
            m_iMouseX = iMouseX;
            m_iMouseY = iMouseY;
            return TRUE;
        case WM_LBUTTONDOWN:
            m_bDrag = TRUE;
            m_vDown = ScreenToVector(iMouseX, iMouseY);
            return TRUE;
        case WM_LBUTTONUP:
            m_bDrag = FALSE;
            m_qDown = m_qNow;
            return TRUE;
        default: return FALSE;
    }
}

CCamera::CCamera() {
    SetViewParams(D3DXVECTOR3(0.0f, 0.0f, 0.0f), D3DXVECTOR3(0.0f, 0.0f, 1.0f), D3DXVECTOR3(0.0f, 1.0f, 0.0f));
    SetProjParams(D3DX_PI / 4, 1.0f, 1.0f, 1000.0f);
}

void CCamera::SetViewParams(const D3DXVECTOR3& vEyePt, const D3DXVECTOR3& vLookatPt, const D3DXVECTOR3& vUpVec) {
    m_vEye = vEyePt;
    m_vLookAt = vLookatPt;
    m_vUp = vUpVec;
    D3DXVECTOR3 vDir = m_vLookAt - m_vEye;
    // An eye on the look-at point has no direction; keep the view's previous axes instead of NaN.
    if (D3DXVec3LengthSq(&vDir) == 0.0f) {
        m_vViewDir = D3DXVECTOR3(0, 0, 1);
    } else {
        D3DXVec3Normalize(&m_vViewDir, &vDir);
    }
    D3DXVec3Cross(&m_vSide, &m_vViewDir, &m_vUp);
    const D3DXVECTOR3 vAt = m_vEye + m_vViewDir;
    D3DXMatrixLookAtLH(&m_matView, &m_vEye, &vAt, &m_vUp);
    D3DXMatrixInverse(&m_matBillboard, nullptr, &m_matView);
    m_matBillboard._41 = 0.0f;
    m_matBillboard._42 = 0.0f;
    m_matBillboard._43 = 0.0f;
}

void CCamera::SetProjParams(float fFOV, float fAspect, float fNearPlane, float fFarPlane) {
    m_fFov = fFOV;
    m_fAspect = fAspect;
    m_fNear = fNearPlane;
    m_fFar = fFarPlane;
    D3DXMatrixPerspectiveFovLH(&m_matProj, fFOV, fAspect, fNearPlane, fFarPlane);
}
