// texture_unit_setup.h -- the seam between a texture's bind/unbind and the texture-unit set-up of its parameters
// (environment mode, combiners, coordinate generation), which the texture units install.
#pragma once

#include <GL/gl.h>

namespace qv3rn {

struct TextureParams;

// Texture::bind calls setup right after selecting the unit, enabling the target and binding the texture;
// Texture::unbind calls reset after selecting the unit and before disabling the target. `unit` is
// GL_TEXTURE0 + n. While none is installed, bind and unbind leave the environment and the coordinate generation
// as they are (OpenGL's default is GL_MODULATE with generation off).
class TextureUnitSetup {
public:
    virtual ~TextureUnitSetup() = default;
    virtual void setup(const TextureParams& params, GLenum target, GLenum unit) = 0;
    virtual void reset(const TextureParams& params, GLenum target, GLenum unit) = 0;
};

// Installs the process's set-up (not owned; it must outlive every bind). Null uninstalls it.
void installTextureUnitSetup(TextureUnitSetup* setup);
TextureUnitSetup* textureUnitSetup();

}  // namespace qv3rn
