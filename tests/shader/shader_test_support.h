// shader_test_support.h -- what the shader tests share: a GL fixture with the extensions loaded and its own
// shader manager.
#pragma once

#include <GL/gl.h>

#include <array>
#include <stdexcept>
#include <string>

#include "gl/extensions.h"
#include "shader/render_state.h"
#include "shader/shader.h"
#include "shader/shader_manager.h"
#include "support/gl_test_context.h"

namespace qv3rn::test {

// The only state of a shader that was read from a one-shader script, as its concrete class.
template <typename State>
State& onlyState(ShaderManager& manager, std::size_t shaderIndex = 0, std::size_t stateIndex = 0) {
    Shader& shader = *manager.shaders().at(shaderIndex);
    auto* state = dynamic_cast<State*>(shader.states().at(stateIndex).get());
    if (!state) throw std::logic_error("unexpected state class");
    return *state;
}

// A real context with every extension the driver offers loaded, the locks off, and a shader manager of the
// test's own (cleared while the context still exists).
class ShaderGLTest : public GLTest {
protected:
    void SetUp() override {
        GLTest::SetUp();
        reportExtensions(*context);
        RenderStateLocks::reset();
    }
    void TearDown() override {
        manager.clear();
        RenderStateLocks::reset();
        resetExtensions();
        GLTest::TearDown();
    }

    static GLint integer(GLenum name) {
        GLint value = 0;
        glGetIntegerv(name, &value);
        return value;
    }
    static std::array<float, 4> floats(GLenum name) {
        std::array<float, 4> value{};
        glGetFloatv(name, value.data());
        return value;
    }

    ShaderManager manager;
};

}  // namespace qv3rn::test
