// Rocks, moving rocks and fish.
#include <cmath>

#include "models.h"
#include "noise.h"

namespace mediagen {
namespace {

UvFunction PlanarUv(float scale) {
    return [scale](Vec3 p) { return std::array<float, 2>{(p.x + p.z) / scale, -p.y / scale}; };
}

}  // namespace

Mesh Boulder(uint32_t seed, float rx, float ry, float rz) {
    Mesh mesh;
    const int kRings = 9, kPoints = 14;
    std::vector<std::vector<Vec3>> rings;
    for (int r = 1; r < kRings; ++r) {
        float theta = kPi * static_cast<float>(r) / kRings;
        std::vector<Vec3> ring;
        for (int k = 0; k < kPoints; ++k) {
            float phi = 2 * kPi * static_cast<float>(k) / kPoints;
            Vec3 d{std::sin(theta) * std::cos(phi), std::cos(theta), std::sin(theta) * std::sin(phi)};
            float bump = 0.78f + 0.44f * Fbm3(d.x * 1.7f + 3, d.y * 1.7f + 5, d.z * 1.7f + 7, 3, seed);
            Vec3 p{d.x * rx * bump, d.y * ry * bump, d.z * rz * bump};
            if (p.y < 0) p.y *= 3.0f / ry;  // the lower half is buried: squash it into y -3..0
            ring.push_back(p);
        }
        rings.push_back(ring);
    }
    AddLoft(mesh, rings, Vec3{0, ry * 0.9f, 0}, Vec3{0, -3.0f, 0}, PlanarUv(9));
    return mesh;
}

Mesh Pillar(uint32_t seed, float radius, float height) {
    Mesh mesh;
    const int kRings = 12, kPoints = 12;
    std::vector<std::vector<Vec3>> rings;
    for (int r = 0; r < kRings; ++r) {
        float t = static_cast<float>(r) / (kRings - 1);
        float y = -3.0f + t * (height + 3.0f);
        float base = radius * (1.15f - 0.45f * t);
        std::vector<Vec3> ring;
        for (int k = 0; k < kPoints; ++k) {
            float phi = 2 * kPi * static_cast<float>(k) / kPoints;
            float bump = 0.8f + 0.4f * Fbm3(std::cos(phi) * 1.5f, y / 6.0f, std::sin(phi) * 1.5f, 3, seed);
            ring.push_back({std::cos(phi) * base * bump, y, std::sin(phi) * base * bump});
        }
        rings.push_back(ring);
    }
    AddLoft(mesh, rings, std::nullopt, Vec3{0, height + radius * 0.4f, 0}, PlanarUv(9));
    return mesh;
}

namespace {

// Builds pose 1 and derives poses 0 and 2 by moving vertices only.
template <typename Sway> std::array<Mesh, 3> Poses(const Mesh& middle, Sway sway) {
    std::array<Mesh, 3> poses{middle, middle, middle};
    for (size_t i = 0; i < middle.positions.size(); ++i) {
        Vec3 d = sway(middle.positions[i]);
        poses[0].positions[i] = middle.positions[i] + d;
        poses[2].positions[i] = middle.positions[i] - d;
    }
    return poses;
}

}  // namespace

std::array<Mesh, 3> KelpPoses(uint32_t seed, float height) {
    Mesh mesh;
    Rng rng(seed);
    const int kFronds = 4, kStations = 12;
    float maxHeight = 0;
    for (int f = 0; f < kFronds; ++f) {
        float h = height * rng.Range(0.55f, 1.0f);
        maxHeight = std::max(maxHeight, h);
        Vec3 foot{rng.Range(-1.2f, 1.2f), 0, rng.Range(-1.2f, 1.2f)};
        float twist = rng.Range(0, kPi);
        std::vector<std::vector<Vec3>> rings;
        for (int s = 0; s < kStations; ++s) {
            float t = static_cast<float>(s) / (kStations - 1);
            float y = -0.8f + t * (h + 0.8f);
            float w = 0.55f * (0.4f + std::sin(kPi * (0.15f + 0.8f * t))) * (1 - 0.5f * t);
            float a = twist + t * 2.2f;
            Vec3 c = foot + Vec3{0.3f * std::sin(t * 5 + f), y, 0.3f * std::cos(t * 4 + f)};
            std::vector<Vec3> ring;
            for (int k = 0; k < 4; ++k) {
                float r = (k % 2 == 0) ? w : 0.08f;
                float b = a + kPi * 0.5f * static_cast<float>(k);
                ring.push_back(c + Vec3{r * std::cos(b), 0, r * std::sin(b)});
            }
            rings.push_back(ring);
        }
        AddLoft(mesh, rings, std::nullopt, foot + Vec3{0, h + 0.4f, 0}, [h](Vec3 p) {
            return std::array<float, 2>{0.5f + (p.x - p.z) * 0.4f, 1.0f - (p.y + 0.8f) / (h + 1.2f)};
        });
    }
    const float hMax = maxHeight;
    return Poses(mesh, [hMax](Vec3 p) {
        float t = Clamp(p.y / hMax, 0, 1);
        return Vec3{0.22f * hMax * t * t, 0, 0.06f * hMax * t * t};
    });
}

std::array<Mesh, 3> AnemonePoses(uint32_t seed) {
    Mesh mesh;
    Rng rng(seed);
    auto uv = [](Vec3 p) { return std::array<float, 2>{0.5f + (p.x + p.z) * 0.2f, 1.0f - Clamp(p.y / 3.2f, 0, 1)}; };
    std::vector<std::vector<Vec3>> column;
    for (int s = 0; s < 4; ++s) {
        float y = -0.6f + 0.6f * static_cast<float>(s);
        float r = 0.85f + 0.15f * static_cast<float>(s);
        column.push_back(EllipseRingY({0, y, 0}, r, r, 12));
    }
    AddLoft(mesh, column, std::nullopt, std::nullopt, uv);
    const int kTentacles = 12;
    for (int k = 0; k < kTentacles; ++k) {
        float phi = 2 * kPi * static_cast<float>(k) / kTentacles;
        Vec3 out{std::cos(phi), 0, std::sin(phi)};
        float len = rng.Range(1.4f, 2.0f);
        std::vector<std::vector<Vec3>> rings;
        for (int s = 0; s < 5; ++s) {
            float t = static_cast<float>(s) / 4.0f;
            Vec3 c = out * (0.75f + 0.6f * t * len) + Vec3{0, 1.2f + t * len, 0};
            float r = 0.13f * (1 - 0.6f * t);
            std::vector<Vec3> ring;
            for (int q = 0; q < 3; ++q) {
                float a = 2 * kPi * static_cast<float>(q) / 3.0f;
                ring.push_back(c + Vec3{r * std::cos(a) * -out.z, r * std::sin(a), r * std::cos(a) * out.x});
            }
            rings.push_back(ring);
        }
        Vec3 tip = out * (0.75f + 0.75f * len) + Vec3{0, 1.2f + 1.1f * len, 0};
        AddLoft(mesh, rings, std::nullopt, tip, uv);
    }
    return Poses(mesh, [](Vec3 p) {
        float t = Clamp((p.y - 1.0f) / 2.5f, 0, 1);
        return Vec3{0.6f * t * t, 0, 0.25f * t * t};
    });
}

std::array<Mesh, 3> FishPoses(const FishShape& shape) {
    // Stations along the body from nose (0) to tail edge (1): half-height and half-width factors.
    static const float kStations[][3] = {{0.03f, 0.25f, 0.25f}, {0.08f, 0.52f, 0.50f}, {0.15f, 0.76f, 0.75f},
                                         {0.25f, 0.93f, 0.90f}, {0.38f, 1.00f, 1.00f}, {0.50f, 0.95f, 0.92f},
                                         {0.62f, 0.78f, 0.72f}, {0.72f, 0.52f, 0.45f}, {0.80f, 0.22f, 0.22f},
                                         {0.84f, 0.36f, 0.12f}, {0.90f, 0.66f, 0.07f}, {0.96f, 0.90f, 0.05f},
                                         {1.00f, 1.00f, 0.04f}};
    const float L = shape.length, H = shape.height, W = shape.width;
    std::vector<std::vector<Vec3>> rings;
    for (const auto& st : kStations) {
        float z = -L / 2 + st[0] * L;
        rings.push_back(EllipseRingZ({0, 0, z}, st[2] * W / 2, st[1] * H / 2, 10));
    }
    Mesh mesh;
    AddLoft(mesh, rings, Vec3{0, -0.05f * H, -L / 2}, std::nullopt, [L, H](Vec3 p) {
        return std::array<float, 2>{(p.z + L / 2) / L, 0.5f - p.y / H};
    });
    return Poses(mesh, [L](Vec3 p) {
        float s = (p.z + L / 2) / L;
        float t = Clamp((s - 0.45f) / 0.55f, 0, 1);
        return Vec3{0.22f * L * t * t, 0, 0};
    });
}

}  // namespace mediagen
