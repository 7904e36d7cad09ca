// brush_test.cpp -- the brush strokes along two path envelopes (SplineBrush) and along a Hermite spline
// (HermiteBrush): the images held, where and how often they stamp, and the stroke's alpha in destination alpha.
#include <gtest/gtest.h>

#include "effects/hermite_brush.h"
#include "effects/spline_brush.h"
#include "overlay_test_support.h"

namespace qv3rn::test {
namespace {

constexpr std::uint32_t opaqueWhite = 0xFFFFFFFFu;

class BrushTest : public OverlayTest {
protected:
    void SetUp() override {
        OverlayTest::SetUp();
        addImage("brush.tga", 4, 4, [](int, int) { return opaqueWhite; });
    }
    SplineBrush& spline(const std::string& body) { return load<SplineBrush>("SplineBrush", body); }
    HermiteBrush& hermite(const std::string& body) { return load<HermiteBrush>("HermiteBrush", body); }

    static void expectStamps(const std::vector<BrushStamp>& stamps, const std::vector<BrushStamp>& expected) {
        ASSERT_EQ(stamps.size(), expected.size());
        for (std::size_t k = 0; k < stamps.size(); ++k) {
            EXPECT_NEAR(stamps[k].x, expected[k].x, 1e-3f) << k;
            EXPECT_NEAR(stamps[k].y, expected[k].y, 1e-3f) << k;
        }
    }
    // A stroke from the lower-left corner (path time 0) to the upper-right one (path time 1), held at the ends.
    static std::string diagonalPath() {
        return envelopeField("PathX {", {{0.0f, 0.0f}, {1.0f, 640.0f}}) +
               envelopeField("PathY {", {{0.0f, 0.0f}, {1.0f, 480.0f}});
    }
};

TEST_F(BrushTest, ANamedImageIsHeldUntilReleaseAndOneNamedAgainGivesTheFirstBack) {
    Texture2D* first = addImage("first.tga", 2, 2, [](int, int) { return opaqueWhite; });
    const int unheld = first->references();
    SplineBrush& brush = spline("Brush \"first.tga\"\nBrush \"brush.tga\"\n}\n");
    // A lookup takes two references and the handle holds one of them (the registry keeps an image that was
    // ever found until it is cleared).
    EXPECT_EQ(first->references(), unheld + 1);
    Texture* held = brush.brush.get();
    EXPECT_EQ(held->references(), unheld + 2);
    brush.release();
    EXPECT_EQ(held->references(), unheld + 1);
    EXPECT_EQ(brush.pathX, nullptr);
}

TEST_F(BrushTest, APathStrokeStampsOneIncrementAfterThePathStartUpToTheFirstStepAtOrAfterTheTime) {
    SplineBrush& brush = spline(diagonalPath() + "}\n");
    brush.update(0.0f);
    EXPECT_TRUE(brush.strokeStamps().empty()) << "nothing at the path's start time";
    brush.update(0.05f);
    ASSERT_EQ(brush.strokeStamps().size(), 1u) << "the first step passes the time";
    brush.update(0.35f);  // 0.1, 0.2, 0.3 and 0.4, the first step at or after 0.35
    expectStamps(brush.strokeStamps(), {{64, 48}, {128, 96}, {192, 144}, {256, 192}});
    // Beyond the path's end the path holds its last value; the stamps go on with the time.
    brush.update(1.5f);
    EXPECT_EQ(brush.strokeStamps().size(), 15u);
    EXPECT_NEAR(brush.strokeStamps().back().x, 640.0f, 1e-3f);

    // The stroke starts at the earlier of the paths' starts; x holds its first key before its own start.
    SplineBrush& early = spline("PathIncrTime 0.5\n" + envelopeField("PathX {", {{0.0f, 100.0f}, {1.0f, 200.0f}}) +
                                envelopeField("PathY {", {{-1.0f, 0.0f}, {1.0f, 400.0f}}) + "}\n");
    early.update(0.0f);
    expectStamps(early.strokeStamps(), {{100, 100}, {100, 200}});  // path times -0.5 and 0
    // Without both paths there is no stroke.
    SplineBrush& half = spline(envelopeField("PathX {", {{0.0f, 0.0f}, {1.0f, 640.0f}}) +
                               envelopeField("BrushSize {", {{0.0f, 10.0f}, {2.0f, 30.0f}}) + "}\n");
    half.update(1.0f);
    EXPECT_TRUE(half.strokeStamps().empty());
    EXPECT_FLOAT_EQ(half.brushSize, 20.0f);  // a brush size track sets the size at each update
}

TEST_F(BrushTest, APathStrokeOfTinyStepsIsBounded) {
    SplineBrush& brush = spline("PathIncrTime 0.000001\n" + diagonalPath() + "}\n");
    brush.update(200.0f);
    EXPECT_EQ(brush.strokeStamps().size(), SplineBrush::maxStamps);
    // An increment below the precision of the path time ends the stroke instead of looping on one spot.
    SplineBrush& stuck =
        spline("PathIncrTime 0.000000001\n" + envelopeField("PathX {", {{-1000.0f, 0.0f}, {1.0f, 640.0f}}) +
               envelopeField("PathY {", {{0.0f, 0.0f}, {1.0f, 480.0f}}) + "}\n");
    stuck.update(1.0f);
    EXPECT_TRUE(stuck.strokeStamps().empty());
}

TEST_F(BrushTest, APathStrokeWritesOnlyDestinationAlphaScaledByTheTimeAndTheDissolveTrack) {
    for (const auto& [dissolve, alpha] : {std::pair{"", 64}, std::pair{"Dissolve {", 16}}) {
        SCOPED_TRACE(dissolve);
        const std::string track = *dissolve ? constantField(dissolve, 0.5f) : "";
        SplineBrush& brush = spline("Start 0\nEnd 2\nBrush \"brush.tga\"\n" + track + diagonalPath() + "}\n");
        glClearColor(10 / 255.0f, 20 / 255.0f, 30 / 255.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        glEnable(GL_BLEND);  // left on by an earlier effect: the stroke must clear alpha all the same
        glBlendFunc(GL_SRC_ALPHA, GL_ONE);
        // Time / (end - start) = 0.5 (times the dissolve); blended with (source alpha, one) over the cleared
        // alpha, a stamp adds the stroke alpha squared.
        draw(brush, 1.0f);
        const Rgba onStroke = screenPixel(320.0f, 240.0f), offStroke = screenPixel(600.0f, 40.0f);
        EXPECT_NEAR(onStroke[3], alpha, 1);
        EXPECT_TRUE(nearColour(onStroke, {10, 20, 30}, 0)) << "colour is masked off in the stroke pass";
        EXPECT_EQ(offStroke[3], 0) << "the stroke pass starts by clearing destination alpha";
        EXPECT_TRUE(nearColour(offStroke, {10, 20, 30}, 0));
    }
}

TEST_F(BrushTest, ALaterStampsTransparentRimKeepsTheStrokeBeneathIt) {
    // Opaque on the left half, transparent on the right; the path runs right to left, so each stamp's rim lies
    // over the opaque half of the stamp before it.
    addImage("half.tga", 4, 4, [](int x, int) { return x < 2 ? opaqueWhite : 0xFFFFFF00u; });
    SplineBrush& brush = spline("Start 0\nEnd 0.2\nBrush \"half.tga\"\nBrushSize 80\n" +
                                envelopeField("PathX {", {{0.0f, 400.0f}, {1.0f, 0.0f}}) +
                                envelopeField("PathY {", {{0.0f, 240.0f}, {1.0f, 240.0f}}) + "}\n");
    brush.update(0.2f);
    ASSERT_EQ(brush.strokeStamps().size(), 2u);  // centred on x = 360, then x = 320
    brush.render();
    EXPECT_GE(screenPixel(345.0f, 240.0f)[3], 250) << "the first stamp's opaque half, under the second's rim";
    EXPECT_EQ(screenPixel(395.0f, 240.0f)[3], 0) << "the first stamp's own rim";
}

TEST_F(BrushTest, SplinePointBlocksTakeCommentsAndKeywordsAfterTheBlockAreRead) {
    const HermiteBrush& brush =
        hermite("Spline {\nPoint 2 100 50\n; a comment inside the block\nPoint 3 300 60\n}\nNumSegDivs 8\n}\n");
    EXPECT_EQ(brush.pointCount(), 2);
    EXPECT_EQ(brush.numSegDivs, 8);
    // The end of the script ends an open point block with the points read so far.
    EXPECT_EQ(hermite("Spline {\nPoint 0 1 1\nPoint 1 2 2\n").pointCount(), 2);
}

TEST_F(BrushTest, SplineTangentsUseOneFactorForBothAxesAndAMissingNeighbourIsThePointItself) {
    // k = (1 - tension - bias) / 2: -0.5 with the defaults of 1.
    for (const auto& [lines, k] : {std::pair{"", -0.5f}, std::pair{"Tension 0\nBias -1\n", 1.0f}}) {
        SCOPED_TRACE(lines);
        const auto& p =
            hermite(std::string(lines) + "Spline {\nPoint 0 0 0\nPoint 1 100 0\nPoint 2 100 100\n}\n}\n").points();
        expectStamps({{p[0].tangentX, p[0].tangentY}, {p[1].tangentX, p[1].tangentY}, {p[2].tangentX, p[2].tangentY}},
                     {{100 * k, 0}, {100 * k, 100 * k}, {0, 100 * k}});
    }
}

TEST_F(BrushTest, ASplineStampsAlongTheCurveUntilTheStrokeTimeReachesTheLocalTime) {
    HermiteBrush& one = hermite("Start 5\nEnd 10\nSpline {\nPoint 2 100 50\n}\n}\n");
    one.update(6.9f);  // local time 1.9: the point is not reached
    EXPECT_TRUE(one.strokeStamps().empty());
    one.update(7.0f);  // reached exactly: the stroke time is there after the first stamp
    EXPECT_EQ(one.strokeStamps().size(), 1u);
    one.update(7.5f);  // one point stamps NumSegDivs times on itself
    expectStamps(one.strokeStamps(), std::vector<BrushStamp>(20, {100.0f, 50.0f}));

    // Both tangents are (-100, -50); the stamps are the curve at s = 0, 1/4, 2/4, 3/4.
    HermiteBrush& brush = hermite("NumSegDivs 4\nSpline {\nPoint 0 100 100\nPoint 1 300 200\n}\n}\n");
    const std::vector<BrushStamp> curve = {{100, 100}, {121.875f, 110.9375f}, {200, 150}, {278.125f, 189.0625f}};
    brush.update(0.5f);  // s = 0 takes the stroke to 0.25, s = 1/4 to 0.5: the segment stops there
    expectStamps(brush.strokeStamps(), {curve[0], curve[1]});
    brush.update(1.0f);  // the whole segment, then the end point once
    expectStamps(brush.strokeStamps(), {curve[0], curve[1], curve[2], curve[3], {300, 200}});
    brush.update(30.0f);  // the last point stamps n times about itself
    expectStamps(brush.strokeStamps(), {curve[0], curve[1], curve[2], curve[3], {300, 200}, {290.625f, 195.3125f},
                                        {300, 200}, {309.375f, 204.6875f}});
    // Fifty additions of 1/50 fall short of 1 in single precision; the stamps are counted, not summed.
    for (int divisions : {3, 20, 49, 50, 100}) {
        HermiteBrush& whole = hermite("NumSegDivs " + std::to_string(divisions) +
                                      "\nSpline {\nPoint 0 0 0\nPoint 1 200 0\nPoint 2 400 100\n}\n}\n");
        whole.update(100.0f);
        EXPECT_EQ(whole.strokeStamps().size(), 3u * divisions) << divisions;
    }
}

TEST_F(BrushTest, ASplineStrokeBlendsTheStrokeWithTheLocalTime) {
    HermiteBrush& brush = hermite("Start 10\nEnd 14\nBrush \"brush.tga\"\nBrushSize 24\nNumSegDivs 5\n"
                                  "Spline {\nPoint 0 100 100\nPoint 4 500 400\n}\n}\n");
    brush.update(12.0f);  // local time 2 of 4: the stroke alpha is 0.5
    EXPECT_FLOAT_EQ(brush.strokeAlpha(), 0.5f);
    EXPECT_EQ(brush.strokeStamps().size(), 3u);
    brush.render();
    EXPECT_NEAR(screenPixel(100.0f, 100.0f)[3], 64, 1);  // 0.5 * 0.5 over the cleared alpha
}

}  // namespace
}  // namespace qv3rn::test
