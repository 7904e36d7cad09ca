// shadow_test.cpp -- "ShadowPlane {" and "DefaultLighting {": lines, errors, pictures and the state left behind.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <GL/glext.h>

#include <string>
#include <vector>

#include "data/script_error.h"
#include "gl/default_gl_state.h"
#include "gl/extensions.h"
#include "mesh/mesh_shapes.h"
#include "mesh_scene_support.h"
#include "scene/default_lighting_group.h"
#include "scene/shadow_plane.h"
#include "shader/depth_texture.h"
#include "shader/image_registry.h"
#include "shader/render_state.h"

namespace qv3rn::test {
namespace {

// The camera at the origin looks along +Z with a 45 degree view: a unit at depth z covers 77.25 / z pixels,
// world x showing left of the centre and world y above it.
int column(float x, float z) { return static_cast<int>(32.0f - x * 77.25f / z); }
int row(float y, float z) { return static_cast<int>(32.0f + y * 77.25f / z); }

std::string mesh(const std::string& name, const std::string& object, const std::string& place) {
    return "Mesh {\nName \"" + name + "\"\n" + place + "Object \"" + object + "\"\n}\n";
}

// Every piece of state a pass could leave changed, read back.
std::vector<GLint> stateSnapshot() {
    std::vector<GLint> state;
    for (const GLenum cap : {GL_BLEND, GL_ALPHA_TEST, GL_STENCIL_TEST, GL_DEPTH_TEST, GL_CULL_FACE, GL_LIGHTING,
                             GL_TEXTURE_2D, GL_TEXTURE_GEN_S, GL_TEXTURE_GEN_Q, GL_SCISSOR_TEST, GL_COLOR_MATERIAL,
                             GL_POLYGON_OFFSET_FILL})
        state.push_back(glIsEnabled(cap));
    for (const GLenum name : {GL_DEPTH_FUNC, GL_DEPTH_WRITEMASK, GL_CULL_FACE_MODE, GL_STENCIL_FUNC,
                              GL_STENCIL_PASS_DEPTH_PASS, GL_BLEND_SRC, GL_BLEND_DST, GL_MATRIX_MODE,
                              GL_MODELVIEW_STACK_DEPTH, GL_PROJECTION_STACK_DEPTH, GL_ACTIVE_TEXTURE,
                              GL_ALPHA_TEST_FUNC, GL_SHADE_MODEL, GL_TEXTURE_BINDING_2D, GL_STENCIL_WRITEMASK,
                              GL_STENCIL_REF, GL_COLOR_WRITEMASK, GL_COLOR_MATERIAL_PARAMETER})
        state.push_back(glInteger(name));
    state.push_back(0);
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &state.back());
    for (const GLint v : glViewportBox()) state.push_back(v);
    for (int kind = 0; kind < renderStateKindCount; ++kind)
        state.push_back(RenderStateLocks::isLocked(static_cast<RenderStateKind>(kind)));
    return state;
}

class ShadowTest : public MeshSceneTest {
protected:
    void SetUp() override {
        MeshSceneTest::SetUp();
        adopt("tile.msh", boxMesh({1, 1, 0.2f}));
        adopt("box.msh", boxMesh({1, 1, 1}));
        adopt("wall.msh", boxMesh({8, 8, 1}));
        // Red, half transparent, turned away: two-pass blending shows it in the far faces' pass.
        auto glass = flatGrid(1, 1.0f, addShader("glass", true));
        for (MeshTriangle& triangle : glass->triangles()) std::swap(triangle.vertices[1], triangle.vertices[2]);
        glass->computePlanes();
        glass->buildBatches();
        glass->setFlags(glass->flags() | MeshFlags::Colours);
        for (MeshVertex& v : glass->vertices()) {
            v.colour[1] = v.colour[2] = 0;
            v.colour[3] = 128;
        }
        adopt("glass.msh", std::move(glass));
        auto depth = std::make_unique<DepthTexture>(GL_DEPTH_COMPONENT24_ARB);
        depth->setName(DefaultLightingGroup::defaultShadowImage);
        depth->allocate(256, 256, ImageFormat::DepthComponent);
        ASSERT_TRUE(images.add(depth.release()));
    }
    void TearDown() override {
        root.reset();  // the groups give their image handles back to the registry first
        images.clear();
        MeshSceneTest::TearDown();
    }

    // The script's picture on blue; every state as before, and the stencil clear.
    void picture(const std::string& script) {
        read(script);
        glClearColor(0.0f, 0.0f, 1.0f, 1.0f);
        glClearStencil(0);
        glClear(GL_STENCIL_BUFFER_BIT);
        root->update(0.0f);
        const auto* camera = static_cast<const SceneCamera*>(cameras.currentCamera());
        cameras.setSize(width, height);
        camera->apply();
        applyDefaultGLState();
        glClearColor(0.0f, 0.0f, 1.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        const std::vector<GLint> before = stateSnapshot();
        root->renderVisible(camera->frustum());
        EXPECT_EQ(stateSnapshot(), before) << script;
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)) << script;
        GLubyte stencil = 1;
        glReadPixels(32, 32, 1, 1, GL_STENCIL_INDEX, GL_UNSIGNED_BYTE, &stencil);
        EXPECT_EQ(stencil, 0) << "the stencil is left clear";
    }
    // The whole picture drawn white after the scene, both faces, must come out white.
    void expectPlainDrawingAfter() {
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glDisable(GL_CULL_FACE);
        glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
        glRectf(-1.0f, -1.0f, 1.0f, 1.0f);
        EXPECT_EQ(pixel(40, 20), (std::array<std::uint8_t, 4>{255, 255, 255, 255}));
    }
    void expectRgb(int x, int y, int rgb, const std::string& what) {
        const auto p = pixel(x, y);
        for (int k = 0; k < 3; ++k) EXPECT_NEAR(p[k], (rgb >> (16 - 8 * k)) & 0xff, 3) << what << " at " << x << "," << y;
    }

    ImageRegistry images;
};

TEST_F(ShadowTest, BlocksReadTheirLinesOrFailWithTheirLine) {
    const auto plane = [](const std::string& lines) {
        return "Group {\nShadowPlane {\nName \"p\"\n" + lines + "}\n}\n";
    };
    const auto lit = [](const std::string& lines) { return "DefaultLighting {\nName \"g\"\n" + lines + "}\n"; };
    const struct {
        std::string script;
        std::string expected;  // what the nodes hold, or the error as "line: text"
    } cases[] = {
        {plane(""), "plane 0 1 0 0 light 0 10 0 1 size 10 0 10"},
        {plane("Plane 0 0 -1 10\nLight 1 0 -1 0\nSize 2 3\n"), "plane 0 0 -1 10 light 1 0 -1 0 size 2 3 10"},
        // Checked once the block is read: the error names its closing line.
        {plane("Plane 0 0 0 1\n"), "5: shadow plane has no normal"},
        {plane("Light 5 0 3 1\nPlane 1 0 0 -5\n"), "6: shadow plane light lies in the plane or along it"},
        {plane("Plane 0 inf 0 0\n"), "5: shadow plane numbers are not finite"},
        {plane("Plane 0 3e20 0 0\n"), "5: shadow plane normal is too long"},
        {plane("Light 0 3e38 0 1\nPlane 0 10 0 0\n"), "6: shadow plane light is too far"},
        {plane("Size 1e39 0 1\n"), "5: shadow plane quad is too large"}, {lit(""), "no shadows"},
        {lit("Shadows yes\nShadowColor 1 0 0 0.5\nShadowCaster \"box\"\nShadowImage \"ShadowImage.small\"\n"),
         "on 1 0 0 0.5 \"box\" image"},
        {lit("ShadowImage \"nowhere.png\"\n"), "3: unable to find shadow image: nowhere.png"},
        {"Group {\nName \"r\"\n" + lit("Shadows yes\n") + "}\n", "on 0 0 0 1 \"\""},
    };
    for (const auto& c : cases) {
        std::ostringstream got;
        try {
            read(c.script);
            if (auto* p = dynamic_cast<ShadowPlane*>(root->findByName("p"))) {
                for (const auto& [word, v] : {std::pair{"plane", p->plane}, {" light", p->light}})
                    got << word << " " << v[0] << " " << v[1] << " " << v[2] << " " << v[3];
                got << " size " << p->size().x << " " << p->size().y << " " << p->size().z;
            }
            if (auto* g = dynamic_cast<DefaultLightingGroup*>(root->findByName("g"))) {
                const auto& shadow = g->shadowSettings();
                if (!shadow) {
                    got << "no shadows";
                } else {
                    got << (shadow->on ? "on" : "off");
                    for (float v : shadow->colour) got << " " << v;
                    got << " \"" << g->casterName << "\"" << (shadow->image ? " image" : "");
                }
            }
        } catch (const ScriptError& error) {
            got << error.line() << ": " << error.what();
        }
        EXPECT_EQ(got.str(), c.expected) << c.script;
    }
}

TEST_F(ShadowTest, PlanarShadowsFallWithinTheQuad) {
    // A unit tile 2 before the plane z = 10 (quad [-2, 2] square): light along (1, 0, -1) throws it to
    // [-2.5, -1.5], cut at -2; the point light at (4, 0, 4) 1.5 times as large. Moving the node moves the tile.
    const auto scene = [](const std::string& lines) {
        return "Group {\nCamera {\nActive yes\n}\nShadowPlane {\nSize 2 2 0\n" + lines +
               mesh("c", "tile.msh", at(0, 0, 8)) + "}\n}\n";
    };
    const int grey = 0x808080, blue = 0x0000ff, white = 0xffffff;
    struct Sample {
        float x, y;  // on the plane
        int rgb;
    };
    const struct { std::string what, lines; std::vector<Sample> samples; } cases[] = {
        {"a direction", "Plane 0 0 -1 10\nLight 1 0 -1 0\n",
         {{-1.75f, 0, 0}, {-2.25f, 0, blue}, {-1.3f, 0, grey}, {-1.75f, 0.65f, grey}, {1.0f, 1.0f, grey}}},
        {"a point", "Plane 0 0 -1 10\nLight 4 0 4 1\n",
         {{-1.75f, 0, 0}, {-1.4f, 0, 0}, {-1.75f, 0.65f, 0}, {-2.25f, 0, blue}, {-1.1f, 0, grey}}},
        {"the node moved", "Plane 0 0 -1 10\nLight 1 0 -1 0\n" + at(1, 0, 0),
         {{-0.75f, 0, 0}, {-1.75f, 0, grey}, {2.25f, 0, blue}, {-2.25f, 0, blue}}},
    };
    for (const auto& c : cases) {
        picture(scene(c.lines));
        for (const Sample& s : c.samples) expectRgb(column(s.x, 10), row(s.y, 10), s.rgb, c.what);
        const float tileX = c.what == "the node moved" ? 1.0f : 0.0f;
        expectRgb(column(tileX, 8), row(0, 8), white, c.what + ": the tile itself");
        expectPlainDrawingAfter();
    }
}

TEST_F(ShadowTest, ACastersShadowIsProjectedOntoTheReceivers) {
    // A unit box at z 7 before a wall at z 10, a spot light at (3, 0, 4) outside the view: the shadow covers
    // x in [-5.4, -1.3] on the wall. Red glass listed before the wall is blended over it (opaque first).
    const auto scene = [](const std::string& lines, const std::string& light, const std::string& caster) {
        return "DefaultLighting {\nName \"g\"\n" + lines + "Camera {\nActive yes\n}\n" + light +
               mesh("glass", "glass.msh", "TwoPassBlending yes\n" + at(2, -2, 8)) + mesh("c", "box.msh", caster) +
               mesh("w", "wall.msh", at(0, 0, 10.5f)) + "}\n";
    };
    const std::string spot = "SpotLight {\n" + at(3, 0, 4) + "}\n";
    const int white = 0xffffff;
    const struct {
        std::string what, lines, light;
        int shadow;    // the colour at the shadow's middle
        bool on;       // shadows still on after the frame
        bool ambient;  // drawn as with a comparison fail value
        std::string caster = at(0, 0, 7);
    } cases[] = {
        {"black", "Shadows yes\nShadowCaster \"c\"\n", spot, 0x000000, true, false},
        {"black, fail value", "Shadows yes\nShadowCaster \"c\"\n", spot, 0x000000, true, true},
        {"half red", "Shadows yes\nShadowColor 1 0 0 0.5\nShadowCaster \"c\"\n", spot, 0xff8080, true, false},
        {"off", "Shadows no\nShadowCaster \"c\"\n", spot, white, false, false},
        {"no such caster", "Shadows yes\nShadowCaster \"nobody\"\n", spot, white, false, false},
        // Out of the camera's view, 1 from a light at (-5, 0, 2), the caster throws its shadow into it.
        {"caster unseen", "Shadows yes\nShadowCaster \"c\"\n", "PointLight {\n" + at(-5, 0, 2) + "}\n", 0, true, false,
         at(-4, 0, 6)},
        {"light inside", "Shadows yes\nShadowCaster \"c\"\n", "PointLight {\n" + at(0, 0, 7) + "}\n", white, false,
         false},
    };
    for (const auto& c : cases) {
        GL_ARB_shadow_ambient_Flag = c.ambient;
        picture(scene(c.lines, c.light, c.caster));
        GL_ARB_shadow_ambient_Flag = false;
        expectRgb(column(-3, 10), row(0, 10), c.shadow, c.what);
        expectRgb(column(-3, 10), row(-0.4f, 10), c.shadow, c.what);
        expectRgb(column(2.8f, 10), row(0, 10), white, c.what + ": the lit wall");
        expectRgb(column(-1.05f, 10), row(0, 10), white, c.what + ": beside the shadow");
        expectRgb(column(0, 6.5f), row(0, 6.5f), white, c.what + ": the box");
        expectRgb(column(2, 8), row(-2, 8), 0xff8080, c.what + ": the glass");
        EXPECT_EQ(static_cast<DefaultLightingGroup&>(node("g")).shadowsOn(), c.on) << c.what;
        expectPlainDrawingAfter();
    }
    EXPECT_NE(log.text().find("DefaultLighting \"g\": no shadows: no node named \"nobody\" to cast them"),
              std::string::npos);
}

}  // namespace
}  // namespace qv3rn::test
