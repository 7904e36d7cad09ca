// hermite_brush_test.cpp -- the brush stroke along a Hermite spline: its point block, the tangents, where and how
// often it stamps as the local time runs, and the stroke's alpha.
#include "effects/hermite_brush.h"

#include <gtest/gtest.h>

#include "brush_stamps.h"
#include "overlay_test_support.h"

namespace qv3rn::test {
namespace {

class HermiteBrushTest : public OverlayTest {
protected:
    HermiteBrush& load(const std::string& body) { return OverlayTest::load<HermiteBrush>("HermiteBrush", body); }

    static void expectStamps(const std::vector<BrushStamp>& stamps, const std::vector<BrushStamp>& expected) {
        ASSERT_EQ(stamps.size(), expected.size());
        for (std::size_t k = 0; k < stamps.size(); ++k) {
            EXPECT_NEAR(stamps[k].x, expected[k].x, 1e-3f) << k;
            EXPECT_NEAR(stamps[k].y, expected[k].y, 1e-3f) << k;
        }
    }
};

TEST_F(HermiteBrushTest, PointLinesGiveTimeFirstThenXAndYAndKeywordsAfterTheBlockAreRead) {
    const HermiteBrush& brush = load("Spline {\nPoint 2 100 50\n; a comment inside the block\nPoint 3 300 60\n}\n"
                                     "BrushSize 16\nNumSegDivs 8\nColor 0.5 0.25 1 0.75\n}\n");
    ASSERT_EQ(brush.pointCount(), 2);
    EXPECT_FLOAT_EQ(brush.points()[0].time, 2.0f);
    EXPECT_FLOAT_EQ(brush.points()[0].x, 100.0f);
    EXPECT_FLOAT_EQ(brush.points()[0].y, 50.0f);
    EXPECT_FLOAT_EQ(brush.points()[1].x, 300.0f);
    EXPECT_FLOAT_EQ(brush.brushSize, 16.0f);
    EXPECT_EQ(brush.numSegDivs, 8);
    EXPECT_EQ(brush.color, (std::array<float, 4>{0.5f, 0.25f, 1.0f, 0.75f}));
    // The end of the script ends an open point block with the points read so far.
    EXPECT_EQ(load("Spline {\nPoint 0 1 1\nPoint 1 2 2\n").pointCount(), 2);
}

TEST_F(HermiteBrushTest, TangentsUseOneFactorForBothAxesAndAMissingNeighbourIsThePointItself) {
    // k = (1 - tension - bias) / 2: -0.5 with the defaults of 1.
    for (const auto& [lines, k] : {std::pair{"", -0.5f}, std::pair{"Tension 0\nBias -1\n", 1.0f}}) {
        SCOPED_TRACE(lines);
        const auto& p =
            load(std::string(lines) + "Spline {\nPoint 0 0 0\nPoint 1 100 0\nPoint 2 100 100\n}\n}\n").points();
        EXPECT_FLOAT_EQ(p[0].tangentX, 100 * k);
        EXPECT_FLOAT_EQ(p[0].tangentY, 0.0f);
        EXPECT_FLOAT_EQ(p[1].tangentX, 100 * k);
        EXPECT_FLOAT_EQ(p[1].tangentY, 100 * k);
        EXPECT_FLOAT_EQ(p[2].tangentX, 0.0f);
        EXPECT_FLOAT_EQ(p[2].tangentY, 100 * k);
    }
}

TEST_F(HermiteBrushTest, OnePointStampsNumSegDivsTimesOnItselfOnceTheLocalTimeReachesIt) {
    HermiteBrush& brush = load("Start 5\nEnd 10\nSpline {\nPoint 2 100 50\n}\n}\n");
    brush.update(6.9f);  // local time 1.9: the point is not reached
    EXPECT_TRUE(brush.strokeStamps().empty());
    brush.update(7.0f);  // reached exactly: the stroke time is there after the first stamp
    EXPECT_EQ(brush.strokeStamps().size(), 1u);
    brush.update(7.5f);
    expectStamps(brush.strokeStamps(), std::vector<BrushStamp>(20, {100.0f, 50.0f}));
}

TEST_F(HermiteBrushTest, SegmentsStampAlongTheCurveUntilTheStrokeTimeReachesTheLocalTime) {
    // Both tangents are (-100, -50); the stamps are the curve at s = 0, 1/4, 2/4, 3/4.
    HermiteBrush& brush = load("NumSegDivs 4\nSpline {\nPoint 0 100 100\nPoint 1 300 200\n}\n}\n");
    const std::vector<BrushStamp> curve = {{100, 100}, {121.875f, 110.9375f}, {200, 150}, {278.125f, 189.0625f}};
    brush.update(0.5f);  // s = 0 takes the stroke to 0.25, s = 1/4 to 0.5: the segment stops there
    expectStamps(brush.strokeStamps(), {curve[0], curve[1]});
    brush.update(1.0f);  // the whole segment, then the end point once
    expectStamps(brush.strokeStamps(), {curve[0], curve[1], curve[2], curve[3], {300, 200}});
    brush.update(30.0f);  // the last point stamps n times about itself
    expectStamps(brush.strokeStamps(), {curve[0], curve[1], curve[2], curve[3], {300, 200}, {290.625f, 195.3125f},
                                        {300, 200}, {309.375f, 204.6875f}});
}

TEST_F(HermiteBrushTest, EveryWholeSegmentStampsExactlyNumSegDivsTimes) {
    // Fifty additions of 1/50 fall short of 1 in single precision; the stamps are counted, not summed.
    for (int divisions : {3, 20, 49, 50, 100}) {
        HermiteBrush& brush = load("NumSegDivs " + std::to_string(divisions) +
                                   "\nSpline {\nPoint 0 0 0\nPoint 1 200 0\nPoint 2 400 100\n}\n}\n");
        brush.update(100.0f);
        EXPECT_EQ(brush.strokeStamps().size(), 3u * divisions) << divisions;
    }
}

TEST_F(HermiteBrushTest, RenderDrawsTheStampsAndBlendsTheStrokeWithTheLocalTime) {
    addImage("brush.tga", 4, 4, [](int, int) { return 0xFFFFFFFFu; });
    HermiteBrush& brush = load("Start 10\nEnd 14\nBrush \"brush.tga\"\nBrushSize 24\nNumSegDivs 5\n"
                               "Spline {\nPoint 0 100 100\nPoint 4 500 400\n}\n}\n");
    brush.update(12.0f);  // local time 2 of 4: the stroke alpha is 0.5
    EXPECT_FLOAT_EQ(brush.strokeAlpha(), 0.5f);

    const std::vector<DrawnQuad> quads = feedbackQuads([&] { brush.render(); });
    const std::vector<BrushStamp> stamps = brush.strokeStamps();
    EXPECT_EQ(stamps.size(), 3u);
    EXPECT_EQ(quads.size(), stamps.size() + 1) << "the alpha clear and the stamps; no image";
    expectStampsDrawn(stamps, quadsOfSide(quads, 24.0f / virtualPerPixel), 1.0f / virtualPerPixel);

    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    brush.render();
    // The normal mode blends the stroke alpha over the cleared alpha: 0.5 * 0.5 + 0 * 0.5.
    EXPECT_NEAR(screenPixel(100.0f, 100.0f)[3], 64, 1);
    EXPECT_EQ(screenPixel(600.0f, 20.0f)[3], 0);
    EXPECT_TRUE(nearColour(screenPixel(100.0f, 100.0f), {0, 0, 0}, 0));
}

}  // namespace
}  // namespace qv3rn::test
