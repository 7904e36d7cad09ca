// Tests of the runtime generator, the gradient-noise tables and the disk path mapping.
#include "math/random.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <vector>


namespace qv3rn {
namespace {

TEST(Random, StaysInTheRuntimeRangeAndReachesBothEnds) {
    Random random(12345);
    int low = Random::maxValue, high = 0;
    std::set<int> seen;
    for (int i = 0; i < 400000; ++i) {
        const int value = random.next();
        ASSERT_GE(value, 0);
        ASSERT_LE(value, Random::maxValue);
        low = std::min(low, value);
        high = std::max(high, value);
        seen.insert(value);
    }
    EXPECT_EQ(low, 0);
    EXPECT_EQ(high, Random::maxValue);
    EXPECT_EQ(seen.size(), 32768u);  // every value comes up
}

TEST(Random, TheSameSeedGivesTheSameSequenceAndOthersDiffer) {
    Random a(99), b(99), c(100);
    std::vector<int> first, second, other;
    for (int i = 0; i < 64; ++i) {
        first.push_back(a.next());
        second.push_back(b.next());
        other.push_back(c.next());
    }
    EXPECT_EQ(first, second);
    EXPECT_NE(first, other);
    a.seed(99);
    EXPECT_EQ(a.next(), first[0]);
    // The scripts' scale factors map the range onto 0..1 and 0..2.
    Random u(5);
    for (int i = 0; i < 1000; ++i) {
        const float v = u.unit();
        ASSERT_GE(v, 0.0f);
        ASSERT_LE(v, 1.0f);
    }
    EXPECT_NEAR(Random::maxValue * 6.103702e-5f, 2.0f, 1e-5f);
}

TEST(GradientNoise, IsZeroOnTheLatticeSmoothAndBounded) {
    Random random(2024);
    GradientNoise noise;
    EXPECT_FALSE(noise.prepared());
    noise.prepare(random);
    EXPECT_TRUE(noise.prepared());
    for (int i = -5; i <= 300; i += 7) {
        EXPECT_FLOAT_EQ(noise.noise1(static_cast<float>(i)), 0.0f);
        EXPECT_FLOAT_EQ(noise.noise2(static_cast<float>(i), 3.0f), 0.0f);
        EXPECT_FLOAT_EQ(noise.noise3(1.0f, static_cast<float>(i), -2.0f), 0.0f);
    }
    float largest = 0.0f;
    bool varies = false;
    float previous = noise.noise3(0.0f, 0.37f, 0.61f);
    for (int i = 1; i < 4000; ++i) {
        const float x = i * 0.01f;
        const float n1 = noise.noise1(x), n2 = noise.noise2(x, x * 0.7f), n3 = noise.noise3(0.0f + x, 0.37f, 0.61f);
        largest = std::max({largest, std::fabs(n1), std::fabs(n2), std::fabs(n3)});
        EXPECT_LT(std::fabs(n3 - previous), 0.05f) << "a step of 0.01 must not jump, at " << x;
        varies = varies || std::fabs(n3) > 0.05f;
        previous = n3;
    }
    EXPECT_LE(largest, 1.1f);
    EXPECT_TRUE(varies);
    // Negative coordinates wrap onto the same lattice rather than reading outside the tables.
    EXPECT_FLOAT_EQ(noise.noise2(-256.5f, 0.25f), noise.noise2(-0.5f, 0.25f));
}

TEST(GradientNoise, PreparingFromTheSameSeedGivesTheSameField) {
    Random a(7), b(7);
    GradientNoise first, second;
    first.prepare(a);
    second.prepare(b);
    for (int i = 0; i < 50; ++i) EXPECT_EQ(first.noise3(i * 0.37f, i * 0.11f, i * 0.53f), second.noise3(i * 0.37f, i * 0.11f, i * 0.53f));
}

TEST(GradientNoise, TheProcessTablesAreSeededFromTheClock) {
    prepareGradientNoise();
    EXPECT_TRUE(gradientNoise().prepared());
    const int value = nextRandom();
    EXPECT_GE(value, 0);
    EXPECT_LE(value, Random::maxValue);
}

}  // namespace
}  // namespace qv3rn
