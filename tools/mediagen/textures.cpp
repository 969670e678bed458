#include "textures.h"

#include <algorithm>
#include <cmath>

#include "models.h"
#include "noise.h"

namespace mediagen {
namespace {

// Calls f(u, v) at every texel centre, u and v in [0, 1), and stores the colour.
template <typename F> Image Paint(int w, int h, F f) {
    Image img(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.Set(x, y,
                    f((static_cast<float>(x) + 0.5f) / static_cast<float>(w),
                      (static_cast<float>(y) + 0.5f) / static_cast<float>(h)));
    return img;
}

float Grain(int x, int y, uint32_t seed) { return Hash01(static_cast<uint32_t>(x), static_cast<uint32_t>(y), seed); }

Rgb Ramp(float t, std::initializer_list<std::pair<float, Rgb>> stops) {
    auto prev = *stops.begin();
    for (const auto& s : stops) {
        if (t <= s.first) {
            if (s.first <= prev.first) return s.second;
            return Mix(prev.second, s.second, (t - prev.first) / (s.first - prev.first));
        }
        prev = s;
    }
    return prev.second;
}

float Band(float v, float centre, float halfWidth) { return Clamp(1 - std::fabs(v - centre) / halfWidth, 0, 1); }

}  // namespace

Image SeaFloorTexture(int size) {
    const int period = 4;
    return Paint(size, size, [&](float u, float v) {
        float n = Fbm2(u * period, v * period, 4, 101, period);
        float ripple = 0.5f + 0.5f * std::sin(2 * kPi * (3 * u + v + 0.35f * Fbm2(u * 2, v * 2, 2, 102, 2)));
        float speck = Hash01(static_cast<uint32_t>(u * size), static_cast<uint32_t>(v * size), 103);
        Rgb sand{0.78f, 0.70f, 0.52f};
        Rgb c = Scale(sand, 0.78f + 0.3f * n + 0.08f * ripple);
        if (speck > 0.93f) c = Scale(c, 0.7f);
        if (speck < 0.03f) c = Add(c, {0.12f, 0.12f, 0.1f});
        return c;
    });
}

Image SeaTexture() {
    const int period = 4;
    return Paint(256, 256, [&](float u, float v) {
        float n = Fbm2(u * period, v * period, 5, 201, period);
        float glint = std::pow(Clamp(n * 1.5f - 0.35f, 0, 1), 3.0f);
        return Add(Ramp(n, {{0.0f, {0.02f, 0.16f, 0.30f}}, {1.0f, {0.10f, 0.40f, 0.55f}}}),
                   Scale({0.9f, 0.95f, 1.0f}, 0.5f * glint));
    });
}

Image AirBarTexture() {
    return Paint(128, 128, [](float u, float v) {
        float t = (u + v) * 0.5f;
        return Ramp(t, {{0.0f, {0.15f, 0.75f, 1.0f}},
                        {0.45f, {0.2f, 0.9f, 0.3f}},
                        {0.8f, {1.0f, 0.95f, 0.1f}},
                        {1.0f, {1.0f, 0.35f, 0.05f}}});
    });
}

Image AirSpareTexture() {
    return Paint(64, 64, [](float, float v) { return Rgb{0.3f, 0.3f, 0.35f + 0.2f * v}; });
}

Image GaugeFrameTexture() {
    return Paint(64, 128, [](float u, float v) {
        bool rim = u < 0.12f || u > 0.88f || v < 0.06f || v > 0.94f;
        return rim ? Rgb{0.85f, 0.88f, 0.9f} : Rgb{0.05f, 0.08f, 0.18f};
    });
}

Image GaugeFillTexture() {
    return Paint(64, 128, [](float, float v) {
        return Ramp(v, {{0.0f, {1.0f, 0.85f, 0.2f}}, {1.0f, {0.95f, 0.3f, 0.05f}}});
    });
}

Image CausticFrame(int frame) {
    // Feature points drifting on small loops that close after the 32 frames: the cell edges of
    // their distance field are the bright lines. Distances wrap, so the frame tiles.
    const float t = static_cast<float>(frame) / 32.0f;
    struct Cell {
        float x, y;
    };
    std::vector<Cell> cells;
    for (uint32_t k = 0; k < 20; ++k) {
        float phase = Hash01(k, 1, 301) * 2 * kPi;
        float turns = (k % 2 == 0) ? 1.0f : -1.0f;
        float r = 0.025f + 0.02f * Hash01(k, 2, 301);
        cells.push_back({Hash01(k, 3, 301) + r * std::cos(phase + 2 * kPi * turns * t),
                         Hash01(k, 4, 301) + r * std::sin(phase + 2 * kPi * turns * t)});
    }
    return Paint(128, 128, [&](float u, float v) {
        float f1 = 9, f2 = 9;
        for (const Cell& c : cells) {
            float dx = std::fabs(u - (c.x - std::floor(c.x))), dy = std::fabs(v - (c.y - std::floor(c.y)));
            dx = std::min(dx, 1 - dx);
            dy = std::min(dy, 1 - dy);
            float d = std::sqrt(dx * dx + dy * dy);
            if (d < f1) {
                f2 = f1;
                f1 = d;
            } else if (d < f2) {
                f2 = d;
            }
        }
        // Soft, broad bands of light that never come near white: they are added over lit sand.
        float line = std::exp(-(f2 - f1) / 0.045f);
        float b = 0.42f * line;
        return Rgb{0.75f * b, 0.9f * b, b};
    });
}

Image RockTexture(uint32_t seed, Rgb base, Rgb tint) {
    const int period = 4;
    return Paint(128, 128, [&](float u, float v) {
        float n = Fbm2(u * period, v * period, 5, seed, period);
        float m = Fbm2(u * period + 7, v * period + 3, 3, seed + 1, period);
        Rgb c = Scale(base, 0.6f + 0.6f * n);
        c = Mix(c, tint, Clamp((m - 0.55f) * 4, 0, 0.8f));
        if (Grain(static_cast<int>(u * 128), static_cast<int>(v * 128), seed + 2) > 0.95f) c = Scale(c, 1.3f);
        return c;
    });
}

Image KelpTexture() {
    return Paint(64, 128, [](float u, float v) {
        Rgb c = Ramp(v, {{0.0f, {0.45f, 0.55f, 0.15f}}, {1.0f, {0.2f, 0.32f, 0.08f}}});
        c = Mix(c, {0.6f, 0.62f, 0.25f}, Band(u, 0.5f, 0.05f));
        float vein = 0.5f + 0.5f * std::sin(v * 60 + u * 10);
        return Scale(c, 0.85f + 0.15f * vein);
    });
}

Image AnemoneTexture(Rgb body, Rgb tips) {
    return Paint(64, 64, [&](float u, float v) {
        Rgb c = Mix(tips, body, Clamp((v - 0.2f) / 0.6f, 0, 1));
        return Scale(c, 0.85f + 0.3f * ValueNoise2(u * 8, v * 8, 401, 8, 8));
    });
}

Image FishTexture(FishPattern pattern, Rgb back, Rgb belly, Rgb mark) {
    return Paint(128, 64, [&](float u, float v) {
        Rgb c = Mix(back, belly, Smooth(Clamp((v - 0.25f) / 0.5f, 0, 1)));
        float scales = 0.92f + 0.08f * std::sin(u * 140) * std::sin(v * 70);
        c = Scale(c, scales);
        switch (pattern) {
            case FishPattern::Bands:
                for (float b : {0.3f, 0.42f, 0.54f, 0.66f})
                    c = Mix(c, mark, 0.8f * Band(u, b, 0.03f) * (v < 0.8f ? 1.0f : 0.3f));
                c = Mix(c, mark, Band(std::hypot(u - 0.8f, (v - 0.5f) * 0.5f), 0, 0.04f));
                break;
            case FishPattern::Blotches:
                c = Mix(c, mark, 0.7f * Clamp((ValueNoise2(u * 14, v * 7, 402) - 0.62f) * 5, 0, 1));
                break;
            case FishPattern::GoldBrow:
                c = Mix(c, mark, Band(u, 0.14f, 0.025f) * (v < 0.5f ? 1.0f : 0.0f));
                c = Mix(c, {0.1f, 0.1f, 0.12f}, 0.7f * Band(std::hypot(u - 0.25f, (v - 0.35f) * 0.5f), 0, 0.03f));
                break;
            case FishPattern::Stripes:
                for (float s : {0.25f, 0.38f, 0.51f, 0.64f, 0.77f}) c = Mix(c, mark, 0.8f * Band(v, s, 0.03f));
                break;
            case FishPattern::Bright: c = Mix(c, mark, Band(v, 0.45f, 0.07f)); break;
        }
        if (u > 0.84f) c = Scale(c, 0.8f);  // the tail fin
        float eye = std::hypot((u - 0.08f) * 2.0f, v - 0.42f);
        if (eye < 0.07f) c = eye < 0.045f ? Rgb{0.02f, 0.02f, 0.02f} : Rgb{0.9f, 0.85f, 0.6f};
        return c;
    });
}

Image DiverTexture() {
    return Paint(64, 64, [](float u, float v) {
        float n = ValueNoise2(u * 16, v * 16, 501);
        if (u < 0.5f) return Rgb{0.06f + 0.05f * n, 0.07f + 0.05f * n, 0.12f + 0.08f * n};  // neoprene
        if (u > 0.92f) return Rgb{1.0f, 0.45f, 0.08f};                                      // the sight's paint
        if (v < 0.5f)
            return Scale({0.45f, 0.27f, 0.12f}, 0.8f + 0.3f * (0.5f + 0.5f * std::sin(v * 90 + n * 4)));  // wood
        return Scale({0.55f, 0.58f, 0.62f}, 0.7f + 0.5f * Band(v, 0.7f, 0.12f));                          // metal
    });
}

Image SpearTexture() {
    // The back end painted as the gun's sight is: it is what shows of the spear flying away.
    return Paint(32, 32, [](float u, float v) {
        if (u < 0.06f) return Rgb{1.0f, 0.45f, 0.08f};
        return Scale({0.8f, 0.82f, 0.85f}, 0.8f + 0.3f * Band(v, 0.4f, 0.4f));
    });
}

Image BoatTexture() {
    return Paint(128, 128, [](float u, float v) {
        if (v < 0.3f) {
            float plank = 0.5f + 0.5f * std::sin(u * 2 * kPi * 24);
            return Scale({0.62f, 0.42f, 0.22f}, 0.8f + 0.25f * plank);
        }
        if (v > 0.36f && v < 0.40f) return Rgb{0.08f, 0.15f, 0.45f};
        if (v > 0.75f) return Rgb{0.65f, 0.12f, 0.08f};
        return Rgb{0.92f, 0.92f, 0.9f};
    });
}

Image SkyTexture(int face, const SkyStyle& style) {
    const SkyFace& f = SkyFaces()[static_cast<size_t>(face)];
    const Vec3 sun = Normalize(style.sun);
    return Paint(128, 128, [&](float u, float v) {
        Vec3 d = Normalize(f.normal + f.right * (2 * u - 1) + f.down * (2 * v - 1));
        if (d.y < 0) return Mix(style.horizon, style.sea, Clamp(-d.y * 4, 0, 1));
        Rgb c = Mix(style.horizon, style.zenith, std::sqrt(d.y));
        float s = std::max(0.0f, Dot(d, sun));
        c = Add(c, Scale({1.0f, 0.9f, 0.7f}, std::pow(s, 300.0f) * 0.9f + std::pow(s, 8.0f) * 0.25f));
        float cloud = Fbm3(d.x * 3 + 11, d.y * 3, d.z * 3 + 5, 5, 601);
        float cover = Clamp((cloud - (0.62f - 0.3f * style.clouds)) * 4, 0, 1) * Clamp(d.y * 6, 0, 1);
        return Mix(c, Scale({0.95f, 0.95f, 0.97f}, 0.75f + 0.25f * d.y), cover * 0.85f);
    });
}

Image ChartTexture(const HeightMap& map) {
    // World x 0..3000 across, z 2000 (top row) down to 0.
    const int size = 256;
    auto heightAt = [&](int x, int y) {
        float wx = (static_cast<float>(x) + 0.5f) / size * 3000.0f,
              wz = (1 - (static_cast<float>(y) + 0.5f) / size) * 2000.0f;
        return map.Height(wx, wz);
    };
    Image img(size, size);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            float h = heightAt(x, y);
            Rgb c;
            if (h >= 45) {
                c = Ramp(h, {{45.0f, {0.85f, 0.78f, 0.55f}}, {50.0f, {0.55f, 0.62f, 0.35f}}});
            } else {
                c = Ramp(45 - h,
                         {{0.0f, {0.75f, 0.92f, 0.95f}}, {20.0f, {0.45f, 0.72f, 0.88f}}, {45.0f, {0.1f, 0.3f, 0.6f}}});
                int band = static_cast<int>(h / 5),
                    right = static_cast<int>(heightAt(std::min(x + 1, size - 1), y) / 5),
                    below = static_cast<int>(heightAt(x, std::min(y + 1, size - 1)) / 5);
                if (band != right || band != below) c = Scale(c, 0.75f);
            }
            if (x % 43 == 0 || y % 43 == 0) c = Scale(c, 0.88f);  // grid
            if (x < 3 || y < 3 || x >= size - 3 || y >= size - 3) c = {0.15f, 0.12f, 0.1f};
            img.Set(x, y, c);
        }
    return img;
}

Image SolidTexture(Rgb c, Rgb edge) {
    return Paint(16, 16, [&](float u, float v) {
        bool rim = u < 0.15f || u > 0.85f || v < 0.15f || v > 0.85f;
        return rim ? edge : c;
    });
}

Image SounderTexture() {
    return Paint(64, 64, [](float u, float v) {
        Rgb c = Ramp(v, {{0.0f, {0.5f, 1.0f, 0.5f}}, {0.15f, {0.1f, 0.7f, 0.25f}}, {1.0f, {0.02f, 0.2f, 0.08f}}});
        if (static_cast<int>(u * 64) % 16 == 0) c = Scale(c, 0.7f);
        return c;
    });
}

}  // namespace mediagen
