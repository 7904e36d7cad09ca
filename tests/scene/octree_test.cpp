// octree_test.cpp -- Tests of the mesh octree: cells worked out by hand for chosen settings, bounded builds,
// culling against camera frusta, and pictures read back equal to the whole mesh's.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "mesh/mesh_builder.h"
#include "mesh/mesh_shapes.h"
#include "mesh/mesh_test_support.h"
#include "scene/octree.h"

namespace qv3rn {
namespace {

// One triangle in each octant of the cube from -1 to 1 (octant k: bit 0 +x, bit 1 +y, bit 2 +z), each within
// 0.2 .. 1 of its octant's axes, so that together they span the cube exactly.
std::vector<Vec3> octantCorners() {
    std::vector<Vec3> corners;
    for (int k = 0; k < 8; ++k) {
        const Vec3 s{k & 1 ? 1.0f : -1.0f, k & 2 ? 1.0f : -1.0f, k & 4 ? 1.0f : -1.0f};
        for (const Vec3& p : {Vec3{0.2f, 0.2f, 1}, Vec3{1, 0.2f, 0.2f}, Vec3{0.2f, 1, 0.2f}})
            corners.push_back(componentProduct(s, p));
    }
    return corners;
}

std::vector<std::array<int, 3>> octantTriangles() {
    std::vector<std::array<int, 3>> triangles;
    for (int k = 0; k < 8; ++k) triangles.push_back({3 * k, 3 * k + 1, 3 * k + 2});
    return triangles;
}

class OctreeTest : public test::MeshFixture<test::GLTest> {
protected:
    // The octant triangles, then those of `extra` (corners given directly), all in one batch.
    void fill(Mesh& mesh, const std::vector<std::array<Vec3, 3>>& extra = {}) {
        std::vector<Vec3> corners = octantCorners();
        std::vector<std::array<int, 3>> triangles = octantTriangles();
        for (const auto& triangle : extra) {
            const int first = static_cast<int>(corners.size());
            corners.insert(corners.end(), triangle.begin(), triangle.end());
            triangles.push_back({first, first + 1, first + 2});
        }
        ASSERT_TRUE(test::fillMesh(mesh, corners, triangles, addShader("octants")));
        mesh.buildBatches();
    }

    // A torus knot of 4,096 triangles whose triangles alternate between an opaque and a blended shader, with
    // vertex colours of 40 so that additive drawing counts how often a pixel was covered.
    std::unique_ptr<Mesh> knot() {
        MeshBuilder builder;
        ShapeParameters shape;
        shape.segments = 128;
        buildShape("torusknot", shape, Handle<Shader>(addShader("odd")), builder);
        for (auto& vertex : builder.vertices()) vertex.colour = {40, 40, 40, 255};
        auto mesh = builder.build(true);
        Shader* even = addShader("even", true);
        for (std::size_t t = 0; t < mesh->triangles().size(); t += 2) mesh->triangles()[t].shader = Handle<Shader>(even);
        mesh->buildBatches();
        return mesh;
    }

    std::vector<std::uint8_t> frame() const {
        std::vector<std::uint8_t> pixels(width * height * 4);
        glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        return pixels;
    }
};

TEST_F(OctreeTest, CellsFollowTheSettingsAndTrianglesCrossingWallsAreInEveryCellTheyTouch) {
    // Crosses x = 0 in the upper y and z octants: in two cells. Lies in the plane y = 0: the upper half only.
    const std::array<Vec3, 3> crossing = {Vec3{-0.5f, 0.5f, 0.5f}, Vec3{0.5f, 0.5f, 0.5f}, Vec3{0, 0.6f, 0.6f}};
    const std::array<Vec3, 3> flat = {Vec3{0.3f, 0, 0.3f}, Vec3{0.6f, 0, 0.3f}, Vec3{0.3f, 0, 0.6f}};
    const struct {
        OctreeSettings settings;
        bool extra;
        int cells, leaves, depth, triangles, duplicates;
    } cases[] = {
        {{1, 0.0f, 8}, false, 9, 8, 1, 8, 0},    // one triangle per octant: eight leaves below the root
        {{8, 0.0f, 8}, false, 1, 1, 0, 8, 0},    // room for all eight: the root alone
        {{1, 0.0f, 0}, false, 1, 1, 0, 8, 0},    // no depth below the root
        {{1, 1.0f, 8}, false, 9, 8, 1, 8, 0},    // children of side 1 are allowed
        {{1, 1.5f, 8}, false, 1, 1, 0, 8, 0},    // children of side 1 would be too small
        {{1, 0.0f, 1}, true, 9, 8, 1, 10, 1},    // the crossing triangle twice, the flat one once
        {{3, 0.0f, 8}, true, 9, 8, 1, 10, 1},    // the +x+y+z octant holds 3 entries, room enough
        // With room for 2 that octant splits again: its own triangle reaches into all 8 children, the
        // crossing one, ending on the wall x = 0.5, into the one lower in x and upper in y and z, the flat one
        // into the 4 lower in y.
        {{2, 0.0f, 2}, true, 1 + 8 + 8, 7 + 8, 2, 10, 11},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.settings.maxTriangles << " " << c.settings.boxSide << " "
                                        << c.settings.maxDepth << (c.extra ? " with extra" : ""));
        Mesh mesh;
        fill(mesh, c.extra ? std::vector<std::array<Vec3, 3>>{crossing, flat} : std::vector<std::array<Vec3, 3>>{});
        Octree tree;
        std::string error;
        ASSERT_TRUE(tree.build(mesh, c.settings, error)) << error;
        EXPECT_EQ(tree.box().min, (Vec3{-1, -1, -1}));
        EXPECT_EQ(tree.box().max, (Vec3{1, 1, 1}));
        const OctreeStats& stats = tree.stats();
        EXPECT_EQ(stats.cells, c.cells);
        EXPECT_EQ(stats.leaves, c.leaves);
        EXPECT_EQ(stats.depth, c.depth);
        EXPECT_EQ(stats.triangles, c.triangles);
        EXPECT_EQ(stats.duplicates(), c.duplicates);
    }
}

TEST_F(OctreeTest, BadSettingsAndEmptyMeshesBuildNothingAndExtremeSettingsStayBounded) {
    Mesh octants;
    fill(octants);
    const struct {
        OctreeSettings settings;
        const char* error;
    } refused[] = {
        {{0, 0.0f, 8}, "the most triangles per cell must be at least 1"},
        {{-5, 0.0f, 8}, "the most triangles per cell must be at least 1"},
        {{1, 0.0f, -1}, "the depth must not be negative"},
        {{1, -0.5f, 8}, "the cell side must be a number of at least 0"},
        {{1, NAN, 8}, "the cell side must be a number of at least 0"},
    };
    for (const auto& c : refused) {
        Octree tree;
        std::string error;
        EXPECT_FALSE(tree.build(octants, c.settings, error));
        EXPECT_EQ(error, c.error);
        EXPECT_TRUE(tree.empty());
        EXPECT_EQ(tree.cull(Frustum()), 0);
    }
    Mesh empty;
    Octree tree;
    std::string error;
    EXPECT_FALSE(tree.build(empty, {}, error));
    EXPECT_EQ(error, "the mesh has no triangles to sort");

    // A sphere's poles gather many thin triangles at one point, and 300 copies of one triangle cannot be
    // sorted at all: neither a huge depth nor a tiny side goes past the limits.
    MeshBuilder builder;
    buildShape("sphere", {}, Handle<Shader>(addShader("s")), builder);
    auto sphere = builder.build();
    Mesh same;
    std::vector<std::array<int, 3>> copies(300, {0, 1, 2});
    ASSERT_TRUE(test::fillMesh(same, {{-1, -1, 0}, {1, -1, 0}, {0, 1, 0.5f}}, copies));
    same.buildBatches();
    for (Mesh* mesh : {sphere.get(), &same}) {
        ASSERT_TRUE(tree.build(*mesh, {1, 1e-30f, 1000000000}, error)) << error;
        EXPECT_LE(tree.stats().depth, Octree::depthLimit);
        EXPECT_LE(tree.stats().references, Octree::referenceBudget * mesh->triangleCount());
        EXPECT_EQ(tree.stats().triangles, mesh->triangleCount());
    }
    EXPECT_EQ(tree.stats().cells, 1);  // the copies stay in the root
}

TEST_F(OctreeTest, CullingGathersTheTrianglesOfVisibleCellsOnceInMeshOrder) {
    // Triangle 8 crosses into octants 6 and 7; triangles 9 to 40 are small ones in octant 0, so that a view
    // may see few or many of the triangles.
    std::vector<std::array<Vec3, 3>> extra = {{Vec3{-0.5f, 0.5f, 0.5f}, Vec3{0.5f, 0.5f, 0.5f}, Vec3{0, 0.6f, 0.6f}}};
    extra.insert(extra.end(), 32, {Vec3{-0.9f, -0.9f, -0.9f}, Vec3{-0.8f, -0.9f, -0.9f}, Vec3{-0.9f, -0.8f, -0.9f}});
    Mesh mesh;
    fill(mesh, extra);
    Octree tree;
    std::string error;
    ASSERT_TRUE(tree.build(mesh, {1, 0.0f, 1}, error)) << error;
    std::vector<int> all(41), octantsZeroAndOne = {0, 1};
    for (int t = 0; t < 41; ++t) all[static_cast<std::size_t>(t)] = t;
    for (int t = 9; t < 41; ++t) octantsZeroAndOne.push_back(t);
    const Mat4 wide = Mat4::perspective(60, 1, 1, 100), narrow = Mat4::perspective(2.0f, 1.0f, 1.0f, 100.0f);
    const struct {
        const char* view;
        Frustum frustum;
        int leaves;
        std::vector<int> triangles;
    } cases[] = {
        {"everything from afar", Frustum(wide, Mat4::lookAt({0, 0, 10}, {}, {0, 1, 0})), 8, all},
        {"looking away", Frustum(wide, Mat4::lookAt({0, 0, 10}, {0, 0, 20}, {0, 1, 0})), 0, {}},
        {"down x = y = 0.5", Frustum(narrow, Mat4::lookAt({0.5f, 0.5f, 10}, {0.5f, 0.5f, 0}, {0, 1, 0})), 2, {3, 7, 8}},
        {"down x = -0.5, y = 0.5", Frustum(narrow, Mat4::lookAt({-0.5f, 0.5f, 10}, {-0.5f, 0.5f, 0}, {0, 1, 0})), 2,
         {2, 6, 8}},
        {"from +x along y = z = -0.5", Frustum(narrow, Mat4::lookAt({10, -0.5f, -0.5f}, {0, -0.5f, -0.5f}, {0, 1, 0})),
         2, octantsZeroAndOne},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.view);
        EXPECT_EQ(tree.cull(c.frustum), c.leaves);
        std::vector<std::uint32_t> expected;
        for (int t : c.triangles)
            for (int corner : mesh.triangles()[static_cast<std::size_t>(t)].vertices)
                expected.push_back(static_cast<std::uint32_t>(corner));
        EXPECT_EQ(tree.culledIndices(0), expected);
        EXPECT_EQ(tree.visibleTriangles(), static_cast<int>(c.triangles.size()));
    }
}

TEST_F(OctreeTest, ThePictureEqualsTheWholeMeshWhileCellsOutsideTheViewAreSkipped) {
    const auto mesh = knot();
    Octree tree;
    std::string error;
    ASSERT_TRUE(tree.build(*mesh, {64, 0.0f, 6}, error)) << error;
    ASSERT_GT(tree.stats().leaves, 8);
    const struct {
        const char* view;
        Vec3 eye, target;
        float fov;
        bool additive;  // without depth test: a triangle drawn twice or missed shows
        bool allLeaves;
    } cases[] = {
        {"whole, depth tested", {0, 0, 4.5f}, {0, 0, 0}, 60, false, true},
        {"close up, depth tested", {1, 0.5f, 1.5f}, {1, 0, 0}, 30, false, false},
        {"close up, additive", {1, 0.5f, 1.5f}, {1, 0, 0}, 30, true, false},
        {"edge on, additive", {0, 4, 0.2f}, {0.8f, 0, 0}, 20, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.view);
        glMatrixMode(GL_PROJECTION);
        glLoadMatrixf(Mat4::perspective(c.fov, 1.0f, 0.1f, 50.0f).data());
        glMatrixMode(GL_MODELVIEW);
        glLoadMatrixf(Mat4::lookAt(c.eye, c.target, {0, 1, 0}).data());
        if (c.additive) {
            glDisable(GL_DEPTH_TEST);
            glEnable(GL_BLEND);
            glBlendFunc(GL_ONE, GL_ONE);
        } else {
            glEnable(GL_DEPTH_TEST);
            glDepthFunc(GL_LESS);
            glDisable(GL_BLEND);
        }
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        mesh->enableArrays();
        mesh->drawAll(true);
        mesh->disableArrays();
        const auto whole = frame();
        ASSERT_GT(std::count_if(whole.begin(), whole.end(), [](std::uint8_t v) { return v != 0; }), 1000);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        tree.drawCurrentView(true);
        EXPECT_EQ(frame(), whole);
        EXPECT_GT(tree.visibleLeaves(), 0);
        EXPECT_EQ(tree.visibleLeaves() == tree.stats().leaves, c.allLeaves) << tree.visibleLeaves();
    }
}

}  // namespace
}  // namespace qv3rn
