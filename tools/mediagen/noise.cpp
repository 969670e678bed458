#include "noise.h"

#include <cmath>

#include "common.h"

namespace mediagen {
namespace {

int Wrap(int v, int period) {
    if (period <= 0) return v;
    int r = v % period;
    return r < 0 ? r + period : r;
}

}  // namespace

float ValueNoise2(float x, float y, uint32_t seed, int periodX, int periodY) {
    float fx = std::floor(x), fy = std::floor(y);
    int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
    float tx = Smooth(x - fx), ty = Smooth(y - fy);
    auto at = [&](int i, int j) {
        return Hash01(static_cast<uint32_t>(Wrap(i, periodX)), static_cast<uint32_t>(Wrap(j, periodY)), seed);
    };
    float a = Lerp(at(ix, iy), at(ix + 1, iy), tx);
    float b = Lerp(at(ix, iy + 1), at(ix + 1, iy + 1), tx);
    return Lerp(a, b, ty);
}

float ValueNoise3(float x, float y, float z, uint32_t seed) {
    float fx = std::floor(x), fy = std::floor(y), fz = std::floor(z);
    int ix = static_cast<int>(fx), iy = static_cast<int>(fy), iz = static_cast<int>(fz);
    float tx = Smooth(x - fx), ty = Smooth(y - fy), tz = Smooth(z - fz);
    auto at = [&](int i, int j, int k) {
        return Hash01(static_cast<uint32_t>(i), static_cast<uint32_t>(j), static_cast<uint32_t>(k) * 7919u + seed);
    };
    float r[2];
    for (int k = 0; k < 2; ++k) {
        float a = Lerp(at(ix, iy, iz + k), at(ix + 1, iy, iz + k), tx);
        float b = Lerp(at(ix, iy + 1, iz + k), at(ix + 1, iy + 1, iz + k), tx);
        r[k] = Lerp(a, b, ty);
    }
    return Lerp(r[0], r[1], tz);
}

float Fbm2(float x, float y, int octaves, uint32_t seed, int period) {
    float sum = 0, weight = 1, total = 0, freq = 1;
    for (int o = 0; o < octaves; ++o) {
        int p = period > 0 ? period << o : 0;
        sum += weight * ValueNoise2(x * freq, y * freq, seed + static_cast<uint32_t>(o) * 131u, p, p);
        total += weight;
        weight *= 0.5f;
        freq *= 2;
    }
    return sum / total;
}

float Fbm3(float x, float y, float z, int octaves, uint32_t seed) {
    float sum = 0, weight = 1, total = 0, freq = 1;
    for (int o = 0; o < octaves; ++o) {
        sum += weight * ValueNoise3(x * freq, y * freq, z * freq, seed + static_cast<uint32_t>(o) * 131u);
        total += weight;
        weight *= 0.5f;
        freq *= 2;
    }
    return sum / total;
}

}  // namespace mediagen
