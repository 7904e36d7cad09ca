// window_system_test.cpp -- The headless and SDL (offscreen) back ends, and off-screen surfaces they refuse.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/headless_window_system.h"
#include "platform/pixel_format.h"
#include "platform/sdl_window_system.h"
#include "platform/wgl.h"
#include "support/gl_test_context.h"

namespace qv3rn::platform {
namespace {

std::unique_ptr<WindowSystem> initialized(bool sdl) {
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    std::unique_ptr<WindowSystem> system;
    if (sdl) system = std::make_unique<SdlWindowSystem>();
    else system = std::make_unique<HeadlessWindowSystem>();
    EXPECT_TRUE(system->initialize()) << system->lastErrorText();
    return system;
}

bool bringUp(WindowSystem& system, const PixelFormat& format, int width = 48, int height = 32) {
    WindowDesc desc;
    desc.title = "test";
    desc.width = width;
    desc.height = height;
    return system.createWindow(desc) && system.choosePixelFormat(format) && system.setPixelFormat() &&
           system.createContext() && system.makeCurrent();
}

TEST(WindowSystems, StepsNeedTheirPredecessorsAndGiveTheWindowSizeAndTheClosestFormat) {
    for (bool sdl : {false, true}) {
        SCOPED_TRACE(sdl ? "SDL" : "headless");
        auto system = initialized(sdl);
        if (sdl) {
            EXPECT_FALSE(system->choosePixelFormat({32, 24, 8, 0}));  // no window described yet
        }
        EXPECT_FALSE(system->setPixelFormat());
        EXPECT_FALSE(system->createContext());
        EXPECT_FALSE(system->makeCurrent());
        EXPECT_STREQ(system->glExtensions(), "");  // no context yet
        // Neither has a desktop to show a dialog on.
        EXPECT_FALSE(system->hasDesktop());
        EXPECT_FALSE(system->runModeDialog(ModeDialogContent{}).has_value());

        // Depth 32 and accumulation buffers do not exist here: the closest format has depth 24 and stencil 8.
        ASSERT_TRUE(bringUp(*system, {32, 32, 8, sdl ? 0 : 64}, 40, 30)) << system->lastErrorText();
        GLint viewport[4] = {}, depth = 0, stencil = 0;
        glGetIntegerv(GL_VIEWPORT, viewport);
        glGetIntegerv(GL_DEPTH_BITS, &depth);
        glGetIntegerv(GL_STENCIL_BITS, &stencil);
        EXPECT_GE(depth, 24);
        EXPECT_EQ(stencil, 8);
        EXPECT_EQ(viewport[2] * 100 + viewport[3], 4030);
        int width = 0, height = 0;
        system->clientSize(width, height);
        EXPECT_EQ(width * 100 + height, 4030);
        EXPECT_NE(std::strstr(system->glExtensions(), "GL_ARB_multitexture"), nullptr);
        for (const char* name : {"wglCreatePbufferARB", "glActiveTextureARB", "glBindBufferARB"})
            EXPECT_NE(system->getProcAddress(name), nullptr) << name;
        glClear(GL_COLOR_BUFFER_BIT);
        system->showWindow();
        system->swapBuffers();
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
        if (sdl) {
            const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
            EXPECT_NE(std::strstr(version, "Compatibility"), nullptr) << version;
        } else {
            EXPECT_EQ(system->getProcAddress("wglGetExtensionsStringARB"), wglProcAddress("wglGetExtensionsStringARB"));
            DisplayMode mode;
            EXPECT_FALSE(system->displayMode(0, mode));  // no display modes
            EXPECT_FALSE(system->changeDisplayMode({640, 480, 32, 60}, false));
        }
    }
}

TEST(WindowSystems, PostedEventsComeInOrderQuitLastSignalsAskToCloseAndMessageBoxesAreWrittenToStandardError) {
    struct sigaction before {};
    sigaction(SIGTERM, nullptr, &before);
    for (bool sdl : {false, true}) {
        SCOPED_TRACE(sdl ? "SDL" : "headless");
        auto system = initialized(sdl);
        system->post(Event{EventType::Resize});
        system->postQuit(3);
        system->post(Event{EventType::Close});  // posted after the quit, still handled before it
        std::vector<EventType> expected = {EventType::Resize, EventType::Close, EventType::Quit};
        if (!sdl) {
            std::raise(SIGTERM);  // one signal, one close request, before anything posted
            expected.insert(expected.begin(), EventType::Close);
        }
        Event event;
        for (EventType type : expected) {
            ASSERT_TRUE(system->pollEvent(event));
            EXPECT_EQ(event.type, type);
        }
        EXPECT_EQ(event.exitCode, 3);
        EXPECT_FALSE(system->pollEvent(event));  // the quit is delivered once
        EXPECT_FALSE(system->isEscapeDown());

        testing::internal::CaptureStderr();
        system->messageBox("Error", "Couldn't change screen resolution.\nRunning In Windowed Mode.", BoxIcon::Error);
        system->messageBox("", "wglMakeCurrent() failed", BoxIcon::Exclamation);
        EXPECT_EQ(testing::internal::GetCapturedStderr(),
                  "Error: Couldn't change screen resolution.\nRunning In Windowed Mode.\nwglMakeCurrent() failed\n");
        system.reset();
        if (!sdl) {
            struct sigaction after {};
            sigaction(SIGTERM, nullptr, &after);
            EXPECT_EQ(after.sa_handler, before.sa_handler);  // the handler goes with the window system
        }
    }
}

class WindowSystemFunctions : public test::GLTest {
protected:
    void SetUp() override {
        test::GLTest::SetUp();
        choose = entry<PFNWGLCHOOSEPIXELFORMATARBPROC>("wglChoosePixelFormatARB");
        create = entry<PFNWGLCREATEPBUFFERARBPROC>("wglCreatePbufferARB");
        getDC = entry<PFNWGLGETPBUFFERDCARBPROC>("wglGetPbufferDCARB");
        destroy = entry<PFNWGLDESTROYPBUFFERARBPROC>("wglDestroyPbufferARB");
        bindImage = entry<PFNWGLBINDTEXIMAGEARBPROC>("wglBindTexImageARB");
        releaseImage = entry<PFNWGLRELEASETEXIMAGEARBPROC>("wglReleaseTexImageARB");
        makeContextCurrent = entry<PFNWGLMAKECONTEXTCURRENTARBPROC>("wglMakeContextCurrentARB");
        ASSERT_TRUE(choose && create && getDC && destroy && bindImage && releaseImage && makeContextCurrent);
    }

    template <typename Function>
    Function entry(const char* name) {
        return reinterpret_cast<Function>(context->getProcAddress(name));
    }

    int offscreenFormat() {
        const int attributes[] = {WGL_SUPPORT_OPENGL_ARB, 1, WGL_DRAW_TO_PBUFFER_ARB, 1, WGL_BIND_TO_TEXTURE_RGBA_ARB,
                                  1, WGL_RED_BITS_ARB, 8, WGL_GREEN_BITS_ARB, 8, WGL_BLUE_BITS_ARB, 8,
                                  WGL_ALPHA_BITS_ARB, 8, WGL_DEPTH_BITS_ARB, 24, WGL_DOUBLE_BUFFER_ARB, 0, 0};
        int format = 0;
        unsigned count = 0;
        choose(wglGetCurrentDC(), attributes, nullptr, 1, &format, &count);
        return count == 1 ? format : 0;
    }

    WglPbuffer makePbuffer(int width, int height) {
        const int attributes[] = {WGL_TEXTURE_FORMAT_ARB, WGL_TEXTURE_RGBA_ARB, WGL_TEXTURE_TARGET_ARB,
                                  WGL_TEXTURE_2D_ARB, WGL_MIPMAP_TEXTURE_ARB, 0, WGL_PBUFFER_LARGEST_ARB, 0, 0};
        return create(wglGetCurrentDC(), offscreenFormat(), width, height, attributes);
    }

    PFNWGLCHOOSEPIXELFORMATARBPROC choose = nullptr;
    PFNWGLCREATEPBUFFERARBPROC create = nullptr;
    PFNWGLGETPBUFFERDCARBPROC getDC = nullptr;
    PFNWGLDESTROYPBUFFERARBPROC destroy = nullptr;
    PFNWGLBINDTEXIMAGEARBPROC bindImage = nullptr;
    PFNWGLRELEASETEXIMAGEARBPROC releaseImage = nullptr;
    PFNWGLMAKECONTEXTCURRENTARBPROC makeContextCurrent = nullptr;
};

TEST_F(WindowSystemFunctions, RefusesWhatItCannotProvide) {
    EXPECT_EQ(create(wglGetCurrentDC(), 1, 16, 16, nullptr), nullptr);  // the window's format
    EXPECT_EQ(makePbuffer(0, 16), nullptr);
    EXPECT_EQ(makePbuffer(1 << 20, 16), nullptr);
    const int mipmapped[] = {WGL_TEXTURE_TARGET_ARB, WGL_TEXTURE_2D_ARB, WGL_MIPMAP_TEXTURE_ARB, 1, 0};
    EXPECT_EQ(create(wglGetCurrentDC(), 2, 16, 16, mipmapped), nullptr);
    WglPbuffer pbuffer = makePbuffer(8, 8);
    glBindTexture(GL_TEXTURE_2D, 0);
    EXPECT_FALSE(bindImage(pbuffer, WGL_FRONT_LEFT_ARB));  // no texture object bound to adopt
    EXPECT_FALSE(bindImage(pbuffer, WGL_BACK_LEFT_ARB));
    // Destroying the surface being drawn into returns drawing to the window.
    ASSERT_TRUE(makeContextCurrent(getDC(pbuffer), getDC(pbuffer), wglGetCurrentContext()));
    EXPECT_TRUE(destroy(pbuffer));
    EXPECT_EQ(wglGetCurrentDC(), windowDC());
    EXPECT_EQ(test::glInteger(GL_FRAMEBUFFER_BINDING), 0);
    EXPECT_FALSE(destroy(nullptr));
}

}  // namespace
}  // namespace qv3rn::platform
