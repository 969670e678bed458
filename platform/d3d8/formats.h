// Facts about surface formats shared by the device core and both backends.
#pragma once

#include "d3d8/d3d8.h"

namespace d3d8 {

bool IsDepthFormat(D3DFORMAT f);
bool IsCompressedFormat(D3DFORMAT f);
// Texture formats this layer can hold and sample.
bool IsTextureFormat(D3DFORMAT f);
bool IsDisplayFormat(D3DFORMAT f);
UINT BytesPerPixel(D3DFORMAT f);  // 0 for compressed and unknown formats
// Row pitch and total size of one level; compressed formats count in 4x4 blocks.
UINT RowPitch(D3DFORMAT f, UINT width);
UINT RowCount(D3DFORMAT f, UINT height);
UINT LevelSize(D3DFORMAT f, UINT width, UINT height);
// Bytes of one vertex of an FVF, or 0 for an invalid FVF.
UINT FvfStride(DWORD fvf);
bool IsValidFvf(DWORD fvf);
int FvfTexCoordCount(DWORD fvf);
int FvfTexCoordSize(DWORD fvf, int set);  // 1..4 floats

}  // namespace d3d8
