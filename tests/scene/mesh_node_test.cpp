// mesh_node_test.cpp -- the "Mesh {" block and the mesh node: its lines and errors, the bounding sphere, the
// picture it draws and its optional passes.
#include "scene/mesh_node.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>

#include "data/script_error.h"
#include "mesh/mesh_shapes.h"
#include "mesh_scene_support.h"
#include "shader/shader_script_loader.h"

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

// A keyframer holding the node 10 in front of the camera and moving it along x from 0 at time 0 to `x1` at time 1.
std::string slidingKeyframer(float x1) {
    return "KeyframerLW {\nNumChannels 9\nChannel 0\n" + rampEnvelope(0.0f, x1) + "Channel 2\n" +
           constantEnvelope(10.0f) + "}\n";
}

TEST_F(MeshNodeTest, LazyPointsLagByTheirDistanceAndCatchUp) {
    // The sliding node goes from x 0 to 10 during the first second. The corner (-2, -2, 0) lies 2.83 from the
    // origin: with the lag rate 0.25 it is 0.71 s late, with 0.1 0.28 s; the centre vertex is never late. A
    // turned node hands its turn to the vertices: a quarter heading takes (-2, -2, 0) to (0, -2, 2).
    const std::string sliding = slidingKeyframer(10.0f);
    const std::string turned = keyframerLW({{2, 10.0f}, {3, 1.5707963f}});
    const std::string lazy = "LazyPoints yes\nObject \"grid.msh\"\n";
    const struct {
        const std::string& keyframer;
        std::string lines;
        float time;
        int vertex;
        Vec3 position;  // local: the vertex turned and moved as the node was at the vertex's time, less where it is
    } cases[] = {
        {sliding, lazy, 0.5f, 0, {-2.0f + 0.0f - 5.0f, -2, 0}},
        {sliding, lazy, 0.9f, 0, {-2.0f + 1.9289f - 9.0f, -2, 0}},
        {sliding, lazy, 0.5f, 4, {0, 0, 0}},
        {sliding, lazy, 2.0f, 0, {-2, -2, 0}},
        {sliding, "Object \"grid.msh\"\nLazyPoints yes\nLazyLagRate 0.1\n", 0.5f, 0, {-2.0f + 2.1716f - 5.0f, -2, 0}},
        {sliding, "Object \"grid.msh\"\n", 0.5f, 0, {-2, -2, 0}},
        {turned, lazy, 0.5f, 0, {0, -2, 2}},
    };
    for (const auto& c : cases) {
        adopt("grid.msh", flatGrid(2, 4.0f));
        read("Group {\nMesh {\nName \"m\"\n" + c.keyframer + c.lines + "}\n}\n");
        root->update(c.time);
        const Vec3& p = static_cast<const MeshNode&>(node("m")).mesh()->vertices()[c.vertex].position;
        EXPECT_NEAR(p.x, c.position.x, 1e-3f) << c.lines << " at " << c.time;
        EXPECT_NEAR(p.y, c.position.y, 1e-3f) << c.lines << " at " << c.time;
        EXPECT_NEAR(p.z, c.position.z, 1e-3f) << c.lines << " at " << c.time;
        if (static_cast<const MeshNode&>(node("m")).lazyPoints()) {
            EXPECT_EQ(node("m").rotation(), Mat4::identity()) << "the vertices carry the turn";
        }
        root.reset();
        meshes.clear();
    }
}

TEST_F(MeshNodeTest, ZoomGhostsRepeatTheMeshAlongItsRecentPath) {
    // The node slides from x 0 to 2; at time 1 it is at 2, and n ghosts split the time window [ZoomTime, 1) into
    // n steps. World x shows left of the centre: x 0, 1, 2 land on pixel columns 32, 24 and 17.
    adopt("small.msh", flatGrid(1, 0.5f));
    const int columns[] = {32, 28, 24, 20, 17};
    const struct {
        std::string lines;
        const char* lit;  // per column
    } cases[] = {
        {"Zoom yes\nZoomCount {\n" + constantEnvelope(2) + "}\nZoomTime {\n" + constantEnvelope(0) + "}\n", "x.x.x"},
        {"Zoom yes\nZoomCount {\n" + constantEnvelope(1) + "}\nZoomTime {\n" + constantEnvelope(0) + "}\n", "x...x"},
        {"Zoom yes\nZoomCount {\n" + constantEnvelope(2) + "}\nZoomTime {\n" + constantEnvelope(2) + "}\n", "....x"},
        {"Zoom no\nZoomCount {\n" + constantEnvelope(2) + "}\n", "....x"},
    };
    for (const auto& c : cases) {
        read("Group {\nCamera {\nActive yes\n}\nMesh {\nName \"m\"\n" + slidingKeyframer(2.0f) + c.lines +
             "Object \"small.msh\"\n}\n}\n");
        render(1.0f);
        std::string lit;
        for (const int x : columns) lit += pixel(x, 32)[0] == 255 ? "x" : ".";
        EXPECT_EQ(lit, c.lit) << c.lines;
    }
}

TEST_F(MeshNodeTest, GlowShellsFadeOutwardsAlongTheNormals) {
    // A white unit sphere at distance 10 covers about 7.7 pixels around the centre. Shell i of N lies i/N of the
    // glow size further out in (1 - i/N) of the intensity, added by the glow shader; column 42 is 1.3 units out,
    // inside the first of two shells of size 1 (1.5 units) and outside the sphere.
    std::istringstream script("Shader {\nName \"add\"\nBlend {\nEnable yes\nSrc ONE\nDst ONE\n}\nCull {\n}\n}\n");
    ASSERT_TRUE(ShaderScriptLoader(shaders).parse(script));
    MeshBuilder builder;
    ShapeParameters unit;
    unit.radius = 1.0f;
    ASSERT_TRUE(buildShape("sphere", unit, Handle<Shader>(), builder));
    builder.weld();
    adopt("ball.msh", builder.build());
    const auto envelope = [](const char* field, float value) {
        return std::string(field) + " {\n" + constantEnvelope(value) + "}\n";
    };
    const std::string strong = envelope("GlowIntensity", 1) + envelope("GlowSize", 1);
    const struct {
        std::string lines;
        std::array<int, 3> ring;  // red, green, blue at column 42
    } cases[] = {
        {"", {0, 0, 0}},
        {"GlowShells 2\n" + strong, {128, 128, 128}},
        {"GlowShells 2\n", {13, 13, 13}},  // intensity 0.1 and size 1 without envelopes
        {"GlowShells 2\nGlowColor 0 1 0.5 1\n" + strong, {0, 128, 64}},
        {"GlowShells 4\n" + strong, {191, 191, 191}},  // 0.75 at 0.25 out and 0.5 at 0.5 out reach it
        {"GlowShells 2\n" + envelope("GlowIntensity", 1) + envelope("GlowSize", 0), {0, 0, 0}},
        {"GlowShells 1\n" + strong, {0, 0, 0}},  // its one shell fades to nothing
        {"GlowShells -3\n" + strong, {0, 0, 0}},
    };
    for (const auto& c : cases) {
        read(meshScene("GlowShader \"add\"\n" + c.lines + "Object \"ball.msh\"\n"));
        render(0.0f);
        EXPECT_EQ(pixel(32, 32)[0], 255) << c.lines;
        for (int k = 0; k < 3; ++k) EXPECT_NEAR(pixel(42, 32)[k], c.ring[k], 2) << c.lines;
    }
}

TEST_F(MeshNodeTest, TwoPassBlendingDrawsFarFacesOverThenNearFacesUnder) {
    // A half-transparent white grid through a blended shader, towards the camera or turned away from it. The
    // first pass culls front faces and blends by source alpha; the second culls back faces and weighs the source
    // by 1 - destination alpha (0 on the cleared picture).
    Shader* glass = addShader("glass", true);
    auto grid = flatGrid(2, 4.0f, glass);
    grid->setFlags(grid->flags() | MeshFlags::Colours);
    for (MeshVertex& v : grid->vertices()) v.colour[3] = 128;
    adopt("glass.msh", std::move(grid));
    GLint alphaBits = 0;
    glGetIntegerv(GL_ALPHA_BITS, &alphaBits);
    ASSERT_GT(alphaBits, 0);
    const struct {
        const char* lines;
        float heading;
        int red;
    } cases[] = {
        {"", 0.0f, 255},
        {"TwoPassBlending yes\n", 0.0f, 255},
        {"TwoPassBlending yes\n", 3.14159265f, 128},
        {"TwoPassBlending yes\nSurfaceBlending yes\n", 3.14159265f, 255},
        {"TwoPassBlending no\n", 3.14159265f, 255},
    };
    for (const auto& c : cases) {
        read("Group {\nCamera {\nActive yes\n}\nMesh {\nName \"m\"\n" + keyframerLW({{2, 10.0f}, {3, c.heading}}) +
             c.lines + "Object \"glass.msh\"\n}\n}\n");
        glDisable(GL_CULL_FACE);
        render(0.0f);
        EXPECT_NEAR(pixel(32, 32)[0], c.red, 1) << c.lines << c.heading;
        EXPECT_FALSE(glIsEnabled(GL_BLEND)) << c.lines;
        GLboolean depthWrites = GL_FALSE;
        glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
        EXPECT_TRUE(depthWrites) << c.lines;
        for (const RenderStateKind kind : {RenderStateKind::Blend, RenderStateKind::Cull, RenderStateKind::ZBuffer})
            EXPECT_FALSE(RenderStateLocks::isLocked(kind)) << c.lines;
    }
}

TEST_F(MeshNodeTest, ParticlesAreSizedPointsAtEveryVertex) {
    ASSERT_TRUE(GL_ARB_point_parameters_Flag || GL_EXT_point_parameters_Flag);
    // A tiny triangle on the right and one vertex alone at x 1.5, which only a particle shows (column 20).
    MeshBuilder builder;
    builder.addVertex({-1.5f, 0.0f, 0.0f}, {0, 0, -1}, {});
    builder.addVertex({-1.5f, 0.05f, 0.0f}, {0, 0, -1}, {});
    builder.addVertex({-1.45f, 0.0f, 0.0f}, {0, 0, -1}, {});
    builder.addVertex({1.5f, 0.0f, 0.0f}, {0, 0, -1}, {});
    builder.addTriangle(0, 1, 2, Handle<Shader>());
    adopt("dots.msh", builder.build());
    const struct {
        const char* lines;
        std::array<int, 2> red;  // at the lone vertex, and one pixel beside the 4-pixel point
    } cases[] = {
        {"Particles yes\nParticleSize 4 4\n", {191, 191}},
        {"Particles yes\nParticleSize 4 4\nParticleColor 0 1 0 1\n", {0, 0}},
        {"Particles yes\nParticleSize 1 1\nParticleColor 1 0 0 1\n", {255, 0}},
        {"Particles no\nParticleSize 4 4\n", {0, 0}},
    };
    for (const auto& c : cases) {
        read(meshScene(std::string(c.lines) + "Object \"dots.msh\"\n"));
        render(0.0f);
        EXPECT_NEAR(pixel(20, 32)[0], c.red[0], 2) << c.lines;
        EXPECT_NEAR(pixel(21, 33)[0], c.red[1], 2) << c.lines;
    }
}

}  // namespace
}  // namespace qv3rn::test
