// headless_context.cpp -- EGL surfaceless context with a pbuffer surface; no X server or GPU is needed.
#include "platform/headless_context.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>

namespace qv3rn::platform {

struct HeadlessContext::Egl {
    EGLDisplay display = EGL_NO_DISPLAY;
    EGLConfig config = nullptr;
    EGLContext context = EGL_NO_CONTEXT;
    EGLSurface surface = EGL_NO_SURFACE;
};

namespace {

HeadlessContext* currentContext = nullptr;  // the context this file last made current

bool fail(std::string* error, const std::string& text) {
    if (error) *error = text + " (EGL error 0x" + std::to_string(eglGetError()) + ")";
    return false;
}

EGLDisplay surfacelessDisplay() {
    auto getPlatformDisplay =
        reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (!getPlatformDisplay) return EGL_NO_DISPLAY;
    return getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
}

bool chooseConfig(EGLDisplay display, const ContextBits& bits, EGLConfig* config) {
    const int channel = bits.color >= 32 ? 8 : bits.color / 3;
    const EGLint attributes[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
                                 EGL_RED_SIZE, channel, EGL_GREEN_SIZE, channel, EGL_BLUE_SIZE, channel,
                                 EGL_ALPHA_SIZE, bits.color >= 32 ? 8 : 0, EGL_DEPTH_SIZE, bits.depth,
                                 EGL_STENCIL_SIZE, bits.stencil, EGL_NONE};
    EGLint count = 0;
    return eglChooseConfig(display, attributes, config, 1, &count) && count > 0;
}

EGLContext createContext(EGLDisplay display, EGLConfig config, EGLContext share) {
    const EGLint attributes[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK, EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT,
                                 EGL_NONE};
    return eglCreateContext(display, config, share, attributes);
}

EGLSurface createSurface(EGLDisplay display, EGLConfig config, int width, int height) {
    const EGLint attributes[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
    return eglCreatePbufferSurface(display, config, attributes);
}

}  // namespace

HeadlessContext::HeadlessContext(std::unique_ptr<Egl> egl, int width, int height)
    : egl_(std::move(egl)), width_(width), height_(height) {}

std::unique_ptr<HeadlessContext> HeadlessContext::create(int width, int height, const ContextBits& bits,
                                                         std::string* error) {
    auto egl = std::make_unique<Egl>();
    egl->display = surfacelessDisplay();
    if (egl->display == EGL_NO_DISPLAY) return fail(error, "no EGL surfaceless display"), nullptr;
    if (!eglInitialize(egl->display, nullptr, nullptr)) return fail(error, "eglInitialize failed"), nullptr;
    if (!chooseConfig(egl->display, bits, &egl->config)) return fail(error, "no matching EGL config"), nullptr;
    if (!eglBindAPI(EGL_OPENGL_API)) return fail(error, "eglBindAPI(OpenGL) failed"), nullptr;
    egl->context = createContext(egl->display, egl->config, EGL_NO_CONTEXT);
    if (egl->context == EGL_NO_CONTEXT) return fail(error, "eglCreateContext failed"), nullptr;
    egl->surface = createSurface(egl->display, egl->config, width, height);
    if (egl->surface == EGL_NO_SURFACE) {
        eglDestroyContext(egl->display, egl->context);
        return fail(error, "eglCreatePbufferSurface failed"), nullptr;
    }
    std::unique_ptr<HeadlessContext> result(new HeadlessContext(std::move(egl), width, height));
    if (!result->makeCurrent()) return fail(error, "eglMakeCurrent failed"), nullptr;
    return result;
}

std::unique_ptr<HeadlessContext> HeadlessContext::createShared(int width, int height, std::string* error) const {
    auto egl = std::make_unique<Egl>(*egl_);
    egl->context = createContext(egl->display, egl->config, egl_->context);
    if (egl->context == EGL_NO_CONTEXT) return fail(error, "eglCreateContext (shared) failed"), nullptr;
    egl->surface = createSurface(egl->display, egl->config, width, height);
    if (egl->surface == EGL_NO_SURFACE) {
        eglDestroyContext(egl->display, egl->context);
        return fail(error, "eglCreatePbufferSurface failed"), nullptr;
    }
    return std::unique_ptr<HeadlessContext>(new HeadlessContext(std::move(egl), width, height));
}

HeadlessContext::~HeadlessContext() {
    sharedContexts_.clear();
    if (currentContext == this) currentContext = nullptr;
    if (eglGetCurrentContext() == egl_->context)
        eglMakeCurrent(egl_->display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    eglDestroySurface(egl_->display, egl_->surface);
    eglDestroyContext(egl_->display, egl_->context);
    // The display stays initialised: EGL displays are process-wide and shared by every context made here.
}

bool HeadlessContext::makeCurrent() {
    if (eglMakeCurrent(egl_->display, egl_->surface, egl_->surface, egl_->context) != EGL_TRUE) return false;
    currentContext = this;
    return true;
}

void HeadlessContext::releaseCurrent() {
    eglMakeCurrent(egl_->display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    if (currentContext == this) currentContext = nullptr;
}

void HeadlessContext::swapBuffers() { glFinish(); }

const char* HeadlessContext::glExtensions() const {
    const auto* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    return extensions ? extensions : "";
}

void* HeadlessContext::getProcAddress(const char* name) const {
    if (void* own = wglProcAddress(name)) return own;
    return reinterpret_cast<void*>(eglGetProcAddress(name));
}

WindowSystemHooks HeadlessContext::windowSystemHooks() {
    WindowSystemHooks hooks;
    hooks.glProcAddress = [](const char* name) { return reinterpret_cast<void*>(eglGetProcAddress(name)); };
    hooks.currentContext = []() -> WglContext { return currentContext; };
    hooks.createSharedContext = [this]() -> WglContext {
        auto shared = createShared(width_, height_);
        if (!shared) return nullptr;
        sharedContexts_.push_back(std::move(shared));
        return sharedContexts_.back().get();
    };
    hooks.makeCurrent = [](WglContext context) { return context && static_cast<HeadlessContext*>(context)->makeCurrent(); };
    hooks.deleteContext = [this](WglContext context) {
        for (auto it = sharedContexts_.begin(); it != sharedContexts_.end(); ++it) {
            if (it->get() != context) continue;
            if (currentContext == context) makeCurrent();
            sharedContexts_.erase(it);
            return;
        }
    };
    return hooks;
}

}  // namespace qv3rn::platform
