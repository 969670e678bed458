// RGB(A) images in memory and their two file formats: 24-bit BMP and uncompressed TGA.
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

namespace mediagen {

struct Rgb {
    float r = 0, g = 0, b = 0;  // 0 to 1
};
inline Rgb Mix(Rgb a, Rgb b, float t) { return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t}; }
inline Rgb Scale(Rgb a, float s) { return {a.r * s, a.g * s, a.b * s}; }
inline Rgb Add(Rgb a, Rgb b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }

// Row 0 is the top row (texture v = 0); the writers turn it into each format's own order.
class Image {
public:
    Image(int width, int height);

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    void Set(int x, int y, Rgb c);
    void Set(int x, int y, uint8_t r, uint8_t g, uint8_t b);
    const uint8_t* Pixel(int x, int y) const { return &m_rgb[(static_cast<size_t>(y) * m_width + x) * 3]; }
    uint8_t* Pixel(int x, int y) { return &m_rgb[(static_cast<size_t>(y) * m_width + x) * 3]; }
    void Fill(Rgb c);
    void FillRect(int x0, int y0, int x1, int y1, Rgb c);  // half-open, clipped

private:
    int m_width;
    int m_height;
    std::vector<uint8_t> m_rgb;
};

uint8_t ToByte(float v);

// 24-bit uncompressed BMP, bottom-up rows padded to 4 bytes.
void WriteBmp24(const std::filesystem::path& path, const Image& image);
// Uncompressed true-colour TGA (type 2), 24 bits, rows stored top-down (descriptor bit 5).
void WriteTga24(const std::filesystem::path& path, const Image& image);

}  // namespace mediagen
