// Tests of the light bars: the random draws of the set-up in their order, bouncing at both edges, the pulse
// and alpha, the full-height bars drawn, keyword order and the loader's errors.
#include "effects/lines_effect.h"

#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>

#include "math/random.h"
#include "overlay_test_support.h"

namespace qv3rn {
namespace {

using test::constantField;
using test::loadBlock;
using test::nearColour;

class LinesEffectTest : public test::OverlayTest {
protected:
    LinesEffectLoader loader;
};

TEST_F(LinesEffectTest, KeywordsContainingShorterOnesAreTestedFirst) {
    test::LoadedBlock block = loadBlock(loader,
                                        "NumLines 12\nAlphaSpeed 3\nAlphaVariance 4\nSpeed 50\nVariance 20\n"
                                        "Color 0.5 0.6 0.7 0.8\n}\n");
    ASSERT_TRUE(block.loaded);
    auto& lines = test::as<LinesEffect>(block);
    EXPECT_EQ(lines.numLines, 12);
    EXPECT_FLOAT_EQ(lines.alphaSpeed, 3.0f);
    EXPECT_FLOAT_EQ(lines.alphaVariance, 4.0f);
    EXPECT_FLOAT_EQ(lines.speed, 50.0f);
    EXPECT_FLOAT_EQ(lines.variance, 20.0f);
    EXPECT_EQ(lines.color, (std::array<float, 4>{0.5f, 0.6f, 0.7f, 0.8f}));
}

TEST_F(LinesEffectTest, UnknownLinesAndImpossibleCountsRaiseErrors) {
    try {
        loadBlock(loader, "NumLines 2\nWiggle 1\n}\n");
        FAIL() << "no error";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "LinesEffectLoader unknown token: Wiggle 1");
    }
    EXPECT_THROW(loadBlock(loader, "NumLines -3\n}\n"), std::runtime_error);
    EXPECT_THROW(loadBlock(loader, "NumLines 2000000000\n}\n"), std::runtime_error);
}

TEST_F(LinesEffectTest, InitDrawsFiveRandomNumbersPerBarInTheirOrder) {
    LinesEffect lines;
    lines.numLines = 3;
    lines.speed = 100.0f;
    lines.variance = 40.0f;
    lines.alphaSpeed = 2.0f;
    lines.alphaVariance = 1.0f;
    runtimeRandom().seed(4321);
    ASSERT_TRUE(lines.init());
    ASSERT_EQ(lines.lines().size(), 3u);

    Random expected(4321);
    for (const LinesEffect::Line& line : lines.lines()) {
        const int xDraw = expected.next(), widthDraw = expected.next(), velocityDraw = expected.next();
        const int signDraw = expected.next(), phaseDraw = expected.next();
        EXPECT_FLOAT_EQ(line.x, xDraw * 0.019531846f);
        EXPECT_FLOAT_EQ(line.width, widthDraw * 0.00028992584f + 1.5f);
        const float speed = (velocityDraw * 3.051851e-5f - 0.5f) * 40.0f + 100.0f;
        EXPECT_FLOAT_EQ(line.velocity, (signDraw & 1) ? -speed : speed);
        EXPECT_FLOAT_EQ(line.phaseSpeed, (phaseDraw * 3.051851e-5f - 0.5f) * 1.0f + 2.0f);
        EXPECT_FLOAT_EQ(line.phase, line.phaseSpeed);
        EXPECT_FLOAT_EQ(line.alpha, (std::sin(line.phase) + 1.0f) * 0.5f);
        EXPECT_GE(line.x, 0.0f);
        EXPECT_LE(line.x, 640.0f);
        EXPECT_GE(line.width, 1.5f);
        EXPECT_LE(line.width, 11.0f);
    }
    // Nothing else was drawn from the generator.
    EXPECT_EQ(runtimeRandom().next(), expected.next());
}

TEST_F(LinesEffectTest, BarsBounceAtBothEdges) {
    LinesEffect lines;
    lines.numLines = 2;
    ASSERT_TRUE(lines.init());
    lines.lines()[0].x = 630.0f;
    lines.lines()[0].velocity = 70.0f;
    lines.lines()[1].x = 5.0f;
    lines.lines()[1].velocity = -20.0f;
    lines.update(10.0f);  // the first step is a thousandth of a second
    EXPECT_NEAR(lines.lines()[0].x, 630.07f, 1e-3f);
    lines.update(11.0f);  // 700 would be past the right edge
    EXPECT_FLOAT_EQ(lines.lines()[0].x, 640.0f);
    EXPECT_FLOAT_EQ(lines.lines()[0].velocity, -70.0f);
    EXPECT_FLOAT_EQ(lines.lines()[1].x, 0.0f);
    EXPECT_FLOAT_EQ(lines.lines()[1].velocity, 20.0f);
    lines.update(11.5f);
    EXPECT_NEAR(lines.lines()[0].x, 605.0f, 1e-3f);
    EXPECT_NEAR(lines.lines()[1].x, 10.0f, 1e-3f);
}

TEST_F(LinesEffectTest, ThePhaseAdvancesByARandomStepAndTheAlphaFollowsItsTrack) {
    LinesEffect lines;
    lines.numLines = 1;
    ASSERT_TRUE(lines.init());
    lines.lines()[0].phase = 0.0f;
    lines.lines()[0].phaseSpeed = 2.0f;
    lines.update(1.0f);
    const float before = lines.lines()[0].phase;
    runtimeRandom().seed(99);
    Random expected(99);
    lines.update(1.5f);
    // One draw per bar and update: phase += (rand() / 32767 + phaseSpeed) * dt.
    EXPECT_FLOAT_EQ(lines.lines()[0].phase, before + (expected.next() * 3.051851e-5f + 2.0f) * 0.5f);
    EXPECT_EQ(runtimeRandom().next(), expected.next());
    EXPECT_FLOAT_EQ(lines.lines()[0].alpha, (std::sin(lines.lines()[0].phase) + 1.0f) * 0.5f);
    EXPECT_FLOAT_EQ(lines.color[3], 1.0f);  // no track
}

TEST_F(LinesEffectTest, EachBarIsAFullHeightStripAtItsAlphaTimesTheColourAlpha) {
    test::LoadedBlock block =
        loadBlock(loader, "NumLines 1\nColor 1 1 1 1\n" + constantField("Alpha {", 0.5f) + "}\n");
    ASSERT_TRUE(block.loaded);
    auto& lines = test::as<LinesEffect>(block);
    ASSERT_TRUE(lines.init());
    lines.update(2.0f);
    EXPECT_FLOAT_EQ(lines.color[3], 0.5f);
    lines.lines()[0] = {100.0f, 10.0f, 0.0f, 0.0f, 0.0f, 1.0f};
    lines.render();
    EXPECT_TRUE(nearColour(screenPixel(104, 2), {128, 128, 128}, 2));
    EXPECT_TRUE(nearColour(screenPixel(104, 477), {128, 128, 128}, 2));
    EXPECT_TRUE(nearColour(screenPixel(120, 240), {0, 0, 0}, 0));
    EXPECT_TRUE(nearColour(screenPixel(92, 240), {0, 0, 0}, 0));
}

TEST_F(LinesEffectTest, TheScriptReaderMakesLinesBlocks) {
    test::ParsedScript script = test::parseScript("Lines {\n  NumLines 4\n}\n");
    ASSERT_TRUE(script.parsed) << script.failure;
    ASSERT_EQ(script.effects().size(), 1u);
    EXPECT_EQ(script.effects()[0]->kind(), static_cast<std::uint32_t>(EffectKind::Lines));
}

}  // namespace
}  // namespace qv3rn
