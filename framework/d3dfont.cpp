// The texture font: glyphs rasterised once into a texture, text drawn as batches of quads.
#include "framework/d3dfont.h"

#include <cstdio>
#include <cstring>
#include <utility>

#include "win32/windows.h"

namespace {

constexpr UINT kVertexBufferBytes = 8400;
constexpr DWORD kScreenFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;
constexpr DWORD kWorldFvf = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1;
// Batches end once they hold more than this many vertices: 50 characters of screen text; world
// text is flushed earlier so that its larger vertices stay inside the buffer.
constexpr DWORD kScreenFlushVertices = 294;

// Two clockwise triangles covering one glyph cell on the screen, at Direct3D's pixel centres.
FontScreenVertex* fntPutGlyphQuad(FontScreenVertex* pVertices, float sx, float sy, float w, float h, float z,
                                  D3DCOLOR dwColor, float tx1, float ty1, float tx2, float ty2) {
    *pVertices++ = fntMakeScreenVertex(D3DXVECTOR4(sx + 0 - 0.5f, sy + h - 0.5f, z, 1.0f), dwColor, tx1, ty2);
    *pVertices++ = fntMakeScreenVertex(D3DXVECTOR4(sx + 0 - 0.5f, sy + 0 - 0.5f, z, 1.0f), dwColor, tx1, ty1);
    *pVertices++ = fntMakeScreenVertex(D3DXVECTOR4(sx + w - 0.5f, sy + h - 0.5f, z, 1.0f), dwColor, tx2, ty2);
    *pVertices++ = fntMakeScreenVertex(D3DXVECTOR4(sx + w - 0.5f, sy + 0 - 0.5f, z, 1.0f), dwColor, tx2, ty1);
    *pVertices++ = fntMakeScreenVertex(D3DXVECTOR4(sx + w - 0.5f, sy + h - 0.5f, z, 1.0f), dwColor, tx2, ty2);
    *pVertices++ = fntMakeScreenVertex(D3DXVECTOR4(sx + 0 - 0.5f, sy + 0 - 0.5f, z, 1.0f), dwColor, tx1, ty1);
    return pVertices;
}

// Draws the batch once it holds more than the flush limit and locks the buffer afresh; false when
// the buffer cannot be locked again.
template <class Vertex> bool fntFlushWhenFull(IDirect3DDevice8* pDevice, IDirect3DVertexBuffer8* pVertexBuffer,
                                              DWORD dwFlushVertices, Vertex** ppVertices, DWORD* pdwNumTriangles) {
    if (*pdwNumTriangles * 3 <= dwFlushVertices) return true;
    pVertexBuffer->Unlock();
    pDevice->DrawPrimitive(D3DPT_TRIANGLELIST, 0, *pdwNumTriangles);
    *ppVertices = nullptr;
    pVertexBuffer->Lock(0, 0, reinterpret_cast<BYTE**>(ppVertices), D3DLOCK_DISCARD);
    *pdwNumTriangles = 0;
    return *ppVertices != nullptr;
}
constexpr DWORD kWorldFlushVertices = kVertexBufferBytes / sizeof(FontWorldVertex) - 6;

// The same two triangles in world space, facing -z, with y growing upwards.
FontWorldVertex* fntPutWorldGlyphQuad(FontWorldVertex* pVertices, float x, float y, float w, float h, float tx1,
                                      float ty1, float tx2, float ty2) {
    const D3DXVECTOR3 n(0, 0, -1);
    *pVertices++ = fntMakeWorldVertex(D3DXVECTOR3(x + 0, y + 0, 0), n, tx1, ty2);
    *pVertices++ = fntMakeWorldVertex(D3DXVECTOR3(x + 0, y + h, 0), n, tx1, ty1);
    *pVertices++ = fntMakeWorldVertex(D3DXVECTOR3(x + w, y + 0, 0), n, tx2, ty2);
    *pVertices++ = fntMakeWorldVertex(D3DXVECTOR3(x + w, y + h, 0), n, tx2, ty1);
    *pVertices++ = fntMakeWorldVertex(D3DXVECTOR3(x + w, y + 0, 0), n, tx2, ty2);
    *pVertices++ = fntMakeWorldVertex(D3DXVECTOR3(x + 0, y + h, 0), n, tx1, ty1);
    return pVertices;
}

void RecordTextStates(IDirect3DDevice8* dev, IDirect3DTexture8* texture) {
    dev->SetTexture(0, texture);
    dev->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    dev->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    dev->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    dev->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    dev->SetRenderState(D3DRS_ALPHAREF, 0x08);
    dev->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
    dev->SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID);
    dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    dev->SetRenderState(D3DRS_ZENABLE, FALSE);
    dev->SetRenderState(D3DRS_STENCILENABLE, FALSE);
    dev->SetRenderState(D3DRS_CLIPPING, TRUE);
    dev->SetRenderState(D3DRS_EDGEANTIALIAS, FALSE);
    dev->SetRenderState(D3DRS_CLIPPLANEENABLE, 0);
    dev->SetRenderState(D3DRS_VERTEXBLEND, D3DVBF_DISABLE);
    dev->SetRenderState(D3DRS_INDEXEDVERTEXBLENDENABLE, FALSE);
    dev->SetRenderState(D3DRS_FOGENABLE, FALSE);
    dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    dev->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    dev->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    dev->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    dev->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    dev->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
    dev->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_POINT);
    dev->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_POINT);
    dev->SetTextureStageState(0, D3DTSS_MIPFILTER, D3DTEXF_NONE);
    dev->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, 0);
    dev->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE);
    dev->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
    dev->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
}

}  // namespace

CTextureFont::CTextureFont(const char* strFontName, DWORD dwHeight, DWORD dwFlags)
    : m_dwPointSize(dwHeight), m_dwStyleFlags(dwFlags), m_pDevice(nullptr), m_pGlyphTexture(nullptr),
      m_pVertexBuffer(nullptr), m_dwTexW(0), m_dwTexH(0), m_fTexScale(1.0f), m_dwStateBlockSaved(0),
      m_dwStateBlockText(0) {
    // Cut, never overrun, the face name.
    std::snprintf(m_szFace, sizeof m_szFace, "%s", strFontName ? strFontName : "");
    std::memset(m_afGlyphRect, 0, sizeof m_afGlyphRect);
}

CTextureFont::~CTextureFont() {
    Invalidate();
    Destroy();
}

HRESULT CTextureFont::Load(IDirect3DDevice8* pd3dDevice) {
    // A second load starts from nothing rather than leaking the first texture.
    Destroy();
    HRESULT hr;
    m_fTexScale = 1.0f;
    if (m_dwPointSize > 40)
        m_dwTexW = m_dwTexH = 1024;
    else if (m_dwPointSize > 20)
        m_dwTexW = m_dwTexH = 512;
    else
        m_dwTexW = m_dwTexH = 256;

    D3DCAPS8 d3dCaps;
    pd3dDevice->GetDeviceCaps(&d3dCaps);
    if (m_dwTexW > d3dCaps.MaxTextureWidth) {
        m_fTexScale = static_cast<float>(d3dCaps.MaxTextureWidth) / static_cast<float>(m_dwTexW);
        m_dwTexW = m_dwTexH = d3dCaps.MaxTextureWidth;
    }

    hr = pd3dDevice->CreateTexture(m_dwTexW, m_dwTexH, 1, 0, D3DFMT_A4R4G4B4, D3DPOOL_MANAGED, &m_pGlyphTexture);
    if (FAILED(hr)) return hr;

    DWORD* pBitmapBits = nullptr;
    BITMAPINFO bmi;
    ZeroMemory(&bmi.bmiHeader, sizeof(BITMAPINFOHEADER));
    bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bmi.bmiHeader.biWidth = static_cast<int>(m_dwTexW);
    bmi.bmiHeader.biHeight = -static_cast<int>(m_dwTexH);
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biCompression = BI_RGB;
    bmi.bmiHeader.biBitCount = 32;

    HDC hDC = CreateCompatibleDC(nullptr);
    HBITMAP hbmBitmap =
        hDC ? CreateDIBSection(hDC, &bmi, DIB_RGB_COLORS, reinterpret_cast<void**>(&pBitmapBits), nullptr, 0) : nullptr;
    if (!hDC || !hbmBitmap) {
        if (hDC) DeleteDC(hDC);
        Destroy();
        return E_FAIL;
    }
    SetMapMode(hDC, MM_TEXT);

    INT nHeight =
        -MulDiv(static_cast<int>(m_dwPointSize), static_cast<INT>(GetDeviceCaps(hDC, LOGPIXELSY) * m_fTexScale), 72);
    DWORD dwBold = (m_dwStyleFlags & D3DFONT_BOLD) ? FW_BOLD : FW_NORMAL;
    DWORD dwItalic = (m_dwStyleFlags & D3DFONT_ITALIC) ? TRUE : FALSE;
    HFONT hFont = CreateFontA(nHeight, 0, 0, 0, static_cast<int>(dwBold), dwItalic, FALSE, FALSE, DEFAULT_CHARSET,
                              OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, VARIABLE_PITCH, m_szFace);
    if (hFont == nullptr) {
        DeleteDC(hDC);
        DeleteObject(hbmBitmap);
        Destroy();
        return E_FAIL;
    }

    HGDIOBJ hOldBitmap = SelectObject(hDC, hbmBitmap);
    HGDIOBJ hOldFont = SelectObject(hDC, hFont);
    SetTextColor(hDC, RGB(255, 255, 255));
    SetBkColor(hDC, 0x00000000);
    SetTextAlign(hDC, TA_TOP);

    DWORD x = 0, y = 0;
    char str[2] = "x";
    SIZE size;
    for (int c = 32; c < 127; c++) {
        str[0] = static_cast<char>(c);
        GetTextExtentPoint32A(hDC, str, 1, &size);
        if (static_cast<DWORD>(x + size.cx + 1) > m_dwTexW) {
            x = 0;
            y += size.cy + 1;
        }
        ExtTextOutA(hDC, static_cast<int>(x), static_cast<int>(y), ETO_OPAQUE, nullptr, str, 1, nullptr);
        m_afGlyphRect[c - 32][0] = static_cast<float>(x) / m_dwTexW;
        m_afGlyphRect[c - 32][1] = static_cast<float>(y) / m_dwTexH;
        m_afGlyphRect[c - 32][2] = static_cast<float>(x + size.cx) / m_dwTexW;
        m_afGlyphRect[c - 32][3] = static_cast<float>(y + size.cy) / m_dwTexH;
        x += size.cx + 1;
    }

    D3DLOCKED_RECT d3dlr;
    hr = m_pGlyphTexture->LockRect(0, &d3dlr, nullptr, 0);
    if (SUCCEEDED(hr)) {
        BYTE* pDstRow = static_cast<BYTE*>(d3dlr.pBits);
        for (y = 0; y < m_dwTexH; y++) {
            WORD* pDst16 = reinterpret_cast<WORD*>(pDstRow);
            for (x = 0; x < m_dwTexW; x++) {
                BYTE bAlpha = static_cast<BYTE>((pBitmapBits[m_dwTexW * y + x] & 0xff) >> 4);
                *pDst16++ = bAlpha > 0 ? static_cast<WORD>((bAlpha << 12) | 0x0fff) : 0x0000;
            }
            pDstRow += d3dlr.Pitch;
        }
        m_pGlyphTexture->UnlockRect(0);
    }

    SelectObject(hDC, hOldFont);
    SelectObject(hDC, hOldBitmap);
    DeleteDC(hDC);
    DeleteObject(hbmBitmap);
    DeleteObject(hFont);
    if (FAILED(hr)) {
        Destroy();
        return hr;
    }
    // Only a complete load makes the font usable.
    m_pDevice = pd3dDevice;
    return S_OK;
}

HRESULT CTextureFont::Restore() {
    if (!m_pDevice) return E_FAIL;
    Invalidate();
    HRESULT hr = m_pDevice->CreateVertexBuffer(kVertexBufferBytes, D3DUSAGE_WRITEONLY | D3DUSAGE_DYNAMIC, 0,
                                               D3DPOOL_DEFAULT, &m_pVertexBuffer);
    if (FAILED(hr)) {
        m_pVertexBuffer = nullptr;
        return hr;
    }
    for (UINT which = 0; which < 2; which++) {
        m_pDevice->BeginStateBlock();
        RecordTextStates(m_pDevice, m_pGlyphTexture);
        if (which == 0)
            m_pDevice->EndStateBlock(&m_dwStateBlockSaved);
        else
            m_pDevice->EndStateBlock(&m_dwStateBlockText);
    }
    return S_OK;
}

HRESULT CTextureFont::Invalidate() {
    if (m_pVertexBuffer) m_pVertexBuffer->Release();
    m_pVertexBuffer = nullptr;
    if (m_pDevice) {
        if (m_dwStateBlockSaved) m_pDevice->DeleteStateBlock(m_dwStateBlockSaved);
        if (m_dwStateBlockText) m_pDevice->DeleteStateBlock(m_dwStateBlockText);
    }
    m_dwStateBlockSaved = 0;
    m_dwStateBlockText = 0;
    return S_OK;
}

HRESULT CTextureFont::Destroy() {
    if (m_pGlyphTexture) m_pGlyphTexture->Release();
    m_pGlyphTexture = nullptr;
    m_pDevice = nullptr;
    return S_OK;
}

// Drawing needs the vertex buffer and both state blocks, not only a device.
bool CTextureFont::Ready() const { return m_pDevice && m_pVertexBuffer && m_dwStateBlockSaved && m_dwStateBlockText; }

HRESULT CTextureFont::MeasureText(const char* strText, SIZE* pSize) {
    if (strText == nullptr || pSize == nullptr) return E_FAIL;
    float fRowWidth = 0.0f;
    float fRowHeight = (m_afGlyphRect[0][3] - m_afGlyphRect[0][1]) * m_dwTexH;
    float fWidth = 0.0f;
    float fHeight = fRowHeight;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(strText); *p; ++p) {
        const unsigned char c = *p;
        if (c == '\n') {
            fRowWidth = 0.0f;
            fHeight += fRowHeight;
        }
        if (c < ' ' || c > '~') continue;
        fRowWidth += (m_afGlyphRect[c - 32][2] - m_afGlyphRect[c - 32][0]) * m_dwTexW;
        if (fRowWidth > fWidth) fWidth = fRowWidth;
    }
    pSize->cx = static_cast<int>(fWidth);
    pSize->cy = static_cast<int>(fHeight);
    return S_OK;
}

// Sets what all three drawing operations share: the caller's states saved, the text states, the
// vertex format and buffer, and linear filtering when asked for.
void CTextureFont::BeginText(DWORD dwFvf, UINT uStride, DWORD dwFlags) {
    m_pDevice->CaptureStateBlock(m_dwStateBlockSaved);
    m_pDevice->ApplyStateBlock(m_dwStateBlockText);
    m_pDevice->SetVertexShader(dwFvf);
    m_pDevice->SetStreamSource(0, m_pVertexBuffer, uStride);
    if (dwFlags & D3DFONT_FILTERED) {
        m_pDevice->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
        m_pDevice->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
    }
}

// The batching walk of the drawing operations, from the first lock to the restored states. The pen
// starts at (x, y); a line feed sets x back and adds fLineStep to y. GlyphSize gives a glyph's
// width and height from its cell rectangle; PutQuad writes its six vertices and returns the next.
template <class Vertex, class GlyphSize, class PutQuad>
HRESULT CTextureFont::DrawGlyphs(const char* strText, float x, float y, float fLineStep, DWORD dwFlushVertices,
                                 GlyphSize glyphSize, PutQuad putQuad) {
    const float fStartX = x;
    Vertex* pVertices = nullptr;
    DWORD dwNumTriangles = 0;
    if (FAILED(m_pVertexBuffer->Lock(0, 0, reinterpret_cast<BYTE**>(&pVertices), D3DLOCK_DISCARD))) {
        m_pDevice->ApplyStateBlock(m_dwStateBlockSaved);
        return E_FAIL;
    }
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(strText); *p; ++p) {
        const unsigned char c = *p;
        if (c == '\n') {
            x = fStartX;
            y += fLineStep;
        }
        if (c < ' ' || c > '~') continue;
        const float tx1 = m_afGlyphRect[c - 32][0], ty1 = m_afGlyphRect[c - 32][1];
        const float tx2 = m_afGlyphRect[c - 32][2], ty2 = m_afGlyphRect[c - 32][3];
        const auto [w, h] = glyphSize(tx1, ty1, tx2, ty2);
        pVertices = putQuad(pVertices, x, y, w, h, tx1, ty1, tx2, ty2);
        dwNumTriangles += 2;
        if (!fntFlushWhenFull(m_pDevice, m_pVertexBuffer, dwFlushVertices, &pVertices, &dwNumTriangles)) break;
        x += w;
    }
    m_pVertexBuffer->Unlock();
    if (dwNumTriangles > 0) m_pDevice->DrawPrimitive(D3DPT_TRIANGLELIST, 0, dwNumTriangles);
    m_pDevice->ApplyStateBlock(m_dwStateBlockSaved);
    return S_OK;
}

HRESULT CTextureFont::Draw2DText(float sx, float sy, D3DCOLOR dwColor, const char* strText, DWORD dwFlags) {
    if (!Ready() || !strText) return E_FAIL;
    BeginText(kScreenFvf, sizeof(FontScreenVertex), dwFlags);
    const float fLineHeight = (m_afGlyphRect[0][3] - m_afGlyphRect[0][1]) * m_dwTexH;
    return DrawGlyphs<FontScreenVertex>(
        strText, sx, sy, fLineHeight, kScreenFlushVertices,
        [this](float tx1, float ty1, float tx2, float ty2) {
            return std::pair{(tx2 - tx1) * m_dwTexW / m_fTexScale, (ty2 - ty1) * m_dwTexH / m_fTexScale};
        },
        [dwColor](FontScreenVertex* pVertices, float x, float y, float w, float h, float tx1, float ty1, float tx2,
                  float ty2) { return fntPutGlyphQuad(pVertices, x, y, w, h, 0.9f, dwColor, tx1, ty1, tx2, ty2); });
}

HRESULT CTextureFont::DrawScaledText(float x, float y, float z, float fXScale, float fYScale, D3DCOLOR dwColor,
                                     const char* strText, DWORD dwFlags) {
    if (!Ready() || !strText) return E_FAIL;
    BeginText(kScreenFvf, sizeof(FontScreenVertex), dwFlags);
    D3DVIEWPORT8 vp;
    m_pDevice->GetViewport(&vp);
    const float fLineHeight = (m_afGlyphRect[0][3] - m_afGlyphRect[0][1]) * m_dwTexH;
    const float sx = (x + 1.0f) * vp.Width / 2;
    const float sy = (y - 1.0f) * vp.Height / 2;
    const float fXScaleNow = fLineHeight > 0 ? fXScale * vp.Height / fLineHeight : 0;
    const float fYScaleNow = fLineHeight > 0 ? fYScale * vp.Height / fLineHeight : 0;
    return DrawGlyphs<FontScreenVertex>(
        strText, sx, sy, fYScale * vp.Height, kScreenFlushVertices,
        [this, fXScaleNow, fYScaleNow](float tx1, float ty1, float tx2, float ty2) {
            return std::pair{(tx2 - tx1) * m_dwTexW * fXScaleNow, (ty2 - ty1) * m_dwTexH * fYScaleNow};
        },
        [z, dwColor](FontScreenVertex* pVertices, float x, float y, float w, float h, float tx1, float ty1, float tx2,
                     float ty2) { return fntPutGlyphQuad(pVertices, x, y, w, h, z, dwColor, tx1, ty1, tx2, ty2); });
}

HRESULT CTextureFont::Draw3DText(const char* strText, DWORD dwFlags) {
    if (!Ready() || !strText) return E_FAIL;
    BeginText(kWorldFvf, sizeof(FontWorldVertex), dwFlags);
    if (dwFlags & D3DFONT_TWOSIDED) m_pDevice->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);

    float x = 0.0f, y = 0.0f;
    if (dwFlags & D3DFONT_CENTERED) {
        SIZE sz;
        MeasureText(strText, &sz);
        x = -((static_cast<float>(sz.cx)) / 10.0f) / 2.0f;
        y = -((static_cast<float>(sz.cy)) / 10.0f) / 2.0f;
    }
    // Ten texels a world unit; lines go down the world's y axis.
    const float fLineStep = -((m_afGlyphRect[0][3] - m_afGlyphRect[0][1]) * m_dwTexH / 10.0f);
    return DrawGlyphs<FontWorldVertex>(
        strText, x, y, fLineStep, kWorldFlushVertices,
        [this](float tx1, float ty1, float tx2, float ty2) {
            return std::pair{(tx2 - tx1) * m_dwTexW / (10.0f * m_fTexScale),
                             (ty2 - ty1) * m_dwTexH / (10.0f * m_fTexScale)};
        },
        fntPutWorldGlyphQuad);
}
