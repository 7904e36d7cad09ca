// The loading screen: its grid, the shuffle, tiles lit per progress call, the picture read upright.
#include "demo/loading_screen.h"

#include <gtest/gtest.h>

#include <GL/gl.h>
#include <GL/glext.h>

#include <vector>

#include "app/scripted_window_system.h"  // Required for: TemporaryFolder
#include "gl/default_gl_state.h"
#include "gl/extensions.h"
#include "image/image_samples.h"
#include "math/random.h"
#include "shader/image_registry.h"
#include "support/gl_test_context.h"

namespace qv3rn {
namespace {

using Tiles = LoadingScreen::Tiles;

bool isZero(const LoadingTile& tile) { return tile == LoadingTile{}; }

// The loading screen in a real context: the 64 x 64 framebuffer shows the 640 x 480 virtual screen.
class LoadingScreenDrawing : public test::GLTest {
protected:
    void SetUp() override {
        test::GLTest::SetUp();
        reportExtensions(*context);  // as at start-up: the report, then the default state
        applyDefaultGLState();
        glViewport(0, 0, width, height);
    }
    void TearDown() override {
        resetExtensions();
        test::GLTest::TearDown();
    }

    // The framebuffer pixel at the middle of a tile.
    std::array<std::uint8_t, 4> middleOf(const LoadingTile& tile) const {
        const int x = static_cast<int>((tile.x + tile.width / 2) * width / 640.0f);
        const int y = static_cast<int>((tile.y + tile.height / 2) * height / 480.0f);
        return pixel(x, y);
    }

    // Exactly the first `lit` tiles show the bright level, the others the dim one.
    void expectLit(const LoadingScreen& screen, int lit) {
        for (int i = 0; i < 164; ++i) {
            const LoadingTile& tile = screen.tiles()[static_cast<std::size_t>(i)];
            if (isZero(tile)) continue;
            EXPECT_NEAR(middleOf(tile)[0], i < lit ? 255 : 191, 2) << "tile " << i;
        }
    }

    int presents = 0;
};

TEST_F(LoadingScreenDrawing, EachStepLightsOneMoreTileUntilTheLastAfterWhichNothingIsDrawn) {
    LoadingScreen screen([this] { ++presents; });
    Random random(42);
    screen.setUp(random, {});
    EXPECT_EQ(presents, 1);
    EXPECT_EQ(screen.progress(), 0);
    for (int step = 1; step <= 164; ++step) {
        ASSERT_TRUE(screen.drawProgress(step != 30));  // a step left unshown still lights its tile
        ASSERT_EQ(screen.progress(), step);
        if (step == 20) expectLit(screen, 20);  // without a picture: plain white over 75 % grey (191 of 255)
    }
    expectLit(screen, 164);
    EXPECT_EQ(presents, 164);
    // Drawing left the state as it was: lighting and blending off, depth writes and culling on.
    GLboolean depthWrites = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
    EXPECT_EQ((std::vector<int>{glIsEnabled(GL_LIGHTING), glIsEnabled(GL_CULL_FACE), glIsEnabled(GL_BLEND),
                                depthWrites}),
              (std::vector<int>{GL_FALSE, GL_TRUE, GL_FALSE, GL_TRUE}));

    glClearColor(0.0f, 0.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    for (int extra = 0; extra < 10; ++extra) EXPECT_FALSE(screen.drawProgress());
    EXPECT_EQ(screen.progress(), 164);
    EXPECT_EQ(presents, 164);
    EXPECT_EQ(pixel(32, 32)[2], 255);  // untouched
}

TEST_F(LoadingScreenDrawing, ThePictureFromTheRegistryIsDrawnUprightLitAndDim) {
    // Top half (the picture's first rows) red, bottom half blue, asked for as at start-up.
    test::TemporaryFolder folder;
    std::vector<std::uint8_t> rgb;
    for (int row = 0; row < 480; ++row)
        for (int column = 0; column < 640; ++column)
            rgb.insert(rgb.end(), {static_cast<std::uint8_t>(row < 240 ? 250 : 0), 0,
                                   static_cast<std::uint8_t>(row < 240 ? 0 : 250)});
    test::writeFile(LoadingScreen::pictureName, test::jpegFile(640, 480, 3, rgb));
    ImageRegistry registry;
    registry.registerDefaults();
    Handle<Texture> picture = LoadingScreen::loadPicture(registry);
    ASSERT_TRUE(picture) << registry.lastError();
    {
        LoadingScreen screen([this] { ++presents; });
        Random random(11);
        screen.setUp(random, picture);
        for (int step = 0; step < 80; ++step) screen.drawProgress();
        for (int i = 0; i < 164; ++i) {
            const LoadingTile& tile = screen.tiles()[static_cast<std::size_t>(i)];
            const float middle = tile.y + tile.height / 2;
            if (isZero(tile) || (middle > 200.0f && middle < 280.0f)) continue;  // the row across the middle
            const bool upper = middle > 240.0f;  // the top of the screen shows the picture's first rows
            const float level = i < 80 ? 250.0f : 250.0f * 0.75f;
            const auto rgba = middleOf(tile);
            SCOPED_TRACE(testing::Message() << "tile " << i);
            EXPECT_NEAR(rgba[0], upper ? level : 0.0f, 6.0f);
            EXPECT_NEAR(rgba[2], upper ? 0.0f : level, 6.0f);
        }
        EXPECT_EQ(screen.takePicture().get(), picture.get());
        EXPECT_FALSE(glIsEnabled(GL_TEXTURE_RECTANGLE_ARB));  // the picture was unbound
        EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    }
    registry.releaseHandle(picture);
    registry.clear();
}

}  // namespace
}  // namespace qv3rn
