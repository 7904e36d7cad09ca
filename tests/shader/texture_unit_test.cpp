// Tests of texture units: the "Texture {" block, binding on the right unit, the animated texture matrix, and
// the environment, combiner and coordinate-generation set-up read back from a real context and on pixels.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <memory>
#include <string>

#include "script_test_support.h"
#include "shader/camera_mgr.h"
#include "shader/image_registry.h"
#include "data/script_error.h"
#include "shader/texture_2d.h"
#include "shader/texture_unit_environment.h"
#include "shader/texture_unit_state.h"

namespace qv3rn {
namespace {

using Matrix = std::array<float, 16>;  // column-major

Matrix multiply(const Matrix& a, const Matrix& b) {
    Matrix r{};
    for (int c = 0; c < 4; ++c)
        for (int row = 0; row < 4; ++row)
            for (int k = 0; k < 4; ++k) r[c * 4 + row] += a[k * 4 + row] * b[c * 4 + k];
    return r;
}

Matrix identity() { return {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}; }
Matrix translation(float x, float y, float z) { return {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, x, y, z, 1}; }
Matrix scaling(float x, float y, float z, float w = 1) { return {x, 0, 0, 0, 0, y, 0, 0, 0, 0, z, 0, 0, 0, 0, w}; }
Matrix rotationZ(float radians) {
    const float c = std::cos(radians), s = std::sin(radians);
    return {c, s, 0, 0, -s, c, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
}
Matrix rotationY(float radians) {
    const float c = std::cos(radians), s = std::sin(radians);
    return {c, 0, -s, 0, 0, 1, 0, 0, s, 0, c, 0, 0, 0, 0, 1};
}

void expectMatrix(const Matrix& actual, const Matrix& expected, const char* what) {
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(actual[i], expected[i], 1e-4f) << what << " element " << i;
}

// A linear envelope from (0, 0) to (t, v), as script text.
std::string rampEnvelope(float t, float v) {
    return "{ Envelope\n2\nKey 0 0 3 0 0 0 0 0 0 0\nKey " + std::to_string(v) + " " + std::to_string(t) +
           " 3 0 0 0 0 0 0 0\n}\n}\n";
}

class TestCamera : public Camera {
public:
    const std::string& name() const override { return name_; }
    void resize(int, int) override {}
    std::array<float, 16> projectionMatrix() const override { return scaling(2, 4, -1); }
    std::array<float, 16> viewMatrix() const override { return translation(0, 0, -5); }

private:
    std::string name_ = "test camera";
};

class TextureUnits : public test::ShaderGLTest {
protected:
    void SetUp() override {
        test::ShaderGLTest::SetUp();
        installTextureUnitEnvironment();
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_CULL_FACE);
    }
    void TearDown() override {
        manager.clear();
        images.clear();
        test::ShaderGLTest::TearDown();
    }

    // A 4 x 4 image of one colour (0xRRGGBBAA) in the registry.
    Texture2D& addImage(const std::string& name, std::uint32_t rgba) {
        auto image = std::make_unique<Texture2D>();
        image->allocate(4, 4, ImageFormat::Rgba);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 4; ++x) image->setPixel(rgba, x, y);
        image->setName(name);
        Texture2D& added = *image;
        EXPECT_TRUE(images.add(image.release()));
        return added;
    }

    TextureUnitState& readTextureBlock(const std::string& lines) {
        EXPECT_TRUE(test::parseScript(manager, "Shader {\nName \"t\"\nTexture {\n" + lines + "}\n}\n"));
        return test::onlyState<TextureUnitState>(manager, manager.shaders().size() - 1);
    }

    Matrix textureMatrix(GLenum unit) {
        glActiveTextureARB(unit);
        Matrix m{};
        glGetFloatv(GL_TEXTURE_MATRIX, m.data());
        return m;
    }

    static GLint env(GLenum name) {
        GLint value = 0;
        glGetTexEnviv(GL_TEXTURE_ENV, name, &value);
        return value;
    }

    void drawQuad(float r, float g, float b) {
        glColor4f(r, g, b, 1);
        glBegin(GL_QUADS);
        glTexCoord2f(0, 0);
        glVertex2f(-1, -1);
        glTexCoord2f(1, 0);
        glVertex2f(1, -1);
        glTexCoord2f(1, 1);
        glVertex2f(1, 1);
        glTexCoord2f(0, 1);
        glVertex2f(-1, 1);
        glEnd();
    }

    ImageRegistry images;
    CameraMgr cameras;
};

TEST_F(TextureUnits, TheBlockFindsItsImageAndUnit) {
    Texture2D& image = addImage("wall.tga", 0xFF0000FF);
    TextureUnitState& state = readTextureBlock("Image \"wall.tga\"\nTexUnit UNIT3\n");
    EXPECT_EQ(state.image(), &image);
    EXPECT_EQ(state.unit, static_cast<GLenum>(GL_TEXTURE3_ARB));
    EXPECT_EQ(state.matrixFlags(), 0u);
    EXPECT_EQ(readTextureBlock("TexUnit UNIT7\nTexUnit UNIT9\n").unit, static_cast<GLenum>(GL_TEXTURE7_ARB));
    EXPECT_EQ(readTextureBlock("").unit, static_cast<GLenum>(GL_TEXTURE0_ARB));

    const int before = image.references();
    manager.clear();  // the state gives its image back to the registry
    EXPECT_LT(image.references(), before);

    try {
        test::parseScript(manager, "Shader {\nName \"t\"\nTexture {\nImage \"missing.tga\"\n}\n}\n");
        FAIL() << "no error";
    } catch (const ScriptError& error) {
        EXPECT_STREQ(error.what(), "unable to find image: missing.tga");
        EXPECT_EQ(error.line(), 4);
    }
}

TEST_F(TextureUnits, EnvelopeAliasesAndMatrixFlags) {
    TextureUnitState& coords = readTextureBlock("CoordU {\n" + rampEnvelope(1, 2) + "CoordV {\n" + rampEnvelope(1, 3) +
                                                "CoordR {\n" + rampEnvelope(1, 4) + "TexUnit UNIT1\n");
    EXPECT_EQ(coords.unit, static_cast<GLenum>(GL_TEXTURE1_ARB));  // reading went on after the envelopes
    ASSERT_NE(coords.envelope(TextureMatrixChannel::TranslateS), nullptr);
    EXPECT_FLOAT_EQ(coords.envelope(TextureMatrixChannel::TranslateS)->evaluate(1), 2);
    EXPECT_FLOAT_EQ(coords.envelope(TextureMatrixChannel::TranslateT)->evaluate(1), 3);
    EXPECT_FLOAT_EQ(coords.envelope(TextureMatrixChannel::RotateH)->evaluate(1), 4);
    EXPECT_EQ(coords.matrixFlags(), unsigned(TextureUnitState::Translation | TextureUnitState::Rotation));

    TextureUnitState& bank = readTextureBlock("RotateB {\n" + rampEnvelope(1, 1) + "ScaleQ {\n" + rampEnvelope(1, 1));
    EXPECT_EQ(bank.envelope(TextureMatrixChannel::RotateP), nullptr);
    EXPECT_NE(bank.envelope(TextureMatrixChannel::RotateB), nullptr);
    EXPECT_NE(bank.envelope(TextureMatrixChannel::ScaleQ), nullptr);
    EXPECT_EQ(bank.matrixFlags(), unsigned(TextureUnitState::Rotation | TextureUnitState::Scale));

    // A broken envelope block raises the envelope reader's message; the state stays with what it had.
    EXPECT_THROW(test::parseScript(manager, "Shader {\nName \"b\"\nTexture {\nScaleT {\nKey 1 1\n}\n}\n}\n"),
                 ScriptError);
}

TEST_F(TextureUnits, AnAnimatedMatrixAtTwoTimesOnUnitThreeOnly) {
    addImage("ramp.tga", 0xFFFFFFFF);
    TextureUnitState& state = readTextureBlock("Image \"ramp.tga\"\nTexUnit UNIT3\n"
                                               "TranslateS {\n" + rampEnvelope(2, 1) +
                                               "TranslateQ {\n" + rampEnvelope(2, 9) +  // read, but not in the matrix
                                               "RotateB {\n" + rampEnvelope(2, 3.14159265f) +
                                               "RotateH {\n" + rampEnvelope(2, 1) +
                                               "ScaleS {\n" + rampEnvelope(2, 4) + "ScaleQ {\n" + rampEnvelope(2, 2));
    EXPECT_EQ(state.matrixFlags(), 7u);
    Shader& shader = *manager.shaders()[0];
    for (float time : {0.5f, 1.5f}) {
        manager.setFrameTime(time);
        shader.begin();
        const float f = time / 2;
        // Heading is about y, bank about z, both by minus the envelope's radians; pitch stays 0.
        const Matrix expected =
            multiply(multiply(multiply(translation(f * 1, 0, 0), rotationY(-f * 1)), rotationZ(-f * 3.14159265f)),
                     scaling(f * 4, 1, 1, f * 2));
        expectMatrix(textureMatrix(GL_TEXTURE3_ARB), expected, "unit 3");
        expectMatrix(textureMatrix(GL_TEXTURE0_ARB), identity(), "unit 0");
        glActiveTextureARB(GL_TEXTURE3_ARB);
        EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
        glActiveTextureARB(GL_TEXTURE0_ARB);
        EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
        shader.end();
        expectMatrix(textureMatrix(GL_TEXTURE3_ARB), identity(), "unit 3 after end");
        glActiveTextureARB(GL_TEXTURE3_ARB);
        EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    }
    glActiveTextureARB(GL_TEXTURE0_ARB);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(TextureUnits, WithoutEnvelopesTheMatrixIsNotTouched) {
    addImage("still.tga", 0xFFFFFFFF);
    TextureUnitState& state = readTextureBlock("Image \"still.tga\"\n");
    glMatrixMode(GL_TEXTURE);
    glLoadMatrixf(translation(0.25f, 0.5f, 0).data());
    glMatrixMode(GL_MODELVIEW);
    state.apply();
    expectMatrix(textureMatrix(GL_TEXTURE0_ARB), translation(0.25f, 0.5f, 0), "after apply");
    state.restore();
    expectMatrix(textureMatrix(GL_TEXTURE0_ARB), translation(0.25f, 0.5f, 0), "after restore");
}

TEST_F(TextureUnits, TheTextureLockSuppressesBindAndMatrix) {
    addImage("locked.tga", 0xFFFFFFFF);
    TextureUnitState& state = readTextureBlock("Image \"locked.tga\"\nScaleS {\n" + rampEnvelope(1, 5));
    manager.setFrameTime(1);
    RenderStateLocks::setLocked(RenderStateKind::TextureUnit, true);
    state.apply();
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    expectMatrix(textureMatrix(GL_TEXTURE0_ARB), identity(), "locked");
    RenderStateLocks::setLocked(RenderStateKind::TextureUnit, false);
    state.apply();
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    expectMatrix(textureMatrix(GL_TEXTURE0_ARB), scaling(5, 1, 1), "unlocked");
    state.restore();
}

TEST_F(TextureUnits, EnvironmentModesOnPixels) {
    Texture2D& image = addImage("red.tga", 0xFF0000FF);
    struct Case {
        GLenum mode;
        std::array<int, 3> expected;  // drawn with blue vertex colour
    };
    const Case cases[] = {
        {GL_REPLACE, {255, 0, 0}},
        {GL_MODULATE, {0, 0, 0}},
        {GL_ADD, {255, 0, 255}},
        {GL_DECAL, {255, 0, 0}},
    };
    for (const Case& c : cases) {
        image.params().envMode = c.mode;
        ASSERT_TRUE(image.bind(GL_TEXTURE0_ARB));
        EXPECT_EQ(env(GL_TEXTURE_ENV_MODE), static_cast<GLint>(c.mode));
        glClear(GL_COLOR_BUFFER_BIT);
        drawQuad(0, 0, 1);
        image.unbind(GL_TEXTURE0_ARB);
        const auto p = pixel(32, 32);
        EXPECT_EQ(p[0], c.expected[0]) << std::hex << c.mode;
        EXPECT_EQ(p[1], c.expected[1]) << std::hex << c.mode;
        EXPECT_EQ(p[2], c.expected[2]) << std::hex << c.mode;
    }
    // BLEND: the colour is mixed towards the environment colour by the texture.
    image.params().envMode = GL_BLEND;
    image.params().envColor = {0, 1, 0, 1};
    image.bind(GL_TEXTURE0_ARB);
    GLfloat color[4] = {};
    glGetTexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_COLOR, color);
    EXPECT_FLOAT_EQ(color[1], 1);
    glClear(GL_COLOR_BUFFER_BIT);
    drawQuad(0, 0, 1);  // red channel from the env colour (0), green (0 * ... ), blue kept where texture is 0
    image.unbind(GL_TEXTURE0_ARB);
    EXPECT_EQ(pixel(32, 32)[0], 0);
    EXPECT_EQ(pixel(32, 32)[2], 255);
}

TEST_F(TextureUnits, CombinerSetUpReadBackAndDrawn) {
    Texture2D& image = addImage("combine.tga", 0xFF000080);
    TextureParams& p = image.params();
    p.envMode = GL_COMBINE_ARB;
    p.combineRGB = GL_ADD_SIGNED_ARB;
    p.combineAlpha = GL_REPLACE;
    p.sourceRGB = {GL_TEXTURE, GL_PRIMARY_COLOR_ARB, GL_CONSTANT_ARB};
    p.sourceAlpha = {GL_TEXTURE, GL_PREVIOUS_ARB, GL_CONSTANT_ARB};
    p.operandRGB = {GL_SRC_COLOR, GL_SRC_COLOR, GL_ONE_MINUS_SRC_ALPHA};
    p.operandAlpha = {GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_SRC_ALPHA};
    p.scaleRGB = 2;
    p.scaleAlpha = 4;
    ASSERT_TRUE(image.bind(GL_TEXTURE0_ARB));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_EQ(env(GL_TEXTURE_ENV_MODE), GL_COMBINE_ARB);
    EXPECT_EQ(env(GL_COMBINE_RGB_ARB), GL_ADD_SIGNED_ARB);
    EXPECT_EQ(env(GL_COMBINE_ALPHA_ARB), GL_REPLACE);
    EXPECT_EQ(env(GL_SOURCE0_RGB_ARB), GL_TEXTURE);
    EXPECT_EQ(env(GL_SOURCE1_RGB_ARB), GL_PRIMARY_COLOR_ARB);
    EXPECT_EQ(env(GL_SOURCE1_ALPHA_ARB), GL_PREVIOUS_ARB);
    EXPECT_EQ(env(GL_OPERAND2_RGB_ARB), GL_ONE_MINUS_SRC_ALPHA);
    EXPECT_EQ(env(GL_OPERAND1_ALPHA_ARB), GL_ONE_MINUS_SRC_ALPHA);
    EXPECT_EQ(env(GL_RGB_SCALE_ARB), 2);
    EXPECT_EQ(env(GL_ALPHA_SCALE), 4);
    // (texture + colour - 0.5) * 2: red (1 + 0 - 0.5) * 2 = 1, green (0 + 0.25 - 0.5) → 0, blue (0 + 1 - 0.5) * 2 = 1
    glClear(GL_COLOR_BUFFER_BIT);
    drawQuad(0, 0.25f, 1);
    const auto drawn = pixel(32, 32);
    EXPECT_EQ(drawn[0], 255);
    EXPECT_EQ(drawn[1], 0);
    EXPECT_EQ(drawn[2], 255);
    image.unbind(GL_TEXTURE0_ARB);
    EXPECT_EQ(env(GL_RGB_SCALE_ARB), 1);  // the scales do not stay for the next image
    EXPECT_EQ(env(GL_ALPHA_SCALE), 1);

    p.combineRGB = GL_DOT3_RGB_ARB;
    image.bind(GL_TEXTURE0_ARB);
    EXPECT_EQ(env(GL_COMBINE_RGB_ARB), GL_DOT3_RGB_ARB);
    image.unbind(GL_TEXTURE0_ARB);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(TextureUnits, MissingExtensionsDrawTheUnitUntextured) {
    Texture2D& image = addImage("plain.tga", 0xFF0000FF);
    resetExtensions();
    loadExtension(*context, "GL_ARB_multitexture");
    image.params().envMode = GL_COMBINE_ARB;
    ASSERT_TRUE(image.bind(GL_TEXTURE0_ARB));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    image.unbind(GL_TEXTURE0_ARB);
    image.params().envMode = GL_ADD;
    image.bind(GL_TEXTURE0_ARB);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    image.unbind(GL_TEXTURE0_ARB);

    // Combiners without dot products: only the DOT3 functions disable the unit.
    loadExtension(*context, "GL_ARB_texture_env_combine");
    image.params().envMode = GL_COMBINE_ARB;
    image.params().combineRGB = GL_DOT3_RGBA_ARB;
    image.bind(GL_TEXTURE0_ARB);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    image.unbind(GL_TEXTURE0_ARB);
    image.params().combineRGB = GL_INTERPOLATE_ARB;
    image.bind(GL_TEXTURE0_ARB);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    image.unbind(GL_TEXTURE0_ARB);

    // Reflection maps need cube maps or the reflection extension: the generation is skipped.
    image.params().envMode = GL_MODULATE;
    image.params().texGenMode = TexGenReflectionMap;
    image.bind(GL_TEXTURE0_ARB);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_S));
    image.unbind(GL_TEXTURE0_ARB);
    reportExtensions(*context);
}

TEST_F(TextureUnits, GenerationModesAndTheirReset) {
    Texture2D& image = addImage("gen.tga", 0xFFFFFFFF);
    TextureParams& p = image.params();
    auto genMode = [](GLenum coordinate) {
        GLint mode = 0;
        glGetTexGeniv(coordinate, GL_TEXTURE_GEN_MODE, &mode);
        return mode;
    };
    auto plane = [](GLenum coordinate, GLenum which) {
        std::array<float, 4> value{};
        glGetTexGenfv(coordinate, which, value.data());
        return value;
    };
    auto gens = [] {
        return std::array<bool, 4>{glIsEnabled(GL_TEXTURE_GEN_S) == GL_TRUE, glIsEnabled(GL_TEXTURE_GEN_T) == GL_TRUE,
                                   glIsEnabled(GL_TEXTURE_GEN_R) == GL_TRUE, glIsEnabled(GL_TEXTURE_GEN_Q) == GL_TRUE};
    };
    using Gens = std::array<bool, 4>;

    p.texGenMode = TexGenSphere;
    image.bind(GL_TEXTURE0_ARB);
    EXPECT_EQ(genMode(GL_S), GL_SPHERE_MAP);
    EXPECT_EQ(genMode(GL_T), GL_SPHERE_MAP);
    EXPECT_EQ(gens(), (Gens{true, true, false, false}));
    image.unbind(GL_TEXTURE0_ARB);
    EXPECT_EQ(gens(), (Gens{false, false, false, false}));

    p.texGenMode = TexGenObject;
    p.planeS = {1, 2, 3, 4};
    p.planeQ = {0, 0, 5, 6};
    image.bind(GL_TEXTURE0_ARB);
    EXPECT_EQ(genMode(GL_S), GL_OBJECT_LINEAR);
    EXPECT_EQ(plane(GL_S, GL_OBJECT_PLANE), (std::array<float, 4>{1, 2, 3, 4}));
    EXPECT_EQ(plane(GL_Q, GL_OBJECT_PLANE), (std::array<float, 4>{0, 0, 5, 6}));
    EXPECT_EQ(gens(), (Gens{true, true, false, false}));
    image.unbind(GL_TEXTURE0_ARB);

    p.texGenMode = TexGenEye;
    image.bind(GL_TEXTURE0_ARB);
    EXPECT_EQ(genMode(GL_T), GL_EYE_LINEAR);
    EXPECT_EQ(plane(GL_S, GL_EYE_PLANE), (std::array<float, 4>{1, 2, 3, 4}));  // identity modelview
    image.unbind(GL_TEXTURE0_ARB);

    for (TexGenMode mode : {TexGenReflectionMap, TexGenNormalMap}) {
        p.texGenMode = mode;
        image.bind(GL_TEXTURE0_ARB);
        const GLint expected = mode == TexGenReflectionMap ? GL_REFLECTION_MAP_ARB : GL_NORMAL_MAP_ARB;
        EXPECT_EQ(genMode(GL_S), expected);
        EXPECT_EQ(genMode(GL_R), expected);
        EXPECT_EQ(gens(), (Gens{true, true, true, false}));
        image.unbind(GL_TEXTURE0_ARB);
        EXPECT_EQ(gens(), (Gens{false, false, false, false}));
    }

    // IGNORE leaves whatever generation is on; NONE switches it all off.
    glEnable(GL_TEXTURE_GEN_Q);
    p.texGenMode = TexGenIgnore;
    image.bind(GL_TEXTURE0_ARB);
    image.unbind(GL_TEXTURE0_ARB);
    EXPECT_EQ(gens(), (Gens{false, false, false, true}));
    p.texGenMode = TexGenNone;
    image.bind(GL_TEXTURE0_ARB);
    EXPECT_EQ(gens(), (Gens{false, false, false, false}));
    image.unbind(GL_TEXTURE0_ARB);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

// The FRONT_* modes take planes from the modelview matrix; OpenGL keeps an eye plane multiplied by the inverse
// of the modelview it was given under, so the planes read back are the plane times that inverse.
TEST_F(TextureUnits, FrontModesTakeTheirPlanesFromTheModelview) {
    Texture2D& image = addImage("front.tga", 0xFFFFFFFF);
    // modelview: scale (2, 4, 8) then translate (1, 2, 3); its inverse is easy to write down.
    const Matrix m = {2, 0, 0, 0, 0, 4, 0, 0, 0, 0, 8, 0, 1, 2, 3, 1};
    auto throughInverse = [](std::array<float, 4> p) {
        // p · M⁻¹ with M⁻¹ = scale (1/2, 1/4, 1/8) and translation (-1/2, -1/2, -3/8).
        return std::array<float, 4>{p[0] / 2, p[1] / 4, p[2] / 8, p[3] - p[0] / 2 - p[1] / 2 - p[2] * 3 / 8};
    };
    auto eyePlane = [](GLenum coordinate) {
        std::array<float, 4> value{};
        glGetTexGenfv(coordinate, GL_EYE_PLANE, value.data());
        return value;
    };
    auto expectPlane = [&](GLenum coordinate, std::array<float, 4> written, const char* what) {
        const auto expected = throughInverse(written);
        const auto actual = eyePlane(coordinate);
        for (int i = 0; i < 4; ++i) EXPECT_NEAR(actual[i], expected[i], 1e-5f) << what << " " << i;
    };
    glMatrixMode(GL_MODELVIEW);
    glLoadMatrixf(m.data());

    image.params().texGenMode = TexGenFrontXY;
    image.bind(GL_TEXTURE0_ARB);
    expectPlane(GL_S, {m[0], m[4], m[8], 1}, "XY S");
    expectPlane(GL_T, {m[1], m[5], m[9], 1}, "XY T");
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_R));
    image.unbind(GL_TEXTURE0_ARB);

    image.params().texGenMode = TexGenFrontXZ;
    image.bind(GL_TEXTURE0_ARB);
    expectPlane(GL_T, {m[2], m[6], m[10], 1}, "XZ T");
    image.unbind(GL_TEXTURE0_ARB);

    image.params().texGenMode = TexGenFrontYZ;
    image.bind(GL_TEXTURE0_ARB);
    expectPlane(GL_S, {m[1], m[5], m[9], m[13]}, "YZ S");
    expectPlane(GL_T, {m[2], m[6], m[10], m[14]}, "YZ T");
    image.unbind(GL_TEXTURE0_ARB);

    image.params().texGenMode = TexGenFrontXYZ;
    image.bind(GL_TEXTURE0_ARB);
    expectPlane(GL_S, {m[0], m[4], m[8], m[12]}, "XYZ S");
    expectPlane(GL_R, {m[2], m[6], m[10], m[14]}, "XYZ R");
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_GEN_R));
    image.unbind(GL_TEXTURE0_ARB);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_R));
    glLoadIdentity();
}

TEST_F(TextureUnits, FrontProjectsFromTheCurrentCamera) {
    Texture2D& image = addImage("projected.tga", 0xFFFFFFFF);
    image.params().texGenMode = TexGenFront;
    auto* camera = new TestCamera;
    ASSERT_TRUE(cameras.add(camera));

    ASSERT_TRUE(image.bind(GL_TEXTURE2_ARB));
    const Matrix bias = multiply(translation(0.5f, 0.5f, 0), scaling(0.5f, 0.5f, 1));
    const Matrix expected = multiply(multiply(bias, camera->projectionMatrix()), camera->viewMatrix());
    expectMatrix(textureMatrix(GL_TEXTURE2_ARB), expected, "projection");
    glActiveTextureARB(GL_TEXTURE2_ARB);
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
    for (GLenum gen : {GL_TEXTURE_GEN_S, GL_TEXTURE_GEN_T, GL_TEXTURE_GEN_R, GL_TEXTURE_GEN_Q})
        EXPECT_TRUE(glIsEnabled(gen));
    std::array<float, 4> q{};
    glGetTexGenfv(GL_Q, GL_EYE_PLANE, q.data());
    EXPECT_EQ(q, (std::array<float, 4>{0, 0, 0, 1}));
    image.unbind(GL_TEXTURE2_ARB);
    expectMatrix(textureMatrix(GL_TEXTURE2_ARB), identity(), "after unbind");
    glActiveTextureARB(GL_TEXTURE2_ARB);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_Q));
    glActiveTextureARB(GL_TEXTURE0_ARB);

    // Without a current camera only the bias is loaded.
    cameras.clear();
    image.bind(GL_TEXTURE0_ARB);
    expectMatrix(textureMatrix(GL_TEXTURE0_ARB), bias, "no camera");
    image.unbind(GL_TEXTURE0_ARB);
}

TEST_F(TextureUnits, WriterRoundTrip) {
    addImage("written.tga", 0xFFFFFFFF);
    TextureUnitState& state = readTextureBlock("Image \"written.tga\"\nTexUnit UNIT5\nCoordU {\n" + rampEnvelope(2, 1) +
                                               "RotateP {\n" + rampEnvelope(3, 2) + "ScaleR {\n" + rampEnvelope(4, 3));
    std::ostringstream out;
    state.write(out);
    const std::string text = out.str();
    EXPECT_EQ(text.rfind("\tTexture {\n\t\tImage\t\"written.tga\"\n\t\tTexUnit\tUNIT5\n\t\tTranslateS {\n", 0), 0u) << text;
    EXPECT_LT(text.find("\t\tRotateP {\n"), text.find("\t\tScaleR {\n"));
    EXPECT_EQ(text.substr(text.size() - 7), "\t\t}\n\t}\n");

    ShaderManager other;
    ASSERT_TRUE(test::parseScript(other, "Shader {\nName \"again\"\n" + text + "}\n"));
    const auto& back = test::onlyState<TextureUnitState>(other);
    EXPECT_EQ(back.image(), state.image());
    EXPECT_EQ(back.unit, state.unit);
    EXPECT_EQ(back.matrixFlags(), state.matrixFlags());
    for (int c = 0; c < textureMatrixChannelCount; ++c) {
        const auto channel = static_cast<TextureMatrixChannel>(c);
        ASSERT_EQ(back.envelope(channel) == nullptr, state.envelope(channel) == nullptr) << c;
        if (state.envelope(channel)) {
            EXPECT_FLOAT_EQ(back.envelope(channel)->evaluate(1.25f), state.envelope(channel)->evaluate(1.25f)) << c;
        }
    }
    other.clear();
}

}  // namespace
}  // namespace qv3rn
