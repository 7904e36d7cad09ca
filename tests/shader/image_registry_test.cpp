// image_registry_test.cpp -- Tests of the image registry and of the "Image {" block read back from a real context.
#include "shader/image_registry.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "core/log.h"
#include "data/archive.h"
#include "data/archive_writer.h"
#include "data/script_error.h"
#include "image/image_samples.h"
#include "shader/cube_map_texture.h"
#include "shader/texture_2d.h"
#include "shader_test_support.h"
#include "support/test_files.h"

namespace qv3rn {
namespace {

using test::Bytes;
using test::From;
using test::GLCheck;

// A w x h 24-bit TGA of one colour.
Bytes flatTga(int width, int height, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    test::TgaLayout layout;
    layout.width = static_cast<std::uint16_t>(width);
    layout.height = static_cast<std::uint16_t>(height);
    for (int i = 0; i < width * height; ++i) layout.data.insert(layout.data.end(), {b, g, r});
    return test::tgaFile(layout);
}

constexpr From P = From::TexParameter;
constexpr From E = From::TexEnv;

const std::vector<double> identity = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

// What unbind leaves on the unit, whatever the image's parameters were.
const std::vector<GLCheck> unbound = {
    {GL_TEXTURE_2D, {0}},    {GL_TEXTURE_GEN_S, {0}}, {GL_TEXTURE_GEN_T, {0}},  {GL_TEXTURE_GEN_R, {0}},
    {GL_TEXTURE_GEN_Q, {0}}, {GL_RGB_SCALE, {1}, E},  {GL_ALPHA_SCALE, {1}, E}, {GL_TEXTURE_MATRIX, identity},
};

// state: the lines of the image's "State {" block
struct Row { std::string state; std::vector<GLCheck> bound; };

const Row rows[] = {
    {"",
     {{GL_TEXTURE_MIN_FILTER, {GL_LINEAR}, P}, {GL_TEXTURE_MAG_FILTER, {GL_LINEAR}, P},
      {GL_TEXTURE_WRAP_S, {GL_CLAMP}, P}, {GL_TEXTURE_WRAP_T, {GL_CLAMP}, P}, {GL_TEXTURE_PRIORITY, {1}, P},
      {GL_TEXTURE_ENV_MODE, {GL_MODULATE}, E}, {1, {0}, From::LevelWidth}, {GL_TEXTURE_GEN_S, {0}}}},
    {"Priority 0.75\nBorderColor 0.1 0.2 0.3 0.4\nFilter NEAREST\nMipmap NONE\n",
     {{GL_TEXTURE_PRIORITY, {0.75}, P}, {GL_TEXTURE_BORDER_COLOR, {0.1, 0.2, 0.3, 0.4}, P},
      {GL_TEXTURE_MAG_FILTER, {GL_NEAREST}, P}, {GL_TEXTURE_MIN_FILTER, {GL_NEAREST}, P}}},
    {"Mipmap LINEAR_LINEAR\n", {{GL_TEXTURE_MIN_FILTER, {GL_LINEAR_MIPMAP_LINEAR}, P}, {3, {1}, From::LevelWidth}}},
    {"Wrap WRAP_S_CLAMP_T\n", {{GL_TEXTURE_WRAP_S, {GL_REPEAT}, P}, {GL_TEXTURE_WRAP_T, {GL_CLAMP}, P}}},
    {"Apply {\nMode SHINY\nOp0.RGB BRIGHT\nScale.RGB TEN\n}\n",  // unknown names: REPLACE, the rest stays
     {{GL_TEXTURE_ENV_MODE, {GL_REPLACE}, E}, {GL_OPERAND0_RGB, {GL_SRC_COLOR}, E}, {GL_RGB_SCALE, {1}, E}}},
    {"Apply {\nMode COMBINE\nFunc.RGB INTERPOLATE\nFunc.Alpha ADD_SIGNED\nSrc0.RGB TEXTURE3\nSrc1.RGB PRIMARY_COLOR\n"
     "Src2.Alpha PREVIOUS\nOp0.RGB ONE_MINUS_SRC_ALPHA\nOp2.Alpha ONE_MINUS_SRC_ALPHA\nScale.RGB FOUR\n"
     "Scale.Alpha TWO\n}\n",
     {{GL_TEXTURE_ENV_MODE, {GL_COMBINE}, E}, {GL_COMBINE_RGB, {GL_INTERPOLATE}, E},
      {GL_COMBINE_ALPHA, {GL_ADD_SIGNED}, E}, {GL_SOURCE0_RGB, {GL_TEXTURE3}, E},
      {GL_SOURCE1_RGB, {GL_PRIMARY_COLOR}, E}, {GL_SOURCE2_RGB, {GL_CONSTANT}, E}, {GL_SOURCE2_ALPHA, {GL_PREVIOUS}, E},
      {GL_OPERAND0_RGB, {GL_ONE_MINUS_SRC_ALPHA}, E}, {GL_OPERAND2_ALPHA, {GL_ONE_MINUS_SRC_ALPHA}, E},
      {GL_RGB_SCALE, {4}, E}, {GL_ALPHA_SCALE, {2}, E}}},
    {"BlendColor 1 0.5 0.25\nApply {\nMode BLEND\n}\n",  // a missing fourth value stays 0
     {{GL_TEXTURE_ENV_MODE, {GL_BLEND}, E}, {GL_TEXTURE_ENV_COLOR, {1, 0.5, 0.25, 0}, E}}},
    {"Envmap {\nMode OBJECT\nPlaneS 1 2 3 4\nPlaneQ 0 0 5 6\n}\n",
     {{GL_TEXTURE_GEN_MODE, {GL_OBJECT_LINEAR}, From::GenS}, {GL_OBJECT_PLANE, {1, 2, 3, 4}, From::GenS},
      {GL_OBJECT_PLANE, {0, 0, 5, 6}, From::GenQ}, {GL_TEXTURE_GEN_T, {1}}, {GL_TEXTURE_GEN_R, {0}}}},
    {"Envmap {\nMode FRONT_XY\n}\n",
     {{GL_EYE_PLANE, {1, 0, 0, 1}, From::GenS}, {GL_EYE_PLANE, {0, 1, 0, 1}, From::GenT}, {GL_TEXTURE_GEN_R, {0}}}},
    // Without a current camera the projected mode loads only the bias into the texture matrix.
    {"Envmap {\nMode FRONT\n}\n",
     {{GL_TEXTURE_GEN_Q, {1}}, {GL_TEXTURE_MATRIX, {0.5, 0, 0, 0, 0, 0.5, 0, 0, 0, 0, 1, 0, 0.5, 0.5, 0, 1}}}},
};

// In a fresh folder of the test's own: "registry/data/art/" and the search path "blocks/art/" holding "art.tga".
class ImageRegistryTest : public test::ShaderGLTest {
protected:
    void SetUp() override {
        ShaderGLTest::SetUp();
        registry.registerDefaults();
        registry.addSearchPath("blocks\\art\\");
        std::filesystem::create_directories("registry/data/art");
        writeArt("art.tga");
    }

    static void writeArt(const std::string& name, int width = 8, int height = 8) {
        std::filesystem::create_directories("blocks/art");
        test::writeFile("blocks/art/" + name, flatTga(width, height, 0x40, 0x40, 0x40));
    }
    // An archive holding `entries`, opened and handed to the registry.
    std::shared_ptr<Archive> openArchive(const std::vector<std::pair<std::string, Bytes>>& entries) {
        ArchiveWriter writer;
        EXPECT_TRUE(writer.create("registry/images.dat", "secret"));
        for (const auto& [name, bytes] : entries) EXPECT_TRUE(writer.addData(name, bytes));
        EXPECT_TRUE(writer.commit()) << writer.lastError();
        auto archive = std::make_shared<Archive>();
        EXPECT_TRUE(archive->open("registry/images.dat", "secret"));
        registry.setArchive(archive);
        return archive;
    }
    Handle<Texture> load(const std::string& name, GLenum target = GL_TEXTURE_2D,
                         ImageFormat format = ImageFormat::Rgb) {
        return registry.load(name, format, target);
    }
    static std::uint32_t firstPixel(const Handle<Texture>& image) {
        auto* texture = dynamic_cast<Texture2D*>(image.get());
        return texture ? texture->pixels().pixel(0, 0) : 0xDEADBEEF;
    }
    static int width(const Handle<Texture>& image) { return dynamic_cast<Texture2D&>(*image).width(); }

    // Reads `script` and gives the image it defines under `alias`.
    Handle<Texture> read(const std::string& script, const std::string& alias) {
        EXPECT_TRUE(test::parseScript(manager, script)) << script;
        return registry.find(alias);
    }
    static void expectBound(Texture& image, const std::vector<GLCheck>& bound, const std::string& what) {
        ASSERT_TRUE(image.bind(GL_TEXTURE0));
        test::expectGL(bound, what + " bound");
        ASSERT_TRUE(image.unbind(GL_TEXTURE0));
        test::expectGL(unbound, what + " unbound");
    }

    test::TemporaryFolder folder;
    ImageRegistry& registry = images;
};

TEST_F(ImageRegistryTest, TheArchiveComesBeforeTheSearchPathsAndTheBareNameComesLast) {
    test::writeFile("registry/data/art/logo.tga", flatTga(2, 2, 0, 0, 255));
    test::writeFile("registry/data/art/photo.jpg", test::jpegFile(8, 8, 3, test::flatPixels(8, 8, {200, 40, 40})));
    registry.addSearchPath("registry\\data\\fnt\\");  // tried first, holds nothing
    registry.addSearchPath("registry\\data\\art\\");
    auto archive =
        openArchive({{"data/art/logo.tga", flatTga(2, 2, 255, 0, 0)}, {"data/fnt/font.tga", flatTga(2, 2, 0, 255, 0)}});

    Handle<Texture> fromArchive = load("logo.tga");
    ASSERT_TRUE(fromArchive) << registry.lastError();
    EXPECT_EQ(firstPixel(fromArchive), 0xFF0000u);
    EXPECT_EQ(fromArchive->name(), "logo.tga");
    fromArchive->setAlias("archived logo");  // otherwise a second load of the name hands this one out
    EXPECT_EQ(firstPixel(load("font.tga")), 0x00FF00u);
    EXPECT_TRUE(load("photo.jpg")) << registry.lastError();  // not in the archive

    archive.reset();  // the demo destroys its archive after loading
    EXPECT_EQ(firstPixel(load("logo.tga")), 0x0000FFu);
    test::writeFile("registry/loose.tga", flatTga(1, 1, 9, 9, 9));
    EXPECT_TRUE(load("registry/loose.tga"));
}

TEST_F(ImageRegistryTest, NamesNoDecoderReadsAndMissingOrDamagedFilesGiveNullWithTheReason) {
    test::writeFile("registry/notes.txt", Bytes{'h', 'i'});
    EXPECT_FALSE(load("registry/notes.txt"));
    EXPECT_NE(registry.lastError().find("no decoder"), std::string::npos) << registry.lastError();
    Bytes damaged = flatTga(4, 4, 1, 2, 3);
    damaged.resize(damaged.size() - 5);
    auto archive = openArchive({{"data/art/damaged.tga", damaged}});
    EXPECT_FALSE(load("damaged.tga"));
    EXPECT_NE(registry.lastError().find("damaged.tga"), std::string::npos) << registry.lastError();
    EXPECT_TRUE(registry.images().empty());
}

TEST_F(ImageRegistryTest, TargetsDecideTheTextureKindAndTheSquaring) {
    test::writeFile("registry/wide.tga", flatTga(300, 200, 10, 20, 30));
    for (bool rectangles : {true, false}) {
        GL_EXT_texture_rectangle_Flag = rectangles;
        Handle<Texture> image = load("registry/wide.tga", GL_TEXTURE_RECTANGLE_ARB);
        ASSERT_TRUE(image);
        EXPECT_EQ(image->target(), rectangles ? GLenum(GL_TEXTURE_RECTANGLE_ARB) : GLenum(GL_TEXTURE_2D));
        EXPECT_EQ(width(image), rectangles ? 300 : 256);
        image->setAlias(rectangles ? "rectangle" : "fallback");  // so that the next load decodes afresh
    }
    EXPECT_FALSE(load("registry/wide.tga", GL_TEXTURE_3D));
}

TEST_F(ImageRegistryTest, FindTakesTheNewestMatchByAliasOrNameAndAddRefusesDuplicates) {
    auto* older = new Texture2D();
    older->setName("a.tga");
    older->setAlias("b.tga");
    auto* newer = new Texture2D();
    newer->setName("b.tga");
    ASSERT_TRUE(registry.add(older) && registry.add(newer));
    EXPECT_EQ(registry.find("b.tga").get(), newer);  // the newest image that matches either way
    EXPECT_EQ(registry.find("a.tga").get(), older);
    EXPECT_FALSE(registry.find("B.TGA"));  // exact comparison
    Texture2D duplicate;  // same name and alias: refused, the caller keeps it
    duplicate.setName("b.tga");
    EXPECT_FALSE(registry.add(&duplicate));
}

TEST_F(ImageRegistryTest, ReleasingTheOnlyHandleOfALoadDeletesJustThatImageWithALogLine) {
    Log log;
    ASSERT_TRUE(log.open("registry_deleted.log"));
    test::writeFile("registry/once.tga", flatTga(2, 2, 1, 1, 1));
    test::writeFile("registry/kept.tga", flatTga(2, 2, 2, 2, 2));
    test::setDemoTime(12.5f);  // the deletion line names the frame time of the current shader manager
    Handle<Texture> kept = load("registry/kept.tga");
    Handle<Texture> handle = load("registry/once.tga");
    handle->setAlias("loading picture");
    EXPECT_TRUE(registry.releaseHandle(handle));
    EXPECT_FALSE(handle);
    ASSERT_EQ(registry.images().size(), 1u);
    EXPECT_EQ(registry.images().front()->name(), "registry/kept.tga");
    log.close();
    EXPECT_EQ(test::readFile("registry_deleted.log"),
              "IMAGE DELETED registry/once.tga <=> loading picture AT TIME 12.500000\n");
}

TEST_F(ImageRegistryTest, StateLinesSetTheBoundTextureAlsoWhenTheImageIsWrittenAndReadBack) {
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

TEST_F(ImageRegistryTest, TypeAndFormatNamesAreTestedInTheirOrder) {
    const struct {
        const char* lines;
        const char* alias;
        GLenum target;
        ImageFormat format;
    } rows[] = {{"Type RECT_2D\nFormat LUMINANCE_ALPHA\nName \"art.tga\"\nAlias \"r\"\n", "r",  // not 2D, ALPHA or
                 GL_TEXTURE_RECTANGLE_ARB, ImageFormat::LuminanceAlpha},                           // LUMINANCE
                {"Type\t1D\nFormat\tRGBA\nName \"art.tga\"\nAlias \"1\"\n", "1", GL_TEXTURE_1D, ImageFormat::Rgba}};
    for (const auto& row : rows) {
        Handle<Texture> image = read("Image {\n" + std::string(row.lines) + "}\n", row.alias);
        ASSERT_TRUE(image) << row.lines;
        EXPECT_EQ(image->target(), row.target) << row.lines;
        EXPECT_EQ(image->format(), row.format) << row.lines;
    }

    // A Type line with no known name ends the block with false: the load fails and nothing after it is read.
    const std::size_t listed = registry.images().size();
    EXPECT_FALSE(test::parseScript(manager, "Image {\nType 3D\nName \"art.tga\"\n}\n"));
    EXPECT_EQ(registry.images().size(), listed);
}

TEST_F(ImageRegistryTest, CubeMapsLoadTheirSixFacesInOrder) {
    for (int face = 0; face < 6; ++face) writeArt(cubeMapFaceName("env.tga", face), 4, 4);
    Handle<Texture> sky = read("Image {\nType CUBEMAP\nName \"env.tga\"\nAlias \"sky\"\n}\n", "sky");
    auto* cube = dynamic_cast<CubeMapTexture*>(sky.get());
    ASSERT_NE(cube, nullptr);
    EXPECT_EQ(cube->name(), "env.tga");
    for (int face = 0; face < 6; ++face) EXPECT_EQ(cube->face(face)->name(), cubeMapFaceName("env.tga", face));
    std::filesystem::remove("blocks/art/env_neg_y.tga");
    EXPECT_EQ(test::scriptError("Image {\nType CUBEMAP\nName \"env.tga\"\n}\n"),
              "3: unable to load cubemap image: env_neg_y.tga");
}

}  // namespace
}  // namespace qv3rn
