// texture_unit_test.cpp -- Tests of texture units: the "Texture {" block binding its image on its unit, the
// texture matrix animated by envelopes (also once written back as text), the lock, and the environment,
// combiners and projected coordinates of the bound image drawn as pixels or read back from a real context.
#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <sstream>
#include <string>

#include "data/script_error.h"
#include "math/mat4.h"
#include "shader_test_support.h"
#include "shader/shader_script_writer.h"
#include "shader/texture_2d.h"
#include "shader/texture_unit_state.h"

namespace qv3rn {
namespace {

// Expected texture matrices are built with the engine's own matrices: Mat4::translation, rotation and scaling are
// what glTranslate, glRotate and glScale multiply by, and a * b applies a first.
const Mat4 identity;
Mat4 translation(float x, float y, float z) { return Mat4::translation({x, y, z}); }
Mat4 scaling(float x, float y, float z) { return Mat4::scaling({x, y, z}); }
Mat4 rotation(const Vec3& axis, float radians) { return Mat4::rotation(radians, axis); }

void expectMatrix(const Mat4& actual, const Mat4& expected, const std::string& what) {
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(actual[i], expected[i], 1e-4f) << what << " element " << i;
}

// An envelope field rising linearly from 0 at time 0 to `v` at time 2, as script text.
std::string ramp(const std::string& keyword, float v) {
    return keyword + " {\n{ Envelope\n2\nKey 0 0 3\nKey " + std::to_string(v) + " 2 3\n}\n}\n";
}

class TextureUnits : public test::ShaderGLTest {
protected:
    void SetUp() override {
        ShaderGLTest::SetUp();
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_CULL_FACE);
    }

    // A 4 x 4 image of one colour (0xRRGGBBAA) in the registry.
    Texture2D& addImage(const std::string& name, std::uint32_t rgba) {
        auto image = std::make_unique<Texture2D>();
        image->allocate(4, 4, ImageFormat::Rgba);
        for (int i = 0; i < 16; ++i) image->setPixel(rgba, i % 4, i / 4);
        image->setName(name);
        EXPECT_TRUE(images.add(image.get()));
        return *image.release();
    }

    Shader& readShader(ShaderManager& into, const std::string& textureLines) {
        EXPECT_TRUE(test::parseScript(into, "Shader {\nName \"t\"\nTexture {\n" + textureLines + "}\n}\n"));
        return *into.shaders().back();
    }

    static Mat4 textureMatrix(GLenum unit) {
        glActiveTextureARB(unit);
        Mat4 m;
        glGetFloatv(GL_TEXTURE_MATRIX, m.data());
        return m;
    }
    static bool enabledOn(GLenum unit) {
        glActiveTextureARB(unit);
        return glIsEnabled(GL_TEXTURE_2D);
    }

    // The centre pixel's RGB after drawing over the viewport in (r, g, b) with the one-colour `image` on unit 0.
    std::array<int, 3> drawnWith(Texture& image, float r, float g, float b) {
        glClear(GL_COLOR_BUFFER_BIT);
        EXPECT_TRUE(image.bind(GL_TEXTURE0_ARB));
        glColor4f(r, g, b, 1);
        glTexCoord2f(0.5f, 0.5f);  // the middle of the texture: GL_CLAMP blends the border in at the edges
        glRectf(-1, -1, 1, 1);
        image.unbind(GL_TEXTURE0_ARB);
        const auto p = pixel(32, 32);
        return {p[0], p[1], p[2]};
    }
};

TEST_F(TextureUnits, TheBlockBindsItsImageOnItsUnitAndGivesItBack) {
    Texture2D& image = addImage("wall.tga", 0xFF0000FF);
    Shader& shader = readShader(manager, "Image \"wall.tga\"\nTexUnit UNIT3\n");
    const int held = image.references();
    shader.begin();
    EXPECT_FALSE(enabledOn(GL_TEXTURE0_ARB));
    EXPECT_TRUE(enabledOn(GL_TEXTURE3_ARB));
    test::expectGL({{GL_TEXTURE_BINDING_2D, {double(image.glId())}},
                    {GL_TEXTURE_MATRIX, {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}}},
                   "unit 3");
    shader.end();
    EXPECT_FALSE(enabledOn(GL_TEXTURE3_ARB));
    EXPECT_EQ(test::onlyState<TextureUnitState>(manager).unit, static_cast<GLenum>(GL_TEXTURE3_ARB));
    readShader(manager, "TexUnit UNIT7\nTexUnit UNIT9\n");
    EXPECT_EQ(test::onlyState<TextureUnitState>(manager, 1).unit, static_cast<GLenum>(GL_TEXTURE7_ARB));

    manager.clear();  // the state gives its image back to the registry
    EXPECT_LT(image.references(), held);
    try {
        test::parseScript(manager, "Shader {\nName \"t\"\nTexture {\nImage \"missing.tga\"\n}\n}\n");
        FAIL() << "no error";
    } catch (const ScriptError& error) {
        EXPECT_STREQ(error.what(), "unable to find image: missing.tga");
        EXPECT_EQ(error.line(), 4);
    }
}

TEST_F(TextureUnits, EnvelopesAnimateTheMatrixOfTheirUnitAlsoWhenWrittenAndReadBack) {
    addImage("ramp.tga", 0xFFFFFFFF);
    const float h = 0.5f, p = 0.25f, b = 1.5f;  // the values at time 1 of ramps to 1, 0.5 and 3
    struct Row {
        std::string fields;
        Mat4 expected;
    };
    const Row rows[] = {
        {ramp("TranslateS", 1), translation(0.5f, 0, 0)},
        {ramp("CoordU", 1), translation(0.5f, 0, 0)},
        {ramp("TranslateT", 1) + ramp("TranslateR", 3), translation(0, 0.5f, 1.5f)},
        {ramp("CoordV", 1), translation(0, 0.5f, 0)},
        {ramp("TranslateQ", 9), identity},  // read, but no part of the matrix
        {ramp("RotateH", 1), rotation({0, 1, 0}, -h)},
        {ramp("CoordR", 1), rotation({0, 1, 0}, -h)},
        {ramp("RotateP", 0.5f), rotation({1, 0, 0}, -p)},
        {ramp("RotateB", 3), rotation({0, 0, 1}, -b)},
        {ramp("ScaleS", 4) + ramp("ScaleT", 3), scaling(2, 1.5f, 1)},
        {ramp("ScaleR", 1) + ramp("ScaleQ", 3), [] {
             Mat4 q = scaling(1, 1, 0.5f);  // with the fourth coordinate's scale
             q.m[15] = 1.5f;
             return q;
         }()},
        // Translation, then heading about y, pitch about x, bank about z, then the scale.
        {ramp("ScaleS", 4) + ramp("RotateB", 3) + ramp("TranslateS", 1) + ramp("RotateP", 0.5f) + ramp("RotateH", 1),
         scaling(2, 1, 1) * rotation({0, 0, 1}, -b) * rotation({1, 0, 0}, -p) * rotation({0, 1, 0}, -h) *
             translation(0.5f, 0, 0)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.fields);
        ShaderManager read;
        Shader& shader = readShader(read, "Image \"ramp.tga\"\nTexUnit UNIT3\n" + row.fields);
        std::ostringstream text;
        writeShaderBlock(text, shader);
        ShaderManager again;
        ASSERT_TRUE(test::parseScript(again, text.str())) << text.str();
        test::setDemoTime(1);  // on the current manager, whose frame time the matrices are evaluated at
        for (Shader* each : {&shader, again.shaders().at(0)}) {
            each->begin();
            expectMatrix(textureMatrix(GL_TEXTURE3_ARB), row.expected, "unit 3");
            expectMatrix(textureMatrix(GL_TEXTURE0_ARB), identity, "unit 0");
            each->end();
            expectMatrix(textureMatrix(GL_TEXTURE3_ARB), identity, "unit 3 after end");
        }
    }
}

TEST_F(TextureUnits, WithoutEnvelopesTheMatrixIsLeftAloneAndTheLockSuppressesBindAndMatrix) {
    addImage("still.tga", 0xFFFFFFFF);
    Shader& still = readShader(manager, "Image \"still.tga\"\n");
    glMatrixMode(GL_TEXTURE);
    glLoadMatrixf(translation(0.25f, 0.5f, 0).data());
    glMatrixMode(GL_MODELVIEW);
    still.begin();
    still.end();
    expectMatrix(textureMatrix(GL_TEXTURE0_ARB), translation(0.25f, 0.5f, 0), "untouched");
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);

    Shader& scaled = readShader(manager, "Image \"still.tga\"\n" + ramp("ScaleS", 10));
    test::setDemoTime(1);
    RenderStateLocks::setLocked(RenderStateKind::TextureUnit, true);
    scaled.begin();
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    expectMatrix(textureMatrix(GL_TEXTURE0_ARB), identity, "locked");
    RenderStateLocks::setLocked(RenderStateKind::TextureUnit, false);
    scaled.begin();
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    expectMatrix(textureMatrix(GL_TEXTURE0_ARB), scaling(5, 1, 1), "unlocked");
    scaled.end();
}

TEST_F(TextureUnits, EnvironmentModesAndCombinersOnPixels) {
    Texture2D& image = addImage("red.tga", 0xFF000080);
    const struct {
        GLenum mode;
        std::array<int, 3> expected;  // red texture, half alpha, drawn with blue vertex colour
    } cases[] = {
        {GL_REPLACE, {255, 0, 0}}, {GL_MODULATE, {0, 0, 0}}, {GL_ADD, {255, 0, 255}}, {GL_DECAL, {128, 0, 127}},
    };
    for (const auto& c : cases) {
        image.params().envMode = c.mode;
        EXPECT_EQ(drawnWith(image, 0, 0, 1), c.expected) << std::hex << c.mode;
    }
    // BLEND mixes the vertex colour towards the environment colour by the texture's colour.
    image.params().envMode = GL_BLEND;
    image.params().envColor = {1, 1, 0, 1};
    EXPECT_EQ(drawnWith(image, 0, 0, 1), (std::array<int, 3>{255, 0, 255}));

    // (texture + colour - 0.5) * 2: red (1 + 0 - 0.5) * 2 = 1, green (0 + 0.25 - 0.5) → 0, blue (0 + 1 - 0.5) * 2 = 1
    TextureParams& p = image.params();
    p.envMode = GL_COMBINE_ARB;
    p.combineRGB = GL_ADD_SIGNED_ARB;
    p.sourceRGB = {GL_TEXTURE, GL_PRIMARY_COLOR_ARB, GL_CONSTANT_ARB};
    p.operandRGB = {GL_SRC_COLOR, GL_SRC_COLOR, GL_ONE_MINUS_SRC_ALPHA};
    p.scaleRGB = 2;
    EXPECT_EQ(drawnWith(image, 0, 0.25f, 1), (std::array<int, 3>{255, 0, 255}));
}

TEST_F(TextureUnits, ModesTheDriverCannotDoDrawTheUnitUntextured) {
    Texture2D& image = addImage("plain.tga", 0xFF0000FF);
    resetExtensions();
    loadExtension(*context, "GL_ARB_multitexture");
    auto textured = [&](GLenum mode, GLenum combineRGB = GL_MODULATE) {
        image.params().envMode = mode;
        image.params().combineRGB = combineRGB;
        EXPECT_TRUE(image.bind(GL_TEXTURE0_ARB));
        const bool on = glIsEnabled(GL_TEXTURE_2D);
        image.unbind(GL_TEXTURE0_ARB);
        return on;
    };
    EXPECT_FALSE(textured(GL_COMBINE_ARB));
    EXPECT_FALSE(textured(GL_ADD));
    loadExtension(*context, "GL_ARB_texture_env_combine");  // combiners without dot products
    EXPECT_FALSE(textured(GL_COMBINE_ARB, GL_DOT3_RGBA_ARB));
    EXPECT_TRUE(textured(GL_COMBINE_ARB, GL_INTERPOLATE_ARB));

    // Reflection maps need cube maps or the reflection extension: the generation is skipped.
    image.params().texGenMode = TexGenReflectionMap;
    image.bind(GL_TEXTURE0_ARB);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_S));
    image.unbind(GL_TEXTURE0_ARB);

    // IGNORE leaves whatever generation is on; NONE switches it all off.
    glEnable(GL_TEXTURE_GEN_Q);
    image.params().texGenMode = TexGenIgnore;
    image.bind(GL_TEXTURE0_ARB);
    image.unbind(GL_TEXTURE0_ARB);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_GEN_Q));
    image.params().texGenMode = TexGenNone;
    image.bind(GL_TEXTURE0_ARB);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_Q));
    image.unbind(GL_TEXTURE0_ARB);
}

// The FRONT_* modes take planes from the modelview matrix; OpenGL keeps an eye plane multiplied by the inverse
// of the modelview it was given under, so the planes read back are the plane times that inverse.
TEST_F(TextureUnits, FrontModesTakeTheirPlanesFromTheModelview) {
    Texture2D& image = addImage("front.tga", 0xFFFFFFFF);
    const std::array<float, 16> m = {2, 0, 0, 0, 0, 4, 0, 0, 0, 0, 8, 0, 1, 2, 3, 1};  // scale 2, 4, 8; move 1, 2, 3
    auto plane =
        [](std::array<float, 4> p) {  // p · M⁻¹, M⁻¹ = scale (1/2, 1/4, 1/8) with translation (-1/2, -1/2, -3/8)
            return std::vector<double>{p[0] / 2, p[1] / 4, p[2] / 8, p[3] - p[0] / 2 - p[1] / 2 - p[2] * 3 / 8};
        };
    using test::From;
    const struct {
        TexGenMode mode;
        std::vector<test::GLCheck> bound;
    } cases[] = {
        {TexGenFrontXY, {{GL_EYE_PLANE, plane({m[0], m[4], m[8], 1}), From::GenS},
          {GL_EYE_PLANE, plane({m[1], m[5], m[9], 1}), From::GenT}, {GL_TEXTURE_GEN_R, {0}}}},
        {TexGenFrontXZ, {{GL_EYE_PLANE, plane({m[2], m[6], m[10], 1}), From::GenT}}},
        {TexGenFrontYZ, {{GL_EYE_PLANE, plane({m[1], m[5], m[9], m[13]}), From::GenS},
          {GL_EYE_PLANE, plane({m[2], m[6], m[10], m[14]}), From::GenT}}},
        {TexGenFrontXYZ, {{GL_EYE_PLANE, plane({m[0], m[4], m[8], m[12]}), From::GenS},
          {GL_EYE_PLANE, plane({m[2], m[6], m[10], m[14]}), From::GenR}, {GL_TEXTURE_GEN_R, {1}}}},
    };
    glLoadMatrixf(m.data());
    for (const auto& c : cases) {
        image.params().texGenMode = c.mode;
        image.bind(GL_TEXTURE0_ARB);
        test::expectGL(c.bound, "mode " + std::to_string(static_cast<int>(c.mode)));
        image.unbind(GL_TEXTURE0_ARB);
        EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_R));
    }
}

TEST_F(TextureUnits, FrontProjectsFromTheCurrentCamera) {
    Texture2D& image = addImage("projected.tga", 0xFFFFFFFF);
    image.params().texGenMode = TexGenFront;
    CameraMgr cameras;
    auto* camera = new test::TestCamera("projector");
    camera->projection = {2, 0, 0, 0, 0, 4, 0, 0, 0, 0, -1, 0, 0, 0, 0, 1};
    camera->view = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, -5, 1};
    ASSERT_TRUE(cameras.add(camera));

    ASSERT_TRUE(image.bind(GL_TEXTURE2_ARB));
    const Mat4 bias = scaling(0.5f, 0.5f, 1) * translation(0.5f, 0.5f, 0);
    const Mat4 view = Mat4::fromArray(camera->view.data()), projection = Mat4::fromArray(camera->projection.data());
    expectMatrix(textureMatrix(GL_TEXTURE2_ARB), view * projection * bias, "projection");
    test::expectGL({{GL_MATRIX_MODE, {GL_MODELVIEW}},
                    {GL_TEXTURE_GEN_S, {1}}, {GL_TEXTURE_GEN_T, {1}}, {GL_TEXTURE_GEN_R, {1}}, {GL_TEXTURE_GEN_Q, {1}},
                    {GL_EYE_PLANE, {0, 0, 0, 1}, test::From::GenQ}},
                   "unit 2");
    image.unbind(GL_TEXTURE2_ARB);
    expectMatrix(textureMatrix(GL_TEXTURE2_ARB), identity, "after unbind");
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_Q));
    glActiveTextureARB(GL_TEXTURE0_ARB);
}

}  // namespace
}  // namespace qv3rn
