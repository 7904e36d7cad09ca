// Tests of the window-system functions on a real headless context: formats, off-screen surfaces, render-to-texture.
#include "platform/wgl.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include "support/gl_test_context.h"

namespace qv3rn::platform {
namespace {

template <typename Function>
Function entry(const GLDriver& driver, const char* name) {
    return reinterpret_cast<Function>(driver.getProcAddress(name));
}

class WindowSystemFunctions : public test::GLTest {
protected:
    void SetUp() override {
        test::GLTest::SetUp();
        choose = entry<PFNWGLCHOOSEPIXELFORMATARBPROC>(*context, "wglChoosePixelFormatARB");
        create = entry<PFNWGLCREATEPBUFFERARBPROC>(*context, "wglCreatePbufferARB");
        getDC = entry<PFNWGLGETPBUFFERDCARBPROC>(*context, "wglGetPbufferDCARB");
        destroy = entry<PFNWGLDESTROYPBUFFERARBPROC>(*context, "wglDestroyPbufferARB");
        query = entry<PFNWGLQUERYPBUFFERARBPROC>(*context, "wglQueryPbufferARB");
        bindImage = entry<PFNWGLBINDTEXIMAGEARBPROC>(*context, "wglBindTexImageARB");
        releaseImage = entry<PFNWGLRELEASETEXIMAGEARBPROC>(*context, "wglReleaseTexImageARB");
        makeContextCurrent = entry<PFNWGLMAKECONTEXTCURRENTARBPROC>(*context, "wglMakeContextCurrentARB");
        ASSERT_TRUE(choose && create && getDC && destroy && query && bindImage && releaseImage && makeContextCurrent);
    }

    int offscreenFormat() {
        const int attributes[] = {WGL_SUPPORT_OPENGL_ARB, 1, WGL_DRAW_TO_PBUFFER_ARB, 1, WGL_BIND_TO_TEXTURE_RGBA_ARB, 1,
                                  WGL_RED_BITS_ARB, 8, WGL_GREEN_BITS_ARB, 8, WGL_BLUE_BITS_ARB, 8,
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

    // Draws a full-window quad textured with `texture` and returns the colour at the centre.
    std::array<std::uint8_t, 4> sampleOnWindow(GLuint texture) {
        glViewport(0, 0, width, height);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, texture);
        glBegin(GL_QUADS);
        glTexCoord2f(0, 0); glVertex2f(-1, -1);
        glTexCoord2f(1, 0); glVertex2f(1, -1);
        glTexCoord2f(1, 1); glVertex2f(1, 1);
        glTexCoord2f(0, 1); glVertex2f(-1, 1);
        glEnd();
        glDisable(GL_TEXTURE_2D);
        return pixel(width / 2, height / 2);
    }

    void clearTo(float r, float g, float b) {
        glClearColor(r, g, b, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }

    PFNWGLCHOOSEPIXELFORMATARBPROC choose = nullptr;
    PFNWGLCREATEPBUFFERARBPROC create = nullptr;
    PFNWGLGETPBUFFERDCARBPROC getDC = nullptr;
    PFNWGLDESTROYPBUFFERARBPROC destroy = nullptr;
    PFNWGLQUERYPBUFFERARBPROC query = nullptr;
    PFNWGLBINDTEXIMAGEARBPROC bindImage = nullptr;
    PFNWGLRELEASETEXIMAGEARBPROC releaseImage = nullptr;
    PFNWGLMAKECONTEXTCURRENTARBPROC makeContextCurrent = nullptr;
};

TEST_F(WindowSystemFunctions, ExtensionStringNamesWhatTheBackEndHonours) {
    const std::string names = wglExtensionsString();
    EXPECT_EQ(names.rfind("WGL_ARB_extensions_string WGL_EXT_extensions_string", 0), 0u);
    EXPECT_NE(names.find("WGL_ARB_pbuffer"), std::string::npos);
    EXPECT_NE(names.find("WGL_ARB_render_texture"), std::string::npos);
    EXPECT_NE(names.find("WGL_ARB_make_current_read"), std::string::npos);
    EXPECT_EQ(names.find("WGL_EXT_swap_control"), std::string::npos);  // the headless context cannot swap
    auto getString = entry<PFNWGLGETEXTENSIONSSTRINGARBPROC>(*context, "wglGetExtensionsStringARB");
    ASSERT_NE(getString, nullptr);
    EXPECT_EQ(std::string(getString(wglGetCurrentDC())), names);
    EXPECT_EQ(wglProcAddress("wglNotAFunction"), nullptr);
}

TEST_F(WindowSystemFunctions, PixelFormatsDescribeWindowAndOffscreenBuffers) {
    EXPECT_EQ(offscreenFormat(), 2);
    auto attrib = entry<PFNWGLGETPIXELFORMATATTRIBIVARBPROC>(*context, "wglGetPixelFormatAttribivARB");
    const int names[] = {WGL_DRAW_TO_WINDOW_ARB, WGL_DEPTH_BITS_ARB, WGL_STENCIL_BITS_ARB, WGL_DRAW_TO_PBUFFER_ARB};
    int values[4] = {};
    ASSERT_TRUE(attrib(wglGetCurrentDC(), 1, 0, 4, names, values));
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

TEST_F(WindowSystemFunctions, DrawingIntoASurfaceWithTheMainContextShowsThroughItsTexture) {
    WglPbuffer pbuffer = makePbuffer(32, 16);
    ASSERT_NE(pbuffer, nullptr);
    int value = 0;
    EXPECT_TRUE(query(pbuffer, WGL_PBUFFER_WIDTH_ARB, &value));
    EXPECT_EQ(value, 32);
    EXPECT_TRUE(query(pbuffer, WGL_PBUFFER_LOST_ARB, &value));
    EXPECT_EQ(value, 0);

    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);

    WglContext main = wglGetCurrentContext();
    ASSERT_TRUE(makeContextCurrent(getDC(pbuffer), getDC(pbuffer), main));
    EXPECT_EQ(wglGetCurrentDC(), getDC(pbuffer));
    clearTo(0, 1, 0);
    ASSERT_TRUE(makeContextCurrent(windowDC(), windowDC(), main));

    glBindTexture(GL_TEXTURE_2D, texture);
    ASSERT_TRUE(bindImage(pbuffer, WGL_FRONT_LEFT_ARB));
    EXPECT_EQ(sampleOnWindow(texture), (std::array<std::uint8_t, 4>{0, 255, 0, 255}));
    EXPECT_TRUE(releaseImage(pbuffer, WGL_FRONT_LEFT_ARB));
    EXPECT_FALSE(releaseImage(pbuffer, WGL_FRONT_LEFT_ARB));  // not bound any more

    // Later drawing lands in the adopted texture directly.
    ASSERT_TRUE(makeContextCurrent(getDC(pbuffer), getDC(pbuffer), main));
    clearTo(0, 0, 1);
    ASSERT_TRUE(makeContextCurrent(windowDC(), windowDC(), main));
    EXPECT_EQ(sampleOnWindow(texture), (std::array<std::uint8_t, 4>{0, 0, 255, 255}));
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));

    EXPECT_TRUE(destroy(pbuffer));
    EXPECT_TRUE(glIsTexture(texture));  // the caller's texture object stays the caller's
    glDeleteTextures(1, &texture);
}

TEST_F(WindowSystemFunctions, ASharedContextDrawsIntoTheSurfaceOnItsOwn) {
    WglPbuffer pbuffer = makePbuffer(16, 16);
    ASSERT_NE(pbuffer, nullptr);
    WglContext main = wglGetCurrentContext();
    WglContext own = wglCreateContext(getDC(pbuffer));
    ASSERT_NE(own, nullptr);
    EXPECT_TRUE(wglShareLists(main, own));

    GLuint texture = 0;
    glGenTextures(1, &texture);
    ASSERT_TRUE(wglMakeCurrent(getDC(pbuffer), own));
    EXPECT_EQ(wglGetCurrentContext(), own);
    glViewport(0, 0, 16, 16);
    clearTo(1, 0, 0);
    ASSERT_TRUE(wglMakeCurrent(windowDC(), main));
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    ASSERT_TRUE(bindImage(pbuffer, WGL_FRONT_LEFT_ARB));
    EXPECT_EQ(sampleOnWindow(texture), (std::array<std::uint8_t, 4>{255, 0, 0, 255}));

    // Drawing again through the own context reaches the adopted texture too.
    ASSERT_TRUE(wglMakeCurrent(getDC(pbuffer), own));
    clearTo(1, 1, 0);
    ASSERT_TRUE(wglMakeCurrent(windowDC(), main));
    EXPECT_EQ(sampleOnWindow(texture), (std::array<std::uint8_t, 4>{255, 255, 0, 255}));

    EXPECT_TRUE(wglDeleteContext(own));
    EXPECT_TRUE(destroy(pbuffer));
    glDeleteTextures(1, &texture);
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
    GLint framebuffer = -1;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &framebuffer);
    EXPECT_EQ(framebuffer, 0);
    EXPECT_FALSE(destroy(nullptr));
}

}  // namespace
}  // namespace qv3rn::platform
