// morph_node_test.cpp -- the "Morph {" block: its targets and their checks, the blend between neighbouring
// targets and beyond the ends, and the morphed mesh on the screen.
#include "scene/morph_node.h"

#include <gtest/gtest.h>

#include <string>

#include "data/script_error.h"
#include "mesh_scene_support.h"

namespace qv3rn::test {
namespace {

// Three 2 x 2 grids lifted to z 0, 2 and 3, with normals along -Z, -Y and +X and reds 10, 20 and 30.
class MorphNodeTest : public MeshSceneTest {
protected:
    void addTargets() {
        const float lift[] = {0.0f, 2.0f, 3.0f};
        const Vec3 normal[] = {{0, 0, -1}, {0, -1, 0}, {1, 0, 0}};
        for (int k = 0; k < 3; ++k) {
            auto grid = flatGrid(2, 4.0f);
            for (MeshVertex& v : grid->vertices()) {
                v.position.z = lift[k];
                v.normal = normal[k];
                v.colour[0] = static_cast<std::uint8_t>(10 * (k + 1));
            }
            grid->computeBounds();
            adopt("t" + std::to_string(k) + ".msh", std::move(grid));
        }
    }
};

std::string morphScene(const std::string& lines) {
    return "Group {\nMorph {\nName \"m\"\n" + lines + "}\n}\n";
}
std::string amount(float value) { return "MorphAmount {\n" + constantEnvelope(value) + "}\n"; }
const std::string threeTargets = "NumMeshes 3\nMesh \"t0.msh\"\nSrc \"t1.msh\"\nDst \"t2.msh\"\n";

TEST_F(MorphNodeTest, TheAmountBlendsTwoNeighbouringTargetsAndExtrapolatesBeyondTheEnds) {
    addTargets();
    const float s = 0.70710678f;
    const struct {
        float amount;
        float z;
        Vec3 normal;
        int red;
    } cases[] = {
        {0.0f, 0.0f, {0, 0, -1}, 10},
        {0.5f, 1.0f, {0, -s, -s}, 10},
        {1.5f, 2.5f, {s, -s, 0}, 20},    // targets 1 and 2 half and half
        {2.0f, 3.0f, {1, 0, 0}, 20},     // the last pair at its end
        {3.5f, 4.5f, {0.857493f, 0.514496f, 0}, 20},  // 1 and 2 with f = 2.5: normal (2.5, 1.5, 0) normalised
        {-1.0f, -2.0f, {0, 0.447214f, -0.894427f}, 10},  // 0 and 1 with f = -1: normal (0, 1, -2) normalised
    };
    for (const auto& c : cases) {
        read(morphScene(threeTargets + amount(c.amount)));
        root->update(0.0f);
        const auto& morph = static_cast<const MorphNode&>(node("m"));
        ASSERT_EQ(morph.targets().size(), 3u);
        const Mesh& mesh = *morph.mesh();
        EXPECT_NE(&mesh, morph.targets()[0]) << "the node draws a working copy";
        for (const int k : {0, 4, 8}) {
            const MeshVertex& v = mesh.vertices()[k];
            EXPECT_NEAR(v.position.z, c.z, 1e-5f) << c.amount;
            EXPECT_NEAR(v.normal.x, c.normal.x, 1e-5f) << c.amount;
            EXPECT_NEAR(v.normal.y, c.normal.y, 1e-5f) << c.amount;
            EXPECT_NEAR(v.normal.z, c.normal.z, 1e-5f) << c.amount;
            EXPECT_EQ(v.colour[0], c.red) << c.amount;
        }
        EXPECT_FLOAT_EQ(mesh.vertices()[8].position.x, 2.0f);
        EXPECT_FLOAT_EQ(meshes.find("t1.msh")->vertices()[0].position.z, 2.0f) << "the targets stay as they are";
    }
}

TEST_F(MorphNodeTest, TargetLinesAreCheckedAndCountedOrFailWithTheirLine) {
    addTargets();
    adopt("big.msh", flatGrid(3, 4.0f));
    auto empty = std::make_unique<Mesh>();
    adopt("empty.msh", std::move(empty));
    const struct {
        const char* what;
        std::string lines;
        std::string expected;  // the number of targets, or the error as "line: message"
    } cases[] = {
        {"three targets", threeTargets + amount(1), "3"},
        {"the list is sized once", "NumMeshes 1\nNumMeshes 3\nMesh \"t0.msh\"\nMesh \"t1.msh\"\n" + amount(1), "1"},
        {"no size, no room", "Mesh \"t0.msh\"\n" + amount(1), "0"},
        {"a negative size", "NumMeshes -2\n", "4: huh - negative amount of meshes i morph"},
        {"a mesh that loads nothing", "NumMeshes 2\nMesh \"nowhere.msh\"\n", "5: unable to load mesh: nowhere.msh"},
        {"a target of another size", "NumMeshes 2\nMesh \"t0.msh\"\nMesh \"big.msh\"\n",
         "6: morph target big.msh has 16 vertices, t0.msh has 9"},
        {"an empty target", "NumMeshes 2\nMesh \"empty.msh\"\n", "5: morph target empty.msh is empty"},
        {"a broken amount", "MorphAmount {\n{ Envelope\n1\nKey\n", "7: unable to load morph amount envelope"},
        {"no amount", threeTargets, "8: undefined morph envelope"},
    };
    for (const auto& c : cases) {
        std::string got;
        try {
            read(morphScene(c.lines));
            got = std::to_string(static_cast<const MorphNode&>(node("m")).targets().size());
        } catch (const ScriptError& error) {
            got = std::to_string(error.line()) + ": " + error.what();
        }
        EXPECT_EQ(got.substr(0, c.expected.size()), c.expected) << c.what << ": " << got;
    }
}

TEST_F(MorphNodeTest, TheMorphedMeshIsDrawn) {
    // Two grids 10 in front of the camera: one 1 wide, one 4 wide. Halfway, the grid is 2.5 wide: it covers
    // column 22 (1.3 units from the centre) and not column 18 (1.8 units), which the wide one does.
    const float sides[] = {1.0f, 4.0f};
    for (int k = 0; k < 2; ++k) {
        auto grid = flatGrid(1, sides[k]);
        for (MeshVertex& v : grid->vertices()) v.position.z = 10.0f;
        grid->computeBounds();
        adopt("g" + std::to_string(k) + ".msh", std::move(grid));
    }
    const struct {
        float amount;
        bool column22, column18;
    } cases[] = {{0.0f, false, false}, {0.5f, true, false}, {1.0f, true, true}};
    for (const auto& c : cases) {
        read("Group {\nCamera {\nActive yes\n}\nMorph {\nNumMeshes 2\nMesh \"g0.msh\"\nMesh \"g1.msh\"\n" +
             amount(c.amount) + "}\n}\n");
        render(0.0f);
        EXPECT_EQ(pixel(32, 32)[0], 255) << c.amount;
        EXPECT_EQ(pixel(22, 32)[0] == 255, c.column22) << c.amount;
        EXPECT_EQ(pixel(18, 32)[0] == 255, c.column18) << c.amount;
    }
}

}  // namespace
}  // namespace qv3rn::test
