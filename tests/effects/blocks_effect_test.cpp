// Tests of the assembling image: the tile grid and its texture coordinates, one random flight length per tile
// in row order, tiles flying home in k seconds (also within the screen's plane), the assembled picture, and
// the loader's keywords and errors.
#include "effects/blocks_effect.h"

#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>

#include "math/random.h"
#include "overlay_test_support.h"

namespace qv3rn {
namespace {

using test::loadBlock;
using test::nearColour;

float distanceFromHome(const BlocksEffect::Tile& tile) {
    const auto& now = tile.corners[0];
    const auto& home = tile.home[0];
    return std::sqrt((now.x - home.x) * (now.x - home.x) + (now.y - home.y) * (now.y - home.y) +
                     (now.z - home.z) * (now.z - home.z));
}

class BlocksEffectTest : public test::OverlayTest {
protected:
    // Quadrants of a 256 x 256 picture: top-left red, top-right green, bottom-left blue, bottom-right white.
    void addPicture() {
        addImage("quad.png", 256, 256, [](int x, int y) -> std::uint32_t {
            if (y < 128) return x < 128 ? 0xFF0000FFu : 0x00FF00FFu;
            return x < 128 ? 0x0000FFFFu : 0xFFFFFFFFu;
        });
    }
    std::unique_ptr<Effect> load(const std::string& position) {
        test::LoadedBlock block = loadBlock(loader, "Image \"quad.png\"\nRect 0 0 256 256\nRows 2\nCols 2\nPosition " +
                                                        position + "\nDistance 100\n}\n");
        EXPECT_TRUE(block.loaded) << loader.rejectedLine();
        return std::move(block.effect);
    }
    // Steps the effect from `start` at 60 frames per second and checks every tile against its flight length.
    static void expectTilesLandAfterTheirFlight(BlocksEffect& blocks, float start) {
        std::vector<float> flight;
        for (const auto& tile : blocks.tiles()) flight.push_back(tile.flightLeft);
        blocks.update(start);
        float elapsed = 0.001f;
        for (int frame = 1; frame <= 200; ++frame) {
            blocks.update(start + frame / 60.0f);
            elapsed += 1.0f / 60.0f;
            for (std::size_t i = 0; i < flight.size(); ++i) {
                const auto& tile = blocks.tiles()[i];
                if (elapsed < flight[i] - 1e-3f) {
                    EXPECT_NEAR(distanceFromHome(tile), (flight[i] - elapsed) * 100.0f, 0.05f) << i << " " << frame;
                    EXPECT_GT(tile.angle, 0.0f);
                } else if (elapsed >= flight[i] + 1e-3f) {
                    EXPECT_EQ(distanceFromHome(tile), 0.0f) << i << " " << frame;
                    EXPECT_EQ(tile.angle, 0.0f);
                }
            }
        }
    }

    BlocksEffectLoader loader;
};

TEST_F(BlocksEffectTest, TilesCutThePictureRowByRowFromTheTop) {
    addPicture();
    auto effect = load("128 128 -100");
    auto& blocks = dynamic_cast<BlocksEffect&>(*effect);
    ASSERT_TRUE(blocks.init());
    ASSERT_EQ(blocks.tiles().size(), 4u);
    const auto& topLeft = blocks.tiles()[0];
    EXPECT_EQ(topLeft.texCoords, (std::array<float, 8>{0.5f, 0.0f, 0.0f, 0.0f, 0.0f, 0.5f, 0.5f, 0.5f}));
    const float expectedHome[4][2] = {{128, 256}, {0, 256}, {0, 128}, {128, 128}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_FLOAT_EQ(topLeft.home[i].x, expectedHome[i][0]);
        EXPECT_FLOAT_EQ(topLeft.home[i].y, expectedHome[i][1]);
        EXPECT_FLOAT_EQ(topLeft.home[i].z, 0.0f);
    }
    const auto& bottomRight = blocks.tiles()[3];
    EXPECT_FLOAT_EQ(bottomRight.home[2].x, 128.0f);
    EXPECT_FLOAT_EQ(bottomRight.home[2].y, 0.0f);
    EXPECT_FLOAT_EQ(bottomRight.texCoords[0], 1.0f);
    EXPECT_FLOAT_EQ(bottomRight.texCoords[7], 1.0f);
    // The direction points from the position to the first corner: (0, 128, 100) for the top-left tile.
    const float length = std::sqrt(128.0f * 128.0f + 100.0f * 100.0f);
    EXPECT_NEAR(topLeft.direction.x, 0.0f, 1e-6f);
    EXPECT_NEAR(topLeft.direction.y, 128.0f / length, 1e-6f);
    EXPECT_NEAR(topLeft.direction.z, 100.0f / length, 1e-6f);
}

TEST_F(BlocksEffectTest, EachTileDrawsOneFlightLengthInRowOrder) {
    addPicture();
    auto effect = load("128 128 -100");
    auto& blocks = dynamic_cast<BlocksEffect&>(*effect);
    runtimeRandom().seed(777);
    ASSERT_TRUE(blocks.init());
    Random expected(777);
    for (const auto& tile : blocks.tiles()) {
        const float k = 1.0f + expected.next() * 6.103702e-5f;
        EXPECT_FLOAT_EQ(tile.flightLeft, k);
        EXPECT_FLOAT_EQ(tile.angle, k * 360.0f);
        EXPECT_NEAR(distanceFromHome(tile), k * 100.0f, 1e-3f);
        EXPECT_GE(k, 1.0f);
        EXPECT_LE(k, 3.0f);
    }
    EXPECT_EQ(runtimeRandom().next(), expected.next());
}

TEST_F(BlocksEffectTest, TilesFlyHomeInKSecondsAndStay) {
    addPicture();
    auto effect = load("128 128 -100");
    auto& blocks = dynamic_cast<BlocksEffect&>(*effect);
    ASSERT_TRUE(blocks.init());
    expectTilesLandAfterTheirFlight(blocks, 20.0f);
}

TEST_F(BlocksEffectTest, TilesFlyingWithinTheScreensPlaneLandToo) {
    // With the point in the picture's plane the tiles never leave z = 0; they still come home in k seconds.
    addPicture();
    auto effect = load("100 90 0");
    auto& blocks = dynamic_cast<BlocksEffect&>(*effect);
    ASSERT_TRUE(blocks.init());
    EXPECT_EQ(blocks.tiles()[0].corners[0].z, 0.0f);
    EXPECT_GT(distanceFromHome(blocks.tiles()[0]), 99.0f);
    expectTilesLandAfterTheirFlight(blocks, 0.0f);
}

TEST_F(BlocksEffectTest, ATileWhoseFirstCornerIsThePointStaysHome) {
    // The bottom-left tile's first corner is (128, 128): it has no direction to fly from.
    addPicture();
    auto effect = load("128 128 0");
    auto& blocks = dynamic_cast<BlocksEffect&>(*effect);
    ASSERT_TRUE(blocks.init());
    const auto& tile = blocks.tiles()[2];
    EXPECT_EQ(distanceFromHome(tile), 0.0f);
    EXPECT_FALSE(std::isnan(tile.centre.x));
    blocks.update(1.0f);
    EXPECT_EQ(distanceFromHome(blocks.tiles()[2]), 0.0f);
}

TEST_F(BlocksEffectTest, TheLandedTilesShowThePicture) {
    addPicture();
    auto effect = load("128 128 -100");
    ASSERT_TRUE(effect->init());
    for (int frame = 0; frame <= 200; ++frame) effect->update(frame / 60.0f);
    effect->render();
    // The picture spans 0 .. 256 of the -256 .. 256 square: the upper-right quarter of the screen.
    EXPECT_TRUE(nearColour(screenPixel(400, 420), {255, 0, 0}));
    EXPECT_TRUE(nearColour(screenPixel(560, 420), {0, 255, 0}));
    EXPECT_TRUE(nearColour(screenPixel(400, 300), {0, 0, 255}));
    EXPECT_TRUE(nearColour(screenPixel(560, 300), {255, 255, 255}));
    EXPECT_TRUE(nearColour(screenPixel(200, 300), {0, 0, 0}, 0));
    EXPECT_TRUE(nearColour(screenPixel(400, 200), {0, 0, 0}, 0));
}

TEST_F(BlocksEffectTest, WithoutAnImageNothingIsDrawn) {
    test::LoadedBlock block = loadBlock(loader, "Rows 1\nCols 1\n}\n");
    ASSERT_TRUE(block.loaded);
    block.effect->init();
    block.effect->update(0.0f);
    block.effect->render();
    EXPECT_TRUE(nearColour(screenPixel(400, 300), {0, 0, 0}, 0));
}

TEST_F(BlocksEffectTest, ImageKeywordsComeFirstAndUnknownLinesRaiseTheBlocksError) {
    test::LoadedBlock block = loadBlock(loader, "TexRect 0 0 0.5 0.5\nPosition 1 2 3\nDistance 9\nRows 3\nCols 5\n}\n");
    ASSERT_TRUE(block.loaded);
    auto& blocks = test::as<BlocksEffect>(block);
    EXPECT_EQ(blocks.kind(), static_cast<std::uint32_t>(EffectKind::Blocks));
    EXPECT_FLOAT_EQ(blocks.texRight, 0.5f);
    EXPECT_FLOAT_EQ(blocks.position.z, 3.0f);
    EXPECT_FLOAT_EQ(blocks.distance, 9.0f);
    EXPECT_EQ(blocks.rows, 3);
    EXPECT_EQ(blocks.cols, 5);
    try {
        loadBlock(loader, "Rows 2\nShatter 1\n}\n");
        FAIL() << "no error";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "BlocksEffect unknown token");
    }
    EXPECT_THROW(loadBlock(loader, "Rows 5000\n}\n"), std::runtime_error);
    EXPECT_THROW(loadBlock(loader, "Cols -1\n}\n"), std::runtime_error);
    EXPECT_THROW(loadBlock(loader, "Rows 1000\nCols 1000\n}\n"), std::runtime_error);
}

TEST_F(BlocksEffectTest, TheScriptReaderMakesBlocksBlocks) {
    test::ParsedScript script = test::parseScript("Blocks {\n  Rows 2\n}\n");
    ASSERT_TRUE(script.parsed) << script.failure;
    ASSERT_EQ(script.effects().size(), 1u);
    EXPECT_NE(dynamic_cast<BlocksEffect*>(script.effects()[0]), nullptr);
}

}  // namespace
}  // namespace qv3rn
