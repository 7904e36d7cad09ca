// Tests of the image revealed through a brush's levels: the less-or-equal alpha test on real pixels, the
// dissolve value with and without a track, and the block.
#include "effects/dissolve_brush.h"

#include <gtest/gtest.h>

#include "overlay_test_support.h"

namespace qv3rn::test {
namespace {

// The brush's four columns, left to right, have the alpha levels 0, 85, 170 and 255 (white otherwise); the
// picture is opaque green.
class DissolveBrushTest : public OverlayTest {
protected:
    void SetUp() override {
        OverlayTest::SetUp();
        Texture2D* brushImage = addImage("levels.tga", 4, 1, [](int x, int) { return 0xFFFFFF00u | (85u * x); });
        brushImage->params().magFilter = GL_NEAREST;  // each column one level, unfiltered
        brushImage->params().minFilter = GL_NEAREST;
        Texture2D* picture = addImage("picture.tga", 4, 4, [](int, int) { return 0x00FF00FFu; });
        picture->params().magFilter = GL_NEAREST;  // no border colour filtered in at the edges
        clearScreen(0, 0, 0);
    }

    void TearDown() override {
        block = {};  // the effect gives its images back before the registry goes
        OverlayTest::TearDown();
    }

    DissolveBrush& load(const std::string& body) {
        block = loadBlock(loader, body);
        EXPECT_TRUE(block.loaded);
        return as<DissolveBrush>(block);
    }

    // Which of the four columns show the picture.
    std::array<bool, 4> shownColumns() {
        std::array<bool, 4> shown{};
        for (int column = 0; column < 4; ++column) {
            const Rgba rgba = screenPixel(80.0f + 160.0f * column, 240.0f);
            EXPECT_TRUE(nearColour(rgba, {0, 0, 0}, 0) || nearColour(rgba, {0, 255, 0}, 0)) << column;
            shown[column] = rgba[1] == 255;
        }
        return shown;
    }

    DissolveBrushLoader loader;
    LoadedBlock block;
};

TEST_F(DissolveBrushTest, AtTimeZeroOnlyFragmentsOfAlphaZeroShow) {
    DissolveBrush& brush = load("Start 0\nEnd 2\nBrush \"levels.tga\"\nImage \"picture.tga\"\n}\n");
    brush.update(0.0f);
    EXPECT_FLOAT_EQ(brush.dissolve, 0.0f);
    brush.render();
    EXPECT_EQ(shownColumns(), (std::array<bool, 4>{true, false, false, false})) << "the test is less-or-equal";
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(DissolveBrushTest, RaisingDissolveRevealsThePictureInTheOrderOfTheBrushLevels) {
    DissolveBrush& brush = load("Start 0\nEnd 2\nBrush \"levels.tga\"\nImage \"picture.tga\"\n}\n");
    brush.update(0.5f);  // without a track: t / (end - start) = 0.25, between the levels 0 and 85
    EXPECT_FLOAT_EQ(brush.dissolve, 0.25f);
    brush.render();
    EXPECT_EQ(shownColumns(), (std::array<bool, 4>{true, false, false, false}));

    brush.update(1.4f);  // 0.7: past 170
    brush.render();
    EXPECT_EQ(shownColumns(), (std::array<bool, 4>{true, true, true, false}));

    clearScreen(0, 0, 0);
    brush.update(2.0f);  // 1: the largest level, and so the whole picture
    brush.render();
    EXPECT_EQ(shownColumns(), (std::array<bool, 4>{true, true, true, true}));
}

TEST_F(DissolveBrushTest, ALevelEqualToDissolveShows) {
    DissolveBrush& brush = load("Brush \"levels.tga\"\nImage \"picture.tga\"\n" +
                                constantField("Dissolve {", 170.0f / 255.0f) + "}\n");
    ASSERT_NE(brush.dissolveTrack, nullptr);
    brush.update(5.0f);
    brush.render();
    EXPECT_EQ(shownColumns(), (std::array<bool, 4>{true, true, true, false}));
}

TEST_F(DissolveBrushTest, NothingIsDrawnWithoutAPictureAndTheStateIsRestored) {
    DissolveBrush& brush = load("Brush \"levels.tga\"\nImage \"missing.tga\"\n}\n");
    EXPECT_FALSE(brush.image);
    brush.update(1.0f);
    brush.render();
    EXPECT_EQ(shownColumns(), (std::array<bool, 4>{false, false, false, false}));

    DissolveBrush& shown = load("Start 0\nEnd 1\nBrush \"levels.tga\"\nImage \"picture.tga\"\n}\n");
    shown.update(1.0f);
    shown.render();
    EXPECT_FALSE(glIsEnabled(GL_ALPHA_TEST));
    GLint unit = 0;
    glGetIntegerv(GL_ACTIVE_TEXTURE, &unit);
    EXPECT_EQ(unit, GL_TEXTURE0) << "unit 0 is selected again after the brush is unbound";
    glActiveTexture(GL_TEXTURE1);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    glActiveTexture(GL_TEXTURE0);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
}

TEST_F(DissolveBrushTest, BlockKeywordsAndItsError) {
    DissolveBrush& brush = load("Name \"reveal\"\nBrush \"levels.tga\"\nImage \"picture.tga\"\n}\n");
    EXPECT_EQ(brush.name(), "reveal");
    EXPECT_EQ(brush.kind(), 5u);
    ASSERT_TRUE(brush.brush);
    EXPECT_EQ(brush.brush.get()->name(), "levels.tga");
    EXPECT_EQ(brush.image.get()->name(), "picture.tga");
    try {
        loadBlock(loader, "Picture \"x\"\n}\n");
        FAIL() << "no error raised";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "DissolveBrushLoader unknown tokenPicture \"x\"");
    }
}

}  // namespace
}  // namespace qv3rn::test
