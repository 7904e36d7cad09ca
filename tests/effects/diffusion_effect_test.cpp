// diffusion_effect_test.cpp -- the warped texture-coordinate grid: the ten patterns in single precision, the
// DeformType words, the texture rectangle, animated scales and alpha, and the drawn cells.
#include "effects/diffusion_effect.h"

#include <gtest/gtest.h>

#include "overlay_test_support.h"

namespace qv3rn::test {
namespace {

class DiffusionTest : public OverlayTest {
protected:
    static void expectGrid(const DiffusionEffect& effect, int i, int j, float u, float v, float tolerance = 1e-6f) {
        const auto uv = effect.gridPoint(i, j);
        EXPECT_NEAR(uv[0], u, tolerance) << "u at (" << i << ", " << j << ")";
        EXPECT_NEAR(uv[1], v, tolerance) << "v at (" << i << ", " << j << ")";
    }
};

TEST_F(DiffusionTest, EachPatternMovesTheGridCornersAsItsFormulaSays) {
    // The corners (1, 3) and (7, 6) of a resolution-10 grid, worked out from each pattern's formula in floats.
    const struct {
        const char* type;
        const char* scale;
        float u13, v13, u76, v76;
    } rows[] = {
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

TEST_F(DiffusionTest, OtherTypesLeaveTheGridStraightInsideTheTextureRectangle) {
    for (const char* type : {"DeformType DEFORM_10\n", "DeformType WOBBLE\n", ""}) {
        SCOPED_TRACE(type);
        const auto& effect =
            load<DiffusionEffect>("Diffusion", std::string(type) + "Resolution 4\nTexRect 0.25 0.5 0.75 1\n}\n");
        for (int i = 0; i <= 4; ++i)
            for (int j = 0; j <= 4; ++j) expectGrid(effect, i, j, 0.25f + 0.5f * (i / 4.0f), 0.5f + 0.5f * (j / 4.0f));
    }
}

TEST_F(DiffusionTest, ScaleTracksRebuildTheGridAndTheAlphaTrackDrivesTheColour) {
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

TEST_F(DiffusionTest, ResolutionTenWithoutDeformDrawsAHundredCellsOfTheTexRectUndistorted) {
    // Texel rows in upload order: row 0 (t from 0 to 0.5) red and green, row 1 blue and white.
    addImage("quadrants.tga", 2, 2, [](int x, int y) {
        static const std::uint32_t colours[2][2] = {{0xFF0000FFu, 0x00FF00FFu}, {0x0000FFFFu, 0xFFFFFFFFu}};
        return colours[y][x];
    }, true);
    Effect& effect =
        load("Diffusion", "Resolution 10\nColor 1 1 1 1\nImage \"quadrants.tga\"\nTexRect 0.5 0 1 0.5\n}\n");

    const std::vector<DrawnQuad> quads = feedbackQuads([&] { effect.render(); });
    ASSERT_EQ(quads.size(), 100u);
    EXPECT_FLOAT_EQ(quads[0].width, framebufferWidth / 10.0f);
    EXPECT_FLOAT_EQ(quads[0].height, framebufferHeight / 10.0f);
    EXPECT_FLOAT_EQ(quads[1].centreY, quads[0].centreY + framebufferHeight / 10.0f) << "rows go up first";

    effect.render();
    // The texture rectangle is the quadrant of row 0, column 1: the whole screen shows it.
    for (float x : {10.0f, 320.0f, 630.0f})
        for (float y : {10.0f, 240.0f, 470.0f})
            EXPECT_TRUE(nearColour(screenPixel(x, y), {0, 255, 0})) << x << ", " << y;
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
}

}  // namespace
}  // namespace qv3rn::test
