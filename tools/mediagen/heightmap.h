// The sea floor: 2000 x 1000 bytes, sample (i, j) at world (20 i, 20 j), height = byte / 5.
#pragma once

#include <cstdint>
#include <vector>

namespace mediagen {

class HeightMap {
public:
    static constexpr int kWidth = 2000;
    static constexpr int kDepth = 1000;
    static constexpr float kSpacing = 20.0f;

    HeightMap();  // builds the whole floor

    const std::vector<uint8_t>& Bytes() const { return m_bytes; }
    float Sample(int i, int j) const;                       // clamped to the map
    float Height(float x, float z) const;                   // bilinear between samples
    float MinAround(float x, float z, float radius) const;  // lowest sample within radius (and the four around)
    float MaxAround(float x, float z, float radius) const;

private:
    std::vector<uint8_t> m_bytes;
};

// The height in world units that the generator designs at a world point (before quantising).
float DesignedFloorHeight(float x, float z);

}  // namespace mediagen
