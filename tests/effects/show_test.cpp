// Every effect type read from one script and drawn through the manager, its errors, frames read back.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "effects/effect_manager.h"
#include "effects/frame_renderer.h"
#include "effects/text_fade_effect.h"
#include "image/png_decoder.h"
#include "overlay_test_support.h"
#include "support/gl_test_context.h"
#include "test_video_file.h"

namespace qv3rn::test {
namespace {

class ShowTest : public OverlayTest {};

TEST_F(ShowTest, AShowOfEveryTypeDrawsWithoutErrorAndLeavesNoStateBehind) {
    addImage("red.png", 8, 8, [](int, int) { return 0xFF0000FFu; });
    addImage("font.png", 64, 64, [](int, int) { return 0xFFFFFFFFu; });
    ASSERT_EQ(writeTestVideo("show.avi", 32, 32, 3, 25, [](int n, int, int) { return frameColour(n); }), "");
    const std::string times = " Start 0\n End 10\n";
    const std::string script =
        "ClearBuffer {\n" + times + " Layer -2\n Clear COLOR DEPTH\n}\n" +
        "ChangeDrawBuffer {\n" + times + " Layer -1\n RenderTarget \"Screen\"\n}\n" +
        "ChangeViewport {\n" + times + " Layer -1\n Viewport 0 0 640 480\n}\n" +
        "Image {\n Name \"back\"\n" + times + " Layer 0\n Image \"red.png\"\n" + constantField("PositionX {", 320) +
        constantField("PositionY {", 240) + "}\n" +
        "Invert {\n" + times + " Layer 5\n Rect 0 0 320 480\n}\n"
        "Flash {\n" + times + " Layer 1\n Color 1 1 1 1\n}\n"
        "Lines {\n" + times + " Layer 1\n NumLines 3\n Color 0 0 0 1\n" + constantField("Alpha {", 0) + "}\n" +
        "Blocks {\n" + times + " Layer 1\n Image \"red.png\"\n Rect 0 0 10 10\n Position 0 0 -1\n}\n"
        "Text {\n" + times + " Layer 1\n Font \"font.png\"\n Message \"x\"\n}\n"
        "Stream {\n" + times + " Layer 1\n Stream \"show.avi\"\n Rect 600 0 1 1\n}\n"
        "SplineBrush {\n" + times + " Layer 1\n Brush \"font.png\"\n" + constantField("PathX {", 600) +
        constantField("PathY {", 10) + "}\n" +
        "HermiteBrush {\n" + times + " Layer 1\n Brush \"font.png\"\n Spline {\n  Point 0 600 10\n }\n}\n"
        "DissolveBrush {\n" + times + " Layer 1\n Brush \"font.png\"\n}\n"
        "Diffusion {\n" + times + " Layer 1\n DeformType DEFORM_4\n}\n"
        "TextFade {\n" + times + " Layer 1\n Image \"font.png\"\n ScreenRect 600 400 1 1\n" +
        constantField(" Alpha { ", 0.0f) + "}\n";
    ASSERT_EQ(readScript(*manager, script), "");
    ASSERT_EQ(manager->pending().size(), 15u);
    manager->setSize(framebufferWidth, framebufferHeight);
    manager->initAll();

    const auto stackDepths = [] {
        return std::array{glInteger(GL_MODELVIEW_STACK_DEPTH), glInteger(GL_PROJECTION_STACK_DEPTH),
                          glInteger(GL_ATTRIB_STACK_DEPTH)};
    };
    const std::array<GLint, 3> depths = stackDepths();
    for (float time : {0.0f, 0.5f, 1.0f, 4.0f}) {
        clearScreen(0, 0, 255);
        manager->update(time);
        manager->render();
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)) << time;
    }
    ASSERT_EQ(manager->active().size(), 15u);  // the layer order and each type's pixels are their own tests'

    // What the caller had set up is there again after a frame.
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_CULL_FACE);
    glTranslatef(1.0f, 2.0f, 3.0f);
    manager->update(5.0f);
    manager->render();
    EXPECT_EQ(stackDepths(), depths);
    GLfloat modelView[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, modelView);
    EXPECT_EQ((std::array{modelView[12], modelView[14]}), (std::array{1.0f, 3.0f}));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    expectDrawingStateRestored();

    // Past the end every effect is released and deleted while the images still exist.
    manager->update(11.0f);
    EXPECT_TRUE(manager->active().empty());
    EXPECT_TRUE(manager->pending().empty());
}

TEST_F(ShowTest, ALineATypeCannotReadStopsTheScriptWithTheLineAndWhy) {
    // failure: after "<stream>:"; one unknown line for each way a type reports it, one refused size per type
    const struct { std::string script; std::string failure; } rows[] = {
        {"Blocks {\n Rows 2\n Shatter 1\n}\n", "3: BlocksEffect unknown token"},
        {"Blocks {\n Rows 1000\n Cols 1000\n}\n", "3: BlocksEffect grid size out of range: Cols 1000"},
        {"Flash {\n Color 1 1 1 1\n Glow 3\n}\n", "3: FlashEffect unknown token Glow 3"},
        {"ClearBuffer {\n Clear colour\n}\n", "2: ClearBuffer unknown buffer(s): Clear colour"},
        {"Diffusion {\n Resolution 100000\n}\n", "2: DiffusionEffect: resolution out of range: Resolution 100000"},
        {"; brushes\nHermiteBrush {\n Spline {\n  Point 0 1 2\n  Curve 1\n }\n}\n",
         "5: HermiteBrushLoader unknown spline token:Curve 1"},
        {"HermiteBrush {\n NumSegDivs 2000000000\n}\n",
         "2: HermiteBrushLoader NumSegDivs out of range:NumSegDivs 2000000000"},
        {"SplineBrush {\n PathIncrTime nan\n}\n", "2: SplineBrushLoader PathIncrTime must be above 0:PathIncrTime nan"},
        {"Lines {\n NumLines 2000000000\n}\n", "2: LinesEffectLoader line count out of range: NumLines 2000000000"},
        {"Scene {\nCameraSyncro {\nChange \"far view\" 10\n}\n}\n",
         "3: SceneEffectLoader camera switch without a time (the camera name is one word): Change \"far view\" 10"},
        // Types whose unknown lines fail the block without an error of their own.
        {"Image {\n Rect 1 2 3 4\n Sparkle 3\n}\n", "3: the Image block does not understand the line \"Sparkle 3\""},
        {"TextFade {\n" + constantField(" Alpha {", 1) + "}\n",  // the field needs its trailing space
         "2: the TextFade block does not understand the line \"Alpha {\""},
        {"Flash {\n}\nStream {\n Stream \"missing.avi\"\n}\nFlash {\n}\n",
         "4: the Stream block cannot use the line \"Stream \"missing.avi\"\": the video cannot be opened: "},
    };
    for (const auto& row : rows) {
        EffectManager timeline;
        const std::string failure = readScript(timeline, row.script);
        EXPECT_EQ(failure.substr(0, row.failure.size() + 9), "<stream>:" + row.failure) << row.script;
    }
}

TEST_F(ShowTest, AFieldWhoseBraceEndsTheBlockLeavesTheRestToTheScript) {
    // TextFade's and Stream's "Alpha { " fields close their block: what follows is read at the script's level.
    const std::string script = "TextFade {\n ScreenRect 0 0 10 10\n" + constantField(" Alpha { ", 1) +
                               " ScreenRect 0 0 99 99\n}\nTextFade {\n Name \"b\"\n}\n";
    ASSERT_EQ(readScript(*manager, script), "");
    ASSERT_EQ(manager->pending().size(), 2u);
    EXPECT_FLOAT_EQ(dynamic_cast<TextFadeEffect&>(*manager->pending().front()).screenRect.right, 10.0f);
    EXPECT_EQ(manager->pending().back()->name(), "b");
}

// Fills the lower half of the screen with orange, at the zero alpha a brush stroke leaves.
class LowerHalf : public Effect {
public:
    LowerHalf() : Effect(EffectKind::Flash) { setEnd(1000.0f); }
    void update(float) override {}
    void render() override {
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glColor4f(1.0f, 0.5f, 0.0f, 0.0f);
        glRectf(-1, -1, 1, 0);
    }
};

class FrameRendererTest : public GLTest {};

TEST_F(FrameRendererTest, TheFrameIsReadBackOpaqueTopRowFirstAndWrittenAsAPng) {
    EffectManager manager;
    manager.addEffect(std::make_unique<LowerHalf>());
    FrameRenderer renderer(manager, width, height);
    EXPECT_EQ((std::array{manager.width(), manager.viewportHeight()}), (std::array{width, height}));
    glClearColor(1, 1, 1, 1);  // the renderer clears with the player's black itself
    manager.update(1.0f);
    const std::vector<std::uint8_t> frame = renderer.renderFrame();
    ASSERT_EQ(frame.size(), static_cast<std::size_t>(width * height * 4));
    const auto at = [&](int x, int row) { return &frame[(static_cast<std::size_t>(row) * width + x) * 4]; };
    EXPECT_EQ(at(5, 0)[0], 0);  // top row: cleared
    EXPECT_EQ(at(5, height - 1)[0], 255);  // bottom row: the effect
    EXPECT_NEAR(at(5, height - 1)[1], 128, 1);
    EXPECT_EQ(at(5, height - 1)[3], 255) << "the frame is opaque whatever alpha the effects left";

    std::string error;
    ASSERT_TRUE(renderer.renderToPng("frame.png", error)) << error;
    PngDecoder decoder;
    const auto png = decoder.decode2DFromFile("frame.png", ImageFormat::Rgba);
    ASSERT_NE(png, nullptr) << decoder.lastError();
    EXPECT_EQ((std::array{png->width(), png->height()}), (std::array{width, height}));
    EXPECT_EQ(png->row(height - 1)[0], 255);  // bottom-left: orange, the last row
}

}  // namespace
}  // namespace qv3rn::test
