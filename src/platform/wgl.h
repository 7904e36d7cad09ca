// wgl.h -- our window-system extension functions: the names the engine knows from WGL, on SDL/EGL and OpenGL.
//
// The extension registry fetches these by name through GLDriver::getProcAddress; every window back end
// answers "wgl*" names with wglProcAddress() below before asking its own loader. What each name maps to:
//   WGL_ARB_extensions_string / WGL_EXT_extensions_string  wglGetExtensionsString{ARB,EXT}: the string below
//   WGL_EXT_swap_control     wglSwapIntervalEXT / wglGetSwapIntervalEXT: the back end's swap interval
//                            (SDL_GL_SetSwapInterval, eglSwapInterval); listed only when the back end has one
//   WGL_ARB_pixel_format     wglGetPixelFormatAttrib{iv,fv}ARB, wglChoosePixelFormatARB: answered from the
//                            current context's real buffer sizes; only the RGBA, double-buffered format exists
//   WGL_ARB_make_current_read wglMakeContextCurrentARB / wglGetCurrentReadDCARB: make a surface's context current
//   WGL_ARB_pbuffer          wglCreatePbufferARB ... wglQueryPbufferARB: off-screen surfaces are framebuffer
//                            objects (RGBA8 colour texture, depth 24 / stencil 8 renderbuffer)
//   WGL_ARB_render_texture   wglBindTexImageARB / wglReleaseTexImageARB / wglSetPbufferAttribARB: bind the
//                            surface's colour texture to the active texture unit
// pbuffer and render-texture are listed only when the driver has framebuffer objects.
#pragma once

#include <functional>
#include <string>

namespace qv3rn::platform {

// What the active window back end lends the window-system functions. Installed by the back end once its
// context is current; cleared (installWindowSystem({})) when the context goes.
struct WindowSystemHooks {
    std::function<bool(int)> setSwapInterval;  // empty when the back end cannot set one
    std::function<int()> swapInterval;
    std::function<void*(const char*)> glProcAddress;  // the back end's OpenGL loader
};

void installWindowSystem(const WindowSystemHooks& hooks);

// Our implementation of a window-system function by its WGL name, or null for names we do not provide.
void* wglProcAddress(const char* name);

// The window-system extension string for the current context: always the two *_extensions_string names,
// then the others that the back end and the driver can honour (see the table above).
std::string wglExtensionsString();

}  // namespace qv3rn::platform
