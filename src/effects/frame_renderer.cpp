// frame_renderer.cpp -- stepping the timeline in fixed demo-time steps, reading frames back and writing PNGs.
#include "effects/frame_renderer.h"

#include <GL/gl.h>

#include <cmath>
#include <cstring>  // Required for: memcpy
#include <cstdio>
#include <memory>

#include "app/application.h"
#include "effects/effect_manager.h"
#include "image/png_writer.h"
#include "shader/image_registry.h"

namespace qv3rn {

namespace {

// Only the shell's default-state step of an application: the player's state without a window.
class PlayerState final : public Application {
public:
    void apply() { setDefaultGLState(); }

private:
    bool initialize() override { return true; }
    void shutdown() override {}
    void render() override {}
    void update(float) override {}
    void resize(int, int) override {}
};

}  // namespace

void applyPlayerGLState() { PlayerState().apply(); }

FrameRenderer::FrameRenderer(EffectManager& manager, int width, int height, float stepsPerSecond)
    : manager_(manager),
      width_(width),
      height_(height),
      stepsPerSecond_(stepsPerSecond > 0.0f && std::isfinite(stepsPerSecond) ? stepsPerSecond : defaultStepsPerSecond) {
    manager_.setSize(width, height);
    manager_.setViewport(0, 0, width, height);
}

bool FrameRenderer::advanceTo(float time) {
    if (!std::isfinite(time) || time < 0.0f || (updated_ && time < lastTime_)) return false;
    if (updated_ && time == lastTime_) return true;
    for (;;) {
        const float stepTime = static_cast<float>(static_cast<double>(nextStep_) / stepsPerSecond_);
        if (stepTime >= time) break;
        ++nextStep_;
        if (updated_ && stepTime <= lastTime_) continue;  // already run, or passed by an earlier request
        step(stepTime);
    }
    step(time);
    lastTime_ = time;
    updated_ = true;
    return true;
}

// One frame's update as the demo makes it: the image registry's time first (animated render states read it),
// then the timeline.
void FrameRenderer::step(float time) {
    ImageRegistry::instance().setTime(time);
    manager_.update(time);
}

std::vector<std::uint8_t> FrameRenderer::renderFrame() {
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClearDepth(1.0);
    glClearStencil(0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    manager_.render();
    glFinish();

    const std::size_t row = static_cast<std::size_t>(width_) * 4;
    std::vector<std::uint8_t> bottomUp(row * static_cast<std::size_t>(height_));
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width_, height_, GL_RGBA, GL_UNSIGNED_BYTE, bottomUp.data());
    std::vector<std::uint8_t> topDown(bottomUp.size());
    for (int y = 0; y < height_; ++y)
        std::memcpy(&topDown[static_cast<std::size_t>(y) * row],
                    &bottomUp[static_cast<std::size_t>(height_ - 1 - y) * row], row);
    // The screen shows colour only; destination alpha is the effects' working store (brush strokes), not
    // transparency, so the frame is opaque.
    for (std::size_t alpha = 3; alpha < topDown.size(); alpha += 4) topDown[alpha] = 255;
    return topDown;
}

bool FrameRenderer::renderToPng(float time, const std::string& path, std::string& error) {
    if (!advanceTo(time)) {
        error = "the time " + std::to_string(time) + " lies before the last frame or is no valid time";
        return false;
    }
    return writePngFile(path, width_, height_, 4, renderFrame(), error);
}

}  // namespace qv3rn
