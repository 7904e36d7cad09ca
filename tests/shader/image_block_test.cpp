// Tests of the "Image {" block and its "State {", "Apply {" and "Envmap {" sub-blocks: keyword order, value names
// and defaults, cube-map faces, the error messages, and images written as text and read back.
#include "shader/image_block.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <stdexcept>

#include "gl/extensions.h"
#include "image/image_samples.h"
#include "shader/cube_map_texture.h"
#include "shader/depth_texture.h"
#include "shader/image_registry.h"
#include "shader/texture_2d.h"
#include "shader/texture_state_block.h"
#include "support/gl_test_context.h"

namespace qv3rn {
namespace {

using test::Bytes;

Bytes smallTga(int width = 2, int height = 2) {
    test::TgaLayout layout;
    layout.width = static_cast<std::uint16_t>(width);
    layout.height = static_cast<std::uint16_t>(height);
    layout.data = Bytes(static_cast<std::size_t>(width) * height * 3, 0x40);
    return test::tgaFile(layout);
}

void writeArt(const std::string& name, const Bytes& bytes = smallTga()) {
    std::filesystem::create_directories("blocks/art");
    test::writeFile("blocks/art/" + name, bytes);
}

// Runs the image block reader over `text` (the lines after "Image {").
class ImageBlockTest : public ::testing::Test {
protected:
    void SetUp() override {
        resetExtensions();
        registry.registerDefaults();
        registry.addSearchPath("blocks\\art\\");
    }
    void TearDown() override { resetExtensions(); }

    bool read(const std::string& text) {
        std::istringstream stream(text);
        ScriptParser parser;
        return readImageBlock(parser, stream, registry);
    }
    static std::string errorOf(const std::function<void()>& action) {
        try {
            action();
        } catch (const std::runtime_error& error) {
            return error.what();
        }
        return "no error";
    }

    ImageRegistry registry;
};

TEST_F(ImageBlockTest, WithoutTypeAndFormatAnImageLoadsAsTwoDimensionalRgb) {
    writeArt("plain.tga", smallTga(4, 2));
    ASSERT_TRUE(read("\tName\t\"plain.tga\"\n\tInfo\tsomething said about it\n}\n"));
    Handle<Texture> image = registry.find("plain.tga");
    ASSERT_TRUE(image);
    EXPECT_EQ(image->target(), static_cast<GLenum>(GL_TEXTURE_2D));
    EXPECT_EQ(image->format(), ImageFormat::Rgb);
    EXPECT_EQ(dynamic_cast<Texture2D*>(image.get())->width(), 2);  // 4 x 2 made a square power of two
    EXPECT_EQ(image->params(), TextureParams());
}

TEST_F(ImageBlockTest, TypeAndFormatNamesAreTestedInTheirOrder) {
    writeArt("names.tga");
    GL_EXT_texture_rectangle_Flag = true;
    ASSERT_TRUE(read("Type RECT_2D\nFormat LUMINANCE_ALPHA\nName \"names.tga\"\nAlias \"first\"\n}\n"));
    Handle<Texture> first = registry.find("first");
    ASSERT_TRUE(first);
    EXPECT_EQ(first->target(), static_cast<GLenum>(GL_TEXTURE_RECTANGLE_ARB));  // not 2D
    EXPECT_EQ(first->format(), ImageFormat::LuminanceAlpha);                     // not ALPHA or LUMINANCE

    ASSERT_TRUE(read("Type\t1D\nFormat\tRGBA\nName \"names.tga\"\nAlias \"second\"\n}\n"));
    Handle<Texture> second = registry.find("second");
    ASSERT_TRUE(second);
    EXPECT_EQ(second->target(), static_cast<GLenum>(GL_TEXTURE_1D));
    EXPECT_EQ(second->format(), ImageFormat::Rgba);

    // A Format line with no known name keeps the format; a Type line with none ends the block with false.
    ASSERT_TRUE(read("Format SEPIA\nName \"names.tga\"\nAlias \"third\"\n}\n"));
    EXPECT_EQ(registry.find("third")->format(), ImageFormat::Rgb);
    const std::size_t listed = registry.images().size();
    EXPECT_FALSE(read("Type 3D\nName \"names.tga\"\n}\n"));
    EXPECT_EQ(registry.images().size(), listed);  // nothing after the Type line was read
}

TEST_F(ImageBlockTest, ErrorsCarryTheFormatsMessages) {
    EXPECT_EQ(errorOf([&] { read("Name \"absent.tga\"\n}\n"); }), "PARSE ERROR! Image not loaded absent.tga");
    EXPECT_EQ(errorOf([&] { read("Size 4\n}\n"); }), "PARSE ERROR! Unknown Image Token");
    writeArt("ok.tga");
    EXPECT_EQ(errorOf([&] { read("Name \"ok.tga\"\nState {\nShininess 4\n}\n}\n"); }),
              "PARSE ERROR! Unknown State Token");
    EXPECT_EQ(errorOf([&] { read("Name \"ok.tga\"\nState {\nApply {\nMix TEXTURE\n}\n}\n}\n"); }),
              "PARSE ERROR! Unknown Apply Token");
    EXPECT_EQ(errorOf([&] { read("Name \"ok.tga\"\nState {\nEnvmap {\nPlaneU 1 2 3 4\n}\n}\n}\n"); }),
              "PARSE ERROR! Unknown Envmap Token");
}

TEST_F(ImageBlockTest, AliasAndStateBeforeTheNameAreIgnoredAndTheHoldEndsAtTheBrace) {
    writeArt("late.tga");
    ASSERT_TRUE(read("Alias \"early\"\nState {\nPriority 0.5\n}\nName \"late.tga\"\n; a comment line\n}\n"));
    Handle<Texture> image = registry.find("late.tga");
    ASSERT_TRUE(image);
    EXPECT_EQ(image->alias(), "");
    EXPECT_EQ(image->params().priority, 1.0f);
    EXPECT_EQ(image->references(), 1 + 2);  // the registry's and this lookup's: the block let go at "}"

    // A file that ends inside the block ends the block without an error.
    writeArt("open.tga");
    EXPECT_TRUE(read("Name \"open.tga\"\nAlias \"still open\""));
    EXPECT_TRUE(registry.find("still open"));
}

TEST_F(ImageBlockTest, StateLinesFillTheParameters) {
    writeArt("state.tga");
    ASSERT_TRUE(read(R"(Name "state.tga"
State {
	Priority 0.75
	BorderColor 0.1 0.2 0.3 0.4
	BlendColor 1 0.5 0.25
	Wrap CLAMP_EDGE_S_CLAMP_EDGE_T
	Filter NEAREST
	Mipmap LINEAR_LINEAR
}
}
)"));
    const TextureParams& p = registry.find("state.tga")->params();
    EXPECT_FLOAT_EQ(p.priority, 0.75f);
    EXPECT_EQ(p.borderColor, (std::array<float, 4>{0.1f, 0.2f, 0.3f, 0.4f}));
    EXPECT_EQ(p.envColor, (std::array<float, 4>{1.0f, 0.5f, 0.25f, 0.0f}));  // a missing fourth value stays
    EXPECT_EQ(p.wrap, WrapClampEdgeST);
    EXPECT_EQ(p.magFilter, static_cast<GLenum>(GL_NEAREST));
    EXPECT_EQ(p.minFilter, static_cast<GLenum>(GL_LINEAR_MIPMAP_LINEAR));
}

// Reads a "State {" body on its own.
TextureParams readState(const std::string& text) {
    std::istringstream stream(text);
    ScriptParser parser;
    TextureParams params;
    readTextureState(parser, stream, params);
    return params;
}

TEST(TextureStateBlock, WrapAndMipmapNamesMatchInTheirOrder) {
    EXPECT_EQ(readState("Wrap CLAMP_BORDER_S_CLAMP_BORDER_T\n}\n").wrap, WrapClampBorderST);
    EXPECT_EQ(readState("Wrap WRAP_S_CLAMP_T\n}\n").wrap, WrapRepeatSClampT);
    EXPECT_EQ(readState("Wrap CLAMP_EDGE_T\n}\n").wrap, WrapClampEdgeT);
    EXPECT_EQ(readState("Wrap WRAP_T\n}\n").wrap, WrapRepeatT);
    EXPECT_EQ(readState("Wrap SIDEWAYS\n}\n").wrap, WrapClampST);  // unknown: unchanged
    EXPECT_EQ(readState("Mipmap NONE\n}\n").minFilter, static_cast<GLenum>(GL_NEAREST));
    EXPECT_EQ(readState("Mipmap NEAREST_LINEAR\n}\n").minFilter, static_cast<GLenum>(GL_NEAREST_MIPMAP_LINEAR));
    EXPECT_EQ(readState("Mipmap LINEAR_NEAREST\n}\n").minFilter, static_cast<GLenum>(GL_LINEAR_MIPMAP_NEAREST));
    EXPECT_EQ(readState("Mipmap NEAREST\n}\n").minFilter, static_cast<GLenum>(GL_NEAREST));
    EXPECT_EQ(readState("Filter NEAREST \r\n}\n").magFilter, static_cast<GLenum>(GL_NEAREST));  // trailing blanks
}

TEST(TextureStateBlock, ApplyLinesFallBackToTheirDefaults) {
    const TextureParams combine = readState(R"(Apply {
	Mode COMBINE
	Func.RGB INTERPOLATE
	Func.Alpha ADD_SIGNED
	Src0.RGB TEXTURE3
	Src1.RGB PRIMARY_COLOR
	Src2.Alpha PREVIOUS
	Op0.RGB ONE_MINUS_SRC_ALPHA
	Op2.Alpha ONE_MINUS_SRC_COLOR
	Scale.RGB FOUR
	Scale.Alpha TWO
}
})");
    EXPECT_EQ(combine.envMode, static_cast<GLenum>(GL_COMBINE_ARB));
    EXPECT_EQ(combine.combineRGB, static_cast<GLenum>(GL_INTERPOLATE_ARB));
    EXPECT_EQ(combine.combineAlpha, static_cast<GLenum>(GL_ADD_SIGNED_ARB));
    EXPECT_EQ(combine.sourceRGB[0], static_cast<GLenum>(GL_TEXTURE3_ARB));
    EXPECT_EQ(combine.sourceRGB[1], static_cast<GLenum>(GL_PRIMARY_COLOR_ARB));
    EXPECT_EQ(combine.sourceRGB[2], static_cast<GLenum>(GL_CONSTANT_ARB));  // untouched default
    EXPECT_EQ(combine.sourceAlpha[2], static_cast<GLenum>(GL_PREVIOUS_ARB));
    EXPECT_EQ(combine.operandRGB[0], static_cast<GLenum>(GL_ONE_MINUS_SRC_ALPHA));
    EXPECT_EQ(combine.operandAlpha[2], static_cast<GLenum>(GL_ONE_MINUS_SRC_COLOR));
    EXPECT_EQ(combine.scaleRGB, 4);
    EXPECT_EQ(combine.scaleAlpha, 2);

    const TextureParams unknown = readState("Apply {\nMode SHINY\nOp0.RGB BRIGHT\nSrc1.Alpha NOWHERE\nScale.RGB TEN\n}\n}\n");
    EXPECT_EQ(unknown.envMode, static_cast<GLenum>(GL_REPLACE));
    EXPECT_EQ(unknown.operandRGB[0], static_cast<GLenum>(GL_SRC_COLOR));
    EXPECT_EQ(unknown.sourceAlpha[1], static_cast<GLenum>(GL_TEXTURE));
    EXPECT_EQ(unknown.scaleRGB, 1);
}

TEST(TextureStateBlock, EnvmapModesTakeTheLongestNameAndPlanesScanFourFloats) {
    EXPECT_EQ(readState("Envmap {\nMode FRONT_XYZ\n}\n}\n").texGenMode, TexGenFrontXYZ);
    EXPECT_EQ(readState("Envmap {\nMode FRONT_XY\n}\n}\n").texGenMode, TexGenFrontXY);
    EXPECT_EQ(readState("Envmap {\nMode FRONT\n}\n}\n").texGenMode, TexGenFront);
    EXPECT_EQ(readState("Envmap {\nMode REFLECTION_MAP\n}\n}\n").texGenMode, TexGenReflectionMap);
    EXPECT_EQ(readState("Envmap {\nMode SIDEWAYS\n}\n}\n").texGenMode, TexGenNone);
    const TextureParams planes = readState("Envmap {\nMode EYE\nPlaneS 1 2 3 4\nPlaneQ 0.5 -1 0 2\n}\n}\n");
    EXPECT_EQ(planes.texGenMode, TexGenEye);
    EXPECT_EQ(planes.planeS, (std::array<float, 4>{1, 2, 3, 4}));
    EXPECT_EQ(planes.planeT, (std::array<float, 4>{0, 1, 0, 0}));
    EXPECT_EQ(planes.planeQ, (std::array<float, 4>{0.5f, -1, 0, 2}));
}

TEST_F(ImageBlockTest, CubeMapsLoadTheirSixFacesInOrder) {
    for (int face = 0; face < 6; ++face) writeArt(cubeMapFaceName("env.tga", face), smallTga(4, 4));
    ASSERT_TRUE(read("Type CUBEMAP\nName \"env.tga\"\nAlias \"sky\"\nState {\nMipmap LINEAR_LINEAR\n}\n}\n"));
    Handle<Texture> sky = registry.find("sky");
    ASSERT_TRUE(sky);
    auto* cube = dynamic_cast<CubeMapTexture*>(sky.get());
    ASSERT_NE(cube, nullptr);
    EXPECT_EQ(cube->name(), "env.tga");
    EXPECT_EQ(cube->params().minFilter, static_cast<GLenum>(GL_LINEAR_MIPMAP_LINEAR));
    for (int face = 0; face < 6; ++face) {
        ASSERT_NE(cube->face(face), nullptr);
        EXPECT_EQ(cube->face(face)->name(), cubeMapFaceName("env.tga", face));
    }
    // The registry lists the faces in load order (newest first), then the cube map on top.
    std::vector<std::string> names;
    for (const Texture* image : registry.images()) names.push_back(image->name());
    EXPECT_EQ(names, (std::vector<std::string>{"env.tga", "env_neg_z.tga", "env_pos_z.tga", "env_neg_y.tga",
                                               "env_pos_y.tga", "env_neg_x.tga", "env_pos_x.tga"}));

    std::filesystem::remove("blocks/art/env_neg_y.tga");
    EXPECT_EQ(errorOf([&] { read("Type CUBEMAP\nName \"env.tga\"\n}\n"); }),
              "unable to load cubemap image: env_neg_y.tga");
}

TEST(ImageText, ADefaultImageWritesTheExactLayout) {
    Texture2D image;
    image.setName("logo.tga");
    image.setAlias("logo");
    image.allocate(1, 1, ImageFormat::Rgba);
    std::ostringstream out;
    ASSERT_TRUE(image.write(out));
    EXPECT_EQ(out.str(),
              "Image {\n\tType\t2D\n\tFormat\tRGBA\n\tName\t\"logo.tga\"\n\tAlias\t\"logo\"\n"
              "\tState {\n\t\tPriority\t1\n\t\tBorderColor\t0 0 0 0\n\t\tBlendColor\t0 0 0 0\n"
              "\t\tWrap\tCLAMP_S_CLAMP_T\n\t\tFilter\tLINEAR\n\t\tMipmap\tLINEAR\n"
              "\t\tApply {\n\t\t\tMode\tMODULATE\n\t\t\tFunc.RGB\tMODULATE\n\t\t\tFunc.Alpha\tMODULATE\n"
              "\t\t\tSrc0.RGB\tPREVIOUS\n\t\t\tSrc0.Alpha\tPREVIOUS\n\t\t\tSrc1.RGB\tTEXTURE\n"
              "\t\t\tSrc1.Alpha\tTEXTURE\n\t\t\tSrc2.RGB\tCONSTANT\n\t\t\tSrc2.Alpha\tCONSTANT\n"
              "\t\t\tOp0.RGB\tSRC_COLOR\n\t\t\tOp0.Alpha\tSRC_ALPHA\n\t\t\tOp1.RGB\tSRC_COLOR\n"
              "\t\t\tOp1.Alpha\tSRC_ALPHA\n\t\t\tOp2.RGB\tSRC_COLOR\n\t\t\tOp2.Alpha\tSRC_ALPHA\n"
              "\t\t\tScale.RGB\tONE\n\t\t\tScale.Alpha\tONE\n\t\t}\n"
              "\t\tEnvmap {\n\t\t\tMode\tNONE\n\t\t\tPlaneS\t1 0 0 0\n\t\t\tPlaneT\t0 1 0 0\n"
              "\t\t\tPlaneR\t0 0 1 0\n\t\t\tPlaneQ\t0 0 0 1\n\t\t}\n\t}\n}\n");

    DepthTexture shadow(GL_DEPTH_COMPONENT24_ARB);
    std::ostringstream depth;
    shadow.write(depth);
    EXPECT_EQ(depth.str().rfind("Image {\n\tType\tDEPTH_24\n\tFormat\tDEPTH_COMPONENT\n", 0), 0u) << depth.str();
}

TEST_F(ImageBlockTest, WrittenImagesReadBackToTheSameTypeFormatAndParameters) {
    writeArt("round.tga", smallTga(8, 8));
    GL_EXT_texture_rectangle_Flag = true;
    Texture2D original(GL_TEXTURE_RECTANGLE_ARB);
    original.setName("round.tga");
    original.setAlias("round trip");
    original.allocate(8, 8, ImageFormat::LuminanceAlpha);
    TextureParams& p = original.params();
    p.priority = 0.3f;
    p.borderColor = {0.125f, 1, 0, 0.5f};
    p.envColor = {0.2f, 0.4f, 0.6f, 0.8f};
    p.wrap = WrapClampBorderT;
    p.magFilter = GL_NEAREST;
    p.minFilter = GL_NEAREST_MIPMAP_LINEAR;
    p.envMode = GL_COMBINE_ARB;
    p.combineRGB = GL_DOT3_RGBA_ARB;
    p.combineAlpha = GL_SUBTRACT_ARB;
    p.sourceRGB = {GL_TEXTURE2_ARB, GL_PRIMARY_COLOR_ARB, GL_TEXTURE};
    p.sourceAlpha = {GL_CONSTANT_ARB, GL_TEXTURE0_ARB, GL_PREVIOUS_ARB};
    p.operandRGB = {GL_ONE_MINUS_SRC_COLOR, GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA};
    p.operandAlpha = {GL_ONE_MINUS_SRC_ALPHA, GL_SRC_ALPHA, GL_SRC_ALPHA};
    p.scaleRGB = 2;
    p.scaleAlpha = 4;
    p.texGenMode = TexGenFrontXYZ;
    p.planeR = {1.5f, -2.25f, 3, 1e-3f};

    std::ostringstream text;
    ASSERT_TRUE(original.write(text));
    const std::string body = text.str().substr(text.str().find('\n') + 1);  // the lines after "Image {"
    ASSERT_TRUE(read(body));
    Handle<Texture> copy = registry.find("round trip");
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->target(), static_cast<GLenum>(GL_TEXTURE_RECTANGLE_ARB));
    EXPECT_EQ(copy->format(), ImageFormat::LuminanceAlpha);
    EXPECT_EQ(copy->params(), original.params());

    // The three-axis wrap codes read back as their two-axis codes.
    for (auto [written, read] : {std::pair{WrapClampSTR, WrapClampST}, {WrapRepeatSTR, WrapRepeatST},
                                 {WrapClampBorderSTR, WrapClampBorderST}, {WrapClampEdgeSTR, WrapClampEdgeST}}) {
        TextureParams params;
        params.wrap = written;
        std::ostringstream state;
        writeTextureState(state, params);
        const std::string lines = state.str().substr(state.str().find('\n') + 1);
        EXPECT_EQ(readState(lines).wrap, read) << written;
    }
}

class ImageBlockGLTest : public test::GLTest {
protected:
    void SetUp() override {
        GLTest::SetUp();
        reportExtensions(*context);
        registry.registerDefaults();
        registry.addSearchPath("blocks\\art\\");
        writeArt("gl.tga", smallTga(8, 8));
    }
    void TearDown() override {
        registry.clear();
        resetExtensions();
        GLTest::TearDown();
    }
    Handle<Texture> readImage(const std::string& text, const std::string& alias) {
        std::istringstream stream(text);
        ScriptParser parser;
        EXPECT_TRUE(readImageBlock(parser, stream, registry));
        return registry.find(alias);
    }
    ImageRegistry registry;
};

TEST_F(ImageBlockGLTest, AMipmapLineMakesTheFirstBindBuildMipmaps) {
    Handle<Texture> image = readImage("Name \"gl.tga\"\nAlias \"mip\"\nState {\nMipmap LINEAR_LINEAR\n}\n}\n", "mip");
    ASSERT_TRUE(image);
    ASSERT_TRUE(image->bind(GL_TEXTURE0));
    GLint width = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 3, GL_TEXTURE_WIDTH, &width);
    EXPECT_EQ(width, 1);  // 8, 4, 2, 1
    image->unbind(GL_TEXTURE0);
}

TEST_F(ImageBlockGLTest, EdgeClampFallsBackToClampOnBothAxesWithoutTheExtension) {
    GL_EXT_texture_edge_clamp_Flag = false;
    Handle<Texture> image =
        readImage("Name \"gl.tga\"\nAlias \"edge\"\nState {\nWrap CLAMP_EDGE_S_CLAMP_EDGE_T\n}\n}\n", "edge");
    ASSERT_TRUE(image);
    ASSERT_TRUE(image->bind(GL_TEXTURE0));
    GLint s = 0, t = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &s);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &t);
    EXPECT_EQ(s, GL_CLAMP);
    EXPECT_EQ(t, GL_CLAMP);
    image->unbind(GL_TEXTURE0);
}

}  // namespace
}  // namespace qv3rn
