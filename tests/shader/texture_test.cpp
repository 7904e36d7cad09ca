// texture_test.cpp -- Tests of the texture classes, the "Texture {" block and the texture units in a real context.
#include "shader/texture.h"

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "data/script_error.h"
#include "math/matrix_expectations.h"
#include "shader/shader_script_writer.h"
#include "shader/texture_2d.h"
#include "shader/texture_unit_state.h"
#include "shader_test_support.h"

namespace qv3rn {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Rgba = std::array<std::uint8_t, 4>;

// Expected texture matrices, made as glTranslate, glRotate and glScale make them; a * b applies a first.
const Mat4 identity;
Mat4 translation(float x, float y, float z) { return Mat4::translation({x, y, z}); }
Mat4 scaling(float x, float y, float z) { return Mat4::scaling({x, y, z}); }
Mat4 rotation(const Vec3& axis, float radians) { return Mat4::rotation(radians, axis); }

// An envelope field rising linearly from 0 at time 0 to `v` at time 2, as script text.
std::string ramp(const std::string& keyword, float v) {
    return keyword + " {\n{ Envelope\n2\nKey 0 0 3\nKey " + std::to_string(v) + " 2 3\n}\n}\n";
}

class TextureTest : public test::ShaderGLTest {
protected:
    // Level 0 of the 2D texture `name`, bound on unit 0, as RGBA bytes.
    static Bytes readBack(GLuint name) {
        glActiveTextureARB(GL_TEXTURE0);
        glBindTexture(GL_TEXTURE_2D, name);
        GLint width = 0, height = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
        Bytes rgba(static_cast<std::size_t>(width) * height * 4);
        TightPixelRows tight;
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
        return rgba;
    }

    // Draws the bound 2D texture over the whole viewport, texture row 0 at the top.
    static void drawTexturedQuad() {
        glColor4f(1, 1, 1, 1);
        glBegin(GL_QUADS);
        for (auto [x, y] : {std::pair{0, 0}, {1, 0}, {1, 1}, {0, 1}}) {
            glTexCoord2f(static_cast<float>(x), static_cast<float>(1 - y));
            glVertex2f(x * 2.0f - 1, y * 2.0f - 1);
        }
        glEnd();
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

// Top row red, green; bottom row blue, white.
std::unique_ptr<Texture2D> quadTexture() {
    auto texture = std::make_unique<Texture2D>();
    texture->allocate(2, 2, ImageFormat::Rgb);
    for (auto [x, y, rgb] : {std::tuple{0, 0, 0xFF0000u}, {1, 0, 0x00FF00u}, {0, 1, 0x0000FFu}, {1, 1, 0xFFFFFFu}})
        texture->setPixel(rgb, x, y);
    texture->params().magFilter = GL_NEAREST;
    texture->params().minFilter = GL_NEAREST;
    return texture;
}

TEST_F(TextureTest, FirstBindCreatesAndUploadsOnItsUnitAndTheQuadShowsRowZeroAtTheTop) {
    auto texture = quadTexture();
    EXPECT_FALSE(texture->hasName());  // nothing happens before the first bind
    ASSERT_TRUE(texture->bind(GL_TEXTURE3));
    EXPECT_EQ(test::glInteger(GL_ACTIVE_TEXTURE), GL_TEXTURE3);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    glActiveTextureARB(GL_TEXTURE0);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    texture->unbind(GL_TEXTURE3);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));

    ASSERT_TRUE(texture->bind(GL_TEXTURE0));
    drawTexturedQuad();
    for (auto [x, y, rgba] : {std::tuple{16, 48, Rgba{255, 0, 0, 255}}, {48, 48, Rgba{0, 255, 0, 255}},
                              {16, 16, Rgba{0, 0, 255, 255}}, {48, 16, Rgba{255, 255, 255, 255}}})  // top left first
        EXPECT_EQ(pixel(x, y), rgba) << x << ", " << y;
    ASSERT_TRUE(texture->unbind(GL_TEXTURE0));
}

TEST_F(TextureTest, CreateRefusesAValidNameBindMakesALostOneAgainAndUpdateReuploads) {
    auto texture = quadTexture();
    ASSERT_TRUE(texture->create());
    const GLuint first = texture->glId();
    EXPECT_FALSE(texture->create());  // a valid name is not made again
    glDeleteTextures(1, &first);      // as a lost context would
    ASSERT_TRUE(texture->bind(GL_TEXTURE0));
    EXPECT_TRUE(glIsTexture(texture->glId()));
    EXPECT_EQ(readBack(texture->glId())[4 * 3 + 2], 255);  // pixels uploaded again
    texture->setPixel(0x123456, 1, 1);
    ASSERT_TRUE(texture->update());  // a changed store uploaded again
    const Bytes back = readBack(texture->glId());
    EXPECT_EQ(Bytes(back.begin() + 12, back.end()), (Bytes{0x12, 0x34, 0x56, 255}));
    EXPECT_TRUE(texture->releaseGL());
    EXPECT_FALSE(texture->unbind(GL_TEXTURE0));  // nothing to unbind without a name
    EXPECT_FALSE(Texture2D().update());
}

TEST_F(TextureTest, EveryUncompressedFormatSamplesAsItsNameSaysAndOddRowsArriveUnsheared) {
    const struct {
        ImageFormat format;
        std::uint32_t value;
        Rgba rgba;  // what a quad drawn over white shows
    } cases[] = {{ImageFormat::Blue, 0x80, {0, 0, 0x80, 255}}, {ImageFormat::Alpha, 0x80, {255, 255, 255, 0x80}},
                 {ImageFormat::Intensity, 0x80, {0x80, 0x80, 0x80, 0x80}},
                 {ImageFormat::LuminanceAlpha, 0x8040, {0x80, 0x80, 0x80, 0x40}}};
    for (const auto& c : cases) {
        Texture2D texture;
        texture.allocate(1, 1, c.format);
        texture.setPixel(c.value, 0, 0);
        texture.params().magFilter = GL_NEAREST;  // GL_CLAMP with linear filtering would blend in the border
        ASSERT_TRUE(texture.bind(GL_TEXTURE0));
        glClear(GL_COLOR_BUFFER_BIT);
        drawTexturedQuad();
        texture.unbind(GL_TEXTURE0);
        EXPECT_EQ(pixel(32, 32), c.rgba) << formatName(c.format);
    }
    Texture2D bgra;  // BGRA stores upload with their bytes swapped into place
    bgra.attachPixels(1, 1, ImageFormat::Bgra, Bytes{0x30, 0x20, 0x10, 0x40});
    ASSERT_TRUE(bgra.create());
    EXPECT_EQ(readBack(bgra.glId()), (Bytes{0x10, 0x20, 0x30, 0x40}));

    Texture2D odd;  // 5 x 3 RGB rows are 15 bytes long: no 4-byte alignment may be assumed
    odd.allocate(5, 3, ImageFormat::Rgb);
    for (int i = 0; i < 15; ++i)
        odd.setPixel(static_cast<std::uint32_t>((i % 5 * 40) << 16 | (i / 5 * 100) << 8), i % 5, i / 5);
    ASSERT_TRUE(odd.create());
    const Bytes back = readBack(odd.glId());
    for (int i = 0; i < 15; ++i) {
        EXPECT_EQ(back[static_cast<std::size_t>(i) * 4], i % 5 * 40) << i;
        EXPECT_EQ(back[static_cast<std::size_t>(i) * 4 + 1], i / 5 * 100) << i;
    }
}

TEST(PowerOfTwoSquare, FollowsTheHalvingRuleCapsLargeImagesAndAveragesTheCoveredPixels) {
    auto squared = [](int width, int height, ImageFormat format = ImageFormat::Rgb) {
        Texture2D texture;
        texture.allocate(width, height, format);
        const bool result = texture.makePowerOfTwoSquare();
        return std::make_tuple(result, texture.width(), texture.height());
    };
    // An exact power of two halves; large images are capped instead of collapsing to 1 x 1.
    for (auto [w, h, side] : {std::tuple{300, 200, 256}, {256, 128, 128}, {4096, 16, 2048}})
        EXPECT_EQ(squared(w, h), std::make_tuple(true, side, side)) << w << " x " << h;
    EXPECT_FALSE(std::get<0>(squared(8, 4, ImageFormat::Unknown)));

    // 3 x 1 -> 2 x 2: each target pixel covers one and a half source pixels.
    Texture2D wide;
    wide.allocate(3, 1, ImageFormat::Luminance);
    for (int x = 0; x < 3; ++x) wide.setPixel(static_cast<std::uint32_t>(30 + 30 * x), x, 0);
    ASSERT_TRUE(wide.makePowerOfTwoSquare());
    EXPECT_EQ(wide.pixels().pixel(1, 1), 80u);  // (60 / 2 + 90) / 1.5, the one source row stretched over both
}

TEST_F(TextureTest, TheBlockBindsItsImageOnItsUnitAndGivesItBack) {
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

    manager.clear();  // the state gives its image back to the registry
    EXPECT_LT(image.references(), held);
    EXPECT_EQ(test::scriptError("Shader {\nName \"t\"\nTexture {\nImage \"missing.tga\"\n}\n}\n"),
              "4: unable to find image: missing.tga");
}

TEST_F(TextureTest, EnvelopesAnimateTheMatrixOfTheirUnitAlsoWhenWrittenAndReadBack) {
    addImage("ramp.tga", 0xFFFFFFFF);
    const float h = 0.5f, p = 0.25f, b = 1.5f;  // the values at time 1 of ramps to 1, 0.5 and 3
    struct Row { std::string fields; Mat4 expected; };
    const Row rows[] = {  // the Coord names are other spellings of TranslateS, TranslateT and RotateH
        {ramp("CoordU", 1) + ramp("TranslateT", 1) + ramp("TranslateR", 3), translation(0.5f, 0.5f, 1.5f)},
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
            EXPECT_TRUE(test::matricesNear(textureMatrix(GL_TEXTURE3_ARB), row.expected, 1e-4f)) << "unit 3";
            EXPECT_TRUE(test::matricesNear(textureMatrix(GL_TEXTURE0_ARB), identity, 1e-4f)) << "unit 0";
            each->end();
            EXPECT_TRUE(test::matricesNear(textureMatrix(GL_TEXTURE3_ARB), identity, 1e-4f)) << "unit 3 after end";
        }
    }
}

TEST_F(TextureTest, TheLockSuppressesBindAndMatrix) {
    addImage("still.tga", 0xFFFFFFFF);
    Shader& scaled = readShader(manager, "Image \"still.tga\"\n" + ramp("ScaleS", 10));
    test::setDemoTime(1);
    RenderStateLocks::setLocked(RenderStateKind::TextureUnit, true);
    scaled.begin();
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_TRUE(test::matricesNear(textureMatrix(GL_TEXTURE0_ARB), identity, 1e-4f)) << "locked";
    RenderStateLocks::setLocked(RenderStateKind::TextureUnit, false);
    scaled.begin();
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_TRUE(test::matricesNear(textureMatrix(GL_TEXTURE0_ARB), scaling(5, 1, 1), 1e-4f)) << "unlocked";
    scaled.end();
}

TEST_F(TextureTest, EnvironmentModesAndCombinersOnPixels) {
    Texture2D& image = addImage("red.tga", 0xFF000080);
    image.params().envColor = {1, 1, 0, 1};  // BLEND mixes the vertex colour towards it by the texture's colour
    const std::pair<GLenum, std::array<int, 3>> cases[] = {  // red texture, half alpha, blue vertex colour
        {GL_REPLACE, {255, 0, 0}}, {GL_DECAL, {128, 0, 127}}, {GL_BLEND, {255, 0, 255}}};
    for (const auto& [mode, expected] : cases) {
        image.params().envMode = mode;
        EXPECT_EQ(drawnWith(image, 0, 0, 1), expected) << std::hex << mode;
    }
    // (texture + colour - 0.5) * 2: red (1 + 0 - 0.5) * 2 = 1, green (0 + 0.25 - 0.5) → 0, blue (0 + 1 - 0.5) * 2 = 1
    TextureParams& p = image.params();
    p.envMode = GL_COMBINE_ARB;
    p.combineRGB = GL_ADD_SIGNED_ARB;
    p.sourceRGB = {GL_TEXTURE, GL_PRIMARY_COLOR_ARB, GL_CONSTANT_ARB};
    p.operandRGB = {GL_SRC_COLOR, GL_SRC_COLOR, GL_ONE_MINUS_SRC_ALPHA};
    p.scaleRGB = 2;
    EXPECT_EQ(drawnWith(image, 0, 0.25f, 1), (std::array<int, 3>{255, 0, 255}));
}

TEST_F(TextureTest, FrontProjectsFromTheCurrentCamera) {
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
    EXPECT_TRUE(test::matricesNear(textureMatrix(GL_TEXTURE2_ARB), view * projection * bias, 1e-4f)) << "projection";
    test::expectGL({{GL_MATRIX_MODE, {GL_MODELVIEW}},
                    {GL_TEXTURE_GEN_S, {1}}, {GL_TEXTURE_GEN_T, {1}}, {GL_TEXTURE_GEN_R, {1}}, {GL_TEXTURE_GEN_Q, {1}},
                    {GL_EYE_PLANE, {0, 0, 0, 1}, test::From::GenQ}},
                   "unit 2");
    image.unbind(GL_TEXTURE2_ARB);
    EXPECT_TRUE(test::matricesNear(textureMatrix(GL_TEXTURE2_ARB), identity, 1e-4f)) << "after unbind";
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_Q));
    glActiveTextureARB(GL_TEXTURE0_ARB);
}

}  // namespace
}  // namespace qv3rn
