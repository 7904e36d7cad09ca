// zbuffer_state.h -- the depth-test state ("ZBuffer {" block).
#pragma once

#include <GL/gl.h>

#include <istream>

#include "shader/render_state.h"

namespace qv3rn {

class Shader;
class ShaderScriptLoader;

class ZBufferState : public RenderState {
public:
    ZBufferState() : RenderState(RenderStateKind::ZBuffer) {}
    void apply() override;
    void restore() override;
    void write(std::ostream& out) const override;

    bool enabled = false;
    bool depthWrite = true;  // the "Write" line
    GLenum function = GL_LEQUAL;
};

bool readZBufferBlock(ShaderScriptLoader& loader, std::istream& stream, Shader& shader);

}  // namespace qv3rn
