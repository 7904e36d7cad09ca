// What the flat effects (image, flash, invert, text, text fade, brushes) put on the screen.
#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "effects/hermite_brush.h"
#include "effects/spline_brush.h"
#include "effects/text_effect.h"
#include "overlay_test_support.h"

namespace qv3rn::test {
namespace {

using Rgb = std::array<int, 3>;
constexpr Rgb black{0, 0, 0}, white{255, 255, 255}, red{255, 0, 0}, green{0, 255, 0}, blue{0, 0, 255};

// A point of the virtual screen and the colour expected there.
struct Seen { float x, y; Rgb colour; int tolerance = 3; };

struct PixelCase {
    const char* what;
    const char* type;
    std::array<std::uint8_t, 3> left;  // the screen before drawing, left half
    std::string body;
    std::vector<Seen> seen;
    float time = 1.0f;
    std::array<std::uint8_t, 3> right = left;  // and right half
};

const std::string centred = constantField("PositionX {", 320.0f) + constantField("PositionY {", 240.0f);
const std::string fadeBody =
    "Image \"title.png\"\nBlurRect 0 0 128 256\nTextRect 128 0 128 256\nScreenRect 160 120 320 240\n";
constexpr std::array<std::uint8_t, 3> dark{0, 0, 0}, dst{51, 102, 204}, warm{200, 60, 0}, cool{20, 240, 128};

// The dissolve brush's four columns (alpha levels 0, 85, 170 and 255, left to right) that show the blue picture.
std::vector<Seen> shownColumns(std::array<bool, 4> shown) {
    std::vector<Seen> seen;
    for (int column = 0; column < 4; ++column)
        seen.push_back({80.0f + 160.0f * column, 240, shown[column] ? blue : black});
    return seen;
}
const std::string levels = "Brush \"levels.tga\"\nImage \"picture.tga\"\n";
// A stroke at full alpha from the lower left corner to the middle of the screen, showing the blue picture.
const std::string stroke = "Start 0\nEnd 0.5\nBrush \"brush.tga\"\nImage \"picture.tga\"\n" +
                           envelopeField("PathX {", {{0, 0}, {1, 640}}) +
                           envelopeField("PathY {", {{0, 0}, {1, 480}}) + "}\n";

const PixelCase cases[] = {
    {"a Rect centred on the origin covers the lower left quarter", "Image", dark, "Rect 320 240 640 480\n}\n",
     {{10, 10, white}, {310, 230, white}, {330, 250, black}, {630, 10, black}, {10, 470, black}}},
    {"positions keyed in demo seconds move it", "Image", dark,
     "Rect 320 240 640 480\n" + envelopeField("PositionX {", {{10, 0}, {12, 640}}) +
         constantField("PositionY {", 240) + "}\n",
     {{2, 2, white}, {638, 2, white}, {2, 478, white}, {638, 478, white}}, 11.0f},
    {"rotation turns about the pivot", "Image", dark,
     "Rect 0 0 100 20\n" + constantField("PivotX {", 50) + constantField("PivotY {", 0) + centred +
         constantField("Rotation {", 90) + "}\n",
     {{370, 150, white}, {370, 230, white}, {370, 260, black}, {320, 240, black}, {390, 190, black}}},
    {"scale acts along the screen's axes after the rotation", "Image", dark,
     "Rect 50 0 100 20\n" + centred + constantField("Rotation {", 90) + constantField("ScaleX {", 2) + "}\n",
     {{354, 190, white}, {386, 190, white}, {370, 150, white}, {370, 40, black}, {396, 190, black}}},
    {"the image's top row is at the top", "Image", dark, "Image \"halves.png\"\n" + centred + "}\n",
     {{320, 400, red}, {320, 80, blue}}},
    {"MULTIPLY turns the colour into its alpha", "Image", {200, 100, 40},
     "DrawMode MULTIPLY\nColor 1 0 0 0.5\n" + centred + "}\n", {{320, 240, {100, 50, 20}}}},
    {"zero alpha draws nothing, even additively", "Image", {10, 20, 30},
     "DrawMode ADDITIVE\n" + constantField("Alpha {", 0) + centred + "}\n", {{320, 240, {10, 20, 30}, 0}}},

    {"a flash at alpha 1 covers the whole screen", "Flash", {255, 255, 255},
     "Color 0.2 0.4 0.6 1\n" + constantField("Alpha {", 1) + "}\n",
     {{2, 2, {51, 102, 153}, 1}, {320, 240, {51, 102, 153}, 1}, {638, 478, {51, 102, 153}, 1}}},
    {"NORMAL: source times alpha plus destination times one minus alpha", "Flash", dst,
     "Color 0.6 0.5 0.25 1\n" + constantField("Alpha {", 0.5f) + "}\n", {{320, 240, {102, 115, 134}}}},
    {"ADDITIVE: source times alpha plus destination", "Flash", dst,
     "DrawMode ADDITIVE\nColor 0.6 0.5 0.25 1\n" + constantField("Alpha {", 0.5f) + "}\n",
     {{320, 240, {128, 166, 236}}}},
    {"SUBTRACTIVE: source times one minus destination", "Flash", dst,
     "DrawMode SUBTRACTIVE\nColor 0.6 0.5 0.25 1\n" + constantField("Alpha {", 0.5f) + "}\n",
     {{320, 240, {122, 77, 13}}}},
    {"MULTIPLY: source times destination", "Flash", dst,
     "DrawMode MULTIPLY\nColor 0.6 0.5 0.25 1\n" + constantField("Alpha {", 0.5f) + "}\n", {{320, 240, {31, 51, 51}}}},
    {"INVERT with white: one minus destination", "Flash", dst,
     "DrawMode INVERT\nColor 1 1 1 1\n" + constantField("Alpha {", 1) + "}\n", {{320, 240, {204, 153, 51}}}},

    {"invert inverts exactly the area under it", "Invert", warm, "Rect 0 0 320 480\n}\n",
     {{100, 100, {55, 195, 255}, 1}, {300, 470, {55, 195, 255}, 1}, {340, 100, {20, 240, 128}, 0}}, 2.0f, cool},
    {"another draw mode draws a white rectangle", "Invert", warm, "DrawMode NORMAL\nRect 320 0 320 240\n}\n",
     {{500, 100, white, 1}, {500, 300, {20, 240, 128}, 0}}, 0.0f, cool},

    {"two glyphs sit on the pen at minus one width and zero", "Text", dark,
     "Message \"AB\"\nFont \"font.png\"\nFontSize 32 32\n" + constantField("Alpha {", 1) + centred + "}\n",
     {{288, 224, red, 8}, {320, 224, green, 8}, {264, 224, black, 29}, {344, 224, black, 29}, {288, 248, black, 29},
      {320, 200, black, 29}}},

    {"at fade 0.5 only the blurred picture shows, at half alpha", "TextFade", dark,
     fadeBody + constantField("Alpha { ", 0.5f) + "}\n", {{320, 240, {128, 0, 0}}}},
    {"at fade 2 only the sharp picture shows, in the screen rectangle", "TextFade", dark,
     fadeBody + constantField("Alpha { ", 2) + "}\n",
     {{320, 240, green}, {470, 350, green}, {150, 240, black, 0}, {490, 240, black, 0}}},

    {"at dissolve 0 only alpha 0 shows: the test is less-or-equal", "DissolveBrush", dark,
     "Start 0\nEnd 2\n" + levels + "}\n", shownColumns({true, false, false, false}), 0.0f},
    {"the dissolve is the time over the length: 0.7 is past 170", "DissolveBrush", dark, "Start 0\nEnd 2\n" + levels + "}\n",
     shownColumns({true, true, true, false}), 1.4f},

    {"NORMAL puts the picture through the stroke", "SplineBrush", {200, 0, 0}, "DrawMode NORMAL\n" + stroke,
     {{256, 192, {0, 0, 255}}, {480, 100, {200, 0, 0}}}, 0.5f},
    {"MULTIPLY uses no alpha: the whole picture", "SplineBrush", {200, 100, 100}, "DrawMode MULTIPLY\n" + stroke,
     {{256, 192, {0, 0, 100}}, {480, 100, {0, 0, 100}}}, 0.5f},
};

class FlatEffectsTest : public OverlayTest {
protected:
    void SetUp() override {
        OverlayTest::SetUp();
        // Top half red, bottom half blue.
        addImage("halves.png", 8, 8, [](int, int y) { return y < 4 ? 0xFF0000FFu : 0x0000FFFFu; });
        // A font whose "A" cell (column 0, row 2) is opaque red and "B" cell opaque green; the rest transparent.
        addImage("font.png", 512, 512, [](int x, int y) -> std::uint32_t {
            if (y < 64 || y >= 96 || x >= 64) return 0;
            return x < 32 ? 0xFF0000FFu : 0x00FF00FFu;
        });
        // Left half (the blurred text) red, right half (the sharp text) green.
        addImage("title.png", 256, 256, [](int x, int) { return x < 128 ? 0xFF0000FFu : 0x00FF00FFu; });
        addImage("levels.tga", 4, 1, [](int x, int) { return 0xFFFFFF00u | (85u * x); }, true);
        addImage("picture.tga", 4, 4, [](int, int) { return 0x0000FFFFu; });
        addImage("brush.tga", 4, 4, [](int, int) { return 0xFFFFFFFFu; });
    }
};

TEST_F(FlatEffectsTest, EachBlockDrawsWhatItSays) {
    for (const PixelCase& row : cases) {
        SCOPED_TRACE(row.what);
        glEnable(GL_SCISSOR_TEST);
        glScissor(0, 0, framebufferWidth / 2, framebufferHeight);
        clearScreen(row.left[0], row.left[1], row.left[2]);
        glScissor(framebufferWidth / 2, 0, framebufferWidth / 2, framebufferHeight);
        clearScreen(row.right[0], row.right[1], row.right[2]);
        glDisable(GL_SCISSOR_TEST);
        draw(load(row.type, row.body), row.time);
        for (const Seen& seen : row.seen)
            EXPECT_TRUE(nearColour(screenPixel(seen.x, seen.y), seen.colour, seen.tolerance))
                << seen.x << ", " << seen.y;
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
        expectDrawingStateRestored();
    }
}

TEST_F(FlatEffectsTest, MissingPicturesAreLoggedAndLoadingGoesOn) {
    CapturedLog log("missing_pictures.log");
    Effect& text = load("Text", "Name \"credits\"\nFont \"missing.png\"\nMessage \"x\"\n}\n");
    EXPECT_FALSE(text.init()) << "a text without its font cannot be drawn";
    EXPECT_NE(log.text().find("ERROR! TextEffect \"credits\" unable to find font \"missing.png\""), std::string::npos);
}

// The cells of "A" and "B" are the text rows' pixels.
TEST(TextGlyphCell, TheLastColumnEndsAtTheEdgeAndBytesAboveSevenBitsKeepTheSignOfCDivision) {
    constexpr float cell = 1.0f / 16.0f;
    const struct { signed char ch; float left, top, right, bottom; } rows[] = {
        {'0', 15 * cell, 0, 1, cell},        // the last column ends at the picture's edge
        {static_cast<signed char>(200), -9 * cell, -5 * cell, -8 * cell, -4 * cell},  // -56 - 33 = -89
    };
    for (const auto& row : rows) {
        const TextEffect::GlyphCell glyph = TextEffect::glyphCell(row.ch);
        EXPECT_EQ((std::array{glyph.leftU, glyph.topV, glyph.rightU, glyph.bottomV}),
                  (std::array{row.left, row.top, row.right, row.bottom})) << int(row.ch);
    }
}

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

TEST_F(BrushTest, StampsPiledOnOneSpotAddUpUntilTheStrokeIsFull) {
    // Each stamp of alpha 16 adds 16 * 16 / 255, about 1 step; the path holds still, so every stamp lands on
    // the last: 100 of them make about 100 steps, 300 fill the stroke.
    addImage("faint.tga", 4, 4, [](int, int) { return 0xFFFFFF10u; });
    for (const auto& [time, low, high] : {std::tuple{10.0f, 80, 120}, std::tuple{30.0f, 255, 255}}) {
        SplineBrush& brush = spline("Start 0\nEnd 1\nBrush \"faint.tga\"\n" + constantField("PathX {", 320.0f) +
                                    constantField("PathY {", 240.0f) + "}\n");
        draw(brush, time);
        const int alpha = screenPixel(320.0f, 240.0f)[3];
        EXPECT_TRUE(alpha >= low && alpha <= high) << time << ": " << alpha;
    }
}

TEST_F(BrushTest, SplineTangentsUseOneFactorForBothAxesAndAMissingNeighbourIsThePointItself) {
    // k = (1 - tension - bias) / 2 = 1 here.
    const auto& p = hermite("Tension 0\nBias -1\nSpline {\nPoint 0 0 0\nPoint 1 100 0\nPoint 2 100 100\n}\n}\n").points();
    expectStamps({{p[0].tangentX, p[0].tangentY}, {p[1].tangentX, p[1].tangentY}, {p[2].tangentX, p[2].tangentY}},
                 {{100, 0}, {100, 100}, {0, 100}});
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
    HermiteBrush& whole = hermite("NumSegDivs 50\nSpline {\nPoint 0 0 0\nPoint 1 200 0\nPoint 2 400 100\n}\n}\n");
    whole.update(100.0f);
    EXPECT_EQ(whole.strokeStamps().size(), 150u);
}

}  // namespace
}  // namespace qv3rn::test
