// Tests of the brush stroke along two path envelopes: its block, where and how often it stamps, the stroke's
// alpha and the image pass, in a real headless context.
#include "effects/spline_brush.h"

#include <gtest/gtest.h>

#include "brush_stamps.h"
#include "effects/blend.h"
#include "overlay_test_support.h"

namespace qv3rn::test {
namespace {

constexpr std::uint32_t opaqueWhite = 0xFFFFFFFFu;

class SplineBrushTest : public OverlayTest {
protected:
    // A stroke from the lower-left corner (path time 0) to the upper-right one (path time 1): x = 640 s,
    // y = 480 s, held at the ends.
    static std::string diagonalPath() {
        return envelopeField("PathX {", {{0.0f, 0.0f}, {1.0f, 640.0f}}) +
               envelopeField("PathY {", {{0.0f, 0.0f}, {1.0f, 480.0f}});
    }

    std::unique_ptr<Effect> load(const std::string& body) {
        LoadedBlock block = loadBlock(loader, body);
        EXPECT_TRUE(block.loaded);
        return std::move(block.effect);
    }

    SplineBrushLoader loader;
};

TEST_F(SplineBrushTest, BlockReadsItsKeywordsAfterTheCommonOnes) {
    Texture2D* first = addImage("first.tga", 2, 2, [](int, int) { return opaqueWhite; });
    Texture2D* brushImage = addImage("brush.tga", 2, 2, [](int, int) { return opaqueWhite; });
    Texture2D* picture = addImage("picture.tga", 2, 2, [](int, int) { return 0x0000FFFFu; });
    const int unheld = first->references();

    LoadedBlock block = loadBlock(loader, "Name \"stroke\"\nStart 1\nEnd 3\nDrawMode ADDITIVE\n"
                                          "Brush \"first.tga\"\nBrush \"brush.tga\"\nImage \"picture.tga\"\n"
                                          "PathIncrTime 0.25\nBrushSize 48\n" +
                                              constantField("Dissolve {", 0.5f) + diagonalPath() +
                                              "}\nNext 1\n");
    ASSERT_TRUE(block.loaded);
    EXPECT_EQ(block.rest, "Next 1\n");  // the block ends at its own brace, after the fields' braces
    auto& brush = as<SplineBrush>(block);
    EXPECT_EQ(brush.kind(), 13u);
    EXPECT_EQ(brush.name(), "stroke");
    EXPECT_EQ(brush.drawMode(), 1u);
    // A lookup takes two references and the handle holds one of them (the registry keeps an image that was
    // ever found until it is cleared): the brush named first was given back when another was named.
    EXPECT_EQ(brush.brush.get(), brushImage);
    EXPECT_EQ(first->references(), unheld + 1);
    EXPECT_EQ(brushImage->references(), unheld + 2);
    EXPECT_EQ(brush.image.get(), picture);
    EXPECT_FLOAT_EQ(brush.pathIncrTime, 0.25f);
    EXPECT_FLOAT_EQ(brush.brushSize, 48.0f);
    EXPECT_EQ(brush.brushSizeTrack, nullptr);
    ASSERT_NE(brush.pathX, nullptr);
    ASSERT_NE(brush.pathY, nullptr);
    ASSERT_NE(brush.dissolveTrack, nullptr);
    EXPECT_FLOAT_EQ(brush.pathX->evaluate(0.5f), 320.0f);

    brush.release();
    EXPECT_EQ(brushImage->references(), unheld + 1);
    EXPECT_EQ(picture->references(), unheld + 1);
    EXPECT_EQ(brush.pathX, nullptr);
    EXPECT_EQ(brush.dissolveTrack, nullptr);
}

TEST_F(SplineBrushTest, DefaultsAndTheBrushSizeTrack) {
    SplineBrush defaults;
    EXPECT_EQ(defaults.name(), "SplineBrush");
    EXPECT_FLOAT_EQ(defaults.pathIncrTime, 0.1f);
    EXPECT_FLOAT_EQ(defaults.brushSize, 32.0f);
    EXPECT_EQ(defaults.color, (std::array<float, 4>{1, 1, 1, 1}));

    // "BrushSize {" is tested before "BrushSize ": a track, and the size follows it on update.
    auto effect = load(envelopeField("BrushSize {", {{0.0f, 10.0f}, {2.0f, 30.0f}}) + "}\n");
    auto& brush = static_cast<SplineBrush&>(*effect);
    ASSERT_NE(brush.brushSizeTrack, nullptr);
    brush.update(1.0f);
    EXPECT_FLOAT_EQ(brush.brushSize, 20.0f);
    EXPECT_FLOAT_EQ(brush.dissolve, 1.0f) << "without a dissolve track";
    EXPECT_FLOAT_EQ(brush.time, 1.0f);
}

TEST_F(SplineBrushTest, UnknownLinesAndImpossibleIncrementsRaiseErrors) {
    try {
        loadBlock(loader, "Colour 1 1 1 1\n}\n");
        FAIL() << "no error raised";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "SplineBrushLoader unknown token:Colour 1 1 1 1");
    }
    // An increment that never moves the stroke on would stamp forever.
    EXPECT_THROW(loadBlock(loader, "PathIncrTime 0\n}\n"), std::runtime_error);
    EXPECT_THROW(loadBlock(loader, "PathIncrTime -0.5\n}\n"), std::runtime_error);
    EXPECT_THROW(loadBlock(loader, "PathIncrTime nan\n}\n"), std::runtime_error);
}

TEST_F(SplineBrushTest, StampsOneIncrementAfterThePathStartUpToTheFirstStepAtOrAfterTheTime) {
    auto effect = load(diagonalPath() + "}\n");
    auto& brush = static_cast<SplineBrush&>(*effect);

    brush.update(0.0f);
    EXPECT_TRUE(brush.strokeStamps().empty()) << "nothing at the path's start time";

    brush.update(0.05f);
    std::vector<BrushStamp> stamps = brush.strokeStamps();
    ASSERT_EQ(stamps.size(), 1u) << "the first step passes the time";
    EXPECT_NEAR(stamps[0].x, 64.0f, 1e-3f);
    EXPECT_NEAR(stamps[0].y, 48.0f, 1e-3f);

    brush.update(0.35f);
    stamps = brush.strokeStamps();
    ASSERT_EQ(stamps.size(), 4u);  // 0.1, 0.2, 0.3 and 0.4, the first step at or after 0.35
    for (std::size_t k = 0; k < stamps.size(); ++k) {
        EXPECT_NEAR(stamps[k].x, 64.0f * (k + 1), 1e-3f) << k;
        EXPECT_NEAR(stamps[k].y, 48.0f * (k + 1), 1e-3f) << k;
    }

    // Beyond the path's end the path holds its last value; the stamps go on with the time.
    brush.update(1.5f);
    stamps = brush.strokeStamps();
    EXPECT_EQ(stamps.size(), 15u);
    EXPECT_NEAR(stamps.back().x, 640.0f, 1e-3f);
}

TEST_F(SplineBrushTest, TheStrokeStartsAtTheEarlierOfThePathsStarts) {
    auto effect = load(envelopeField("PathX {", {{0.0f, 100.0f}, {1.0f, 200.0f}}) +
                       envelopeField("PathY {", {{-1.0f, 0.0f}, {1.0f, 400.0f}}) + "}\n");
    auto& brush = static_cast<SplineBrush&>(*effect);
    brush.pathIncrTime = 0.5f;
    brush.update(0.0f);
    const std::vector<BrushStamp> stamps = brush.strokeStamps();
    ASSERT_EQ(stamps.size(), 2u);  // path times -0.5 and 0
    EXPECT_NEAR(stamps[0].y, 100.0f, 1e-3f);
    EXPECT_NEAR(stamps[0].x, 100.0f, 1e-3f);  // x holds its first key before it
    EXPECT_NEAR(stamps[1].y, 200.0f, 1e-3f);

    // Without both paths there is no stroke.
    brush.pathY.reset();
    EXPECT_TRUE(brush.strokeStamps().empty());
}

TEST_F(SplineBrushTest, AStrokeOfTinyStepsIsBounded) {
    auto effect = load(diagonalPath() + "}\n");
    auto& brush = static_cast<SplineBrush&>(*effect);
    brush.pathIncrTime = 1e-6f;
    brush.update(200.0f);
    EXPECT_EQ(brush.strokeStamps().size(), SplineBrush::maxStamps);
    // An increment below the precision of the path time ends the stroke instead of looping on one spot.
    brush.pathIncrTime = 1e-9f;
    brush.pathX->addKey(EnvelopeKey{.value = 0.0f, .time = -1000.0f});
    EXPECT_TRUE(brush.strokeStamps().empty());
}

TEST_F(SplineBrushTest, RenderDrawsOneBrushQuadPerStampBetweenTheTwoScreenQuads) {
    addImage("brush.tga", 4, 4, [](int, int) { return opaqueWhite; });
    addImage("picture.tga", 4, 4, [](int, int) { return 0x0000FFFFu; });
    auto effect = load("Brush \"brush.tga\"\nImage \"picture.tga\"\nBrushSize 40\n" + diagonalPath() + "}\n");
    auto& brush = static_cast<SplineBrush&>(*effect);
    brush.update(0.35f);

    const std::vector<DrawnQuad> quads = feedbackQuads([&] { brush.render(); });
    ASSERT_EQ(quads.size(), 7u);  // the alpha clear, four stamps, the colour's alpha over the stroke, the image
    const float side = 40.0f / virtualPerPixel;
    expectStampsDrawn(brush.strokeStamps(), quadsOfSide(quads, side), 1.0f / virtualPerPixel);
    for (std::size_t q : {std::size_t{0}, quads.size() - 1}) {
        EXPECT_FLOAT_EQ(quads[q].width, framebufferWidth);
        EXPECT_FLOAT_EQ(quads[q].height, framebufferHeight);
    }
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(SplineBrushTest, TheStrokeWritesOnlyDestinationAlpha) {
    addImage("brush.tga", 4, 4, [](int, int) { return opaqueWhite; });
    auto effect = load("Start 0\nEnd 2\nBrush \"brush.tga\"\n" + diagonalPath() + "}\n");
    auto& brush = static_cast<SplineBrush&>(*effect);
    glClearColor(10 / 255.0f, 20 / 255.0f, 30 / 255.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    beginBlend(DrawModeAdditive);  // left on by an earlier effect: the stroke must clear alpha all the same

    brush.update(1.0f);  // the stroke alpha is time / (end - start) = 0.5 without a dissolve track
    EXPECT_FLOAT_EQ(brush.strokeAlpha(), 0.5f);
    brush.render();
    // Blended with (source alpha, one) over the cleared alpha, a stamp adds the stroke alpha squared.
    const Rgba onStroke = screenPixel(320.0f, 240.0f);
    EXPECT_NEAR(onStroke[3], 64, 1);
    EXPECT_TRUE(nearColour(onStroke, {10, 20, 30}, 0)) << "colour is masked off in the stroke pass";
    const Rgba offStroke = screenPixel(600.0f, 40.0f);
    EXPECT_EQ(offStroke[3], 0) << "the stroke pass starts by clearing destination alpha";
    EXPECT_TRUE(nearColour(offStroke, {10, 20, 30}, 0));

    // A dissolve track scales the stroke alpha.
    brush.dissolveTrack = std::make_unique<Envelope>();
    brush.dissolveTrack->addKey(EnvelopeKey{.value = 0.5f, .time = 0.0f});
    brush.update(1.0f);
    EXPECT_FLOAT_EQ(brush.strokeAlpha(), 0.25f);
    brush.render();
    EXPECT_NEAR(screenPixel(320.0f, 240.0f)[3], 16, 1);
}

TEST_F(SplineBrushTest, ALaterStampsTransparentRimKeepsTheStrokeBeneathIt) {
    // Opaque on the left half, transparent on the right; the path runs right to left, so each stamp's rim lies
    // over the opaque half of the stamp before it.
    addImage("half.tga", 4, 4, [](int x, int) { return x < 2 ? opaqueWhite : 0xFFFFFF00u; });
    auto effect = load("Start 0\nEnd 0.2\nBrush \"half.tga\"\nBrushSize 80\n" +
                       envelopeField("PathX {", {{0.0f, 400.0f}, {1.0f, 0.0f}}) +
                       envelopeField("PathY {", {{0.0f, 240.0f}, {1.0f, 240.0f}}) + "}\n");
    auto& brush = static_cast<SplineBrush&>(*effect);
    brush.update(0.2f);
    ASSERT_EQ(brush.strokeStamps().size(), 2u);  // centred on x = 360, then x = 320
    brush.render();
    EXPECT_GE(screenPixel(345.0f, 240.0f)[3], 250) << "the first stamp's opaque half, under the second's rim";
    EXPECT_EQ(screenPixel(395.0f, 240.0f)[3], 0) << "the first stamp's own rim";
}

TEST_F(SplineBrushTest, TheImageShowsThroughTheStrokeOnly) {
    addImage("brush.tga", 4, 4, [](int, int) { return opaqueWhite; });
    addImage("picture.tga", 4, 4, [](int, int) { return 0x0000FFFFu; });
    auto effect = load("Start 0\nEnd 0.5\nDrawMode ADDITIVE\nBrush \"brush.tga\"\nImage \"picture.tga\"\n" +
                       diagonalPath() + "}\n");
    auto& brush = static_cast<SplineBrush&>(*effect);
    clearScreen(200, 0, 0);
    brush.update(0.5f);  // the stroke, at full alpha, runs from the lower left corner to the middle of the screen
    brush.render();
    // On a stamp's centre the picture is added; far from the stroke nothing is.
    EXPECT_TRUE(nearColour(screenPixel(256.0f, 192.0f), {200, 0, 255}));
    EXPECT_TRUE(nearColour(screenPixel(480.0f, 100.0f), {200, 0, 0}));
    GLboolean depthWrites = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
    EXPECT_TRUE(depthWrites) << "depth writes are back on after drawing";
    EXPECT_FALSE(glIsEnabled(GL_BLEND));

    // The normal mode lays the picture over the stroke, weighted by the colour's alpha too.
    brush.setDrawMode(DrawModeNormal);
    brush.color = {1.0f, 1.0f, 1.0f, 0.5f};
    clearScreen(200, 0, 0);
    brush.render();
    EXPECT_TRUE(nearColour(screenPixel(256.0f, 192.0f), {100, 0, 128}));
    EXPECT_TRUE(nearColour(screenPixel(480.0f, 100.0f), {200, 0, 0}));

    // A mode that does not use alpha blends the whole picture, stroke or not.
    brush.setDrawMode(DrawModeMultiply);
    clearScreen(200, 100, 100);
    brush.render();
    EXPECT_TRUE(nearColour(screenPixel(256.0f, 192.0f), {0, 0, 100}));
    EXPECT_TRUE(nearColour(screenPixel(480.0f, 100.0f), {0, 0, 100}));
}

}  // namespace
}  // namespace qv3rn::test
