// stencil_state.h -- the stencil-test state ("Stencil {" block).
#pragma once

#include <GL/gl.h>

#include <cstdint>
#include <istream>

#include "shader/render_state.h"

namespace qv3rn {

class Shader;
class ShaderScriptLoader;

class StencilState : public RenderState {
public:
    StencilState() : RenderState(RenderStateKind::Stencil) {}
    void apply() override;
    void restore() override;
    void write(std::ostream& out) const override;

    bool enabled = false;
    GLenum function = GL_ALWAYS;
    std::int32_t reference = 0;
    std::uint32_t mask = 0;         // compare mask of glStencilFunc
    std::uint32_t writeMask = 255;  // glStencilMask while the state is applied
    GLenum fail = GL_ZERO;
    GLenum zFail = GL_ZERO;
    GLenum zPass = GL_ZERO;
};

bool readStencilBlock(ShaderScriptLoader& loader, std::istream& stream, Shader& shader);

}  // namespace qv3rn
