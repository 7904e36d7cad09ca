// Tests of the off-screen render targets in a real headless context: drawing into each kind and showing it as a
// texture, the contexts and buffers begin and end select, the kinds' texture parameters, destroy and its log,
// the recreate path of a lost buffer, the factory's selection rule, and drawing redirected by the buffer effects.
#include "demo/pbuffer.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <sstream>

#include "app/scripted_window_system.h"  // Required for: readLines
#include "core/log.h"
#include "demo/pbuffer_ati.h"
#include "demo/pbuffer_nvidia.h"
#include "effects/change_draw_buffer.h"
#include "effects/effect_manager.h"
#include "effects/effect_script.h"
#include "gl/extensions.h"
#include "platform/wgl_surface.h"
#include "shader/camera_mgr.h"
#include "shader/image_registry.h"
#include "shader/texture_2d.h"
#include "support/gl_test_context.h"

namespace qv3rn {
namespace {

using Rgba = std::array<std::uint8_t, 4>;
constexpr Rgba red{255, 0, 0, 255}, green{0, 255, 0, 255}, blue{0, 0, 255, 255};

// "PBufferATI::destroy() this=0x" + an address in upper-case hexadecimal + `ending`.
bool isDestroyLine(const std::string& line, const std::string& ending) {
    const std::string start = "PBufferATI::destroy() this=0x";
    if (line.rfind(start, 0) != 0 || line.size() < start.size() + ending.size() + 1) return false;
    if (line.compare(line.size() - ending.size(), ending.size(), ending) != 0) return false;
    const std::string digits = line.substr(start.size(), line.size() - start.size() - ending.size());
    return digits.find_first_not_of("0123456789ABCDEF") == std::string::npos;
}

GLint integer(GLenum name) {
    GLint value = 0;
    glGetIntegerv(name, &value);
    return value;
}

// An integer parameter of the texture bound to GL_TEXTURE_2D.
GLint texParameter(GLenum name) {
    GLint value = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, name, &value);
    return value;
}

std::array<int, 4> viewport() {
    std::array<int, 4> values{};
    glGetIntegerv(GL_VIEWPORT, values.data());
    return values;
}

void clearTo(float r, float g, float b) {
    glClearColor(r, g, b, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

int lostFlag(const PBuffer& target) {
    int lost = -1;
    EXPECT_TRUE(wglQueryPbufferARB(target.pbufferHandle(), platform::WGL_PBUFFER_LOST_ARB, &lost));
    return lost;
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
        glTexCoord2f(0, 0); glVertex2f(-1, -1);
        glTexCoord2f(1, 0); glVertex2f(1, -1);
        glTexCoord2f(1, 1); glVertex2f(1, 1);
        glTexCoord2f(0, 1); glVertex2f(-1, 1);
        glEnd();
        EXPECT_TRUE(target.unbind(GL_TEXTURE0));
        EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
        return pixel(x, y);
    }

    // Back on the window: its device context, the main context, its back buffer and `viewport`.
    void expectOnWindow() const {
        EXPECT_EQ(platform::wglGetCurrentDC(), platform::windowDC());
        EXPECT_EQ(platform::wglGetCurrentContext(), mainContext);
        EXPECT_EQ(integer(GL_DRAW_BUFFER), GLint(GL_BACK));
        EXPECT_EQ(viewport(), (std::array<int, 4>{0, 0, width, height}));
    }

    platform::WglContext mainContext = nullptr;
};

// What tells the two kinds apart.
template <typename Kind>
struct KindTraits;
template <>
struct KindTraits<PBufferNVIDIA> {
    static constexpr bool ownContext = true;
    static constexpr GLint wrap = GL_CLAMP;
    static constexpr bool needsMakeCurrentRead = false;
};
template <>
struct KindTraits<PBufferATI> {
    static constexpr bool ownContext = false;
    static constexpr GLint wrap = GL_REPEAT;  // though the texture units are told it clamps
    static constexpr bool needsMakeCurrentRead = true;
};

template <typename Kind>
class EachKind : public RenderTargetTest {};

using Kinds = ::testing::Types<PBufferNVIDIA, PBufferATI>;
TYPED_TEST_SUITE(EachKind, Kinds);

TYPED_TEST(EachKind, DrawsIntoTheTargetAndShowsItAsATextureAlsoAfterANewBuffer) {
    TypeParam target;
    EXPECT_FALSE(target.created());
    ASSERT_TRUE(target.initialize(32, 16));
    EXPECT_TRUE(target.created());
    EXPECT_EQ(target.width(), 32);
    EXPECT_EQ(target.height(), 16);

    ASSERT_TRUE(target.begin(32, 16));
    EXPECT_EQ(viewport(), (std::array<int, 4>{0, 0, 32, 16}));
    EXPECT_EQ(integer(GL_DRAW_BUFFER), GLint(GL_COLOR_ATTACHMENT0)) << "the target's own colour buffer";
    EXPECT_EQ(platform::wglGetCurrentDC(), target.pbufferDC());
    clearTo(0, 1, 0);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glColor3f(1, 0, 0);
    glRectf(-1, -1, 0, 1);  // the left half red
    ASSERT_TRUE(target.end(this->width, this->height));
    this->expectOnWindow();
    EXPECT_EQ(this->showOnWindow(target, 16, 32), red);
    EXPECT_EQ(this->showOnWindow(target, 48, 32), green);

    // Initialising a created target replaces its buffer; drawing reaches the texture as before.
    ASSERT_TRUE(target.initialize(24, 8));
    int bufferWidth = 0;
    ASSERT_TRUE(wglQueryPbufferARB(target.pbufferHandle(), platform::WGL_PBUFFER_WIDTH_ARB, &bufferWidth));
    EXPECT_EQ(bufferWidth, 24);
    ASSERT_TRUE(target.begin(24, 8));
    clearTo(0, 0, 1);
    ASSERT_TRUE(target.end(this->width, this->height));
    EXPECT_EQ(this->showOnWindow(target, 16, 32), blue);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TYPED_TEST(EachKind, ATargetThatIsNotCreatedOrDestroyedRefusesEveryOperation) {
    TypeParam target;
    EXPECT_FALSE(target.initialize(0, 8)) << "the window system makes no empty buffer";
    EXPECT_EQ(target.pbufferHandle(), nullptr) << "nothing is left of the failed attempt";
    const auto expectRefused = [&] {
        EXPECT_FALSE(target.created());
        EXPECT_FALSE(target.begin(8, 8));
        EXPECT_FALSE(target.end(8, 8));
        EXPECT_FALSE(target.bind(GL_TEXTURE0));
        EXPECT_FALSE(target.unbind(GL_TEXTURE0));
        EXPECT_FALSE(target.destroy());
    };
    expectRefused();

    ASSERT_TRUE(target.initialize(16, 16));
    const GLuint texture = target.glId();
    EXPECT_TRUE(glIsTexture(texture));
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

TYPED_TEST(EachKind, DrawsWithItsContextAndSetsItsTextureParameters) {
    using Traits = KindTraits<TypeParam>;
    TypeParam target;
    ASSERT_TRUE(target.initialize(16, 16));
    ASSERT_NE(target.context(), nullptr);
    EXPECT_EQ(target.context() != this->mainContext, Traits::ownContext);
    ASSERT_TRUE(target.begin(16, 16));
    EXPECT_EQ(platform::wglGetCurrentContext(), target.context());
    EXPECT_TRUE(glIsTexture(target.glId())) << "the drawing context shares the main context's objects";
    ASSERT_TRUE(target.end(this->width, this->height));
    EXPECT_EQ(platform::wglGetCurrentContext(), this->mainContext);

    glBindTexture(GL_TEXTURE_2D, target.glId());
    EXPECT_EQ(texParameter(GL_TEXTURE_WRAP_S), Traits::wrap);
    EXPECT_EQ(texParameter(GL_TEXTURE_WRAP_T), Traits::wrap);
    EXPECT_EQ(texParameter(GL_TEXTURE_MIN_FILTER), GLint(GL_LINEAR));
    EXPECT_EQ(texParameter(GL_TEXTURE_MAG_FILTER), GLint(GL_LINEAR));
    EXPECT_EQ(target.params().wrap, WrapClampST);
    EXPECT_EQ(target.params().minFilter, GLenum(GL_LINEAR));

    WGL_ARB_make_current_read_Flag = false;
    const bool begun = target.begin(16, 16);
    EXPECT_EQ(begun, !Traits::needsMakeCurrentRead);
    if (begun) {
        EXPECT_TRUE(target.end(this->width, this->height));
    }
    EXPECT_EQ(target.destroy(), !Traits::needsMakeCurrentRead);
    WGL_ARB_make_current_read_Flag = true;
}

TYPED_TEST(EachKind, ALostBufferIsMadeAgainByBeginEndAndBindButNotByUnbind) {
    TypeParam target;
    ASSERT_TRUE(target.initialize(16, 16));
    EXPECT_EQ(lostFlag(target), 0) << "framebuffer objects are not lost";

    markLost(target);
    EXPECT_EQ(lostFlag(target), 1);
    ASSERT_TRUE(target.begin(16, 16));
    EXPECT_EQ(lostFlag(target), 0) << "begin made the buffer again";
    EXPECT_TRUE(target.created());
    clearTo(0, 0, 1);
    ASSERT_TRUE(target.end(this->width, this->height));
    EXPECT_EQ(this->showOnWindow(target, 32, 32), blue);

    markLost(target);
    ASSERT_TRUE(target.bind(GL_TEXTURE0));
    EXPECT_EQ(lostFlag(target), 0) << "bind made the buffer again";
    markLost(target);
    EXPECT_TRUE(target.unbind(GL_TEXTURE0));
    EXPECT_EQ(lostFlag(target), 1) << "unbind does not check";
    // A buffer lost while it is being drawn into is made again by end, which still returns to the window.
    ASSERT_TRUE(target.begin(16, 16));
    ASSERT_TRUE(target.end(this->width, this->height));
    ASSERT_TRUE(target.begin(16, 16));
    markLost(target);
    ASSERT_TRUE(target.end(this->width, this->height));
    EXPECT_EQ(lostFlag(target), 0);
    this->expectOnWindow();
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(RenderTargetTest, TheAtiKindLogsEveryDestroyWithItsAddress) {
    Log log;
    ASSERT_TRUE(log.open("pbuffer_ati.log"));
    {
        PBufferATI target;
        ASSERT_TRUE(target.initialize(8, 8));
        EXPECT_TRUE(target.destroy());
        EXPECT_FALSE(target.destroy());
        ASSERT_TRUE(target.initialize(8, 8));
    }  // the destructor destroys a created target
    log.close();
    const std::vector<std::string> lines = test::readLines("pbuffer_ati.log");
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_TRUE(isDestroyLine(lines[0], " OK")) << lines[0];
    EXPECT_TRUE(isDestroyLine(lines[1], "")) << lines[1];
    EXPECT_TRUE(isDestroyLine(lines[2], " OK")) << lines[2];
    EXPECT_EQ(lines[0].substr(0, lines[0].size() - 3), lines[1]) << "the same object's address";
}

TEST_F(RenderTargetTest, TheFactoryPicksTheKindByMakeCurrentRead) {
    Log log;
    ASSERT_TRUE(log.open("pbuffer_factory.log"));
    std::unique_ptr<PBuffer> ati = PBuffer::create(32, 32);
    ASSERT_NE(ati, nullptr);
    EXPECT_NE(dynamic_cast<PBufferATI*>(ati.get()), nullptr);
    EXPECT_EQ(ati->target(), GLenum(GL_TEXTURE_2D));
    EXPECT_TRUE(ati->created());

    WGL_ARB_make_current_read_Flag = false;
    std::unique_ptr<PBuffer> nvidia = PBuffer::create(32, 32);
    ASSERT_NE(nvidia, nullptr);
    EXPECT_NE(dynamic_cast<PBufferNVIDIA*>(nvidia.get()), nullptr);

    WGL_ARB_make_current_read_Flag = true;
    ati.reset();  // the targets go while the extensions they were made with are there
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
    std::vector<std::string> lines = test::readLines("pbuffer_factory.log");
    ASSERT_GE(lines.size(), 3u);
    EXPECT_TRUE(isDestroyLine(lines[2], " OK")) << lines[2];  // only the ATI kind logs its destruction
    lines.erase(lines.begin() + 2);
    EXPECT_EQ(lines, (std::vector<std::string>{"Creating PBufferATI", "Creating PBufferNVIDIA",
                                               "Creating PBufferATI", "Unable to initiate PBuffer",
                                               "Unable to create PBuffer", "Unable to create PBuffer",
                                               "Creating PBufferATI", "Unable to initiate PBuffer"}));
}

// ---- Drawing redirected by the buffer effects ----------------------------------------------------------------

// Two 32 x 32 targets of one kind registered with an effect manager, on a 64 x 64 output.
template <typename Kind>
class RedirectedDrawing : public RenderTargetTest {
protected:
    void SetUp() override {
        RenderTargetTest::SetUp();
        for (const char* name : {"first", "second"}) {
            auto target = std::make_unique<Kind>(GL_TEXTURE_2D);
            ASSERT_TRUE(target->initialize(32, 32));
            target->setName(name);
            manager.addRenderTarget(target.get());
            targets.push_back(std::move(target));
        }
        manager.setSize(width, height);
    }
    void TearDown() override {
        ChangeDrawBuffer::endCurrentTarget();
        manager.clear();
        targets.clear();
        RenderTargetTest::TearDown();
    }

    // Loads the script into the manager and draws one frame at time 1.
    void playFrame(const std::string& text) {
        EffectScript script(manager);
        std::istringstream stream(text);
        ASSERT_TRUE(script.parse(stream)) << script.failure();
        manager.initAll();
        manager.update(1.0f);
        manager.render();
    }

    EffectManager manager;
    CameraMgr cameras;
    std::vector<std::unique_ptr<PBuffer>> targets;
};

TYPED_TEST_SUITE(RedirectedDrawing, Kinds);

TYPED_TEST(RedirectedDrawing, SwitchingFromOneTargetToAnotherEndsTheFirst) {
    this->playFrame(
        "ChangeDrawBuffer {\n Start 0\n End 2\n Layer 0\n RenderTarget \"first\"\n Clear COLOR_BUFFER\n"
        " Color 1 0 0 1\n}\n"
        "ChangeDrawBuffer {\n Start 0\n End 2\n Layer 1\n RenderTarget \"second\"\n Clear COLOR_BUFFER\n"
        " Color 0 0 1 1\n}\n"
        "ChangeDrawBuffer {\n Start 0\n End 2\n Layer 2\n RenderTarget \"Screen\"\n Clear COLOR_BUFFER\n"
        " Color 0 1 0 1\n}\n");
    EXPECT_EQ(ChangeDrawBuffer::currentTarget(), nullptr);
    this->expectOnWindow();
    EXPECT_EQ(this->pixel(5, 5), green) << "the screen's clear went to the screen";
    EXPECT_EQ(this->showOnWindow(*this->targets[0], 32, 32), red);
    EXPECT_EQ(this->showOnWindow(*this->targets[1], 32, 32), blue) << "the second clear did not reach the first";
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TYPED_TEST(RedirectedDrawing, AnImageEffectShowsWhatWasDrawnIntoTheTarget) {
    ImageRegistry images;
    auto* picture = new Texture2D();
    picture->allocate(2, 2, ImageFormat::Rgba);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 2; ++x) picture->setPixel(x == 0 ? 0xFF0000FFu : 0x0000FFFFu, x, y);
    picture->params().magFilter = GL_NEAREST;
    picture->setName("halves.tga");
    images.add(picture);
    images.add(this->targets[0].get());  // the registry lists the target but the test owns it

    // Into the target: the picture through an untouched diffusion grid; then the target on the screen.
    const auto constant = [](const std::string& keyword, const std::string& value) {
        return keyword + "\n{ Envelope\n 1\n Key " + value + " 0 3 0 0 0 0 0 0 0\n Behaviors 1 1\n}\n}\n";
    };
    this->playFrame("ChangeDrawBuffer {\n Start 0\n End 2\n Layer 0\n RenderTarget \"first\"\n"
                    " Clear COLOR_BUFFER DEPTH_BUFFER\n Color 0 0 0 1\n}\n"
                    "Diffusion {\n Start 0\n End 2\n Layer 1\n Resolution 2\n Color 1 1 1 1\n"
                    " Image \"halves.tga\"\n}\n"
                    "ChangeDrawBuffer {\n Start 0\n End 2\n Layer 2\n Clear COLOR_BUFFER\n Color 0 1 0 1\n}\n"
                    "Image {\n Start 0\n End 2\n Layer 3\n Image \"first\"\n Rect 320 240 320 480\n" +
                    constant("PositionX {", "480") + constant("PositionY {", "240") + "}\n");
    // The right half of the screen shows the target: its left half red, its right half blue.
    EXPECT_EQ(this->pixel(40, 32), red);
    EXPECT_EQ(this->pixel(60, 32), blue);
    EXPECT_EQ(this->pixel(10, 32), green);
    this->manager.clear();  // the effects give their images back to this registry
    images.remove("first");
}

}  // namespace
}  // namespace qv3rn
