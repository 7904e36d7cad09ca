// image_registry_test.cpp -- Tests of the image registry: archive before disk, search paths, the rectangle and
// power-of-two rules, lookups by alias and name, reference counting with the "IMAGE DELETED" line, remove.
#include "shader/image_registry.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/log.h"
#include "data/archive.h"
#include "data/archive_writer.h"
#include "image/image_samples.h"
#include "shader/texture_1d.h"
#include "shader/texture_2d.h"
#include "shader_test_support.h"

namespace qv3rn {
namespace {

using test::Bytes;

// A w x h 24-bit TGA of one colour.
Bytes flatTga(int width, int height, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    test::TgaLayout layout;
    layout.width = static_cast<std::uint16_t>(width);
    layout.height = static_cast<std::uint16_t>(height);
    for (int i = 0; i < width * height; ++i) layout.data.insert(layout.data.end(), {b, g, r});
    return test::tgaFile(layout);
}

class ImageRegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        resetExtensions();
        registry.registerDefaults();
        std::filesystem::remove_all("registry");
        std::filesystem::create_directories("registry/data/art");
    }
    void TearDown() override { resetExtensions(); }

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

    ImageRegistry registry;  // the current registry while the test runs
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
    Handle<Texture> photo = load("photo.jpg", GL_TEXTURE_2D, ImageFormat::Rgba);  // not in the archive
    ASSERT_TRUE(photo) << registry.lastError();
    EXPECT_NEAR(static_cast<int>(firstPixel(photo) >> 24), 200, 3);
    EXPECT_EQ(firstPixel(photo) & 0xFF, 0xFFu);

    archive.reset();  // the demo destroys its archive after loading
    EXPECT_EQ(firstPixel(load("logo.tga")), 0x0000FFu);
    test::writeFile("registry/loose.tga", flatTga(1, 1, 9, 9, 9));
    EXPECT_TRUE(load("registry/loose.tga"));
}

TEST_F(ImageRegistryTest, NamesNoDecoderReadsAndMissingOrDamagedFilesGiveNullWithTheReason) {
    test::writeFile("registry/notes.txt", Bytes{'h', 'i'});
    EXPECT_FALSE(load("registry/notes.txt"));
    EXPECT_NE(registry.lastError().find("no decoder"), std::string::npos) << registry.lastError();
    EXPECT_FALSE(load("registry/PICTURE.TGA"));
    EXPECT_FALSE(load("registry/missing.png"));
    EXPECT_NE(registry.lastError().find("missing.png"), std::string::npos) << registry.lastError();
    Bytes damaged = flatTga(4, 4, 1, 2, 3);
    damaged.resize(damaged.size() - 5);
    auto archive = openArchive({{"data/art/damaged.tga", damaged}});
    EXPECT_FALSE(load("damaged.tga"));
    EXPECT_NE(registry.lastError().find("damaged.tga"), std::string::npos) << registry.lastError();
    EXPECT_TRUE(registry.images().empty());
}

TEST_F(ImageRegistryTest, TargetsDecideTheTextureKindAndTheSquaring) {
    test::writeFile("registry/wide.tga", flatTga(300, 200, 10, 20, 30));
    Handle<Texture> flat = load("registry/wide.tga");
    ASSERT_TRUE(flat);
    EXPECT_EQ(width(flat), 256);
    EXPECT_EQ(dynamic_cast<Texture2D&>(*flat).height(), 256);
    EXPECT_EQ(dynamic_cast<Texture2D&>(*flat).pixels().pixel(100, 100), 0x0A141Eu);
    flat->setAlias("flat");  // each image below gets an alias so that the next load decodes afresh

    for (bool rectangles : {true, false}) {
        GL_EXT_texture_rectangle_Flag = rectangles;
        Handle<Texture> image = load("registry/wide.tga", GL_TEXTURE_RECTANGLE_ARB);
        ASSERT_TRUE(image);
        EXPECT_EQ(image->target(), rectangles ? GLenum(GL_TEXTURE_RECTANGLE_ARB) : GLenum(GL_TEXTURE_2D));
        EXPECT_EQ(width(image), rectangles ? 300 : 256);
        image->setAlias(rectangles ? "rectangle" : "fallback");
    }
    test::writeFile("registry/square.tga", flatTga(48, 48, 1, 1, 1));  // square 2D images keep their size
    EXPECT_EQ(width(load("registry/square.tga")), 48);

    Handle<Texture> line = load("registry/wide.tga", GL_TEXTURE_1D, ImageFormat::Alpha);
    auto* line1D = dynamic_cast<Texture1D*>(line.get());
    ASSERT_NE(line1D, nullptr);
    EXPECT_EQ(line1D->width(), 300);
    EXPECT_EQ(line1D->format(), ImageFormat::Alpha);
    EXPECT_FALSE(load("registry/wide.tga", GL_TEXTURE_3D));
    EXPECT_FALSE(load("registry/wide.tga", GL_TEXTURE_CUBE_MAP));
}

TEST_F(ImageRegistryTest, FindTakesTheNewestMatchByAliasOrNameAndAddRefusesDuplicates) {
    auto* older = new Texture2D();
    older->setName("a.tga");
    older->setAlias("b.tga");
    auto* newer = new Texture2D();
    newer->setName("b.tga");
    EXPECT_FALSE(registry.add(nullptr));
    ASSERT_TRUE(registry.add(older) && registry.add(newer));
    EXPECT_EQ(registry.find("b.tga").get(), newer);  // the newest image that matches either way
    EXPECT_EQ(registry.find("a.tga").get(), older);
    EXPECT_FALSE(registry.find("B.TGA"));  // exact comparison
    Texture2D duplicate;  // same name and alias: refused, the caller keeps it
    duplicate.setName("b.tga");
    EXPECT_FALSE(registry.add(&duplicate));
    EXPECT_EQ(duplicate.references(), 0);

    // Loading one name twice, each given an alias, keeps both; a load while the newest has no alias reuses it.
    test::writeFile("registry/tile.tga", flatTga(4, 4, 5, 6, 7));
    load("registry/tile.tga")->setAlias("tile clamped");
    Handle<Texture> second = load("registry/tile.tga");
    EXPECT_EQ(load("registry/tile.tga").get(), second.get());
    EXPECT_EQ(registry.images().size(), 4u);
}

TEST_F(ImageRegistryTest, ReleasingTheOnlyHandleOfALoadDeletesJustThatImageWithALogLine) {
    Log log;
    ASSERT_TRUE(log.open("registry_deleted.log"));
    test::writeFile("registry/once.tga", flatTga(2, 2, 1, 1, 1));
    test::writeFile("registry/kept.tga", flatTga(2, 2, 2, 2, 2));
    ShaderManager shaders;  // the deletion line names the frame time of the current shader manager
    test::setDemoTime(12.5f);
    Handle<Texture> kept = load("registry/kept.tga");
    Handle<Texture> handle = load("registry/once.tga");
    handle->setAlias("loading picture");
    EXPECT_EQ(handle->references(), 2);
    EXPECT_TRUE(registry.releaseHandle(handle));
    EXPECT_FALSE(handle);
    EXPECT_FALSE(registry.releaseHandle(handle));
    ASSERT_EQ(registry.images().size(), 1u);
    EXPECT_EQ(registry.images().front()->name(), "registry/kept.tga");
    log.close();
    std::ifstream file("registry_deleted.log");
    std::stringstream text;
    text << file.rdbuf();
    EXPECT_EQ(text.str(), "IMAGE DELETED registry/once.tga <=> loading picture AT TIME 12.500000\n");

    // An image that was found stays until clear, which forgets decoders and search paths too.
    Handle<Texture> found = registry.find("registry/kept.tga");
    EXPECT_EQ(found->references(), 4);  // registry, load handle, and the two of the lookup
    registry.releaseHandle(found);
    registry.releaseHandle(kept);
    EXPECT_EQ(registry.images().size(), 1u);
    registry.clear();
    EXPECT_TRUE(registry.images().empty());
    EXPECT_TRUE(registry.decoders().empty());
}

TEST_F(ImageRegistryTest, RemoveAndReleaseCountsDownAndRemoveHandsTheImageOver) {
    auto* target = new Texture2D();
    target->setName("target.pbuffer");
    target->setAlias("512x512 PixelBuffer");
    ASSERT_TRUE(registry.add(target));
    target->addRef();  // someone else holds it too
    EXPECT_TRUE(registry.removeAndRelease("512x512 PixelBuffer"));
    EXPECT_EQ(registry.images().size(), 1u);  // one reference left: still listed
    EXPECT_TRUE(registry.remove("target.pbuffer"));
    EXPECT_TRUE(registry.images().empty());
    EXPECT_EQ(target->references(), 0);
    delete target;  // remove gave it back to the caller
    EXPECT_FALSE(registry.remove("target.pbuffer"));
    EXPECT_FALSE(registry.removeAndRelease("nothing"));
}

}  // namespace
}  // namespace qv3rn
