// special_nodes_test.cpp -- sparks, lens flares, mirrors and volumizers: blocks, counts and pictures.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <algorithm>
#include <sstream>
#include <string>

#include "data/script_error.h"
#include "gl/default_gl_state.h"
#include "mesh_scene_support.h"
#include "scene/lens_flare_node.h"
#include "scene/mesh_node.h"
#include "scene/mirror_node.h"
#include "scene/sparks_node.h"
#include "scene/volumizer_node.h"

namespace qv3rn::test {
namespace {

class SpecialNodesTest : public MeshSceneTest {};

TEST_F(SpecialNodesTest, SparkEmittersCountMoveAndDropTheirSparks) {
    // Rate 10, life 1, size 0.5, fall 2 from y = 2: at 0.5 s the accumulator goes from 10 to 15; 14 sparks.
    const struct {
        const char* what;
        std::string rates;
        std::vector<float> times;
        std::size_t count;
        float firstY, firstLife, firstSize, accumulator;
    } cases[] = {
        {"first update", "10 1 0.5 2", {0.5f}, 14, 2.0f, 1.0f, 0.5f, 1.0f},
        {"second update", "10 1 0.5 2", {0.5f, 0.75f}, 17, 1.5f, 0.75f, 0.375f, 0.5f},
        // Time standing still or jumping more than a second moves everything by 0.0001 s.
        {"time stands still", "10 1 0.5 2", {0.5f, 0.5f}, 15, 1.9998f, 0.9999f, 0.49995f, 0.001f},
        // A rate beyond reason fills the emitter to its limit in one step, not by counting down.
        {"huge rate", "1e9 1 0.5 2", {0.5f}, SparksNode::maxSparksPerEmitter, 2.0f, 1.0f, 0.5f, 0.0f},
        {"no life", "10 0 0.5 2", {0.5f}, 0, 0, 0, 0, 10.0f},
    };
    for (const auto& c : cases) {
        read("Group {\nGroup {\nName \"src\"\n" + at(0, 2, 0) + "RegisterSparks " + c.rates +
             "\n}\nSparks {\nName \"s\"\n}\n}\n");
        for (float t : c.times) root->update(t);
        const auto& emitters = static_cast<SparksNode&>(node("s")).emitters();
        ASSERT_EQ(emitters.size(), 1u) << c.what;
        const SparkEmitter& e = emitters[0];
        EXPECT_EQ(e.source, &node("src")) << c.what;
        EXPECT_EQ(e.sparks.size(), c.count) << c.what;
        EXPECT_NEAR(e.accumulator, c.accumulator, 1e-3f) << c.what;
        if (e.sparks.empty()) continue;
        EXPECT_NEAR(e.sparks[0].position.y, c.firstY, 1e-4f) << c.what;
        EXPECT_NEAR(e.sparks[0].life, c.firstLife, 1e-4f) << c.what;
        EXPECT_NEAR(e.sparks[0].size, c.firstSize, 1e-4f) << c.what;
    }
}

TEST_F(SpecialNodesTest, BlocksReadTheirLinesOrFailWithTheirLine) {
    const struct { std::string script; std::string expected; } cases[] = {
        {"Group {\nVolumizer {\nDensity {\n}\n}\n}\n",
         "4: unable to load volume density envelop: unable to find expected envelope start token"},
        {"Group {\nLensFlare {\nName \"f\"\nFlare 2 0.5 1.5 1 0.5 0.25 0.8\nFlare 9 1\nFlare\n}\n}\n",
         "flare 2 0.5 1.5 1 0.5 0.25 0.8 / -1 1 0 1 1 1 1 /"},  // a bare "Flare" is no keyword
        {"Group {\nMirror {\nMirrorType MESH\n}\n}\n", "4: mesh mirror has no \"Mesh\" line"},
        {"Group {\nMirror {\nPlane 0 0 0 1\n}\n}\n", "4: mirror plane has no normal"},
        {"Group {\nGroup {\nName \"a\"\nRegisterLensFlare\nRegisterSparks 1 2 3 4\n}\nLensFlare {\nName \"f\"\n}\n}\n",
         "flare sources a"},
    };
    for (const auto& c : cases) {
        std::ostringstream got;
        try {
            read(c.script);
            if (auto* flare = dynamic_cast<LensFlareNode*>(root->findByName("f"))) {
                got << "flare";
                for (const FlareElement& e : flare->elements()) {
                    got << " " << e.image << " " << e.position << " " << e.size;
                    for (float v : e.colour) got << " " << v;
                    got << " /";
                }
                if (!flare->sources().empty()) got << " sources";
                for (const FlareSource& s : flare->sources()) got << " " << s.node->name();
            }
        } catch (const ScriptError& error) {
            got << error.line() << ": " << error.what();
        }
        EXPECT_EQ(got.str(), c.expected) << c.script;
    }
}

TEST_F(SpecialNodesTest, AFlareFadesOutBehindABoxAndInAgain) {
    // The camera at the origin looks along +Z at a source 10 away; a red untextured flare element sits on it.
    adopt("box.msh", boxMesh({2, 2, 2}));
    read("Group {\nCamera {\nActive yes\n}\nGroup {\nName \"sun\"\n" + at(0, 0, 10) +
         "RegisterLensFlare\n}\nMesh {\nName \"box\"\nEnable no\n" + at(0, 0, 5) +
         "Object \"box.msh\"\n}\nLensFlare {\nName \"f\"\nFlare -1 0 0.5 1 0 0 1\n}\n}\n");
    ASSERT_TRUE(GL_ARB_occlusion_query_Flag || GL_HP_occlusion_test_Flag);
    const auto& source = static_cast<LensFlareNode&>(node("f")).sources().at(0);
    applyDefaultGLState();  // depth test on, as the player draws
    float time = 0.0f;
    const auto frames = [&](int count) {
        for (int i = 0; i < count; ++i) {
            render(time += 0.1f);
            glFinish();  // the buffer swap that ends a frame: last frame's query has its answer by the next
        }
    };
    frames(8);
    EXPECT_EQ(source.intensity, 1.0f);
    EXPECT_GT(pixel(32, 32)[0], 200) << "the flare shows while the source is seen";
    node("box").enable();
    frames(2);
    EXPECT_GT(pixel(32, 32)[1], 200) << "the white box covers the source";
    EXPECT_GT(source.intensity, 0.5f) << "it fades, not vanishes";
    frames(6);
    EXPECT_EQ(source.intensity, 0.0f) << "hidden behind the box";
    EXPECT_FALSE(source.visible);
    node("box").disable();
    frames(8);
    EXPECT_EQ(source.intensity, 1.0f) << "seen again";
    // No flare image is registered here: the element was drawn untextured, and the log says why.
    EXPECT_NE(log.text().find("Lens flare image \"sg_lensflare_6\" is not registered"), std::string::npos);
}

TEST_F(SpecialNodesTest, AMirrorReflectsWhatIsAttachedWithinItsRectangleOnly) {
    // The mirror at z = 10 spans columns and rows 17 to 47; a red square behind the camera at z = -5 shows in it
    // 9 pixels either side of the middle; a green square at z = 8 covers its left edge.
    const auto square = [this](const char* name, float side, std::uint8_t r, std::uint8_t g, bool towardsZ) {
        auto grid = flatGrid(1, side, addShader(name));
        if (towardsZ)
            for (MeshTriangle& triangle : grid->triangles()) std::swap(triangle.vertices[1], triangle.vertices[2]);
        grid->computePlanes();
        grid->buildBatches();
        grid->setFlags(grid->flags() | MeshFlags::Colours);
        const std::uint8_t rgba[] = {r, g, 0, 255};
        for (MeshVertex& v : grid->vertices()) std::copy(rgba, rgba + 4, v.colour);
        adopt(name, std::move(grid));
    };
    square("red.msh", 6, 255, 0, true);
    square("green.msh", 3, 0, 255, false);
    const auto scene = [](const std::string& mirror) {
        return "Group {\nCamera {\nActive yes\n}\nMesh {\nName \"red\"\n" + at(0, 0, -5) +
               "Object \"red.msh\"\n}\nMesh {\nName \"green\"\n" + at(2.5f, 0, 8) +
               "Object \"green.msh\"\n}\nMirror {\n" + at(0, 0, 10) + "Plane 0 0 1 0\nPlaneSize 2 2 0\n" + mirror +
               "}\n}\n";
    };
    const auto frame = [&](const std::string& mirror) {
        read(scene(mirror));
        applyDefaultGLState();
        glClearStencil(0);
        glClear(GL_STENCIL_BUFFER_BIT);
        render(0.0f);
        std::vector<std::array<std::uint8_t, 4>> pixels;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) pixels.push_back(pixel(x, y));
        return pixels;
    };
    const auto without = frame("Enable no\n");
    const auto nothing = frame("Attach \"nowhere\"\n");
    const auto with = frame("Attach \"red\"\n");
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    const auto at = [](const std::vector<std::array<std::uint8_t, 4>>& p, int x, int y) { return p[y * width + x]; };
    using Rgba = std::array<std::uint8_t, 4>;
    const Rgba black{0, 0, 0, 0}, red{255, 0, 0, 255}, green{0, 255, 0, 255};
    EXPECT_EQ(at(with, 32, 32), red) << "the reflection in the middle";
    EXPECT_EQ(at(with, 32, 44), black) << "the mirror beyond the reflection's edge";
    EXPECT_EQ(at(with, 10, 32), green) << "the green square beside the mirror";
    EXPECT_EQ(at(with, 20, 32), green) << "the green square in front of the mirror hides it";
    EXPECT_EQ(at(nothing, 32, 32), black) << "a name that names nothing reflects nothing";
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (x < 17 || x > 47 || y < 17 || y > 47) {
                ASSERT_EQ(at(with, x, y), at(without, x, y)) << x << "," << y;
            }
}

TEST_F(SpecialNodesTest, VolumizerLayerCountsStayBounded) {
    const struct { float density; int layers; } counts[] = {
        {0.5f, 0}, {1.0f, 1}, {2.5f, 3}, {1e9f, VolumizerNode::maxLayers}, {NAN, 0}};
    for (const auto& c : counts) EXPECT_EQ(VolumizerNode::layerCount(c.density), c.layers) << c.density;
}

}  // namespace
}  // namespace qv3rn::test
