// A trackball that follows the mouse over a window, and a camera with view and projection.
#pragma once

#include "d3dx8/d3dx8math.h"
#include "win32/windows.h"

class CArcBall {
public:
    int m_iWidth;
    int m_iHeight;
    float m_fRadius;
    float m_fSecondRadius;
    D3DXQUATERNION m_qDown;
    D3DXQUATERNION m_qNow;
    BOOL m_bDrag;
    int m_iMouseX;
    int m_iMouseY;
    // Where the left button last went down, on the ball (one per arcball, not per program).
    D3DXVECTOR3 m_vDown;

    CArcBall();
    void SetWindow(int iWidth, int iHeight, float fRadius = 0.9f);
    void SetRadius(float fRadius) { m_fSecondRadius = fRadius; }
    // (0, 0, 1) while the window has no size.
    D3DXVECTOR3 ScreenToVector(int sx, int sy);
    BOOL HandleMessage(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
};

class CCamera {
public:
    D3DXVECTOR3 m_vEye;
    D3DXVECTOR3 m_vLookAt;
    D3DXVECTOR3 m_vUp;
    D3DXVECTOR3 m_vViewDir;
    D3DXVECTOR3 m_vSide;
    D3DXMATRIX m_matView;
    D3DXMATRIX m_matBillboard;
    float m_fFov;
    float m_fAspect;
    float m_fNear;
    float m_fFar;
    D3DXMATRIX m_matProj;

    CCamera();
    void SetViewParams(const D3DXVECTOR3& vEyePt, const D3DXVECTOR3& vLookatPt, const D3DXVECTOR3& vUpVec);
    void SetProjParams(float fFOV, float fAspect, float fNearPlane, float fFarPlane);
};
