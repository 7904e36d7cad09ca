// Tests of the image registry: archive before disk, search paths, the rectangle and power-of-two rules, lookups by
// alias and name, reference counting with the "IMAGE DELETED" line, remove and clear.
#include "shader/image_registry.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "gl/extensions.h"
#include "core/log.h"
#include "data/archive.h"
#include "data/archive_writer.h"
#include "image/image_samples.h"
#include "math/random.h"
#include "shader/shader_manager.h"
#include "shader/texture_1d.h"
#include "shader/texture_2d.h"

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

void writeDiskFile(const std::string& path, const Bytes& bytes) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    test::writeFile(path, bytes);
}

class ImageRegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        resetExtensions();
        registry.registerDefaults();
        std::filesystem::remove_all("registry");
    }
    void TearDown() override { resetExtensions(); }

    // An archive holding `entries`, opened and handed to the registry.
    std::shared_ptr<Archive> openArchive(const std::vector<std::pair<std::string, Bytes>>& entries) {
        std::filesystem::create_directories("registry");
        ArchiveWriter writer;
        EXPECT_TRUE(writer.create("registry/images.dat", "secret"));
        for (const auto& [name, bytes] : entries) EXPECT_TRUE(writer.addData(name, bytes));
        EXPECT_TRUE(writer.commit()) << writer.lastError();
        auto archive = std::make_shared<Archive>();
        EXPECT_TRUE(archive->open("registry/images.dat", "secret"));
        registry.setArchive(archive);
        return archive;
    }

    static std::uint32_t firstPixel(const Handle<Texture>& image) {
        auto* texture = dynamic_cast<Texture2D*>(image.get());
        return texture ? texture->pixels().pixel(0, 0) : 0xDEADBEEF;
    }

    ImageRegistry registry;  // the current registry while the test runs
};

TEST_F(ImageRegistryTest, TheTestsOwnRegistryIsTheCurrentOne) {
    EXPECT_EQ(&ImageRegistry::instance(), &registry);
    ASSERT_EQ(registry.decoders().size(), 3u);
    EXPECT_EQ(registry.decoders()[0]->extension(), "jpg");
    EXPECT_EQ(registry.decoders()[1]->extension(), "png");
    EXPECT_EQ(registry.decoders()[2]->extension(), "tga");
    EXPECT_TRUE(gradientNoise().prepared());
}

TEST_F(ImageRegistryTest, TheArchiveComesBeforeTheDiskAndTheDiskAfterTheArchiveIsGone) {
    writeDiskFile("registry/data/art/logo.tga", flatTga(2, 2, 0, 0, 255));
    registry.addSearchPath("registry\\data\\art\\");
    auto archive = openArchive({{"data/art/logo.tga", flatTga(2, 2, 255, 0, 0)},
                                {"data/fnt/font.tga", flatTga(2, 2, 0, 255, 0)}});

    Handle<Texture> fromArchive = registry.load("logo.tga", ImageFormat::Rgb, GL_TEXTURE_2D);
    ASSERT_TRUE(fromArchive) << registry.lastError();
    EXPECT_EQ(firstPixel(fromArchive), 0xFF0000u);
    EXPECT_EQ(fromArchive->name(), "logo.tga");
    fromArchive->setAlias("archived logo");  // otherwise a second load of the name hands this one out
    Handle<Texture> font = registry.load("font.tga", ImageFormat::Rgb, GL_TEXTURE_2D);
    ASSERT_TRUE(font);
    EXPECT_EQ(firstPixel(font), 0x00FF00u);

    archive.reset();  // the demo destroys its archive after loading
    Handle<Texture> fromDisk = registry.load("logo.tga", ImageFormat::Rgb, GL_TEXTURE_2D);
    ASSERT_TRUE(fromDisk) << registry.lastError();
    EXPECT_EQ(firstPixel(fromDisk), 0x0000FFu);
}

TEST_F(ImageRegistryTest, AJpegMissingFromTheArchiveIsReadFromTheSearchPath) {
    auto archive = openArchive({{"data/art/other.tga", flatTga(1, 1, 1, 2, 3)}});
    writeDiskFile("registry/data/art/photo.jpg", test::jpegFile(8, 8, 3, test::flatPixels(8, 8, {200, 40, 40})));
    registry.addSearchPath("registry\\data\\fnt\\");  // tried first, holds nothing
    registry.addSearchPath("registry\\data\\art\\");
    Handle<Texture> photo = registry.load("photo.jpg", ImageFormat::Rgba, GL_TEXTURE_2D);
    ASSERT_TRUE(photo) << registry.lastError();
    EXPECT_NEAR(static_cast<int>(firstPixel(photo) >> 24), 200, 3);
    EXPECT_EQ(firstPixel(photo) & 0xFF, 0xFFu);

    // Without a matching search path the bare name is tried last.
    writeDiskFile("registry/loose.tga", flatTga(1, 1, 9, 9, 9));
    EXPECT_TRUE(registry.load("registry/loose.tga", ImageFormat::Rgb, GL_TEXTURE_2D));
}

TEST_F(ImageRegistryTest, NamesNoDecoderReadsAndMissingOrDamagedFilesGiveNull) {
    writeDiskFile("registry/notes.txt", Bytes{'h', 'i'});
    EXPECT_FALSE(registry.load("registry/notes.txt", ImageFormat::Rgb, GL_TEXTURE_2D));
    EXPECT_NE(registry.lastError().find("no decoder"), std::string::npos) << registry.lastError();
    EXPECT_FALSE(registry.load("registry/PICTURE.TGA", ImageFormat::Rgb, GL_TEXTURE_2D));
    EXPECT_FALSE(registry.load("registry/missing.png", ImageFormat::Rgb, GL_TEXTURE_2D));
    EXPECT_NE(registry.lastError().find("missing.png"), std::string::npos) << registry.lastError();

    Bytes damaged = flatTga(4, 4, 1, 2, 3);
    damaged.resize(damaged.size() - 5);
    auto archive = openArchive({{"data/art/damaged.tga", damaged}});
    EXPECT_FALSE(registry.load("damaged.tga", ImageFormat::Rgb, GL_TEXTURE_2D));
    EXPECT_NE(registry.lastError().find("damaged.tga"), std::string::npos) << registry.lastError();
    EXPECT_TRUE(registry.images().empty());
}

TEST_F(ImageRegistryTest, TargetsDecideTheTextureKindAndTheSquaring) {
    writeDiskFile("registry/wide.tga", flatTga(300, 200, 10, 20, 30));
    Handle<Texture> flat = registry.load("registry/wide.tga", ImageFormat::Rgb, GL_TEXTURE_2D);
    ASSERT_TRUE(flat);
    auto* flat2D = dynamic_cast<Texture2D*>(flat.get());
    ASSERT_NE(flat2D, nullptr);
    EXPECT_EQ(flat2D->width(), 256);
    EXPECT_EQ(flat2D->height(), 256);
    EXPECT_EQ(flat2D->pixels().pixel(100, 100), 0x0A141Eu);
    flat->setAlias("flat");  // each image below gets an alias so that the next load decodes afresh

    GL_EXT_texture_rectangle_Flag = true;
    Handle<Texture> rectangle = registry.load("registry/wide.tga", ImageFormat::Rgb, GL_TEXTURE_RECTANGLE_ARB);
    ASSERT_TRUE(rectangle);
    EXPECT_EQ(rectangle->target(), static_cast<GLenum>(GL_TEXTURE_RECTANGLE_ARB));
    EXPECT_EQ(dynamic_cast<Texture2D*>(rectangle.get())->width(), 300);
    rectangle->setAlias("rectangle");

    GL_EXT_texture_rectangle_Flag = false;
    Handle<Texture> fallback = registry.load("registry/wide.tga", ImageFormat::Rgb, GL_TEXTURE_RECTANGLE_ARB);
    ASSERT_TRUE(fallback);
    EXPECT_EQ(fallback->target(), static_cast<GLenum>(GL_TEXTURE_2D));
    EXPECT_EQ(dynamic_cast<Texture2D*>(fallback.get())->width(), 256);
    fallback->setAlias("fallback");

    writeDiskFile("registry/square.tga", flatTga(48, 48, 1, 1, 1));  // square 2D images keep their size
    Handle<Texture> square = registry.load("registry/square.tga", ImageFormat::Rgb, GL_TEXTURE_2D);
    ASSERT_TRUE(square);
    EXPECT_EQ(dynamic_cast<Texture2D*>(square.get())->width(), 48);

    Handle<Texture> line = registry.load("registry/wide.tga", ImageFormat::Alpha, GL_TEXTURE_1D);
    ASSERT_TRUE(line);
    auto* line1D = dynamic_cast<Texture1D*>(line.get());
    ASSERT_NE(line1D, nullptr);
    EXPECT_EQ(line1D->width(), 300);
    EXPECT_EQ(line1D->format(), ImageFormat::Alpha);

    EXPECT_FALSE(registry.load("registry/wide.tga", ImageFormat::Rgb, GL_TEXTURE_3D));
    EXPECT_FALSE(registry.load("registry/wide.tga", ImageFormat::Rgb, GL_TEXTURE_CUBE_MAP));
}

TEST_F(ImageRegistryTest, FindTakesTheNewestMatchByAliasOrName) {
    auto* older = new Texture2D();
    older->setName("a.tga");
    older->setAlias("b.tga");
    auto* newer = new Texture2D();
    newer->setName("b.tga");
    ASSERT_TRUE(registry.add(older));
    ASSERT_TRUE(registry.add(newer));

    EXPECT_EQ(registry.find("b.tga").get(), newer);  // the newest image that matches either way
    EXPECT_EQ(registry.find("a.tga").get(), older);
    EXPECT_FALSE(registry.find("c.tga"));
    EXPECT_FALSE(registry.find("B.TGA"));  // exact comparison

    auto* aliasOnly = new Texture2D();
    aliasOnly->setName("c.tga");
    aliasOnly->setAlias("a.tga");
    ASSERT_TRUE(registry.add(aliasOnly));
    EXPECT_EQ(registry.find("a.tga").get(), aliasOnly);
}

TEST_F(ImageRegistryTest, OneNameWithTwoAliasesKeepsBothAndFindGivesTheNewer) {
    writeDiskFile("registry/tile.tga", flatTga(4, 4, 5, 6, 7));
    Handle<Texture> first = registry.load("registry/tile.tga", ImageFormat::Rgb, GL_TEXTURE_2D);
    ASSERT_TRUE(first);
    first->setAlias("tile clamped");
    Handle<Texture> second = registry.load("registry/tile.tga", ImageFormat::Rgb, GL_TEXTURE_2D);
    ASSERT_TRUE(second);
    EXPECT_NE(first.get(), second.get());
    second->setAlias("tile repeated");
    EXPECT_EQ(registry.images().size(), 2u);
    EXPECT_EQ(registry.find("registry/tile.tga").get(), second.get());
    EXPECT_EQ(registry.find("tile clamped").get(), first.get());

    // A third load while the newest still has no alias hands that one out instead of a duplicate.
    Handle<Texture> plain = registry.load("registry/tile.tga", ImageFormat::Rgb, GL_TEXTURE_2D);
    Handle<Texture> again = registry.load("registry/tile.tga", ImageFormat::Rgb, GL_TEXTURE_2D);
    ASSERT_TRUE(plain);
    EXPECT_EQ(again.get(), plain.get());
    EXPECT_EQ(registry.images().size(), 3u);
}

TEST_F(ImageRegistryTest, AddRefusesNullAndAnImageWithTheSameNameAndAlias) {
    EXPECT_FALSE(registry.add(nullptr));
    auto* first = new Texture2D();
    first->setName("x.png");
    ASSERT_TRUE(registry.add(first));
    EXPECT_EQ(first->references(), 1);
    Texture2D duplicate;  // the caller keeps a refused image
    duplicate.setName("x.png");
    EXPECT_FALSE(registry.add(&duplicate));
    EXPECT_EQ(registry.images().size(), 1u);
    EXPECT_EQ(duplicate.references(), 0);
    EXPECT_EQ(first->references(), 2);  // the lookup's second reference stays on the listed image
}

TEST_F(ImageRegistryTest, ReleasingTheOnlyHandleOfALoadDeletesTheImageWithALogLine) {
    Log log;
    ASSERT_TRUE(log.open("registry_deleted.log"));
    writeDiskFile("registry/once.tga", flatTga(2, 2, 1, 1, 1));
    ShaderManager shaders;  // the deletion line names the frame time of the current shader manager
    shaders.setFrameTime(12.5f);
    Handle<Texture> handle = registry.load("registry/once.tga", ImageFormat::Rgb, GL_TEXTURE_2D);
    ASSERT_TRUE(handle);
    handle->setAlias("loading picture");
    EXPECT_EQ(handle->references(), 2);
    EXPECT_TRUE(registry.releaseHandle(handle));
    EXPECT_FALSE(handle);
    EXPECT_TRUE(registry.images().empty());
    EXPECT_FALSE(registry.releaseHandle(handle));
    log.close();

    std::ifstream file("registry_deleted.log");
    std::stringstream text;
    text << file.rdbuf();
    EXPECT_EQ(text.str(), "IMAGE DELETED registry/once.tga <=> loading picture AT TIME 12.500000\n");
}

TEST_F(ImageRegistryTest, AnImageThatWasFoundStaysUntilClear) {
    writeDiskFile("registry/kept.tga", flatTga(2, 2, 1, 1, 1));
    Handle<Texture> loaded = registry.load("registry/kept.tga", ImageFormat::Rgb, GL_TEXTURE_2D);
    Handle<Texture> found = registry.find("registry/kept.tga");
    EXPECT_EQ(found->references(), 4);  // registry, load handle, and the two of the lookup
    registry.releaseHandle(found);
    registry.releaseHandle(loaded);
    EXPECT_EQ(registry.images().size(), 1u);
    EXPECT_EQ(registry.images().front()->references(), 2);
    registry.clear();
    EXPECT_TRUE(registry.images().empty());
    EXPECT_TRUE(registry.decoders().empty());
    EXPECT_TRUE(registry.searchPaths().empty());
}

TEST_F(ImageRegistryTest, ReleasingAHandleDeletesThatImageNotAnotherWithoutAlias) {
    writeDiskFile("registry/one.tga", flatTga(1, 1, 1, 1, 1));
    writeDiskFile("registry/two.tga", flatTga(1, 1, 2, 2, 2));
    Handle<Texture> one = registry.load("registry/one.tga", ImageFormat::Rgb, GL_TEXTURE_2D);
    Handle<Texture> two = registry.load("registry/two.tga", ImageFormat::Rgb, GL_TEXTURE_2D);
    Texture* second = two.get();
    ASSERT_TRUE(registry.releaseHandle(one));
    ASSERT_EQ(registry.images().size(), 1u);
    EXPECT_EQ(registry.images().front(), second);
    EXPECT_EQ(second->name(), "registry/two.tga");
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
