// Captured frames read back by the tests: 8-bit RGB, row 0 at the top.
#pragma once

#include <png.h>

#include <cstdlib>
#include <filesystem>
#include <vector>

namespace testpng {

struct Image {
    int nWidth = 0, nHeight = 0;
    std::vector<unsigned char> rgb;

    const unsigned char* At(int x, int y) const { return &rgb[(static_cast<size_t>(y) * nWidth + x) * 3]; }
    // 0xRRGGBB.
    unsigned Pixel(int x, int y) const {
        const unsigned char* p = At(x, y);
        return (p[0] << 16) | (p[1] << 8) | p[2];
    }
};

// An empty image (width 0) when the file is missing or not a PNG.
inline Image ReadPng(const std::filesystem::path& path) {
    Image image;
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&png, path.c_str())) return image;
    png.format = PNG_FORMAT_RGB;
    image.rgb.resize(PNG_IMAGE_SIZE(png));
    if (png_image_finish_read(&png, nullptr, image.rgb.data(), 0, nullptr)) {
        image.nWidth = static_cast<int>(png.width);
        image.nHeight = static_cast<int>(png.height);
    }
    return image;
}

// Sum of the channel differences.
inline int Distance(const unsigned char* a, const unsigned char* b) {
    return std::abs(a[0] - b[0]) + std::abs(a[1] - b[1]) + std::abs(a[2] - b[2]);
}

}  // namespace testpng
