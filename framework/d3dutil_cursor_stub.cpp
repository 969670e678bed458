// STAND-IN: the hardware-cursor helper belongs with the Direct3D helper functions, which are not
// written yet. Until then it does nothing and says so; nothing in the program asks for it, since
// the full-screen cursor is off. Delete this file when the real helper arrives.
#include "framework/d3dutil_cursor.h"

HRESULT gfxSetDeviceCursor(IDirect3DDevice8*, HCURSOR) { return E_NOTIMPL; }
