// math_types_test.cpp -- Tests of the 4 × 4 matrix (its agreement with OpenGL is tested with GL), quaternions
// (axis-angle, matrices, products, slerp), the view frustum, bounding spheres and boxes, and the random numbers.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <set>
#include <vector>

#include "math/bounding_box.h"
#include "math/frustum.h"
#include "math/mat4.h"
#include "math/matrix_expectations.h"
#include "math/quat.h"
#include "math/random.h"
#include "math/sphere.h"

namespace qv3rn {
namespace {

TEST(Frustum, PointsAndSpheresAgainstEachPlaneWithEuclideanDistances) {
    // A 90-degree square frustum looking down -z from the origin, near 1, far 100.
    const Frustum f(Mat4::perspective(90.0f, 1.0f, 1.0f, 100.0f), Mat4::identity());
    const struct { Vec3 centre; float radius; bool inside; } cases[] = {
        {{9.9f, -9.9f, -10}, 0, true}, {{10.1f, 0, -10}, 0, false}, {{-10.1f, 0, -10}, 0, false},  // right, left
        {{0, 10.1f, -10}, 0, false},   {{0, -10.1f, -10}, 0, false},                               // top, bottom
        {{0, 0, -0.5f}, 0, false},     {{0, 0, -101}, 0, false},                                   // near, far
        {{12, 0, -10}, 3, true},      {{12, 0, -10}, 1, false},  // straddling the right plane, or wholly outside
        {{0, 0, 0}, 1.5f, true},      {{0, 0, 5}, 2, false},     // around the eye past the near plane; behind it
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.centre.x << ", " << c.centre.y << ", " << c.centre.z << " r " << c.radius);
        EXPECT_EQ(f.intersects({c.centre, c.radius}), c.inside);
        if (c.radius == 0) {
            EXPECT_EQ(f.contains(c.centre), c.inside);
        }
    }
    EXPECT_NEAR(f.signedDistance(Frustum::Near, {0, 0, -3}), 2.0f, 1e-5f);
    EXPECT_NEAR(f.signedDistance(Frustum::Right, {12, 0, -10}), -std::sqrt(2.0f), 1e-5f);  // the plane x = -z
    for (int i = 0; i < Frustum::PlaneCount; ++i)
        EXPECT_NEAR(f.plane(static_cast<Frustum::Plane>(i)).xyz().length(), 1.0f, 1e-6f);
    EXPECT_TRUE(Frustum().contains({1e6f, -1e6f, 3}));  // without planes everything passes
}

TEST(Frustum, BoxesAreOutsidePartlyOrWhollyInside) {
    // The 90-degree frustum down -z: at z = -10 it spans x and y from -10 to 10.
    const Frustum f(Mat4::perspective(90.0f, 1.0f, 1.0f, 100.0f), Mat4::identity());
    using Side = Frustum::BoxSide;
    const struct { BoundingBox box; Side side; } cases[] = {
        {{{-1, -1, -11}, {1, 1, -9}}, Side::Inside},
        {{{9, -1, -11}, {11, 1, -9}}, Side::Partly},      // across the right plane
        {{{10.5f, -1, -10}, {12, 1, -10}}, Side::Outside},  // right of it
        {{{-1, -1, -2}, {1, 1, 2}}, Side::Partly},        // around the eye, through the near plane
        {{{-200, -200, -50}, {200, 200, -40}}, Side::Partly},     // a slab that holds the whole cross-section
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.box.min.x << " " << c.box.min.z << " .. " << c.box.max.x);
        EXPECT_EQ(f.classify(c.box), c.side);
    }
    EXPECT_EQ(Frustum().classify({{-1e6f, 0, 0}, {1e6f, 1, 1}}), Side::Inside);
}

TEST(Sphere, EnclosingGrowsToTheSmallestSphereAroundBoth) {
    const struct { Sphere first, second, expected; } cases[] = {
        {{{0, 0, 0}, 1}, {{4, 0, 0}, 1}, {{2, 0, 0}, 3}},
        {{{0, 0, 0}, 10}, {{1, 1, 1}, 1}, {{0, 0, 0}, 10}},   // already inside: unchanged
        {{{1, 0, 0}, 0.5f}, {{0, 0, 0}, 5}, {{0, 0, 0}, 5}},  // swallowed: becomes the other
    };
    for (const auto& c : cases) {
        Sphere s = c.first;
        s.enclose(c.second);
        EXPECT_NEAR(s.radius, c.expected.radius, 1e-6f);
        EXPECT_NEAR((s.center - c.expected.center).length(), 0.0f, 1e-6f);
        const Sphere loose{s.center, s.radius + 1e-5f};
        EXPECT_TRUE(loose.contains(c.second));
    }
    const Sphere around = Sphere::aroundBox({{-1, -2, -2}, {1, 2, 2}});
    EXPECT_EQ(around.center, Vec3(0, 0, 0));
    EXPECT_NEAR(around.radius, 6.0f * 0.51f, 1e-6f);
    const Sphere unit{{0, 0, 0}, 1.0f};
    EXPECT_TRUE(unit.intersects({{2.5f, 0, 0}, 1.5f}));
    EXPECT_FALSE(unit.intersects({{2.5f, 0, 0}, 1.4f}));
}

TEST(BoundingBox, GrowsAroundPointsFromTheFirst) {
    BoundingBox box = BoundingBox::around({1, 1, 1});
    box.extend({-2, 3, 0.5f});
    box.extend({0, -1, 4});
    EXPECT_EQ(box.min, Vec3(-2, -1, 0.5f));
    EXPECT_EQ(box.max, Vec3(1, 3, 4));
    EXPECT_TRUE(box.contains({0, 0, 1}));
    EXPECT_FALSE(box.contains({0, 0, 4.5f}));
}

using test::matricesNear;

Mat4 numbered(float first) {
    Mat4 m;
    for (int i = 0; i < 16; ++i) m.m[i] = first + static_cast<float>(i);
    return m;
}

TEST(Mat4Inverse, KnownInversesAndSingularMatrices) {
    EXPECT_EQ(*Mat4::translation({2, -3, 4}).inverted(), Mat4::translation({-2, 3, -4}));
    EXPECT_EQ(*Mat4::scaling({2, 4, 0.5f}).inverted(), Mat4::scaling({0.5f, 0.25f, 2}));
    const Mat4 turn = Mat4::rotation(0.7f, {1, 2, -1});
    EXPECT_TRUE(matricesNear(*turn.inverted(), turn.transposed(), 1e-6f));  // a rotation's inverse is its transpose
    const float numbers[16] = {2, 0, 0, 1, 1, 3, 0, 2, -1, 4, 5, 3, 7, -2, 1, 6};
    const Mat4 general = Mat4::fromArray(numbers);
    const auto inverse = general.inverted();
    ASSERT_TRUE(inverse.has_value());
    EXPECT_TRUE(matricesNear(general * *inverse, Mat4::identity(), 1e-5f));
    EXPECT_TRUE(matricesNear(*inverse * general, Mat4::identity(), 1e-5f));
    EXPECT_FALSE(numbered(1.0f).inverted().has_value());  // rows in arithmetic progression: rank 2
    EXPECT_FALSE(Mat4::scaling({1, 0, 1}).inverted().has_value());
}

TEST(Mat4Transform, PointsTakeTheTranslationAndDirectionsDoNot) {
    const Mat4 m = Mat4::scaling({2, 2, 2}) * Mat4::translation({1, 2, 3});
    EXPECT_EQ(m.transformPoint({1, 1, 1}), Vec3(3, 4, 5));
    EXPECT_EQ(m.transformVector({1, 1, 1}), Vec3(2, 2, 2));
}

using test::sameRotation;
using test::vectorsNear;

constexpr float kPi = std::numbers::pi_v<float>;

TEST(QuatAxisAngle, ReadsBackAnglesInZeroToPiWhateverTheSignOrTheLengthOfTheAxis) {
    const Quat quarter = Quat::fromAxisAngle({0, 0, 2}, kPi / 2);
    const struct { Quat q; Vec3 axis; float angle; } cases[] = {
        {quarter, {0, 0, 1}, kPi / 2},
        {Quat::fromAxisAngle({1, 0, 0}, -kPi / 2), {-1, 0, 0}, kPi / 2},
        {-Quat::fromAxisAngle({0, 1, 0}, 1.5f * kPi), {0, -1, 0}, kPi / 2},  // 270 degrees, stored negated
        {quarter * quarter, {0, 0, 1}, kPi},                                 // two quarter turns make a half turn
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.angle);
        Vec3 axis;
        float angle = 5.0f;
        c.q.toAxisAngle(axis, angle);
        EXPECT_NEAR(angle, c.angle, 1e-5f);
        EXPECT_TRUE(vectorsNear(axis, c.axis, 1e-5f));
    }
    EXPECT_EQ(Quat::fromAxisAngle({0, 0, 0}, 1.0f), Quat());  // a zero axis is no rotation
}

TEST(QuatMatrix, ToMatrixIsTheGLRotationAndFromMatrixInvertsItOnEveryBranch) {
    for (const Vec3 axis : {Vec3(0, 0, 1), Vec3(1, 2, 3), Vec3(-1, 0.5f, 0.25f)})
        for (float angle : {0.3f, -2.0f, kPi})
            EXPECT_TRUE(matricesNear(Quat::fromAxisAngle(axis, angle).toMatrix(), Mat4::rotation(angle, axis), 2e-6f));
    // Small angles take the trace branch; half turns about each axis take the x, y and z branches.
    for (const Quat& q : {Quat::fromAxisAngle({1, 2, 3}, 0.4f), Quat::fromAxisAngle({1, 0, 0}, kPi),
                          Quat::fromAxisAngle({0, 1, 0}, kPi), Quat::fromAxisAngle({0, 0, 1}, kPi),
                          Quat::fromAxisAngle({1, 0.1f, 0.2f}, 3.0f), Quat::fromAxisAngle({0.1f, 1, -0.2f}, -3.0f),
                          Quat::fromAxisAngle({0.2f, -0.1f, 1}, 2.9f)}) {
        const Quat back = Quat::fromMatrix(q.toMatrix());
        EXPECT_TRUE(sameRotation(back, q, 1e-6f));
        EXPECT_NEAR(back.length(), 1.0f, 1e-6f);
    }
}

TEST(QuatProduct, ComposesRotationsWithTheRightFactorFirst) {
    const Quat a = Quat::fromAxisAngle({0, 0, 1}, kPi / 2), b = Quat::fromAxisAngle({1, 0, 0}, kPi / 2);
    EXPECT_TRUE(vectorsNear((a * b).rotate({0, 1, 0}), {0, 0, 1}, 1e-6f));   // b first: y to z, which a keeps
    EXPECT_TRUE(vectorsNear((b * a).rotate({0, 1, 0}), {-1, 0, 0}, 1e-6f));  // a first: y to -x, which b keeps
    EXPECT_TRUE(matricesNear((a * b).toMatrix(), b.toMatrix() * a.toMatrix(), 1e-6f));
}

TEST(QuatSlerp, EndsMidpointsTheShorterWayAndTheLinearBlendForCloseKeys) {
    const Quat a, b = Quat::fromAxisAngle({0, 1, 0}, 2.0f);
    const Quat far = Quat::fromAxisAngle({0, 0, 1}, 300.0f * kPi / 180.0f);
    const Quat c = Quat::fromAxisAngle({1, 0, 0}, 0.1f), d = Quat::fromAxisAngle({1, 0, 0}, 0.3f);
    const struct { Quat result, expected; } cases[] = {
        {slerp(a, -b, 0.5f), Quat::fromAxisAngle({0, 1, 0}, 1.0f)},                    // -b is the same rotation
        {slerp(a, far, 0.5f), Quat::fromAxisAngle({0, 0, 1}, -30.0f * kPi / 180.0f)},  // 60 degrees backwards
        {slerp(c, d, 0.5f), Quat::fromAxisAngle({1, 0, 0}, 0.2f)},                     // close keys blend linearly
        {slerp(c, d, 0.5f, 2.0f), Quat::fromAxisAngle({1, 0, 0}, 0.2f)},               // a threshold above every dot
    };
    for (const auto& row : cases) {
        EXPECT_TRUE(sameRotation(row.result, row.expected, 1e-6f));
        EXPECT_NEAR(row.result.length(), 1.0f, 1e-6f);
    }
}

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
    for (int i = 0; i < 64; ++i) first.push_back(a.next()), second.push_back(b.next()), other.push_back(c.next());
    EXPECT_EQ(first, second);
    EXPECT_NE(first, other);
    Random u(5);
    for (int i = 0; i < 1000; ++i) {
        const float v = u.unit();  // the scripts' scale factor maps the range onto 0..1
        ASSERT_TRUE(v >= 0.0f && v <= 1.0f) << v;
    }
}

TEST(GradientNoise, IsZeroOnTheLatticeSmoothBoundedAndTheSameForTheSameSeed) {
    Random random(2024), again(2024);
    GradientNoise noise, twin;
    noise.prepare(random);
    twin.prepare(again);
    for (int i = -5; i <= 300; i += 7)
        EXPECT_EQ((std::array{noise.noise1(i * 1.0f), noise.noise2(i * 1.0f, 3.0f), noise.noise3(1.0f, i * 1.0f, -2.0f)}),
                  (std::array{0.0f, 0.0f, 0.0f}));
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
