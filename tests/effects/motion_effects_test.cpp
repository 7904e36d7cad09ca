// The effects that move on their own between frames: assembling tiles, light bars, diffusion grid.
#include <gtest/gtest.h>

#include <cmath>

#include "effects/blocks_effect.h"
#include "effects/diffusion_effect.h"
#include "effects/lines_effect.h"
#include "overlay_test_support.h"

namespace qv3rn::test {
namespace {

float distanceFromHome(const BlocksEffect::Tile& tile) {
    const auto &now = tile.corners[0], &home = tile.home[0];
    return std::sqrt((now.x - home.x) * (now.x - home.x) + (now.y - home.y) * (now.y - home.y) +
                     (now.z - home.z) * (now.z - home.z));
}

class MotionEffectsTest : public OverlayTest {
protected:
    // Quadrants of a 256 x 256 picture: top-left red, top-right green, bottom-left blue, bottom-right white.
    void SetUp() override {
        OverlayTest::SetUp();
        addImage("quad.png", 256, 256, [](int x, int y) -> std::uint32_t {
            if (y < 128) return x < 128 ? 0xFF0000FFu : 0x00FF00FFu;
            return x < 128 ? 0x0000FFFFu : 0xFFFFFFFFu;
        });
    }
    BlocksEffect& loadBlocks(const std::string& position) {
        return load<BlocksEffect>(
            "Blocks",
            "Image \"quad.png\"\nRect 0 0 256 256\nRows 2\nCols 2\nPosition " + position + "\nDistance 100\n}\n");
    }
    static void expectGrid(const DiffusionEffect& effect, int i, int j, float u, float v, float tolerance = 1e-6f) {
        const auto uv = effect.gridPoint(i, j);
        EXPECT_NEAR(uv[0], u, tolerance) << "u at (" << i << ", " << j << ")";
        EXPECT_NEAR(uv[1], v, tolerance) << "v at (" << i << ", " << j << ")";
    }
};

TEST_F(MotionEffectsTest, TilesFlyHomeInKSecondsFromAnyPositionAndStay) {
    // Out of the screen's plane, and from the first corner of the bottom-left tile (which stays home).
    for (const char* position : {"128 128 -100", "128 128 0"}) {
        SCOPED_TRACE(position);
        BlocksEffect& blocks = loadBlocks(position);
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

TEST_F(MotionEffectsTest, TheLandedTilesShowThePicture) {
    BlocksEffect& blocks = loadBlocks("128 128 -100");
    for (int frame = 0; frame <= 200; ++frame) blocks.update(frame / 60.0f);
    blocks.render();
    // The picture spans 0 .. 256 of the -256 .. 256 square: the upper-right quarter of the screen.
    const struct { float x, y; std::array<int, 3> colour; } seen[] = {
        {400, 420, {255, 0, 0}}, {560, 420, {0, 255, 0}}, {400, 300, {0, 0, 255}},
        {560, 300, {255, 255, 255}}, {200, 300, {0, 0, 0}}, {400, 200, {0, 0, 0}}};
    for (const auto& point : seen) EXPECT_TRUE(nearColour(screenPixel(point.x, point.y), point.colour)) << point.x;
}

TEST_F(MotionEffectsTest, BarsBounceAtBothEdges) {
    LinesEffect& lines = load<LinesEffect>("Lines", "NumLines 2\n}\n");
    lines.lines()[0] = {630.0f, 2.0f, 70.0f, 0.0f, 2.0f, 0.0f};
    lines.lines()[1] = {5.0f, 2.0f, -20.0f, 0.0f, 2.0f, 0.0f};
    lines.update(10.0f);  // the first step is a thousandth of a second
    EXPECT_NEAR(lines.lines()[0].x, 630.07f, 1e-3f);
    lines.update(11.0f);  // 700 would be past the right edge
    const auto& bar = lines.lines();
    EXPECT_EQ((std::array{bar[0].x, bar[0].velocity, bar[1].x, bar[1].velocity}),
              (std::array{640.0f, -70.0f, 0.0f, 20.0f}));
}

TEST_F(MotionEffectsTest, EachBarIsAFullHeightStripAtItsAlphaTimesTheColourAlpha) {
    LinesEffect& lines =
        load<LinesEffect>("Lines", "NumLines 1\nColor 1 1 1 1\n" + constantField("Alpha {", 0.5f) + "}\n");
    lines.update(2.0f);
    lines.lines()[0] = {100.0f, 10.0f, 0.0f, 0.0f, 0.0f, 1.0f};
    lines.render();
    EXPECT_TRUE(nearColour(screenPixel(104, 2), {128, 128, 128}, 2));
    EXPECT_TRUE(nearColour(screenPixel(120, 240), {0, 0, 0}, 0));
    EXPECT_TRUE(nearColour(screenPixel(92, 240), {0, 0, 0}, 0));
}

TEST_F(MotionEffectsTest, EachPatternMovesTheGridCornersAsItsFormulaSays) {
    // The corners (1, 3) and (7, 6) of a resolution-10 grid, worked out from each pattern's formula in floats.
    const struct { const char* type; const char* scale; float u13, v13, u76, v76; } rows[] = {
        {"DEFORM_0", "1.5 -2", 0.115f, 0.28f, 0.715f, 0.58f},
        {"DEFORM_1", "1.5 0.5", 0.09325f, 0.29875f, 0.70225f, 0.60025f},
        {"DEFORM_2", "1.25 0.75", 0.1131034f, 0.224556f, 0.8681004f, 0.449778f},
        {"DEFORM_3", "1.1 0.9", 0.04236323f, 0.3577685f, 0.6934819f, 0.6233229f},
        {"DEFORM_4", "2 3", 0.2875103f, 0.04999155f, 0.6745209f, 0.6449464f},
        {"DEFORM_5", "1.5 0.5", 0.01603234f, 0.4031278f, 0.7905885f, 0.5496053f},  // deformed again by 6
        {"DEFORM_6", "1.5 0.5", 0.1345818f, 0.3004872f, 0.6956295f, 0.5999391f},
        {"DEFORM_7", "0.5 2", 0.07127595f, 0.20903f, 0.7124415f, 0.5808427f},
        {"DEFORM_8", "0.2 0.3", 0.1030197f, 0.2341525f, 0.7397981f, 0.6707669f},
        {"DEFORM_9", "0.2 0.3", 0.1886634f, 0.4483343f, 0.7001835f, 0.6380039f},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.type);
        const auto& effect = load<DiffusionEffect>(
            "Diffusion", std::string("DeformType ") + row.type + "\nScale " + row.scale + "\n}\n");
        expectGrid(effect, 1, 3, row.u13, row.v13, 2e-6f);
        expectGrid(effect, 7, 6, row.u76, row.v76, 2e-6f);
    }
    // The words are searched in the order DEFORM_0, DEFORM_10, DEFORM_1 ... DEFORM_9.
    EXPECT_EQ(load<DiffusionEffect>("Diffusion", "DeformType DEFORM_7 DEFORM_2\n}\n").deformType, 2);
}

TEST_F(MotionEffectsTest, ScaleTracksRebuildTheGridAndTheAlphaTrackDrivesTheColour) {
    auto& effect = load<DiffusionEffect>("Diffusion", "DeformType DEFORM_0\nResolution 2\n" +
                                                          envelopeField("ScaleX {", {{0.0f, 1.0f}, {10.0f, 11.0f}}) +
                                                          constantField("Alpha {", 0.25f) + "}\n");
    expectGrid(effect, 1, 1, 0.5f + 0.01f, 0.5f + 0.01f);  // built through update(0) at init
    EXPECT_FLOAT_EQ(effect.color[3], 0.25f);
    effect.update(5.0f);
    expectGrid(effect, 1, 1, 0.5f + 0.06f, 0.5f + 0.01f);  // the scale y without a track stays 1
    effect.release();
    EXPECT_FALSE(effect.hasGrid());
}

TEST_F(MotionEffectsTest, WithoutDeformTheGridDrawsTheTexRectUndistorted) {
    // Texel rows in upload order: row 0 (t from 0 to 0.5) red and green, row 1 blue and white.
    addImage("quadrants.tga", 2, 2, [](int x, int y) {
        static const std::uint32_t colours[2][2] = {{0xFF0000FFu, 0x00FF00FFu}, {0x0000FFFFu, 0xFFFFFFFFu}};
        return colours[y][x];
    }, true);
    Effect& effect =
        load("Diffusion", "Resolution 10\nColor 1 1 1 1\nImage \"quadrants.tga\"\nTexRect 0.5 0 1 0.5\n}\n");
    effect.render();
    // The texture rectangle is the quadrant of row 0, column 1: the whole screen shows it.
    for (float x : {10.0f, 320.0f, 630.0f})
        for (float y : {10.0f, 240.0f, 470.0f})
            EXPECT_TRUE(nearColour(screenPixel(x, y), {0, 255, 0})) << x << ", " << y;
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
}

}  // namespace
}  // namespace qv3rn::test
