// D3DX texture creation: empty textures sized to what the device accepts, and textures loaded
// from image files (BMP, TGA, PNG, JPEG) with their mip chains.
#pragma once

#include "d3d8/d3d8.h"

// Take the value from the file (sizes, mip levels) or use the loader's default (filters).
#define D3DX_DEFAULT ((UINT)-1)

#define D3DX_FILTER_NONE (1u << 0)
#define D3DX_FILTER_POINT (2u << 0)
#define D3DX_FILTER_LINEAR (3u << 0)
#define D3DX_FILTER_TRIANGLE (4u << 0)
#define D3DX_FILTER_BOX (5u << 0)
#define D3DX_FILTER_MIRROR_U (1u << 16)
#define D3DX_FILTER_MIRROR_V (2u << 16)
#define D3DX_FILTER_MIRROR_W (4u << 16)
#define D3DX_FILTER_MIRROR (7u << 16)
#define D3DX_FILTER_DITHER (8u << 16)

enum D3DXIMAGE_FILEFORMAT {
    D3DXIFF_BMP = 0,
    D3DXIFF_JPG = 1,
    D3DXIFF_TGA = 2,
    D3DXIFF_PNG = 3,
    D3DXIFF_FORCE_DWORD = 0x7fffffff,
};

// What the file held, before any resizing.
struct D3DXIMAGE_INFO {
    UINT Width;
    UINT Height;
    UINT Depth;
    UINT MipLevels;
    D3DFORMAT Format;
    D3DRESOURCETYPE ResourceType;
    D3DXIMAGE_FILEFORMAT ImageFileFormat;
};

// A texture the device can make: D3DX_DEFAULT or 0 sizes become 256, sizes are raised to powers
// of two when the caps ask for them and cut to the device's maximum; mip levels 0 or D3DX_DEFAULT
// give the full chain; D3DFMT_UNKNOWN becomes A8R8G8B8.
HRESULT D3DXCreateTexture(IDirect3DDevice8* pDevice, UINT Width, UINT Height, UINT MipLevels, DWORD Usage,
                          D3DFORMAT Format, D3DPOOL Pool, IDirect3DTexture8** ppTexture);

// Loads an image file. Width, Height: D3DX_DEFAULT (or 0) takes the file's size; the image is
// resampled when the texture's size differs. Images beyond the decoding budget (image/imagedecode.h),
// among them any wider or taller than the device's largest texture, are refused with
// E_OUTOFMEMORY and a line on the debug output that says why; a JPEG beyond it decodes, and
// takes its default size, at a half, quarter or eighth of the file's. Format D3DFMT_UNKNOWN: A8R8G8B8 for images that carry
// alpha (or when a colour key is given), X8R8G8B8 otherwise. ColorKey 0xAARRGGBB: texels equal to
// it become transparent black (0 = no key). Filter and MipFilter: D3DX_DEFAULT is
// TRIANGLE | DITHER; NONE copies without resampling (cutting or leaving the rest black).
HRESULT D3DXCreateTextureFromFileExA(IDirect3DDevice8* pDevice, LPCSTR pSrcFile, UINT Width, UINT Height,
                                     UINT MipLevels, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool, DWORD Filter,
                                     DWORD MipFilter, D3DCOLOR ColorKey, D3DXIMAGE_INFO* pSrcInfo,
                                     PALETTEENTRY* pPalette, IDirect3DTexture8** ppTexture);

// The file's size, a full mip chain, the format from the file, the managed pool.
HRESULT D3DXCreateTextureFromFileA(IDirect3DDevice8* pDevice, LPCSTR pSrcFile, IDirect3DTexture8** ppTexture);

// The same from an image file held in memory.
HRESULT D3DXCreateTextureFromFileInMemoryEx(IDirect3DDevice8* pDevice, LPCVOID pSrcData, UINT SrcDataSize, UINT Width,
                                            UINT Height, UINT MipLevels, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                                            DWORD Filter, DWORD MipFilter, D3DCOLOR ColorKey, D3DXIMAGE_INFO* pSrcInfo,
                                            PALETTEENTRY* pPalette, IDirect3DTexture8** ppTexture);
