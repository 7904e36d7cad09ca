// wgl_surface.h -- drawing surfaces behind the window-system device contexts: the window and off-screen buffers.
#pragma once

#include <GL/gl.h>

#include <map>

#include "platform/wgl.h"

namespace qv3rn::platform {

// An off-screen surface: a colour texture and a depth/stencil renderbuffer, drawn into through a framebuffer
// object. Framebuffer objects are not shared between contexts, so each context that draws into the surface
// gets its own, attached to the same (shared) texture and renderbuffer.
class OffscreenSurface {
public:
    static OffscreenSurface* create(int width, int height, int textureTarget);  // null on failure
    ~OffscreenSurface();

    int width() const { return width_; }
    int height() const { return height_; }
    int textureTarget() const { return textureTarget_; }  // WGL_TEXTURE_2D_ARB or WGL_NO_TEXTURE_ARB
    GLuint colorTexture() const { return colorTexture_; }
    bool lost() const { return lost_; }
    void markLost() { lost_ = true; }  // lets tests drive the recreate path of the render targets

    // The framebuffer object of the current context, made (or re-attached) on demand.
    GLuint framebuffer();

    // Makes `texture` (already bound on the active unit) the colour buffer, keeping the current contents.
    bool adoptTexture(GLuint texture);
    void setBoundAsTexture(bool bound) { boundAsTexture_ = bound; }
    bool boundAsTexture() const { return boundAsTexture_; }

private:
    OffscreenSurface(int width, int height, int textureTarget);
    struct PerContext {
        GLuint framebuffer = 0;
        unsigned generation = 0;
    };
    int width_;
    int height_;
    int textureTarget_;
    GLuint colorTexture_ = 0;
    bool ownsColorTexture_ = true;
    GLuint depthStencil_ = 0;
    unsigned generation_ = 1;  // bumped whenever the attachments change
    std::map<WglContext, PerContext> framebuffers_;
    bool lost_ = false;
    bool boundAsTexture_ = false;
};

// The surface behind an off-screen buffer handle of wglCreatePbufferARB (null for null), so that tests can mark
// it lost and drive the render targets' recreate path.
OffscreenSurface* offscreenSurfaceOf(WglPbuffer pbuffer);

}  // namespace qv3rn::platform
