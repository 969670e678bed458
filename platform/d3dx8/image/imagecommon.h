// Helpers shared by the hand-written decoders: checked little-endian reads and the image
// allocation that enforces the size limits.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "d3dx8/image/imagedecode.h"

namespace d3dx::detail {

inline WORD ReadU16(const BYTE* p) { return static_cast<WORD>(p[0] | (p[1] << 8)); }
inline DWORD ReadU32(const BYTE* p) {
    return static_cast<DWORD>(p[0]) | (static_cast<DWORD>(p[1]) << 8) | (static_cast<DWORD>(p[2]) << 16) |
           (static_cast<DWORD>(p[3]) << 24);
}

// Whether a width x height image from a file of `fileBytes` bytes stays within the hard limits
// and the decoding budget (imagedecode.h); the reason goes to limits.refusal when it does not.
inline HRESULT CheckImageBudget(std::uint64_t width, std::uint64_t height, std::size_t fileBytes,
                                const DecodeLimits& limits) {
    const std::uint64_t maxSide = std::min<std::uint64_t>(limits.maxSide, kMaxImageDimension);
    const std::uint64_t budget = ImageTexelBudget(fileBytes);
    std::string reason;
    if (width > maxSide || height > maxSide) {
        reason = "the image is " + std::to_string(width) + " x " + std::to_string(height) + ", larger than the " +
                 std::to_string(maxSide) + " texels a side it can be used at";
    } else if (width * height > budget) {
        reason = "the image is " + std::to_string(width) + " x " + std::to_string(height) + " in a file of " +
                 std::to_string(fileBytes) + " bytes, beyond the " + std::to_string(budget) +
                 " texels such a file may decode to";
    } else {
        return S_OK;
    }
    if (limits.refusal) *limits.refusal = std::move(reason);
    return kImageTooLarge;
}

// Sizes `out` for width x height opaque black texels; fails without allocating when the size
// is zero or beyond the limits.
inline HRESULT AllocateImage(std::uint64_t width, std::uint64_t height, ImageFileFormat format, std::size_t fileBytes,
                             const DecodeLimits& limits, DecodedImage* out) {
    if (width == 0 || height == 0) return kImageInvalidData;
    if (const HRESULT hr = CheckImageBudget(width, height, fileBytes, limits); FAILED(hr)) return hr;
    out->width = out->fileWidth = static_cast<UINT>(width);
    out->height = out->fileHeight = static_cast<UINT>(height);
    out->texels.assign(static_cast<std::size_t>(width * height), 0xFF000000u);
    out->hasAlpha = false;
    out->format = format;
    return S_OK;
}

// The most pixels a compressed stream of `bytes` bytes can describe: deflate expands at most
// 1032 times, and a JPEG codes an 8 x 8 block of one component in no less than one bit. An
// image whose header claims more than its data could describe is refused before allocating.
constexpr std::uint64_t kMaxPngExpansion = 1032;
constexpr std::uint64_t kMaxJpegPixelsPerByte = 8 * 64;

inline DWORD Argb(DWORD a, DWORD r, DWORD g, DWORD b) { return (a << 24) | (r << 16) | (g << 8) | b; }

// Scales a value of `bits` bits (1 to 8) up to 8 bits, so the largest value becomes 255.
inline DWORD ExpandBits(DWORD value, unsigned bits) {
    if (bits == 0) return 0;
    if (bits >= 8) return value & 0xFF;
    const DWORD maximum = (1u << bits) - 1;
    return (value * 255 + maximum / 2) / maximum;
}

}  // namespace d3dx::detail
