#include "d3dx8/mipchain.h"

#include <algorithm>
#include <cmath>

#include "d3dx8/d3dx8.h"

namespace d3dx {
namespace {

DWORD Lerp(DWORD a, DWORD b, float t) {
    DWORD out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const float ca = static_cast<float>((a >> shift) & 0xFF), cb = static_cast<float>((b >> shift) & 0xFF);
        out |= static_cast<DWORD>(std::lround(ca + (cb - ca) * t)) << shift;
    }
    return out;
}

// Halfway between two texels per channel, rounding half up: Lerp at t = 0.5, whose float sum of
// two bytes and a half is exact.
inline DWORD Mid(DWORD a, DWORD b) {
    // Two channels at a time in 9-bit lanes: 0x00FF00FF masks leave room for the carry.
    const DWORD evenA = a & 0x00FF00FFu, evenB = b & 0x00FF00FFu;
    const DWORD oddA = (a >> 8) & 0x00FF00FFu, oddB = (b >> 8) & 0x00FF00FFu;
    const DWORD even = ((evenA + evenB + 0x00010001u) >> 1) & 0x00FF00FFu;
    const DWORD odd = ((oddA + oddB + 0x00010001u) >> 1) & 0x00FF00FFu;
    return even | (odd << 8);
}

bool Linear(DWORD filter) {
    const DWORD kind = filter & 0xFFFF;
    return kind != D3DX_FILTER_NONE && kind != D3DX_FILTER_POINT;
}

}  // namespace

// Edges clamp, which for these footprints equals mirroring.
ImageLevel Resample(const ImageLevel& src, UINT width, UINT height, DWORD filter) {
    if (width == src.width && height == src.height) return src;
    ImageLevel out{width, height, std::vector<DWORD>(std::size_t{width} * height, 0)};
    const DWORD kind = filter & 0xFFFF;
    if (kind == D3DX_FILTER_NONE) {
        for (UINT y = 0; y < std::min(height, src.height); ++y)
            for (UINT x = 0; x < std::min(width, src.width); ++x) out.texels[std::size_t{y} * width + x] = src.At(x, y);
        return out;
    }
    const float sx = static_cast<float>(src.width) / width, sy = static_cast<float>(src.height) / height;
    for (UINT y = 0; y < height; ++y) {
        for (UINT x = 0; x < width; ++x) {
            DWORD& t = out.texels[std::size_t{y} * width + x];
            if (kind == D3DX_FILTER_POINT) {
                t = src.At(std::min(src.width - 1, static_cast<UINT>(x * sx)),
                           std::min(src.height - 1, static_cast<UINT>(y * sy)));
                continue;
            }
            const float fx = std::clamp((x + 0.5f) * sx - 0.5f, 0.0f, static_cast<float>(src.width - 1));
            const float fy = std::clamp((y + 0.5f) * sy - 0.5f, 0.0f, static_cast<float>(src.height - 1));
            const UINT x0 = static_cast<UINT>(fx), y0 = static_cast<UINT>(fy);
            const UINT x1 = std::min(x0 + 1, src.width - 1), y1 = std::min(y0 + 1, src.height - 1);
            const DWORD top = Lerp(src.At(x0, y0), src.At(x1, y0), fx - x0);
            const DWORD bottom = Lerp(src.At(x0, y1), src.At(x1, y1), fx - x0);
            t = Lerp(top, bottom, fy - y0);
        }
    }
    return out;
}

void NextMipLevel(const ImageLevel& src, UINT width, UINT height, DWORD mipFilter, ImageLevel* out) {
    const bool halveX = src.width == 2 * width, halveY = src.height == 2 * height;
    const bool exact = (halveX || (src.width == 1 && width == 1)) && (halveY || (src.height == 1 && height == 1));
    if (!exact || !Linear(mipFilter) || (!halveX && !halveY)) {
        *out = Resample(src, width, height, mipFilter);
        return;
    }
    out->width = width;
    out->height = height;
    out->texels.resize(std::size_t{width} * height);
    const UINT dx = halveX ? 2 : 1;
    for (UINT y = 0; y < height; ++y) {
        const DWORD* row0 = &src.texels[std::size_t{halveY ? 2 * y : y} * src.width];
        const DWORD* row1 = halveY ? row0 + src.width : row0;
        DWORD* dst = &out->texels[std::size_t{y} * width];
        if (!halveX) {
            for (UINT x = 0; x < width; ++x) dst[x] = Mid(row0[x], row1[x]);
            continue;
        }
        for (UINT x = 0; x < width; ++x) {
            const UINT sx = x * dx;
            dst[x] = Mid(Mid(row0[sx], row0[sx + 1]), Mid(row1[sx], row1[sx + 1]));
        }
    }
}

}  // namespace d3dx
