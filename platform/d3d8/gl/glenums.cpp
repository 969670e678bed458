// Direct3D's enumerations as GL names (see glenums.h).
#include "d3d8/gl/glenums.h"

namespace d3d8::gl {

GLenum CompareFunc(DWORD f) {
    switch (f) {
        case D3DCMP_NEVER: return GL_NEVER;
        case D3DCMP_LESS: return GL_LESS;
        case D3DCMP_EQUAL: return GL_EQUAL;
        case D3DCMP_LESSEQUAL: return GL_LEQUAL;
        case D3DCMP_GREATER: return GL_GREATER;
        case D3DCMP_NOTEQUAL: return GL_NOTEQUAL;
        case D3DCMP_GREATEREQUAL: return GL_GEQUAL;
        default: return GL_ALWAYS;
    }
}

GLenum BlendFactor(DWORD b, bool source) {
    switch (b) {
        case D3DBLEND_ZERO: return GL_ZERO;
        case D3DBLEND_ONE: return GL_ONE;
        case D3DBLEND_SRCCOLOR: return GL_SRC_COLOR;
        case D3DBLEND_INVSRCCOLOR: return GL_ONE_MINUS_SRC_COLOR;
        case D3DBLEND_SRCALPHA: return GL_SRC_ALPHA;
        case D3DBLEND_INVSRCALPHA: return GL_ONE_MINUS_SRC_ALPHA;
        case D3DBLEND_DESTALPHA: return GL_DST_ALPHA;
        case D3DBLEND_INVDESTALPHA: return GL_ONE_MINUS_DST_ALPHA;
        case D3DBLEND_DESTCOLOR: return GL_DST_COLOR;
        case D3DBLEND_INVDESTCOLOR: return GL_ONE_MINUS_DST_COLOR;
        case D3DBLEND_SRCALPHASAT: return GL_SRC_ALPHA_SATURATE;
        case D3DBLEND_BOTHSRCALPHA: return source ? GL_SRC_ALPHA : GL_ONE_MINUS_SRC_ALPHA;
        case D3DBLEND_BOTHINVSRCALPHA: return source ? GL_ONE_MINUS_SRC_ALPHA : GL_SRC_ALPHA;
        default: return source ? GL_ONE : GL_ZERO;
    }
}

GLenum StencilOp(DWORD op) {
    switch (op) {
        case D3DSTENCILOP_ZERO: return GL_ZERO;
        case D3DSTENCILOP_REPLACE: return GL_REPLACE;
        case D3DSTENCILOP_INCRSAT: return GL_INCR;
        case D3DSTENCILOP_DECRSAT: return GL_DECR;
        case D3DSTENCILOP_INVERT: return GL_INVERT;
        case D3DSTENCILOP_INCR: return GL_INCR_WRAP;
        case D3DSTENCILOP_DECR: return GL_DECR_WRAP;
        default: return GL_KEEP;
    }
}

GLenum Address(DWORD a) {
    switch (a) {
        case D3DTADDRESS_MIRROR: return GL_MIRRORED_REPEAT;
        case D3DTADDRESS_CLAMP: return GL_CLAMP_TO_EDGE;
        case D3DTADDRESS_BORDER: return GL_CLAMP_TO_BORDER;
        case D3DTADDRESS_MIRRORONCE: return GL_MIRRORED_REPEAT;
        default: return GL_REPEAT;
    }
}

GLenum Primitive(D3DPRIMITIVETYPE t) {
    switch (t) {
        case D3DPT_POINTLIST: return GL_POINTS;
        case D3DPT_LINELIST: return GL_LINES;
        case D3DPT_LINESTRIP: return GL_LINE_STRIP;
        case D3DPT_TRIANGLESTRIP: return GL_TRIANGLE_STRIP;
        case D3DPT_TRIANGLEFAN: return GL_TRIANGLE_FAN;
        default: return GL_TRIANGLES;
    }
}

bool TextureFormatOf(D3DFORMAT f, TexFormat& out) {
    switch (f) {
        case D3DFMT_A8R8G8B8: out = {GL_RGBA8, GL_BGRA, GL_UNSIGNED_BYTE, false, false}; return true;
        case D3DFMT_X8R8G8B8: out = {GL_RGBA8, GL_BGRA, GL_UNSIGNED_BYTE, true, false}; return true;
        case D3DFMT_R5G6B5: out = {GL_RGB565, GL_RGB, GL_UNSIGNED_SHORT_5_6_5, true, false}; return true;
        case D3DFMT_X1R5G5B5: out = {GL_RGB5_A1, GL_BGRA, GL_UNSIGNED_SHORT_1_5_5_5_REV, true, false}; return true;
        case D3DFMT_A1R5G5B5: out = {GL_RGB5_A1, GL_BGRA, GL_UNSIGNED_SHORT_1_5_5_5_REV, false, false}; return true;
        case D3DFMT_A4R4G4B4: out = {GL_RGBA4, GL_BGRA, GL_UNSIGNED_SHORT_4_4_4_4_REV, false, false}; return true;
        case D3DFMT_X4R4G4B4: out = {GL_RGBA4, GL_BGRA, GL_UNSIGNED_SHORT_4_4_4_4_REV, true, false}; return true;
        case D3DFMT_L8: out = {GL_R8, GL_RED, GL_UNSIGNED_BYTE, true, true}; return true;
        case D3DFMT_A8: out = {GL_R8, GL_RED, GL_UNSIGNED_BYTE, false, false}; return true;
        case D3DFMT_A8L8: out = {GL_RG8, GL_RG, GL_UNSIGNED_BYTE, false, true}; return true;
        default: return false;
    }
}

}  // namespace d3d8::gl
