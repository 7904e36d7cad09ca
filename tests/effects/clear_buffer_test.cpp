// Tests of the effect that clears buffers: the words of its Clear line and what a render clears.
#include "effects/clear_buffer.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include "overlay_test_support.h"
#include "support/gl_test_context.h"

namespace qv3rn::test {
namespace {

class ClearBufferTest : public GLTest {
protected:
    std::uint32_t buffersOf(const std::string& body) {
        LoadedBlock block = loadBlock(loader, body);
        EXPECT_TRUE(block.loaded);
        return as<ClearBuffer>(block).buffers;
    }

    // Fills the colour with red and the depth with 0.25 by drawing, so that a clear shows.
    static void drawSomething() {
        glClearColor(0, 0, 1, 1);
        glClearDepth(1.0);
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_ALWAYS);
        glColor3f(1, 0, 0);
        glBegin(GL_QUADS);
        glVertex3f(-1, -1, -0.5f);
        glVertex3f(1, -1, -0.5f);
        glVertex3f(1, 1, -0.5f);
        glVertex3f(-1, 1, -0.5f);
        glEnd();
        glDisable(GL_DEPTH_TEST);
    }
    static float depthAt(int x, int y) {
        float depth = -1;
        glReadPixels(x, y, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
        return depth;
    }

    ClearBufferLoader loader;
};

TEST_F(ClearBufferTest, ClearWordsMakeTheUnionOfTheirBits) {
    EXPECT_EQ(buffersOf("Clear COLOR DEPTH\n}\n"), 3u);
    EXPECT_EQ(buffersOf("Clear STENCIL_BUFFER ACCUM\n}\n"), 12u);
    EXPECT_EQ(buffersOf("Clear DEPTH\nClear COLOR\n}\n"), 1u) << "a later line replaces the buffers";
    EXPECT_EQ(buffersOf("Name \"wipe\"\n}\n"), 0u);
    ClearBuffer effect;
    effect.buffers = 15;
    EXPECT_EQ(effect.clearMask(),
              GLbitfield(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT | GL_ACCUM_BUFFER_BIT));
    EXPECT_EQ(effect.kind(), 3u);
}

TEST_F(ClearBufferTest, LinesWithoutABufferOrKeywordRaiseErrors) {
    try {
        loadBlock(loader, "Clear colour\n}\n");
        FAIL() << "no error raised";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "ClearBuffer unknown buffer(s): Clear colour");
    }
    try {
        loadBlock(loader, "Wipe COLOR\n}\n");
        FAIL() << "no error raised";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "ClearBuffer unknown token: Wipe COLOR");
    }
}

TEST_F(ClearBufferTest, ColorAndDepthClearBothWithTheValuesOpenGLHolds) {
    LoadedBlock block = loadBlock(loader, "Clear COLOR DEPTH\n}\n");
    drawSomething();
    EXPECT_EQ(pixel(10, 10)[0], 255);
    EXPECT_NEAR(depthAt(10, 10), 0.25f, 1e-3f);
    block.effect->render();
    EXPECT_EQ(pixel(10, 10), (std::array<std::uint8_t, 4>{0, 0, 255, 255}));
    EXPECT_NEAR(depthAt(10, 10), 1.0f, 1e-6f);

    // Depth alone leaves the colour.
    LoadedBlock depthOnly = loadBlock(loader, "Clear DEPTH\n}\n");
    drawSomething();
    depthOnly.effect->render();
    EXPECT_EQ(pixel(10, 10)[0], 255);
    EXPECT_NEAR(depthAt(10, 10), 1.0f, 1e-6f);

    // Nothing to clear: nothing happens.
    ClearBuffer nothing;
    drawSomething();
    nothing.render();
    EXPECT_EQ(pixel(10, 10)[0], 255);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

}  // namespace
}  // namespace qv3rn::test
