#include "heightmap.h"

#include <algorithm>
#include <cmath>

#include "common.h"
#include "noise.h"

namespace mediagen {
namespace {

// The basin holding every level; outside it the floor rises above the sea surface (45) so a
// diver under water can never swim off the chart or off the map.
constexpr float kBasinX0 = 260, kBasinX1 = 2860, kBasinZ0 = 260, kBasinZ1 = 1860;
constexpr float kLandHeight = 49.0f;

float DistanceToSegment(float px, float pz, float ax, float az, float bx, float bz) {
    float dx = bx - ax, dz = bz - az;
    float t = Clamp(((px - ax) * dx + (pz - az) * dz) / (dx * dx + dz * dz), 0, 1);
    float ex = px - (ax + t * dx), ez = pz - (az + t * dz);
    return std::sqrt(ex * ex + ez * ez);
}

// The deep trench of the third level, a bending channel from the south-east coast.
float TrenchDistance(float x, float z) {
    static const float pts[][2] = {{1600, 120}, {1950, 360}, {2300, 440}, {2600, 600}, {3000, 760}};
    float d = 1e9f;
    for (int k = 0; k + 1 < 5; ++k)
        d = std::min(d, DistanceToSegment(x, z, pts[k][0], pts[k][1], pts[k + 1][0], pts[k + 1][1]));
    return d + (ValueNoise2(x / 90, z / 90, 71) - 0.5f) * 30;
}

float SandFloor(float x, float z) {
    float base = 8.5f + 4.0f * (Fbm2(x / 700, z / 700, 3, 11) - 0.5f);
    // Dunes: long asymmetric swells running north-east.
    float u = (x * 0.8f + z * 0.6f) / 320 + 1.5f * Fbm2(x / 500, z / 500, 2, 12);
    float dune = std::sin(2 * kPi * u);
    dune = dune > 0 ? dune : dune * 0.5f;
    base += 2.2f * dune * (0.5f + Fbm2(x / 900, z / 900, 2, 13));
    // Ripples: short crests across the dunes.
    float v = (x * 0.3f - z * 0.95f) / 65 + 2.0f * Fbm2(x / 260, z / 260, 2, 14);
    base += 0.45f * std::sin(2 * kPi * v);
    return base;
}

float CoastRise(float x, float z) {
    // Distance inside the basin's edge (negative outside), with a ragged shoreline.
    float inside = std::min(std::min(x - kBasinX0, kBasinX1 - x), std::min(z - kBasinZ0, kBasinZ1 - z));
    inside += (Fbm2(x / 160, z / 160, 3, 21) - 0.5f) * 120;
    return Clamp(1 - inside / 140, 0, 1);  // 0 in open water, 1 on land
}

}  // namespace

float DesignedFloorHeight(float x, float z) {
    float h = SandFloor(x, z);

    // Rocky ridges along the trench's flanks (third level).
    float td = TrenchDistance(x, z);
    float ridgeBand = Clamp((td - 60) / 40, 0, 1) * Clamp((320 - td) / 120, 0, 1);
    if (ridgeBand > 0) {
        float r = 1 - std::fabs(2 * Fbm2(x / 140, z / 140, 4, 31) - 1);
        h += ridgeBand * 16 * r * r * r;
    }
    // The trench itself: a smooth deep channel.
    float trench = std::exp(-(td / 75) * (td / 75));
    h = Lerp(h, 0.6f, trench);

    // Reef shelf (second level): a raised plateau with coral heads, north of the start.
    float edge = 1250 + (Fbm2(x / 120, 0.5f, 3, 41) - 0.5f) * 80;
    float shelf = Clamp((z - edge) / 45, 0, 1) * Clamp((x - 1650) / 60, 0, 1) * Clamp((2450 - x) / 60, 0, 1);
    if (shelf > 0) {
        float coral = Fbm2(x / 35, z / 35, 3, 42);
        float top = 22.0f + 6.0f * coral * coral;
        h = Lerp(h, top, Smooth(shelf));
    }

    // Coast and land all round the basin.
    float coast = CoastRise(x, z);
    if (coast > 0) {
        float land = kLandHeight + 2.0f * ValueNoise2(x / 200, z / 200, 51);
        h = Lerp(h, land, Smooth(coast));
    }
    return h;
}

HeightMap::HeightMap() : m_bytes(static_cast<size_t>(kWidth) * kDepth) {
    for (int j = 0; j < kDepth; ++j) {
        for (int i = 0; i < kWidth; ++i) {
            float x = i * kSpacing, z = j * kSpacing;
            float h;
            if (x > kBasinX1 + 400 || z > kBasinZ1 + 400)
                h = kLandHeight + 2.0f * ValueNoise2(x / 200, z / 200, 51);  // far land: nobody sees it
            else
                h = DesignedFloorHeight(x, z);
            m_bytes[static_cast<size_t>(j) * kWidth + i] = static_cast<uint8_t>(Clamp(std::round(h * 5.0f), 0, 255));
        }
    }
}

float HeightMap::Sample(int i, int j) const {
    i = std::clamp(i, 0, kWidth - 1);
    j = std::clamp(j, 0, kDepth - 1);
    return m_bytes[static_cast<size_t>(j) * kWidth + i] / 5.0f;
}

float HeightMap::Height(float x, float z) const {
    float fx = x / kSpacing, fz = z / kSpacing;
    int i = static_cast<int>(std::floor(fx)), j = static_cast<int>(std::floor(fz));
    float tx = fx - i, tz = fz - j;
    return Lerp(Lerp(Sample(i, j), Sample(i + 1, j), tx), Lerp(Sample(i, j + 1), Sample(i + 1, j + 1), tx), tz);
}

float HeightMap::MinAround(float x, float z, float radius) const {
    int i0 = static_cast<int>(std::floor((x - radius) / kSpacing)),
        i1 = static_cast<int>(std::ceil((x + radius) / kSpacing));
    int j0 = static_cast<int>(std::floor((z - radius) / kSpacing)),
        j1 = static_cast<int>(std::ceil((z + radius) / kSpacing));
    float m = 1e9f;
    for (int j = j0; j <= j1; ++j)
        for (int i = i0; i <= i1; ++i) m = std::min(m, Sample(i, j));
    return m;
}

float HeightMap::MaxAround(float x, float z, float radius) const {
    int i0 = static_cast<int>(std::floor((x - radius) / kSpacing)),
        i1 = static_cast<int>(std::ceil((x + radius) / kSpacing));
    int j0 = static_cast<int>(std::floor((z - radius) / kSpacing)),
        j1 = static_cast<int>(std::ceil((z + radius) / kSpacing));
    float m = -1e9f;
    for (int j = j0; j <= j1; ++j)
        for (int i = i0; i <= i1; ++i) m = std::max(m, Sample(i, j));
    return m;
}

}  // namespace mediagen
