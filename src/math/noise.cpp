// noise.cpp -- integer-hash value noise; no library generator is involved, so the build output is reproducible.
#include "math/noise.h"

#include <cmath>

namespace qv3rn {

std::uint32_t hashNoise(std::uint32_t x, std::uint32_t y, std::uint32_t seed) {
    std::uint32_t h = x * 0x8da6b343u ^ y * 0xd8163841u ^ seed * 0xcb1ab31fu;
    h ^= h >> 15;
    h *= 0x2c1b3c6du;
    h ^= h >> 12;
    h *= 0x297a2d39u;
    h ^= h >> 15;
    return h;
}

namespace {

float lattice(int x, int y, int period, std::uint32_t seed) {
    const int px = ((x % period) + period) % period;
    const int py = ((y % period) + period) % period;
    return static_cast<float>(hashNoise(static_cast<std::uint32_t>(px), static_cast<std::uint32_t>(py), seed) >> 8) /
           16777215.0f;
}

float smooth(float t) { return t * t * (3.0f - 2.0f * t); }

}  // namespace

float valueNoise(float x, float y, int period, std::uint32_t seed) {
    if (period < 1) period = 1;
    const float fx = std::floor(x);
    const float fy = std::floor(y);
    const int ix = static_cast<int>(fx);
    const int iy = static_cast<int>(fy);
    const float tx = smooth(x - fx);
    const float ty = smooth(y - fy);
    const float a = lattice(ix, iy, period, seed);
    const float b = lattice(ix + 1, iy, period, seed);
    const float c = lattice(ix, iy + 1, period, seed);
    const float d = lattice(ix + 1, iy + 1, period, seed);
    const float top = a + (b - a) * tx;
    const float bottom = c + (d - c) * tx;
    return top + (bottom - top) * ty;
}

float fractalNoise(float x, float y, int period, int octaves, std::uint32_t seed) {
    float sum = 0.0f;
    float amplitude = 1.0f;
    float total = 0.0f;
    for (int octave = 0; octave < octaves; ++octave) {
        sum += amplitude * valueNoise(x, y, period, seed + static_cast<std::uint32_t>(octave) * 7919u);
        total += amplitude;
        amplitude *= 0.5f;
        x *= 2.0f;
        y *= 2.0f;
        period *= 2;
    }
    return total > 0.0f ? sum / total : 0.0f;
}

}  // namespace qv3rn
