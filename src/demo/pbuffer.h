// pbuffer.h -- off-screen render targets: buffers that effects draw into and later bind as textures.
#pragma once

#include <GL/gl.h>

#include <memory>
#include <string>

#include "effects/render_target.h"
#include "platform/wgl.h"
#include "shader/texture.h"

namespace qv3rn {

// An off-screen buffer (RGBA, 8 bits a channel, 24-bit depth, 8-bit stencil) that can be drawn into between
// begin and end and then bound on a texture unit like any image: it has a name and an alias, lives in the image
// registry, and registers with the effect manager as a render target found by its name.
//
// Two kinds exist, because drivers made a buffer current in two ways: PBufferNVIDIA draws with a rendering
// context of its own that shares objects with the main one; PBufferATI draws with the main context on the
// buffer. create() picks one. Every operation on a target that is not created does nothing and fails.
//
// Between begin and end the current rendering context may be another one, so nothing in between may assume the
// window's context is current.
class PBuffer : public Texture, public RenderTarget {
public:
    // The texture-base value of glId once the texture object is gone.
    static constexpr GLuint noTexture = Texture::noName;

    // The factory: PBufferATI when WGL_ARB_make_current_read is available, PBufferNVIDIA otherwise, both for
    // the 2D target, initialised to width x height. Null (with a log line) when the buffer extensions are
    // missing or the buffer cannot be made.
    static std::unique_ptr<PBuffer> create(int width, int height);

    ~PBuffer() override;

    // The texture-base operations, in slot order. bind and unbind of the base fail; the kinds override them.
    bool bind(GLenum unit) override;
    bool unbind(GLenum unit) override;
    bool create() override;  // nothing to create: true
    bool update() override;  // true
    bool releaseGL() override;  // the kinds destroy the buffer
    bool makePowerOfTwoSquare() override;  // false: the size is the buffer's

    // The render-target operations, after the texture-base ones.
    // Makes the buffer (destroying an earlier one first) with the texture target given to the constructor
    // (1D, 2D or cube map) and the window's current device and rendering context as the ones to return to.
    virtual bool initialize(int width, int height) = 0;
    virtual bool destroy() = 0;
    // Redirects all drawing into the buffer, with the viewport (0, 0, width, height). A lost buffer is made
    // again first (its contents are gone).
    bool begin(int width, int height) override = 0;
    // Returns drawing to the window, with the viewport (0, 0, width, height) (the caller passes the window's).
    bool end(int width, int height) override = 0;

    // RenderTarget: found by the texture's name.
    const std::string& targetName() const override { return name(); }
    int targetWidth() const override { return width_; }
    int targetHeight() const override { return height_; }

    bool created() const { return created_; }
    int width() const { return width_; }
    int height() const { return height_; }
    // The window-system handle of the buffer (null when not created).
    platform::WglPbuffer pbufferHandle() const { return pbuffer_; }
    platform::WglDC pbufferDC() const { return pbufferDC_; }
    platform::WglDC mainDC() const { return mainDC_; }
    // The context that draws into the buffer: the kind's own one, or the main context.
    platform::WglContext context() const { return context_; }

protected:
    // needsMakeCurrentRead: the kind draws with the main context on the buffer, which needs
    // WGL_ARB_make_current_read besides the buffer and render-texture extensions.
    PBuffer(GLenum target, bool needsMakeCurrentRead);

    // The extensions every operation of this kind needs.
    bool extensionsAvailable() const;
    // Asks the driver whether the buffer's contents were lost; a lost buffer is initialised again with the
    // stored size. False when that fails.
    bool recreateIfLost();

    // The steps of initialize before the kind's context: the texture target's window-system name, the
    // extensions, destroying an earlier buffer, the size, the window's device and rendering context, the pixel
    // format and the buffer with its device context. On failure nothing is left allocated.
    bool createSurface(int width, int height);
    // Gives the buffer back to the window system (after a failed step of initialize, and by destroy).
    void destroySurface();
    // The texture object the buffer's image is bound to, with the kind's parameters set by `setParameters` on
    // the bound target; then the texture parameters the texture units use, and created = true.
    void finishInitialize(void (*setParameters)(GLenum target));
    // Deletes the texture object and marks the target not created.
    void deleteTexture();
    // Selects the unit, binds the texture object, enables the target and binds the buffer's image to it.
    bool bindImage(GLenum unit);
    // Selects the unit and releases the buffer's image.
    bool releaseImage(GLenum unit);
    // Selects the buffer for drawing and reading, or the window's back buffer; then the viewport.
    static void selectBuffers(bool offscreen, int width, int height);

    bool created_ = false;
    int width_ = 0;
    int height_ = 0;
    platform::WglPbuffer pbuffer_ = nullptr;
    platform::WglDC pbufferDC_ = nullptr;
    platform::WglDC mainDC_ = nullptr;
    platform::WglContext context_ = nullptr;

private:
    bool needsMakeCurrentRead_;
};

}  // namespace qv3rn
