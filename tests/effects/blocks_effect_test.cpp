// blocks_effect_test.cpp -- the assembling image: the tile grid cut row by row from the top, one random flight
// length per tile, tiles flying home in k seconds from anywhere, and the assembled picture.
#include "effects/blocks_effect.h"

#include <gtest/gtest.h>

#include <cmath>

#include "math/random.h"
#include "overlay_test_support.h"

namespace qv3rn::test {
namespace {

float distanceFromHome(const BlocksEffect::Tile& tile) {
    const auto &now = tile.corners[0], &home = tile.home[0];
    return std::sqrt((now.x - home.x) * (now.x - home.x) + (now.y - home.y) * (now.y - home.y) +
                     (now.z - home.z) * (now.z - home.z));
}

class BlocksEffectTest : public OverlayTest {
protected:
    // Quadrants of a 256 x 256 picture: top-left red, top-right green, bottom-left blue, bottom-right white.
    void SetUp() override {
        OverlayTest::SetUp();
        addImage("quad.png", 256, 256, [](int x, int y) -> std::uint32_t {
            if (y < 128) return x < 128 ? 0xFF0000FFu : 0x00FF00FFu;
            return x < 128 ? 0x0000FFFFu : 0xFFFFFFFFu;
        });
    }
    BlocksEffect& load(const std::string& position) {
        return OverlayTest::load<BlocksEffect>(
            "Blocks",
            "Image \"quad.png\"\nRect 0 0 256 256\nRows 2\nCols 2\nPosition " + position + "\nDistance 100\n}\n");
    }
};

TEST_F(BlocksEffectTest, TilesCutThePictureRowByRowFromTheTopEachWithOneRandomFlight) {
    runtimeRandom().seed(777);
    const BlocksEffect& blocks = load("128 128 -100");
    ASSERT_EQ(blocks.tiles().size(), 4u);
    const auto& topLeft = blocks.tiles()[0];
    EXPECT_EQ(topLeft.texCoords, (std::array<float, 8>{0.5f, 0.0f, 0.0f, 0.0f, 0.0f, 0.5f, 0.5f, 0.5f}));
    const float expectedHome[4][2] = {{128, 256}, {0, 256}, {0, 128}, {128, 128}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_FLOAT_EQ(topLeft.home[i].x, expectedHome[i][0]);
        EXPECT_FLOAT_EQ(topLeft.home[i].y, expectedHome[i][1]);
    }
    EXPECT_FLOAT_EQ(blocks.tiles()[3].texCoords[7], 1.0f);
    // It flies from the position to its first corner: along (0, 128, 100).
    EXPECT_NEAR(topLeft.direction.y, 128.0f / std::sqrt(128.0f * 128.0f + 100.0f * 100.0f), 1e-6f);

    Random expected(777);
    for (const auto& tile : blocks.tiles()) {
        const float k = 1.0f + expected.next() * 6.103702e-5f;
        EXPECT_FLOAT_EQ(tile.flightLeft, k);
        EXPECT_FLOAT_EQ(tile.angle, k * 360.0f);
        EXPECT_NEAR(distanceFromHome(tile), k * 100.0f, 1e-3f);
    }
    EXPECT_EQ(runtimeRandom().next(), expected.next()) << "one draw per tile, in row order";
}

TEST_F(BlocksEffectTest, TilesFlyHomeInKSecondsFromAnyPositionAndStay) {
    // Out of the screen's plane, within it, and from the first corner of the bottom-left tile (which stays home).
    for (const char* position : {"128 128 -100", "100 90 0", "128 128 0"}) {
        SCOPED_TRACE(position);
        BlocksEffect& blocks = load(position);
        std::vector<float> flight;
        for (const auto& tile : blocks.tiles()) flight.push_back(tile.flightLeft);
        const float start = 20.0f;
        blocks.update(start);  // the first step is a thousandth of a second
        float elapsed = 0.001f;
        for (int frame = 1; frame <= 200; ++frame) {
            blocks.update(start + frame / 60.0f);
            elapsed += 1.0f / 60.0f;
            for (std::size_t i = 0; i < flight.size(); ++i) {
                const auto& tile = blocks.tiles()[i];
                const bool flies = tile.direction.x != 0.0f || tile.direction.y != 0.0f || tile.direction.z != 0.0f;
                if (elapsed < flight[i] - 1e-3f) {
                    EXPECT_NEAR(distanceFromHome(tile), flies ? (flight[i] - elapsed) * 100.0f : 0.0f, 0.05f) << i;
                    EXPECT_GT(tile.angle, 0.0f);
                } else if (elapsed >= flight[i] + 1e-3f) {
                    EXPECT_EQ(distanceFromHome(tile), 0.0f) << i << " " << frame;
                    EXPECT_EQ(tile.angle, 0.0f);
                }
            }
        }
    }
}

TEST_F(BlocksEffectTest, TheLandedTilesShowThePicture) {
    BlocksEffect& blocks = load("128 128 -100");
    for (int frame = 0; frame <= 200; ++frame) blocks.update(frame / 60.0f);
    blocks.render();
    // The picture spans 0 .. 256 of the -256 .. 256 square: the upper-right quarter of the screen.
    const struct {
        float x, y;
        std::array<int, 3> colour;
    } seen[] = {{400, 420, {255, 0, 0}}, {560, 420, {0, 255, 0}},   {400, 300, {0, 0, 255}},
                {560, 300, {255, 255, 255}}, {200, 300, {0, 0, 0}}, {400, 200, {0, 0, 0}}};
    for (const auto& point : seen) EXPECT_TRUE(nearColour(screenPixel(point.x, point.y), point.colour)) << point.x;
}

}  // namespace
}  // namespace qv3rn::test
