// lines_effect_test.cpp -- the light bars: the random draws of the set-up in their order (and so the keywords
// that feed them), bouncing at both edges, the pulse, and the full-height bars drawn.
#include "effects/lines_effect.h"

#include <gtest/gtest.h>

#include <cmath>

#include "math/random.h"
#include "overlay_test_support.h"

namespace qv3rn::test {
namespace {

class LinesEffectTest : public OverlayTest {};

TEST_F(LinesEffectTest, InitDrawsFiveRandomNumbersPerBarInTheirOrder) {
    runtimeRandom().seed(4321);
    // "AlphaSpeed " and "AlphaVariance " contain "Speed " and "Variance ": they must be taken first.
    const LinesEffect& lines =
        load<LinesEffect>("Lines", "NumLines 3\nAlphaSpeed 2\nAlphaVariance 1\nSpeed 100\nVariance 40\n}\n");
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
        EXPECT_FLOAT_EQ(line.alpha, (std::sin(line.phaseSpeed) + 1.0f) * 0.5f);
    }
    EXPECT_EQ(runtimeRandom().next(), expected.next()) << "nothing else was drawn";
}

TEST_F(LinesEffectTest, BarsBounceAtBothEdgesAndThePhaseTakesOneRandomStepPerUpdate) {
    LinesEffect& lines = load<LinesEffect>("Lines", "NumLines 2\n}\n");
    lines.lines()[0] = {630.0f, 2.0f, 70.0f, 0.0f, 2.0f, 0.0f};
    lines.lines()[1] = {5.0f, 2.0f, -20.0f, 0.0f, 2.0f, 0.0f};
    lines.update(10.0f);  // the first step is a thousandth of a second
    EXPECT_NEAR(lines.lines()[0].x, 630.07f, 1e-3f);
    lines.update(11.0f);  // 700 would be past the right edge
    EXPECT_FLOAT_EQ(lines.lines()[0].x, 640.0f);
    EXPECT_FLOAT_EQ(lines.lines()[0].velocity, -70.0f);
    EXPECT_FLOAT_EQ(lines.lines()[1].x, 0.0f);
    EXPECT_FLOAT_EQ(lines.lines()[1].velocity, 20.0f);

    const float before = lines.lines()[0].phase;
    runtimeRandom().seed(99);
    Random expected(99);
    lines.update(11.5f);
    EXPECT_NEAR(lines.lines()[0].x, 605.0f, 1e-3f);
    EXPECT_NEAR(lines.lines()[1].x, 10.0f, 1e-3f);
    // phase += (rand() / 32767 + phaseSpeed) * dt
    EXPECT_FLOAT_EQ(lines.lines()[0].phase, before + (expected.next() * 3.051851e-5f + 2.0f) * 0.5f);
    EXPECT_FLOAT_EQ(lines.lines()[0].alpha, (std::sin(lines.lines()[0].phase) + 1.0f) * 0.5f);
}

TEST_F(LinesEffectTest, EachBarIsAFullHeightStripAtItsAlphaTimesTheColourAlpha) {
    LinesEffect& lines =
        load<LinesEffect>("Lines", "NumLines 1\nColor 1 1 1 1\n" + constantField("Alpha {", 0.5f) + "}\n");
    lines.update(2.0f);
    lines.lines()[0] = {100.0f, 10.0f, 0.0f, 0.0f, 0.0f, 1.0f};
    lines.render();
    EXPECT_TRUE(nearColour(screenPixel(104, 2), {128, 128, 128}, 2));
    EXPECT_TRUE(nearColour(screenPixel(104, 477), {128, 128, 128}, 2));
    EXPECT_TRUE(nearColour(screenPixel(120, 240), {0, 0, 0}, 0));
    EXPECT_TRUE(nearColour(screenPixel(92, 240), {0, 0, 0}, 0));
}

}  // namespace
}  // namespace qv3rn::test
