// Tests of the loading screen: the grid and its 11 empty tiles, the shuffle, the tiles lit one per progress
// call in a real context, the picture's orientation, and the saturation after the 164th call.
#include "demo/loading_screen.h"

#include <gtest/gtest.h>

#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <memory>
#include <set>
#include <tuple>
#include <vector>

#include "gl/extensions.h"
#include "effects/frame_renderer.h"
#include "image/image_samples.h"
#include "support/gl_test_context.h"
#include "math/random.h"
#include "shader/image_registry.h"
#include "shader/texture_2d.h"
#include "app/scripted_window_system.h"  // Required for: TemporaryFolder

namespace qv3rn {
namespace {

using Tiles = LoadingScreen::Tiles;

bool isZero(const LoadingTile& tile) { return tile == LoadingTile{}; }

std::vector<LoadingTile> sorted(const Tiles& tiles) {
    std::vector<LoadingTile> list(tiles.begin(), tiles.end());
    std::sort(list.begin(), list.end(), [](const LoadingTile& a, const LoadingTile& b) {
        return std::tie(a.y, a.x, a.width) < std::tie(b.y, b.x, b.width);
    });
    return list;
}

TEST(LoadingScreenLayout, SeventeenColumnsOfNineRowsCoverTheScreenAndElevenTilesStayEmpty) {
    EXPECT_EQ(LoadingScreen::columns(), 17);
    EXPECT_EQ(LoadingScreen::rows(), 9);
    const Tiles tiles = LoadingScreen::gridTiles();
    const float cellWidth = 640.0f / 17.0f;
    const float cellHeight = 480.0f / 9.0f;
    for (int row = 0; row < 9; ++row)
        for (int column = 0; column < 17; ++column) {
            const LoadingTile& tile = tiles[static_cast<std::size_t>(row * 17 + column)];
            SCOPED_TRACE(testing::Message() << "row " << row << " column " << column);
            EXPECT_FLOAT_EQ(tile.x, column * cellWidth);
            EXPECT_FLOAT_EQ(tile.y, row * cellHeight);
            EXPECT_FLOAT_EQ(tile.width, cellWidth);
            EXPECT_FLOAT_EQ(tile.height, cellHeight);
            EXPECT_FLOAT_EQ(tile.s, tile.x);            // the picture is read where the tile is drawn
            EXPECT_FLOAT_EQ(tile.t, 480.0f - tile.y);  // counted from the picture's first row
        }
    for (std::size_t i = 153; i < 164; ++i) EXPECT_TRUE(isZero(tiles[i])) << i;
    // The last column and row end at the screen's edges.
    EXPECT_NEAR(tiles[16].x + tiles[16].width, 640.0f, 1e-3f);
    EXPECT_NEAR(tiles[8 * 17].y + tiles[8 * 17].height, 480.0f, 1e-3f);
}

TEST(LoadingScreenLayout, TheShuffleIsAPermutationDrawnFromTheGenerator) {
    const Tiles grid = LoadingScreen::gridTiles();
    Random random(1234);
    Tiles shuffled = grid;
    LoadingScreen::shuffle(shuffled, random);
    EXPECT_NE(shuffled, grid);
    EXPECT_EQ(sorted(shuffled), sorted(grid));
    EXPECT_EQ(std::count_if(shuffled.begin(), shuffled.end(), isZero), 11);

    // It takes exactly one number per tile from the generator.
    Random skipped(1234);
    for (int i = 0; i < 164; ++i) skipped.next();
    EXPECT_EQ(random.next(), skipped.next());

    // The same seed gives the same order; another seed another one.
    Random again(1234), other(99);
    Tiles same = grid, different = grid;
    LoadingScreen::shuffle(same, again);
    LoadingScreen::shuffle(different, other);
    EXPECT_EQ(same, shuffled);
    EXPECT_NE(different, shuffled);
}

TEST(LoadingScreenLayout, EveryTileCanComeFirstAndTheLastPlaceTakesWhatIsLeft) {
    const Tiles grid = LoadingScreen::gridTiles();
    std::set<std::tuple<float, float, float>> firsts;
    Random random(7);
    for (int run = 0; run < 3000; ++run) {
        Tiles tiles = grid;
        LoadingScreen::shuffle(tiles, random);
        firsts.insert({tiles[0].x, tiles[0].y, tiles[0].width});
    }
    // 153 drawn positions and the empty tile: a shuffle that never reached some tiles would miss them here.
    EXPECT_EQ(firsts.size(), 154u);
}

// The loading screen in a real context: the 64 x 64 framebuffer shows the 640 x 480 virtual screen.
class LoadingScreenDrawing : public test::GLTest {
protected:
    void SetUp() override {
        test::GLTest::SetUp();
        applyPlayerGLState();  // as at start-up: culling and depth test on, lighting off
        glViewport(0, 0, width, height);
    }
    void TearDown() override {
        resetExtensions();  // a test may have run the extension report
        test::GLTest::TearDown();
    }

    // The framebuffer pixel at the middle of a tile.
    std::array<std::uint8_t, 4> middleOf(const LoadingTile& tile) const {
        const int x = static_cast<int>((tile.x + tile.width / 2) * width / 640.0f);
        const int y = static_cast<int>((tile.y + tile.height / 2) * height / 480.0f);
        return pixel(x, y);
    }

    // How many grid cells show the lit brightness, and whether exactly the first `lit` tiles do.
    void expectLit(const LoadingScreen& screen, int lit, std::uint8_t bright, std::uint8_t dim, int channel = 0) {
        int brightCells = 0;
        for (int i = 0; i < 164; ++i) {
            const LoadingTile& tile = screen.tiles()[static_cast<std::size_t>(i)];
            if (isZero(tile)) continue;
            const auto rgba = middleOf(tile);
            const std::uint8_t expected = i < lit ? bright : dim;
            EXPECT_NEAR(rgba[channel], expected, 2) << "tile " << i << " after " << lit << " steps";
            brightCells += rgba[channel] > (bright + dim) / 2;
        }
        int litDrawn = 0;
        for (int i = 0; i < lit; ++i) litDrawn += !isZero(screen.tiles()[static_cast<std::size_t>(i)]);
        EXPECT_EQ(brightCells, litDrawn);
    }

    int presents = 0;
};

TEST_F(LoadingScreenDrawing, EachStepLightsOneMoreTileOverTheDimOnes) {
    LoadingScreen screen([this] { ++presents; });
    Random random(42);
    screen.setUp(random, {});
    EXPECT_EQ(presents, 1);
    EXPECT_EQ(screen.progress(), 0);

    for (int step = 1; step <= 20; ++step) {
        ASSERT_TRUE(screen.drawProgress());
        EXPECT_EQ(screen.progress(), step);
    }
    EXPECT_EQ(presents, 21);
    // Without a picture the tiles are plain white and 75 % grey (191 of 255).
    expectLit(screen, 20, 255, 191);

    // Drawing left the state as it was: lighting off, depth writes and culling on.
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    GLboolean depthWrites = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
    EXPECT_TRUE(depthWrites);
}

TEST_F(LoadingScreenDrawing, AfterTheLastTileFurtherCallsDrawNothing) {
    LoadingScreen screen([this] { ++presents; });
    Random random(5);
    screen.setUp(random, {});
    for (int step = 0; step < 164; ++step) ASSERT_TRUE(screen.drawProgress()) << step;
    expectLit(screen, 164, 255, 191);
    EXPECT_EQ(presents, 165);

    glClearColor(0.0f, 0.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    for (int extra = 0; extra < 10; ++extra) EXPECT_FALSE(screen.drawProgress());
    EXPECT_EQ(screen.progress(), 164);
    EXPECT_EQ(presents, 165);
    const auto rgba = pixel(32, 32);
    EXPECT_EQ(rgba[0], 0);
    EXPECT_EQ(rgba[2], 255);  // untouched
}

TEST_F(LoadingScreenDrawing, ThePictureIsReadUprightInPixelsOfTheRectangleTexture) {
    // Top half (the first rows) red, bottom half blue, 640 x 480 like the loading picture.
    std::vector<std::uint8_t> pixels;
    for (int row = 0; row < 480; ++row)
        for (int column = 0; column < 640; ++column) {
            const bool top = row < 240;
            pixels.insert(pixels.end(), {static_cast<std::uint8_t>(top ? 255 : 0), 0,
                                         static_cast<std::uint8_t>(top ? 0 : 255), 255});
        }
    auto picture = std::make_unique<Texture2D>(GL_TEXTURE_RECTANGLE_ARB);
    ASSERT_TRUE(picture->attachPixels(640, 480, ImageFormat::Rgba, std::move(pixels)));

    LoadingScreen screen([this] { ++presents; });
    Random random(11);
    screen.setUp(random, Handle<Texture>(picture.get()));
    for (int step = 0; step < 80; ++step) screen.drawProgress();

    for (int i = 0; i < 164; ++i) {
        const LoadingTile& tile = screen.tiles()[static_cast<std::size_t>(i)];
        if (isZero(tile)) continue;
        const float middle = tile.y + tile.height / 2;
        if (middle > 200.0f && middle < 280.0f) continue;  // the row across the picture's middle
        const bool upper = middle > 240.0f;  // the top of the screen shows the picture's first rows
        const std::uint8_t level = i < 80 ? 255 : 191;
        const auto rgba = middleOf(tile);
        SCOPED_TRACE(testing::Message() << "tile " << i);
        EXPECT_NEAR(rgba[0], upper ? level : 0, 2);
        EXPECT_NEAR(rgba[2], upper ? 0 : level, 2);
    }
    EXPECT_EQ(screen.takePicture().get(), picture.get());
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_RECTANGLE_ARB));  // the picture was unbound
}

TEST_F(LoadingScreenDrawing, APictureFromTheRegistryIsDrawnWithTheExtensionsTheDriverReports) {
    // As at start-up: the extension report has run, the picture is a JPEG asked for as a rectangle texture.
    reportExtensions(*context);
    test::TemporaryFolder folder;
    std::vector<std::uint8_t> rgb;
    for (int row = 0; row < 480; ++row)
        for (int column = 0; column < 640; ++column)
            rgb.insert(rgb.end(), {static_cast<std::uint8_t>(row < 240 ? 250 : 0), 0,
                                   static_cast<std::uint8_t>(row < 240 ? 0 : 250)});
    test::writeFile("demo_loading.jpg", test::jpegFile(640, 480, 3, rgb));
    ImageRegistry registry;
    registry.registerDefaults();
    Handle<Texture> picture = LoadingScreen::loadPicture(registry);
    ASSERT_TRUE(picture) << registry.lastError();
    {
        LoadingScreen screen([this] { ++presents; });
        Random random(3);
        screen.setUp(random, picture);
        for (int step = 0; step < 164; ++step) screen.drawProgress();
        const auto top = pixel(32, 60);
        const auto bottom = pixel(32, 4);
        EXPECT_NEAR(top[0], 250, 6);
        EXPECT_NEAR(top[2], 0, 6);
        EXPECT_NEAR(bottom[0], 0, 6);
        EXPECT_NEAR(bottom[2], 250, 6);
    }
    registry.releaseHandle(picture);
    registry.clear();
}

}  // namespace
}  // namespace qv3rn
