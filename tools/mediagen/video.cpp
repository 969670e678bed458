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

// A band of the picture darkened so that text on it reads over the moving water.
void DarkBand(Image& img, int y0, int y1) {
    for (int y = std::max(0, y0); y < std::min(kVideoHeight, y1); ++y)
        for (int x = 0; x < kVideoWidth; ++x) {
            uint8_t* p = img.Pixel(x, y);
            img.Set(x, y, Mix(Rgb{p[0] / 255.0f, p[1] / 255.0f, p[2] / 255.0f}, {0.0f, 0.02f, 0.06f}, 0.7f));
        }
}

// The fish a goal names, side on, in its own colours: back, belly and the pale blotches of its
// skin, with its name beside it.
void DrawTarget(Image& img, const IntroCard::Fish& fish, float t) {
    const float x = 112 + 6 * std::sin(t * 1.3f), y = 158 + 2 * std::sin(t * 2.1f), size = 34;
    const float wag = 0.15f * std::sin(t * 6);
    FillTriangle(img, x - size * 0.85f, y, x - size * 1.45f, y - size * (0.5f + wag), x - size * 1.45f,
                 y + size * (0.5f - wag), Scale(fish.back, 0.85f));
    FillEllipse(img, x, y, size, size * 0.42f, fish.back);
    FillEllipse(img, x + size * 0.05f, y + size * 0.18f, size * 0.85f, size * 0.2f, fish.belly);
    for (int k = 0; k < 9; ++k) {
        const float bx =
            x - size * 0.7f + static_cast<float>(k % 5) * size * 0.3f + static_cast<float>(k / 5) * size * 0.15f;
        const float by = y - size * 0.2f + static_cast<float>(k / 5) * size * 0.2f;
        FillEllipse(img, bx, by, size * 0.07f, size * 0.055f, fish.mark);
    }
    FillEllipse(img, x + size * 0.68f, y - size * 0.1f, size * 0.07f, size * 0.07f, {0.02f, 0.02f, 0.02f});
    // The name, and an arrow from it to the fish.
    DrawText(img, fish.label, 196 + 2, 150 + 2, 2, {0.02f, 0.03f, 0.08f});
    DrawText(img, fish.label, 196, 150, 2, {1, 1, 1});
    img.FillRect(168, 156, 190, 158, {1, 1, 1});
    FillTriangle(img, 158, 157, 170, 151, 170, 163, {1, 1, 1});
}

// The aim: a sight at the middle of a screen, the spear flying into it, and the words.
void DrawAim(Image& img) {
    const float cx = 34, cy = 214;
    const Rgb frame{0.75f, 0.85f, 0.95f}, sight{1.0f, 0.45f, 0.1f};
    // The screen's outline.
    img.FillRect(6, 194, 62, 196, frame);
    img.FillRect(6, 233, 62, 235, frame);
    img.FillRect(6, 194, 8, 235, frame);
    img.FillRect(60, 194, 62, 235, frame);
    // The spear, from the lower right corner into the middle, and the ring sight there.
    FillTriangle(img, 56, 231, 58, 228, cx + 1, cy + 1, {0.85f, 0.87f, 0.9f});
    for (int k = 0; k < 32; ++k) {
        const float a = 2 * kPi * static_cast<float>(k) / 32;
        FillEllipse(img, cx + 9 * std::cos(a), cy + 9 * std::sin(a), 1.3f, 1.3f, sight);
    }
    img.FillRect(static_cast<int>(cx) - 1, static_cast<int>(cy) - 1, static_cast<int>(cx) + 1, static_cast<int>(cy) + 1,
                 sight);
    const Rgb ink{0.8f, 0.95f, 1.0f}, shadow{0.02f, 0.03f, 0.08f};
    DrawText(img, "Z: EL ARPON VUELA AL", 66 + 2, 198 + 2, 2, shadow);
    DrawText(img, "Z: EL ARPON VUELA AL", 66, 198, 2, ink);
    DrawText(img, "CENTRO DE LA PANTALLA", 66 + 2, 218 + 2, 2, shadow);
    DrawText(img, "CENTRO DE LA PANTALLA", 66, 218, 2, ink);
}

}  // namespace

// Everything that tells the player what to do is there from the first frame: the clip lasts only
// a few seconds. Only the title fades in.
Image IntroFrame(int frame, int frameCount, const IntroCard& card, const Palette& palette) {
    Image img = Water(frame, palette);
    const float t = static_cast<float>(frame) / kVideoFps;
    for (int k = 0; k < (card.target ? 4 : 7); ++k) {
        float dir = (k % 2 == 0) ? 1.0f : -1.0f;
        float speed = 40 + 8 * static_cast<float>(k);
        float x = dir > 0 ? -30 + t * speed + 25 * static_cast<float>(k)
                          : kVideoWidth + 30 - t * speed - 20 * static_cast<float>(k);
        float y = 146 + 10 * static_cast<float>(k % 4) + 5 * std::sin(t * 2 + static_cast<float>(k));
        DrawFish(img, x, y, 6 + static_cast<float>(k % 3) * 2, dir, 0.2f * std::sin(t * 12 + static_cast<float>(k)),
                 Mix({0.85f, 0.75f, 0.3f}, {0.7f, 0.75f, 0.8f}, static_cast<float>(k % 3) / 2));
    }
    Bubbles(img, frame, 700 + static_cast<uint32_t>(card.level), 14);
    if (card.target) DrawTarget(img, *card.target, t);
    float show = Clamp(static_cast<float>(frame) / (frameCount * 0.3f), 0, 1);
    Centred(img, Format("NIVEL %d", card.level), 6, 3, Mix(palette.top, {1.0f, 0.95f, 0.3f}, 0.5f + 0.5f * show));
    Centred(img, card.name, 30, 2, {1, 1, 1});
    const int bandEnd = 78 + 18 * static_cast<int>(card.rules.size());
    DarkBand(img, 48, bandEnd);
    Centred(img, card.goal, 52, 3, {1.0f, 0.95f, 0.3f});
    for (size_t k = 0; k < card.rules.size(); ++k)
        Centred(img, card.rules[k], 78 + 18 * static_cast<int>(k), 2, {1, 1, 1});
    DarkBand(img, 190, kVideoHeight);
    DrawAim(img);
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
