// Direct3D helpers: materials, lights, textures and vertex shaders from media files, the
// hardware cursor, colour keys, cube-map views and a trackball rotation from the cursor.
#pragma once

#include "d3d8/d3d8.h"
#include "d3dx8/d3dx8.h"
#include "win32/windows.h"

void gfxInitMaterial(D3DMATERIAL8& mtrl, float r = 0.0f, float g = 0.0f, float b = 0.0f, float a = 1.0f);
void gfxInitLight(D3DLIGHT8& light, D3DLIGHTTYPE ltType, float x = 0.0f, float y = 0.0f, float z = 0.0f);
HRESULT gfxCreateTexture(IDirect3DDevice8* pd3dDevice, const char* strTexture, IDirect3DTexture8** ppTexture,
                         D3DFORMAT d3dFormat = D3DFMT_UNKNOWN);
HRESULT gfxCreateVertexShader(IDirect3DDevice8* pd3dDevice, const char* strFilename, const DWORD* pdwVertexDecl,
                              DWORD* pdwVertexShader);
HRESULT gfxSetDeviceCursor(IDirect3DDevice8* pd3dDevice, HCURSOR hCursor);
HRESULT gfxSetColorKey(IDirect3DTexture8* pTexture, DWORD dwColorKey);
// Face numbers above 5 give the identity.
D3DXMATRIX gfxCubeMapViewMatrix(DWORD dwFace);
// The identity while the client area has no size.
D3DXQUATERNION gfxRotationFromCursor(HWND hWnd, float fTrackBallRadius = 1.0f);
