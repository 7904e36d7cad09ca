// texture_1d.h -- a one-dimensional image (a row of texels, for example a light's attenuation ramp).
#pragma once

#include <cstdint>

#include "image/pixel_store.h"
#include "shader/texture.h"

namespace qv3rn {

class Texture1D : public Texture {
public:
    Texture1D() : Texture(GL_TEXTURE_1D) {}

    // Base create, then glTexImage1D when the minifying filter is not a mipmap filter, gluBuild1DMipmaps
    // otherwise; then unbind from unit 0.
    bool create() override;

    // A zeroed store of `width` texels; does nothing (false) when a store exists already.
    bool allocate(int width, ImageFormat format);
    // Takes over a decoded one-row store.
    void adoptPixels(PixelStore&& pixels);
    void setPixel(std::uint32_t value, int x) { pixels_.setPixel(value, x, 0); }

    int width() const { return pixels_.width(); }
    int bytesPerPixel() const { return pixels_.bytesPerPixel(); }
    const PixelStore& pixels() const { return pixels_; }

private:
    PixelStore pixels_;
};

}  // namespace qv3rn
