// Tests of the eight flat effect types together on one timeline: read from one script, drawn in layer order
// through the manager, with no OpenGL error and no state left behind between them.
#include <gtest/gtest.h>

#include "effects/effect_manager.h"
#include "effects/effect_script.h"
#include "overlay_test_support.h"
#include "test_video_file.h"

namespace qv3rn {
namespace {

using test::constantField;
using test::nearColour;

class OverlayEffectsTest : public test::OverlayTest {};

TEST_F(OverlayEffectsTest, AShowOfEveryTypeDrawsInLayerOrderAndLeavesNoStateBehind) {
    addImage("red.png", 8, 8, [](int, int) { return 0xFF0000FFu; });
    addImage("font.png", 64, 64, [](int, int) { return 0xFFFFFFFFu; });
    ASSERT_EQ(test::writeTestVideo("show.avi", 32, 32, 3, 25, [](int n, int, int) { return test::frameColour(n); }), "");
    const std::string script =
        "Image {\n Name \"back\"\n Start 0\n End 10\n Layer 0\n Image \"red.png\"\n" + constantField("PositionX {", 320) +
        constantField("PositionY {", 240) + "}\n" +
        "Invert {\n Start 0\n End 10\n Layer 5\n Rect 0 0 320 480\n}\n"
        "Flash {\n Start 0\n End 10\n Layer 1\n Color 1 1 1 1\n}\n"
        "Lines {\n Start 0\n End 10\n Layer 1\n NumLines 3\n Color 0 0 0 1\n" + constantField("Alpha {", 0) + "}\n" +
        "Blocks {\n Start 0\n End 10\n Layer 1\n Image \"red.png\"\n Rect 0 0 10 10\n Position 0 0 -1\n}\n"
        "Text {\n Start 0\n End 10\n Layer 1\n Font \"font.png\"\n Message \"x\"\n}\n"
        "Stream {\n Start 0\n End 10\n Layer 1\n Stream \"show.avi\"\n Rect 600 0 1 1\n}\n"
        "TextFade {\n Start 0\n End 10\n Layer 1\n Image \"font.png\"\n ScreenRect 600 400 1 1\n" +
        constantField(" Alpha { ", 0.0f) + "}\n";
    test::ParsedScript parsed = test::parseScript(script);
    ASSERT_TRUE(parsed.parsed) << parsed.failure;
    ASSERT_EQ(parsed.effects().size(), 8u);
    EffectManager& manager = *parsed.manager;
    manager.initAll();

    GLint modelViewDepth = 0, projectionDepth = 0, attribDepth = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &modelViewDepth);
    glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &projectionDepth);
    glGetIntegerv(GL_ATTRIB_STACK_DEPTH, &attribDepth);
    for (float time : {0.0f, 0.5f, 1.0f, 4.0f}) {
        clearScreen(0, 0, 0);
        manager.update(time);
        manager.render();
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)) << time;
    }
    ASSERT_EQ(manager.active().size(), 8u);
    // The red picture at the bottom, the inverting half on top of everything: cyan on the left, red on the right.
    EXPECT_TRUE(nearColour(screenPixel(100, 240), {0, 255, 255}));
    EXPECT_TRUE(nearColour(screenPixel(400, 240), {255, 0, 0}));

    GLint depth = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
    EXPECT_EQ(depth, modelViewDepth);
    glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &depth);
    EXPECT_EQ(depth, projectionDepth);
    glGetIntegerv(GL_ATTRIB_STACK_DEPTH, &depth);
    EXPECT_EQ(depth, attribDepth);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_FALSE(glIsEnabled(GL_ALPHA_TEST));

    // Past the end every effect is released and deleted while the images still exist.
    manager.update(11.0f);
    EXPECT_TRUE(manager.active().empty());
    EXPECT_TRUE(manager.pending().empty());
}

}  // namespace
}  // namespace qv3rn
