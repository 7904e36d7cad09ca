// Off-screen render targets in a real headless context, and the factory's choice of kind.
#include "demo/pbuffer.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <regex>
#include <type_traits>

#include "core/log.h"
#include "demo/pbuffer_ati.h"
#include "demo/pbuffer_nvidia.h"
#include "gl/extensions.h"
#include "platform/wgl_surface.h"
#include "support/gl_test_context.h"
#include "support/test_files.h"
#include "demo_test_support.h"

namespace qv3rn {
namespace {

using Rgba = std::array<std::uint8_t, 4>;
constexpr Rgba red{255, 0, 0, 255}, green{0, 255, 0, 255}, blue{0, 0, 255, 255};

// "PBufferATI::destroy() this=0x" + an address in upper-case hexadecimal + `ending`.
bool isDestroyLine(const std::string& line, const std::string& ending) {
    return std::regex_match(line, std::regex("PBufferATI::destroy\\(\\) this=0x[0-9A-F]+" + ending));
}

void clearTo(float r, float g, float b) {
    glClearColor(r, g, b, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

// The buffer's value of a window-system attribute: by default whether it was lost.
int bufferValue(const PBuffer& target, int attribute = platform::WGL_PBUFFER_LOST_ARB) {
    int value = -1;
    EXPECT_TRUE(wglQueryPbufferARB(target.pbufferHandle(), attribute, &value));
    return value;
}

void markLost(const PBuffer& target) { platform::offscreenSurfaceOf(target.pbufferHandle())->markLost(); }

class RenderTargetTest : public test::GLTest {
protected:
    void SetUp() override {
        test::GLTest::SetUp();
        reportExtensions(*context);
        mainContext = platform::wglGetCurrentContext();
    }
    void TearDown() override {
        resetExtensions();
        test::GLTest::TearDown();
    }

    // Draws the whole window textured with `target` on unit 0 and returns the colour at (x, y).
    Rgba showOnWindow(PBuffer& target, int x, int y) {
        glViewport(0, 0, width, height);
        clearTo(0, 0, 0);
        EXPECT_TRUE(target.bind(GL_TEXTURE0));
        glColor4f(1, 1, 1, 1);
        glBegin(GL_QUADS);
        for (const auto& [s, t] : {std::pair{0, 0}, {1, 0}, {1, 1}, {0, 1}}) {
            glTexCoord2i(s, t);
            glVertex2i(2 * s - 1, 2 * t - 1);
        }
        glEnd();
        EXPECT_TRUE(target.unbind(GL_TEXTURE0));
        EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
        return pixel(x, y);
    }

    // Back on the window: its device context, the main context, its back buffer and `viewport`.
    void expectOnWindow() const {
        EXPECT_EQ(platform::wglGetCurrentDC(), platform::windowDC());
        EXPECT_EQ(platform::wglGetCurrentContext(), mainContext);
        EXPECT_EQ(test::glInteger(GL_DRAW_BUFFER), GLint(GL_BACK));
        EXPECT_EQ(test::glViewportBox(), (std::array<int, 4>{0, 0, width, height}));
    }

    platform::WglContext mainContext = nullptr;
};

template <typename Kind>
class EachKind : public RenderTargetTest {
protected:
    // The NVIDIA kind draws with a context of its own; the ATI kind draws with the main context and needs
    // WGL_ARB_make_current_read.
    static constexpr bool nvidia = std::is_same_v<Kind, PBufferNVIDIA>;
};

using Kinds = ::testing::Types<PBufferNVIDIA, PBufferATI>;
TYPED_TEST_SUITE(EachKind, Kinds);

TYPED_TEST(EachKind, DrawsWithItsContextIntoTheTargetAndShowsItAsATexture) {
    TypeParam target;
    ASSERT_TRUE(target.initialize(32, 16));
    EXPECT_TRUE(target.created());
    EXPECT_EQ(std::pair(target.width(), target.height()), std::pair(32, 16));
    ASSERT_NE(target.context(), nullptr);
    EXPECT_EQ(target.context() != this->mainContext, this->nvidia);

    ASSERT_TRUE(target.begin(32, 16));
    EXPECT_EQ(test::glViewportBox(), (std::array<int, 4>{0, 0, 32, 16}));
    EXPECT_EQ(test::glInteger(GL_DRAW_BUFFER), GLint(GL_COLOR_ATTACHMENT0)) << "the target's own colour buffer";
    EXPECT_EQ(platform::wglGetCurrentDC(), target.pbufferDC());
    EXPECT_EQ(platform::wglGetCurrentContext(), target.context());
    EXPECT_TRUE(glIsTexture(target.glId())) << "the drawing context shares the main context's objects";
    clearTo(0, 1, 0);
    glColor3f(1, 0, 0);
    glRectf(-1, -1, 0, 1);  // the left half red
    ASSERT_TRUE(target.end(this->width, this->height));
    this->expectOnWindow();
    EXPECT_EQ(this->showOnWindow(target, 16, 32), red);
    EXPECT_EQ(this->showOnWindow(target, 48, 32), green);

    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));

    // Without WGL_ARB_make_current_read only the NVIDIA kind can draw and be destroyed.
    WGL_ARB_make_current_read_Flag = false;
    EXPECT_EQ(target.begin(16, 16), this->nvidia);
    if (this->nvidia) {
        EXPECT_TRUE(target.end(this->width, this->height));
    }
    EXPECT_EQ(target.destroy(), this->nvidia);
    WGL_ARB_make_current_read_Flag = true;
}

TYPED_TEST(EachKind, RefusesEveryOperationUnlessCreatedAndMakesALostBufferAgainInBeginEndAndBindButNotInUnbind) {
    TypeParam target;
    EXPECT_FALSE(target.initialize(0, 8)) << "the window system makes no empty buffer";
    EXPECT_EQ(target.pbufferHandle(), nullptr) << "nothing is left of the failed attempt";
    const auto expectRefused = [&] {
        EXPECT_FALSE(target.created() || target.begin(8, 8) || target.end(8, 8) || target.bind(GL_TEXTURE0) ||
                     target.unbind(GL_TEXTURE0) || target.destroy());
    };
    expectRefused();

    ASSERT_TRUE(target.initialize(16, 16));
    EXPECT_EQ(bufferValue(target), 0) << "framebuffer objects are not lost";
    markLost(target);
    ASSERT_TRUE(target.begin(16, 16));
    EXPECT_EQ(bufferValue(target), 0) << "begin made the buffer again";
    EXPECT_EQ(bufferValue(target, platform::WGL_PBUFFER_WIDTH_ARB), 16) << "at its size";
    clearTo(0, 0, 1);
    ASSERT_TRUE(target.end(this->width, this->height));
    EXPECT_EQ(this->showOnWindow(target, 32, 32), blue);
    markLost(target);
    ASSERT_TRUE(target.bind(GL_TEXTURE0));
    EXPECT_EQ(bufferValue(target), 0) << "bind made the buffer again";
    markLost(target);
    EXPECT_TRUE(target.unbind(GL_TEXTURE0));
    EXPECT_EQ(bufferValue(target), 1) << "unbind does not check";
    // A buffer lost while it is being drawn into is made again by end, which still returns to the window.
    ASSERT_TRUE(target.begin(16, 16));
    markLost(target);
    ASSERT_TRUE(target.end(this->width, this->height));
    EXPECT_EQ(bufferValue(target), 0);
    this->expectOnWindow();
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));

    const GLuint texture = target.glId();
    EXPECT_TRUE(target.destroy());
    EXPECT_EQ(target.glId(), PBuffer::noTexture);
    EXPECT_FALSE(glIsTexture(texture));
    EXPECT_EQ(target.pbufferHandle(), nullptr);
    expectRefused();  // a second destroy fails too
    ASSERT_TRUE(target.initialize(16, 16));
    EXPECT_TRUE(target.releaseGL());  // destroys as well
    EXPECT_FALSE(target.created());
    // Targets other than 1D, 2D and cube maps cannot hold a buffer's image.
    TypeParam rectangle(GL_TEXTURE_RECTANGLE_ARB);
    EXPECT_FALSE(rectangle.initialize(8, 8));
}

TEST_F(RenderTargetTest, TheFactoryPicksTheKindByMakeCurrentReadAndTheAtiKindLogsEveryDestroy) {
    Log log;
    ASSERT_TRUE(log.open("pbuffer_factory.log"));
    std::unique_ptr<PBuffer> ati = PBuffer::create(32, 32);
    ASSERT_NE(dynamic_cast<PBufferATI*>(ati.get()), nullptr);
    EXPECT_EQ(ati->target(), GLenum(GL_TEXTURE_2D));
    EXPECT_TRUE(ati->created());
    EXPECT_TRUE(ati->destroy());
    EXPECT_FALSE(ati->destroy());
    ASSERT_TRUE(ati->initialize(8, 8));

    WGL_ARB_make_current_read_Flag = false;
    std::unique_ptr<PBuffer> nvidia = PBuffer::create(32, 32);
    EXPECT_NE(dynamic_cast<PBufferNVIDIA*>(nvidia.get()), nullptr);

    WGL_ARB_make_current_read_Flag = true;
    ati.reset();  // the targets go while the extensions they were made with are there; the destructor destroys
    nvidia.reset();
    EXPECT_EQ(PBuffer::create(0, 32), nullptr);
    WGL_ARB_pbuffer_Flag = false;
    EXPECT_EQ(PBuffer::create(32, 32), nullptr);
    WGL_ARB_pbuffer_Flag = true;
    WGL_ARB_render_texture_Flag = false;
    EXPECT_EQ(PBuffer::create(32, 32), nullptr);

    // Flags without entry points: the kind is chosen, but it cannot be made.
    resetExtensions();
    WGL_ARB_pbuffer_Flag = WGL_ARB_render_texture_Flag = WGL_ARB_make_current_read_Flag = true;
    EXPECT_EQ(PBuffer::create(32, 32), nullptr);

    log.close();
    const std::vector<std::string> lines = test::readLines("pbuffer_factory.log");
    ASSERT_EQ(lines.size(), 11u);
    EXPECT_TRUE(isDestroyLine(lines[1], " OK")) << lines[1];  // the ATI kind logs each destruction
}

}  // namespace
}  // namespace qv3rn
