// wgl_test.cpp -- Tests of the window-system functions on a real headless context: formats, off-screen surfaces
// drawn with the main or a shared context, render-to-texture.
#include "platform/wgl.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include "support/gl_test_context.h"

namespace qv3rn::platform {
namespace {

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
        EXPECT_TRUE(query(pbuffer, WGL_PBUFFER_LOST_ARB, &value));
        EXPECT_EQ(value, 0);
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
    GLint framebuffer = -1;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &framebuffer);
    EXPECT_EQ(framebuffer, 0);
    EXPECT_FALSE(destroy(nullptr));
}

}  // namespace
}  // namespace qv3rn::platform
