// Image files decoded into one record that the texture loaders turn into surfaces.
//
// Every decoder works from a memory buffer, checks each read against it, and refuses images
// whose size would not fit the limits below, so a damaged file yields a failing result and
// never a read or write outside the buffers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
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

// Decoding within a budget. A file from a level folder can declare an image far larger than its
// bytes seem to hold (a few kilobytes of deflate or runs can describe hundreds of megabytes of
// texels), so what a decode may produce is bounded by what the caller can use and by the file's
// size: no side beyond maxSide (the device's largest texture; no image larger can ever be drawn
// at its own size), and at most max(kImageTexelFloor, kImageTexelsPerFileByte x file bytes)
// texels. Real pictures come nowhere near that ratio (a photograph in JPEG takes a byte for a
// few texels; the generated media are uncompressed); a file under 64 KB thus decodes to at most
// 2^22 texels (16 MB), its whole texture load to well under 100 MB. A JPEG beyond the budget decodes at 1/2, 1/4 or 1/8 of its size, which
// libjpeg does without the full-size image; every other image beyond it is refused with
// kImageTooLarge, before its texels are allocated or its data inflated.
constexpr std::uint64_t kImageTexelFloor = std::uint64_t{1} << 22;
constexpr std::uint64_t kImageTexelsPerFileByte = 64;

// The most texels a file of `fileBytes` bytes may decode to.
constexpr std::uint64_t ImageTexelBudget(std::size_t fileBytes) {
    const std::uint64_t bySize = kImageTexelsPerFileByte * fileBytes;
    const std::uint64_t budget = bySize > kImageTexelFloor ? bySize : kImageTexelFloor;
    return budget < kMaxImageTexels ? budget : kMaxImageTexels;
}

struct DecodeLimits {
    UINT maxSide = kMaxImageDimension;
    // Receives why an image was refused as too large, for the caller's message.
    std::string* refusal = nullptr;
};

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
    // The size the file declares: larger than width x height when it was decoded scaled down.
    UINT fileWidth = 0;
    UINT fileHeight = 0;

    DWORD At(UINT x, UINT y) const { return texels[std::size_t{y} * width + x]; }
};

// The format by content: BMP, PNG and JPEG by their signatures; TGA, which has none, when its
// header is plausible.
ImageFileFormat DetectImageFormat(const BYTE* data, std::size_t size);

HRESULT DecodeBmp(const BYTE* data, std::size_t size, DecodedImage* out, const DecodeLimits& limits = {});
HRESULT DecodeTga(const BYTE* data, std::size_t size, DecodedImage* out, const DecodeLimits& limits = {});
HRESULT DecodePng(const BYTE* data, std::size_t size, DecodedImage* out, const DecodeLimits& limits = {});
HRESULT DecodeJpeg(const BYTE* data, std::size_t size, DecodedImage* out, const DecodeLimits& limits = {});

// Detects the format and decodes. `out` is left empty on failure.
HRESULT DecodeImage(const BYTE* data, std::size_t size, DecodedImage* out, const DecodeLimits& limits = {});

// Reads the whole file through the platform's file layer, then DecodeImage. A file that cannot
// be opened gives E_FAIL.
HRESULT DecodeImageFile(const char* fileName, DecodedImage* out, const DecodeLimits& limits = {});

}  // namespace d3dx
