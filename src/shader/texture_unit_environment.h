// texture_unit_environment.h -- the fixed-function set-up of a texture unit from an image's parameters: texture
// environment and combiners ("Apply {"), coordinate generation and the camera projection ("Envmap {").
#pragma once

#include <GL/gl.h>

#include "shader/texture_unit_setup.h"

namespace qv3rn {

struct TextureParams;

// Run by Texture::bind right after the texture is bound on its unit, and by Texture::unbind before the target
// is disabled. A mode the driver cannot do (ADD, COMBINE or DOT3 without their extensions) disables the unit's
// target so that it draws untextured; a generation mode it cannot do (reflection and normal maps) is skipped.
class TextureUnitEnvironment : public TextureUnitSetup {
public:
    void setup(const TextureParams& params, GLenum target, GLenum unit) override;
    void reset(const TextureParams& params, GLenum target, GLenum unit) override;

    // The set-up every texture uses once installed.
    static TextureUnitEnvironment& instance();
};

// Installs TextureUnitEnvironment as the texture units' set-up unless another one is installed. The shader
// manager does this when it is constructed; call it where textures are bound without one.
void installTextureUnitEnvironment();

}  // namespace qv3rn
