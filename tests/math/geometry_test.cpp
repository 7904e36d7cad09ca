// Tests of the view frustum, bounding spheres and bounding boxes.
#include <gtest/gtest.h>

#include <cmath>

#include "math/bounding_box.h"
#include "math/frustum.h"
#include "math/sphere.h"

namespace qv3rn {
namespace {

// A 90-degree square frustum looking down -z from the origin, near 1, far 100.
Frustum straightAhead() { return Frustum(Mat4::perspective(90.0f, 1.0f, 1.0f, 100.0f), Mat4::identity()); }

TEST(Frustum, PointsInsideAndOutsideEachPlane) {
    const Frustum f = straightAhead();
    EXPECT_TRUE(f.contains({0, 0, -10}));
    EXPECT_TRUE(f.contains({9.9f, -9.9f, -10}));
    EXPECT_FALSE(f.contains({10.1f, 0, -10}));   // right
    EXPECT_FALSE(f.contains({-10.1f, 0, -10}));  // left
    EXPECT_FALSE(f.contains({0, 10.1f, -10}));   // top
    EXPECT_FALSE(f.contains({0, -10.1f, -10}));  // bottom
    EXPECT_FALSE(f.contains({0, 0, -0.5f}));     // in front of the near plane
    EXPECT_FALSE(f.contains({0, 0, 10}));        // behind the eye
    EXPECT_FALSE(f.contains({0, 0, -101}));      // beyond the far plane
}

TEST(Frustum, PlanesAreUnitAndDistancesAreEuclidean) {
    const Frustum f = straightAhead();
    EXPECT_NEAR(f.signedDistance(Frustum::Near, {0, 0, -3}), 2.0f, 1e-5f);
    EXPECT_NEAR(f.signedDistance(Frustum::Far, {0, 0, -90}), 10.0f, 1e-3f);
    // The right plane is x = -z: (12, 0, -10) lies sqrt(2) outside it.
    EXPECT_NEAR(f.signedDistance(Frustum::Right, {12, 0, -10}), -std::sqrt(2.0f), 1e-5f);
    for (int i = 0; i < Frustum::PlaneCount; ++i)
        EXPECT_NEAR(f.plane(static_cast<Frustum::Plane>(i)).xyz().length(), 1.0f, 1e-6f);
}

TEST(Frustum, SpheresStraddlingAPlaneStillIntersect) {
    const Frustum f = straightAhead();
    EXPECT_TRUE(f.intersects({{12, 0, -10}, 3.0f}));   // centre outside, reaches in
    EXPECT_FALSE(f.intersects({{12, 0, -10}, 1.0f}));  // wholly outside the right plane
    EXPECT_TRUE(f.intersects({{0, 0, 0}, 1.5f}));      // around the eye, reaching past the near plane
    EXPECT_FALSE(f.intersects({{0, 0, 5}, 2.0f}));     // behind the eye
    EXPECT_TRUE(f.intersects({{0, 0, -50}, 0.0f}));
}

TEST(Frustum, FollowsTheModelviewOfACamera) {
    // A camera at (100, 0, 0) looking along +x sees what lies on +x of it.
    const Frustum f(Mat4::perspective(60.0f, 1.0f, 1.0f, 50.0f), Mat4::lookAt({100, 0, 0}, {101, 0, 0}, {0, 1, 0}));
    EXPECT_TRUE(f.contains({120, 0, 0}));
    EXPECT_FALSE(f.contains({80, 0, 0}));
    EXPECT_FALSE(f.contains({0, 0, -10}));
    EXPECT_TRUE(f.intersects({{151, 0, 0}, 2.0f}));
    EXPECT_FALSE(f.intersects({{153, 0, 0}, 2.0f}));
}

TEST(Frustum, WithoutPlanesEverythingPasses) {
    const Frustum f;
    EXPECT_TRUE(f.contains({1e6f, -1e6f, 3}));
    EXPECT_TRUE(f.intersects({{-1e6f, 0, 0}, 0.0f}));
}

TEST(Sphere, EnclosingGrowsToTheSmallestSphereAroundBoth) {
    Sphere s{{0, 0, 0}, 1.0f};
    s.enclose({{4, 0, 0}, 1.0f});
    EXPECT_NEAR(s.radius, 3.0f, 1e-6f);
    EXPECT_NEAR(s.center.x, 2.0f, 1e-6f);
    EXPECT_TRUE(s.contains({{0, 0, 0}, 1.0f}));
    EXPECT_TRUE(s.contains({{4, 0, 0}, 1.0f}));

    Sphere big{{0, 0, 0}, 10.0f};
    big.enclose({{1, 1, 1}, 1.0f});  // already inside: unchanged
    EXPECT_EQ(big.radius, 10.0f);
    EXPECT_EQ(big.center, Vec3(0, 0, 0));

    Sphere small{{1, 0, 0}, 0.5f};
    small.enclose({{0, 0, 0}, 5.0f});  // swallowed: becomes the other
    EXPECT_EQ(small.radius, 5.0f);
    EXPECT_EQ(small.center, Vec3(0, 0, 0));

    Sphere point{{0, 0, 0}, 0.0f};
    point.enclose({{0, 3, 4}, 0.0f});
    EXPECT_NEAR(point.radius, 2.5f, 1e-6f);
    EXPECT_TRUE(point.intersects({{0, 1.5f, 2}, 0.0f}));
}

TEST(Sphere, AroundABoxUsesTheCentreAndALittleOverHalfTheDiagonal) {
    const Sphere s = Sphere::aroundBox({{-1, -2, -2}, {1, 2, 2}});
    EXPECT_EQ(s.center, Vec3(0, 0, 0));
    EXPECT_NEAR(s.radius, 6.0f * 0.51f, 1e-6f);
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
    EXPECT_EQ(box.center(), Vec3(-0.5f, 1, 2.25f));
    EXPECT_EQ(box.size(), Vec3(3, 4, 3.5f));
    EXPECT_TRUE(box.contains({0, 0, 1}));
    EXPECT_FALSE(box.contains({0, 0, 4.5f}));
}

}  // namespace
}  // namespace qv3rn
