// gl_test_context.cpp -- creates and tears down the per-test headless context.
#include "support/gl_test_context.h"

#include <GL/gl.h>

#include <string>

namespace qv3rn::test {

void GLTest::SetUp() {
    std::string error;
    context = platform::HeadlessContext::create(width, height, {}, &error);
    ASSERT_NE(context, nullptr) << error;
    platform::installWindowSystem(context->windowSystemHooks());
    glViewport(0, 0, width, height);
}

void GLTest::TearDown() {
    platform::installWindowSystem({});
    context.reset();
}

std::array<std::uint8_t, 4> GLTest::pixel(int x, int y) const {
    std::array<std::uint8_t, 4> rgba{};
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    return rgba;
}

}  // namespace qv3rn::test
