// fog_state.h -- the fog state ("Fog {" block).
#pragma once

#include <GL/gl.h>

#include <istream>

#include "shader/render_state.h"

namespace qv3rn {

class Shader;
class ShaderScriptLoader;

class FogState : public RenderState {
public:
    FogState() : RenderState(RenderStateKind::Fog) {}
    void apply() override;
    void restore() override;
    void write(std::ostream& out) const override;

    bool enabled = false;
    float start = 0.0f;
    float end = 1.0f;
    float density = 0.5f;
    float color[4] = {0.5f, 0.5f, 0.5f, 1.0f};
    GLenum mode = GL_EXP;
    GLenum hint = GL_NICEST;
};

bool readFogBlock(ShaderScriptLoader& loader, std::istream& stream, Shader& shader);

}  // namespace qv3rn
