// noise.h -- deterministic value noise and fractal sums for textures and terrain (same output on every machine).
#pragma once

#include <cstdint>

namespace qv3rn {

// A 32-bit integer hash; the texture generators' only source of randomness.
std::uint32_t hashNoise(std::uint32_t x, std::uint32_t y, std::uint32_t seed);

// Smoothly interpolated value noise in 0..1 that tiles with the given period (in lattice cells).
float valueNoise(float x, float y, int period, std::uint32_t seed);

// Fractal sum of `octaves` noise layers, each twice the frequency and half the amplitude; result in 0..1.
// The picture tiles when `period` is the lattice period of the first octave.
float fractalNoise(float x, float y, int period, int octaves, std::uint32_t seed);

}  // namespace qv3rn
