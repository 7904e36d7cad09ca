// window_system_test.cpp -- Tests of the headless and the SDL back ends (SDL on its offscreen video driver, no
// display needed): the context steps and their fallbacks, the event queue and signals, display modes, the
// window-system functions they lend, text message boxes that never wait for a click, and the clock.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/headless_window_system.h"
#include "platform/sdl_window_system.h"
#include "platform/wgl.h"

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
            auto& headless = dynamic_cast<HeadlessWindowSystem&>(*system);
            EXPECT_EQ(headless.contextFormat().depthBits, 24);
            EXPECT_EQ(headless.contextFormat().stencilBits, 8);
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
        Event resize;
        resize.type = EventType::Resize;
        Event close;
        close.type = EventType::Close;
        system->post(resize);
        system->postQuit(3);
        system->post(close);  // posted after the quit, still handled before it
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
    EXPECT_FALSE(system->displayMode(1 << 20, mode));
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
    while (nanosleep(&pause, &pause) != 0) {
    }
    EXPECT_GE(readCounter() - start, 20'000'000);  // a sleep lasts at least what was asked
}

}  // namespace
}  // namespace qv3rn::platform
