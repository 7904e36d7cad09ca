// random.h -- the runtime's pseudo-random generator (values 0 to 32767) and the gradient-noise tables it fills.
#pragma once

#include <array>
#include <cstdint>

namespace qv3rn {

// A linear congruential generator with the classic C runtime range: next() gives 0 .. 32767. Scripts' constants
// rely on that range (for example next() * 6.103702e-5 lies in 0 .. 2, next() * 3.051851e-5 in 0 .. 1).
class Random {
public:
    static constexpr int maxValue = 32767;

    explicit Random(std::uint32_t seed = 1) : state_(seed) {}
    void seed(std::uint32_t seed) { state_ = seed; }
    int next() {
        state_ = state_ * 214013u + 2531011u;
        return static_cast<int>((state_ >> 16) & 0x7FFFu);
    }
    // next() / 32767: 0 .. 1 inclusive.
    float unit() { return static_cast<float>(next()) / static_cast<float>(maxValue); }

private:
    std::uint32_t state_;
};

// The one generator of the process; the loading screen and the particle generators draw from it.
Random& runtimeRandom();
inline int nextRandom() { return runtimeRandom().next(); }

// Gradient noise over a 256-cell lattice: a shuffled permutation with random unit gradients in one, two and
// three dimensions. Values are smooth in every coordinate, 0 at lattice points, and stay within about -1 .. 1.
class GradientNoise {
public:
    static constexpr int cells = 256;

    // Fills the tables from `random` (gradients first, then the shuffle).
    void prepare(Random& random);
    bool prepared() const { return prepared_; }

    float noise1(float x) const;
    float noise2(float x, float y) const;
    float noise3(float x, float y, float z) const;

private:
    static constexpr int tableSize = cells + cells + 2;  // doubled so lookups p[p[i] + j] need no wrapping
    std::array<int, tableSize> permutation_{};
    std::array<float, tableSize> gradient1_{};
    std::array<std::array<float, 2>, tableSize> gradient2_{};
    std::array<std::array<float, 3>, tableSize> gradient3_{};
    bool prepared_ = false;
};

// The process's noise tables.
GradientNoise& gradientNoise();

// Seeds the runtime generator with the current time in seconds, then prepares the process's noise tables from
// it; the image registry does this once at start-up.
void prepareGradientNoise();

}  // namespace qv3rn
