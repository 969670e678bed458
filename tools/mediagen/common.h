// Small shared pieces of the media generator: vectors, deterministic hashing, file output.
#pragma once

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace mediagen {

constexpr float kPi = 3.14159265358979f;

struct Vec3 {
    float x = 0, y = 0, z = 0;
};
inline Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3 operator*(Vec3 a, float s) { return {a.x * s, a.y * s, a.z * s}; }
inline float Dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Vec3 Cross(Vec3 a, Vec3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
inline float Length(Vec3 a) { return std::sqrt(Dot(a, a)); }
inline Vec3 Normalize(Vec3 a) {
    float l = Length(a);
    return l > 0 ? a * (1.0f / l) : Vec3{};
}

inline float Clamp(float v, float lo, float hi) { return v < lo ? lo : (v > hi ? hi : v); }
inline float Lerp(float a, float b, float t) { return a + (b - a) * t; }
inline float Smooth(float t) { return t * t * (3 - 2 * t); }

// Integer hash: the only source of "randomness", so every run gives the same bytes.
inline uint32_t Hash(uint32_t a, uint32_t b = 0, uint32_t c = 0) {
    uint32_t h = a * 0x9E3779B1u ^ (b + 0x7F4A7C15u) * 0x85EBCA77u ^ (c + 0x165667B1u) * 0xC2B2AE3Du;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    h *= 0x297A2D39u;
    h ^= h >> 15;
    return h;
}
inline float Hash01(uint32_t a, uint32_t b = 0, uint32_t c = 0) {
    return static_cast<float>(Hash(a, b, c) >> 8) * (1.0f / 16777216.0f);
}

// Small sequential generator for placing things.
class Rng {
public:
    explicit Rng(uint32_t seed) : m_state(seed) {}
    float Next() { return Hash01(m_state++, 0xA5A5u); }
    float Range(float lo, float hi) { return lo + (hi - lo) * Next(); }

private:
    uint32_t m_state;
};

// Writes a file, creating its folder; throws std::runtime_error on failure.
void WriteFileBytes(const std::filesystem::path& path, const void* data, size_t size);
void WriteTextFile(const std::filesystem::path& path, std::string_view text);

// printf into a std::string (the level files are easiest to lay out that way).
std::string Format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

}  // namespace mediagen
