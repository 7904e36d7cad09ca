// octree_node_test.cpp -- the "Octree {" block: lines, errors, and pictures equal to the mesh node's.
#include "scene/octree_node.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "data/script_error.h"
#include "mesh/mesh_shapes.h"
#include "mesh_scene_support.h"

namespace qv3rn::test {
namespace {

using OctreeNodeTest = MeshSceneTest;

// A camera at the origin looking along +Z, and a `block` node named "o" placed by `keyframer`, with `lines`.
std::string nodeScene(const char* block, const std::string& keyframer, const std::string& lines) {
    return "Group {\nCamera {\nActive yes\n}\n" + std::string(block) + " {\nName \"o\"\n" + keyframer + lines +
           "}\n}\n";
}

TEST_F(OctreeNodeTest, LinesShapeTheOctreeOrFailWithTheirLine) {
    // 32 triangles at z = 0 spanning x and y in [-2, 2]: the root cube has side 4, each quarter of the grid holds
    // 8 triangles, each 1 x 1 cell 2. The cube's diagonal is sqrt(48), the sphere 0.51 of it.
    adopt("grid.msh", flatGrid(4, 4.0f));
    const std::string object = "Object \"grid.msh\"\n";
    const struct {
        std::string lines;
        std::string expected;  // "leaves depth type radius lit-centre", or the error as "line: message"
    } cases[] = {
        {"MaxTris 2\n" + object, "16 2 0 3.533 1"}, {"MaxTris 2\nBoxSide 1.5\n" + object, "4 1 0 3.533 1"},
        {object + "MaxTris 2\n", "1 0 0 3.533 1"},  // the values count only before the mesh
        {"Type BUMPMAP\nMaxTris 40\n" + object, "1 0 2 3.533 1"},
        // Settings the octree refuses leave the node empty; extreme ones stay within the octree's limits.
        {"MaxTris 0\n" + object, "0 0 0 0.000 0"},
        {"MaxTris 1\nBoxSide 0.0000001\nMaxDepth 2000000000\n" + object, "16"},
        {"Object \"missing.msh\"\n", "16: unable to load octree mesh: missing.msh"},
    };
    for (const auto& c : cases) {
        std::string got;
        try {
            read(nodeScene("Octree", keyframerLW({{2, 10.0f}}), c.lines));
            const auto& o = static_cast<const OctreeNode&>(node("o"));
            EXPECT_LE(o.octree().stats().depth, Octree::depthLimit);
            glEnable(GL_DEPTH_TEST);
            render(0.0f);
            char text[64];
            std::snprintf(text, sizeof text, "%d %d %d %.3f %d", o.octree().stats().leaves, o.octree().stats().depth,
                          static_cast<int>(o.meshType), o.boundingSphere().radius, pixel(32, 32)[0] == 255);
            got = text;
        } catch (const ScriptError& error) {
            got = std::to_string(error.line()) + ": " + error.what();
        }
        EXPECT_EQ(got.substr(0, c.expected.size()), c.expected) << c.lines << "\n" << got;
    }
}

TEST_F(OctreeNodeTest, ThePictureEqualsTheMeshNodesWhileCellsOutOfViewAreSkipped) {
    // A knot of 4,096 triangles coloured by its normals, so that a wrong triangle in front shows, and dim, so
    // that added up without depth test a triangle drawn twice or missed shows; the node is moved and turned, so
    // that a frustum taken in the wrong space would drop cells that are seen.
    MeshBuilder builder;
    ShapeParameters shape;
    shape.segments = 128;
    buildShape("torusknot", shape, Handle<Shader>(addShader("knot")), builder);
    for (auto& v : builder.vertices())
        v.colour = {static_cast<std::uint8_t>(20 + 19 * v.normal.x), static_cast<std::uint8_t>(20 + 19 * v.normal.y),
                    static_cast<std::uint8_t>(20 + 19 * v.normal.z), 255};
    adopt("knot.msh", builder.build(true));
    const struct {
        const char* view;
        std::map<int, float> placement;  // keyframer channels: 0-2 position, 3 heading
        bool additive, allLeaves;
    } cases[] = {
        {"whole", {{2, 8.0f}}, false, true}, {"close up, added up", {{0, 1.2f}, {2, 2.5f}}, true, false},
        {"turned and off to the side, added up", {{0, -2.0f}, {1, 0.8f}, {2, 4.0f}, {3, 0.9f}}, true, false},
    };
    glBlendFunc(GL_ONE, GL_ONE);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.view);
        (c.additive ? glDisable : glEnable)(GL_DEPTH_TEST);
        (c.additive ? glEnable : glDisable)(GL_BLEND);
        const std::string keyframer = keyframerLW(c.placement);
        read(nodeScene("Mesh", keyframer, "Object \"knot.msh\"\n"));
        render(0.0f);
        std::vector<std::uint8_t> whole(width * height * 4), culled(whole.size());
        glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, whole.data());
        ASSERT_GT(std::count_if(whole.begin(), whole.end(), [](std::uint8_t v) { return v > 60; }), 100);
        read(nodeScene("Octree", keyframer, "MaxTris 32\nObject \"knot.msh\"\n"));
        render(0.0f);
        glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, culled.data());
        EXPECT_EQ(culled, whole);
        const Octree& tree = static_cast<const OctreeNode&>(node("o")).octree();
        EXPECT_GT(tree.visibleLeaves(), 0);
        EXPECT_EQ(tree.visibleLeaves() == tree.stats().leaves, c.allLeaves)
            << tree.visibleLeaves() << " of " << tree.stats().leaves;
    }
}

}  // namespace
}  // namespace qv3rn::test
