// texture_1d.cpp -- plain and mipmapped uploads of one-dimensional images.
#include "shader/texture_1d.h"

#include <GL/glu.h>

#include <utility>

namespace qv3rn {

// The texels are kept in the format's own internal format (as 2D images are): a bare component count would
// turn ALPHA, INTENSITY and single colour channels into luminance.
bool Texture1D::create() {
    if (!Texture::create()) return false;
    const ImageFormatInfo& info = formatInfo(pixels_.format());
    if (pixels_.present() && pixels_.width() > 0 && info.bytesPerPixel > 0 && !info.compressed) {
        TightPixelRows tight;
        if (isMipmapFilter(params_.minFilter))
            gluBuild1DMipmaps(GL_TEXTURE_1D, static_cast<GLint>(info.internalFormat), pixels_.width(),
                              info.pixelFormat, GL_UNSIGNED_BYTE, pixels_.data());
        else
            glTexImage1D(GL_TEXTURE_1D, 0, static_cast<GLint>(info.internalFormat), pixels_.width(), 0,
                         info.pixelFormat, GL_UNSIGNED_BYTE, pixels_.data());
    }
    unbind(GL_TEXTURE0);
    return true;
}

bool Texture1D::allocate(int width, ImageFormat format) {
    if (!pixels_.allocate(width, 1, format)) return false;
    format_ = format;
    return true;
}

void Texture1D::adoptPixels(PixelStore&& pixels) {
    pixels_ = std::move(pixels);
    format_ = pixels_.format();
}

}  // namespace qv3rn
