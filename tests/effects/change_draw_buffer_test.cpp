// Tests of the effect that redirects drawing: targets found by name, the camera size with and without the
// output's aspect, switching between targets, returning to the screen, and the clears, on a 1024 x 768 output.
#define GL_GLEXT_PROTOTYPES 1  // framebuffer objects for the test's own render target
#include "effects/change_draw_buffer.h"

#include <GL/gl.h>
#include <GL/glext.h>
#include <gtest/gtest.h>

#include "effects/render_target.h"
#include "overlay_test_support.h"
#include "probe_effect.h"
#include "shader/camera_mgr.h"

namespace qv3rn::test {
namespace {

// A render target of the test's own: a framebuffer object with a colour texture and a depth/stencil buffer,
// writing "begin NAME w h" and "end NAME w h" to a journal.
class FramebufferTarget : public RenderTarget {
public:
    FramebufferTarget(std::string name, int width, int height, Journal* journal)
        : name_(std::move(name)), width_(width), height_(height), journal_(journal) {
        glGenTextures(1, &colour_);
        glBindTexture(GL_TEXTURE_2D, colour_);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
        glGenRenderbuffers(1, &depth_);
        glBindRenderbuffer(GL_RENDERBUFFER, depth_);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, width, height);
        glGenFramebuffers(1, &framebuffer_);
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, colour_, 0);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, depth_);
        EXPECT_EQ(glCheckFramebufferStatus(GL_FRAMEBUFFER), GLenum(GL_FRAMEBUFFER_COMPLETE));
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
    }
    ~FramebufferTarget() override {
        glDeleteFramebuffers(1, &framebuffer_);
        glDeleteRenderbuffers(1, &depth_);
        glDeleteTextures(1, &colour_);
    }

    const std::string& targetName() const override { return name_; }
    int targetWidth() const override { return width_; }
    int targetHeight() const override { return height_; }
    bool begin(int width, int height) override {
        note("begin", width, height);
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
        glViewport(0, 0, width, height);
        return true;
    }
    bool end(int width, int height) override {
        note("end", width, height);
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glViewport(0, 0, width, height);
        return true;
    }

    GLuint framebuffer() const { return framebuffer_; }

private:
    void note(const char* what, int width, int height) {
        journal_->push_back(std::string(what) + " " + name_ + " " + std::to_string(width) + " " +
                            std::to_string(height));
    }
    std::string name_;
    int width_, height_;
    Journal* journal_;
    GLuint colour_ = 0, depth_ = 0, framebuffer_ = 0;
};

class ChangeDrawBufferTest : public ::testing::Test {
protected:
    static constexpr int outputWidth = 1024;
    static constexpr int outputHeight = 768;

    void SetUp() override {
        std::string error;
        context = platform::HeadlessContext::create(outputWidth, outputHeight, {}, &error);
        ASSERT_NE(context, nullptr) << error;
        platform::installWindowSystem(context->windowSystemHooks());
        manager = std::make_unique<EffectManager>();
        cameras = std::make_unique<CameraMgr>();
        manager->setSize(outputWidth, outputHeight);
        square = std::make_unique<FramebufferTarget>("square", 256, 256, &journal);
        wide = std::make_unique<FramebufferTarget>("wide", 128, 64, &journal);
        manager->addRenderTarget(square.get());
        manager->addRenderTarget(wide.get());
    }
    void TearDown() override {
        ChangeDrawBuffer::endCurrentTarget();
        square.reset();
        wide.reset();
        cameras.reset();
        manager.reset();
        platform::installWindowSystem({});
        context.reset();
    }

    std::unique_ptr<ChangeDrawBuffer> effect(const std::string& body) {
        LoadedBlock block = loadBlock(loader, body);
        EXPECT_TRUE(block.loaded);
        std::unique_ptr<ChangeDrawBuffer> owned(dynamic_cast<ChangeDrawBuffer*>(block.effect.release()));
        owned->init();
        return owned;
    }

    static std::array<int, 4> viewport() {
        std::array<int, 4> values{};
        glGetIntegerv(GL_VIEWPORT, values.data());
        return values;
    }
    static GLint boundFramebuffer() {
        GLint bound = -1;
        glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &bound);
        return bound;
    }

    std::unique_ptr<platform::HeadlessContext> context;
    std::unique_ptr<EffectManager> manager;
    std::unique_ptr<CameraMgr> cameras;
    Journal journal;
    std::unique_ptr<FramebufferTarget> square;
    std::unique_ptr<FramebufferTarget> wide;
    ChangeDrawBufferLoader loader;
};

TEST_F(ChangeDrawBufferTest, CameraAspectGivesTheCameraTheOutputsAspect) {
    auto aspect = effect("RenderTarget \"square\"\nCameraAspect yes\n}\n");
    EXPECT_TRUE(aspect->cameraAspect);
    ASSERT_EQ(aspect->target(), square.get());
    aspect->render();
    EXPECT_EQ(cameras->width(), 256);
    EXPECT_EQ(cameras->height(), 192);
    EXPECT_EQ(viewport(), (std::array<int, 4>{0, 0, 256, 256})) << "the viewport is the whole target";
    EXPECT_EQ(boundFramebuffer(), GLint(square->framebuffer()));
    EXPECT_EQ(ChangeDrawBuffer::currentTarget(), square.get());

    auto plain = effect("RenderTarget \"square\"\nCameraAspect no\n}\n");
    EXPECT_FALSE(plain->cameraAspect);
    plain->render();
    EXPECT_EQ(cameras->height(), 256);
    EXPECT_EQ(journal, (Journal{"begin square 256 256", "end square 256 256", "begin square 256 256"}));
}

TEST_F(ChangeDrawBufferTest, SwitchingTargetsEndsTheFirstBeforeBeginningTheSecond) {
    auto toSquare = effect("RenderTarget \"square\"\n}\n");
    auto toWide = effect("RenderTarget \"wide\"\n}\n");
    auto toScreen = effect("RenderTarget \"Screen\"\n}\n");
    toSquare->render();
    toWide->render();
    EXPECT_EQ(ChangeDrawBuffer::currentTarget(), wide.get());
    EXPECT_EQ(boundFramebuffer(), GLint(wide->framebuffer()));
    EXPECT_EQ(viewport(), (std::array<int, 4>{0, 0, 128, 64}));
    EXPECT_EQ(cameras->width(), 128);
    EXPECT_EQ(cameras->height(), 64);

    toScreen->render();
    EXPECT_EQ(ChangeDrawBuffer::currentTarget(), nullptr);
    EXPECT_EQ(boundFramebuffer(), 0);
    EXPECT_EQ(cameras->width(), outputWidth);
    EXPECT_EQ(cameras->height(), outputHeight);
    // The target being left is ended with the size the new one begins with; the screen passes the output's.
    EXPECT_EQ(journal, (Journal{"begin square 256 256", "end square 128 64", "begin wide 128 64",
                                "end wide 1024 768"}));
}

TEST_F(ChangeDrawBufferTest, ScreenWithoutACurrentTargetOnlySetsTheViewportAndClears) {
    glViewport(5, 6, 7, 8);
    auto toScreen = effect("Clear COLOR_BUFFER DEPTH_BUFFER\nColor 0.2 0.4 0.6 1\nDepth 0.5\n}\n");
    EXPECT_EQ(toScreen->targetName, "Screen");
    EXPECT_EQ(toScreen->clearMask, GLbitfield(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT));
    toScreen->render();
    EXPECT_TRUE(journal.empty());
    EXPECT_EQ(viewport(), (std::array<int, 4>{0, 0, outputWidth, outputHeight}));
    EXPECT_EQ(cameras->width(), outputWidth);

    std::array<std::uint8_t, 4> rgba{};
    glReadPixels(512, 384, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    EXPECT_NEAR(rgba[0], 51, 1);
    EXPECT_NEAR(rgba[1], 102, 1);
    EXPECT_NEAR(rgba[2], 153, 1);
    float depth = 0;
    glReadPixels(3, 3, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
    EXPECT_NEAR(depth, 0.5f, 1e-4f);
}

TEST_F(ChangeDrawBufferTest, ClearsGoIntoTheTargetWithOnlyTheMaskedValues) {
    glClearColor(1, 0, 0, 1);
    glClearStencil(3);
    auto toSquare = effect("RenderTarget \"square\"\nColor 0 1 0 1\nStencil 7\nClear STENCIL_BUFFER\n}\n");
    EXPECT_EQ(toSquare->clearStencil, 7);
    toSquare->render();
    GLint stencil = 0;
    glReadPixels(10, 10, 1, 1, GL_STENCIL_INDEX, GL_INT, &stencil);
    EXPECT_EQ(stencil, 7);
    GLfloat colour[4] = {};
    glGetFloatv(GL_COLOR_CLEAR_VALUE, colour);
    EXPECT_FLOAT_EQ(colour[0], 1.0f) << "the colour is not in the mask, so its clear value is not set";

    // A later Clear line replaces the mask.
    auto replaced = effect("Clear COLOR_BUFFER ACCUM_BUFFER\nClear DEPTH_BUFFER\nAccum 0.5 0.5 0.5 0.5\n}\n");
    EXPECT_EQ(replaced->clearMask, GLbitfield(GL_DEPTH_BUFFER_BIT));
    EXPECT_FLOAT_EQ(replaced->clearAccum[3], 0.5f);
    auto none = effect("Clear EVERYTHING\n}\n");
    EXPECT_EQ(none->clearMask, 0u);
}

TEST_F(ChangeDrawBufferTest, AnUnknownTargetBehavesLikeTheScreen) {
    auto toSquare = effect("RenderTarget \"square\"\n}\n");
    toSquare->render();
    auto missing = effect("RenderTarget \"nowhere\"\n}\n");
    EXPECT_FALSE(missing->init());
    EXPECT_EQ(missing->target(), nullptr);
    missing->render();
    EXPECT_EQ(ChangeDrawBuffer::currentTarget(), nullptr);
    EXPECT_EQ(journal.back(), "end square 1024 768");
}

TEST_F(ChangeDrawBufferTest, BlockDefaultsAndErrors) {
    ChangeDrawBuffer defaults;
    EXPECT_EQ(defaults.name(), "ChangeDrawBuffer");
    EXPECT_EQ(defaults.kind(), 1u);
    EXPECT_EQ(defaults.clearColor, (std::array<float, 4>{0, 0, 0, 1}));
    EXPECT_FLOAT_EQ(defaults.clearDepth, 1.0f);
    EXPECT_EQ(defaults.targetName, "Screen");
    try {
        loadBlock(loader, "Target \"square\"\n}\n");
        FAIL() << "no error raised";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "ChangeDrawBufferLoader unknown token:Target \"square\"");
    }
    // Releasing forgets the target but leaves the redirection in force.
    auto toWide = effect("Name \"into wide\"\nRenderTarget \"wide\"\n}\n");
    EXPECT_EQ(toWide->name(), "into wide");
    toWide->render();
    toWide->release();
    EXPECT_EQ(toWide->target(), nullptr);
    EXPECT_EQ(ChangeDrawBuffer::currentTarget(), wide.get());
    ChangeDrawBuffer::endCurrentTarget();
    EXPECT_EQ(ChangeDrawBuffer::currentTarget(), nullptr);
    EXPECT_EQ(journal.back(), "end wide 1024 768");
}

}  // namespace
}  // namespace qv3rn::test
