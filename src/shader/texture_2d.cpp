// texture_2d.cpp -- uploads of 2D and rectangle images, run-time updates and the power-of-two rescale.
#include "shader/texture_2d.h"

#include <GL/glu.h>

#include <algorithm>
#include <utility>

#include "gl/extensions.h"
#include "image/pixel_scaling.h"

namespace qv3rn {

namespace {
constexpr int largestSquareSide = 2048;
}

int powerOfTwoSide(int size) {
    for (int i = 0; i <= 10; ++i)
        if ((1 << i) <= size && size <= (1 << (i + 1))) return 1 << i;
    // Larger images are capped at the largest side instead of collapsing to 1 x 1.
    return size > largestSquareSide ? largestSquareSide : 1;
}

bool Texture2D::uploadPixels(GLenum uploadTarget, bool mipmaps) const {
    const ImageFormatInfo& info = formatInfo(pixels_.format());
    if (!pixels_.present() || info.internalFormat == 0 || pixels_.width() < 1 || pixels_.height() < 1) return false;
    TightPixelRows tight;
    if (info.compressed) {
        if (!glCompressedTexImage2DARB) return false;
        glCompressedTexImage2DARB(uploadTarget, 0, info.internalFormat, pixels_.width(), pixels_.height(), 0,
                                  static_cast<GLsizei>(pixels_.size()), pixels_.data());
        return true;
    }
    if (info.bytesPerPixel == 0) return false;
    if (mipmaps)
        return gluBuild2DMipmaps(uploadTarget, static_cast<GLint>(info.internalFormat), pixels_.width(),
                                 pixels_.height(), info.pixelFormat, GL_UNSIGNED_BYTE, pixels_.data()) == 0;
    glTexImage2D(uploadTarget, 0, static_cast<GLint>(info.internalFormat), pixels_.width(), pixels_.height(), 0,
                 info.pixelFormat, GL_UNSIGNED_BYTE, pixels_.data());
    return true;
}

bool Texture2D::create() {
    if (!Texture::create()) return false;
    const bool mipmaps = isMipmapFilter(params_.minFilter) && target_ != GL_TEXTURE_RECTANGLE_ARB;
    const bool compressed = isCompressed(pixels_.format());
    uploadPixels(target_, mipmaps && !compressed);
    if (mipmaps && compressed) glTexParameteri(target_, GL_TEXTURE_MIN_FILTER, static_cast<GLint>(baseFilter(params_.minFilter)));
    unbind(GL_TEXTURE0);
    return true;
}

bool Texture2D::update() {
    const ImageFormatInfo& info = formatInfo(pixels_.format());
    if (!pixels_.present() || info.compressed || info.bytesPerPixel == 0) return false;
    if (!bind(GL_TEXTURE0)) return false;
    {
        TightPixelRows tight;
        glTexSubImage2D(target_, 0, 0, 0, pixels_.width(), pixels_.height(), info.pixelFormat, GL_UNSIGNED_BYTE,
                        pixels_.data());
    }
    unbind(GL_TEXTURE0);
    return true;
}

bool Texture2D::makePowerOfTwoSquare() {
    if (isCompressed(pixels_.format()) || !pixels_.present() || pixels_.bytesPerPixel() == 0) return false;
    const int width = pixels_.width(), height = pixels_.height();
    if (width == height && width <= largestSquareSide && width > 0 && (width & (width - 1)) == 0) return true;
    const int side = powerOfTwoSide(std::max(width, height));
    PixelStore scaled = scalePixels(pixels_, side, side);
    if (!scaled.present()) return false;
    pixels_ = std::move(scaled);
    return true;
}

bool Texture2D::attachPixels(int width, int height, ImageFormat format, std::vector<std::uint8_t> pixels) {
    if (!pixels_.attach(width, height, format, std::move(pixels))) return false;
    format_ = format;
    return true;
}

bool Texture2D::allocate(int width, int height, ImageFormat format) {
    if (!pixels_.allocate(width, height, format)) return false;
    format_ = format;
    return true;
}

void Texture2D::adoptPixels(PixelStore&& pixels) {
    pixels_ = std::move(pixels);
    format_ = pixels_.format();
}

}  // namespace qv3rn
