// Tests of the texture classes in a real headless context: lazy creation, uploads read back and sampled, mipmaps,
// wrap codes and their fall-backs, rectangle and compressed images, cube maps, 1D and depth textures.
#include "shader/texture.h"

#include <GL/glu.h>
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "gl/extensions.h"
#include "shader/cube_map_texture.h"
#include "shader/depth_texture.h"
#include "shader/texture_1d.h"
#include "shader/texture_2d.h"
#include "shader/texture_unit_setup.h"
#include "support/gl_test_context.h"

namespace qv3rn {
namespace {

using Bytes = std::vector<std::uint8_t>;

class TextureTest : public test::GLTest {
protected:
    void SetUp() override {
        GLTest::SetUp();
        reportExtensions(*context);
        glGetError();
    }
    void TearDown() override {
        resetExtensions();
        GLTest::TearDown();
    }

    // Level `level` of the texture bound to `target` on unit 0, as RGBA bytes.
    static Bytes readBack(GLenum target, GLuint name, int level = 0, GLenum bindTarget = 0) {
        glActiveTextureARB(GL_TEXTURE0);
        glBindTexture(bindTarget ? bindTarget : target, name);
        GLint width = 0, height = 0;
        glGetTexLevelParameteriv(target, level, GL_TEXTURE_WIDTH, &width);
        glGetTexLevelParameteriv(target, level, GL_TEXTURE_HEIGHT, &height);
        Bytes rgba(static_cast<std::size_t>(width) * height * 4);
        TightPixelRows tight;
        glGetTexImage(target, level, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
        return rgba;
    }

    static GLint parameter(GLenum target, GLuint name, GLenum which) {
        glBindTexture(target, name);
        GLint value = 0;
        glGetTexParameteriv(target, which, &value);
        return value;
    }

    static GLint levelWidth(GLenum target, GLuint name, int level) {
        glBindTexture(target, name);
        GLint width = 0;
        glGetTexLevelParameteriv(target, level, GL_TEXTURE_WIDTH, &width);
        return width;
    }

    // Draws the unit square with the bound 2D texture over the whole viewport, texture row 0 at the top.
    static void drawTexturedQuad() {
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(0, 1, 0, 1, -1, 1);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glColor4f(1, 1, 1, 1);
        glBegin(GL_QUADS);
        glTexCoord2f(0, 1);
        glVertex2f(0, 0);
        glTexCoord2f(1, 1);
        glVertex2f(1, 0);
        glTexCoord2f(1, 0);
        glVertex2f(1, 1);
        glTexCoord2f(0, 0);
        glVertex2f(0, 1);
        glEnd();
    }

    static std::array<std::uint8_t, 4> rgba(int r, int g, int b, int a) {
        return {static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(g), static_cast<std::uint8_t>(b),
                static_cast<std::uint8_t>(a)};
    }
};

// Top row red, green; bottom row blue, white.
std::unique_ptr<Texture2D> quadTexture(ImageFormat format = ImageFormat::Rgb) {
    auto texture = std::make_unique<Texture2D>();
    texture->allocate(2, 2, format);
    texture->setPixel(0xFF0000, 0, 0);
    texture->setPixel(0x00FF00, 1, 0);
    texture->setPixel(0x0000FF, 0, 1);
    texture->setPixel(0xFFFFFF, 1, 1);
    texture->params().magFilter = GL_NEAREST;
    texture->params().minFilter = GL_NEAREST;
    return texture;
}

TEST_F(TextureTest, FirstBindCreatesAndUploadsAndTheQuadShowsRowZeroAtTheTop) {
    auto texture = quadTexture();
    EXPECT_FALSE(texture->hasName());  // nothing happens before the first bind

    ASSERT_TRUE(texture->bind(GL_TEXTURE0));
    ASSERT_TRUE(texture->hasName());
    EXPECT_TRUE(glIsTexture(texture->glId()));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    drawTexturedQuad();
    EXPECT_EQ(pixel(16, 48), rgba(255, 0, 0, 255));  // top left
    EXPECT_EQ(pixel(48, 48), rgba(0, 255, 0, 255));
    EXPECT_EQ(pixel(16, 16), rgba(0, 0, 255, 255));
    EXPECT_EQ(pixel(48, 16), rgba(255, 255, 255, 255));

    ASSERT_TRUE(texture->unbind(GL_TEXTURE0));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(TextureTest, CreateRefusesAValidNameAndBindMakesALostOneAgain) {
    auto texture = quadTexture();
    ASSERT_TRUE(texture->create());
    const GLuint first = texture->glId();
    EXPECT_FALSE(texture->create());  // a valid name is not made again

    glDeleteTextures(1, &first);  // as a lost context would
    ASSERT_FALSE(glIsTexture(first));
    ASSERT_TRUE(texture->bind(GL_TEXTURE0));
    EXPECT_TRUE(glIsTexture(texture->glId()));
    EXPECT_EQ(readBack(GL_TEXTURE_2D, texture->glId())[4 * 3 + 2], 255);  // pixels uploaded again

    EXPECT_TRUE(texture->releaseGL());
    EXPECT_FALSE(texture->hasName());
    EXPECT_FALSE(texture->releaseGL());
    EXPECT_FALSE(texture->unbind(GL_TEXTURE0));  // nothing to unbind without a name
}

TEST_F(TextureTest, BindingOnAUnitSelectsAndEnablesThatUnitOnly) {
    auto texture = quadTexture();
    ASSERT_TRUE(texture->bind(GL_TEXTURE3));
    GLint active = 0;
    glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
    EXPECT_EQ(active, GL_TEXTURE3);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    glActiveTextureARB(GL_TEXTURE0);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    texture->unbind(GL_TEXTURE3);
    glActiveTextureARB(GL_TEXTURE3);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
}

// Records what bind and unbind ask of the texture units, with the binding that is current at that moment.
struct RecordingSetup : TextureUnitSetup {
    struct Call {
        bool setup;
        GLenum target, unit, envMode;
        GLint boundName;
        bool enabled;
    };
    void setup(const TextureParams& params, GLenum target, GLenum unit) override { record(true, params, target, unit); }
    void reset(const TextureParams& params, GLenum target, GLenum unit) override { record(false, params, target, unit); }
    void record(bool isSetup, const TextureParams& params, GLenum target, GLenum unit) {
        GLint bound = 0;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
        calls.push_back({isSetup, target, unit, params.envMode, bound, glIsEnabled(target) == GL_TRUE});
    }
    std::vector<Call> calls;
};

TEST_F(TextureTest, BindAndUnbindRunTheInstalledUnitSetupWithTheImageParameters) {
    RecordingSetup recorder;
    installTextureUnitSetup(&recorder);
    auto texture = quadTexture();
    texture->params().envMode = GL_DECAL;
    ASSERT_TRUE(texture->bind(GL_TEXTURE2));
    texture->unbind(GL_TEXTURE2);
    installTextureUnitSetup(nullptr);

    // create's own unbind on unit 0, then the bind on unit 2 and its unbind.
    ASSERT_EQ(recorder.calls.size(), 3u);
    EXPECT_FALSE(recorder.calls[0].setup);
    EXPECT_EQ(recorder.calls[0].unit, static_cast<GLenum>(GL_TEXTURE0));
    EXPECT_TRUE(recorder.calls[1].setup);
    EXPECT_EQ(recorder.calls[1].unit, static_cast<GLenum>(GL_TEXTURE2));
    EXPECT_EQ(recorder.calls[1].target, static_cast<GLenum>(GL_TEXTURE_2D));
    EXPECT_EQ(recorder.calls[1].envMode, static_cast<GLenum>(GL_DECAL));
    EXPECT_EQ(recorder.calls[1].boundName, static_cast<GLint>(texture->glId()));  // after glBindTexture
    EXPECT_TRUE(recorder.calls[1].enabled);
    EXPECT_FALSE(recorder.calls[2].setup);
    EXPECT_TRUE(recorder.calls[2].enabled);  // reset runs before the target is disabled
}

TEST_F(TextureTest, AMipmapFilterBuildsMipmapsAndAPlainOneDoesNot) {
    auto plain = quadTexture();
    plain->params().minFilter = GL_LINEAR;
    auto mipmapped = quadTexture();
    mipmapped->params().minFilter = GL_LINEAR_MIPMAP_LINEAR;
    ASSERT_TRUE(plain->create());
    ASSERT_TRUE(mipmapped->create());
    EXPECT_EQ(levelWidth(GL_TEXTURE_2D, plain->glId(), 1), 0);
    EXPECT_EQ(levelWidth(GL_TEXTURE_2D, mipmapped->glId(), 1), 1);
    EXPECT_EQ(parameter(GL_TEXTURE_2D, mipmapped->glId(), GL_TEXTURE_MIN_FILTER), GL_LINEAR_MIPMAP_LINEAR);
    // The 1 x 1 level is the average of the four texels.
    const Bytes level1 = readBack(GL_TEXTURE_2D, mipmapped->glId(), 1);
    EXPECT_NEAR(level1[0], (255 + 255) / 4.0, 1.5);
    EXPECT_NEAR(level1[2], (255 + 255) / 4.0, 1.5);
}

TEST_F(TextureTest, ParametersReachTheDriver) {
    auto texture = quadTexture();
    texture->params().priority = 0.25f;
    texture->params().borderColor = {0.5f, 0.25f, 1.0f, 0.0f};
    texture->params().magFilter = GL_LINEAR;
    texture->params().minFilter = GL_NEAREST_MIPMAP_NEAREST;
    ASSERT_TRUE(texture->create());
    glBindTexture(GL_TEXTURE_2D, texture->glId());
    GLfloat priority = 0, border[4] = {};
    glGetTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_PRIORITY, &priority);
    glGetTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_BORDER_COLOR, border);
    EXPECT_FLOAT_EQ(priority, 0.25f);
    EXPECT_FLOAT_EQ(border[0], 0.5f);
    EXPECT_FLOAT_EQ(border[2], 1.0f);
    EXPECT_EQ(parameter(GL_TEXTURE_2D, texture->glId(), GL_TEXTURE_MAG_FILTER), GL_LINEAR);
    EXPECT_EQ(parameter(GL_TEXTURE_2D, texture->glId(), GL_TEXTURE_MIN_FILTER), GL_NEAREST_MIPMAP_NEAREST);
}

struct WrapCase {
    std::int32_t code;
    GLint s, t, r;  // what reads back (GL_REPEAT is OpenGL's default for an axis a code leaves alone)
};

std::vector<WrapCase> wrapTable(GLint border, GLint edge) {
    const GLint clamp = GL_CLAMP, repeat = GL_REPEAT;
    return {
        {0, clamp, repeat, repeat},   {1, repeat, clamp, repeat},   {2, repeat, repeat, repeat},
        {3, repeat, repeat, repeat},  {4, border, repeat, repeat},  {5, repeat, border, repeat},
        {6, edge, repeat, repeat},    {7, repeat, edge, repeat},    {8, clamp, clamp, repeat},
        {9, clamp, clamp, clamp},     {10, clamp, repeat, repeat},  {11, repeat, clamp, repeat},
        {12, repeat, repeat, repeat}, {13, repeat, repeat, repeat}, {14, border, border, repeat},
        {15, border, border, border}, {16, edge, edge, repeat},     {17, edge, edge, edge},
    };
}

void checkWrapCodes(const std::vector<WrapCase>& table, const char* what) {
    for (const WrapCase& c : table) {
        Texture2D texture;
        texture.allocate(1, 1, ImageFormat::Rgb);
        texture.params().wrap = c.code;
        ASSERT_TRUE(texture.create());
        glBindTexture(GL_TEXTURE_2D, texture.glId());
        GLint s = 0, t = 0, r = 0;
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &s);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &t);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_R, &r);
        EXPECT_EQ(s, c.s) << what << ", code " << c.code;
        EXPECT_EQ(t, c.t) << what << ", code " << c.code;
        EXPECT_EQ(r, c.r) << what << ", code " << c.code;
    }
}

TEST_F(TextureTest, WrapCodesSetTheirAxesAndFallBackToClampWithoutTheExtensions) {
    ASSERT_TRUE(GL_ARB_texture_border_clamp_Flag);
    ASSERT_TRUE(GL_EXT_texture_edge_clamp_Flag);
    checkWrapCodes(wrapTable(GL_CLAMP_TO_BORDER, GL_CLAMP_TO_EDGE), "with extensions");

    GL_ARB_texture_border_clamp_Flag = false;
    GL_EXT_texture_edge_clamp_Flag = false;
    checkWrapCodes(wrapTable(GL_CLAMP, GL_CLAMP), "without extensions");
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(TextureTest, RectangleImagesUploadPlainAndAvoidParametersTheyCannotTake) {
    Texture2D texture(GL_TEXTURE_RECTANGLE_ARB);
    texture.allocate(3, 2, ImageFormat::Rgba);
    texture.setPixel(0x11223344, 2, 1);
    texture.params().minFilter = GL_LINEAR_MIPMAP_LINEAR;
    texture.params().wrap = WrapRepeatST;
    ASSERT_TRUE(texture.bind(GL_TEXTURE0));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_RECTANGLE_ARB));
    EXPECT_EQ(parameter(GL_TEXTURE_RECTANGLE_ARB, texture.glId(), GL_TEXTURE_MIN_FILTER), GL_LINEAR);
    EXPECT_EQ(parameter(GL_TEXTURE_RECTANGLE_ARB, texture.glId(), GL_TEXTURE_WRAP_S), GL_CLAMP_TO_EDGE);
    const Bytes back = readBack(GL_TEXTURE_RECTANGLE_ARB, texture.glId());
    ASSERT_EQ(back.size(), 3u * 2 * 4);
    EXPECT_EQ(Bytes(back.end() - 4, back.end()), (Bytes{0x11, 0x22, 0x33, 0x44}));
    texture.unbind(GL_TEXTURE0);
}

TEST_F(TextureTest, RowsOfOddLengthArriveUnsheared) {
    Texture2D texture;
    texture.allocate(5, 3, ImageFormat::Rgb);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) texture.setPixel(static_cast<std::uint32_t>((x * 40) << 16 | (y * 100) << 8 | 7), x, y);
    ASSERT_TRUE(texture.create());
    const Bytes back = readBack(GL_TEXTURE_2D, texture.glId());
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) {
            const std::uint8_t* p = &back[(y * 5 + x) * 4];
            EXPECT_EQ(p[0], x * 40) << x << ", " << y;
            EXPECT_EQ(p[1], y * 100) << x << ", " << y;
        }
}

TEST_F(TextureTest, EveryUncompressedFormatSamplesAsItsNameSays) {
    struct Case {
        ImageFormat format;
        std::uint32_t value;
        std::array<int, 4> rgba;  // what a quad drawn with GL_REPLACE over white shows
    };
    const Case cases[] = {
        {ImageFormat::Red, 0x80, {0x80, 0, 0, 255}},
        {ImageFormat::Green, 0x80, {0, 0x80, 0, 255}},
        {ImageFormat::Blue, 0x80, {0, 0, 0x80, 255}},
        {ImageFormat::Alpha, 0x80, {255, 255, 255, 0x80}},
        {ImageFormat::Luminance, 0x80, {0x80, 0x80, 0x80, 255}},
        {ImageFormat::Intensity, 0x80, {0x80, 0x80, 0x80, 0x80}},
        {ImageFormat::LuminanceAlpha, 0x8040, {0x80, 0x80, 0x80, 0x40}},
        {ImageFormat::Rgb, 0x102030, {0x10, 0x20, 0x30, 255}},
        {ImageFormat::Rgba, 0x10203040, {0x10, 0x20, 0x30, 0x40}},
    };
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    for (const Case& c : cases) {
        Texture2D texture;
        texture.allocate(1, 1, c.format);
        texture.setPixel(c.value, 0, 0);
        texture.params().magFilter = GL_NEAREST;  // GL_CLAMP with linear filtering would blend in the border
        ASSERT_TRUE(texture.bind(GL_TEXTURE0));
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)) << formatName(c.format);
        glClear(GL_COLOR_BUFFER_BIT);
        drawTexturedQuad();
        texture.unbind(GL_TEXTURE0);
        const auto seen = pixel(32, 32);
        for (int i = 0; i < 4; ++i) EXPECT_EQ(seen[i], c.rgba[i]) << formatName(c.format) << " channel " << i;
    }
    // BGR(A) stores upload with their bytes swapped into place.
    Texture2D bgra;
    bgra.attachPixels(1, 1, ImageFormat::Bgra, Bytes{0x30, 0x20, 0x10, 0x40});
    ASSERT_TRUE(bgra.create());
    EXPECT_EQ(readBack(GL_TEXTURE_2D, bgra.glId()), (Bytes{0x10, 0x20, 0x30, 0x40}));
    Texture2D bgr;
    bgr.attachPixels(1, 1, ImageFormat::Bgr, Bytes{0x30, 0x20, 0x10});
    ASSERT_TRUE(bgr.create());
    EXPECT_EQ(readBack(GL_TEXTURE_2D, bgr.glId()), (Bytes{0x10, 0x20, 0x30, 0xFF}));
}

TEST_F(TextureTest, UpdateReuploadsTheChangedStore) {
    auto texture = quadTexture();
    ASSERT_TRUE(texture->create());
    texture->setPixel(0x123456, 1, 1);
    ASSERT_TRUE(texture->update());
    const Bytes back = readBack(GL_TEXTURE_2D, texture->glId());
    EXPECT_EQ(Bytes(back.begin() + 12, back.end()), (Bytes{0x12, 0x34, 0x56, 255}));

    Texture2D empty;
    EXPECT_FALSE(empty.update());
}

TEST_F(TextureTest, ADxt1ImageOfFiveByFiveUploadsThirtyTwoBytes) {
    ASSERT_TRUE(GL_EXT_texture_compression_s3tc_Flag);
    Texture2D texture;
    EXPECT_FALSE(texture.attachPixels(5, 5, ImageFormat::CompressedRgbaDxt1, Bytes(31)));
    // Four blocks, each colour0 = colour1 = pure red (RGB565 0xF800), all indices 0.
    Bytes blocks;
    for (int i = 0; i < 4; ++i) blocks.insert(blocks.end(), {0x00, 0xF8, 0x00, 0xF8, 0, 0, 0, 0});
    ASSERT_TRUE(texture.attachPixels(5, 5, ImageFormat::CompressedRgbaDxt1, blocks));
    texture.params().minFilter = GL_LINEAR_MIPMAP_LINEAR;  // S3TC images are minified from their one level
    ASSERT_TRUE(texture.create());
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    glBindTexture(GL_TEXTURE_2D, texture.glId());
    GLint size = 0, compressed = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_COMPRESSED_IMAGE_SIZE, &size);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_COMPRESSED, &compressed);
    EXPECT_EQ(size, 32);
    EXPECT_EQ(compressed, GL_TRUE);
    EXPECT_EQ(parameter(GL_TEXTURE_2D, texture.glId(), GL_TEXTURE_MIN_FILTER), GL_LINEAR);
    const Bytes back = readBack(GL_TEXTURE_2D, texture.glId());
    EXPECT_EQ(Bytes(back.begin(), back.begin() + 4), (Bytes{255, 0, 0, 255}));
    EXPECT_FALSE(texture.makePowerOfTwoSquare());
    EXPECT_FALSE(texture.update());
}

TEST(PowerOfTwoSquare, FollowsTheHalvingRuleAndCapsLargeImages) {
    auto squared = [](int width, int height, ImageFormat format = ImageFormat::Rgb) {
        Texture2D texture;
        texture.allocate(width, height, format);
        const bool result = texture.makePowerOfTwoSquare();
        return std::make_tuple(result, texture.width(), texture.height());
    };
    EXPECT_EQ(squared(300, 200), std::make_tuple(true, 256, 256));
    EXPECT_EQ(squared(256, 128), std::make_tuple(true, 128, 128));  // an exact power of two halves
    EXPECT_EQ(squared(64, 64), std::make_tuple(true, 64, 64));
    EXPECT_EQ(squared(300, 300), std::make_tuple(true, 256, 256));
    EXPECT_EQ(squared(2, 1), std::make_tuple(true, 1, 1));
    EXPECT_EQ(squared(2048, 2048), std::make_tuple(true, 2048, 2048));
    EXPECT_EQ(squared(4096, 16), std::make_tuple(true, 2048, 2048));  // capped instead of collapsing to 1 x 1
    EXPECT_EQ(squared(3000, 3000, ImageFormat::Alpha), std::make_tuple(true, 2048, 2048));
    EXPECT_EQ(std::get<0>(squared(8, 4, ImageFormat::Unknown)), false);
    EXPECT_EQ(powerOfTwoSide(2049), 2048);
    EXPECT_EQ(powerOfTwoSide(513), 512);
    EXPECT_EQ(powerOfTwoSide(512), 256);
}

TEST(PowerOfTwoSquare, AveragesTheCoveredPixels) {
    Texture2D texture;
    texture.allocate(4, 2, ImageFormat::Rgba);
    for (int x = 0; x < 4; ++x) {
        texture.setPixel(x < 2 ? 0xFF000080u : 0x0000FF00u, x, 0);
        texture.setPixel(x < 2 ? 0xFF000080u : 0x0000FF00u, x, 1);
    }
    ASSERT_TRUE(texture.makePowerOfTwoSquare());  // 4 x 2 -> 2 x 2
    ASSERT_EQ(texture.width(), 2);
    EXPECT_EQ(texture.pixels().pixel(0, 0), 0xFF000080u);
    EXPECT_EQ(texture.pixels().pixel(1, 1), 0x0000FF00u);

    // 3 x 1 -> 2 x 2: each target pixel covers one and a half source pixels.
    Texture2D wide;
    wide.allocate(3, 1, ImageFormat::Luminance);
    wide.setPixel(30, 0, 0);
    wide.setPixel(60, 1, 0);
    wide.setPixel(90, 2, 0);
    ASSERT_TRUE(wide.makePowerOfTwoSquare());
    ASSERT_EQ(wide.height(), 2);
    EXPECT_EQ(wide.pixels().pixel(0, 0), 40u);  // (30 + 60 / 2) / 1.5
    EXPECT_EQ(wide.pixels().pixel(1, 0), 80u);  // (60 / 2 + 90) / 1.5
    EXPECT_EQ(wide.pixels().pixel(1, 1), 80u);  // the one source row stretched over both
}

TEST(CubeMapFaces, NamesTakeTheSuffixBeforeTheFirstDot) {
    const char* expected[] = {"env_pos_x.png", "env_neg_x.png", "env_pos_y.png",
                              "env_neg_y.png", "env_pos_z.png", "env_neg_z.png"};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(cubeMapFaceName("env.png", i), expected[i]);
    EXPECT_EQ(cubeMapFaceName("sky.v2.tga", 1), "sky_neg_x.v2.tga");
    EXPECT_EQ(cubeMapFaceName("sky", 5), "sky_neg_z");
}

TEST_F(TextureTest, CubeMapsUploadTheirSixFacesInOrder) {
    std::vector<std::unique_ptr<Texture2D>> faces;
    CubeMapTexture cube;
    for (int i = 0; i < 6; ++i) {
        faces.push_back(std::make_unique<Texture2D>());
        faces.back()->allocate(2, 2, ImageFormat::Rgb);
        for (int p = 0; p < 4; ++p) faces.back()->setPixel(static_cast<std::uint32_t>(0x100000 * (i + 1)), p % 2, p / 2);
        cube.setFace(i, faces.back().get());
    }
    cube.params().minFilter = GL_LINEAR_MIPMAP_LINEAR;
    ASSERT_TRUE(cube.bind(GL_TEXTURE0));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_CUBE_MAP));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    for (int i = 0; i < 6; ++i) {
        const Bytes face = readBack(GL_TEXTURE_CUBE_MAP_POSITIVE_X + i, cube.glId(), 0, GL_TEXTURE_CUBE_MAP);
        ASSERT_EQ(face.size(), 16u) << i;
        EXPECT_EQ(face[0], 0x10 * (i + 1)) << "face " << i;
        EXPECT_EQ(readBack(GL_TEXTURE_CUBE_MAP_POSITIVE_X + i, cube.glId(), 1, GL_TEXTURE_CUBE_MAP).size(), 4u)
            << "mipmap level of face " << i;
    }
    cube.unbind(GL_TEXTURE0);
}

TEST_F(TextureTest, OneDimensionalImagesUploadPlainOrMipmapped) {
    Texture1D ramp;
    ramp.allocate(4, ImageFormat::Alpha);
    for (int x = 0; x < 4; ++x) ramp.setPixel(static_cast<std::uint32_t>(x * 80), x);
    ASSERT_TRUE(ramp.create());
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    Bytes back = readBack(GL_TEXTURE_1D, ramp.glId());
    ASSERT_EQ(back.size(), 16u);
    EXPECT_EQ(back[3], 0);
    EXPECT_EQ(back[15], 240);  // ALPHA stays alpha (a bare component count would make it luminance)
    EXPECT_EQ(levelWidth(GL_TEXTURE_1D, ramp.glId(), 1), 0);

    Texture1D mipmapped;
    mipmapped.allocate(4, ImageFormat::Rgb);
    mipmapped.params().minFilter = GL_NEAREST_MIPMAP_LINEAR;
    ASSERT_TRUE(mipmapped.create());
    EXPECT_EQ(levelWidth(GL_TEXTURE_1D, mipmapped.glId(), 2), 1);
}

TEST_F(TextureTest, DepthTexturesCopyTheFramebufferDepth) {
    DepthTexture shadow(GL_DEPTH_COMPONENT24);
    EXPECT_EQ(shadow.format(), ImageFormat::DepthComponent);
    EXPECT_EQ(shadow.params().magFilter, static_cast<GLenum>(GL_NEAREST));
    ASSERT_TRUE(shadow.allocate(16, 16, ImageFormat::DepthComponent));
    ASSERT_TRUE(shadow.create());
    EXPECT_EQ(parameter(GL_TEXTURE_2D, shadow.glId(), GL_DEPTH_TEXTURE_MODE), GL_INTENSITY);
    EXPECT_EQ(parameter(GL_TEXTURE_2D, shadow.glId(), GL_TEXTURE_WRAP_S), GL_CLAMP_TO_EDGE);
    glBindTexture(GL_TEXTURE_2D, shadow.glId());
    GLint internal = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &internal);
    EXPECT_EQ(internal, GL_DEPTH_COMPONENT24);

    glClearDepth(0.25);
    glClear(GL_DEPTH_BUFFER_BIT);
    ASSERT_TRUE(shadow.copyFromFramebuffer(0, 0, 0, 0, 16, 16));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    std::vector<float> depth(16 * 16);
    glBindTexture(GL_TEXTURE_2D, shadow.glId());
    glGetTexImage(GL_TEXTURE_2D, 0, GL_DEPTH_COMPONENT, GL_FLOAT, depth.data());
    EXPECT_NEAR(depth[0], 0.25f, 1e-3f);
    EXPECT_NEAR(depth[255], 0.25f, 1e-3f);

    ASSERT_TRUE(shadow.bind(GL_TEXTURE1));
    GLint mode = 0;
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &mode);
    EXPECT_EQ(mode, GL_MODULATE);
    EXPECT_TRUE(shadow.unbind(GL_TEXTURE1));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST(TextureParameters, DefaultsAreTheDocumentedOnesAndCopyWhole) {
    TextureParams params;
    EXPECT_EQ(params.priority, 1.0f);
    EXPECT_EQ(params.envMode, static_cast<GLenum>(GL_MODULATE));
    EXPECT_EQ(params.wrap, WrapClampST);
    EXPECT_EQ(params.minFilter, static_cast<GLenum>(GL_LINEAR));
    EXPECT_EQ(params.planeQ, (std::array<float, 4>{0, 0, 0, 1}));
    EXPECT_EQ(params.sourceRGB[2], static_cast<GLenum>(GL_CONSTANT_ARB));
    EXPECT_EQ(params.operandAlpha[1], static_cast<GLenum>(GL_SRC_ALPHA));
    EXPECT_EQ(params.scaleAlpha, 1);

    Texture2D texture;
    TextureParams changed;
    changed.scaleRGB = 4;
    changed.planeT[3] = 7.0f;
    texture.setParams(changed);
    EXPECT_EQ(texture.params(), changed);
}

}  // namespace
}  // namespace qv3rn
