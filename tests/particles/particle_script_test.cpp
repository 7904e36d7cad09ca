// particle_script_test.cpp -- the particle-system block, its errors and empty systems; the renderers' pixels.
#include <gtest/gtest.h>

#include <sstream>
#include <utility>
#include <vector>

#include "data/script_error.h"
#include "mesh/mesh_builder.h"
#include "mesh/mesh_shapes.h"
#include "particles/particle_script.h"
#include "support/captured_log.h"
#include "support/gl_test_context.h"

namespace qv3rn {
namespace {

std::unique_ptr<ParticleSystem> parse(const std::string& text) {
    std::istringstream stream(text);
    return parseParticleSystem(stream, "test.psys");
}

TEST(ParticleScript, SettingsAreReadInKeywordOrder) {
    const auto system = parse("ParticleSystem {\n Name \"drift\"\n Max 3\n SpawnRate 7\n"
        " Generator {\n  Flags Respawn\n  Type \"Sphere\"\n  Flags Respawn\n  MassVariance 3\n  ParticleSize 2\n"
        "  SpeedFactor 4\n  Speed 5\n }\n"
        " Renderer {\n  Type \"Lines\"\n }\n"
        " Force {\n  Direction 0 3 4\n  Strength 2\n }\n ForceToVelocity\n"
        " ReflectionPlane {\n  Normal 0 0 -2\n  Bounciness 0.5\n }\n}\n");
    ASSERT_TRUE(system);
    EXPECT_EQ(system->name(), "drift");
    EXPECT_EQ(system->particles().size(), 3u);
    EXPECT_EQ(system->spawnRate(), 7.0f);
    const GeneratorSettings& s = system->generator()->settings();
    EXPECT_TRUE(system->generator()->respawns());  // switched on after the "Type" line
    // "MassVariance" is not taken for "Mass ", nor "SpeedFactor" for "Speed ".
    EXPECT_EQ((std::vector<float>{s.mass, s.massVariance, s.particleSize, s.speedFactor, s.speed}),
              (std::vector<float>{1, 3, 2, 4, 5}));
    EXPECT_EQ(system->renderer()->kind(), RendererKind::Lines);
    ASSERT_EQ(system->modifiers().size(), 3u);
    const auto* force = dynamic_cast<const DirectionalForce*>(system->modifiers()[0].get());
    const auto* plane = dynamic_cast<const ReflectionPlane*>(system->modifiers()[2].get());
    ASSERT_TRUE(force && plane);
    EXPECT_EQ(force->direction, (Vec3{0.0f, 0.6f, 0.8f}));  // normalised, as is the plane's normal
    EXPECT_EQ(std::make_pair(plane->normal, plane->bounciness), std::make_pair(Vec3{0.0f, 0.0f, -1.0f}, 0.5f));
}

TEST(ParticleScript, BadBlocksNameTheirFileAndLine) {
    const std::string tail = " Renderer {\n  Type \"Points\"\n }\n}\n";
    const struct { std::string text; const char* message; int line; } cases[] = {
        {"ParticleSystem {\n Max 5\n Generator {\n  Type \"Lava\"\n }\n" + tail, "unknown particle generator type \"Lava\"",
         4}, {"ParticleSystem {\n Max 100001\n}\n", "above the most allowed, 100000", 2},
        {"ParticleSystem {\n Renderer {\n  Type \"Quads\"\n  Shader \"missing\"\n }\n}\n",
         "unable to find shader: missing", 5},
    };
    ShaderManager shaders;  // current, and empty
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        try {
            parse(c.text);
            ADD_FAILURE() << "no error";
        } catch (const ScriptError& error) {
            EXPECT_NE(std::string(error.what()).find(c.message), std::string::npos) << error.what();
            EXPECT_EQ(error.file(), "test.psys");
            EXPECT_EQ(error.line(), c.line);
        }
    }
}

TEST(ParticleScript, IncompleteSystemsStayEmptyAndSayWhy) {
    const std::string generator = " Generator {\n  Type \"Fire\"\n }\n";
    const std::string renderer = " Renderer {\n  Type \"Quads\"\n }\n";
    const struct { std::string body; const char* reason; } cases[] = {
        {generator + renderer, "its Max is below 1"}, {" Max 4\n" + renderer, "it has no generator"},
        {" Max 4\n Generator {\n  Lifespan 3\n }\n" + renderer, "it has no generator"},  // no "Type" line
        {" Max 4\n" + generator, "it has no renderer"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.body);
        test::CapturedLog log("particles.log");
        const auto system = parse("ParticleSystem {\n Name \"camp\"\n" + c.body + "}\n");
        ASSERT_TRUE(system);
        EXPECT_TRUE(system->particles().empty());
        system->update(0.1f);
        system->render();  // nothing to draw, and no context needed for it
        EXPECT_NE(log.text().find("Particle system \"camp\" has no particles: " + std::string(c.reason)),
                  std::string::npos);
    }
}

// One red particle half a pixel off the centre of a 64 x 64 view from -1 to 1; lines and stretched quads start
// half the view to its left.
class ParticleRendererTest : public test::GLTest {};

TEST_F(ParticleRendererTest, EachKindDrawsWhereItsParticleIs) {
    MeshBuilder builder;
    ShapeParameters box;
    box.size = {0.25f, 0.25f, 0.25f};
    box.segments = box.rings = 1;
    ASSERT_TRUE(buildShape("box", box, {}, builder));
    const auto mesh = builder.build();
    const struct { RendererKind kind; std::array<int, 2> inside; std::array<int, 2> outside; } cases[] = {
        {RendererKind::Points, {32, 32}, {34, 32}},  {RendererKind::Lines, {24, 32}, {24, 34}},
        {RendererKind::Quads, {38, 37}, {48, 32}},   {RendererKind::StretchQuads, {22, 33}, {32, 44}},
        {RendererKind::Meshes, {35, 35}, {42, 32}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(rendererKindName(c.kind));
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        glColor4f(1.0f, 0.0f, 0.0f, 1.0f);  // the meshes kind draws in the current colour
        const auto renderer = makeParticleRenderer(c.kind, {}, mesh.get());
        Particle p;
        p.life = 1.0f;
        p.size = 0.25f;
        p.position = {0.5f / 32.0f, 0.5f / 32.0f, 0.0f};
        p.previousPosition = p.position - Vec3{0.5f, 0.0f, 0.0f};
        p.color = {1.0f, 0.0f, 0.0f, 1.0f};
        renderer->begin();
        renderer->draw(p);
        renderer->end();
        EXPECT_EQ(pixel(c.inside[0], c.inside[1])[0], 255);
        EXPECT_EQ(pixel(c.outside[0], c.outside[1])[0], 0);
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
        EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    }
}

}  // namespace
}  // namespace qv3rn
