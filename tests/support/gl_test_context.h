// gl_test_context.h -- a fixture that gives each rendering test a real headless OpenGL context.
#pragma once

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <memory>

#include "platform/headless_context.h"

namespace qv3rn::test {

// The first value of an integer OpenGL state, and the viewport.
inline GLint glInteger(GLenum name) {
    GLint value[4] = {};
    glGetIntegerv(name, value);
    return value[0];
}
inline std::array<GLint, 4> glViewportBox() {
    std::array<GLint, 4> box{};
    glGetIntegerv(GL_VIEWPORT, box.data());
    return box;
}

// Tests derived from this fixture run with a current 64 × 64 compatibility context (Mesa llvmpipe).
class GLTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // RGBA of the framebuffer pixel at (x, y), y counted from the bottom as OpenGL does.
    std::array<std::uint8_t, 4> pixel(int x, int y) const;

    std::unique_ptr<platform::HeadlessContext> context;
    static constexpr int width = 64;
    static constexpr int height = 64;
};

}  // namespace qv3rn::test
