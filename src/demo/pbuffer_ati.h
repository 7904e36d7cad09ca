// pbuffer_ati.h -- the render target that draws with the main rendering context on the buffer.
#pragma once

#include "demo/pbuffer.h"

namespace qv3rn {

// begin makes the main context current with the buffer for drawing and reading, end with the window again.
// Its texture repeats on S and T. Needs WGL_ARB_make_current_read besides the buffer extensions.
class PBufferATI : public PBuffer {
public:
    explicit PBufferATI(GLenum target = GL_TEXTURE_2D);
    ~PBufferATI() override;  // destroys the buffer if it is created

    bool bind(GLenum unit) override;
    bool unbind(GLenum unit) override;  // releases the image, resets the unit, then disables the target
    bool initialize(int width, int height) override;
    // Logs "PBufferATI::destroy() this=0x..." and fails when not created; logs the line with " OK" after
    // destroying.
    bool destroy() override;
    bool begin(int width, int height) override;
    bool end(int width, int height) override;
};

}  // namespace qv3rn
