// pbuffer_nvidia.h -- the render target that draws with a rendering context of its own.
#pragma once

#include "demo/pbuffer.h"

namespace qv3rn {

// Its own context shares objects (textures, lists, programs) with the main one: begin makes it current on the
// buffer and end makes the main context current on the window again. Its texture clamps on S and T.
class PBufferNVIDIA : public PBuffer {
public:
    explicit PBufferNVIDIA(GLenum target = GL_TEXTURE_2D);
    ~PBufferNVIDIA() override;  // destroys the buffer if it is created

    bool bind(GLenum unit) override;
    bool unbind(GLenum unit) override;  // releases the image, disables the target, then resets the unit
    bool initialize(int width, int height) override;
    bool destroy() override;
    bool begin(int width, int height) override;
    bool end(int width, int height) override;

    // The context that was current when the buffer was made, made current again by end.
    platform::WglContext mainContext() const { return mainContext_; }

private:
    platform::WglContext mainContext_ = nullptr;
};

}  // namespace qv3rn
