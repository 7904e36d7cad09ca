// Tests of the runtime generator and the gradient-noise tables.
#include "image/random.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <vector>

namespace qv3rn {
namespace {

TEST(Random, ReachesEveryValueOfTheRuntimeRangeAndRepeatsPerSeed) {
    Random random(12345);
    std::set<int> seen;
    for (int i = 0; i < 400000; ++i) {
        const int value = random.next();
        ASSERT_GE(value, 0);
        ASSERT_LE(value, Random::maxValue);
        seen.insert(value);
    }
    EXPECT_EQ(seen.size(), 32768u);  // every value of 0..32767 comes up
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
    Random u(5);
    for (int i = 0; i < 1000; ++i) {
        const float v = u.unit();  // the scripts' scale factor maps the range onto 0..1
        ASSERT_TRUE(v >= 0.0f && v <= 1.0f) << v;
    }
}

TEST(GradientNoise, IsZeroOnTheLatticeSmoothBoundedAndTheSameForTheSameSeed) {
    Random random(2024), again(2024);
    GradientNoise noise, twin;
    EXPECT_FALSE(noise.prepared());
    noise.prepare(random);
    twin.prepare(again);
    EXPECT_TRUE(noise.prepared());
    for (int i = -5; i <= 300; i += 7) {
        EXPECT_FLOAT_EQ(noise.noise1(static_cast<float>(i)), 0.0f);
        EXPECT_FLOAT_EQ(noise.noise2(static_cast<float>(i), 3.0f), 0.0f);
        EXPECT_FLOAT_EQ(noise.noise3(1.0f, static_cast<float>(i), -2.0f), 0.0f);
    }
    float largest = 0.0f, previous = noise.noise3(0.0f, 0.37f, 0.61f);
    bool varies = false;
    for (int i = 1; i < 4000; ++i) {
        const float x = i * 0.01f;
        const float n1 = noise.noise1(x), n2 = noise.noise2(x, x * 0.7f), n3 = noise.noise3(x, 0.37f, 0.61f);
        largest = std::max({largest, std::fabs(n1), std::fabs(n2), std::fabs(n3)});
        ASSERT_LT(std::fabs(n3 - previous), 0.05f) << "a step of 0.01 must not jump, at " << x;
        varies = varies || std::fabs(n3) > 0.05f;
        previous = n3;
        ASSERT_EQ(n3, twin.noise3(x, 0.37f, 0.61f));
    }
    EXPECT_LE(largest, 1.1f);
    EXPECT_TRUE(varies);
    // Negative coordinates wrap onto the same lattice rather than reading outside the tables.
    EXPECT_FLOAT_EQ(noise.noise2(-256.5f, 0.25f), noise.noise2(-0.5f, 0.25f));
    prepareGradientNoise();  // the process tables, seeded from the clock
    EXPECT_TRUE(gradientNoise().prepared());
    const int value = nextRandom();
    EXPECT_TRUE(value >= 0 && value <= Random::maxValue) << value;
}

}  // namespace
}  // namespace qv3rn
