// Tests of quaternions: axis-angle and matrix conversions, the product as rotation composition, slerp.
#include "math/quat.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "math/matrix_expectations.h"

namespace qv3rn {
namespace {

using test::matricesNear;
using test::sameRotation;
using test::vectorsNear;

constexpr float kPi = std::numbers::pi_v<float>;

TEST(QuatAxisAngle, ReadsBackAnglesInZeroToPiWhateverTheSignOrTheLengthOfTheAxis) {
    const Quat quarter = Quat::fromAxisAngle({0, 0, 2}, kPi / 2);
    const struct {
        Quat q;
        Vec3 axis;
        float angle;
    } cases[] = {
        {quarter, {0, 0, 1}, kPi / 2},
        {Quat(), {1, 0, 0}, 0},  // no rotation reads as zero about x
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
    const struct {
        Quat result, expected;
    } cases[] = {
        {slerp(a, b, 0.0f), a},
        {slerp(a, b, 1.0f), b},
        {slerp(a, b, 0.25f), Quat::fromAxisAngle({0, 1, 0}, 0.5f)},
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

}  // namespace
}  // namespace qv3rn
