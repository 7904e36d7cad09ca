// matrix_expectations.h -- element-wise comparisons of matrices, vectors and quaternions for the math tests.
#pragma once

#include <gtest/gtest.h>

#include <GL/gl.h>

#include "math/mat4.h"
#include "math/quat.h"
#include "math/vec3.h"

namespace qv3rn::test {

inline ::testing::AssertionResult matricesNear(const Mat4& actual, const Mat4& expected, float tolerance) {
    for (int i = 0; i < 16; ++i)
        if (!(std::fabs(actual.m[i] - expected.m[i]) <= tolerance))
            return ::testing::AssertionFailure() << "element " << i << ": " << actual.m[i] << " vs " << expected.m[i];
    return ::testing::AssertionSuccess();
}

inline ::testing::AssertionResult vectorsNear(const Vec3& actual, const Vec3& expected, float tolerance) {
    if (std::fabs(actual.x - expected.x) <= tolerance && std::fabs(actual.y - expected.y) <= tolerance &&
        std::fabs(actual.z - expected.z) <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "(" << actual.x << ", " << actual.y << ", " << actual.z << ") vs ("
                                         << expected.x << ", " << expected.y << ", " << expected.z << ")";
}

// The same rotation: q and -q are equal as rotations.
inline ::testing::AssertionResult sameRotation(const Quat& actual, const Quat& expected, float tolerance) {
    if (std::fabs(std::fabs(dot(actual, expected)) - 1.0f) <= tolerance) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "(" << actual.x << ", " << actual.y << ", " << actual.z << ", " << actual.w
                                         << ") vs (" << expected.x << ", " << expected.y << ", " << expected.z << ", "
                                         << expected.w << ")";
}

// The current OpenGL matrix of a mode.
inline Mat4 currentGLMatrix(GLenum which) {
    Mat4 m;
    glGetFloatv(which, m.m);
    return m;
}

}  // namespace qv3rn::test
