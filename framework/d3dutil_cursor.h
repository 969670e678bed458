// Makes a cursor image the device's hardware cursor (used only in full screen, and only when the
// application asks for the window class's cursor there).
#pragma once

#include "d3d8/d3d8.h"
#include "win32/windows.h"

HRESULT gfxSetDeviceCursor(IDirect3DDevice8* pd3dDevice, HCURSOR hCursor);
