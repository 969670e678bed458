// Value noise that can tile: with a period p the lattice wraps, so images made from it repeat.
#pragma once

#include <cstdint>

namespace mediagen {

// Noise in [0, 1) on an integer lattice; period 0 means no wrap.
float ValueNoise2(float x, float y, uint32_t seed, int periodX = 0, int periodY = 0);
float ValueNoise3(float x, float y, float z, uint32_t seed);

// Sum of octaves, each twice the frequency and half the weight, normalised to [0, 1).
// With a period the base lattice wraps every `period` cells and each octave doubles it.
float Fbm2(float x, float y, int octaves, uint32_t seed, int period = 0);
float Fbm3(float x, float y, float z, int octaves, uint32_t seed);

}  // namespace mediagen
