// mesh_node_test.cpp -- the "Mesh {" block and the mesh node: its lines and errors, the bounding sphere, the
// picture it draws and its optional passes.
#include "scene/mesh_node.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "data/script_error.h"
#include "mesh_scene_support.h"

namespace qv3rn::test {
namespace {

using MeshNodeTest = MeshSceneTest;

// A camera at the origin looking along +Z, and a mesh node 10 units in front of it with `lines` in its block.
std::string meshScene(const std::string& lines) {
    return "Group {\nCamera {\nActive yes\n}\nMesh {\nName \"m\"\n" + keyframerLW({{2, 10.0f}}) + lines + "}\n}\n";
}

TEST_F(MeshNodeTest, TypeObjectAndOptionLinesSetTheNodeOrFailWithTheirLine) {
    adopt("grid.msh", flatGrid(2, 4.0f));
    addShader("ghost");
    const struct {
        const char* what;
        std::string lines;
        std::string expected;  // the node as "type static-flag zoom-shader", or the error as "line: message"
    } cases[] = {
        {"plain", "Object \"grid.msh\"\n", "0 0 -"},
        {"kinds, longest first", "Type BUMPMAP_EDGEMESH\nObject \"grid.msh\"\n", "3 0 -"},
        {"edge mesh", "Type EDGEMESH\nObject \"grid.msh\"\n", "1 0 -"},
        {"bump map", "Type BUMPMAP\nObject \"grid.msh\"\n", "2 0 -"},
        {"STATIC puts the mesh in a vertex buffer", "Type STATIC\nObject \"grid.msh\"\n", "0 1 -"},
        {"a STATIC line after the object does not", "Object \"grid.msh\"\nType STATIC\n", "0 0 -"},
        {"only the last Type line counts", "Type STATIC\nType BUMPMAP\nObject \"grid.msh\"\n", "2 0 -"},
        {"zoom lines are not taken by \"Zoom\"", "Zoom yes\nZoomShader \"ghost\"\nObject \"grid.msh\"\n", "0 0 ghost"},
        {"a mesh that loads nothing", "Object \"missing.msh\"\n", "16: unable to load meshmissing.msh"},
        {"an unknown zoom shader", "ZoomShader \"none\"\n", "16: unable to find zoom shader: none"},
        {"a broken glow envelope", "GlowSize {\n{ Envelope\n1\nKey\n",
         "19: unable to load glow size envelope"},
    };
    for (const auto& c : cases) {
        std::string got;
        try {
            read(meshScene(c.lines));
            const auto& m = static_cast<const MeshNode&>(node("m"));
            got = std::to_string(static_cast<int>(m.meshType)) + " " +
                  std::to_string(m.mesh() && m.mesh()->has(MeshFlags::VertexBuffer)) + " " +
                  (m.zoomShader() ? m.zoomShader()->getName() : "-");
            EXPECT_EQ(m.type(), NodeType::Mesh);
        } catch (const ScriptError& error) {
            got = std::to_string(error.line()) + ": " + error.what();
        }
        EXPECT_EQ(got.substr(0, c.expected.size()), c.expected) << c.what << ": " << got;
        meshes.find("grid.msh")->setFlags(MeshFlags::Initial | MeshFlags::TexCoords0);
    }
}

TEST_F(MeshNodeTest, TheBoundingSphereSurroundsTheMeshBox) {
    // A grid 4 wide from (-2, -2, 0) to (2, 2, 0) moved by (1, 0, 0): centre (1, 0, 0), radius 0.51 * sqrt(32).
    auto grid = flatGrid(2, 4.0f);
    for (MeshVertex& v : grid->vertices()) v.position.x += 1.0f;
    grid->computeBounds();
    adopt("shifted.msh", std::move(grid));
    read(meshScene("Object \"shifted.msh\"\n"));
    const Sphere& sphere = node("m").boundingSphere();
    EXPECT_FLOAT_EQ(sphere.center.x, 1.0f);
    EXPECT_FLOAT_EQ(sphere.center.y, 0.0f);
    EXPECT_NEAR(sphere.radius, 0.51f * std::sqrt(32.0f), 1e-5f);
}

TEST_F(MeshNodeTest, TheMeshIsDrawnWhereItsNodeIs) {
    // The grid spans x and y in [-2, 2] at distance 10: about 0.4 of the 45-degree view's half-height, so the
    // centre is covered and the corners of the picture are not.
    adopt("grid.msh", flatGrid(2, 4.0f));
    const struct {
        const char* lines;
        bool centre;
    } cases[] = {{"Object \"grid.msh\"\n", true}, {"", false}, {"Object \"grid.msh\"\nEnable no\n", false}};
    for (const auto& c : cases) {
        read(meshScene(c.lines));
        render(0.0f);
        EXPECT_EQ(pixel(32, 32)[0] == 255, c.centre) << c.lines;
        EXPECT_EQ(pixel(2, 2)[0], 0) << c.lines;
    }
}

}  // namespace
}  // namespace qv3rn::test
