// Tests of the 4 × 4 matrix: inversion and point transforms (its agreement with OpenGL is tested with GL).
#include "math/mat4.h"

#include <gtest/gtest.h>

#include "math/matrix_expectations.h"

namespace qv3rn {
namespace {

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
    EXPECT_EQ(m.transform({1, 1, 1, 1}), Vec4(3, 4, 5, 1));
}

}  // namespace
}  // namespace qv3rn
