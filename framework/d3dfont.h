// Text drawn with Direct3D from a texture of the printable characters of one system font.
#pragma once

#include "d3d8/d3d8.h"
#include "d3dx8/d3dx8math.h"

// Style flags of the font.
#define D3DFONT_BOLD 0x0001
#define D3DFONT_ITALIC 0x0002
// Flags of the drawing operations.
#define D3DFONT_CENTERED 0x0001
#define D3DFONT_TWOSIDED 0x0002
#define D3DFONT_FILTERED 0x0004

struct FontScreenVertex {
    float x, y, z, rhw;
    D3DCOLOR color;
    float tu, tv;
};
struct FontWorldVertex {
    D3DXVECTOR3 p;
    D3DXVECTOR3 n;
    float tu, tv;
};

inline FontScreenVertex fntMakeScreenVertex(const D3DXVECTOR4& p, D3DCOLOR color, float tu, float tv) {
    return FontScreenVertex{p.x, p.y, p.z, p.w, color, tu, tv};
}
inline FontWorldVertex fntMakeWorldVertex(const D3DXVECTOR3& p, const D3DXVECTOR3& n, float tu, float tv) {
    return FontWorldVertex{p, n, tu, tv};
}

class CTextureFont {
public:
    char m_szFace[80];
    DWORD m_dwPointSize;
    DWORD m_dwStyleFlags;
    IDirect3DDevice8* m_pDevice;
    IDirect3DTexture8* m_pGlyphTexture;
    IDirect3DVertexBuffer8* m_pVertexBuffer;
    DWORD m_dwTexW;
    DWORD m_dwTexH;
    float m_fTexScale;
    float m_afGlyphRect[128 - 32][4];
    DWORD m_dwStateBlockSaved;
    DWORD m_dwStateBlockText;

    CTextureFont(const char* strFontName, DWORD dwHeight, DWORD dwFlags = 0L);
    ~CTextureFont();

    HRESULT Load(IDirect3DDevice8* pd3dDevice);
    HRESULT Restore();
    HRESULT Invalidate();
    HRESULT Destroy();

    HRESULT Draw2DText(float sx, float sy, D3DCOLOR dwColor, const char* strText, DWORD dwFlags = 0L);
    HRESULT MeasureText(const char* strText, SIZE* pSize);
    HRESULT DrawScaledText(float x, float y, float z, float fXScale, float fYScale, D3DCOLOR dwColor,
                           const char* strText, DWORD dwFlags = 0L);
    HRESULT Draw3DText(const char* strText, DWORD dwFlags = 0L);

private:
    bool Ready() const;
    void BeginText(DWORD dwFvf, UINT uStride, DWORD dwFlags);
    template <class Vertex, class GlyphSize, class PutQuad> HRESULT DrawGlyphs(const char* strText, float x, float y,
                                                                               float fLineStep, DWORD dwFlushVertices,
                                                                               GlyphSize glyphSize, PutQuad putQuad);
};
