// shader_test_support.h -- what the shader tests share: a GL fixture, scripts from text, GL state checks, a camera.
#pragma once

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "data/script_error.h"
#include "gl/extensions.h"
#include "shader/camera_mgr.h"
#include "shader/image_registry.h"
#include "shader/render_state.h"
#include "shader/shader.h"
#include "shader/shader_manager.h"
#include "shader/shader_script_loader.h"
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

// Parses `text` as a shader script into `manager`.
inline bool parseScript(ShaderManager& manager, const std::string& text) {
    ShaderScriptLoader loader(manager);
    std::istringstream stream(text);
    return loader.parse(stream);
}

// How parsing `script` into `manager` ends: "<line>: <message>" for a script error, or "no error".
inline std::string scriptError(ShaderManager& manager, const std::string& script) {
    try {
        parseScript(manager, script);
    } catch (const ScriptError& error) {
        EXPECT_EQ(error.file(), "<stream>");  // a script read from a stream names no file
        return std::to_string(error.line()) + ": " + error.what();
    }
    return "no error";
}
inline std::string scriptError(const std::string& script) {
    ShaderManager local;
    return scriptError(local, script);
}

// Sets the demo time that animated states (material transparency, texture matrices) read: the frame time of the
// current shader manager.
inline void setDemoTime(float seconds) {
    if (ShaderManager* manager = ShaderManager::instance()) manager->setFrameTime(seconds);
}

// Where a value of the OpenGL state is read from: glGet, the front material, the bound 2D texture's parameters,
// the texture environment, a coordinate's generation, or the width of the bound 2D texture's level `name`.
enum class From { Get, Material, TexParameter, TexEnv, GenS, GenT, GenR, GenQ, LevelWidth };

struct GLCheck {
    GLenum name;
    std::vector<double> expected;
    From from = From::Get;
};

inline std::vector<double> readGL(const GLCheck& check) {
    std::array<GLfloat, 16> f{};
    std::array<GLdouble, 16> d{};
    const GLenum genCoordinates[] = {GL_S, GL_T, GL_R, GL_Q};
    switch (check.from) {
        case From::Get:
            glGetDoublev(check.name, d.data());
            break;
        case From::Material:
            glGetMaterialfv(GL_FRONT, check.name, f.data());
            break;
        case From::TexParameter:
            glGetTexParameterfv(GL_TEXTURE_2D, check.name, f.data());
            break;
        case From::TexEnv:
            glGetTexEnvfv(GL_TEXTURE_ENV, check.name, f.data());
            break;
        case From::LevelWidth: {
            GLint width = 0;
            glGetTexLevelParameteriv(GL_TEXTURE_2D, static_cast<GLint>(check.name), GL_TEXTURE_WIDTH, &width);
            f[0] = static_cast<GLfloat>(width);
            break;
        }
        default:
            glGetTexGenfv(genCoordinates[static_cast<int>(check.from) - static_cast<int>(From::GenS)], check.name,
                          f.data());
    }
    std::vector<double> values(check.expected.size());
    for (std::size_t i = 0; i < values.size(); ++i) values[i] = check.from == From::Get ? d[i] : f[i];
    return values;
}

inline void expectGL(const std::vector<GLCheck>& checks, const std::string& what) {
    for (const GLCheck& check : checks) {
        const std::vector<double> actual = readGL(check);
        for (std::size_t i = 0; i < actual.size(); ++i)
            EXPECT_NEAR(actual[i], check.expected[i], 1e-5)
                << what << ": 0x" << std::hex << check.name << std::dec << " [" << i << "]";
    }
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)) << what;
}

// A real context with every extension the driver offers loaded, the locks off, and an image registry and a
// shader manager of the test's own (shaders go first: their texture units hold images). A test that leaves an
// OpenGL error behind fails.
class ShaderGLTest : public GLTest {
protected:
    void SetUp() override {
        GLTest::SetUp();
        reportExtensions(*context);
        RenderStateLocks::reset();
    }
    void TearDown() override {
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
        manager.clear();
        images.clear();
        RenderStateLocks::reset();
        resetExtensions();
        GLTest::TearDown();
    }

    ImageRegistry images;
    ShaderManager manager;
};

// A camera with fixed matrices that says when it is resized.
class TestCamera : public Camera {
public:
    explicit TestCamera(std::string name) : name_(std::move(name)) {}
    const std::string& name() const override { return name_; }
    void resize(int w, int h) override { width = w, height = h, ++resizes; }
    std::array<float, 16> projectionMatrix() const override { return projection; }
    std::array<float, 16> viewMatrix() const override { return view; }

    std::array<float, 16> projection{}, view{};
    int width = -1, height = -1, resizes = 0;

private:
    std::string name_;
};

}  // namespace qv3rn::test
