#include "video.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "common.h"
#include "font.h"

namespace mediagen {
namespace {

// Small filled shapes, clipped to the image.
void FillEllipse(Image& img, float cx, float cy, float rx, float ry, Rgb c) {
    for (int y = static_cast<int>(cy - ry); y <= static_cast<int>(cy + ry) + 1; ++y)
        for (int x = static_cast<int>(cx - rx); x <= static_cast<int>(cx + rx) + 1; ++x) {
            if (x < 0 || y < 0 || x >= img.Width() || y >= img.Height()) continue;
            float dx = (static_cast<float>(x) - cx) / rx, dy = (static_cast<float>(y) - cy) / ry;
            if (dx * dx + dy * dy <= 1) img.Set(x, y, c);
        }
}

void FillTriangle(Image& img, float ax, float ay, float bx, float by, float cx, float cy, Rgb c) {
    int x0 = std::max(0, static_cast<int>(std::min({ax, bx, cx}))),
        x1 = std::min(img.Width() - 1, static_cast<int>(std::max({ax, bx, cx})) + 1);
    int y0 = std::max(0, static_cast<int>(std::min({ay, by, cy}))),
        y1 = std::min(img.Height() - 1, static_cast<int>(std::max({ay, by, cy})) + 1);
    auto edge = [](float px, float py, float qx, float qy, float x, float y) {
        return (qx - px) * (y - py) - (qy - py) * (x - px);
    };
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) {
            float fx = static_cast<float>(x) + 0.5f, fy = static_cast<float>(y) + 0.5f;
            float e0 = edge(ax, ay, bx, by, fx, fy), e1 = edge(bx, by, cx, cy, fx, fy),
                  e2 = edge(cx, cy, ax, ay, fx, fy);
            if ((e0 >= 0 && e1 >= 0 && e2 >= 0) || (e0 <= 0 && e1 <= 0 && e2 <= 0)) img.Set(x, y, c);
        }
}

// A fish seen from the side, nose towards `dir` (+1 right, -1 left).
void DrawFish(Image& img, float x, float y, float size, float dir, float wag, Rgb body) {
    FillTriangle(img, x - dir * size * 0.8f, y, x - dir * size * 1.5f, y - size * (0.5f + wag), x - dir * size * 1.5f,
                 y + size * (0.5f - wag), Scale(body, 0.8f));
    FillEllipse(img, x, y, size, size * 0.45f, body);
    FillEllipse(img, x + dir * size * 0.6f, y - size * 0.1f, size * 0.09f, size * 0.09f, {0.02f, 0.02f, 0.02f});
}

Image Water(int frame, const Palette& p) {
    Image img(kVideoWidth, kVideoHeight);
    const float t = static_cast<float>(frame) / kVideoFps;
    for (int y = 0; y < kVideoHeight; ++y) {
        Rgb row = Mix(p.top, p.bottom, static_cast<float>(y) / kVideoHeight);
        for (int x = 0; x < kVideoWidth; ++x) {
            // Slanting light shafts that drift slowly.
            float s = std::sin((static_cast<float>(x) * 0.05f + static_cast<float>(y) * 0.02f) + t * 0.8f) *
                      std::sin(static_cast<float>(x) * 0.013f - t * 0.3f);
            float shaft = Clamp(s, 0, 1) * 0.12f * (1 - static_cast<float>(y) / kVideoHeight);
            img.Set(x, y, Add(row, {shaft, shaft, shaft}));
        }
    }
    return img;
}

void Bubbles(Image& img, int frame, uint32_t seed, int count) {
    const float t = static_cast<float>(frame) / kVideoFps;
    for (int k = 0; k < count; ++k) {
        float speed = 25 + 30 * Hash01(static_cast<uint32_t>(k), 1, seed);
        float x = Hash01(static_cast<uint32_t>(k), 2, seed) * kVideoWidth + 4 * std::sin(t * 3 + static_cast<float>(k));
        float y = std::fmod(Hash01(static_cast<uint32_t>(k), 3, seed) * kVideoHeight * 2 - t * speed + kVideoHeight * 4,
                            static_cast<float>(kVideoHeight) + 20) -
                  10;
        float r = 1.5f + 3 * Hash01(static_cast<uint32_t>(k), 4, seed);
        FillEllipse(img, x, y, r, r, {0.8f, 0.92f, 1.0f});
        FillEllipse(img, x - r * 0.3f, y - r * 0.3f, r * 0.35f, r * 0.35f, {1, 1, 1});
    }
}

void Centred(Image& img, std::string_view text, int y, int scale, Rgb colour) {
    int x = (kVideoWidth - TextWidth(text, scale)) / 2;
    DrawText(img, text, x + scale / 2 + 1, y + scale / 2 + 1, scale, {0.02f, 0.03f, 0.08f});  // shadow
    DrawText(img, text, x, y, scale, colour);
}

}  // namespace

Image IntroFrame(int frame, int frameCount, int level, const std::string& name, const std::string& goal,
                 const Palette& palette) {
    Image img = Water(frame, palette);
    const float t = static_cast<float>(frame) / kVideoFps;
    for (int k = 0; k < 7; ++k) {
        float dir = (k % 2 == 0) ? 1.0f : -1.0f;
        float speed = 40 + 8 * static_cast<float>(k);
        float x = dir > 0 ? -30 + t * speed + 25 * static_cast<float>(k)
                          : kVideoWidth + 30 - t * speed - 20 * static_cast<float>(k);
        float y = 172 + 10 * static_cast<float>(k % 4) + 5 * std::sin(t * 2 + static_cast<float>(k));
        DrawFish(img, x, y, 8 + static_cast<float>(k % 3) * 3, dir, 0.2f * std::sin(t * 12 + static_cast<float>(k)),
                 Mix({0.85f, 0.75f, 0.3f}, {0.7f, 0.75f, 0.8f}, static_cast<float>(k % 3) / 2));
    }
    Bubbles(img, frame, 700 + static_cast<uint32_t>(level), 14);
    float show = Clamp(static_cast<float>(frame) / (frameCount * 0.3f), 0, 1);
    Centred(img, Format("NIVEL %d", level), 12, 4, Mix(palette.top, {1.0f, 0.95f, 0.3f}, show));
    Centred(img, name, 52, 2, Mix(palette.top, {1, 1, 1}, show));
    // The goal, readable from the first frame on a dark band: the clip lasts only a few seconds.
    for (int y = 80; y < 152; ++y)
        for (int x = 0; x < kVideoWidth; ++x) {
            uint8_t* p = img.Pixel(x, y);
            img.Set(x, y, Mix(Rgb{p[0] / 255.0f, p[1] / 255.0f, p[2] / 255.0f}, {0.0f, 0.02f, 0.06f}, 0.7f));
        }
    Centred(img, goal, 88, 3, {1.0f, 0.95f, 0.3f});
    Centred(img, "Y SUBE A LA SUPERFICIE", 126, 2, {1, 1, 1});
    Centred(img, "ABISALIA", 226, 1, {0.8f, 0.9f, 1.0f});
    return img;
}

Image CatchFrame(int frame, int frameCount, const Palette& palette) {
    Image img = Water(frame, palette);
    const float t = static_cast<float>(frame) / kVideoFps;
    float x = 160 + 40 * std::sin(t * 1.5f), y = 150 + 8 * std::sin(t * 5);
    DrawFish(img, x, y, 34, 1, 0.25f * std::sin(t * 18), {0.8f, 0.8f, 0.85f});
    // The spear through the fish.
    FillTriangle(img, x - 90, y - 22, x + 70, y + 10, x - 90, y - 19, {0.55f, 0.57f, 0.6f});
    FillTriangle(img, x + 70, y + 10, x + 58, y + 3, x + 60, y + 12, {0.55f, 0.57f, 0.6f});
    for (int k = 0; k < 10; ++k) {
        float a = static_cast<float>(k) * 0.63f + t * 2;
        float r = 55 + 10 * std::sin(t * 6 + static_cast<float>(k));
        FillEllipse(img, x + r * std::cos(a), y + r * 0.6f * std::sin(a), 2, 2, {1, 1, 0.6f});
    }
    float pulse = 0.8f + 0.2f * std::sin(t * 8);
    Centred(img, "LO PESCASTE", 40, 4, Scale({1.0f, 0.95f, 0.35f}, pulse));
    Centred(img, "ENHORABUENA", 90, 2, {1, 1, 1});
    (void)frameCount;
    return img;
}

Image DrownFrame(int frame, int frameCount, const Palette& palette) {
    Image img = Water(frame, palette);
    Bubbles(img, frame, 900, 30);
    // The picture fades to red, as the game's own fade does.
    float fade = Clamp(static_cast<float>(frame) / static_cast<float>(frameCount), 0, 1);
    for (int y = 0; y < kVideoHeight; ++y)
        for (int x = 0; x < kVideoWidth; ++x) {
            uint8_t* p = img.Pixel(x, y);
            Rgb c{p[0] / 255.0f, p[1] / 255.0f, p[2] / 255.0f};
            img.Set(x, y, Mix(c, {0.35f, 0.0f, 0.0f}, fade * 0.85f));
        }
    Centred(img, "TE HAS AHOGADO", 90, 3, {1.0f, 0.9f, 0.85f});
    return img;
}

}  // namespace mediagen
