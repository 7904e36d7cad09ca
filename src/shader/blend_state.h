// blend_state.h -- the blending state ("Blend {" block): factors, separate alpha factors, equation and colour.
#pragma once

#include <GL/gl.h>

#include <istream>

#include "shader/render_state.h"

namespace qv3rn {

class Shader;
class ShaderScriptLoader;

class BlendState : public RenderState {
public:
    BlendState() : RenderState(RenderStateKind::Blend) {}
    void apply() override;
    void restore() override;
    void write(std::ostream& out) const override;

    bool lighting = true;   // false: lighting is switched off (in a pushed attribute group) while blending
    bool enabled = false;
    bool separate = false;  // set once a "Src.Alpha" or "Dst.Alpha" line was read
    GLenum srcRGB = GL_ONE;
    GLenum dstRGB = GL_ONE;
    GLenum srcAlpha = GL_ONE;
    GLenum dstAlpha = GL_ONE;
    GLenum equation = 0;  // 0: leave the blend equation alone
    float color[4] = {0.0f, 0.0f, 0.0f, 0.0f};
};

// Reads the lines after "Blend {" into a new state appended to `shader`, and marks the shader blended.
bool readBlendBlock(ShaderScriptLoader& loader, std::istream& stream, Shader& shader);

}  // namespace qv3rn
