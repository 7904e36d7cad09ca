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

TEST(QuatAxisAngle, BuildsTheHalfAngleFormAndReadsItBack) {
    const Quat q = Quat::fromAxisAngle({0.0f, 0.0f, 2.0f}, kPi / 2.0f);
    EXPECT_NEAR(q.z, std::sin(kPi / 4.0f), 1e-7f);
    EXPECT_NEAR(q.w, std::cos(kPi / 4.0f), 1e-7f);
    EXPECT_EQ(q.x, 0.0f);
    Vec3 axis;
    float angle = 0.0f;
    q.toAxisAngle(axis, angle);
    EXPECT_TRUE(vectorsNear(axis, {0.0f, 0.0f, 1.0f}, 1e-6f));
    EXPECT_NEAR(angle, kPi / 2.0f, 1e-6f);
}

TEST(QuatAxisAngle, ZeroAxisIsNoRotationAndAnglesComeBackInZeroToPi) {
    EXPECT_EQ(Quat::fromAxisAngle({0.0f, 0.0f, 0.0f}, 1.0f), Quat());
    Vec3 axis;
    float angle = 5.0f;
    Quat().toAxisAngle(axis, angle);
    EXPECT_EQ(angle, 0.0f);
    EXPECT_EQ(axis, Vec3(1.0f, 0.0f, 0.0f));
    // -90 degrees about x reads back as +90 degrees about -x.
    Quat::fromAxisAngle({1.0f, 0.0f, 0.0f}, -kPi / 2.0f).toAxisAngle(axis, angle);
    EXPECT_NEAR(angle, kPi / 2.0f, 1e-6f);
    EXPECT_TRUE(vectorsNear(axis, {-1.0f, 0.0f, 0.0f}, 1e-6f));
    // 270 degrees comes back as 90 the other way; the sign of the stored quaternion does not matter.
    (-Quat::fromAxisAngle({0.0f, 1.0f, 0.0f}, 1.5f * kPi)).toAxisAngle(axis, angle);
    EXPECT_NEAR(angle, kPi / 2.0f, 1e-5f);
    EXPECT_TRUE(vectorsNear(axis, {0.0f, -1.0f, 0.0f}, 1e-5f));
}

TEST(QuatMatrix, ToMatrixIsTheGLRotationMatrix) {
    for (const Vec3 axis : {Vec3(0, 0, 1), Vec3(1, 2, 3), Vec3(-1, 0.5f, 0.25f)})
        for (float angle : {0.3f, -2.0f, kPi})
            EXPECT_TRUE(matricesNear(Quat::fromAxisAngle(axis, angle).toMatrix(), Mat4::rotation(angle, axis), 2e-6f));
}

TEST(QuatMatrix, FromMatrixInvertsToMatrixOnEveryBranch) {
    // Small angles take the trace branch; half turns about each axis take the x, y and z branches.
    const Quat cases[] = {
        Quat::fromAxisAngle({1, 2, 3}, 0.4f),  Quat::fromAxisAngle({1, 0, 0}, kPi),
        Quat::fromAxisAngle({0, 1, 0}, kPi),   Quat::fromAxisAngle({0, 0, 1}, kPi),
        Quat::fromAxisAngle({1, 0.1f, 0.2f}, 3.0f), Quat::fromAxisAngle({0.1f, 1, -0.2f}, -3.0f),
        Quat::fromAxisAngle({0.2f, -0.1f, 1}, 2.9f),
    };
    for (const Quat& q : cases) {
        const Quat back = Quat::fromMatrix(q.toMatrix());
        EXPECT_TRUE(sameRotation(back, q, 1e-6f));
        EXPECT_NEAR(back.length(), 1.0f, 1e-6f);
    }
}

TEST(QuatProduct, ComposesRotationsWithTheRightFactorFirst) {
    const Quat a = Quat::fromAxisAngle({0, 0, 1}, kPi / 2.0f);
    const Quat b = Quat::fromAxisAngle({1, 0, 0}, kPi / 2.0f);
    const Vec3 v{0.0f, 1.0f, 0.0f};
    // b first: y goes to z, then a leaves z alone.
    EXPECT_TRUE(vectorsNear((a * b).rotate(v), {0.0f, 0.0f, 1.0f}, 1e-6f));
    // a first: y goes to -x, then b leaves x alone.
    EXPECT_TRUE(vectorsNear((b * a).rotate(v), {-1.0f, 0.0f, 0.0f}, 1e-6f));
    // The product's matrix is the matrices applied in the same order (OpenGL reading: a·b).
    EXPECT_TRUE(matricesNear((a * b).toMatrix(), b.toMatrix() * a.toMatrix(), 1e-6f));
}

TEST(QuatProduct, TwoQuarterTurnsMakeAHalfTurn) {
    const Quat quarter = Quat::fromAxisAngle({0, 0, 1}, kPi / 2.0f);
    Vec3 axis;
    float angle = 0.0f;
    (quarter * quarter).toAxisAngle(axis, angle);
    EXPECT_NEAR(angle, kPi, 1e-6f);
    EXPECT_TRUE(vectorsNear(axis, {0.0f, 0.0f, 1.0f}, 1e-6f));
}

TEST(QuatSlerp, EndsMidpointAndTheShorterWay) {
    const Quat a;
    const Quat b = Quat::fromAxisAngle({0, 1, 0}, 2.0f);
    EXPECT_TRUE(sameRotation(slerp(a, b, 0.0f), a, 1e-6f));
    EXPECT_TRUE(sameRotation(slerp(a, b, 1.0f), b, 1e-6f));
    EXPECT_TRUE(sameRotation(slerp(a, b, 0.5f), Quat::fromAxisAngle({0, 1, 0}, 1.0f), 1e-6f));
    EXPECT_TRUE(sameRotation(slerp(a, b, 0.25f), Quat::fromAxisAngle({0, 1, 0}, 0.5f), 1e-6f));
    // -b is the same rotation: the interpolation still takes the short way and ends at the same place.
    EXPECT_TRUE(sameRotation(slerp(a, -b, 0.5f), Quat::fromAxisAngle({0, 1, 0}, 1.0f), 1e-6f));
    // From 0 to 300 degrees the short way is 60 degrees backwards.
    const Quat far = Quat::fromAxisAngle({0, 0, 1}, 300.0f * kPi / 180.0f);
    EXPECT_TRUE(sameRotation(slerp(a, far, 0.5f), Quat::fromAxisAngle({0, 0, 1}, -30.0f * kPi / 180.0f), 1e-6f));
}

TEST(QuatSlerp, CloseKeysBlendLinearlyAndStayUnitLength) {
    const Quat a = Quat::fromAxisAngle({1, 0, 0}, 0.1f);
    const Quat b = Quat::fromAxisAngle({1, 0, 0}, 0.3f);
    ASSERT_GE(dot(a, b), 0.95f);
    const Quat mid = slerp(a, b, 0.5f);
    EXPECT_NEAR(mid.length(), 1.0f, 1e-6f);
    EXPECT_TRUE(sameRotation(mid, Quat::fromAxisAngle({1, 0, 0}, 0.2f), 1e-6f));
    // With a threshold above every dot product the spherical formula is used and agrees.
    EXPECT_TRUE(sameRotation(slerp(a, b, 0.5f, 2.0f), mid, 1e-6f));
}

}  // namespace
}  // namespace qv3rn
