#include "d3dx8/image/imagedecode.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <filesystem>
#include <random>
#include <string>

#include "imagefixtures.h"
#include "scratch_file.h"

// The largest single allocation through operator new since it was last cleared: the decoders'
// texel buffers go through it, so a test can see what a file made them reserve.
std::atomic<std::size_t> g_largestAllocation{0};

void* operator new(std::size_t size) {
    std::size_t seen = g_largestAllocation.load();
    while (size > seen && !g_largestAllocation.compare_exchange_weak(seen, size)) {
    }
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
// The replaced operator new allocates with malloc, so free is its match (the compiler cannot see that).
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
#pragma GCC diagnostic pop

namespace {

using d3dx::DecodedImage;
using fixtures::Bytes;

constexpr DWORD R = 0xFFFF0000, G = 0xFF00FF00, B = 0xFF0000FF, W = 0xFFFFFFFF, K = 0xFF000000;

struct Case {
    std::string name;
    Bytes file;
    UINT width, height;
    std::vector<DWORD> texels;  // row 0 first
    bool hasAlpha;
};

void ExpectDecodes(const Case& c) {
    SCOPED_TRACE(c.name);
    DecodedImage image;
    ASSERT_EQ(d3dx::DecodeImage(c.file.data(), c.file.size(), &image), S_OK);
    EXPECT_EQ(image.width, c.width);
    EXPECT_EQ(image.height, c.height);
    EXPECT_EQ(image.hasAlpha, c.hasAlpha);
    ASSERT_EQ(image.texels.size(), c.texels.size());
    for (std::size_t i = 0; i < c.texels.size(); ++i) EXPECT_EQ(image.texels[i], c.texels[i]) << "texel " << i;
}

// 2 x 2 images: top row red, green; bottom row blue, white. Bottom-up files store the bottom first.
std::vector<Case> BmpCases() {
    const std::vector<DWORD> pal = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};
    const std::vector<DWORD> rgbw = {R, G, B, W};
    using fixtures::BmpSpec;
    std::vector<Case> cases;
    auto add = [&](std::string name, BmpSpec spec, std::vector<DWORD> texels = {}, bool alpha = false, UINT w = 2,
                   UINT h = 2) {
        cases.push_back({std::move(name), fixtures::MakeBmp(spec), w, h, texels.empty() ? rgbw : texels, alpha});
    };
    add("1-bit", {.bpp = 1, .palette = {0x0000FF, 0xFFFFFF}, .pixels = {0x40, 0, 0, 0, 0x80, 0, 0, 0}}, {W, B, B, W});
    add("4-bit", {.bpp = 4, .palette = pal, .pixels = {0x34, 0, 0, 0, 0x12, 0, 0, 0}});
    add("8-bit", {.bpp = 8, .palette = pal, .pixels = {3, 4, 0, 0, 1, 2, 0, 0}});
    add("8-bit core header", {.headerSize = 12, .bpp = 8, .palette = pal, .pixels = {3, 4, 0, 0, 1, 2, 0, 0}});
    add("8-bit index past the palette reads black", {.bpp = 8, .palette = pal, .pixels = {3, 200, 0, 0, 1, 2, 0, 0}},
        {R, G, B, K});
    add("16-bit 555", {.bpp = 16, .pixels = {0x1F, 0x00, 0xFF, 0x7F, 0x00, 0x7C, 0xE0, 0x03}});
    add("16-bit 565 bit fields", {.bpp = 16,
                                  .compression = 3,
                                  .masks = {0xF800, 0x07E0, 0x001F},
                                  .pixels = {0x1F, 0x00, 0xFF, 0xFF, 0x00, 0xF8, 0xE0, 0x07}});
    add("24-bit", {.bpp = 24, .pixels = {0xFF, 0, 0, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0xFF, 0, 0xFF, 0, 0, 0}});
    add("24-bit top-down",
        {.height = -2, .bpp = 24, .pixels = {0, 0, 0xFF, 0, 0xFF, 0, 0, 0, 0xFF, 0, 0, 0xFF, 0xFF, 0xFF, 0, 0}});
    add("32-bit BI_RGB ignores the fourth byte",
        {.bpp = 32, .pixels = {0xFF, 0, 0, 0x12, 0xFF, 0xFF, 0xFF, 0x34, 0, 0, 0xFF, 0x56, 0, 0xFF, 0, 0x78}});
    add("32-bit alpha bit fields after the header",
        {.bpp = 32,
         .compression = 6,
         .masks = {0xFF0000, 0xFF00, 0xFF, 0xFF000000},
         .pixels = {0xFF, 0, 0, 0x80, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0xFF, 0x00, 0, 0xFF, 0, 0x40}},
        {0x00FF0000, 0x4000FF00, 0x800000FF, W}, true);
    add("32-bit alpha mask in a version 5 header",
        {.headerSize = 124,
         .bpp = 32,
         .compression = 3,
         .masks = {0xFF0000, 0xFF00, 0xFF, 0xFF000000},
         .pixels = {0xFF, 0, 0, 0x80, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0xFF, 0x00, 0, 0xFF, 0, 0x40}},
        {0x00FF0000, 0x4000FF00, 0x800000FF, W}, true);
    add("32-bit bit fields without alpha mask",
        {.headerSize = 56,
         .bpp = 32,
         .compression = 3,
         .masks = {0xFF, 0xFF00, 0xFF0000, 0},
         .pixels = {0, 0, 0xFF, 9, 0xFF, 0xFF, 0xFF, 9, 0xFF, 0, 0, 9, 0, 0xFF, 0, 9}});
    add("RLE8 runs", {.bpp = 8, .compression = 1, .palette = pal, .pixels = {1, 3, 1, 4, 0, 0, 2, 1, 0, 1}},
        {R, R, B, W});
    add("RLE8 absolute run and delta",
        {.width = 3,
         .bpp = 8,
         .compression = 1,
         .palette = pal,
         .pixels = {0, 3, 3, 4, 3, 0, 0, 0, 1, 1, 0, 2, 1, 0, 0, 1}},
        {R, K, K, B, W, B}, false, 3, 2);
    add("RLE4 runs and absolute",
        {.bpp = 4, .compression = 2, .palette = pal, .pixels = {0, 3, 0x34, 0x30, 0, 0, 2, 0x12, 0, 1}}, {R, G, B, W});
    // Runs longer than what is left of the row: the row takes its part, the rest is dropped.
    add("RLE8 runs past the row's end",
        {.bpp = 8, .compression = 1, .palette = pal, .pixels = {255, 1, 0, 0, 0, 5, 3, 3, 3, 3, 3, 0, 0, 1}},
        {B, B, R, R});
    add("RLE4 runs past the row's end",
        {.bpp = 4, .compression = 2, .palette = pal, .pixels = {255, 0x34, 0, 0, 0, 5, 0x12, 0x12, 0x10, 0, 0, 1}},
        {R, G, B, W});
    return cases;
}

TEST(BmpDecoder, DecodesEveryDepthAndEncoding) {
    for (const Case& c : BmpCases()) ExpectDecodes(c);
}

std::vector<Case> TgaCases() {
    using fixtures::TgaSpec;
    std::vector<Case> cases;
    const std::vector<DWORD> rgbw = {R, G, B, W};
    auto add = [&](std::string name, TgaSpec spec, std::vector<DWORD> texels = {}, bool alpha = false) {
        cases.push_back(
            {std::move(name), fixtures::MakeTga(spec), spec.width, spec.height, texels.empty() ? rgbw : texels, alpha});
    };
    const Bytes bgr24Bottom = {0xFF, 0, 0, 0xFF, 0xFF, 0xFF, 0, 0, 0xFF, 0, 0xFF, 0};
    add("type 2, 24-bit, bottom origin", {.pixels = bgr24Bottom});
    add("type 2, 24-bit, top origin, with id",
        {.descriptor = 0x20, .id = {'i', 'd'}, .pixels = {0, 0, 0xFF, 0, 0xFF, 0, 0xFF, 0, 0, 0xFF, 0xFF, 0xFF}});
    add("type 2, right to left",
        {.descriptor = 0x30, .pixels = {0, 0xFF, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0}});
    add("type 2, 32-bit with alpha bits",
        {.depth = 32,
         .descriptor = 0x08,
         .pixels = {0xFF, 0, 0, 0x80, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0xFF, 0x00, 0, 0xFF, 0, 0x40}},
        {0x00FF0000, 0x4000FF00, 0x800000FF, W}, true);
    add("type 2, 32-bit without alpha bits",
        {.depth = 32,
         .descriptor = 0x20,
         .pixels = {0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0}});
    add("type 2, 16-bit with an alpha bit",
        {.depth = 16, .descriptor = 0x21, .pixels = {0x00, 0x7C, 0xE0, 0x83, 0x1F, 0x80, 0xFF, 0xFF}},
        {0x00FF0000, G, B, W}, true);
    add("type 1, 8-bit indices into a 24-bit map starting at 1",
        {.type = 1,
         .depth = 8,
         .descriptor = 0x20,
         .mapFirst = 1,
         .mapEntryBits = 24,
         .map = {0, 0, 0xFF, 0, 0xFF, 0, 0xFF, 0, 0, 0xFF, 0xFF, 0xFF},
         .pixels = {1, 2, 3, 4},
         .mapLength = 4});
    add("type 1, index outside the map reads black",
        {.type = 1,
         .depth = 8,
         .descriptor = 0x20,
         .mapFirst = 1,
         .mapEntryBits = 24,
         .map = {0, 0, 0xFF, 0, 0xFF, 0, 0xFF, 0, 0, 0xFF, 0xFF, 0xFF},
         .pixels = {1, 2, 3, 0},
         .mapLength = 4},
        {R, G, B, K});
    add("type 3, grey", {.type = 3, .depth = 8, .descriptor = 0x20, .pixels = {0, 0x40, 0x80, 0xFF}},
        {K, 0xFF404040, 0xFF808080, W});
    add("type 3, grey with alpha",
        {.type = 3, .depth = 16, .descriptor = 0x28, .pixels = {0x10, 0x80, 0x20, 0xFF, 0x30, 0, 0x40, 0x01}},
        {0x80101010, 0xFF202020, 0x00303030, 0x01404040}, true);
    // Bottom row (B, W) then top row (R, G) in one stream: the run crosses the row boundary.
    add("type 10, packets across rows",
        {.type = 10, .pixels = {0x00, 0xFF, 0, 0, 0x81, 0xFF, 0xFF, 0xFF, 0x00, 0, 0xFF, 0}}, {W, G, B, W});
    add("type 9, colour-mapped runs",
        {.type = 9,
         .depth = 8,
         .descriptor = 0x20,
         .mapEntryBits = 32,
         .map = {0, 0, 0xFF, 0x10, 0xFF, 0xFF, 0xFF, 0xFF},
         .pixels = {0x81, 0, 0x81, 1},
         .mapLength = 2},
        {R, R, W, W});
    add("type 9, colour map with alpha bits",
        {.type = 9,
         .depth = 8,
         .descriptor = 0x28,
         .mapEntryBits = 32,
         .map = {0, 0, 0xFF, 0x10, 0xFF, 0xFF, 0xFF, 0xFF},
         .pixels = {0x81, 0, 0x81, 1},
         .mapLength = 2},
        {0x10FF0000, 0x10FF0000, W, W}, true);
    add("type 11, grey runs", {.type = 11, .depth = 8, .descriptor = 0x20, .pixels = {0x83, 0x55}},
        {0xFF555555, 0xFF555555, 0xFF555555, 0xFF555555});
    return cases;
}

TEST(TgaDecoder, DecodesEveryTypeAndOrigin) {
    for (const Case& c : TgaCases()) ExpectDecodes(c);
}

// Sample s of a bit depth as libpng expands it to 8 bits.
BYTE To8(unsigned s, int depth) { return depth == 16 ? BYTE(s >> 8) : BYTE(s * 255 / ((1u << depth) - 1)); }

// A 5 x 3 image whose samples run through every value of small depths.
Case PngCase(int colourType, int depth, bool trns, bool interlaced = false) {
    fixtures::PngSpec spec{
        .width = 5, .height = 3, .colourType = colourType, .bitDepth = depth, .interlaced = interlaced};
    const int channels = colourType == PNG_COLOR_TYPE_GRAY         ? 1
                         : colourType == PNG_COLOR_TYPE_GRAY_ALPHA ? 2
                         : colourType == PNG_COLOR_TYPE_RGB        ? 3
                         : colourType == PNG_COLOR_TYPE_RGBA       ? 4
                                                                   : 1;
    const unsigned maxValue = (1u << depth) - 1;
    auto sample = [&](unsigned x, unsigned y, int c) -> unsigned {
        const unsigned v = (x * 7 + y * 13 + c * 5) % (depth == 16 ? 256 : maxValue + 1);
        return depth == 16 ? v * 257 : v;  // 16-bit samples that any rounding maps to v
    };
    if (colourType == PNG_COLOR_TYPE_PALETTE) {
        for (unsigned i = 0; i <= maxValue; ++i)
            spec.palette.push_back({BYTE(i * 16), BYTE(255 - i * 16), BYTE(i * 3)});
        if (trns) spec.paletteAlpha = {0, 0x80};
    }
    if (trns && colourType == PNG_COLOR_TYPE_GRAY) spec.trnsGrey = int(sample(1, 0, 0));
    if (trns && colourType == PNG_COLOR_TYPE_RGB)
        for (int c = 0; c < 3; ++c) spec.trnsRgb[c] = int(sample(1, 0, c));

    Case result{"colour type " + std::to_string(colourType) + " depth " + std::to_string(depth) +
                    (trns ? " tRNS" : "") + (interlaced ? " interlaced" : ""),
                {},
                spec.width,
                spec.height,
                {},
                trns || (colourType & PNG_COLOR_MASK_ALPHA) != 0};
    for (unsigned y = 0; y < spec.height; ++y) {
        Bytes row;
        unsigned acc = 0, bits = 0;
        for (unsigned x = 0; x < spec.width; ++x) {
            unsigned s[4];
            for (int c = 0; c < channels; ++c) {
                s[c] = sample(x, y, c);
                if (depth == 16) {
                    row.push_back(BYTE(s[c] >> 8));
                    row.push_back(BYTE(s[c]));
                } else {
                    acc = (acc << depth) | s[c];
                    bits += depth;
                    if (bits == 8) row.push_back(BYTE(acc)), acc = 0, bits = 0;
                }
            }
            DWORD a = 0xFF, r, g, b;
            if (colourType == PNG_COLOR_TYPE_PALETTE) {
                const png_color& e = spec.palette[s[0]];
                r = e.red, g = e.green, b = e.blue;
                if (s[0] < spec.paletteAlpha.size()) a = spec.paletteAlpha[s[0]];
            } else if (channels <= 2) {
                r = g = b = To8(s[0], depth);
                if (channels == 2) a = To8(s[1], depth);
                if (int(s[0]) == spec.trnsGrey) a = 0;
            } else {
                r = To8(s[0], depth), g = To8(s[1], depth), b = To8(s[2], depth);
                if (channels == 4) a = To8(s[3], depth);
                if (int(s[0]) == spec.trnsRgb[0] && int(s[1]) == spec.trnsRgb[1] && int(s[2]) == spec.trnsRgb[2]) a = 0;
            }
            result.texels.push_back((a << 24) | (r << 16) | (g << 8) | b);
        }
        if (bits) row.push_back(BYTE(acc << (8 - bits)));
        spec.rows.insert(spec.rows.end(), row.begin(), row.end());
    }
    result.file = fixtures::MakePng(spec);
    return result;
}

std::vector<Case> PngCases() {
    std::vector<Case> cases;
    for (int d : {1, 2, 4, 8, 16}) cases.push_back(PngCase(PNG_COLOR_TYPE_GRAY, d, false));
    for (int d : {1, 2, 4, 8}) cases.push_back(PngCase(PNG_COLOR_TYPE_PALETTE, d, false));
    for (int d : {8, 16}) {
        cases.push_back(PngCase(PNG_COLOR_TYPE_GRAY_ALPHA, d, false));
        cases.push_back(PngCase(PNG_COLOR_TYPE_RGB, d, false));
        cases.push_back(PngCase(PNG_COLOR_TYPE_RGB_ALPHA, d, false));
        cases.push_back(PngCase(PNG_COLOR_TYPE_RGB, d, true));
        cases.push_back(PngCase(PNG_COLOR_TYPE_GRAY, d, true));
    }
    cases.push_back(PngCase(PNG_COLOR_TYPE_GRAY, 4, true));
    cases.push_back(PngCase(PNG_COLOR_TYPE_PALETTE, 2, true));
    cases.push_back(PngCase(PNG_COLOR_TYPE_RGB_ALPHA, 8, false, true));
    return cases;
}

TEST(PngDecoder, DecodesEveryColourTypeAndDepth) {
    for (const Case& c : PngCases()) ExpectDecodes(c);
}

// Flat quadrants survive JPEG well enough to check each one's colour at its centre.
TEST(JpegDecoder, DecodesGreyAndColour) {
    const unsigned size = 32;
    const BYTE quadrant[4][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
    for (int components : {1, 3}) {
        SCOPED_TRACE(components);
        Bytes samples;
        for (unsigned y = 0; y < size; ++y)
            for (unsigned x = 0; x < size; ++x) {
                const int q = (y >= size / 2) * 2 + (x >= size / 2);
                if (components == 1)
                    samples.push_back(BYTE(40 + 60 * q));
                else
                    samples.insert(samples.end(), quadrant[q], quadrant[q] + 3);
            }
        const Bytes file = fixtures::MakeJpeg(size, size, components, samples);
        DecodedImage image;
        ASSERT_EQ(d3dx::DecodeImage(file.data(), file.size(), &image), S_OK);
        ASSERT_EQ(image.width, size);
        ASSERT_EQ(image.height, size);
        EXPECT_FALSE(image.hasAlpha);
        for (int q = 0; q < 4; ++q) {
            const DWORD texel = image.At((q & 1) ? 24 : 8, (q & 2) ? 24 : 8);
            EXPECT_EQ(texel >> 24, 0xFFu);
            for (int c = 0; c < 3; ++c) {
                const int want = components == 1 ? 40 + 60 * q : quadrant[q][c];
                const int got = int((texel >> (16 - 8 * c)) & 0xFF);
                EXPECT_NEAR(got, want, 6) << "quadrant " << q << " channel " << c;
            }
        }
    }
}

std::vector<Case> AllCases() {
    std::vector<Case> all = BmpCases();
    for (auto* more : {&TgaCases, &PngCases})
        for (Case& c : more()) all.push_back(std::move(c));
    Bytes grey(16 * 16, 0x80);
    all.push_back({"jpeg", fixtures::MakeJpeg(16, 16, 1, grey), 16, 16, {}, false});
    return all;
}

TEST(ImageDecoders, EveryCutOffFileFails) {
    for (const Case& c : AllCases()) {
        SCOPED_TRACE(c.name);
        for (std::size_t length = 0; length < c.file.size(); ++length) {
            // A copy of exactly the prefix, so that the sanitizers see any read past it.
            const Bytes prefix(c.file.begin(), c.file.begin() + length);
            DecodedImage image;
            EXPECT_TRUE(FAILED(d3dx::DecodeImage(prefix.data(), prefix.size(), &image))) << "length " << length;
            EXPECT_TRUE(image.texels.empty());
        }
    }
}

TEST(ImageDecoders, DamagedFilesNeverReachOutsideTheirBuffers) {
    std::mt19937 random(1234);
    for (const Case& c : AllCases()) {
        for (int round = 0; round < 200; ++round) {
            Bytes damaged = c.file;
            const int flips = 1 + int(random() % 4);
            for (int i = 0; i < flips; ++i) damaged[random() % damaged.size()] = BYTE(random());
            DecodedImage image;
            if (SUCCEEDED(d3dx::DecodeImage(damaged.data(), damaged.size(), &image))) {
                EXPECT_EQ(image.texels.size(), std::size_t{image.width} * image.height) << c.name;
            }
        }
    }
}

TEST(ImageDecoders, RefuseOversizedAndUnknownFiles) {
    Bytes hugeBmp = fixtures::MakeBmp({.width = 100000, .height = 100000, .bpp = 24, .pixels = Bytes(64, 0)});
    Bytes hugeTga = fixtures::MakeTga({.type = 10, .width = 65535, .height = 65535, .pixels = {0xFF, 1, 2, 3}});
    Bytes hugePng = PngCase(PNG_COLOR_TYPE_RGB, 8, false).file;
    hugePng[16] = 0x7F;  // IHDR width: about 2 billion
    Bytes hugeJpeg = fixtures::MakeJpeg(16, 16, 1, Bytes(256, 0x80));
    for (std::size_t i = 0; i + 8 < hugeJpeg.size(); ++i)
        if (hugeJpeg[i] == 0xFF && hugeJpeg[i + 1] == 0xC0) {  // frame header: height, width at +5
            hugeJpeg[i + 5] = 0xFD, hugeJpeg[i + 7] = 0xFD;
            break;
        }
    const struct {
        const char* name;
        Bytes file;
    } cases[] = {
        {"bmp", hugeBmp},
        {"tga", hugeTga},
        {"png", hugePng},
        {"jpeg", hugeJpeg},
        {"empty", {}},
        {"text", {'h', 'e', 'l', 'l', 'o'}},
        {"zero-size bmp", fixtures::MakeBmp({.width = 0, .pixels = {}})},
    };
    for (const auto& c : cases) {
        DecodedImage image;
        EXPECT_TRUE(FAILED(d3dx::DecodeImage(c.file.data(), c.file.size(), &image))) << c.name;
        EXPECT_TRUE(image.texels.empty()) << c.name;
    }
    DecodedImage image;
    EXPECT_EQ(d3dx::DecodePng(hugePng.data(), hugePng.size(), &image), d3dx::kImageTooLarge);
}

DWORD Crc32(const BYTE* p, std::size_t n) {
    DWORD crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < n; ++i) {
        crc ^= p[i];
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

// Headers within the size limits on files far too small to hold such images: refused before
// the texels are allocated.
TEST(ImageDecoders, TinyFilesWithLargeHeadersAllocateNothingLarge) {
    Bytes runs;
    for (int i = 0; i < 500; ++i) runs.insert(runs.end(), {255, 1});
    runs.insert(runs.end(), {0, 1});
    const std::vector<DWORD> pal = {0xFF0000, 0x00FF00};
    Bytes png = PngCase(PNG_COLOR_TYPE_RGB, 8, false).file;
    png[18] = png[22] = 0x20;  // IHDR width and height 8192, checksum made good again
    png[19] = png[23] = 0;
    const DWORD crc = Crc32(png.data() + 12, 17);
    for (int i = 0; i < 4; ++i) png[29 + i] = BYTE(crc >> (24 - 8 * i));
    Bytes jpeg = fixtures::MakeJpeg(16, 16, 1, Bytes(256, 0x80));
    for (std::size_t i = 0; i + 8 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) {                            // frame header: height, width at +5
            jpeg[i + 5] = jpeg[i + 7] = 0x1F, jpeg[i + 6] = jpeg[i + 8] = 0x40;  // 8000 x 8000
            break;
        }
    const struct {
        const char* name;
        Bytes file;
    } cases[] = {
        {"RLE8 bmp", fixtures::MakeBmp(
                         {.width = 8192, .height = 8192, .bpp = 8, .compression = 1, .palette = pal, .pixels = runs})},
        {"RLE4 bmp", fixtures::MakeBmp(
                         {.width = 8192, .height = 8192, .bpp = 4, .compression = 2, .palette = pal, .pixels = runs})},
        {"png", png},
        {"jpeg", jpeg},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_LT(c.file.size(), 1100u);
        DecodedImage image;
        g_largestAllocation = 0;
        EXPECT_EQ(d3dx::DecodeImage(c.file.data(), c.file.size(), &image), d3dx::kImageInvalidData);
        EXPECT_LT(g_largestAllocation.load(), std::size_t{1} << 20);
        EXPECT_TRUE(image.texels.empty());
    }
}

TEST(ImageDecoders, ReadFilesThroughTheFileLayer) {
    const testscratch::ScratchFolder scratch("abisalia_image_");
    const std::filesystem::path& folder = scratch.Path();
    std::filesystem::create_directories(folder / "Sub");
    const Case c = BmpCases()[2];
    {
        std::FILE* f = std::fopen((folder / "Sub" / "Tile.BMP").c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::fwrite(c.file.data(), 1, c.file.size(), f);
        std::fclose(f);
    }
    DecodedImage image;
    const std::string windowsName = folder.string() + "\\sub\\tile.bmp";
    EXPECT_EQ(d3dx::DecodeImageFile(windowsName.c_str(), &image), S_OK);
    EXPECT_EQ(image.texels, c.texels);
    EXPECT_EQ(d3dx::DecodeImageFile((folder / "missing.bmp").c_str(), &image), E_FAIL);
}

}  // namespace
