// Small movie clips made in the test with the media generator's encoder. Frame i is split into a
// top half of TopColour(i) and a bottom half of kBottom, so a test can tell the frame and which
// way up it was delivered.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>

#include "videoencode.h"

namespace testclip {

constexpr std::array<uint8_t, 3> kBottom = {20, 30, 220};  // r, g, b
inline std::array<uint8_t, 3> TopColour(int frame) { return {220, static_cast<uint8_t>(20 + 25 * (frame % 9)), 20}; }

inline void Write(const std::filesystem::path& path, int width, int height, int fps, int frames) {
    mediagen::EncodeVideo(path, width, height, fps, frames, [&](int i) {
        mediagen::Image img(width, height);
        const auto top = TopColour(i);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const auto& c = y < height / 2 ? top : kBottom;
                img.Set(x, y, c[0], c[1], c[2]);
            }
        return img;
    });
}

// Whether a BGR pixel is within `tolerance` of an RGB colour in every channel.
inline bool Near(const uint8_t* bgr, const std::array<uint8_t, 3>& rgb, int tolerance = 28) {
    for (int k = 0; k < 3; ++k) {
        const int d = static_cast<int>(bgr[2 - k]) - static_cast<int>(rgb[k]);
        if (d > tolerance || d < -tolerance) return false;
    }
    return true;
}

}  // namespace testclip
