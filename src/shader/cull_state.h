// cull_state.h -- the face-culling state ("Cull {" block), with two-sided lighting.
#pragma once

#include <GL/gl.h>

#include <istream>

#include "shader/render_state.h"

namespace qv3rn {

class Shader;
class ShaderScriptLoader;

class CullState : public RenderState {
public:
    CullState() : RenderState(RenderStateKind::Cull) {}
    void apply() override;
    void restore() override;
    void write(std::ostream& out) const override;

    bool enabled = true;
    bool twoSided = false;
    GLenum face = GL_BACK;
    GLenum winding = GL_CCW;
};

bool readCullBlock(ShaderScriptLoader& loader, std::istream& stream, Shader& shader);

}  // namespace qv3rn
