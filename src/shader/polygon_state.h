// polygon_state.h -- the polygon-mode state ("Polygon {" block) and the logic-op state ("LogicOp {" block).
#pragma once

#include <GL/gl.h>

#include <istream>

#include "shader/render_state.h"

namespace qv3rn {

class Shader;
class ShaderScriptLoader;

// Draws faces as points, lines or filled; has no lock switch.
class PolygonState : public RenderState {
public:
    PolygonState() : RenderState(RenderStateKind::Polygon) {}
    void apply() override;
    void restore() override;
    void write(std::ostream& out) const override;

    bool enabled = false;
    GLenum mode = GL_FILL;
    GLenum face = GL_FRONT_AND_BACK;
};

class LogicOpState : public RenderState {
public:
    LogicOpState() : RenderState(RenderStateKind::LogicOp) {}
    void apply() override;
    void restore() override;
    void write(std::ostream& out) const override;

    bool enabled = false;
    GLenum op = GL_COPY;
};

bool readPolygonBlock(ShaderScriptLoader& loader, std::istream& stream, Shader& shader);
bool readLogicOpBlock(ShaderScriptLoader& loader, std::istream& stream, Shader& shader);

}  // namespace qv3rn
