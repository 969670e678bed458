#include "d3d8/formats.h"

namespace d3d8 {

bool IsDepthFormat(D3DFORMAT f) {
    switch (f) {
        case D3DFMT_D16_LOCKABLE:
        case D3DFMT_D32:
        case D3DFMT_D15S1:
        case D3DFMT_D24S8:
        case D3DFMT_D16:
        case D3DFMT_D24X8:
        case D3DFMT_D24X4S4: return true;
        default: return false;
    }
}

bool IsCompressedFormat(D3DFORMAT f) {
    return f == D3DFMT_DXT1 || f == D3DFMT_DXT2 || f == D3DFMT_DXT3 || f == D3DFMT_DXT4 || f == D3DFMT_DXT5;
}

bool IsTextureFormat(D3DFORMAT f) {
    switch (f) {
        case D3DFMT_A8R8G8B8:
        case D3DFMT_X8R8G8B8:
        case D3DFMT_R5G6B5:
        case D3DFMT_X1R5G5B5:
        case D3DFMT_A1R5G5B5:
        case D3DFMT_A4R4G4B4:
        case D3DFMT_L8:
        case D3DFMT_A8:
        case D3DFMT_A8L8:
        case D3DFMT_X4R4G4B4: return true;
        default: return false;
    }
}

bool IsDisplayFormat(D3DFORMAT f) { return f == D3DFMT_X8R8G8B8 || f == D3DFMT_R5G6B5 || f == D3DFMT_X1R5G5B5; }

UINT BytesPerPixel(D3DFORMAT f) {
    switch (f) {
        case D3DFMT_A8R8G8B8:
        case D3DFMT_X8R8G8B8:
        case D3DFMT_D32:
        case D3DFMT_D24S8:
        case D3DFMT_D24X8:
        case D3DFMT_D24X4S4:
        case D3DFMT_INDEX32: return 4;
        case D3DFMT_R8G8B8: return 3;
        case D3DFMT_R5G6B5:
        case D3DFMT_X1R5G5B5:
        case D3DFMT_A1R5G5B5:
        case D3DFMT_A4R4G4B4:
        case D3DFMT_X4R4G4B4:
        case D3DFMT_A8L8:
        case D3DFMT_D16:
        case D3DFMT_D16_LOCKABLE:
        case D3DFMT_D15S1:
        case D3DFMT_INDEX16:
        case D3DFMT_A8R3G3B2: return 2;
        case D3DFMT_L8:
        case D3DFMT_A8:
        case D3DFMT_P8:
        case D3DFMT_R3G3B2:
        case D3DFMT_A4L4: return 1;
        default: return 0;
    }
}

UINT RowPitch(D3DFORMAT f, UINT width) {
    if (IsCompressedFormat(f)) return ((width + 3) / 4) * (f == D3DFMT_DXT1 ? 8 : 16);
    return width * BytesPerPixel(f);
}

UINT RowCount(D3DFORMAT f, UINT height) { return IsCompressedFormat(f) ? (height + 3) / 4 : height; }

UINT LevelSize(D3DFORMAT f, UINT width, UINT height) { return RowPitch(f, width) * RowCount(f, height); }

bool IsValidFvf(DWORD fvf) {
    if (fvf & (D3DFVF_RESERVED0 | D3DFVF_RESERVED2)) return false;
    if (((fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT) > 8) return false;
    DWORD pos = fvf & D3DFVF_POSITION_MASK;
    if (pos == 0) return false;
    if (pos == D3DFVF_XYZRHW && (fvf & D3DFVF_NORMAL)) return false;
    return true;
}

int FvfTexCoordCount(DWORD fvf) { return static_cast<int>((fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT); }

int FvfTexCoordSize(DWORD fvf, int set) {
    switch ((fvf >> (16 + 2 * set)) & 3) {
        case D3DFVF_TEXTUREFORMAT1: return 1;
        case D3DFVF_TEXTUREFORMAT3: return 3;
        case D3DFVF_TEXTUREFORMAT4: return 4;
        default: return 2;
    }
}

UINT FvfStride(DWORD fvf) {
    if (!IsValidFvf(fvf)) return 0;
    UINT size = 0;
    switch (fvf & D3DFVF_POSITION_MASK) {
        case D3DFVF_XYZ: size = 12; break;
        case D3DFVF_XYZRHW: size = 16; break;
        default: size = 12 + 4 * (((fvf & D3DFVF_POSITION_MASK) - D3DFVF_XYZB1) / 2 + 1); break;
    }
    if (fvf & D3DFVF_NORMAL) size += 12;
    if (fvf & D3DFVF_PSIZE) size += 4;
    if (fvf & D3DFVF_DIFFUSE) size += 4;
    if (fvf & D3DFVF_SPECULAR) size += 4;
    for (int i = 0; i < FvfTexCoordCount(fvf); ++i) size += 4 * FvfTexCoordSize(fvf, i);
    return size;
}

}  // namespace d3d8
