// spline_brush_test.cpp -- the brush stroke along two path envelopes: the images it holds, where and how often it
// stamps, the stroke's alpha in destination alpha, and the image drawn through the stroke.
#include "effects/spline_brush.h"

#include <gtest/gtest.h>

#include "brush_stamps.h"
#include "overlay_test_support.h"

namespace qv3rn::test {
namespace {

constexpr std::uint32_t opaqueWhite = 0xFFFFFFFFu;

class SplineBrushTest : public OverlayTest {
protected:
    void SetUp() override {
        OverlayTest::SetUp();
        addImage("brush.tga", 4, 4, [](int, int) { return opaqueWhite; });
        addImage("picture.tga", 4, 4, [](int, int) { return 0x0000FFFFu; });
    }
    SplineBrush& load(const std::string& body) { return OverlayTest::load<SplineBrush>("SplineBrush", body); }

    // A stroke from the lower-left corner (path time 0) to the upper-right one (path time 1), held at the ends.
    static std::string diagonalPath() {
        return envelopeField("PathX {", {{0.0f, 0.0f}, {1.0f, 640.0f}}) +
               envelopeField("PathY {", {{0.0f, 0.0f}, {1.0f, 480.0f}});
    }
};

TEST_F(SplineBrushTest, ANamedImageIsHeldUntilReleaseAndOneNamedAgainGivesTheFirstBack) {
    Texture2D* first = addImage("first.tga", 2, 2, [](int, int) { return opaqueWhite; });
    const int unheld = first->references();
    SplineBrush& brush = load("Brush \"first.tga\"\nBrush \"brush.tga\"\nImage \"picture.tga\"\n}\n");
    // A lookup takes two references and the handle holds one of them (the registry keeps an image that was
    // ever found until it is cleared).
    EXPECT_EQ(first->references(), unheld + 1);
    Texture* held = brush.brush.get();
    EXPECT_EQ(held->references(), unheld + 2);
    brush.release();
    EXPECT_EQ(held->references(), unheld + 1);
    EXPECT_EQ(brush.pathX, nullptr);
}

TEST_F(SplineBrushTest, StampsOneIncrementAfterThePathStartUpToTheFirstStepAtOrAfterTheTime) {
    SplineBrush& brush = load(diagonalPath() + "}\n");
    brush.update(0.0f);
    EXPECT_TRUE(brush.strokeStamps().empty()) << "nothing at the path's start time";
    brush.update(0.05f);
    ASSERT_EQ(brush.strokeStamps().size(), 1u) << "the first step passes the time";
    brush.update(0.35f);
    const std::vector<BrushStamp> stamps = brush.strokeStamps();
    ASSERT_EQ(stamps.size(), 4u);  // 0.1, 0.2, 0.3 and 0.4, the first step at or after 0.35
    for (std::size_t k = 0; k < stamps.size(); ++k) {
        EXPECT_NEAR(stamps[k].x, 64.0f * (k + 1), 1e-3f) << k;
        EXPECT_NEAR(stamps[k].y, 48.0f * (k + 1), 1e-3f) << k;
    }
    // Beyond the path's end the path holds its last value; the stamps go on with the time.
    brush.update(1.5f);
    EXPECT_EQ(brush.strokeStamps().size(), 15u);
    EXPECT_NEAR(brush.strokeStamps().back().x, 640.0f, 1e-3f);

    // The stroke starts at the earlier of the paths' starts; x holds its first key before its own start.
    SplineBrush& early = load("PathIncrTime 0.5\n" + envelopeField("PathX {", {{0.0f, 100.0f}, {1.0f, 200.0f}}) +
                              envelopeField("PathY {", {{-1.0f, 0.0f}, {1.0f, 400.0f}}) + "}\n");
    early.update(0.0f);
    ASSERT_EQ(early.strokeStamps().size(), 2u);  // path times -0.5 and 0
    EXPECT_NEAR(early.strokeStamps()[0].x, 100.0f, 1e-3f);
    EXPECT_NEAR(early.strokeStamps()[0].y, 100.0f, 1e-3f);
    // Without both paths there is no stroke.
    SplineBrush& half = load(envelopeField("PathX {", {{0.0f, 0.0f}, {1.0f, 640.0f}}) + "}\n");
    half.update(1.0f);
    EXPECT_TRUE(half.strokeStamps().empty());
}

TEST_F(SplineBrushTest, AStrokeOfTinyStepsIsBounded) {
    SplineBrush& brush = load("PathIncrTime 0.000001\n" + diagonalPath() + "}\n");
    brush.update(200.0f);
    EXPECT_EQ(brush.strokeStamps().size(), SplineBrush::maxStamps);
    // An increment below the precision of the path time ends the stroke instead of looping on one spot.
    SplineBrush& stuck =
        load("PathIncrTime 0.000000001\n" + envelopeField("PathX {", {{-1000.0f, 0.0f}, {1.0f, 640.0f}}) +
             envelopeField("PathY {", {{0.0f, 0.0f}, {1.0f, 480.0f}}) + "}\n");
    stuck.update(1.0f);
    EXPECT_TRUE(stuck.strokeStamps().empty());
}

TEST_F(SplineBrushTest, RenderDrawsOneBrushQuadPerStampBetweenTheTwoScreenQuads) {
    SplineBrush& brush = load("Brush \"brush.tga\"\nImage \"picture.tga\"\nBrushSize 40\n" + diagonalPath() + "}\n");
    brush.update(0.35f);
    const std::vector<DrawnQuad> quads = feedbackQuads([&] { brush.render(); });
    ASSERT_EQ(quads.size(), 7u);  // the alpha clear, four stamps, the colour's alpha over the stroke, the image
    expectStampsDrawn(brush.strokeStamps(), quadsOfSide(quads, 40.0f / virtualPerPixel), 1.0f / virtualPerPixel);
    for (std::size_t q : {std::size_t{0}, quads.size() - 1}) {
        EXPECT_FLOAT_EQ(quads[q].width, framebufferWidth);
        EXPECT_FLOAT_EQ(quads[q].height, framebufferHeight);
    }
    // A brush size track sets the size at each update.
    SplineBrush& growing = load(envelopeField("BrushSize {", {{0.0f, 10.0f}, {2.0f, 30.0f}}) + "}\n");
    growing.update(1.0f);
    EXPECT_FLOAT_EQ(growing.brushSize, 20.0f);
}

TEST_F(SplineBrushTest, TheStrokeWritesOnlyDestinationAlphaScaledByTheTimeAndTheDissolveTrack) {
    for (const auto& [dissolve, alpha] : {std::pair{"", 64}, std::pair{"Dissolve {", 16}}) {
        SCOPED_TRACE(dissolve);
        const std::string track = *dissolve ? constantField(dissolve, 0.5f) : "";
        SplineBrush& brush = load("Start 0\nEnd 2\nBrush \"brush.tga\"\n" + track + diagonalPath() + "}\n");
        glClearColor(10 / 255.0f, 20 / 255.0f, 30 / 255.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        glEnable(GL_BLEND);  // left on by an earlier effect: the stroke must clear alpha all the same
        glBlendFunc(GL_SRC_ALPHA, GL_ONE);
        // Time / (end - start) = 0.5 (times the dissolve); blended with (source alpha, one) over the cleared
        // alpha, a stamp adds the stroke alpha squared.
        draw(brush, 1.0f);
        const Rgba onStroke = screenPixel(320.0f, 240.0f);
        EXPECT_NEAR(onStroke[3], alpha, 1);
        EXPECT_TRUE(nearColour(onStroke, {10, 20, 30}, 0)) << "colour is masked off in the stroke pass";
        const Rgba offStroke = screenPixel(600.0f, 40.0f);
        EXPECT_EQ(offStroke[3], 0) << "the stroke pass starts by clearing destination alpha";
        EXPECT_TRUE(nearColour(offStroke, {10, 20, 30}, 0));
    }
}

TEST_F(SplineBrushTest, ALaterStampsTransparentRimKeepsTheStrokeBeneathIt) {
    // Opaque on the left half, transparent on the right; the path runs right to left, so each stamp's rim lies
    // over the opaque half of the stamp before it.
    addImage("half.tga", 4, 4, [](int x, int) { return x < 2 ? opaqueWhite : 0xFFFFFF00u; });
    SplineBrush& brush = load("Start 0\nEnd 0.2\nBrush \"half.tga\"\nBrushSize 80\n" +
                              envelopeField("PathX {", {{0.0f, 400.0f}, {1.0f, 0.0f}}) +
                              envelopeField("PathY {", {{0.0f, 240.0f}, {1.0f, 240.0f}}) + "}\n");
    brush.update(0.2f);
    ASSERT_EQ(brush.strokeStamps().size(), 2u);  // centred on x = 360, then x = 320
    brush.render();
    EXPECT_GE(screenPixel(345.0f, 240.0f)[3], 250) << "the first stamp's opaque half, under the second's rim";
    EXPECT_EQ(screenPixel(395.0f, 240.0f)[3], 0) << "the first stamp's own rim";
}

TEST_F(SplineBrushTest, TheImageShowsThroughTheStrokeOnlyWhereTheModeUsesAlpha) {
    // The stroke, at full alpha, runs from the lower left corner to the middle of the screen.
    const std::string stroke =
        "Start 0\nEnd 0.5\nBrush \"brush.tga\"\nImage \"picture.tga\"\n" + diagonalPath() + "}\n";
    const struct {
        const char* lines;
        std::array<std::uint8_t, 3> screen;
        std::array<int, 3> onStroke, offStroke;
    } rows[] = {
        {"DrawMode ADDITIVE\n", {200, 0, 0}, {200, 0, 255}, {200, 0, 0}},
        {"DrawMode NORMAL\n", {200, 0, 0}, {0, 0, 255}, {200, 0, 0}},
        {"DrawMode MULTIPLY\n", {200, 100, 100}, {0, 0, 100}, {0, 0, 100}},  // no alpha: the whole picture
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.lines);
        clearScreen(row.screen[0], row.screen[1], row.screen[2]);
        draw(load(row.lines + stroke), 0.5f);
        EXPECT_TRUE(nearColour(screenPixel(256.0f, 192.0f), row.onStroke));
        EXPECT_TRUE(nearColour(screenPixel(480.0f, 100.0f), row.offStroke));
    }
    GLboolean depthWrites = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
    EXPECT_TRUE(depthWrites) << "depth writes are back on after drawing";
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
}

}  // namespace
}  // namespace qv3rn::test
