// Image files made in code for the decoder tests and benchmarks.
#pragma once

#include <png.h>
#include <cstdio>
#include <jpeglib.h>

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <vector>

#include "win32/wintypes.h"

namespace fixtures {

using Bytes = std::vector<BYTE>;

inline void Put16(Bytes& b, unsigned v) {
    b.push_back(static_cast<BYTE>(v));
    b.push_back(static_cast<BYTE>(v >> 8));
}
inline void Put32(Bytes& b, DWORD v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}
inline void Append(Bytes& b, std::initializer_list<int> values) {
    for (int v : values) b.push_back(static_cast<BYTE>(v));
}

struct BmpSpec {
    DWORD headerSize = 40;  // 12 (core), 40, 56, 108, 124
    LONG width = 2;
    LONG height = 2;  // negative: top-down
    unsigned bpp = 24;
    DWORD compression = 0;
    std::vector<DWORD> masks;    // after a 40-byte header, or inside a longer one
    std::vector<DWORD> palette;  // 0x00RRGGBB
    Bytes pixels;                // rows in file order, padded as the file stores them
};

inline Bytes MakeBmp(const BmpSpec& s) {
    Bytes info;
    if (s.headerSize == 12) {
        Put32(info, 12);
        Put16(info, static_cast<unsigned>(s.width));
        Put16(info, static_cast<unsigned>(s.height));
        Put16(info, 1);
        Put16(info, s.bpp);
    } else {
        Put32(info, s.headerSize);
        Put32(info, static_cast<DWORD>(s.width));
        Put32(info, static_cast<DWORD>(s.height));
        Put16(info, 1);
        Put16(info, s.bpp);
        Put32(info, s.compression);
        Put32(info, static_cast<DWORD>(s.pixels.size()));
        Put32(info, 2835);
        Put32(info, 2835);
        Put32(info, static_cast<DWORD>(s.palette.size()));
        Put32(info, 0);
        if (s.headerSize > 40)
            for (std::size_t i = 0; i < 4; ++i) Put32(info, i < s.masks.size() ? s.masks[i] : 0);
        info.resize(s.headerSize, 0);
        if (s.headerSize == 40)
            for (DWORD m : s.masks) Put32(info, m);
    }
    for (DWORD c : s.palette) {
        Append(info, {int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)});
        if (s.headerSize != 12) info.push_back(0);
    }
    Bytes file{'B', 'M'};
    Put32(file, static_cast<DWORD>(14 + info.size() + s.pixels.size()));
    Put32(file, 0);
    Put32(file, static_cast<DWORD>(14 + info.size()));
    file.insert(file.end(), info.begin(), info.end());
    file.insert(file.end(), s.pixels.begin(), s.pixels.end());
    return file;
}

struct TgaSpec {
    unsigned type = 2;
    unsigned width = 2, height = 2, depth = 24, descriptor = 0;
    unsigned mapFirst = 0, mapEntryBits = 0;
    Bytes id, map, pixels;  // map entries and pixels already encoded
    unsigned mapLength = 0;
};

inline Bytes MakeTga(const TgaSpec& s) {
    Bytes b;
    b.push_back(static_cast<BYTE>(s.id.size()));
    b.push_back(s.mapEntryBits ? 1 : 0);
    b.push_back(static_cast<BYTE>(s.type));
    Put16(b, s.mapFirst);
    Put16(b, s.mapLength);
    b.push_back(static_cast<BYTE>(s.mapEntryBits));
    Put16(b, 0);
    Put16(b, 0);
    Put16(b, s.width);
    Put16(b, s.height);
    b.push_back(static_cast<BYTE>(s.depth));
    b.push_back(static_cast<BYTE>(s.descriptor));
    b.insert(b.end(), s.id.begin(), s.id.end());
    b.insert(b.end(), s.map.begin(), s.map.end());
    b.insert(b.end(), s.pixels.begin(), s.pixels.end());
    return b;
}

struct PngSpec {
    unsigned width = 0, height = 0;
    int colourType = PNG_COLOR_TYPE_RGB;
    int bitDepth = 8;
    Bytes rows;  // packed rows, 16-bit samples big-endian
    std::vector<png_color> palette;
    Bytes paletteAlpha;             // tRNS for palette images
    int trnsGrey = -1;              // tRNS for grey images
    int trnsRgb[3] = {-1, -1, -1};  // tRNS for RGB images
    bool interlaced = false;
};

inline void WriteToBytes(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

inline Bytes MakePng(const PngSpec& s) {
    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return {};
    }
    png_set_write_fn(png, &out, &WriteToBytes, nullptr);
    png_set_IHDR(png, info, s.width, s.height, s.bitDepth, s.colourType,
                 s.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (!s.palette.empty()) png_set_PLTE(png, info, s.palette.data(), static_cast<int>(s.palette.size()));
    png_color_16 trns{};
    if (!s.paletteAlpha.empty()) {
        png_set_tRNS(png, info, s.paletteAlpha.data(), static_cast<int>(s.paletteAlpha.size()), nullptr);
    } else if (s.trnsGrey >= 0) {
        trns.gray = static_cast<png_uint_16>(s.trnsGrey);
        png_set_tRNS(png, info, nullptr, 0, &trns);
    } else if (s.trnsRgb[0] >= 0) {
        trns.red = static_cast<png_uint_16>(s.trnsRgb[0]);
        trns.green = static_cast<png_uint_16>(s.trnsRgb[1]);
        trns.blue = static_cast<png_uint_16>(s.trnsRgb[2]);
        png_set_tRNS(png, info, nullptr, 0, &trns);
    }
    png_write_info(png, info);
    const std::size_t stride = s.rows.size() / s.height;
    std::vector<png_bytep> rows(s.height);
    for (unsigned y = 0; y < s.height; ++y) rows[y] = const_cast<png_bytep>(s.rows.data() + y * stride);
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

// A JPEG of `components` (1 grey, 3 RGB) samples per pixel, rows top first.
inline Bytes MakeJpeg(unsigned width, unsigned height, int components, const Bytes& samples, int quality = 100) {
    jpeg_compress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &buffer, &size);
    c.image_width = width;
    c.image_height = height;
    c.input_components = components;
    c.in_color_space = components == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, quality, TRUE);
    jpeg_start_compress(&c, TRUE);
    while (c.next_scanline < height) {
        JSAMPROW row = const_cast<JSAMPLE*>(samples.data() + std::size_t{c.next_scanline} * width * components);
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    Bytes out(buffer, buffer + size);
    jpeg_destroy_compress(&c);
    std::free(buffer);
    return out;
}

}  // namespace fixtures
