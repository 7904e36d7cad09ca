// alpha_state.h -- the alpha-test state ("Alpha {" block).
#pragma once

#include <GL/gl.h>

#include <istream>

#include "shader/render_state.h"

namespace qv3rn {

class Shader;
class ShaderScriptLoader;

class AlphaState : public RenderState {
public:
    AlphaState() : RenderState(RenderStateKind::Alpha) {}
    void apply() override;
    void restore() override;
    void write(std::ostream& out) const override;

    bool enabled = false;
    GLenum function = GL_ALWAYS;
    float reference = 0.0f;
};

// Reads the lines after "Alpha {" into a new state appended to `shader`.
bool readAlphaBlock(ShaderScriptLoader& loader, std::istream& stream, Shader& shader);

}  // namespace qv3rn
