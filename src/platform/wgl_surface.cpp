// wgl_surface.cpp -- off-screen surfaces on framebuffer objects (RGBA8 colour texture, depth 24 / stencil 8).
#define GL_GLEXT_PROTOTYPES 1  // framebuffer objects are core OpenGL 3.0 functions, exported by the GL library
#include "platform/wgl_surface.h"

#include <GL/glext.h>

namespace qv3rn::platform {

namespace {

// Restores the framebuffer bindings and the 2D texture binding of the active unit on scope exit.
class BindingGuard {
public:
    BindingGuard() {
        glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &draw_);
        glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &read_);
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &texture_);
    }
    ~BindingGuard() {
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, GLuint(draw_));
        glBindFramebuffer(GL_READ_FRAMEBUFFER, GLuint(read_));
        glBindTexture(GL_TEXTURE_2D, GLuint(texture_));
    }

private:
    GLint draw_ = 0, read_ = 0, texture_ = 0;
};

WglContext currentContextKey() {
    const auto& hooks = windowSystem();
    return hooks.currentContext ? hooks.currentContext() : nullptr;
}

}  // namespace

OffscreenSurface::OffscreenSurface(int width, int height, int textureTarget)
    : width_(width), height_(height), textureTarget_(textureTarget) {}

OffscreenSurface* OffscreenSurface::create(int width, int height, int textureTarget) {
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &maxSize);
    if (width <= 0 || height <= 0 || width > maxSize || height > maxSize) return nullptr;
    if (textureTarget != WGL_TEXTURE_2D_ARB && textureTarget != WGL_NO_TEXTURE_ARB) return nullptr;

    BindingGuard guard;
    auto* surface = new OffscreenSurface(width, height, textureTarget);
    glGenTextures(1, &surface->colorTexture_);
    glBindTexture(GL_TEXTURE_2D, surface->colorTexture_);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);

    GLint renderbuffer = 0;
    glGetIntegerv(GL_RENDERBUFFER_BINDING, &renderbuffer);
    glGenRenderbuffers(1, &surface->depthStencil_);
    glBindRenderbuffer(GL_RENDERBUFFER, surface->depthStencil_);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, width, height);
    glBindRenderbuffer(GL_RENDERBUFFER, GLuint(renderbuffer));

    const GLuint framebuffer = surface->framebuffer();
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    const bool complete = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    if (!complete) {
        delete surface;
        return nullptr;
    }
    return surface;
}

OffscreenSurface::~OffscreenSurface() {
    // Only the current context's framebuffer object can be deleted from here; those of other contexts go
    // with their context.
    auto it = framebuffers_.find(currentContextKey());
    if (it != framebuffers_.end()) glDeleteFramebuffers(1, &it->second.framebuffer);
    glDeleteRenderbuffers(1, &depthStencil_);
    if (ownsColorTexture_) glDeleteTextures(1, &colorTexture_);
}

GLuint OffscreenSurface::framebuffer() {
    PerContext& entry = framebuffers_[currentContextKey()];
    if (entry.framebuffer != 0 && entry.generation == generation_) return entry.framebuffer;
    GLint previous = 0;
    glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &previous);
    if (entry.framebuffer == 0) glGenFramebuffers(1, &entry.framebuffer);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, entry.framebuffer);
    glFramebufferTexture2D(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, colorTexture_, 0);
    glFramebufferRenderbuffer(GL_DRAW_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, depthStencil_);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, GLuint(previous));
    entry.generation = generation_;
    return entry.framebuffer;
}

bool OffscreenSurface::adoptTexture(GLuint texture) {
    if (texture == 0) return false;
    if (texture == colorTexture_) return true;
    BindingGuard guard;
    const GLuint source = framebuffer();
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width_, height_, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, source);
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 0, 0, width_, height_);
    if (ownsColorTexture_) glDeleteTextures(1, &colorTexture_);
    colorTexture_ = texture;
    ownsColorTexture_ = false;
    ++generation_;
    return true;
}

}  // namespace qv3rn::platform
