// The effects that change where the next ones draw: ChangeDrawBuffer, ChangeViewport and ClearBuffer.
#define GL_GLEXT_PROTOTYPES 1  // framebuffer objects for the test's own render target
#include <GL/gl.h>
#include <GL/glext.h>
#include <gtest/gtest.h>

#include "effects/change_draw_buffer.h"
#include "effects/render_target.h"
#include "overlay_test_support.h"
#include "probe_effect.h"
#include "shader/camera_mgr.h"

namespace qv3rn::test {
namespace {

// A framebuffer object with colour and depth/stencil buffers that writes "begin NAME w h" and "end NAME w h" to
// a journal.
class FramebufferTarget : public RenderTarget {
public:
    FramebufferTarget(std::string name, int width, int height, Journal* journal)
        : name_(std::move(name)), width_(width), height_(height), journal_(journal) {
        glGenRenderbuffers(2, buffers_);
        glBindRenderbuffer(GL_RENDERBUFFER, buffers_[0]);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
        glBindRenderbuffer(GL_RENDERBUFFER, buffers_[1]);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, width, height);
        glGenFramebuffers(1, &framebuffer);
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, buffers_[0]);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, buffers_[1]);
        EXPECT_EQ(glCheckFramebufferStatus(GL_FRAMEBUFFER), GLenum(GL_FRAMEBUFFER_COMPLETE));
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
    }
    ~FramebufferTarget() override {
        glDeleteFramebuffers(1, &framebuffer);
        glDeleteRenderbuffers(2, buffers_);
    }
    const std::string& targetName() const override { return name_; }
    int targetWidth() const override { return width_; }
    int targetHeight() const override { return height_; }
    bool begin(int width, int height) override { return note("begin", framebuffer, width, height); }
    bool end(int width, int height) override { return note("end", 0, width, height); }

    GLuint framebuffer = 0;

private:
    bool note(const char* what, GLuint bound, int width, int height) {
        journal_->push_back(std::string(what) + " " + name_ + " " + std::to_string(width) + " " +
                            std::to_string(height));
        glBindFramebuffer(GL_FRAMEBUFFER, bound);
        glViewport(0, 0, width, height);
        return true;
    }
    std::string name_;
    int width_, height_;
    Journal* journal_;
    GLuint buffers_[2] = {};
};

using Viewport = std::array<int, 4>;

class BufferEffectsTest : public OverlayTest {
protected:
    void SetUp() override {
        OverlayTest::SetUp();
        manager->setSize(1024, 768);
        square = std::make_unique<FramebufferTarget>("square", 256, 256, &journal);
        wide = std::make_unique<FramebufferTarget>("wide", 128, 64, &journal);
        manager->addRenderTarget(square.get());
        manager->addRenderTarget(nullptr);  // ignored
        manager->addRenderTarget(wide.get());
    }
    void TearDown() override {
        ChangeDrawBuffer::endCurrentTarget();
        square.reset();
        wide.reset();
        OverlayTest::TearDown();
    }
    ChangeDrawBuffer& change(const std::string& body) { return load<ChangeDrawBuffer>("ChangeDrawBuffer", body); }

    static float depthAt(int x, int y) {
        float depth = -1;
        glReadPixels(x, y, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
        return depth;
    }

    CameraMgr cameras;
    Journal journal;
    std::unique_ptr<FramebufferTarget> square, wide;
};

TEST_F(BufferEffectsTest, SwitchingTargetsEndsTheFirstBeforeBeginningTheSecondAndTheScreenEndsTheLast) {
    // CameraAspect gives the cameras the output's aspect inside the whole target.
    change("RenderTarget \"square\"\nCameraAspect yes\n}\n").render();
    EXPECT_EQ((std::array{cameras.width(), cameras.height()}), (std::array{256, 192}));
    EXPECT_EQ(glViewportBox(), (Viewport{0, 0, 256, 256}));
    change("RenderTarget \"wide\"\n}\n").render();
    EXPECT_EQ((std::array{cameras.width(), cameras.height()}), (std::array{128, 64}));

    change("RenderTarget \"Screen\"\n}\n").render();
    EXPECT_EQ(ChangeDrawBuffer::currentTarget(), nullptr);
    EXPECT_EQ((std::array{cameras.width(), cameras.height()}), (std::array{1024, 768}));
    // The target being left is ended with the size the new one begins with; the screen passes the output's.
    EXPECT_EQ(journal,
              (Journal{"begin square 256 256", "end square 128 64", "begin wide 128 64", "end wide 1024 768"}));

    // A name that is not registered exactly behaves like the screen.
    change("RenderTarget \"square\"\n}\n").render();
    ChangeDrawBuffer& missing = change("RenderTarget \"Square\"\n}\n");
    EXPECT_FALSE(missing.init());
    missing.render();
    EXPECT_EQ(ChangeDrawBuffer::currentTarget(), nullptr);
    EXPECT_EQ(journal.back(), "end square 1024 768");
}

TEST_F(BufferEffectsTest, TheScreenWithoutACurrentTargetOnlySetsTheViewportAndClears) {
    glViewport(5, 6, 7, 8);
    change("Clear COLOR_BUFFER DEPTH_BUFFER\nColor 0.2 0.4 0.6 1\nDepth 0.5\n}\n").render();
    EXPECT_TRUE(journal.empty());
    EXPECT_EQ(glViewportBox(), (Viewport{0, 0, 1024, 768}));
    EXPECT_EQ(cameras.width(), 1024);
    EXPECT_TRUE(nearColour(screenPixel(320, 240), {51, 102, 153}, 1));
    EXPECT_NEAR(depthAt(3, 3), 0.5f, 1e-4f);
}

TEST_F(BufferEffectsTest, ClearsGoIntoTheTargetWithOnlyTheMaskedValuesAndALaterClearLineReplacesTheMask) {
    glClearColor(1, 0, 0, 1);
    change("RenderTarget \"square\"\nColor 0 1 0 1\nStencil 7\nClear STENCIL_BUFFER\n}\n").render();
    GLint stencil = 0;
    glReadPixels(10, 10, 1, 1, GL_STENCIL_INDEX, GL_INT, &stencil);
    EXPECT_EQ(stencil, 7);
    GLfloat colour[4] = {};
    glGetFloatv(GL_COLOR_CLEAR_VALUE, colour);
    EXPECT_FLOAT_EQ(colour[0], 1.0f) << "the colour is not in the mask, so its clear value is not set";

    EXPECT_EQ(change("Clear COLOR_BUFFER ACCUM_BUFFER\nClear DEPTH_BUFFER\nAccum 0.5 0.5 0.5 0.5\n}\n").clearMask,
              GLbitfield(GL_DEPTH_BUFFER_BIT));
    EXPECT_EQ(change("Clear EVERYTHING\n}\n").clearMask, 0u);
}

TEST_F(BufferEffectsTest, ChangeViewportScalesVirtualUnitsToTheOutputAndTellsTheCameras) {
    const struct { int outputWidth, outputHeight; const char* line; Viewport expected; } rows[] = {
        {800, 600, "Viewport 1 1 100 101", {1, 1, 125, 126}},  // truncated
        {333, 222, "Viewport 0 0 640 480", {0, 0, 333, 222}},  // 1/640 and 1/480 in single precision
        {640, 480, "Viewport 10 20", {10, 20, 640, 480}},      // missing numbers keep their values
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.line);
        manager->setSize(row.outputWidth, row.outputHeight);
        load("ChangeViewport", std::string(row.line) + "\n}\n").render();
        EXPECT_EQ(glViewportBox(), row.expected);
        // The manager's viewport and the cameras' size follow it.
        EXPECT_EQ((Viewport{manager->viewportX(), cameras.width(), cameras.height(), manager->viewportHeight()}),
                  (Viewport{row.expected[0], row.expected[2], row.expected[3], row.expected[3]}));
    }
}

TEST_F(BufferEffectsTest, ClearBufferClearsTheNamedBuffersWithTheValuesOpenGLHolds) {
    const struct { const char* body; bool colour, depth; } rows[] = {
        {"Clear COLOR DEPTH\n}\n", true, true},
        {"Clear DEPTH\nClear COLOR\n}\n", true, false},  // a later line replaces the buffers
        {"Clear STENCIL_BUFFER ACCUM\n}\n", false, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.body);
        // Red at depth 0.25 drawn over a blue clear value.
        glClearColor(0, 0, 1, 1);
        glClearDepth(1.0);
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_ALWAYS);
        glColor3f(1, 0, 0);
        glRectf(-1, -1, 1, 1);
        glDisable(GL_DEPTH_TEST);
        load("ClearBuffer", row.body).render();
        EXPECT_TRUE(nearColour(screenPixel(40, 40),
                               row.colour ? std::array<int, 3>{0, 0, 255} : std::array<int, 3>{255, 0, 0}, 0));
        EXPECT_NEAR(depthAt(10, 10), row.depth ? 1.0f : 0.5f, 1e-3f);
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    }
}

}  // namespace
}  // namespace qv3rn::test
