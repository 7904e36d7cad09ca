// mesh_node_test.cpp -- the "Mesh {", "DeformMesh {" and "Morph {" blocks: lines, errors, vertices and pictures.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "data/script_error.h"
#include "mesh/mesh_shapes.h"
#include "mesh_scene_support.h"
#include "scene/deform_mesh_node.h"
#include "scene/morph_node.h"
#include "shader/render_state.h"
#include "shader/shader_script_loader.h"

namespace qv3rn::test {
namespace {

// An envelope field: the keyword's block around the envelope text, or around a constant.
std::string field(const std::string& keyword, const std::string& envelope) {
    return keyword + " {\n" + envelope + "}\n";
}
std::string field(const std::string& keyword, float value) { return field(keyword, constantEnvelope(value)); }

// A node block named "m"; `front` puts it 10 in front of the camera at the origin, `sliding` moves it from there
// along x from 0 at time 0 to `x1` at time 1.
std::string block(const char* keyword, const std::string& lines) {
    return std::string(keyword) + " {\nName \"m\"\n" + lines + "}\n";
}
const std::string front = keyframerLW({{2, 10.0f}});
std::string sliding(float x1) {
    return "KeyframerLW {\nNumChannels 9\nChannel 0\n" + rampEnvelope(0.0f, x1) + "Channel 2\n" + constantEnvelope(10) +
           "}\n";
}
// The scene: a camera at the origin looking along +Z, then the node block (its lines start on line 7).
std::string scene(const std::string& node) { return "Group {\nCamera {\nActive yes\n}\n" + node + "}\n"; }

// A deformer block whose envelope field declares one key and gives none: the reader stops on line 11.
std::string broken(const std::string& deformer, const std::string& keyword) {
    return deformer + " {\n" + keyword + " {\n{ Envelope\n1\n";
}

const std::string threeTargets = "NumMeshes 3\nMesh \"t0.msh\"\nSrc \"t1.msh\"\nDst \"t2.msh\"\n";
const std::string wave = "Wave {\nAxis 1\nDisplace 4\nAmplitude 1\n" + field("Wavelength", 8) + "}\n";
const std::string twist = "Twist {\nAxis 2\nSize 1 2 1\n" + field("TwistAngle", rampEnvelope(0, 1.5707963f)) + "}\n";
const std::string taper = "Taper1 {\nAxis 4\nMin -2 -2 -2\nMax 2 2 2\n" + field("Factor", 2) + "}\n";

class MeshNodeTest : public MeshSceneTest {
protected:
    void SetUp() override {
        MeshSceneTest::SetUp();
        std::istringstream add("Shader {\nName \"add\"\nBlend {\nEnable yes\nSrc ONE\nDst ONE\n}\nCull {\n}\n}\n");
        ASSERT_TRUE(ShaderScriptLoader(shaders).parse(add));
        addShader("ghost");
        glass = addShader("glass", true);
    }

    // Reads `text` with a fresh set of meshes in the cache (nodes change the meshes they name).
    void readWithMeshes(const std::string& text) {
        root.reset();
        meshes.clear();
        adopt("grid.msh", flatGrid(2, 4.0f));  // vertices at x, y in {-2, 0, 2}: vertex 0 (-2, -2), 8 (2, 2)
        adopt("big.msh", flatGrid(3, 4.0f));
        adopt("empty.msh", std::make_unique<Mesh>());
        adopt("small.msh", flatGrid(1, 0.5f));
        // Morph targets: grids at z 0, 2 and 3 with normals -Z, -Y and +X and reds 10, 20 and 30.
        const float lift[] = {0.0f, 2.0f, 3.0f};
        const Vec3 normals[] = {{0, 0, -1}, {0, -1, 0}, {1, 0, 0}};
        for (int k = 0; k < 3; ++k) {
            auto grid = flatGrid(2, 4.0f);
            for (MeshVertex& v : grid->vertices()) {
                v.position.z = lift[k];
                v.normal = normals[k];
                v.colour[0] = static_cast<std::uint8_t>(10 * (k + 1));
            }
            grid->computeBounds();
            adopt("t" + std::to_string(k) + ".msh", std::move(grid));
        }
        auto halfTransparent = flatGrid(2, 4.0f, glass);
        halfTransparent->setFlags(halfTransparent->flags() | MeshFlags::Colours);
        for (MeshVertex& v : halfTransparent->vertices()) v.colour[3] = 128;
        adopt("glass.msh", std::move(halfTransparent));
        MeshBuilder ball;
        ASSERT_TRUE(buildShape("sphere", ShapeParameters{}, Handle<Shader>(), ball));
        ball.weld();
        adopt("ball.msh", ball.build());
        // A tiny triangle on the right and one vertex alone at x 1.5, which only a particle shows (column 20).
        MeshBuilder dots;
        for (const Vec3& p : {Vec3{-1.5f, 0, 0}, Vec3{-1.5f, 0.05f, 0}, Vec3{-1.45f, 0, 0}, Vec3{1.5f, 0, 0}})
            dots.addVertex(p, {0, 0, -1}, {});
        dots.addTriangle(0, 1, 2, Handle<Shader>());
        adopt("dots.msh", dots.build());
        read(text);
    }

    Shader* glass = nullptr;
};

TEST_F(MeshNodeTest, BlocksReadTheirLinesOrFailWithTheirLine) {
    const struct {
        std::string node;
        std::string expected;  // "type [static] [zoom shader] [deformers] [targets n]", or the error as "line: text"
    } cases[] = {
        {block("Mesh", "Object \"grid.msh\"\n"), "0"},
        {block("Mesh", "Type BUMPMAP_EDGEMESH\nObject \"grid.msh\"\n"), "3"},
        {block("Mesh", "Type STATIC\nObject \"grid.msh\"\n"), "0 static"},
        {block("Mesh", "Object \"grid.msh\"\nType STATIC\n"), "0"},
        {block("Mesh", "Zoom yes\nZoomShader \"ghost\"\nObject \"grid.msh\"\n"), "0 zoom ghost"},
        {block("Mesh", "Object \"missing.msh\"\n"), "7: unable to load meshmissing.msh"},
        {block("Mesh", "ZoomShader \"none\"\n"), "7: unable to find zoom shader: none"},
        {block("Mesh", "GlowShells 100000\n"), "7: glow shell count above 256: GlowShells 100000"},
        {block("Mesh", "GlowSize {\n{ Envelope\n1\nKey\n"), "10: unable to load glow size envelope"},
        {block("DeformMesh", "Type BUMPMAP\nMelt {\n}\nSinWave {\n}\nWave {\n}\nBend {\n}\n"),
         "2 Melt SinWave Wave Bend"},
        {block("DeformMesh", "Taper1 {\n}\nTaper2 {\n}\nTwist {\n}\nTwist {\n}\nZoom yes\n"),
         "0 Taper1 Taper2 Twist Twist"},
        {block("DeformMesh", "Object \"empty.msh\"\n"), "7: deform mesh empty.msh has no vertices"},
        {block("DeformMesh", broken("Bend", "Dir")), "11: unable to load bend direction envelope"},
        {block("Morph", threeTargets + field("MorphAmount", 1)), "0 targets 3"},
        {block("Morph", "NumMeshes 1\nNumMeshes 3\nMesh \"t0.msh\"\nMesh \"t1.msh\"\n" + field("MorphAmount", 1)),
         "0 targets 1"}, {block("Morph", "NumMeshes 2000000000\n" + field("MorphAmount", 1)), "0 targets 0"},
        {block("Morph", "NumMeshes -2\n"), "7: huh - negative amount of meshes i morph"},
        {block("Morph", "NumMeshes 2\nMesh \"nowhere.msh\"\n"), "8: unable to load mesh: nowhere.msh"},
        {block("Morph", "NumMeshes 2\nMesh \"t0.msh\"\nMesh \"big.msh\"\n"),
         "9: morph target big.msh has 16 vertices, t0.msh has 9"},
        {block("Morph", "NumMeshes 2\nMesh \"empty.msh\"\n"), "8: morph target empty.msh is empty"},
        {block("Morph", threeTargets), "11: undefined morph envelope"},
    };
    for (const auto& c : cases) {
        std::string got;
        try {
            readWithMeshes(scene(c.node));
            const auto& m = static_cast<const MeshNode&>(node("m"));
            got = std::to_string(static_cast<int>(m.meshType));
            if (m.mesh() && m.mesh()->has(MeshFlags::VertexBuffer)) got += " static";
            if (m.zoomShader()) got += " zoom " + m.zoomShader()->getName();
            if (const auto* deform = dynamic_cast<const DeformMeshNode*>(&m))
                for (const auto& deformer : deform->deformers())
                    got += std::string(" ") + deformerName(deformer->kind());
            if (const auto* morph = dynamic_cast<const MorphNode*>(&m))
                got += " targets " + std::to_string(morph->targets().size());
            root->update(0.5f);
        } catch (const ScriptError& error) {
            got = std::to_string(error.line()) + ": " + error.what();
        }
        EXPECT_EQ(got.substr(0, c.expected.size()), c.expected) << c.node << "got " << got;
    }
}

TEST_F(MeshNodeTest, VerticesFollowLazyPointsDeformerChainsAndMorphs) {
    // Lazy points: vertex 0 lags 0.71 s behind a node sliding 10 a second (0.28 s with the lag rate 0.1); a
    // turned node hands its turn to the vertices. Deformers run over the undeformed copy; morphs blend the
    // neighbouring targets, beyond the ends the end pairs, and a non-finite amount shows the first target.
    const float s = 0.70710678f;
    const std::string lazy = "LazyPoints yes\nObject \"grid.msh\"\n";
    const std::string grid = "Object \"grid.msh\"\n";
    const auto morph = [](float amount) { return block("Morph", threeTargets + field("MorphAmount", amount)); };
    const struct {
        std::string node;
        float time;
        int vertex;
        Vec3 position, normal;  // a zero normal is not checked
        int red;                // -1: not checked
    } cases[] = {
        {block("Mesh", sliding(10) + lazy), 0.5f, 0, {-2.0f - 5.0f, -2, 0}, {}, -1},
        {block("Mesh", sliding(10) + grid + "LazyPoints yes\nLazyLagRate 0.1\n"), 0.5f, 0,
         {-2.0f + 2.1716f - 5.0f, -2, 0}, {}, -1},
        {block("Mesh", keyframerLW({{2, 10.0f}, {3, 1.5707963f}}) + lazy), 0.5f, 0, {0, -2, 2}, {}, -1},
        {block("DeformMesh", grid + wave), 0.0f, 8, {2, 2, 2}, {s, 0, -s}, -1},
        {block("DeformMesh", grid + twist), 0.5f, 8, {0, 2, 2}, {}, -1},
        {block("DeformMesh", grid + wave + taper), 0.0f, 7, {0, 2.02f, 0}, {}, -1},
        {block("DeformMesh", lazy + wave), 0.0f, 8, {2, 2, 2}, {}, -1},
        {morph(0.5f), 0.0f, 4, {0, 0, 1}, {0, -s, -s}, 10},
        {morph(1.5f), 0.0f, 8, {2, 2, 2.5f}, {s, -s, 0}, 20},                      // 1 and 2 half and half
        {morph(3.5f), 0.0f, 0, {-2, -2, 4.5f}, {0.857493f, 0.514496f, 0}, 20},     // 1 and 2 with f = 2.5
        {morph(-1.0f), 0.0f, 0, {-2, -2, -2}, {0, 0.447214f, -0.894427f}, 10},   // 0 and 1 with f = -1
        {morph(std::numeric_limits<float>::infinity()), 0.0f, 0, {-2, -2, 0}, {0, 0, -1}, 10},  // the first
    };
    for (const auto& c : cases) {
        readWithMeshes(scene(c.node));
        root->update(1.0f);
        root->update(c.time);
        const auto& m = static_cast<const MeshNode&>(node("m"));
        const MeshVertex& v = m.mesh()->vertices()[c.vertex];
        EXPECT_LT((v.position - c.position).length(), 1e-3f) << c.node << v.position.x << " " << v.position.y << " "
                                                             << v.position.z;
        if (c.normal != Vec3{}) {
            EXPECT_LT((v.normal - c.normal).length(), 1e-4f) << c.node;
        }
        if (c.red >= 0) {
            EXPECT_EQ(v.colour[0], c.red) << c.node;
        }
        if (m.lazyPoints()) {
            EXPECT_EQ(m.rotation(), Mat4::identity()) << "the vertices carry the turn";
            if (dynamic_cast<const DeformMeshNode*>(&m)) {
                EXPECT_EQ(m.lazyBase()[c.vertex], v.position);
            }
        }
        if (dynamic_cast<const DeformMeshNode*>(&m)) {
            EXPECT_EQ(m.mesh(), meshes.find("grid.msh")) << "the cached mesh itself is deformed";
            const Sphere& sphere = m.boundingSphere();
            EXPECT_LE((v.position - sphere.center).length(), sphere.radius) << "the sphere holds the deformed shape";
        }
        EXPECT_EQ(meshes.find("t1.msh")->vertices()[0].position.z, 2.0f) << "targets stay as they are";
    }
    // The bounding sphere: around the box (-2, -2, 2) .. (2, 2, 2), 0.51 of its diagonal.
    readWithMeshes(scene(block("Mesh", "Object \"t1.msh\"\n")));
    EXPECT_EQ(node("m").boundingSphere().center, (Vec3{0, 0, 2}));
    EXPECT_NEAR(node("m").boundingSphere().radius, 0.51f * std::sqrt(32.0f), 1e-5f);
}

TEST_F(MeshNodeTest, PicturesShowEachNodeAndItsPasses) {
    ASSERT_TRUE(GL_ARB_point_parameters_Flag || GL_EXT_point_parameters_Flag);
    GLint alphaBits = 0;
    glGetIntegerv(GL_ALPHA_BITS, &alphaBits);
    ASSERT_GT(alphaBits, 0);
    // At distance 10 a unit covers 7.7 pixels, world x left of the centre. Zoom ghosts at x 0, 1, 2 land on
    // columns 32, 24, 17; column 42 lies in the first of two glow shells, drawn at half the intensity.
    const std::string glow = "GlowShader \"add\"\nObject \"ball.msh\"\n";
    const std::string strong = field("GlowIntensity", 1) + field("GlowSize", 1);
    const auto zoom = [](float count, float from) {
        return block("Mesh", sliding(2) + "Zoom yes\n" + field("ZoomCount", count) + field("ZoomTime", from) +
                                  "Object \"small.msh\"\n");
    };
    const auto glass = [](float heading, const std::string& lines) {
        return block("Mesh", keyframerLW({{2, 10.0f}, {3, heading}}) + lines + "Object \"glass.msh\"\n");
    };
    const int white = 0xffffff;
    struct Pixel {
        int x, y, rgb;
    };
    const struct { std::string node; float time; std::vector<Pixel> pixels; } cases[] = {
        {block("Mesh", front + "Object \"grid.msh\"\n"), 0, {{32, 32, white}, {2, 2, 0}}},
        {block("Mesh", front), 0, {{32, 32, 0}}},
        {zoom(2, 0), 1, {{32, 32, white}, {28, 32, 0}, {24, 32, white}, {20, 32, 0}, {17, 32, white}}},
        {zoom(1e30f, 0), 1, {{32, 32, white}, {24, 32, white}, {17, 32, white}}},  // as many ghosts as allowed
        {block("Mesh", front + glow), 0, {{32, 32, white}, {42, 32, 0}}},
        {block("Mesh", front + glow + "GlowShells 2\n" + strong), 0, {{32, 32, white}, {42, 32, 0x808080}}},
        {block("Mesh", front + glow + "GlowShells -3\n" + strong), 0, {{42, 32, 0}}},
        {glass(0, "TwoPassBlending yes\n"), 0, {{32, 32, white}}},
        {glass(3.14159265f, "TwoPassBlending yes\n"), 0, {{32, 32, 0x808080}}},
        {glass(3.14159265f, "TwoPassBlending yes\nSurfaceBlending yes\n"), 0, {{32, 32, white}}},
        {block("Mesh", front + "Particles yes\nParticleSize 4 4\nObject \"dots.msh\"\n"), 0,
         {{20, 32, 0xbfbfbf}, {21, 33, 0xbfbfbf}}},
        {block("Mesh", front + "Particles yes\nParticleSize 1 1\nParticleColor 1 0 0 1\nObject \"dots.msh\"\n"), 0,
         {{20, 32, 0xff0000}, {21, 33, 0}}},
    };
    for (const auto& c : cases) {
        readWithMeshes(scene(c.node));
        glDisable(GL_CULL_FACE);
        render(c.time);
        for (const Pixel& p : c.pixels)
            for (int k = 0; k < 3; ++k)
                EXPECT_NEAR(pixel(p.x, p.y)[k], (p.rgb >> (16 - 8 * k)) & 0xff, 2) << c.node << p.x << "," << p.y;
        // The passes leave the state as they found it.
        EXPECT_FALSE(glIsEnabled(GL_BLEND)) << c.node;
        GLboolean depthWrites = GL_FALSE;
        glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
        EXPECT_TRUE(depthWrites) << c.node;
        for (const RenderStateKind kind : {RenderStateKind::Blend, RenderStateKind::Cull, RenderStateKind::ZBuffer})
            EXPECT_FALSE(RenderStateLocks::isLocked(kind)) << c.node;
    }
}

}  // namespace
}  // namespace qv3rn::test
