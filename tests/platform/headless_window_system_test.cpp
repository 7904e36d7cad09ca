// Tests of the headless back end and what both back ends share: the context steps and their fallbacks, the
// event queue, signals, entry points, contexts lent to the window-system functions, and text message boxes.
#include "platform/headless_window_system.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <string>

#include "platform/clock.h"
#include "platform/wgl.h"

namespace qv3rn::platform {
namespace {

bool bringUp(HeadlessWindowSystem& system, const PixelFormat& format, int width = 32, int height = 24) {
    WindowDesc desc;
    desc.title = "test";
    desc.width = width;
    desc.height = height;
    return system.initialize() && system.createWindow(desc) && system.choosePixelFormat(format) &&
           system.setPixelFormat() && system.createContext() && system.makeCurrent();
}

TEST(HeadlessWindowSystem, StepsNeedTheirPredecessorsAndGiveTheWindowSizeAndTheClosestFormat) {
    HeadlessWindowSystem system;
    ASSERT_TRUE(system.initialize());
    EXPECT_FALSE(system.setPixelFormat());  // no window
    EXPECT_FALSE(system.createContext());
    EXPECT_FALSE(system.makeCurrent());
    EXPECT_STREQ(system.glExtensions(), "");  // no context yet
    DisplayMode mode;
    EXPECT_FALSE(system.displayMode(0, mode));  // no display modes, dialog or desktop
    EXPECT_FALSE(system.changeDisplayMode({640, 480, 32, 60}, false));
    EXPECT_FALSE(system.runModeDialog(ModeDialogContent{}).has_value());
    EXPECT_FALSE(system.hasDesktop());

    ASSERT_TRUE(bringUp(system, {32, 32, 8, 64}, 40, 30)) << system.lastErrorText();
    // Depth 32 and accumulation buffers do not exist here: the closest format has depth 24 and stencil 8.
    EXPECT_EQ(system.contextFormat().depthBits, 24);
    EXPECT_EQ(system.contextFormat().stencilBits, 8);
    GLint viewport[4] = {}, stencil = 0;
    glGetIntegerv(GL_VIEWPORT, viewport);
    glGetIntegerv(GL_STENCIL_BITS, &stencil);
    EXPECT_EQ(stencil, 8);
    EXPECT_EQ(viewport[2], 40);
    EXPECT_EQ(viewport[3], 30);
    int width = 0, height = 0;
    system.clientSize(width, height);
    EXPECT_EQ(width * 100 + height, 4030);
    EXPECT_NE(std::strstr(system.glExtensions(), "GL_ARB_multitexture"), nullptr);
    EXPECT_EQ(wglExtensionsString().find("WGL_EXT_swap_control"), std::string::npos);  // no swap interval
    EXPECT_EQ(system.getProcAddress("wglGetExtensionsStringARB"), wglProcAddress("wglGetExtensionsStringARB"));
    for (const char* name : {"wglCreatePbufferARB", "glActiveTextureARB", "glBindBufferARB"})
        EXPECT_NE(system.getProcAddress(name), nullptr) << name;
}

TEST(HeadlessWindowSystem, PostedEventsComeInOrderQuitLastAndSignalsAskToClose) {
    struct sigaction before {};
    sigaction(SIGTERM, nullptr, &before);
    {
        HeadlessWindowSystem system;
        ASSERT_TRUE(system.initialize());
        Event resize;
        resize.type = EventType::Resize;
        resize.width = 7;
        Event close;
        close.type = EventType::Close;
        system.post(resize);
        system.postQuit(3);
        system.post(close);   // posted after the quit, still handled before it
        std::raise(SIGTERM);  // one signal, one close request, before anything posted
        Event event;
        for (EventType expected : {EventType::Close, EventType::Resize, EventType::Close, EventType::Quit}) {
            ASSERT_TRUE(system.pollEvent(event));
            EXPECT_EQ(event.type, expected);
        }
        EXPECT_EQ(event.exitCode, 3);
        EXPECT_FALSE(system.pollEvent(event));  // the quit is delivered once
    }
    struct sigaction after {};
    sigaction(SIGTERM, nullptr, &after);
    EXPECT_EQ(after.sa_handler, before.sa_handler);  // the handler goes with the window system
}

TEST(HeadlessWindowSystem, LendsSharedContextsAndTakesThemBackOnRelease) {
    HeadlessWindowSystem system;
    ASSERT_TRUE(bringUp(system, {32, 24, 8, 0}));
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
    system.releaseContext();
    EXPECT_FALSE(static_cast<bool>(windowSystem().glProcAddress));
    EXPECT_EQ(wglGetCurrentContext(), nullptr);
    EXPECT_STREQ(system.glExtensions(), "");
}

TEST(HeadlessWindowSystem, MessageBoxesAreWrittenToStandardError) {
    HeadlessWindowSystem system;
    testing::internal::CaptureStderr();
    system.messageBox("Error", "Couldn't change screen resolution.\nRunning In Windowed Mode.", BoxIcon::Exclamation);
    system.messageBox("", "wglMakeCurrent() failed", BoxIcon::Exclamation);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Error: Couldn't change screen resolution.\nRunning In Windowed Mode.\nwglMakeCurrent() failed\n");
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
