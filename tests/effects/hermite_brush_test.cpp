// Tests of the brush stroke along a Hermite spline: its point block, the tangents, where and how often it
// stamps as the local time runs, and the stroke's alpha.
#include "effects/hermite_brush.h"

#include <gtest/gtest.h>

#include "brush_stamps.h"
#include "overlay_test_support.h"

namespace qv3rn::test {
namespace {

class HermiteBrushTest : public OverlayTest {
protected:
    void TearDown() override {
        block = {};  // the effect gives its images back before the registry goes
        OverlayTest::TearDown();
    }

    HermiteBrush& load(const std::string& body) {
        block = loadBlock(loader, body);
        EXPECT_TRUE(block.loaded);
        return as<HermiteBrush>(block);
    }

    // The curve between two points at s, from the Hermite weights.
    static BrushStamp curve(const HermitePoint& p0, const HermitePoint& p1, float s) {
        const float h1 = 2 * s * s * s - 3 * s * s + 1, h2 = 3 * s * s - 2 * s * s * s;
        const float h3 = s * s * s - 2 * s * s + s, h4 = s * s * s - s * s;
        return {h1 * p0.x + h2 * p1.x + h3 * p0.tangentX + h4 * p1.tangentX,
                h1 * p0.y + h2 * p1.y + h3 * p0.tangentY + h4 * p1.tangentY};
    }

    HermiteBrushLoader loader;
    LoadedBlock block;
};

TEST_F(HermiteBrushTest, PointLinesGiveTimeFirstThenXAndY) {
    HermiteBrush& brush = load("Name \"path\"\nSpline {\nPoint 2 100 50\n; a comment inside the block\n"
                               "Point 3 300 60\n}\nBrushSize 16\nNumSegDivs 8\nTension 0.25\nBias -0.5\n"
                               "Color 0.5 0.25 1 0.75\n}\nafter\n");
    EXPECT_EQ(block.rest, "after\n");
    ASSERT_EQ(brush.pointCount(), 2);
    EXPECT_FLOAT_EQ(brush.points()[0].time, 2.0f);
    EXPECT_FLOAT_EQ(brush.points()[0].x, 100.0f);
    EXPECT_FLOAT_EQ(brush.points()[0].y, 50.0f);
    EXPECT_FLOAT_EQ(brush.points()[1].x, 300.0f);
    EXPECT_FLOAT_EQ(brush.brushSize, 16.0f) << "keywords after the point block are read";
    EXPECT_EQ(brush.numSegDivs, 8);
    EXPECT_FLOAT_EQ(brush.tension, 0.25f);
    EXPECT_FLOAT_EQ(brush.bias, -0.5f);
    EXPECT_EQ(brush.color, (std::array<float, 4>{0.5f, 0.25f, 1.0f, 0.75f}));
    EXPECT_EQ(brush.kind(), 7u);

    HermiteBrush defaults;
    EXPECT_EQ(defaults.name(), "HermiteBrush");
    EXPECT_EQ(defaults.numSegDivs, 20);
    EXPECT_FLOAT_EQ(defaults.brushSize, 128.0f);
}

TEST_F(HermiteBrushTest, PointBlockErrorsAndItsEnd) {
    try {
        loadBlock(loader, "Spline {\nPoint 0 1 1\nKnot 1 2 3\n}\n}\n");
        FAIL() << "no error raised";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "HermiteBrushLoader unknown spline token:Knot 1 2 3");
    }
    try {
        loadBlock(loader, "Tangent 1 2\n}\n");
        FAIL() << "no error raised";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "HermiteBrushLoader unknown token:Tangent 1 2");
    }
    // The end of the script ends an open point block with the points read so far.
    HermiteBrush& brush = load("Spline {\nPoint 0 1 1\nPoint 1 2 2\n");
    EXPECT_EQ(brush.pointCount(), 2);
    // A division count that would never finish a segment, or one far too large, is refused.
    EXPECT_THROW(loadBlock(loader, "NumSegDivs 0\n}\n"), std::runtime_error);
    EXPECT_THROW(loadBlock(loader, "NumSegDivs -3\n}\n"), std::runtime_error);
    EXPECT_THROW(loadBlock(loader, "NumSegDivs 2000000000\n}\n"), std::runtime_error);
}

TEST_F(HermiteBrushTest, PointsAreKeptInTimeOrder) {
    HermiteBrush& brush = load("Spline {\nPoint 0 0 0\nPoint 2 20 0\nPoint 1 10 0\nPoint 2 30 0\n}\n}\n");
    ASSERT_EQ(brush.pointCount(), 4);
    const float expectedX[] = {0, 10, 20, 30};
    for (int k = 0; k < 4; ++k) EXPECT_FLOAT_EQ(brush.points()[k].x, expectedX[k]) << k;
}

TEST_F(HermiteBrushTest, TangentsUseOneFactorForBothAxes) {
    HermiteBrush& brush = load("Spline {\nPoint 0 0 0\nPoint 1 100 0\nPoint 2 100 100\n}\n}\n");
    ASSERT_TRUE(brush.init());
    const auto& p = brush.points();
    // The default tension and bias of 1 give k = -0.5; a missing neighbour is the point itself.
    EXPECT_FLOAT_EQ(p[0].tangentX, -50.0f);
    EXPECT_FLOAT_EQ(p[0].tangentY, 0.0f);
    EXPECT_FLOAT_EQ(p[1].tangentX, -50.0f);
    EXPECT_FLOAT_EQ(p[1].tangentY, -50.0f);
    EXPECT_FLOAT_EQ(p[2].tangentX, 0.0f);
    EXPECT_FLOAT_EQ(p[2].tangentY, -50.0f);

    brush.tension = 0.0f;
    brush.bias = -1.0f;  // k = 1
    brush.init();
    EXPECT_FLOAT_EQ(p[1].tangentX, 100.0f);
    EXPECT_FLOAT_EQ(p[1].tangentY, 100.0f);
}

TEST_F(HermiteBrushTest, OnePointStampsNumSegDivsTimesOnItselfOncePassed) {
    HermiteBrush& brush = load("Start 5\nEnd 10\nSpline {\nPoint 2 100 50\n}\n}\n");
    brush.init();
    brush.update(6.9f);  // local time 1.9: the point is not reached
    EXPECT_FLOAT_EQ(brush.time, 1.9f);
    EXPECT_TRUE(brush.strokeStamps().empty());
    brush.update(7.0f);  // reached exactly: the stroke time is there after the first stamp
    EXPECT_EQ(brush.strokeStamps().size(), 1u);
    brush.update(7.5f);
    const std::vector<BrushStamp> stamps = brush.strokeStamps();
    ASSERT_EQ(stamps.size(), 20u);
    for (const BrushStamp& stamp : stamps) {
        EXPECT_FLOAT_EQ(stamp.x, 100.0f);
        EXPECT_FLOAT_EQ(stamp.y, 50.0f);
    }
}

TEST_F(HermiteBrushTest, SegmentsStampAlongTheCurveUntilTheStrokeTimeReachesTheLocalTime) {
    HermiteBrush& brush = load("NumSegDivs 4\nSpline {\nPoint 0 100 100\nPoint 1 300 200\n}\n}\n");
    brush.init();
    const HermitePoint p0 = brush.points()[0], p1 = brush.points()[1];

    brush.update(0.5f);  // s = 0 takes the stroke to 0.25, s = 1/4 to 0.5: the segment stops there
    std::vector<BrushStamp> stamps = brush.strokeStamps();
    ASSERT_EQ(stamps.size(), 2u);
    EXPECT_FLOAT_EQ(stamps[0].x, 100.0f);
    EXPECT_NEAR(stamps[1].x, curve(p0, p1, 0.25f).x, 1e-3f);
    EXPECT_NEAR(stamps[1].y, curve(p0, p1, 0.25f).y, 1e-3f);

    brush.update(1.0f);  // the whole segment, then the end point once
    stamps = brush.strokeStamps();
    ASSERT_EQ(stamps.size(), 5u);
    for (int k = 0; k < 4; ++k) {
        EXPECT_NEAR(stamps[k].x, curve(p0, p1, k / 4.0f).x, 1e-3f) << k;
        EXPECT_NEAR(stamps[k].y, curve(p0, p1, k / 4.0f).y, 1e-3f) << k;
    }
    EXPECT_NEAR(stamps[4].x, 300.0f, 1e-3f);
    EXPECT_NEAR(stamps[4].y, 200.0f, 1e-3f);

    brush.update(30.0f);  // the last point stamps n times about itself
    stamps = brush.strokeStamps();
    ASSERT_EQ(stamps.size(), 8u);
    for (int k = 4; k < 8; ++k) EXPECT_NEAR(stamps[k].x, curve(p1, p1, (k - 4) / 4.0f).x, 1e-3f) << k;
}

TEST_F(HermiteBrushTest, EveryWholeSegmentStampsExactlyNumSegDivsTimes) {
    // Fifty additions of 1/50 fall short of 1 in single precision; the stamps are counted, not summed.
    for (int divisions : {3, 20, 49, 50, 100}) {
        HermiteBrush brush;
        brush.numSegDivs = divisions;
        brush.addPoint(0.0f, 0.0f, 0.0f);
        brush.addPoint(1.0f, 200.0f, 0.0f);
        brush.addPoint(2.0f, 400.0f, 100.0f);
        brush.init();
        brush.update(100.0f);
        EXPECT_EQ(brush.strokeStamps().size(), 3u * divisions) << divisions;
    }
}

TEST_F(HermiteBrushTest, RenderDrawsTheStampsAndBlendsTheStrokeWithTheLocalTime) {
    addImage("brush.tga", 4, 4, [](int, int) { return 0xFFFFFFFFu; });
    HermiteBrush& brush =
        load("Start 10\nEnd 14\nBrush \"brush.tga\"\nBrushSize 24\nNumSegDivs 5\n"
             "Spline {\nPoint 0 100 100\nPoint 4 500 400\n}\n}\n");
    brush.init();
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
