// shader.cpp -- switching a shader's render states on and off around drawing.
#include "shader/shader.h"

#include <GL/gl.h>

namespace qv3rn {

Shader::~Shader() = default;

void Shader::begin() {
    if (!lighting_) {
        glPushAttrib(GL_LIGHTING_BIT);
        glDisable(GL_LIGHTING);
    }
    for (const auto& state : states_) state->apply();
}

void Shader::end() {
    for (const auto& state : states_) state->restore();
    if (!lighting_) glPopAttrib();
}

void Shader::addState(std::unique_ptr<RenderState> state) {
    if (state) states_.push_back(std::move(state));
}

}  // namespace qv3rn
