// frame_renderer_test.cpp -- frames drawn and read back top row first, and written as PNG files.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <png.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "effects/effect_manager.h"
#include "effects/frame_renderer.h"
#include "support/gl_test_context.h"

namespace qv3rn::test {
namespace {

namespace fs = std::filesystem;

// Fills the lower half of the screen with its colour.
class LowerHalf : public Effect {
public:
    LowerHalf(float r, float g, float b) : Effect(EffectKind::Flash), colour_{r, g, b} { setEnd(1000.0f); }
    void update(float) override {}
    void render() override {
        glMatrixMode(GL_PROJECTION);
        glPushMatrix();
        glLoadIdentity();
        glOrtho(0, 1, 0, 1, -1, 1);
        glMatrixMode(GL_MODELVIEW);
        glPushMatrix();
        glLoadIdentity();
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_CULL_FACE);
        glColor4f(colour_[0], colour_[1], colour_[2], 0.0f);  // alpha as a brush stroke leaves it
        glBegin(GL_QUADS);
        glVertex2f(0, 0);
        glVertex2f(1, 0);
        glVertex2f(1, 0.5f);
        glVertex2f(0, 0.5f);
        glEnd();
        glPopMatrix();
        glMatrixMode(GL_PROJECTION);
        glPopMatrix();
        glMatrixMode(GL_MODELVIEW);
    }

private:
    float colour_[3];
};

class FrameRendererTest : public GLTest {
protected:
    EffectManager manager;
};

TEST_F(FrameRendererTest, TheManagerGetsTheFrameSizeAndTheFrameIsReadBackTopRowFirst) {
    manager.addEffect(std::make_unique<LowerHalf>(1.0f, 0.5f, 0.0f));
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
}

// Reads a PNG back with libpng's simplified reader as RGBA, top row first.
bool readPng(const std::string& path, int& w, int& h, std::vector<std::uint8_t>& rgba) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
    image.format = PNG_FORMAT_RGBA;
    rgba.resize(PNG_IMAGE_SIZE(image));
    w = static_cast<int>(image.width);
    h = static_cast<int>(image.height);
    return png_image_finish_read(&image, nullptr, rgba.data(), 0, nullptr) != 0;
}

TEST_F(FrameRendererTest, RenderToPngWritesTheFrame) {
    manager.addEffect(std::make_unique<LowerHalf>(0.0f, 0.0f, 1.0f));
    FrameRenderer renderer(manager, width, height);
    manager.update(2.0f);
    std::string error;
    ASSERT_TRUE(renderer.renderToPng("frame_renderer_test.png", error)) << error;
    int w = 0, h = 0;
    std::vector<std::uint8_t> pixels;
    ASSERT_TRUE(readPng("frame_renderer_test.png", w, h, pixels));
    EXPECT_EQ(w, width);
    EXPECT_EQ(h, height);
    EXPECT_EQ(pixels[2], 0);  // top-left: black
    EXPECT_EQ(pixels[(static_cast<std::size_t>(h - 1) * w) * 4 + 2], 255);  // bottom-left: blue
    fs::remove("frame_renderer_test.png");
}

}  // namespace
}  // namespace qv3rn::test
