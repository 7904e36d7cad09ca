// dissolve_brush_test.cpp -- the image revealed through a brush's grey levels: the less-or-equal alpha test on
// real pixels, the dissolve value with and without a track, and the state it leaves.
#include <gtest/gtest.h>

#include "overlay_test_support.h"

namespace qv3rn::test {
namespace {

// The brush's four columns, left to right, have the alpha levels 0, 85, 170 and 255; the picture is green.
class DissolveBrushTest : public OverlayTest {
protected:
    void SetUp() override {
        OverlayTest::SetUp();
        addImage("levels.tga", 4, 1, [](int x, int) { return 0xFFFFFF00u | (85u * x); }, true);
        addImage("picture.tga", 4, 4, [](int, int) { return 0x00FF00FFu; }, true);
    }
    // Which of the four columns show the picture.
    static std::array<bool, 4> shownColumns() {
        std::array<bool, 4> shown{};
        for (int column = 0; column < 4; ++column) {
            const Rgba rgba = screenPixel(80.0f + 160.0f * column, 240.0f);
            EXPECT_TRUE(nearColour(rgba, {0, 0, 0}, 0) || nearColour(rgba, {0, 255, 0}, 0)) << column;
            shown[column] = rgba[1] == 255;
        }
        return shown;
    }
};

TEST_F(DissolveBrushTest, RaisingDissolveRevealsThePictureInTheOrderOfTheBrushLevels) {
    const std::string brush = "Brush \"levels.tga\"\nImage \"picture.tga\"\n";
    const struct {
        std::string body;
        float time;
        std::array<bool, 4> shown;
    } rows[] = {
        {"Brush \"levels.tga\"\nImage \"missing.tga\"\n}\n", 1.0f, {false, false, false, false}},
        {"Start 0\nEnd 2\n" + brush + "}\n", 0.0f, {true, false, false, false}},  // only alpha 0: less-or-equal
        {"Start 0\nEnd 2\n" + brush + "}\n", 0.5f, {true, false, false, false}},  // t / (end - start) = 0.25
        {"Start 0\nEnd 2\n" + brush + "}\n", 1.4f, {true, true, true, false}},    // 0.7: past 170
        {"Start 0\nEnd 2\n" + brush + "}\n", 2.0f, {true, true, true, true}},     // 1: the whole picture
        {brush + constantField("Dissolve {", 170.0f / 255.0f) + "}\n", 5.0f, {true, true, true, false}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.body + " at " + std::to_string(row.time));
        clearScreen(0, 0, 0);
        draw(load("DissolveBrush", row.body), row.time);
        EXPECT_EQ(shownColumns(), row.shown);
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    }
    // After drawing both units are unbound and unit 0 is selected again.
    EXPECT_FALSE(glIsEnabled(GL_ALPHA_TEST));
    GLint unit = 0;
    glGetIntegerv(GL_ACTIVE_TEXTURE, &unit);
    EXPECT_EQ(unit, GL_TEXTURE0);
    glActiveTexture(GL_TEXTURE1);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    glActiveTexture(GL_TEXTURE0);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
}

}  // namespace
}  // namespace qv3rn::test
