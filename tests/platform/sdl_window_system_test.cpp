// Tests of the SDL back end on SDL's offscreen video driver (no display needed): the context steps, the
// display modes, the window-system functions it lends, and message boxes that never wait for a click.
#include "platform/sdl_window_system.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "platform/wgl.h"

namespace qv3rn::platform {
namespace {

class SdlWindowSystemTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("SDL_VIDEODRIVER", "offscreen", 1);
        ASSERT_TRUE(system.initialize()) << system.lastErrorText();
    }
    bool bringUp(const PixelFormat& format) {
        WindowDesc desc;
        desc.title = "sdl test";
        desc.width = 48;
        desc.height = 32;
        return system.createWindow(desc) && system.choosePixelFormat(format) && system.setPixelFormat() &&
               system.createContext() && system.makeCurrent();
    }
    SdlWindowSystem system;
};

TEST_F(SdlWindowSystemTest, StepsNeedTheirPredecessorsAndGiveACompatibilityContextOfTheClosestFormat) {
    EXPECT_FALSE(system.choosePixelFormat({32, 24, 8, 0}));  // no window described yet
    EXPECT_FALSE(system.setPixelFormat());
    EXPECT_FALSE(system.createContext());
    EXPECT_FALSE(system.makeCurrent());
    ASSERT_TRUE(bringUp({32, 32, 8, 0})) << system.lastErrorText();  // depth 32 falls back
    GLint depth = 0, stencil = 0;
    glGetIntegerv(GL_DEPTH_BITS, &depth);
    glGetIntegerv(GL_STENCIL_BITS, &stencil);
    EXPECT_GE(depth, 24);
    EXPECT_EQ(stencil, 8);
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    ASSERT_NE(version, nullptr);
    EXPECT_NE(std::strstr(version, "Compatibility"), nullptr) << version;
    int width = 0, height = 0;
    system.clientSize(width, height);
    EXPECT_EQ(width * 100 + height, 4832);
    glClear(GL_COLOR_BUFFER_BIT);
    system.showWindow();
    system.swapBuffers();
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(SdlWindowSystemTest, LendsTheSwapIntervalTheLoaderAndSharedContexts) {
    ASSERT_TRUE(bringUp({32, 24, 8, 0}));
    EXPECT_NE(wglExtensionsString().find("WGL_EXT_swap_control"), std::string::npos);
    auto setInterval = reinterpret_cast<PFNWGLSWAPINTERVALEXTPROC>(system.getProcAddress("wglSwapIntervalEXT"));
    auto getInterval = reinterpret_cast<PFNWGLGETSWAPINTERVALEXTPROC>(system.getProcAddress("wglGetSwapIntervalEXT"));
    ASSERT_TRUE(setInterval && getInterval);
    EXPECT_NE(setInterval(0), 0);
    EXPECT_EQ(getInterval(), 0);
    EXPECT_NE(system.getProcAddress("glActiveTextureARB"), nullptr);
    const WglContext shared = wglCreateContext(windowDC());
    ASSERT_NE(shared, nullptr);
    EXPECT_TRUE(wglMakeCurrent(windowDC(), shared));
    EXPECT_EQ(wglGetCurrentContext(), shared);
    EXPECT_TRUE(wglDeleteContext(shared));
    EXPECT_NE(wglGetCurrentContext(), shared);
    system.releaseContext();
    EXPECT_FALSE(static_cast<bool>(windowSystem().setSwapInterval));
}

TEST_F(SdlWindowSystemTest, DisplayModesCanBeChosenOnlyFromTheList) {
    DisplayMode mode;
    for (int index = 0; system.displayMode(index, mode); ++index) {
        EXPECT_TRUE(system.changeDisplayMode(mode, true));
        EXPECT_TRUE(system.changeDisplayMode({mode.width, mode.height, mode.bitsPerPixel, 0}, true));  // 0: any rate
        EXPECT_FALSE(system.changeDisplayMode({mode.width, mode.height, mode.bitsPerPixel + 1, 0}, false));
    }
    EXPECT_FALSE(system.changeDisplayMode({12345, 77, 32, 60}, false));
    EXPECT_NE(system.lastErrorText().find("no mode 12345x77"), std::string::npos) << system.lastErrorText();
    EXPECT_FALSE(system.displayMode(-1, mode));
    EXPECT_FALSE(system.displayMode(1 << 20, mode));
}

TEST_F(SdlWindowSystemTest, WithoutADesktopThereIsNoDialogBoxesAreTextAndPostedEventsComeFirst) {
    EXPECT_FALSE(system.hasDesktop());
    EXPECT_FALSE(system.runModeDialog(ModeDialogContent{}).has_value());
    testing::internal::CaptureStderr();
    system.messageBox("", "SetPixelFormat() failed", BoxIcon::Exclamation);  // must not wait for a click
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "SetPixelFormat() failed\n");
    ASSERT_TRUE(bringUp({32, 24, 8, 0}));
    Event close;
    close.type = EventType::Close;
    system.post(close);
    system.postQuit(0);
    Event event;
    ASSERT_TRUE(system.pollEvent(event));
    EXPECT_EQ(event.type, EventType::Close);
    ASSERT_TRUE(system.pollEvent(event));
    EXPECT_EQ(event.type, EventType::Quit);
    EXPECT_FALSE(system.isEscapeDown());
}

}  // namespace
}  // namespace qv3rn::platform
