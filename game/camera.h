// The view from the diver's eyes, the fixed-function lights, the keyboard and mouse state and the
// diver's lamp.
#pragma once

#include "d3dx8/d3dx8math.h"
#include "game/sceneobject.h"
#include "win32/windows.h"

class CDiverCamera {
public:
    CDiverCamera();
    int Update();

    D3DXMATRIX m_matView;
    CTransform m_Transform;
};

class CLights {
public:
    int Restore();
};

// Key slots: virtual-key codes 0 to 255, then the mouse buttons.
constexpr int kKeySlots = 260;
constexpr int kKeyRightButton = 256;
constexpr int kKeyLeftButton = 257;

class CInput {
public:
    CInput();
    // Records a window message (keys, buttons, mouse movement); other messages are ignored.
    void Record(UINT uMsg, WPARAM wParam);
    // Clears every key and button, as when the window loses the keyboard.
    void ReleaseAll();
    int Update();

    POINT m_ptCursor;
    D3DXVECTOR3 m_vMouseDelta;
    D3DXVECTOR3 m_vMouseDeltaRight;
    bool m_bMouseMoved;
    bool m_bKeys[kKeySlots];
};

class CLamp {
public:
    CLamp();
    int Update();
    int SwitchOn();
    int SwitchOff();
    // Sends the constants of the current state again (a device reset clears them).
    int Resend();

    signed char m_bOn;
};

// The press-edge flag of the lamp key; clear at program start.
extern signed char s_bLWasDown;
