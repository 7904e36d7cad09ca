// random.cpp -- the process's generator and the gradient-noise tables with their lookups.
#include "math/random.h"

#include <cmath>
#include <ctime>
#include <utility>

namespace qv3rn {

Random& runtimeRandom() {
    static Random generator;
    return generator;
}

GradientNoise& gradientNoise() {
    static GradientNoise noise;
    return noise;
}

void prepareGradientNoise() {
    runtimeRandom().seed(static_cast<std::uint32_t>(std::time(nullptr)));
    gradientNoise().prepare(runtimeRandom());
}

namespace {

// A gradient component in -1 .. 1 (exclusive of 1), on a grid of 1/256.
float randomComponent(Random& random) {
    constexpr int span = GradientNoise::cells * 2;
    return static_cast<float>(random.next() % span - GradientNoise::cells) / GradientNoise::cells;
}

template <std::size_t N>
void normalize(std::array<float, N>& v) {
    float length = 0.0f;
    for (float c : v) length += c * c;
    length = std::sqrt(length);
    if (length > 0.0f)
        for (float& c : v) c /= length;
    else
        v[0] = 1.0f;  // a zero draw still needs a unit gradient
}

float smoothStep(float t) { return t * t * (3.0f - 2.0f * t); }
float lerp(float t, float a, float b) { return a + t * (b - a); }

// The lattice cell of one coordinate: its two corner indices and the offsets from them.
struct Lattice {
    int low, high;
    float fromLow, fromHigh;
};

Lattice locate(float coordinate) {
    const float floorValue = std::floor(coordinate);
    const int cell = static_cast<int>(static_cast<long long>(floorValue) & (GradientNoise::cells - 1));
    const float fraction = coordinate - floorValue;
    return {cell, (cell + 1) & (GradientNoise::cells - 1), fraction, fraction - 1.0f};
}

}  // namespace

void GradientNoise::prepare(Random& random) {
    for (int i = 0; i < cells; ++i) {
        permutation_[i] = i;
        gradient1_[i] = randomComponent(random);
        for (float& c : gradient2_[i]) c = randomComponent(random);
        normalize(gradient2_[i]);
        for (float& c : gradient3_[i]) c = randomComponent(random);
        normalize(gradient3_[i]);
    }
    for (int i = cells - 1; i > 0; --i) std::swap(permutation_[i], permutation_[random.next() % cells]);
    for (int i = 0; i < cells + 2; ++i) {
        permutation_[cells + i] = permutation_[i % cells];
        gradient1_[cells + i] = gradient1_[i % cells];
        gradient2_[cells + i] = gradient2_[i % cells];
        gradient3_[cells + i] = gradient3_[i % cells];
    }
    prepared_ = true;
}

float GradientNoise::noise1(float x) const {
    const Lattice lx = locate(x);
    const float u = lx.fromLow * gradient1_[permutation_[lx.low]];
    const float v = lx.fromHigh * gradient1_[permutation_[lx.high]];
    return lerp(smoothStep(lx.fromLow), u, v);
}

float GradientNoise::noise2(float x, float y) const {
    const Lattice lx = locate(x), ly = locate(y);
    const int i = permutation_[lx.low], j = permutation_[lx.high];
    auto dot = [&](int corner, float rx, float ry) {
        const auto& g = gradient2_[corner];
        return rx * g[0] + ry * g[1];
    };
    const float sx = smoothStep(lx.fromLow), sy = smoothStep(ly.fromLow);
    const float bottom = lerp(sx, dot(permutation_[i + ly.low], lx.fromLow, ly.fromLow),
                              dot(permutation_[j + ly.low], lx.fromHigh, ly.fromLow));
    const float top = lerp(sx, dot(permutation_[i + ly.high], lx.fromLow, ly.fromHigh),
                           dot(permutation_[j + ly.high], lx.fromHigh, ly.fromHigh));
    return lerp(sy, bottom, top);
}

float GradientNoise::noise3(float x, float y, float z) const {
    const Lattice lx = locate(x), ly = locate(y), lz = locate(z);
    const int i = permutation_[lx.low], j = permutation_[lx.high];
    const int b00 = permutation_[i + ly.low], b10 = permutation_[j + ly.low];
    const int b01 = permutation_[i + ly.high], b11 = permutation_[j + ly.high];
    auto dot = [&](int corner, float rx, float ry, float rz) {
        const auto& g = gradient3_[corner];
        return rx * g[0] + ry * g[1] + rz * g[2];
    };
    const float sx = smoothStep(lx.fromLow), sy = smoothStep(ly.fromLow), sz = smoothStep(lz.fromLow);
    auto layer = [&](int zCell, float rz) {
        const float bottom = lerp(sx, dot(permutation_[b00 + zCell], lx.fromLow, ly.fromLow, rz),
                                  dot(permutation_[b10 + zCell], lx.fromHigh, ly.fromLow, rz));
        const float top = lerp(sx, dot(permutation_[b01 + zCell], lx.fromLow, ly.fromHigh, rz),
                               dot(permutation_[b11 + zCell], lx.fromHigh, ly.fromHigh, rz));
        return lerp(sy, bottom, top);
    };
    return lerp(sz, layer(lz.low, lz.fromLow), layer(lz.high, lz.fromHigh));
}

}  // namespace qv3rn
