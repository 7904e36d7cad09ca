// frame_renderer.h -- playing the timeline without a window: demo time in fixed steps as a real run sees it,
// frames drawn into the current context and read back, and frames written as PNG files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qv3rn {

class EffectManager;

// The OpenGL state the player sets before it loads anything (the application shell's default state).
void applyPlayerGLState();

// Drives an effect manager whose script is loaded and whose effects are initialised. The current context's
// default framebuffer must be width x height; the manager is given that size and viewport, as the player's
// resize does.
class FrameRenderer {
public:
    static constexpr float defaultStepsPerSecond = 60.0f;

    FrameRenderer(EffectManager& manager, int width, int height, float stepsPerSecond = defaultStepsPerSecond);

    // Moves the timeline forward to `time`: one update at every step time k / stepsPerSecond (k = 0, 1, ...)
    // that lies before `time` and was not run yet, then one at `time` itself, so that every effect sees the
    // times in between as in a real run. Each update first sets the image registry's time, as the demo does. Going back is refused (false); asking for the time of the last update
    // again runs nothing.
    bool advanceTo(float time);

    // Clears colour, depth and stencil with the player's clear values, draws the timeline's visible effects and
    // reads the frame back: width x height RGBA pixels, top row first, opaque as the screen shows them.
    std::vector<std::uint8_t> renderFrame();

    // advanceTo(time), renderFrame() and writes a PNG file; false with `error` set when a step fails.
    bool renderToPng(float time, const std::string& path, std::string& error);

    // The time of the last update (negative before the first one).
    float time() const { return lastTime_; }
    int width() const { return width_; }
    int height() const { return height_; }

private:
    void step(float time);

    EffectManager& manager_;
    int width_;
    int height_;
    double stepsPerSecond_;
    long long nextStep_ = 0;
    float lastTime_ = -1.0f;
    bool updated_ = false;
};

}  // namespace qv3rn
