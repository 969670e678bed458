// Windows bitmaps: core and info headers (up to the fifth version), 1/4/8-bit palettes,
// 16/24/32-bit direct colour with default or explicit bit fields, RLE8 and RLE4, both row orders.
#include <algorithm>
#include <array>
#include <bit>

#include "d3dx8/image/imagecommon.h"

namespace d3dx {
namespace {

using detail::ReadU16;
using detail::ReadU32;

constexpr DWORD kBiRgb = 0, kBiRle8 = 1, kBiRle4 = 2, kBiBitfields = 3, kBiAlphaBitfields = 6;

// One colour channel as a mask of a packed pixel.
struct Channel {
    DWORD mask = 0;
    unsigned shift = 0;
    unsigned bits = 0;

    explicit Channel(DWORD m = 0) : mask(m) {
        if (m == 0) return;
        shift = static_cast<unsigned>(std::countr_zero(m));
        bits = static_cast<unsigned>(std::popcount(m));
    }
    DWORD Extract(DWORD pixel) const {
        if (mask == 0) return 0;
        const DWORD value = (pixel & mask) >> shift;
        if (bits > 8) return (value >> (bits - 8)) & 0xFF;
        return detail::ExpandBits(value, bits);
    }
};

// Where decoded pixels go: file rows are counted from the first stored row, which is the
// bottom one unless the height was negative.
struct Target {
    DecodedImage* image;
    bool topDown;
    void Put(std::uint64_t x, std::uint64_t fileRow, DWORD colour) const {
        if (x >= image->width || fileRow >= image->height) return;
        const std::uint64_t y = topDown ? fileRow : image->height - 1 - fileRow;
        image->texels[static_cast<std::size_t>(y * image->width + x)] = colour;
    }
    // How many of `count` texels from column x land inside the row: the rest are clipped
    // unvisited, so a file of long runs costs no more than its bytes and the image.
    unsigned InRow(std::uint64_t x, unsigned count) const {
        return x >= image->width ? 0u : static_cast<unsigned>(std::min<std::uint64_t>(count, image->width - x));
    }
};

HRESULT DecodeRle(const BYTE* data, std::size_t size, std::size_t offset, bool four,
                  const std::array<DWORD, 256>& palette, const Target& target) {
    std::uint64_t x = 0, row = 0;
    std::size_t p = offset;
    auto need = [&](std::size_t n) { return p + n <= size; };
    while (true) {
        if (!need(2)) return kImageInvalidData;  // ran out before the end-of-bitmap code
        const BYTE count = data[p], value = data[p + 1];
        p += 2;
        if (count > 0) {
            for (unsigned i = 0, n = target.InRow(x, count); i < n; ++i) {
                const BYTE index = four ? ((i & 1) ? (value & 0x0F) : (value >> 4)) : value;
                target.Put(x + i, row, palette[index]);
            }
            x += count;
            continue;
        }
        switch (value) {
            case 0:
                x = 0;
                ++row;
                break;
            case 1: return S_OK;
            case 2:
                if (!need(2)) return kImageInvalidData;
                x += data[p];
                row += data[p + 1];
                p += 2;
                break;
            default: {
                const std::size_t bytes = four ? (value + 1u) / 2u : value;
                const std::size_t padded = (bytes + 1u) & ~std::size_t{1};
                if (!need(bytes)) return kImageInvalidData;
                for (unsigned i = 0, n = target.InRow(x, value); i < n; ++i) {
                    const BYTE b = four ? data[p + i / 2] : data[p + i];
                    const BYTE index = four ? ((i & 1) ? (b & 0x0F) : (b >> 4)) : b;
                    target.Put(x + i, row, palette[index]);
                }
                x += value;
                p += need(padded) ? padded : bytes;
                break;
            }
        }
        if (row > target.image->height) return S_OK;  // everything further would be clipped
    }
}

}  // namespace

HRESULT DecodeBmp(const BYTE* data, std::size_t size, DecodedImage* out, const DecodeLimits& limits) {
    *out = DecodedImage{};
    if (!data || size < 18 || data[0] != 'B' || data[1] != 'M') return kImageInvalidData;
    const DWORD pixelOffset = ReadU32(data + 10);
    const DWORD headerSize = ReadU32(data + 14);
    if (headerSize != 12 && (headerSize < 40 || headerSize > 124)) return kImageInvalidData;
    if (14u + headerSize > size) return kImageInvalidData;
    const BYTE* h = data + 14;

    std::int64_t width, height;
    unsigned bpp;
    DWORD compression = kBiRgb, colorsUsed = 0;
    if (headerSize == 12) {
        width = ReadU16(h + 4);
        height = static_cast<std::int16_t>(ReadU16(h + 6));
        bpp = ReadU16(h + 10);
    } else {
        width = static_cast<std::int32_t>(ReadU32(h + 4));
        height = static_cast<std::int32_t>(ReadU32(h + 8));
        bpp = ReadU16(h + 14);
        compression = ReadU32(h + 16);
        colorsUsed = ReadU32(h + 32);
    }
    const bool topDown = height < 0;
    if (topDown) height = -height;
    if (width <= 0 || height <= 0) return kImageInvalidData;

    const bool bitfields = compression == kBiBitfields || compression == kBiAlphaBitfields;
    switch (compression) {
        case kBiRgb:
            if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) return kImageInvalidData;
            break;
        case kBiRle8:
            if (bpp != 8) return kImageInvalidData;
            break;
        case kBiRle4:
            if (bpp != 4) return kImageInvalidData;
            break;
        case kBiBitfields:
        case kBiAlphaBitfields:
            if (bpp != 16 && bpp != 32) return kImageInvalidData;
            break;
        default: return kImageInvalidData;
    }

    // Bit fields sit inside the longer headers, or right after the 40-byte one.
    Channel red(bpp == 16 ? 0x7C00u : 0x00FF0000u), green(bpp == 16 ? 0x03E0u : 0x0000FF00u),
        blue(bpp == 16 ? 0x001Fu : 0x000000FFu), alpha;
    std::size_t paletteOffset = 14u + headerSize;
    if (bitfields) {
        const BYTE* masks = h + 40;
        if (headerSize == 40) {
            const std::size_t count = compression == kBiAlphaBitfields ? 4 : 3;
            if (paletteOffset + 4 * count > size) return kImageInvalidData;
            masks = data + paletteOffset;
            paletteOffset += 4 * count;
            if (count == 4) alpha = Channel(ReadU32(masks + 12));
        } else if (headerSize < 52) {
            return kImageInvalidData;
        } else if (headerSize >= 56) {
            alpha = Channel(ReadU32(masks + 12));
        }
        red = Channel(ReadU32(masks));
        green = Channel(ReadU32(masks + 4));
        blue = Channel(ReadU32(masks + 8));
    }

    std::array<DWORD, 256> palette;
    palette.fill(0xFF000000u);
    if (bpp <= 8) {
        const std::size_t entrySize = headerSize == 12 ? 3 : 4;
        std::size_t count = std::size_t{1} << bpp;
        if (colorsUsed != 0 && colorsUsed < count) count = colorsUsed;
        // Writers that store fewer entries than the depth allows still put the pixels after them.
        if (pixelOffset > paletteOffset && (pixelOffset - paletteOffset) / entrySize < count)
            count = (pixelOffset - paletteOffset) / entrySize;
        if (paletteOffset + entrySize * count > size) return kImageInvalidData;
        for (std::size_t i = 0; i < count; ++i) {
            const BYTE* e = data + paletteOffset + entrySize * i;
            palette[i] = detail::Argb(0xFF, e[2], e[1], e[0]);
        }
    }
    if (pixelOffset >= size) return kImageInvalidData;

    const std::uint64_t stride = ((static_cast<std::uint64_t>(width) * bpp + 31) / 32) * 4;
    const bool rle = compression == kBiRle8 || compression == kBiRle4;
    // A run codes at most 255 pixels in two bytes; an image larger than its codes could fill
    // is refused before the allocation, as an uncompressed one shorter than its rows is.
    const std::uint64_t texels = static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height);
    const bool covered =
        rle ? texels / 128 <= size - pixelOffset : pixelOffset + stride * static_cast<std::uint64_t>(height) <= size;
    if (!covered) {
        // Checked before the allocation, so a huge header on a short file costs nothing; the
        // size limit below still applies to files that really are this big.
        if (static_cast<std::uint64_t>(width) > kMaxImageDimension ||
            static_cast<std::uint64_t>(height) > kMaxImageDimension)
            return kImageTooLarge;
        return kImageInvalidData;
    }

    DecodedImage image;
    HRESULT hr = detail::AllocateImage(width, height, ImageFileFormat::Bmp, size, limits, &image);
    if (FAILED(hr)) return hr;
    image.hasAlpha = alpha.mask != 0;
    const Target target{&image, topDown};

    if (rle) {
        hr = DecodeRle(data, size, pixelOffset, compression == kBiRle4, palette, target);
        if (FAILED(hr)) return hr;
    } else {
        for (std::int64_t r = 0; r < height; ++r) {
            const BYTE* row = data + pixelOffset + stride * r;
            for (std::int64_t x = 0; x < width; ++x) {
                DWORD colour;
                switch (bpp) {
                    case 1: colour = palette[(row[x >> 3] >> (7 - (x & 7))) & 1]; break;
                    case 4: colour = palette[(x & 1) ? (row[x >> 1] & 0x0F) : (row[x >> 1] >> 4)]; break;
                    case 8: colour = palette[row[x]]; break;
                    case 24: colour = detail::Argb(0xFF, row[3 * x + 2], row[3 * x + 1], row[3 * x]); break;
                    default: {
                        const DWORD pixel = bpp == 16 ? ReadU16(row + 2 * x) : ReadU32(row + 4 * x);
                        const DWORD a = alpha.mask ? alpha.Extract(pixel) : 0xFF;
                        colour = detail::Argb(a, red.Extract(pixel), green.Extract(pixel), blue.Extract(pixel));
                        break;
                    }
                }
                target.Put(x, r, colour);
            }
        }
    }
    *out = std::move(image);
    return S_OK;
}

}  // namespace d3dx
