// deform_mesh_node_test.cpp -- the "DeformMesh {" block: its chain of deformers run over the undeformed copy of a
// 2 x 2 grid every frame, the normals made again, its lines and errors, and the deformed mesh on the screen.
#include "scene/deform_mesh_node.h"

#include <gtest/gtest.h>

#include <string>

#include "data/script_error.h"
#include "mesh_scene_support.h"

namespace qv3rn::test {
namespace {

using DeformMeshNodeTest = MeshSceneTest;

std::string deformScene(const std::string& lines) {
    return "Group {\nDeformMesh {\nName \"d\"\n" + lines + "}\n}\n";
}
std::string text(const Vec3& v) {
    return " got " + std::to_string(v.x) + " " + std::to_string(v.y) + " " + std::to_string(v.z);
}
std::string envelope(const char* keyword, const std::string& block) { return keyword + (" {\n" + block + "}\n"); }

TEST_F(DeformMeshNodeTest, TheChainRunsOverTheUndeformedCopyWithTheFirstDeformerTwice) {
    // The grid's vertices lie at x, y in {-2, 0, 2}, z 0, facing -Z; vertex 8 is (2, 2, 0), vertex 3 (-2, 0, 0).
    // A wave along x pushing z by sin(pi x / 4) runs twice: z = x, the plane tilts to the normal (1, 0, -1) / sqrt 2.
    // A twist about y by (pi / 4) y / 2 turns (2, 2, 0) a quarter turn in two goes. A taper along z with factor 2
    // doubles x and y where |z| = 2 and scales them by 1.01 where z = 0.
    const float s = 0.70710678f;
    const std::string wave =
        "Wave {\nAxis 1\nDisplace 4\nAmplitude 1\n" + envelope("Wavelength", constantEnvelope(8)) + "}\n";
    const std::string twist =
        "Twist {\nAxis 2\nSize 1 2 1\n" + envelope("TwistAngle", rampEnvelope(0, 1.5707963f)) + "}\n";
    const std::string taper =
        "Taper1 {\nAxis 4\nMin -2 -2 -2\nMax 2 2 2\n" + envelope("Factor", constantEnvelope(2)) + "}\n";
    const struct {
        std::string deformers;
        float time;
        int vertex;
        Vec3 position, normal;
    } cases[] = {
        {"", 0.0f, 8, {2, 2, 0}, {0, 0, -1}},
        {wave, 0.0f, 8, {2, 2, 2}, {s, 0, -s}},
        {wave, 0.0f, 3, {-2, 0, -2}, {s, 0, -s}},
        {twist, 0.5f, 8, {0, 2, 2}, {}},   // after a frame at time 1: the copy, not the mesh, is deformed
        {twist, 0.0f, 8, {2, 2, 0}, {}},
        {wave + taper, 0.0f, 8, {4, 4, 2}, {}},
        {wave + taper, 0.0f, 4, {0, 0, 0}, {}},
        {wave + taper, 0.0f, 7, {0, 2.02f, 0}, {}},
        {"LazyPoints yes\n" + wave, 0.0f, 8, {2, 2, 2}, {}},  // the lazy base takes the deformed positions
    };
    for (const auto& c : cases) {
        adopt("grid.msh", flatGrid(2, 4.0f));
        read(deformScene("Object \"grid.msh\"\n" + c.deformers));
        root->update(1.0f);
        root->update(c.time);
        const auto& deform = static_cast<const DeformMeshNode&>(node("d"));
        const MeshVertex& v = meshes.find("grid.msh")->vertices()[c.vertex];
        ASSERT_EQ(deform.mesh(), meshes.find("grid.msh")) << "the cached mesh itself is deformed";
        EXPECT_LT((v.position - c.position).length(), 1e-4f) << c.deformers << text(v.position);
        if (c.normal != Vec3{}) {
            EXPECT_LT((v.normal - c.normal).length(), 1e-4f) << c.deformers << text(v.normal);
        }
        if (deform.lazyPoints()) {
            EXPECT_EQ(deform.lazyBase()[c.vertex], v.position);
        }
        EXPECT_EQ(deform.undeformed()[c.vertex].position.z, 0.0f);
        root.reset();
        meshes.clear();
    }
}

TEST_F(DeformMeshNodeTest, BlockLinesSetTheNodeOrFailWithTheirLine) {
    adopt("grid.msh", flatGrid(2, 4.0f));
    adopt("empty.msh", std::make_unique<Mesh>());
    const struct {
        std::string lines;
        std::string expected;  // "type deformer kinds", or the error as "line: message"
    } cases[] = {
        {"Type BUMPMAP_EDGEMESH\nObject \"grid.msh\"\n", "0"},
        {"Type BUMPMAP\nMelt {\n}\nSinWave {\nAxis 4\n}\nWave {\n}\nBend {\n}\n", "2 1 2 6 0"},
        {"Taper1 {\n}\nTaper2 {\n}\nTwist {\n}\nTwist {\n}\nZoom yes\n", "0 3 4 5 5"},
        {"Object \"missing.msh\"\n", "4: unable to load mesh: missing.msh"},
        {"Object \"empty.msh\"\n", "4: deform mesh empty.msh has no vertices"},
        {"ZoomShader \"none\"\n", "4: unable to find zoom shader: none"},
        {"Bend {\nBendAngle {\n{ Envelope\n1\nKey\n", "8: unable to load bend angle envelope"},
    };
    for (const auto& c : cases) {
        std::string got;
        try {
            read(deformScene(c.lines));
            const auto& deform = static_cast<const DeformMeshNode&>(node("d"));
            got = std::to_string(static_cast<int>(deform.meshType));
            for (const auto& deformer : deform.deformers())
                got += " " + std::to_string(static_cast<int>(deformer->kind()));
            root->update(0.5f);
        } catch (const ScriptError& error) {
            got = std::to_string(error.line()) + ": " + error.what();
        }
        EXPECT_EQ(got.substr(0, c.expected.size()), c.expected) << c.lines << "\ngot " << got;
    }
}

TEST_F(DeformMeshNodeTest, TheDeformedMeshIsDrawn) {
    // A grid 1 wide, 10 in front of the camera. A wave of zero wavelength and phase pi / 2 shifts every vertex by
    // its amplitude along y, twice a frame: 2 units, 15 pixel rows at 7.7 pixels a unit.
    adopt("tile.msh", flatGrid(1, 1.0f));
    for (const float amplitude : {0.0f, 1.0f}) {
        std::ostringstream wave;
        wave << "Wave {\nAxis 1\nDisplace 2\nAmplitude " << amplitude << "\n"
             << envelope("Phase", constantEnvelope(1.5707963f)) << "}\n";
        read("Group {\nCamera {\nActive yes\n}\nDeformMesh {\n" + keyframerLW({{2, 10.0f}}) +
             "Object \"tile.msh\"\n" + wave.str() + "}\n}\n");
        render(0.0f);
        EXPECT_EQ(pixel(32, 32)[0] == 255, amplitude == 0.0f) << amplitude;
        EXPECT_EQ(pixel(32, 47)[0] == 255, amplitude == 1.0f) << amplitude;
        EXPECT_EQ(pixel(32, 17)[0], 0) << amplitude;
    }
}

}  // namespace
}  // namespace qv3rn::test
