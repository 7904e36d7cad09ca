// flat_effects_test.cpp -- what the image, flash, invert, text, text-fade and brush blocks put on the screen:
// placement, rotation and scale about their pivots, texture parts, alpha, the five draw modes, the dissolve
// through a brush's grey levels and the picture through a stroke, the state left behind, and missing pictures.
#include <gtest/gtest.h>

#include <vector>

#include "effects/blend.h"
#include "effects/text_effect.h"
#include "overlay_test_support.h"

namespace qv3rn::test {
namespace {

using Rgb = std::array<int, 3>;
constexpr Rgb black{0, 0, 0}, white{255, 255, 255}, red{255, 0, 0}, green{0, 255, 0}, blue{0, 0, 255};

// A point of the virtual screen and the colour expected there.
struct Seen {
    float x, y;
    Rgb colour;
    int tolerance = 3;
};

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
    {"scale stretches away from the pivot", "Image", dark,
     "Rect 50 0 100 20\n" + centred + constantField("ScaleX {", 2) + constantField("ScaleY {", 0.5f) + "}\n",
     {{180, 240, white}, {360, 240, white}, {385, 240, black}, {160, 240, black}, {180, 248, black}}},
    {"the image's top row is at the top", "Image", dark, "Image \"halves.png\"\n" + centred + "}\n",
     {{320, 400, red}, {320, 80, blue}}},
    {"TexRect picks a part and is not read as Rect", "Image", dark,
     "Image \"halves.png\"\nTexRect 0 0.75 1 1\n" + centred + "}\n", {{320, 400, blue}, {320, 240, blue}}},
    {"MULTIPLY turns the colour into its alpha", "Image", {200, 100, 40},
     "DrawMode MULTIPLY\nColor 1 0 0 0.5\n" + centred + "}\n", {{320, 240, {100, 50, 20}}}},
    {"NORMAL blends with the alpha", "Image", {0, 0, 200}, "Color 1 1 1 0.25\n" + centred + "}\n",
     {{320, 240, {64, 64, 214}}}},
    {"the alpha track keyed in demo seconds drives the colour", "Image", dark,
     envelopeField("Alpha {", {{10, 0}, {12, 1}}) + centred + "}\n", {{320, 240, {128, 128, 128}}}, 11.0f},
    {"zero alpha draws nothing, even additively", "Image", {10, 20, 30},
     "DrawMode ADDITIVE\n" + constantField("Alpha {", 0) + centred + "}\n", {{320, 240, {10, 20, 30}, 0}}},

    {"a flash at alpha 1 covers the whole screen", "Flash", {255, 255, 255},
     "Color 0.2 0.4 0.6 1\n" + constantField("Alpha {", 1) + "}\n",
     {{2, 2, {51, 102, 153}, 1}, {320, 240, {51, 102, 153}, 1}, {638, 478, {51, 102, 153}, 1}}},
    {"a flash without an Alpha field never shows", "Flash", {10, 20, 30}, "Color 1 1 1 1\nDrawMode ADDITIVE\n}\n",
     {{320, 240, {10, 20, 30}, 0}}},
    {"the flash alpha follows its envelope in demo seconds", "Flash", {0, 0, 100},
     "Start 12\nEnd 12.5\nDrawMode ADDITIVE\nColor 1 1 1 1\n" + envelopeField("Alpha {", {{12, 1}, {12.5f, 0}}) + "}\n",
     {{100, 100, {128, 128, 228}}}, 12.25f},
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
    {"half an inversion is grey whatever the colour", "Invert", warm, constantField("Alpha {", 0.5f) + "}\n",
     {{100, 100, {128, 128, 128}, 2}, {500, 100, {128, 128, 128}, 2}}, 0.0f, cool},
    {"another draw mode draws a white rectangle", "Invert", warm, "DrawMode NORMAL\nRect 320 0 320 240\n}\n",
     {{500, 100, white, 1}, {500, 300, {20, 240, 128}, 0}}, 0.0f, cool},

    {"two glyphs sit on the pen at minus one width and zero", "Text", dark,
     "Message \"AB\"\nFont \"font.png\"\nFontSize 32 32\n" + constantField("Alpha {", 1) + centred + "}\n",
     {{288, 224, red, 8}, {320, 224, green, 8}, {264, 224, black, 29}, {344, 224, black, 29}, {288, 248, black, 29},
      {320, 200, black, 29}}},
    {"text without an alpha track is invisible", "Text", dark, "Message \"AB\"\nFont \"font.png\"\n" + centred + "}\n",
     {{288, 224, black, 29}, {320, 224, black, 29}}},
    {"each glyph turns about its own centre", "Text", dark,
     "Message \"A\"\nFontSize 32 32\n" + constantField("Alpha {", 1) + constantField("FontScaleX {", 2) +
         constantField("FontScaleY {", 1) + constantField("FontRotation {", 90) + centred + "}\n",
     {{304, 252, white}, {304, 196, white}, {332, 224, black, 29}, {276, 224, black, 29}}},
    {"the line scales about its position", "Text", dark,
     "Message \"AB\"\nFont \"font.png\"\n" + constantField("Alpha {", 1) + constantField("ScaleX {", 2) +
         constantField("ScaleY {", 1) + centred + "}\n",
     {{236, 224, red, 8}, {340, 224, green, 8}, {216, 224, black, 29}}},
    {"the line turns about its position", "Text", dark,
     "Message \"AB\"\nFont \"font.png\"\nColor 1 1 1 1\n" + constantField("Alpha {", 1) +
         constantField("Rotation {", 180) + centred + "}\n",
     {{352, 256, red, 8}, {320, 256, green, 8}, {288, 224, black, 29}}},

    {"at fade 0.5 only the blurred picture shows, at half alpha", "TextFade", dark,
     fadeBody + constantField("Alpha { ", 0.5f) + "}\n", {{320, 240, {128, 0, 0}}}},
    {"at fade 1.5 the sharp picture lies half over the blurred one", "TextFade", dark,
     fadeBody + constantField("Alpha { ", 1.5f) + "}\n", {{320, 240, {64, 128, 0}}}},
    {"at fade 2 only the sharp picture shows, in the screen rectangle", "TextFade", dark,
     fadeBody + constantField("Alpha { ", 2) + "}\n",
     {{320, 240, green}, {470, 350, green}, {150, 240, black, 0}, {490, 240, black, 0}}},
    {"at fade 0 nothing shows", "TextFade", dark, fadeBody + constantField("Alpha { ", 0) + "}\n",
     {{320, 240, black, 0}}},
    {"without a track the fade is 1", "TextFade", dark, fadeBody + "}\n", {{320, 240, red}}},

    {"a dissolve without its picture draws nothing", "DissolveBrush", dark,
     "Brush \"levels.tga\"\nImage \"missing.tga\"\n}\n", shownColumns({false, false, false, false})},
    {"at dissolve 0 only alpha 0 shows: the test is less-or-equal", "DissolveBrush", dark,
     "Start 0\nEnd 2\n" + levels + "}\n", shownColumns({true, false, false, false}), 0.0f},
    {"the dissolve is the time over the length: 0.7 is past 170", "DissolveBrush", dark, "Start 0\nEnd 2\n" + levels + "}\n",
     shownColumns({true, true, true, false}), 1.4f},
    {"1 shows the whole picture", "DissolveBrush", dark, "Start 0\nEnd 2\n" + levels + "}\n",
     shownColumns({true, true, true, true}), 2.0f},
    {"a dissolve track sets the level", "DissolveBrush", dark,
     levels + constantField("Dissolve {", 170.0f / 255.0f) + "}\n", shownColumns({true, true, true, false}), 5.0f},

    {"ADDITIVE adds the picture through the stroke", "SplineBrush", {200, 0, 0}, "DrawMode ADDITIVE\n" + stroke,
     {{256, 192, {200, 0, 255}}, {480, 100, {200, 0, 0}}}, 0.5f},
    {"NORMAL puts the picture through the stroke", "SplineBrush", {200, 0, 0}, "DrawMode NORMAL\n" + stroke,
     {{256, 192, {0, 0, 255}}, {480, 100, {200, 0, 0}}}, 0.5f},
    {"MULTIPLY uses no alpha: the whole picture", "SplineBrush", {200, 100, 100}, "DrawMode MULTIPLY\n" + stroke,
     {{256, 192, {0, 0, 100}}, {480, 100, {0, 0, 100}}}, 0.5f},
    {"blocks without an image draw nothing", "Blocks", dark, "Rows 1\nCols 1\n}\n", {{400, 300, black, 0}}, 0.0f},
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
    load("Image", "Name \"intro\"\nImage \"nowhere.tga\"\n}\n");
    Effect& text = load("Text", "Name \"credits\"\nFont \"missing.png\"\nMessage \"x\"\n}\n");
    EXPECT_FALSE(text.init()) << "a text without its font cannot be drawn";
    const std::string logged = log.text();
    EXPECT_NE(logged.find("ERROR! ImageEffect \"intro\" unable to find image \"nowhere.tga\""), std::string::npos);
    EXPECT_NE(logged.find("ERROR! TextEffect \"credits\" unable to find font \"missing.png\""), std::string::npos);
}

TEST(TextGlyphCell, CellsStartWithTheExclamationMarkAndKeepTheSignOfCDivision) {
    constexpr float cell = 1.0f / 16.0f;
    const struct {
        signed char ch;
        float left, top, right, bottom;
    } rows[] = {
        {'!', 0, 0, cell, cell},
        {'0', 15 * cell, 0, 1, cell},        // the last column ends at the picture's edge
        {' ', -cell, 0, 0, cell},            // below "!": column -1 of row 0
        {static_cast<signed char>(200), -9 * cell, -5 * cell, -8 * cell, -4 * cell},  // -56 - 33 = -89
    };
    for (const auto& row : rows) {
        const TextEffect::GlyphCell glyph = TextEffect::glyphCell(row.ch);
        EXPECT_EQ((std::array{glyph.leftU, glyph.topV, glyph.rightU, glyph.bottomV}),
                  (std::array{row.left, row.top, row.right, row.bottom})) << int(row.ch);
    }
}

TEST_F(FlatEffectsTest, AnUnknownDrawModeEnablesBlendingAndKeepsTheCurrentFunction) {
    glBlendFunc(GL_ZERO, GL_SRC_COLOR);
    beginBlend(5);
    GLint source = 0, destination = 0;
    glGetIntegerv(GL_BLEND_SRC, &source);
    glGetIntegerv(GL_BLEND_DST, &destination);
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    EXPECT_EQ(source, GL_ZERO);
    EXPECT_EQ(destination, GL_SRC_COLOR);
    endBlend();
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
}

TEST(DrawModeNames, EachNameReadsBackAsItsModeAndOtherModesHaveNone) {
    for (std::uint32_t mode = 0; mode < 5; ++mode)
        EXPECT_EQ(drawModeFromLine("DrawMode " + std::string(drawModeName(mode))), mode);
    EXPECT_EQ(drawModeName(5), "");
}

}  // namespace
}  // namespace qv3rn::test
