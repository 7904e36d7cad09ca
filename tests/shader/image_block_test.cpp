// image_block_test.cpp -- Tests of the "Image {" block and its "State {", "Apply {" and "Envmap {" sub-blocks:
// script text in, the texture parameters, environment and coordinate generation read back from a real context
// once the image is bound, the same after writing the image as text and reading it anew, type and format
// names, cube-map faces and the error messages.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "data/script_error.h"
#include "image/image_samples.h"
#include "shader_test_support.h"
#include "shader/cube_map_texture.h"
#include "shader/texture_2d.h"

namespace qv3rn {
namespace {

using test::From;
using test::GLCheck;

constexpr From P = From::TexParameter;
constexpr From E = From::TexEnv;

void writeArt(const std::string& name, int width = 8, int height = 8) {
    test::TgaLayout layout;
    layout.width = static_cast<std::uint16_t>(width);
    layout.height = static_cast<std::uint16_t>(height);
    layout.data = test::Bytes(static_cast<std::size_t>(width) * height * 3, 0x40);
    std::filesystem::create_directories("blocks/art");
    test::writeFile("blocks/art/" + name, test::tgaFile(layout));
}

const std::vector<double> identity = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

// What unbind leaves on the unit, whatever the image's parameters were.
const std::vector<GLCheck> unbound = {
    {GL_TEXTURE_2D, {0}},    {GL_TEXTURE_GEN_S, {0}}, {GL_TEXTURE_GEN_T, {0}},  {GL_TEXTURE_GEN_R, {0}},
    {GL_TEXTURE_GEN_Q, {0}}, {GL_RGB_SCALE, {1}, E},  {GL_ALPHA_SCALE, {1}, E}, {GL_TEXTURE_MATRIX, identity},
};

struct Row {
    std::string state;  // the lines of the image's "State {" block
    std::vector<GLCheck> bound;
};

const Row rows[] = {
    {"",
     {{GL_TEXTURE_MIN_FILTER, {GL_LINEAR}, P}, {GL_TEXTURE_MAG_FILTER, {GL_LINEAR}, P},
      {GL_TEXTURE_WRAP_S, {GL_CLAMP}, P}, {GL_TEXTURE_WRAP_T, {GL_CLAMP}, P}, {GL_TEXTURE_PRIORITY, {1}, P},
      {GL_TEXTURE_ENV_MODE, {GL_MODULATE}, E}, {1, {0}, From::LevelWidth}, {GL_TEXTURE_GEN_S, {0}}}},
    {"Priority 0.75\nBorderColor 0.1 0.2 0.3 0.4\nFilter NEAREST\nMipmap NONE\n",
     {{GL_TEXTURE_PRIORITY, {0.75}, P}, {GL_TEXTURE_BORDER_COLOR, {0.1, 0.2, 0.3, 0.4}, P},
      {GL_TEXTURE_MAG_FILTER, {GL_NEAREST}, P}, {GL_TEXTURE_MIN_FILTER, {GL_NEAREST}, P}}},
    {"Mipmap LINEAR_LINEAR\n", {{GL_TEXTURE_MIN_FILTER, {GL_LINEAR_MIPMAP_LINEAR}, P}, {3, {1}, From::LevelWidth}}},
    {"Mipmap NEAREST_LINEAR\n", {{GL_TEXTURE_MIN_FILTER, {GL_NEAREST_MIPMAP_LINEAR}, P}}},
    {"Mipmap NEAREST\nFilter NEAREST \r\n",  // trailing blanks
     {{GL_TEXTURE_MIN_FILTER, {GL_NEAREST}, P}, {GL_TEXTURE_MAG_FILTER, {GL_NEAREST}, P}}},
    {"Wrap CLAMP_EDGE_S_CLAMP_EDGE_T\n",
     {{GL_TEXTURE_WRAP_S, {GL_CLAMP_TO_EDGE}, P}, {GL_TEXTURE_WRAP_T, {GL_CLAMP_TO_EDGE}, P}}},
    {"Wrap WRAP_S_CLAMP_T\n", {{GL_TEXTURE_WRAP_S, {GL_REPEAT}, P}, {GL_TEXTURE_WRAP_T, {GL_CLAMP}, P}}},
    // One-axis names leave the other axis at OpenGL's GL_REPEAT.
    {"Wrap CLAMP_EDGE_T\n", {{GL_TEXTURE_WRAP_S, {GL_REPEAT}, P}, {GL_TEXTURE_WRAP_T, {GL_CLAMP_TO_EDGE}, P}}},
    {"Wrap SIDEWAYS\n", {{GL_TEXTURE_WRAP_S, {GL_CLAMP}, P}, {GL_TEXTURE_WRAP_T, {GL_CLAMP}, P}}},
    {"Apply {\nMode COMBINE\nFunc.RGB INTERPOLATE\nFunc.Alpha ADD_SIGNED\nSrc0.RGB TEXTURE3\nSrc1.RGB PRIMARY_COLOR\n"
     "Src2.Alpha PREVIOUS\nOp0.RGB ONE_MINUS_SRC_ALPHA\nOp2.Alpha ONE_MINUS_SRC_ALPHA\nScale.RGB FOUR\n"
     "Scale.Alpha TWO\n}\n",
     {{GL_TEXTURE_ENV_MODE, {GL_COMBINE}, E}, {GL_COMBINE_RGB, {GL_INTERPOLATE}, E},
      {GL_COMBINE_ALPHA, {GL_ADD_SIGNED}, E}, {GL_SOURCE0_RGB, {GL_TEXTURE3}, E},
      {GL_SOURCE1_RGB, {GL_PRIMARY_COLOR}, E}, {GL_SOURCE2_RGB, {GL_CONSTANT}, E}, {GL_SOURCE2_ALPHA, {GL_PREVIOUS}, E},
      {GL_OPERAND0_RGB, {GL_ONE_MINUS_SRC_ALPHA}, E}, {GL_OPERAND2_ALPHA, {GL_ONE_MINUS_SRC_ALPHA}, E},
      {GL_RGB_SCALE, {4}, E}, {GL_ALPHA_SCALE, {2}, E}}},
    {"Apply {\nMode COMBINE\nFunc.RGB DOT3_RGBA\nFunc.Alpha SUBTRACT\nSrc1.Alpha TEXTURE0\nOp1.RGB SRC_ALPHA\n}\n",
     {{GL_COMBINE_RGB, {GL_DOT3_RGBA}, E}, {GL_COMBINE_ALPHA, {GL_SUBTRACT}, E}, {GL_SOURCE1_ALPHA, {GL_TEXTURE0}, E},
      {GL_OPERAND1_RGB, {GL_SRC_ALPHA}, E}}},
    {"Apply {\nMode SHINY\nOp0.RGB BRIGHT\nScale.RGB TEN\n}\n",  // unknown names: REPLACE, the rest stays
     {{GL_TEXTURE_ENV_MODE, {GL_REPLACE}, E}, {GL_OPERAND0_RGB, {GL_SRC_COLOR}, E}, {GL_RGB_SCALE, {1}, E}}},
    {"BlendColor 1 0.5 0.25\nApply {\nMode BLEND\n}\n",  // a missing fourth value stays 0
     {{GL_TEXTURE_ENV_MODE, {GL_BLEND}, E}, {GL_TEXTURE_ENV_COLOR, {1, 0.5, 0.25, 0}, E}}},
    {"Apply {\nMode ADD\n}\n", {{GL_TEXTURE_ENV_MODE, {GL_ADD}, E}}},
    {"Apply {\nMode DECAL\n}\n", {{GL_TEXTURE_ENV_MODE, {GL_DECAL}, E}}},
    {"Envmap {\nMode SPHERE\n}\n",
     {{GL_TEXTURE_GEN_MODE, {GL_SPHERE_MAP}, From::GenS}, {GL_TEXTURE_GEN_MODE, {GL_SPHERE_MAP}, From::GenT},
      {GL_TEXTURE_GEN_S, {1}}, {GL_TEXTURE_GEN_T, {1}}, {GL_TEXTURE_GEN_R, {0}}, {GL_TEXTURE_GEN_Q, {0}}}},
    {"Envmap {\nMode OBJECT\nPlaneS 1 2 3 4\nPlaneQ 0 0 5 6\n}\n",
     {{GL_TEXTURE_GEN_MODE, {GL_OBJECT_LINEAR}, From::GenS}, {GL_OBJECT_PLANE, {1, 2, 3, 4}, From::GenS},
      {GL_OBJECT_PLANE, {0, 0, 5, 6}, From::GenQ}, {GL_TEXTURE_GEN_T, {1}}, {GL_TEXTURE_GEN_R, {0}}}},
    {"Envmap {\nMode EYE\nPlaneT 0.5 -1 0 2\n}\n",  // under the identity modelview
     {{GL_TEXTURE_GEN_MODE, {GL_EYE_LINEAR}, From::GenT}, {GL_EYE_PLANE, {0.5, -1, 0, 2}, From::GenT},
      {GL_EYE_PLANE, {1, 0, 0, 0}, From::GenS}}},
    {"Envmap {\nMode REFLECTION_MAP\n}\n",
     {{GL_TEXTURE_GEN_MODE, {GL_REFLECTION_MAP}, From::GenS}, {GL_TEXTURE_GEN_MODE, {GL_REFLECTION_MAP}, From::GenR},
      {GL_TEXTURE_GEN_S, {1}}, {GL_TEXTURE_GEN_T, {1}}, {GL_TEXTURE_GEN_R, {1}}, {GL_TEXTURE_GEN_Q, {0}}}},
    {"Envmap {\nMode NORMAL_MAP\n}\n", {{GL_TEXTURE_GEN_MODE, {GL_NORMAL_MAP}, From::GenT}, {GL_TEXTURE_GEN_R, {1}}}},
    {"Envmap {\nMode FRONT_XY\n}\n",
     {{GL_EYE_PLANE, {1, 0, 0, 1}, From::GenS}, {GL_EYE_PLANE, {0, 1, 0, 1}, From::GenT}, {GL_TEXTURE_GEN_R, {0}}}},
    {"Envmap {\nMode FRONT_XYZ\n}\n", {{GL_EYE_PLANE, {0, 0, 1, 0}, From::GenR}, {GL_TEXTURE_GEN_R, {1}}}},
    // Without a current camera the projected mode loads only the bias into the texture matrix.
    {"Envmap {\nMode FRONT\n}\n",
     {{GL_TEXTURE_GEN_Q, {1}}, {GL_TEXTURE_MATRIX, {0.5, 0, 0, 0, 0, 0.5, 0, 0, 0, 0, 1, 0, 0.5, 0.5, 0, 1}}}},
    {"Envmap {\nMode SIDEWAYS\n}\n", {{GL_TEXTURE_GEN_S, {0}}, {GL_TEXTURE_GEN_T, {0}}}},
};

class ImageBlocks : public test::ShaderGLTest {
protected:
    void SetUp() override {
        ShaderGLTest::SetUp();
        images.registerDefaults();
        images.addSearchPath("blocks\\art\\");
        writeArt("art.tga");
    }

    // Reads `script` and gives the image it defines under `alias`.
    Handle<Texture> read(const std::string& script, const std::string& alias) {
        EXPECT_TRUE(test::parseScript(manager, script)) << script;
        return images.find(alias);
    }
    static std::string errorOf(const std::string& script) {
        ShaderManager local;
        try {
            test::parseScript(local, script);
        } catch (const ScriptError& error) {
            return error.what();
        }
        return "no error";
    }
    static void expectBound(Texture& image, const std::vector<GLCheck>& bound, const std::string& what) {
        ASSERT_TRUE(image.bind(GL_TEXTURE0));
        test::expectGL(bound, what + " bound");
        ASSERT_TRUE(image.unbind(GL_TEXTURE0));
        test::expectGL(unbound, what + " unbound");
    }
};

TEST_F(ImageBlocks, StateLinesSetTheBoundTextureAlsoWhenTheImageIsWrittenAndReadBack) {
    int n = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.state);
        const std::string alias = "row " + std::to_string(n++);
        Handle<Texture> image =
            read("Image {\nName \"art.tga\"\nAlias \"" + alias + "\"\nState {\n" + row.state + "}\n}\n", alias);
        ASSERT_TRUE(image);
        expectBound(*image, row.bound, "read");

        std::ostringstream text;
        ASSERT_TRUE(image->write(text));
        Handle<Texture> again = read(text.str(), alias);
        ASSERT_TRUE(again);
        ASSERT_NE(again.get(), image.get()) << text.str();
        EXPECT_EQ(again->params(), image->params()) << text.str();
        expectBound(*again, row.bound, "written:\n" + text.str());
    }
}

TEST_F(ImageBlocks, TypeAndFormatNamesAreTestedInTheirOrder) {
    writeArt("wide.tga", 4, 2);
    Handle<Texture> plain = read("Image {\n\tName\t\"wide.tga\"\n\tInfo\tsomething said about it\n}\n", "wide.tga");
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->target(), static_cast<GLenum>(GL_TEXTURE_2D));  // without Type and Format: 2D RGB
    EXPECT_EQ(plain->format(), ImageFormat::Rgb);
    EXPECT_EQ(dynamic_cast<Texture2D&>(*plain).width(), 2);  // 4 x 2 made a square power of two

    Handle<Texture> rectangle =
        read("Image {\nType RECT_2D\nFormat LUMINANCE_ALPHA\nName \"art.tga\"\nAlias \"r\"\n}\n", "r");
    ASSERT_TRUE(rectangle);
    EXPECT_EQ(rectangle->target(), static_cast<GLenum>(GL_TEXTURE_RECTANGLE_ARB));  // not 2D
    EXPECT_EQ(rectangle->format(), ImageFormat::LuminanceAlpha);                    // not ALPHA or LUMINANCE
    std::ostringstream text;
    rectangle->write(text);
    Handle<Texture> written = read(text.str(), "r");
    ASSERT_NE(written.get(), rectangle.get());
    EXPECT_EQ(written->target(), static_cast<GLenum>(GL_TEXTURE_RECTANGLE_ARB));
    EXPECT_EQ(written->format(), ImageFormat::LuminanceAlpha);

    Handle<Texture> line = read("Image {\nType\t1D\nFormat\tRGBA\nName \"art.tga\"\nAlias \"line\"\n}\n", "line");
    ASSERT_TRUE(line);
    EXPECT_EQ(line->target(), static_cast<GLenum>(GL_TEXTURE_1D));
    EXPECT_EQ(line->format(), ImageFormat::Rgba);
    EXPECT_EQ(read("Image {\nFormat SEPIA\nName \"art.tga\"\nAlias \"sepia\"\n}\n", "sepia")->format(),
              ImageFormat::Rgb);

    // A Type line with no known name ends the block with false: the load fails and nothing after it is read.
    const std::size_t listed = images.images().size();
    EXPECT_FALSE(test::parseScript(manager, "Image {\nType 3D\nName \"art.tga\"\n}\n"));
    EXPECT_EQ(images.images().size(), listed);
}

TEST_F(ImageBlocks, ErrorsCarryTheFormatsMessages) {
    EXPECT_EQ(errorOf("Image {\nName \"absent.tga\"\n}\n"), "PARSE ERROR! Image not loaded absent.tga");
    EXPECT_EQ(errorOf("Image {\nSize 4\n}\n"), "PARSE ERROR! Unknown Image Token");
    EXPECT_EQ(errorOf("Image {\nName \"art.tga\"\nState {\nShininess 4\n}\n}\n"), "PARSE ERROR! Unknown State Token");
    EXPECT_EQ(errorOf("Image {\nName \"art.tga\"\nState {\nApply {\nMix TEXTURE\n}\n}\n}\n"),
              "PARSE ERROR! Unknown Apply Token");
    EXPECT_EQ(errorOf("Image {\nName \"art.tga\"\nState {\nEnvmap {\nPlaneU 1 2 3 4\n}\n}\n}\n"),
              "PARSE ERROR! Unknown Envmap Token");
}

TEST_F(ImageBlocks, AliasAndStateBeforeTheNameAreIgnoredAndTheHoldEndsAtTheBrace) {
    Handle<Texture> image =
        read("Image {\nAlias \"early\"\nState {\nPriority 0.5\n}\nName \"art.tga\"\n; a comment line\n}\n", "art.tga");
    ASSERT_TRUE(image);
    EXPECT_EQ(image->alias(), "");
    EXPECT_EQ(image->params().priority, 1.0f);
    EXPECT_EQ(image->references(), 1 + 2);  // the registry's and this lookup's: the block let go at "}"
    EXPECT_TRUE(read("Image {\nName \"art.tga\"\nAlias \"still open\"", "still open"));  // input ends in the block
}

TEST_F(ImageBlocks, CubeMapsLoadTheirSixFacesInOrder) {
    for (int face = 0; face < 6; ++face) writeArt(cubeMapFaceName("env.tga", face), 4, 4);
    Handle<Texture> sky = read("Image {\nType CUBEMAP\nName \"env.tga\"\nAlias \"sky\"\n}\n", "sky");
    auto* cube = dynamic_cast<CubeMapTexture*>(sky.get());
    ASSERT_NE(cube, nullptr);
    EXPECT_EQ(cube->name(), "env.tga");
    for (int face = 0; face < 6; ++face) EXPECT_EQ(cube->face(face)->name(), cubeMapFaceName("env.tga", face));
    // The registry lists the faces in load order (newest first), then the cube map on top.
    std::vector<std::string> names;
    for (const Texture* image : images.images()) names.push_back(image->name());
    EXPECT_EQ(names, (std::vector<std::string>{"env.tga", "env_neg_z.tga", "env_pos_z.tga", "env_neg_y.tga",
                                               "env_pos_y.tga", "env_neg_x.tga", "env_pos_x.tga"}));
    std::filesystem::remove("blocks/art/env_neg_y.tga");
    EXPECT_EQ(errorOf("Image {\nType CUBEMAP\nName \"env.tga\"\n}\n"), "unable to load cubemap image: env_neg_y.tga");
}

}  // namespace
}  // namespace qv3rn
