// texture_unit_state.h -- a texture unit of a shader ("Texture {" block): its image and animated texture matrix.
#pragma once

#include <GL/gl.h>
#include <GL/glext.h>

#include <array>
#include <istream>
#include <memory>

#include "anim/envelope.h"
#include "shader/ref_counted.h"
#include "shader/render_state.h"
#include "shader/texture.h"

namespace qv3rn {

class Shader;
class ShaderScriptLoader;

// The eleven envelopes of the texture matrix, in the order they are read and written.
enum class TextureMatrixChannel {
    TranslateS,
    TranslateT,
    TranslateR,
    TranslateQ,  // read and written, but not part of the matrix
    RotateH,
    RotateP,
    RotateB,
    ScaleS,
    ScaleT,
    ScaleR,
    ScaleQ,
};
inline constexpr int textureMatrixChannelCount = 11;

// Binds an image on one of eight texture units (which also sets up the unit's environment and coordinate
// generation from the image's parameters) and, when any envelope is set, loads the unit's texture matrix:
// translate (S, T, R), rotate heading about y, pitch about x, bank about z (radians in the script), then scale
// (S, T, R, Q), all evaluated at the frame time of the shader manager.
class TextureUnitState : public RenderState {
public:
    enum MatrixFlag : unsigned { Translation = 1, Rotation = 2, Scale = 4 };

    TextureUnitState();
    ~TextureUnitState() override;
    void apply() override;
    void restore() override;
    void write(std::ostream& out) const override;

    GLenum unit = GL_TEXTURE0_ARB;

    // The image bound on the unit (none: the state only loads the texture matrix). Given back to the image
    // registry when the state is destroyed, so shaders must go before the registry is cleared.
    void setImage(Handle<Texture> image);
    Texture* image() const { return image_.get(); }

    // Replaces the envelope of a channel (deleting the one before) and marks its group in matrixFlags().
    void setEnvelope(TextureMatrixChannel channel, std::unique_ptr<Envelope> envelope);
    const Envelope* envelope(TextureMatrixChannel channel) const { return envelopes_[index(channel)].get(); }
    unsigned matrixFlags() const { return matrixFlags_; }

private:
    static int index(TextureMatrixChannel channel) { return static_cast<int>(channel); }
    void selectUnit() const;
    void loadTextureMatrix(float time) const;

    Handle<Texture> image_;
    std::array<std::unique_ptr<Envelope>, textureMatrixChannelCount> envelopes_;
    unsigned matrixFlags_ = 0;
};

// Reads the lines after "Texture {" into a new state appended to `shader`.
bool readTextureBlock(ShaderScriptLoader& loader, std::istream& stream, Shader& shader);

}  // namespace qv3rn
