#include "image.h"

#include <algorithm>
#include <stdexcept>

#include "common.h"

namespace mediagen {
namespace {

void Put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

}  // namespace

uint8_t ToByte(float v) { return static_cast<uint8_t>(Clamp(v, 0, 1) * 255.0f + 0.5f); }

Image::Image(int width, int height) : m_width(width), m_height(height) {
    if (width <= 0 || height <= 0) throw std::invalid_argument("empty image");
    m_rgb.assign(static_cast<size_t>(width) * height * 3, 0);
}

void Image::Set(int x, int y, Rgb c) { Set(x, y, ToByte(c.r), ToByte(c.g), ToByte(c.b)); }

void Image::Set(int x, int y, uint8_t r, uint8_t g, uint8_t b) {
    uint8_t* p = Pixel(x, y);
    p[0] = r;
    p[1] = g;
    p[2] = b;
}

void Image::Fill(Rgb c) { FillRect(0, 0, m_width, m_height, c); }

void Image::FillRect(int x0, int y0, int x1, int y1, Rgb c) {
    x0 = std::max(x0, 0);
    y0 = std::max(y0, 0);
    x1 = std::min(x1, m_width);
    y1 = std::min(y1, m_height);
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) Set(x, y, c);
}

void WriteBmp24(const std::filesystem::path& path, const Image& image) {
    const uint32_t w = static_cast<uint32_t>(image.Width()), h = static_cast<uint32_t>(image.Height());
    const uint32_t pitch = (w * 3 + 3) & ~3u;
    std::vector<uint8_t> out;
    out.reserve(54 + pitch * h);
    out.push_back('B');
    out.push_back('M');
    Put32(out, 54 + pitch * h);  // file size
    Put32(out, 0);
    Put32(out, 54);  // pixel data offset
    Put32(out, 40);  // info header size
    Put32(out, w);
    Put32(out, h);  // positive: bottom-up
    Put16(out, 1);
    Put16(out, 24);
    Put32(out, 0);  // no compression
    Put32(out, pitch * h);
    Put32(out, 2835);  // 72 dpi
    Put32(out, 2835);
    Put32(out, 0);
    Put32(out, 0);
    for (uint32_t row = 0; row < h; ++row) {
        const int y = static_cast<int>(h - 1 - row);
        for (uint32_t x = 0; x < w; ++x) {
            const uint8_t* p = image.Pixel(static_cast<int>(x), y);
            out.push_back(p[2]);
            out.push_back(p[1]);
            out.push_back(p[0]);
        }
        for (uint32_t pad = w * 3; pad < pitch; ++pad) out.push_back(0);
    }
    WriteFileBytes(path, out.data(), out.size());
}

void WriteTga24(const std::filesystem::path& path, const Image& image) {
    std::vector<uint8_t> out(18, 0);
    out[2] = 2;  // uncompressed true colour
    out[12] = static_cast<uint8_t>(image.Width());
    out[13] = static_cast<uint8_t>(image.Width() >> 8);
    out[14] = static_cast<uint8_t>(image.Height());
    out[15] = static_cast<uint8_t>(image.Height() >> 8);
    out[16] = 24;
    out[17] = 0x20;  // top-left origin
    for (int y = 0; y < image.Height(); ++y)
        for (int x = 0; x < image.Width(); ++x) {
            const uint8_t* p = image.Pixel(x, y);
            out.push_back(p[2]);
            out.push_back(p[1]);
            out.push_back(p[0]);
        }
    WriteFileBytes(path, out.data(), out.size());
}

}  // namespace mediagen
