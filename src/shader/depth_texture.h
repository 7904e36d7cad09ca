// depth_texture.h -- a depth-component texture filled from the framebuffer (the shadow image).
#pragma once

#include "shader/texture_2d.h"

namespace qv3rn {

// Holds no pixels in memory: allocate it with the DEPTH_COMPONENT format to give it its size. It always binds
// with linear filters, edge clamping and the GL_MODULATE environment, whatever its params say.
class DepthTexture : public Texture2D {
public:
    // `internalFormat` is the depth format kept on the driver (GL_DEPTH_COMPONENT24_ARB for the shadow image).
    explicit DepthTexture(GLenum internalFormat = GL_DEPTH_COMPONENT);

    // Generates and binds the name on unit 0 with GL_DEPTH_TEXTURE_MODE_ARB = GL_INTENSITY, linear filters,
    // edge-clamped wraps and an empty depth image of the allocated size, then unbinds.
    // Writes its depth format ("DEPTH_24" for GL_DEPTH_COMPONENT24_ARB) as the image type.
    bool write(std::ostream& out) const override;
    bool create() override;
    bool bind(GLenum unit) override;
    bool unbind(GLenum unit) override;

    // Copies the framebuffer rectangle (x, y, width, height) to (xOffset, yOffset) of the texture.
    bool copyFromFramebuffer(int xOffset, int yOffset, int x, int y, int width, int height);

    GLenum internalFormat() const { return internalFormat_; }

private:
    void setFixedParameters() const;

    GLenum internalFormat_;
};

// The image the lighting groups' shadow maps go to: 256 x 256 pixels of 24-bit depth, under these names.
inline constexpr const char* shadowImageName = "ShadowImage.small";
inline constexpr const char* shadowImageAlias = "256x256 ShadowImage";

// Makes the shadow image and gives it to the current image registry, which owns it from then on; null (and
// nothing made) when the registry already holds an image by one of its names.
DepthTexture* addShadowImage();

}  // namespace qv3rn
