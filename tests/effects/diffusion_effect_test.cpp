// Tests of the warped texture-coordinate grid: the ten patterns against their formulas in single precision, the
// texture rectangle, the DeformType words, animated scales and alpha, and the drawn cells.
#include "effects/diffusion_effect.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "brush_stamps.h"
#include "overlay_test_support.h"

namespace qv3rn::test {
namespace {

// The factors as the patterns name them: pi over 50, 100, 32, 64, 45 and 128, rounded to floats.
const float pi50 = static_cast<float>(std::numbers::pi / 50), pi100 = static_cast<float>(std::numbers::pi / 100);
const float pi32 = static_cast<float>(std::numbers::pi / 32), pi64 = static_cast<float>(std::numbers::pi / 64);
const float pi45 = static_cast<float>(std::numbers::pi / 45), pi128 = static_cast<float>(std::numbers::pi / 128);

constexpr int N = 10;
constexpr int n = N + 1;
constexpr float hf = n * 0.5f;
constexpr int hi = n / 2;

struct UV {
    float u, v;
};

class DiffusionTest : public OverlayTest {
protected:
    void TearDown() override {
        block = {};  // the effect gives its images back before the registry goes
        OverlayTest::TearDown();
    }

    DiffusionEffect& load(const std::string& body) {
        block = loadBlock(loader, body);
        EXPECT_TRUE(block.loaded);
        return as<DiffusionEffect>(block);
    }

    static void expectGrid(const DiffusionEffect& effect, int i, int j, UV expected) {
        const auto uv = effect.gridPoint(i, j);
        EXPECT_FLOAT_EQ(uv[0], expected.u) << "u at (" << i << ", " << j << ")";
        EXPECT_FLOAT_EQ(uv[1], expected.v) << "v at (" << i << ", " << j << ")";
    }

    // Builds the grid of `type` with the scales and checks a spread of corners against `formula`.
    void checkType(int type, float sx, float sy, UV (*formula)(int i, int j, float u, float v, float sx, float sy)) {
        DiffusionEffect effect;
        effect.deformType = type;
        effect.scaleX = sx;
        effect.scaleY = sy;
        ASSERT_TRUE(effect.init());
        for (int i : {0, 1, 4, 5, 7, 10})
            for (int j : {0, 3, 5, 6, 10}) {
                SCOPED_TRACE("deform type " + std::to_string(type));
                expectGrid(effect, i, j, formula(i, j, float(i) / N, float(j) / N, sx, sy));
            }
    }

    DiffusionLoader loader;
    LoadedBlock block;
};

TEST_F(DiffusionTest, ShiftAndSpreadPatterns) {
    checkType(0, 1.5f, -2.0f, [](int, int, float u, float v, float sx, float sy) {
        return UV{u + 0.01f * sx, v + 0.01f * sy};
    });
    checkType(1, 1.5f, 0.5f, [](int i, int j, float u, float v, float sx, float sy) {
        return UV{u + (i - hf) * sx * 0.001f, v + (j - hf) * sy * 0.001f};
    });
    checkType(2, 1.25f, 0.75f, [](int i, int j, float u, float v, float sx, float sy) {
        return UV{u * sx * std::cos(float(i - n + j) * pi50), v * sy * std::cos(float(i - j) * pi100)};
    });
}

TEST_F(DiffusionTest, RotatingPatternsWorkAboutTheCentre) {
    checkType(3, 1.1f, 0.9f, [](int i, int j, float u, float v, float sx, float sy) {
        const float a = u + (i - hf) * 0.003f - 0.5f, b = v + (j - hf) * 0.003f - 0.5f;
        const float cw = std::cos(float(i - hi + 1) * pi32), sw = std::sin(float(j - hi + 1) * pi32);
        return UV{(cw * a - sw * b) * sx + 0.5f, (sw * a + cw * b) * sy + 0.5f};
    });
    checkType(4, 2.0f, 3.0f, [](int i, int j, float u, float v, float sx, float sy) {
        const float a = u - 0.5f, b = v - 0.5f;
        const float d = std::sqrt((i - hf) * (i - hf) + (j - hf) * (j - hf));
        const float cw = std::cos(d * sx * pi64), sw = std::sin(d * sy * pi64);
        return UV{cw * a - sw * b + 0.5f, sw * a + cw * b + 0.5f};
    });
    checkType(7, 0.5f, 2.0f, [](int i, int j, float u, float v, float sx, float sy) {
        const float a = u - 0.5f, b = v - 0.5f;
        const float d = std::sqrt((i - hf) * (i - hf) + (j - hf) * (j - hf)) * pi128;
        const float cw = std::cos(d), sw = std::sin(d);
        return UV{cw * a + sw * b + std::cos(float(j - hi)) * sx * 0.03225f + 0.5f,
                  sw * a + cw * b + std::cos(float(i - hi)) * sy * 0.03225f + 0.5f};
    });
}

TEST_F(DiffusionTest, WavePatternsAndTheDoubleDeformOfType5) {
    auto type6 = [](int i, int j, float u, float v, float sx, float sy) {
        return UV{(u - 0.5f) * std::cos(float(i - hi) * sx * pi45) + 0.5f,
                  (v - 0.5f) * std::cos(float(j - hi) * sy * pi45) + 0.5f};
    };
    checkType(6, 1.5f, 0.5f, type6);
    checkType(5, 1.5f, 0.5f, [](int i, int j, float u, float v, float sx, float sy) {
        const float c = std::cos(float(j - hi) * pi45);
        const UV first{(u - 0.5f) * sx * std::cos(float(i - n + j) * pi45) + 0.5f, (v - 0.5f) * sy * (c * c * c) + 0.5f};
        return UV{(first.u - 0.5f) * std::cos(float(i - hi) * sx * pi45) + 0.5f,
                  (first.v - 0.5f) * std::cos(float(j - hi) * sy * pi45) + 0.5f};
    });
    checkType(8, 0.2f, 0.3f, [](int i, int j, float u, float v, float sx, float sy) {
        const float a = u - 0.5f, b = v - 0.5f, cw = std::cos(float(j - hi)), sw = std::sin(float(i - hi));
        return UV{a + (cw * a + sw * b) * sx + 0.5f, b + (sw * a + cw * b) * sy + 0.5f};
    });
    checkType(9, 0.2f, 0.3f, [](int i, int j, float u, float v, float sx, float sy) {
        const float a = u - 0.5f, b = v - 0.5f, cw = std::cos(float(i - hi)), sw = std::sin(float(j - hi));
        return UV{a + (cw * a + sw * b) * sx + 0.5f, b + (sw * a + cw * b) * sy + 0.5f};
    });
}

TEST_F(DiffusionTest, OtherTypesLeaveTheGridStraightInsideTheTextureRectangle) {
    for (int type : {-1, 10, 11}) {
        DiffusionEffect effect;
        effect.deformType = type;
        effect.resolution = 4;
        effect.texLeft = 0.25f;
        effect.texTop = 0.5f;
        effect.texRight = 0.75f;
        effect.texBottom = 1.0f;
        effect.init();
        for (int i = 0; i <= 4; ++i)
            for (int j = 0; j <= 4; ++j) expectGrid(effect, i, j, {0.25f + 0.5f * (i / 4.0f), 0.5f + 0.5f * (j / 4.0f)});
    }
}

TEST_F(DiffusionTest, DeformTypeWordsAreSearchedWithTenBeforeOne) {
    EXPECT_EQ(load("DeformType DEFORM_10\n}\n").deformType, 10);
    EXPECT_EQ(load("DeformType DEFORM_1\n}\n").deformType, 1);
    EXPECT_EQ(load("DeformType DEFORM_0\n}\n").deformType, 0);
    EXPECT_EQ(load("DeformType DEFORM_9\n}\n").deformType, 9);
    EXPECT_EQ(load("DeformType DEFORM_7 DEFORM_2\n}\n").deformType, 2) << "the first word in search order";
    EXPECT_EQ(load("DeformType WOBBLE\n}\n").deformType, -1) << "no word leaves it";
}

TEST_F(DiffusionTest, BlockKeywordsAndErrors) {
    addImage("picture.tga", 2, 2, [](int, int) { return 0xFFFFFFFFu; });
    DiffusionEffect& effect =
        load("Name \"warp\"\nResolution 16\nImage \"picture.tga\"\nColor 1 0.5 0.25 0.125\nScale 2 3\n"
             "TexRect 0.1 0.2 0.3 0.4\n}\n");
    EXPECT_EQ(effect.kind(), 4u);
    EXPECT_EQ(effect.resolution, 16);
    EXPECT_EQ(effect.image.get()->name(), "picture.tga");
    EXPECT_EQ(effect.color, (std::array<float, 4>{1.0f, 0.5f, 0.25f, 0.125f}));
    EXPECT_FLOAT_EQ(effect.scaleX, 2.0f);
    EXPECT_FLOAT_EQ(effect.scaleY, 3.0f);
    EXPECT_FLOAT_EQ(effect.texLeft, 0.1f);
    EXPECT_FLOAT_EQ(effect.texBottom, 0.4f);
    DiffusionEffect defaults;
    EXPECT_EQ(defaults.color, (std::array<float, 4>{0.9f, 0.9f, 0.9f, 0.9f}));
    EXPECT_EQ(defaults.resolution, 10);
    EXPECT_EQ(defaults.deformType, -1);

    try {
        loadBlock(loader, "Warp 3\n}\n");
        FAIL() << "no error raised";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "DiffusionEffect: unknown token");
    }
    // A grid without cells, or one too large to draw, is refused.
    EXPECT_THROW(loadBlock(loader, "Resolution 0\n}\n"), std::runtime_error);
    EXPECT_THROW(loadBlock(loader, "Resolution -5\n}\n"), std::runtime_error);
    EXPECT_THROW(loadBlock(loader, "Resolution 100000\n}\n"), std::runtime_error);
}

TEST_F(DiffusionTest, ScaleTracksRebuildTheGridAndTheAlphaTrackDrivesTheColour) {
    DiffusionEffect& effect =
        load("DeformType DEFORM_0\nResolution 2\n" + envelopeField("ScaleX {", {{0.0f, 1.0f}, {10.0f, 11.0f}}) +
             constantField("Alpha {", 0.25f) + "}\n");
    ASSERT_NE(effect.scaleXTrack, nullptr);
    ASSERT_TRUE(effect.init());  // builds the grid through update(0)
    EXPECT_FLOAT_EQ(effect.gridPoint(1, 1)[0], 0.5f + 0.01f);
    EXPECT_FLOAT_EQ(effect.color[3], 0.25f);
    effect.update(5.0f);
    EXPECT_FLOAT_EQ(effect.scaleX, 6.0f);
    EXPECT_FLOAT_EQ(effect.gridPoint(1, 1)[0], 0.5f + 0.06f);
    EXPECT_FLOAT_EQ(effect.gridPoint(1, 1)[1], 0.5f + 0.01f) << "the scale y without a track stays 1";

    effect.release();
    EXPECT_FALSE(effect.hasGrid());
    EXPECT_EQ(effect.scaleXTrack, nullptr);
}

TEST_F(DiffusionTest, ResolutionTenWithoutDeformDrawsAHundredCellsOfTheTexRectUndistorted) {
    // Texel rows in upload order: row 0 (t from 0 to 0.5) red and green, row 1 blue and white.
    Texture2D* picture = addImage("quadrants.tga", 2, 2, [](int x, int y) {
        static const std::uint32_t colours[2][2] = {{0xFF0000FFu, 0x00FF00FFu}, {0x0000FFFFu, 0xFFFFFFFFu}};
        return colours[y][x];
    });
    picture->params().magFilter = GL_NEAREST;
    DiffusionEffect& effect = load("Resolution 10\nColor 1 1 1 1\nImage \"quadrants.tga\"\nTexRect 0.5 0 1 0.5\n}\n");
    ASSERT_TRUE(effect.init());

    const std::vector<DrawnQuad> quads = feedbackQuads([&] { effect.render(); });
    ASSERT_EQ(quads.size(), 100u);
    EXPECT_FLOAT_EQ(quads[0].width, framebufferWidth / 10.0f);
    EXPECT_FLOAT_EQ(quads[0].height, framebufferHeight / 10.0f);
    EXPECT_FLOAT_EQ(quads[1].centreY, quads[0].centreY + framebufferHeight / 10.0f) << "rows go up first";

    clearScreen(0, 0, 0);
    effect.render();
    // The texture rectangle is the quadrant of row 0, column 1: the whole screen shows it.
    for (float x : {10.0f, 320.0f, 630.0f})
        for (float y : {10.0f, 240.0f, 470.0f}) EXPECT_TRUE(nearColour(screenPixel(x, y), {0, 255, 0})) << x << ", " << y;
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
}

}  // namespace
}  // namespace qv3rn::test
