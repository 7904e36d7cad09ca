// wgl.cpp -- the window-system functions of the engine on top of the back end's context and OpenGL.
#define GL_GLEXT_PROTOTYPES 1  // framebuffer objects are core OpenGL 3.0 functions, exported by the GL library
#include "platform/wgl.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <cstring>
#include <string_view>

#include "platform/wgl_surface.h"

namespace qv3rn::platform {

namespace {

WindowSystemHooks hooks;

// The window's device context and the surface each off-screen device context stands for.
struct DeviceContext {
    OffscreenSurface* surface = nullptr;  // null: the window
};
DeviceContext windowDeviceContext;

// One live off-screen buffer: its surface and its device context.
struct Pbuffer {
    OffscreenSurface* surface;
    DeviceContext dc;
};

WglDC currentDrawDC = &windowDeviceContext;
WglDC currentReadDC = &windowDeviceContext;

constexpr int windowPixelFormat = 1;
constexpr int offscreenPixelFormat = 2;

bool hasFramebufferObjects() {
    const char* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    if (!extensions) return false;
    for (std::string_view name : {"GL_ARB_framebuffer_object", "GL_EXT_framebuffer_object"}) {
        for (const char* at = std::strstr(extensions, name.data()); at; at = std::strstr(at + 1, name.data())) {
            const char end = at[name.size()];
            if ((at == extensions || at[-1] == ' ') && (end == '\0' || end == ' ')) return true;
        }
    }
    return false;
}

GLuint framebufferOf(WglDC dc) {
    auto* context = static_cast<DeviceContext*>(dc);
    return context && context->surface ? context->surface->framebuffer() : 0;
}

bool bindSurfaces(WglDC drawDC, WglDC readDC) {
    if (!drawDC || !readDC) return false;
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, framebufferOf(drawDC));
    glBindFramebuffer(GL_READ_FRAMEBUFFER, framebufferOf(readDC));
    currentDrawDC = drawDC;
    currentReadDC = readDC;
    return true;
}

bool switchContext(WglContext context) {
    if (!hooks.currentContext || hooks.currentContext() == context) return true;
    return hooks.makeCurrent && hooks.makeCurrent(context);
}

// --- WGL_ARB_extensions_string, WGL_EXT_extensions_string, WGL_EXT_swap_control -------------------------

std::string extensionsString;

const char* getExtensionsStringARB(WglDC) {
    extensionsString = wglExtensionsString();
    return extensionsString.c_str();
}
const char* getExtensionsStringEXT() { return getExtensionsStringARB(windowDC()); }

int swapIntervalEXT(int interval) { return hooks.setSwapInterval && hooks.setSwapInterval(interval) ? 1 : 0; }
int getSwapIntervalEXT() { return hooks.swapInterval ? hooks.swapInterval() : 0; }

// --- WGL_ARB_pixel_format -------------------------------------------------------------------------------

// The value of one attribute for one of the two formats; false for unknown attributes and formats.
bool formatAttribute(int format, int attribute, int* value) {
    if (format != windowPixelFormat && format != offscreenPixelFormat) return false;
    const bool offscreen = format == offscreenPixelFormat;
    auto bits = [&](GLenum query, int offscreenBits) {
        GLint current = 0;
        if (offscreen) return offscreenBits;
        glGetIntegerv(query, &current);
        return int(current);
    };
    switch (attribute) {
        case WGL_DRAW_TO_WINDOW_ARB: *value = !offscreen; return true;
        case WGL_DRAW_TO_PBUFFER_ARB: *value = offscreen; return true;
        case WGL_BIND_TO_TEXTURE_RGBA_ARB: *value = offscreen; return true;
        case WGL_SUPPORT_OPENGL_ARB: *value = 1; return true;
        case WGL_DOUBLE_BUFFER_ARB: {
            GLboolean doubled = GL_FALSE;
            glGetBooleanv(GL_DOUBLEBUFFER, &doubled);
            *value = offscreen ? 0 : doubled;
            return true;
        }
        case WGL_RED_BITS_ARB: *value = bits(GL_RED_BITS, 8); return true;
        case WGL_GREEN_BITS_ARB: *value = bits(GL_GREEN_BITS, 8); return true;
        case WGL_BLUE_BITS_ARB: *value = bits(GL_BLUE_BITS, 8); return true;
        case WGL_ALPHA_BITS_ARB: *value = bits(GL_ALPHA_BITS, 8); return true;
        case WGL_COLOR_BITS_ARB:
            *value = bits(GL_RED_BITS, 8) + bits(GL_GREEN_BITS, 8) + bits(GL_BLUE_BITS, 8) + bits(GL_ALPHA_BITS, 8);
            return true;
        case WGL_DEPTH_BITS_ARB: *value = bits(GL_DEPTH_BITS, 24); return true;
        case WGL_STENCIL_BITS_ARB: *value = bits(GL_STENCIL_BITS, 8); return true;
        case WGL_ACCUM_BITS_ARB: *value = bits(GL_ACCUM_RED_BITS, 0) * 4; return true;
        default: return false;
    }
}

int getPixelFormatAttribivARB(WglDC, int format, int, unsigned count, const int* attributes, int* values) {
    for (unsigned i = 0; i < count; ++i)
        if (!formatAttribute(format, attributes[i], &values[i])) return 0;
    return 1;
}

int getPixelFormatAttribfvARB(WglDC dc, int format, int layer, unsigned count, const int* attributes,
                              float* values) {
    for (unsigned i = 0; i < count; ++i) {
        int value = 0;
        if (!getPixelFormatAttribivARB(dc, format, layer, 1, &attributes[i], &value)) return 0;
        values[i] = float(value);
    }
    return 1;
}

// Boolean attributes must match exactly; bit counts are minimums.
bool formatSatisfies(int format, const int* attributes) {
    for (const int* pair = attributes; pair && pair[0] != 0; pair += 2) {
        int value = 0;
        if (!formatAttribute(format, pair[0], &value)) return false;
        const bool isCount = pair[0] >= WGL_COLOR_BITS_ARB && pair[0] <= WGL_STENCIL_BITS_ARB;
        if (isCount ? value < pair[1] : (value != 0) != (pair[1] != 0)) return false;
    }
    return true;
}

int choosePixelFormatARB(WglDC, const int* intAttributes, const float*, unsigned maxFormats, int* formats,
                         unsigned* formatCount) {
    unsigned found = 0;
    for (int format : {windowPixelFormat, offscreenPixelFormat})
        if (found < maxFormats && formatSatisfies(format, intAttributes)) formats[found++] = format;
    if (formatCount) *formatCount = found;
    return 1;
}

// --- WGL_ARB_make_current_read ----------------------------------------------------------------------------

int makeContextCurrentARB(WglDC drawDC, WglDC readDC, WglContext context) {
    return switchContext(context) && bindSurfaces(drawDC, readDC) ? 1 : 0;
}
WglDC getCurrentReadDCARB() { return currentReadDC; }

// --- WGL_ARB_pbuffer, WGL_ARB_render_texture ------------------------------------------------------------

WglPbuffer createPbufferARB(WglDC, int format, int width, int height, const int* attributes) {
    if (format != offscreenPixelFormat) return nullptr;
    int target = WGL_NO_TEXTURE_ARB;
    for (const int* pair = attributes; pair && pair[0] != 0; pair += 2) {
        if (pair[0] == WGL_TEXTURE_TARGET_ARB) target = pair[1];
        if (pair[0] == WGL_MIPMAP_TEXTURE_ARB && pair[1] != 0) return nullptr;  // no mipmapped surfaces
    }
    OffscreenSurface* surface = OffscreenSurface::create(width, height, target);
    if (!surface) return nullptr;
    auto* pbuffer = new Pbuffer{surface, {}};
    pbuffer->dc.surface = surface;
    return pbuffer;
}

WglDC getPbufferDCARB(WglPbuffer pbuffer) { return pbuffer ? &static_cast<Pbuffer*>(pbuffer)->dc : nullptr; }

int releasePbufferDCARB(WglPbuffer pbuffer, WglDC dc) {
    return pbuffer && dc == &static_cast<Pbuffer*>(pbuffer)->dc ? 1 : 0;
}

int destroyPbufferARB(WglPbuffer handle) {
    auto* pbuffer = static_cast<Pbuffer*>(handle);
    if (!pbuffer) return 0;
    if (currentDrawDC == &pbuffer->dc || currentReadDC == &pbuffer->dc) bindSurfaces(windowDC(), windowDC());
    delete pbuffer->surface;
    delete pbuffer;
    return 1;
}

int queryPbufferARB(WglPbuffer handle, int attribute, int* value) {
    auto* pbuffer = static_cast<Pbuffer*>(handle);
    if (!pbuffer || !value) return 0;
    switch (attribute) {
        case WGL_PBUFFER_WIDTH_ARB: *value = pbuffer->surface->width(); return 1;
        case WGL_PBUFFER_HEIGHT_ARB: *value = pbuffer->surface->height(); return 1;
        case WGL_PBUFFER_LOST_ARB: *value = pbuffer->surface->lost(); return 1;
        case WGL_TEXTURE_TARGET_ARB: *value = pbuffer->surface->textureTarget(); return 1;
        case WGL_TEXTURE_FORMAT_ARB: *value = WGL_TEXTURE_RGBA_ARB; return 1;
        case WGL_MIPMAP_TEXTURE_ARB: *value = 0; return 1;
        default: return 0;
    }
}

int bindTexImageARB(WglPbuffer handle, int buffer) {
    auto* pbuffer = static_cast<Pbuffer*>(handle);
    if (!pbuffer || buffer != WGL_FRONT_LEFT_ARB || pbuffer->surface->textureTarget() != WGL_TEXTURE_2D_ARB)
        return 0;
    GLint texture = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &texture);
    if (!pbuffer->surface->adoptTexture(GLuint(texture))) return 0;
    pbuffer->surface->setBoundAsTexture(true);
    return 1;
}

int releaseTexImageARB(WglPbuffer handle, int buffer) {
    auto* pbuffer = static_cast<Pbuffer*>(handle);
    if (!pbuffer || buffer != WGL_FRONT_LEFT_ARB || !pbuffer->surface->boundAsTexture()) return 0;
    pbuffer->surface->setBoundAsTexture(false);
    return 1;
}

int setPbufferAttribARB(WglPbuffer handle, const int*) { return handle ? 1 : 0; }

struct NamedFunction {
    const char* name;
    void* address;
};

template <typename Function>
void* address(Function function) {
    return reinterpret_cast<void*>(function);
}

const NamedFunction functions[] = {
    {"wglGetExtensionsStringARB", address(getExtensionsStringARB)},
    {"wglGetExtensionsStringEXT", address(getExtensionsStringEXT)},
    {"wglSwapIntervalEXT", address(swapIntervalEXT)},
    {"wglGetSwapIntervalEXT", address(getSwapIntervalEXT)},
    {"wglGetPixelFormatAttribivARB", address(getPixelFormatAttribivARB)},
    {"wglGetPixelFormatAttribfvARB", address(getPixelFormatAttribfvARB)},
    {"wglChoosePixelFormatARB", address(choosePixelFormatARB)},
    {"wglMakeContextCurrentARB", address(makeContextCurrentARB)},
    {"wglGetCurrentReadDCARB", address(getCurrentReadDCARB)},
    {"wglCreatePbufferARB", address(createPbufferARB)},
    {"wglGetPbufferDCARB", address(getPbufferDCARB)},
    {"wglReleasePbufferDCARB", address(releasePbufferDCARB)},
    {"wglDestroyPbufferARB", address(destroyPbufferARB)},
    {"wglQueryPbufferARB", address(queryPbufferARB)},
    {"wglBindTexImageARB", address(bindTexImageARB)},
    {"wglReleaseTexImageARB", address(releaseTexImageARB)},
    {"wglSetPbufferAttribARB", address(setPbufferAttribARB)},
};

}  // namespace

void installWindowSystem(const WindowSystemHooks& newHooks) {
    hooks = newHooks;
    currentDrawDC = currentReadDC = windowDC();
}

const WindowSystemHooks& windowSystem() { return hooks; }

void* wglProcAddress(const char* name) {
    if (!name) return nullptr;
    for (const NamedFunction& function : functions)
        if (std::strcmp(function.name, name) == 0) return function.address;
    return nullptr;
}

std::string wglExtensionsString() {
    std::string names = "WGL_ARB_extensions_string WGL_EXT_extensions_string";
    if (hooks.setSwapInterval) names += " WGL_EXT_swap_control";
    names += " WGL_ARB_pixel_format";
    if (hasFramebufferObjects()) names += " WGL_ARB_make_current_read WGL_ARB_pbuffer WGL_ARB_render_texture";
    return names;
}

OffscreenSurface* offscreenSurfaceOf(WglPbuffer pbuffer) {
    return pbuffer ? static_cast<Pbuffer*>(pbuffer)->surface : nullptr;
}

WglDC windowDC() { return &windowDeviceContext; }

WglDC wglGetCurrentDC() { return currentDrawDC; }

WglContext wglGetCurrentContext() { return hooks.currentContext ? hooks.currentContext() : nullptr; }

WglContext wglCreateContext(WglDC dc) {
    if (!dc || !hooks.createSharedContext) return nullptr;
    return hooks.createSharedContext();
}

bool wglShareLists(WglContext first, WglContext second) { return first && second; }

bool wglMakeCurrent(WglDC dc, WglContext context) {
    if (!context) return false;
    return switchContext(context) && bindSurfaces(dc, dc);
}

bool wglDeleteContext(WglContext context) {
    if (!context || !hooks.deleteContext) return false;
    hooks.deleteContext(context);
    return true;
}

}  // namespace qv3rn::platform
