// wgl.h -- our window-system extension functions: the names the engine knows from WGL, on SDL/EGL and OpenGL.
//
// The extension registry fetches these by name through GLDriver::getProcAddress; every window back end
// answers "wgl*" names with wglProcAddress() below before asking its own loader. What each name maps to:
//   WGL_ARB_extensions_string / WGL_EXT_extensions_string  wglGetExtensionsString{ARB,EXT}: the string below
//   WGL_EXT_swap_control     wglSwapIntervalEXT / wglGetSwapIntervalEXT: the back end's swap interval
//                            (SDL_GL_SetSwapInterval, eglSwapInterval); listed only when the back end has one
//   WGL_ARB_pixel_format     wglGetPixelFormatAttrib{iv,fv}ARB, wglChoosePixelFormatARB: answered from the
//                            current context's real buffer sizes; format 1 is the window's, format 2 the
//                            off-screen surfaces' (RGBA8, depth 24, stencil 8, single-buffered, bindable)
//   WGL_ARB_make_current_read wglMakeContextCurrentARB / wglGetCurrentReadDCARB: draw into one surface and
//                            read from another with the current context (framebuffer bindings)
//   WGL_ARB_pbuffer          wglCreatePbufferARB ... wglQueryPbufferARB: off-screen surfaces are framebuffer
//                            objects (RGBA8 colour texture, depth 24 / stencil 8 renderbuffer)
//   WGL_ARB_render_texture   wglBindTexImageARB / wglReleaseTexImageARB / wglSetPbufferAttribARB: the texture
//                            object bound on the active unit becomes the surface's colour buffer, so later
//                            drawing goes straight into it
// make_current_read, pbuffer and render_texture are listed only when the driver has framebuffer objects.
// The core functions (wglGetCurrentDC, wglCreateContext, wglMakeCurrent, ...) are plain functions below;
// a "device context" is a window or an off-screen surface, a "rendering context" the back end's context.
#pragma once

#include <functional>
#include <string>

namespace qv3rn::platform {

using WglDC = void*;       // a drawing surface: the window, or an off-screen surface
using WglContext = void*;  // a rendering context of the back end
using WglPbuffer = void*;  // an off-screen surface

// What the active window back end lends the window-system functions. Installed by the back end once its
// context is current; cleared (installWindowSystem({})) when the context goes.
struct WindowSystemHooks {
    std::function<bool(int)> setSwapInterval;  // empty when the back end cannot set one
    std::function<int()> swapInterval;
    std::function<void*(const char*)> glProcAddress;  // the back end's OpenGL loader
    std::function<WglContext()> currentContext;       // the context current now
    std::function<WglContext()> createSharedContext;  // a new context sharing objects with the current one
    std::function<bool(WglContext)> makeCurrent;      // makes a context current (on the window's surface)
    std::function<void(WglContext)> deleteContext;
};

void installWindowSystem(const WindowSystemHooks& hooks);
const WindowSystemHooks& windowSystem();

// Our implementation of a window-system function by its WGL name, or null for names we do not provide.
void* wglProcAddress(const char* name);

// The window-system extension string for the current context: always the two *_extensions_string names,
// then the others that the back end and the driver can honour (see the table above).
std::string wglExtensionsString();

// The core window-system functions. The window's device context is windowDC().
WglDC windowDC();
WglDC wglGetCurrentDC();
WglContext wglGetCurrentContext();
WglContext wglCreateContext(WglDC dc);  // shares objects with the current context
bool wglShareLists(WglContext first, WglContext second);  // contexts made here share from the start
bool wglMakeCurrent(WglDC dc, WglContext context);
bool wglDeleteContext(WglContext context);

// Attribute names and values of the pixel-format, pbuffer and render-texture functions.
enum : int {
    WGL_DRAW_TO_WINDOW_ARB = 0x2001,
    WGL_SUPPORT_OPENGL_ARB = 0x2010,
    WGL_DOUBLE_BUFFER_ARB = 0x2011,
    WGL_COLOR_BITS_ARB = 0x2014,
    WGL_RED_BITS_ARB = 0x2015,
    WGL_GREEN_BITS_ARB = 0x2017,
    WGL_BLUE_BITS_ARB = 0x2019,
    WGL_ALPHA_BITS_ARB = 0x201B,
    WGL_ACCUM_BITS_ARB = 0x201D,
    WGL_DEPTH_BITS_ARB = 0x2022,
    WGL_STENCIL_BITS_ARB = 0x2023,
    WGL_DRAW_TO_PBUFFER_ARB = 0x202D,
    WGL_PBUFFER_LARGEST_ARB = 0x2033,
    WGL_PBUFFER_WIDTH_ARB = 0x2034,
    WGL_PBUFFER_HEIGHT_ARB = 0x2035,
    WGL_PBUFFER_LOST_ARB = 0x2036,
    WGL_BIND_TO_TEXTURE_RGBA_ARB = 0x2071,
    WGL_TEXTURE_FORMAT_ARB = 0x2072,
    WGL_TEXTURE_TARGET_ARB = 0x2073,
    WGL_MIPMAP_TEXTURE_ARB = 0x2074,
    WGL_TEXTURE_RGBA_ARB = 0x2076,
    WGL_NO_TEXTURE_ARB = 0x2077,
    WGL_TEXTURE_CUBE_MAP_ARB = 0x2078,
    WGL_TEXTURE_1D_ARB = 0x2079,
    WGL_TEXTURE_2D_ARB = 0x207A,
    WGL_FRONT_LEFT_ARB = 0x2083,
    WGL_BACK_LEFT_ARB = 0x2085,
};

}  // namespace qv3rn::platform

// Function types of the window-system entry points, named as the OpenGL headers name theirs.
using PFNWGLGETEXTENSIONSSTRINGARBPROC = const char* (*)(qv3rn::platform::WglDC dc);
using PFNWGLGETEXTENSIONSSTRINGEXTPROC = const char* (*)();
using PFNWGLSWAPINTERVALEXTPROC = int (*)(int interval);
using PFNWGLGETSWAPINTERVALEXTPROC = int (*)();
using PFNWGLGETPIXELFORMATATTRIBIVARBPROC = int (*)(qv3rn::platform::WglDC dc, int pixelFormat, int layerPlane,
                                                    unsigned count, const int* attributes, int* values);
using PFNWGLGETPIXELFORMATATTRIBFVARBPROC = int (*)(qv3rn::platform::WglDC dc, int pixelFormat, int layerPlane,
                                                    unsigned count, const int* attributes, float* values);
using PFNWGLCHOOSEPIXELFORMATARBPROC = int (*)(qv3rn::platform::WglDC dc, const int* intAttributes,
                                               const float* floatAttributes, unsigned maxFormats, int* formats,
                                               unsigned* formatCount);
using PFNWGLMAKECONTEXTCURRENTARBPROC = int (*)(qv3rn::platform::WglDC drawDC, qv3rn::platform::WglDC readDC,
                                                qv3rn::platform::WglContext context);
using PFNWGLGETCURRENTREADDCARBPROC = qv3rn::platform::WglDC (*)();
using PFNWGLCREATEPBUFFERARBPROC = qv3rn::platform::WglPbuffer (*)(qv3rn::platform::WglDC dc, int pixelFormat,
                                                                   int width, int height, const int* attributes);
using PFNWGLGETPBUFFERDCARBPROC = qv3rn::platform::WglDC (*)(qv3rn::platform::WglPbuffer pbuffer);
using PFNWGLRELEASEPBUFFERDCARBPROC = int (*)(qv3rn::platform::WglPbuffer pbuffer, qv3rn::platform::WglDC dc);
using PFNWGLDESTROYPBUFFERARBPROC = int (*)(qv3rn::platform::WglPbuffer pbuffer);
using PFNWGLQUERYPBUFFERARBPROC = int (*)(qv3rn::platform::WglPbuffer pbuffer, int attribute, int* value);
using PFNWGLBINDTEXIMAGEARBPROC = int (*)(qv3rn::platform::WglPbuffer pbuffer, int buffer);
using PFNWGLRELEASETEXIMAGEARBPROC = int (*)(qv3rn::platform::WglPbuffer pbuffer, int buffer);
using PFNWGLSETPBUFFERATTRIBARBPROC = int (*)(qv3rn::platform::WglPbuffer pbuffer, const int* attributes);
