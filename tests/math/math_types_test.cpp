// Tests of the view frustum, bounding spheres and bounding boxes.
#include <gtest/gtest.h>

#include <cmath>

#include "math/bounding_box.h"
#include "math/frustum.h"
#include "math/sphere.h"

namespace qv3rn {
namespace {

TEST(Frustum, PointsAndSpheresAgainstEachPlaneWithEuclideanDistances) {
    // A 90-degree square frustum looking down -z from the origin, near 1, far 100.
    const Frustum f(Mat4::perspective(90.0f, 1.0f, 1.0f, 100.0f), Mat4::identity());
    const struct {
        Vec3 centre;
        float radius;
        bool inside;
    } cases[] = {
        {{0, 0, -10}, 0, true},       {{9.9f, -9.9f, -10}, 0, true}, {{10.1f, 0, -10}, 0, false},   // right
        {{-10.1f, 0, -10}, 0, false}, {{0, 10.1f, -10}, 0, false},   {{0, -10.1f, -10}, 0, false},  // left, top, bottom
        {{0, 0, -0.5f}, 0, false},    {{0, 0, 10}, 0, false},        {{0, 0, -101}, 0, false},      // near, behind, far
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
    EXPECT_NEAR(f.signedDistance(Frustum::Far, {0, 0, -90}), 10.0f, 1e-3f);
    EXPECT_NEAR(f.signedDistance(Frustum::Right, {12, 0, -10}), -std::sqrt(2.0f), 1e-5f);  // the plane x = -z
    for (int i = 0; i < Frustum::PlaneCount; ++i)
        EXPECT_NEAR(f.plane(static_cast<Frustum::Plane>(i)).xyz().length(), 1.0f, 1e-6f);
    EXPECT_TRUE(Frustum().contains({1e6f, -1e6f, 3}));  // without planes everything passes
}

TEST(Frustum, FollowsTheModelviewOfACamera) {
    // A camera at (100, 0, 0) looking along +x sees what lies on +x of it.
    const Frustum f(Mat4::perspective(60.0f, 1.0f, 1.0f, 50.0f), Mat4::lookAt({100, 0, 0}, {101, 0, 0}, {0, 1, 0}));
    EXPECT_TRUE(f.contains({120, 0, 0}));
    EXPECT_FALSE(f.contains({80, 0, 0}));
    EXPECT_TRUE(f.intersects({{151, 0, 0}, 2.0f}));
    EXPECT_FALSE(f.intersects({{153, 0, 0}, 2.0f}));
}

TEST(Sphere, EnclosingGrowsToTheSmallestSphereAroundBoth) {
    const struct {
        Sphere first, second, expected;
    } cases[] = {
        {{{0, 0, 0}, 1}, {{4, 0, 0}, 1}, {{2, 0, 0}, 3}},
        {{{0, 0, 0}, 10}, {{1, 1, 1}, 1}, {{0, 0, 0}, 10}},   // already inside: unchanged
        {{{1, 0, 0}, 0.5f}, {{0, 0, 0}, 5}, {{0, 0, 0}, 5}},  // swallowed: becomes the other
        {{{0, 0, 0}, 0}, {{0, 3, 4}, 0}, {{0, 1.5f, 2}, 2.5f}},
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
    EXPECT_EQ(box.center(), Vec3(-0.5f, 1, 2.25f));
    EXPECT_EQ(box.size(), Vec3(3, 4, 3.5f));
    EXPECT_TRUE(box.contains({0, 0, 1}));
    EXPECT_FALSE(box.contains({0, 0, 4.5f}));
}

}  // namespace
}  // namespace qv3rn
