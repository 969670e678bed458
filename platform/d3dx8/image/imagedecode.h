// Image files decoded into one record that the texture loaders turn into surfaces.
//
// Every decoder works from a memory buffer, checks each read against it, and refuses images
// whose size would not fit the limits below, so a damaged file yields a failing result and
// never a read or write outside the buffers.
#pragma once

#include <cstddef>
#include <vector>

#include "win32/wintypes.h"

namespace d3dx {

// Failure codes: the file's content is not an image we can read / the image is too large.
// The first has the value D3DX reports for invalid data.
constexpr HRESULT kImageInvalidData = MAKE_HRESULT(1, 0x876, 2905);
constexpr HRESULT kImageTooLarge = E_OUTOFMEMORY;

// Largest accepted width or height, and largest texel count (256 MB of texels).
constexpr UINT kMaxImageDimension = 16384;
constexpr std::size_t kMaxImageTexels = std::size_t{1} << 26;

enum class ImageFileFormat { Unknown, Bmp, Tga, Png, Jpeg };

struct DecodedImage {
    UINT width = 0;
    UINT height = 0;
    // width x height texels 0xAARRGGBB, row 0 the image's top. Alpha is 0xFF throughout
    // when hasAlpha is false.
    std::vector<DWORD> texels;
    // The file carries alpha (PNG alpha channel or tRNS, TGA alpha bits, BMP alpha mask):
    // only such images become A8R8G8B8 textures, every other one X8R8G8B8.
    bool hasAlpha = false;
    ImageFileFormat format = ImageFileFormat::Unknown;

    DWORD At(UINT x, UINT y) const { return texels[std::size_t{y} * width + x]; }
};

// The format by content: BMP, PNG and JPEG by their signatures; TGA, which has none, when its
// header is plausible.
ImageFileFormat DetectImageFormat(const BYTE* data, std::size_t size);

HRESULT DecodeBmp(const BYTE* data, std::size_t size, DecodedImage* out);
HRESULT DecodeTga(const BYTE* data, std::size_t size, DecodedImage* out);
HRESULT DecodePng(const BYTE* data, std::size_t size, DecodedImage* out);
HRESULT DecodeJpeg(const BYTE* data, std::size_t size, DecodedImage* out);

// Detects the format and decodes. `out` is left empty on failure.
HRESULT DecodeImage(const BYTE* data, std::size_t size, DecodedImage* out);

// Reads the whole file through the platform's file layer, then DecodeImage. A file that cannot
// be opened gives E_FAIL.
HRESULT DecodeImageFile(const char* fileName, DecodedImage* out);

}  // namespace d3dx
