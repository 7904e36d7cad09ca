// scene_bench.h -- what the scene benchmarks share: a software context in the engine's default state, a
// keyframer that puts a node at a point, and the loop that draws a loaded scene through its camera.
#pragma once

#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <memory>
#include <sstream>
#include <string>

#include "gl/default_gl_state.h"
#include "gl/extensions.h"
#include "platform/headless_context.h"
#include "scene/camera_node.h"
#include "scene/scene_loader.h"
#include "shader/camera_mgr.h"

namespace qv3rn::bench {

// A headless context of width x height with the extension report run and the engine's default state; null, with
// the benchmark skipped, when none can be made.
inline std::unique_ptr<platform::HeadlessContext> openSceneContext(benchmark::State& state, int width, int height) {
    auto context = platform::HeadlessContext::create(width, height);
    if (!context) {
        state.SkipWithError("no headless OpenGL context");
        return nullptr;
    }
    reportExtensions(*context);
    applyDefaultGLState();
    glViewport(0, 0, width, height);
    return context;
}

// A "KeyframerLW {" block holding a node at (x, y, z).
inline std::string keyframerAt(float x, float y, float z) {
    std::ostringstream text;
    text << "KeyframerLW {\nNumChannels 9\n";
    const float values[3] = {x, y, z};
    for (int channel = 0; channel < 3; ++channel)
        text << "Channel " << channel << "\n{ Envelope\n1\nKey " << values[channel]
             << " 0 3 0 0 0 0 0 0 0\nBehaviors 1 1\n}\n";
    return text.str() + "}\n";
}

// Loads `script` (its camera registers with `cameras`), updates it at time 0 and times one frame per iteration:
// clear, draw what the camera sees, wait for the renderer.
inline void timeSceneFrames(benchmark::State& state, const std::string& script, CameraMgr& cameras, int width,
                            int height) {
    SceneLoader loader;
    std::istringstream stream(script);
    auto root = loader.parse(stream, "bench.scene");
    root->update(0.0f);
    const auto* camera = static_cast<const SceneCamera*>(cameras.currentCamera());
    cameras.setSize(width, height);
    for (auto _ : state) {
        camera->apply();
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
        root->renderVisible(camera->frustum());
        glFinish();
    }
}

}  // namespace qv3rn::bench
