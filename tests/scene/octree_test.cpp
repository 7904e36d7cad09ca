// octree_test.cpp -- Tests of the mesh octree: cells worked out by hand, and bounded builds. The depth and side
// settings, culling and drawing are checked through the octree node's lines and pictures.
#include <gtest/gtest.h>

#include <vector>

#include "mesh/mesh_test_support.h"
#include "scene/octree.h"

namespace qv3rn {
namespace {

using Triangle = std::array<Vec3, 3>;

// One triangle in each octant of the cube from -1 to 1 (octant k: bit 0 +x, bit 1 +y, bit 2 +z), each within
// 0.2 .. 1 of its octant's axes, so that together they span the cube exactly.
std::vector<Triangle> octants() {
    std::vector<Triangle> triangles;
    for (int k = 0; k < 8; ++k) {
        const Vec3 s{k & 1 ? 1.0f : -1.0f, k & 2 ? 1.0f : -1.0f, k & 4 ? 1.0f : -1.0f};
        triangles.push_back({componentProduct(s, {0.2f, 0.2f, 1}), componentProduct(s, {1, 0.2f, 0.2f}),
                             componentProduct(s, {0.2f, 1, 0.2f})});
    }
    return triangles;
}

using OctreeTest = test::MeshFixture<test::GLTest>;

TEST_F(OctreeTest, CellsFollowTheSettingsAndTrianglesCrossingWallsAreInEveryCellTheyTouch) {
    // Crosses x = 0 in the upper y and z octants: in two cells. Lies in the plane y = 0: the upper half only.
    const std::vector<Triangle> eight = octants();
    std::vector<Triangle> extra = eight;
    extra.push_back({Vec3{-0.5f, 0.5f, 0.5f}, Vec3{0.5f, 0.5f, 0.5f}, Vec3{0, 0.6f, 0.6f}});
    extra.push_back({Vec3{0.3f, 0, 0.3f}, Vec3{0.6f, 0, 0.3f}, Vec3{0.3f, 0, 0.6f}});
    // No split sorts 300 copies of one triangle: neither a huge depth nor a tiny side goes on splitting.
    const std::vector<Triangle> copies(300, {Vec3{-1, -1, 0}, Vec3{1, -1, 0}, Vec3{0, 1, 0.5f}});
    const struct {
        OctreeSettings settings;
        const std::vector<Triangle>& mesh;
        int cells, leaves, depth, triangles, duplicates;
    } cases[] = {
        {{1, 0.0f, 8}, eight, 9, 8, 1, 8, 0},  // one triangle per octant: eight leaves below the root
        {{8, 0.0f, 8}, eight, 1, 1, 0, 8, 0},  // room for all eight: the root alone
        {{1, 0.0f, 1}, extra, 9, 8, 1, 10, 1},     // the crossing triangle twice, the flat one once
        // With room for 2 that octant splits again: its own triangle reaches into all 8 children, the
        // crossing one, ending on the wall x = 0.5, into the one lower in x and upper in y and z, the flat one
        // into the 4 lower in y.
        {{2, 0.0f, 2}, extra, 1 + 8 + 8, 7 + 8, 2, 10, 11},
        {{1, 1e-30f, 1000000000}, copies, 1, 1, 0, 300, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.settings.maxTriangles << " " << c.settings.maxDepth << " " << c.cells);
        std::vector<Vec3> corners;
        std::vector<std::array<int, 3>> indices;
        for (const Triangle& t : c.mesh) {
            const int first = static_cast<int>(corners.size());
            corners.insert(corners.end(), t.begin(), t.end());
            indices.push_back({first, first + 1, first + 2});
        }
        Mesh mesh;
        ASSERT_TRUE(test::fillMesh(mesh, corners, indices, addShader("cells")));
        mesh.buildBatches();
        Octree tree;
        std::string error;
        ASSERT_TRUE(tree.build(mesh, c.settings, error)) << error;
        EXPECT_EQ(tree.box().max - tree.box().min, (Vec3{2, 2, 2}));  // a cube around the triangles
        const OctreeStats& stats = tree.stats();
        EXPECT_EQ(stats.cells, c.cells);
        EXPECT_EQ(stats.leaves, c.leaves);
        EXPECT_EQ(stats.depth, c.depth);
        EXPECT_EQ(stats.triangles, c.triangles);
        EXPECT_EQ(stats.duplicates(), c.duplicates);
    }
}

}  // namespace
}  // namespace qv3rn
