// Targa images: colour-mapped (1, 9), true-colour (2, 10) and grey (3, 11), raw or run-length
// encoded, 8 to 32 bits per pixel, either origin and either horizontal order.
#include <vector>

#include "d3dx8/image/imagecommon.h"

namespace d3dx {
namespace {

using detail::Argb;
using detail::ReadU16;

// A 15/16-bit pixel is A1R5G5B5; the alpha bit counts only when the file declares alpha bits.
DWORD From16(DWORD v, bool alpha) {
    const DWORD a = alpha ? ((v & 0x8000) ? 0xFF : 0) : 0xFF;
    return Argb(a, detail::ExpandBits((v >> 10) & 31, 5), detail::ExpandBits((v >> 5) & 31, 5),
                detail::ExpandBits(v & 31, 5));
}

DWORD FromBytes(const BYTE* p, unsigned bytes, bool alpha) {
    switch (bytes) {
        case 2: return From16(ReadU16(p), alpha);
        case 3: return Argb(0xFF, p[2], p[1], p[0]);
        default: return Argb(alpha ? p[3] : 0xFF, p[2], p[1], p[0]);
    }
}

}  // namespace

HRESULT DecodeTga(const BYTE* data, std::size_t size, DecodedImage* out, const DecodeLimits& limits) {
    *out = DecodedImage{};
    if (!data || size < 18) return kImageInvalidData;
    const unsigned idLength = data[0], mapType = data[1], type = data[2];
    const unsigned mapFirst = ReadU16(data + 3), mapLength = ReadU16(data + 5), mapEntryBits = data[7];
    const unsigned width = ReadU16(data + 12), height = ReadU16(data + 14);
    const unsigned depth = data[16], descriptor = data[17];
    const unsigned alphaBits = descriptor & 0x0F;
    const bool rightToLeft = (descriptor & 0x10) != 0, topOrigin = (descriptor & 0x20) != 0;

    const bool rle = type >= 9;
    const unsigned base = rle ? type - 8 : type;
    if (base < 1 || base > 3 || (type > 3 && type < 9) || type > 11) return kImageInvalidData;
    if (mapType > 1 || (base == 1 && mapType != 1)) return kImageInvalidData;
    switch (base) {
        case 1:
            if (depth != 8 && depth != 16) return kImageInvalidData;
            if (mapEntryBits != 15 && mapEntryBits != 16 && mapEntryBits != 24 && mapEntryBits != 32)
                return kImageInvalidData;
            break;
        case 2:
            if (depth != 15 && depth != 16 && depth != 24 && depth != 32) return kImageInvalidData;
            break;
        default:
            if (depth != 8 && depth != 16) return kImageInvalidData;
            break;
    }

    std::size_t p = 18u + idLength;
    // The colour map, when present, is skipped for images that do not index into it.
    std::vector<DWORD> map;
    bool alpha = false;
    if (mapType == 1) {
        const unsigned entryBytes = (mapEntryBits + 7) / 8;
        if (p + std::size_t{entryBytes} * mapLength > size) return kImageInvalidData;
        if (base == 1) {
            const bool mapAlpha = alphaBits > 0 && (mapEntryBits == 32 || mapEntryBits == 16);
            map.assign(mapFirst + mapLength, 0xFF000000u);
            for (unsigned i = 0; i < mapLength; ++i)
                map[mapFirst + i] = FromBytes(data + p + entryBytes * i, entryBytes, mapAlpha);
            alpha = mapAlpha;
        }
        p += std::size_t{entryBytes} * mapLength;
    }
    if (base == 2) alpha = alphaBits > 0 && (depth == 32 || depth == 16);
    if (base == 3) alpha = depth == 16 && alphaBits > 0;

    // The data must be able to cover the image (one 128-pixel packet at the least per 128 pixels)
    // before the image is allocated.
    const unsigned bytes = (depth + 7) / 8;
    const std::size_t total = std::size_t{width} * height;
    const std::size_t least = rle ? (total + 127) / 128 * (1u + bytes) : total * bytes;
    if (width > 0 && height > 0 && p + least > size) return kImageInvalidData;

    DecodedImage image;
    HRESULT hr = detail::AllocateImage(width, height, ImageFileFormat::Tga, size, limits, &image);
    if (FAILED(hr)) return hr;
    image.hasAlpha = alpha;

    auto colourOf = [&](const BYTE* px) -> DWORD {
        switch (base) {
            case 1: {
                const unsigned index = bytes == 1 ? px[0] : ReadU16(px);
                return index < map.size() ? map[index] : 0xFF000000u;
            }
            case 2: return FromBytes(px, bytes, alpha);
            default: return Argb(bytes == 2 && alpha ? px[1] : 0xFF, px[0], px[0], px[0]);
        }
    };

    auto place = [&](std::size_t i, DWORD colour) {
        std::size_t x = i % width, row = i / width;
        if (rightToLeft) x = width - 1 - x;
        const std::size_t y = topOrigin ? row : height - 1 - row;
        image.texels[y * width + x] = colour;
    };
    if (!rle) {
        for (std::size_t i = 0; i < total; ++i) place(i, colourOf(data + p + i * bytes));
    } else {
        // Packets may run across rows.
        std::size_t i = 0;
        while (i < total) {
            if (p >= size) return kImageInvalidData;
            const BYTE header = data[p++];
            const std::size_t count = (header & 0x7F) + 1u;
            if (i + count > total) return kImageInvalidData;
            if (header & 0x80) {
                if (p + bytes > size) return kImageInvalidData;
                const DWORD colour = colourOf(data + p);
                p += bytes;
                for (std::size_t k = 0; k < count; ++k) place(i++, colour);
            } else {
                if (p + count * bytes > size) return kImageInvalidData;
                for (std::size_t k = 0; k < count; ++k, p += bytes) place(i++, colourOf(data + p));
            }
        }
    }
    *out = std::move(image);
    return S_OK;
}

}  // namespace d3dx
