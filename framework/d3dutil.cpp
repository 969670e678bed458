// Direct3D helper functions.
#include "framework/d3dutil.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "framework/sysutil.h"

void gfxInitMaterial(D3DMATERIAL8& mtrl, float r, float g, float b, float a) {
    ZeroMemory(&mtrl, sizeof(D3DMATERIAL8));
    mtrl.Diffuse.r = mtrl.Ambient.r = r;
    mtrl.Diffuse.g = mtrl.Ambient.g = g;
    mtrl.Diffuse.b = mtrl.Ambient.b = b;
    mtrl.Diffuse.a = mtrl.Ambient.a = a;
}

void gfxInitLight(D3DLIGHT8& light, D3DLIGHTTYPE ltType, float x, float y, float z) {
    ZeroMemory(&light, sizeof(D3DLIGHT8));
    light.Type = ltType;
    light.Diffuse.r = 1.0f;
    light.Diffuse.g = 1.0f;
    light.Diffuse.b = 1.0f;
    D3DXVECTOR3 vecLightDir(x, y, z);
    // A zero vector has no direction: it stays zero instead of becoming NaN.
    if (D3DXVec3LengthSq(&vecLightDir) > 0.0f) D3DXVec3Normalize(&vecLightDir, &vecLightDir);
    light.Direction = vecLightDir;
    light.Position.x = x;
    light.Position.y = y;
    light.Position.z = z;
    light.Range = 1000.0f;
}

HRESULT gfxCreateTexture(IDirect3DDevice8* pd3dDevice, const char* strTexture, IDirect3DTexture8** ppTexture,
                         D3DFORMAT d3dFormat) {
    char strPath[MAX_PATH];
    sysFindMediaFile(strPath, strTexture);
    return D3DXCreateTextureFromFileExA(pd3dDevice, strPath, D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0, d3dFormat,
                                        D3DPOOL_MANAGED, D3DX_FILTER_TRIANGLE | D3DX_FILTER_MIRROR,
                                        D3DX_FILTER_TRIANGLE | D3DX_FILTER_MIRROR, 0, nullptr, nullptr, ppTexture);
}

HRESULT gfxCreateVertexShader(IDirect3DDevice8* pd3dDevice, const char* strFilename, const DWORD* pdwVertexDecl,
                              DWORD* pdwVertexShader) {
    char strPath[MAX_PATH];
    sysFindMediaFile(strPath, strFilename);
    ID3DXBuffer* pCode = nullptr;
    ID3DXBuffer* pErrors = nullptr;
    HRESULT hr = D3DXAssembleShaderFromFileA(strPath, 0, nullptr, &pCode, &pErrors);
    if (FAILED(hr)) {
        // The assembler's messages would otherwise be lost.
        if (pErrors) {
            sysTrace(__FILE__, __LINE__, hr, static_cast<const char*>(pErrors->GetBufferPointer()));
            pErrors->Release();
        }
        return hr;
    }
    if (pErrors) pErrors->Release();
    hr = pd3dDevice->CreateVertexShader(pdwVertexDecl, static_cast<const DWORD*>(pCode->GetBufferPointer()),
                                        pdwVertexShader, 0);
    pCode->Release();
    return hr;
}

HRESULT gfxSetDeviceCursor(IDirect3DDevice8* pd3dDevice, HCURSOR hCursor) {
    HRESULT hr = E_FAIL;
    ICONINFO iconinfo;
    ZeroMemory(&iconinfo, sizeof iconinfo);
    BOOL bBWCursor = FALSE;
    IDirect3DSurface8* pCursorBitmap = nullptr;
    HDC hdcColor = nullptr;
    HDC hdcMask = nullptr;
    HDC hdcScreen = nullptr;
    BITMAP bm;
    DWORD dwWidth = 0;
    DWORD dwHeightSrc = 0;
    DWORD dwHeightDest = 0;
    COLORREF* pcrArrayColor = nullptr;
    COLORREF* pcrArrayMask = nullptr;
    HGDIOBJ hgdiobjOld;
    BITMAPINFO bmi;
    D3DLOCKED_RECT lr;

    if (!GetIconInfo(hCursor, &iconinfo)) goto End;
    if (0 == GetObjectA(iconinfo.hbmMask, sizeof(BITMAP), &bm)) goto End;
    dwWidth = static_cast<DWORD>(bm.bmWidth);
    dwHeightSrc = static_cast<DWORD>(bm.bmHeight);
    if (iconinfo.hbmColor == nullptr) {
        bBWCursor = TRUE;
        dwHeightDest = dwHeightSrc / 2;
    } else {
        bBWCursor = FALSE;
        dwHeightDest = dwHeightSrc;
    }
    if (dwWidth == 0 || dwHeightDest == 0) goto End;

    hr = pd3dDevice->CreateImageSurface(dwWidth, dwHeightDest, D3DFMT_A8R8G8B8, &pCursorBitmap);
    if (FAILED(hr)) goto End;
    hr = E_FAIL;

    pcrArrayMask = static_cast<COLORREF*>(std::calloc(std::size_t{dwWidth} * dwHeightSrc, sizeof(COLORREF)));
    if (!pcrArrayMask) goto End;
    ZeroMemory(&bmi, sizeof(bmi));
    bmi.bmiHeader.biSize = sizeof(bmi.bmiHeader);
    bmi.bmiHeader.biWidth = static_cast<LONG>(dwWidth);
    bmi.bmiHeader.biHeight = static_cast<LONG>(dwHeightSrc);
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;

    hdcScreen = GetDC(nullptr);
    hdcMask = CreateCompatibleDC(hdcScreen);
    if (hdcMask == nullptr) goto End;
    hgdiobjOld = SelectObject(hdcMask, iconinfo.hbmMask);
    GetDIBits(hdcMask, iconinfo.hbmMask, 0, dwHeightSrc, pcrArrayMask, &bmi, DIB_RGB_COLORS);
    SelectObject(hdcMask, hgdiobjOld);

    if (!bBWCursor) {
        pcrArrayColor = static_cast<COLORREF*>(std::calloc(std::size_t{dwWidth} * dwHeightDest, sizeof(COLORREF)));
        if (!pcrArrayColor) goto End;
        hdcColor = CreateCompatibleDC(hdcScreen);
        if (hdcColor == nullptr) goto End;
        SelectObject(hdcColor, iconinfo.hbmColor);
        GetDIBits(hdcColor, iconinfo.hbmColor, 0, dwHeightDest, pcrArrayColor, &bmi, DIB_RGB_COLORS);
    }

    if (FAILED(pCursorBitmap->LockRect(&lr, nullptr, 0))) goto End;
    {
        BYTE* pBits = static_cast<BYTE*>(lr.pBits);
        for (DWORD y = 0; y < dwHeightDest; y++) {
            DWORD* pRow = reinterpret_cast<DWORD*>(pBits + static_cast<std::ptrdiff_t>(y) * lr.Pitch);
            for (DWORD x = 0; x < dwWidth; x++) {
                COLORREF crColor, crMask;
                if (bBWCursor) {
                    crColor = pcrArrayMask[dwWidth * (dwHeightDest - 1 - y) + x];
                    crMask = pcrArrayMask[dwWidth * (dwHeightSrc - 1 - y) + x];
                } else {
                    crColor = pcrArrayColor[dwWidth * (dwHeightDest - 1 - y) + x];
                    crMask = pcrArrayMask[dwWidth * (dwHeightDest - 1 - y) + x];
                }
                pRow[x] = crMask == 0 ? (0xFF000000 | crColor) : 0x00000000;
            }
        }
    }
    pCursorBitmap->UnlockRect();

    hr = pd3dDevice->SetCursorProperties(iconinfo.xHotspot, iconinfo.yHotspot, pCursorBitmap);
    if (FAILED(hr)) goto End;
    hr = S_OK;

End:
    if (iconinfo.hbmMask != nullptr) DeleteObject(iconinfo.hbmMask);
    if (iconinfo.hbmColor != nullptr) DeleteObject(iconinfo.hbmColor);
    if (hdcScreen != nullptr) ReleaseDC(nullptr, hdcScreen);
    if (hdcColor != nullptr) DeleteDC(hdcColor);
    if (hdcMask != nullptr) DeleteDC(hdcMask);
    std::free(pcrArrayColor);
    std::free(pcrArrayMask);
    if (pCursorBitmap) pCursorBitmap->Release();
    return hr;
}

HRESULT gfxSetColorKey(IDirect3DTexture8* pTexture, DWORD dwColorKey) {
    DWORD r = ((dwColorKey & 0x00ff0000) >> 16);
    DWORD g = ((dwColorKey & 0x0000ff00) >> 8);
    DWORD b = ((dwColorKey & 0x000000ff) >> 0);
    D3DSURFACE_DESC d3dsd;
    pTexture->GetLevelDesc(0, &d3dsd);
    if (d3dsd.Format == D3DFMT_A4R4G4B4)
        dwColorKey = 0xf000 + ((r >> 4) << 8) + ((g >> 4) << 4) + (b >> 4);
    else if (d3dsd.Format == D3DFMT_A1R5G5B5)
        dwColorKey = 0x8000 + ((r >> 3) << 10) + ((g >> 3) << 5) + (b >> 3);
    else if (d3dsd.Format != D3DFMT_A8R8G8B8)
        return E_FAIL;

    D3DLOCKED_RECT d3dlr;
    if (FAILED(pTexture->LockRect(0, &d3dlr, nullptr, 0))) return E_FAIL;
    for (DWORD y = 0; y < d3dsd.Height; y++) {
        BYTE* pRow = static_cast<BYTE*>(d3dlr.pBits) + static_cast<std::ptrdiff_t>(y) * d3dlr.Pitch;
        for (DWORD x = 0; x < d3dsd.Width; x++) {
            if (d3dsd.Format == D3DFMT_A8R8G8B8) {
                DWORD* p = reinterpret_cast<DWORD*>(pRow) + x;
                if (*p == dwColorKey) *p = 0x00000000;
            } else {
                WORD* p = reinterpret_cast<WORD*>(pRow) + x;
                if (*p == static_cast<WORD>(dwColorKey)) *p = 0x0000;
            }
        }
    }
    pTexture->UnlockRect(0);
    return S_OK;
}

D3DXMATRIX gfxCubeMapViewMatrix(DWORD dwFace) {
    D3DXVECTOR3 vEyePt(0.0f, 0.0f, 0.0f);
    D3DXVECTOR3 vLookDir;
    D3DXVECTOR3 vUpDir;
    switch (dwFace) {
        case 0:
            vLookDir = D3DXVECTOR3(1, 0, 0);
            vUpDir = D3DXVECTOR3(0, 1, 0);
            break;
        case 1:
            vLookDir = D3DXVECTOR3(-1, 0, 0);
            vUpDir = D3DXVECTOR3(0, 1, 0);
            break;
        case 2:
            vLookDir = D3DXVECTOR3(0, 1, 0);
            vUpDir = D3DXVECTOR3(0, 0, -1);
            break;
        case 3:
            vLookDir = D3DXVECTOR3(0, -1, 0);
            vUpDir = D3DXVECTOR3(0, 0, 1);
            break;
        case 4:
            vLookDir = D3DXVECTOR3(0, 0, 1);
            vUpDir = D3DXVECTOR3(0, 1, 0);
            break;
        case 5:
            vLookDir = D3DXVECTOR3(0, 0, -1);
            vUpDir = D3DXVECTOR3(0, 1, 0);
            break;
        default: {
            D3DXMATRIX matIdentity;
            D3DXMatrixIdentity(&matIdentity);
            return matIdentity;
        }
    }
    D3DXMATRIX matView;
    D3DXMatrixLookAtLH(&matView, &vEyePt, &vLookDir, &vUpDir);
    return matView;
}

D3DXQUATERNION gfxRotationFromCursor(HWND hWnd, float fTrackBallRadius) {
    POINT pt{};
    RECT rc{};
    GetCursorPos(&pt);
    GetClientRect(hWnd, &rc);
    ScreenToClient(hWnd, &pt);
    const D3DXQUATERNION qIdentity(0, 0, 0, 1);
    if (rc.right <= 0 || rc.bottom <= 0) return qIdentity;
    FLOAT sx = (((2.0f * pt.x) / (rc.right - rc.left)) - 1);
    FLOAT sy = (((2.0f * pt.y) / (rc.bottom - rc.top)) - 1);
    FLOAT sz;
    if (sx == 0.0f && sy == 0.0f) return qIdentity;
    FLOAT d2 = std::sqrt(sx * sx + sy * sy);
    if (d2 < fTrackBallRadius * 0.70710678118654752440)
        sz = std::sqrt(fTrackBallRadius * fTrackBallRadius - d2 * d2);
    else
        sz = (fTrackBallRadius * fTrackBallRadius) / (2.0f * d2);
    D3DXVECTOR3 p1(sx, sy, sz);
    D3DXVECTOR3 p2(0.0f, 0.0f, fTrackBallRadius);
    D3DXVECTOR3 vAxis;
    D3DXVec3Cross(&vAxis, &p1, &p2);
    D3DXVECTOR3 vecDiff = p2 - p1;
    FLOAT t = D3DXVec3Length(&vecDiff) / (2.0f * fTrackBallRadius);
    if (t > +1.0f) t = +1.0f;
    if (t < -1.0f) t = -1.0f;
    FLOAT fAngle = 2.0f * std::asin(t);
    D3DXQUATERNION quat;
    D3DXQuaternionRotationAxis(&quat, &vAxis, fAngle);
    return quat;
}
