// texture_2d.h -- a two-dimensional image (or rectangle image) with its pixel store.
#pragma once

#include <cstdint>
#include <vector>

#include "image/pixel_store.h"
#include "shader/texture.h"

namespace qv3rn {

// The pixel store stays in memory after the upload, so the image can be uploaded again after a lost context
// and changed and re-uploaded at run time (update).
class Texture2D : public Texture {
public:
    explicit Texture2D(GLenum target = GL_TEXTURE_2D) : Texture(target) {}

    // Base create, then the upload: glTexImage2D (glCompressedTexImage2DARB for S3TC formats) when the minifying
    // filter is not a mipmap filter or the target is a rectangle, gluBuild2DMipmaps otherwise; then unbind from
    // unit 0. S3TC images upload one level and are minified from it (a mipmap filter is read as its base filter
    // on the driver). A missing store or a format without pixels creates the name without an upload.
    bool create() override;
    // Re-uploads the whole store with glTexSubImage2D (uncompressed formats only).
    bool update() override;
    // Scales a non-square or non-power-of-two image to N x N: N is the first 2^i (i = 0 .. 10) with
    // 2^i <= max(width, height) <= 2^(i+1), so an exact power of two halves (256 x 128 becomes 128 x 128), and
    // sizes above 2048 become 2048 x 2048. A square power of two up to 2048 stays as it is (true). False for
    // S3TC formats and formats without pixels.
    bool makePowerOfTwoSquare() override;

    // Takes `pixels` as the store of a width x height image of `format` (false when the buffer is too small).
    virtual bool attachPixels(int width, int height, ImageFormat format, std::vector<std::uint8_t> pixels);
    // A zeroed store; does nothing (false) when a store exists already.
    virtual bool allocate(int width, int height, ImageFormat format);

    // Takes over a decoded store (the image registry's decoded images).
    void adoptPixels(PixelStore&& pixels);
    // Writes a packed value at (x, y) (PixelStore::setPixel).
    void setPixel(std::uint32_t value, int x, int y) { pixels_.setPixel(value, x, y); }

    int width() const { return pixels_.width(); }
    int height() const { return pixels_.height(); }
    int bytesPerPixel() const { return pixels_.bytesPerPixel(); }
    const PixelStore& pixels() const { return pixels_; }
    PixelStore& pixels() { return pixels_; }

    // Uploads the store to level 0 (and, with `mipmaps`, every mipmap level) of `uploadTarget` of the bound
    // texture; cube maps upload their faces through this. False when there is nothing to upload.
    bool uploadPixels(GLenum uploadTarget, bool mipmaps) const;

protected:
    PixelStore pixels_;
};

// The side makePowerOfTwoSquare gives an image whose larger side is `size` (1 .. 2048; 2048 above).
int powerOfTwoSide(int size);

}  // namespace qv3rn
