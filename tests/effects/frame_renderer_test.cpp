// frame_renderer_test.cpp -- frames drawn and read back top row first, and written as PNG files.
#include "effects/frame_renderer.h"

#include <gtest/gtest.h>

#include <GL/gl.h>

#include <memory>
#include <vector>

#include "effects/effect_manager.h"
#include "image/png_decoder.h"
#include "support/gl_test_context.h"

namespace qv3rn::test {
namespace {

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
    EXPECT_EQ(manager.width(), width);
    EXPECT_EQ(manager.viewportHeight(), height);
    glClearColor(1, 1, 1, 1);  // the renderer clears with the player's black itself
    manager.update(1.0f);
    const std::vector<std::uint8_t> frame = renderer.renderFrame();
    ASSERT_EQ(frame.size(), static_cast<std::size_t>(width * height * 4));
    const auto at = [&](int x, int row) { return &frame[(static_cast<std::size_t>(row) * width + x) * 4]; };
    EXPECT_EQ(at(5, 0)[0], 0);  // top row: cleared
    EXPECT_EQ(at(5, 0)[3], 255);
    EXPECT_EQ(at(5, height - 1)[0], 255);  // bottom row: the effect
    EXPECT_NEAR(at(5, height - 1)[1], 128, 1);
    EXPECT_EQ(at(5, height - 1)[3], 255) << "the frame is opaque whatever alpha the effects left";

    std::string error;
    ASSERT_TRUE(renderer.renderToPng("frame.png", error)) << error;
    PngDecoder decoder;
    const auto png = decoder.decode2DFromFile("frame.png", ImageFormat::Rgba);
    ASSERT_NE(png, nullptr) << decoder.lastError();
    EXPECT_EQ(png->width(), width);
    EXPECT_EQ(png->height(), height);
    EXPECT_EQ(png->row(0)[0], 0);             // top-left: black
    EXPECT_EQ(png->row(height - 1)[0], 255);  // bottom-left: orange
}

}  // namespace
}  // namespace qv3rn::test
