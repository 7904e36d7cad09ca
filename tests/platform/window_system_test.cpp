// window_system_test.cpp -- Tests of the headless and the SDL (offscreen) back ends (context steps, events and
// signals, display modes, message boxes, the clock), pixel-format requests, and the window-system functions on a
// real headless context: formats, off-screen surfaces drawn with the main or a shared context, render-to-texture.
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

TEST(WindowSystems, LendTheSwapIntervalWhereTheyCanAndSharedContextsTheyTakeBackOnRelease) {
    for (bool sdl : {false, true}) {
        SCOPED_TRACE(sdl ? "SDL" : "headless");
        auto system = initialized(sdl);
        ASSERT_TRUE(bringUp(*system, {32, 24, 8, 0}));
        EXPECT_EQ(wglExtensionsString().find("WGL_EXT_swap_control") != std::string::npos, sdl);
        if (sdl) {
            auto set = reinterpret_cast<PFNWGLSWAPINTERVALEXTPROC>(system->getProcAddress("wglSwapIntervalEXT"));
            auto get = reinterpret_cast<PFNWGLGETSWAPINTERVALEXTPROC>(system->getProcAddress("wglGetSwapIntervalEXT"));
            ASSERT_TRUE(set && get);
            EXPECT_NE(set(0), 0);
            EXPECT_EQ(get(), 0);
        }
        const WglContext main = wglGetCurrentContext();
        ASSERT_NE(main, nullptr);
        GLuint texture = 0;
        glGenTextures(1, &texture);
        glBindTexture(GL_TEXTURE_2D, texture);
        const WglContext shared = wglCreateContext(windowDC());
        ASSERT_NE(shared, nullptr);
        EXPECT_EQ(wglGetCurrentContext(), main);  // creating does not switch
        ASSERT_TRUE(wglMakeCurrent(windowDC(), shared));
        EXPECT_EQ(wglGetCurrentContext(), shared);
        EXPECT_TRUE(glIsTexture(texture));  // objects are shared
        EXPECT_TRUE(wglDeleteContext(shared));
        EXPECT_EQ(wglGetCurrentContext(), main);  // deleting the current one falls back to the window's
        EXPECT_TRUE(wglDeleteContext(main));      // the window's own context is not given away
        EXPECT_EQ(wglGetCurrentContext(), main);
        system->releaseContext();
        EXPECT_FALSE(static_cast<bool>(windowSystem().glProcAddress));
        EXPECT_FALSE(static_cast<bool>(windowSystem().setSwapInterval));
        EXPECT_EQ(wglGetCurrentContext(), nullptr);
        EXPECT_STREQ(system->glExtensions(), "");
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

TEST(WindowSystems, SdlDisplayModesCanBeChosenOnlyFromTheList) {
    auto system = initialized(true);
    DisplayMode mode;
    for (int index = 0; system->displayMode(index, mode); ++index) {
        EXPECT_TRUE(system->changeDisplayMode(mode, true));
        EXPECT_TRUE(system->changeDisplayMode({mode.width, mode.height, mode.bitsPerPixel, 0}, true));  // any rate
        EXPECT_FALSE(system->changeDisplayMode({mode.width, mode.height, mode.bitsPerPixel + 1, 0}, false));
    }
    EXPECT_FALSE(system->changeDisplayMode({12345, 77, 32, 60}, false));
    EXPECT_NE(system->lastErrorText().find("no mode 12345x77"), std::string::npos) << system->lastErrorText();
    EXPECT_FALSE(system->displayMode(-1, mode));
}

TEST(Clock, CounterIsMonotonicAndCountsNanoseconds) {
    EXPECT_EQ(counterFrequency(), 1'000'000'000);
    const std::int64_t start = readCounter();
    std::int64_t previous = start;
    for (int i = 0; i < 10000; ++i) {
        const std::int64_t now = readCounter();
        ASSERT_GE(now, previous);
        previous = now;
    }
    timespec pause{0, 20'000'000};
    while (nanosleep(&pause, &pause) != 0) continue;
    EXPECT_GE(readCounter() - start, 20'000'000);  // a sleep lasts at least what was asked
}

using Tuples = std::vector<std::array<int, 4>>;

TEST(PixelFormat, ChannelBitsOfCommonColourDepths) {
    const std::pair<int, std::array<int, 4>> cases[] = {
        {32, {8, 8, 8, 8}}, {24, {8, 8, 8, 0}}, {16, {5, 6, 5, 0}}, {15, {5, 5, 5, 0}},
        {-5, {0, 0, 0, 0}}, {64, {8, 8, 8, 8}}};
    for (const auto& [colorBits, expected] : cases) {
        const ChannelBits bits = channelBits(colorBits);
        EXPECT_EQ((std::array<int, 4>{bits.red, bits.green, bits.blue, bits.alpha}), expected) << colorBits;
    }
}

TEST(PixelFormat, CandidatesStartWithTheRequestAndRelaxStepByStepWithoutRepeating) {
    const struct { PixelFormat request; Tuples expected; } cases[] = {
        {{32, 32, 8, 64}, {{32, 32, 8, 64}, {32, 32, 8, 0}, {32, 24, 8, 0}, {32, 16, 8, 0}, {32, 16, 0, 0}}},
        {{16, 16, 0, 0}, {{16, 16, 0, 0}}},  // nothing to relax
        {{32, 24, 16, 0}, {{32, 24, 16, 0}, {32, 16, 16, 0}, {32, 16, 8, 0}, {32, 16, 0, 0}}},
        {{24, 8, 4, 0}, {{24, 8, 4, 0}, {24, 8, 0, 0}}},  // never asks for more than the request
    };
    for (const auto& c : cases) {
        Tuples tuples;
        for (const PixelFormat& f : formatCandidates(c.request))
            tuples.push_back({f.colorBits, f.depthBits, f.stencilBits, f.accumBits});
        EXPECT_EQ(tuples, c.expected) << c.request.depthBits << " depth bits, " << c.request.stencilBits << " stencil";
    }
}

using Rgba = std::array<std::uint8_t, 4>;

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

    // Draws over the whole window with `texture` and returns the colour at the centre.
    Rgba sampleOnWindow(GLuint texture) {
        glViewport(0, 0, width, height);
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, texture);
        glTexCoord2f(0.5f, 0.5f);
        glRectf(-1, -1, 1, 1);
        glDisable(GL_TEXTURE_2D);
        return pixel(width / 2, height / 2);
    }

    PFNWGLCHOOSEPIXELFORMATARBPROC choose = nullptr;
    PFNWGLCREATEPBUFFERARBPROC create = nullptr;
    PFNWGLGETPBUFFERDCARBPROC getDC = nullptr;
    PFNWGLDESTROYPBUFFERARBPROC destroy = nullptr;
    PFNWGLBINDTEXIMAGEARBPROC bindImage = nullptr;
    PFNWGLRELEASETEXIMAGEARBPROC releaseImage = nullptr;
    PFNWGLMAKECONTEXTCURRENTARBPROC makeContextCurrent = nullptr;
};

TEST_F(WindowSystemFunctions, ExtensionStringAndPixelFormatsDescribeWhatTheBackEndHonours) {
    const std::string names = wglExtensionsString();
    EXPECT_EQ(names.rfind("WGL_ARB_extensions_string WGL_EXT_extensions_string", 0), 0u);
    for (const char* name : {"WGL_ARB_pbuffer", "WGL_ARB_render_texture", "WGL_ARB_make_current_read"})
        EXPECT_NE(names.find(name), std::string::npos) << name;
    EXPECT_EQ(names.find("WGL_EXT_swap_control"), std::string::npos);  // the headless context cannot swap
    auto getString = entry<PFNWGLGETEXTENSIONSSTRINGARBPROC>("wglGetExtensionsStringARB");
    ASSERT_NE(getString, nullptr);
    EXPECT_EQ(std::string(getString(wglGetCurrentDC())), names);
    EXPECT_EQ(wglProcAddress("wglNotAFunction"), nullptr);

    EXPECT_EQ(offscreenFormat(), 2);
    auto attrib = entry<PFNWGLGETPIXELFORMATATTRIBIVARBPROC>("wglGetPixelFormatAttribivARB");
    const int attributes[] = {WGL_DRAW_TO_WINDOW_ARB, WGL_DEPTH_BITS_ARB, WGL_STENCIL_BITS_ARB,
                              WGL_DRAW_TO_PBUFFER_ARB};
    int values[4] = {};
    ASSERT_TRUE(attrib(wglGetCurrentDC(), 1, 0, 4, attributes, values));
    EXPECT_EQ(values[0], 1);
    EXPECT_GE(values[1], 24);
    EXPECT_GE(values[2], 8);
    EXPECT_EQ(values[3], 0);
    const int tooDeep[] = {WGL_DRAW_TO_PBUFFER_ARB, 1, WGL_DEPTH_BITS_ARB, 32, 0};
    int format = 0;
    unsigned count = 7;
    choose(wglGetCurrentDC(), tooDeep, nullptr, 1, &format, &count);
    EXPECT_EQ(count, 0u);
}

// The surface is drawn into with the main context (make-current-read) or with a shared context of its own;
// the first drawing shows through the bound texture, and later drawing lands in the adopted texture directly.
TEST_F(WindowSystemFunctions, DrawingIntoASurfaceShowsThroughItsTextureWithTheMainOrAnOwnContext) {
    for (const bool ownContext : {false, true}) {
        SCOPED_TRACE(ownContext ? "own context" : "main context");
        WglPbuffer pbuffer = makePbuffer(32, 16);
        ASSERT_NE(pbuffer, nullptr);
        int value = 0;
        auto query = entry<PFNWGLQUERYPBUFFERARBPROC>("wglQueryPbufferARB");
        EXPECT_TRUE(query(pbuffer, WGL_PBUFFER_WIDTH_ARB, &value));
        EXPECT_EQ(value, 32);
        const WglContext main = wglGetCurrentContext();
        const WglContext own = ownContext ? wglCreateContext(getDC(pbuffer)) : nullptr;
        if (ownContext) {
            ASSERT_NE(own, nullptr);
            EXPECT_TRUE(wglShareLists(main, own));
        }
        auto drawInto = [&](float r, float g, float b) {
            if (ownContext) {
                ASSERT_TRUE(wglMakeCurrent(getDC(pbuffer), own));
                EXPECT_EQ(wglGetCurrentContext(), own);
                glViewport(0, 0, 32, 16);
            } else {
                ASSERT_TRUE(makeContextCurrent(getDC(pbuffer), getDC(pbuffer), main));
                EXPECT_EQ(wglGetCurrentDC(), getDC(pbuffer));
            }
            glClearColor(r, g, b, 1);
            glClear(GL_COLOR_BUFFER_BIT);
            ASSERT_TRUE(ownContext ? wglMakeCurrent(windowDC(), main)
                                   : makeContextCurrent(windowDC(), windowDC(), main));
        };
        GLuint texture = 0;
        glGenTextures(1, &texture);
        glBindTexture(GL_TEXTURE_2D, texture);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        drawInto(0, 1, 0);
        glBindTexture(GL_TEXTURE_2D, texture);
        ASSERT_TRUE(bindImage(pbuffer, WGL_FRONT_LEFT_ARB));
        EXPECT_EQ(sampleOnWindow(texture), (Rgba{0, 255, 0, 255}));
        EXPECT_TRUE(releaseImage(pbuffer, WGL_FRONT_LEFT_ARB));
        EXPECT_FALSE(releaseImage(pbuffer, WGL_FRONT_LEFT_ARB));  // not bound any more
        drawInto(1, 1, 0);
        EXPECT_EQ(sampleOnWindow(texture), (Rgba{255, 255, 0, 255}));
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
        if (ownContext) {
            EXPECT_TRUE(wglDeleteContext(own));
        }
        EXPECT_TRUE(destroy(pbuffer));
        EXPECT_TRUE(glIsTexture(texture));  // the caller's texture object stays the caller's
        glDeleteTextures(1, &texture);
    }
}

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
