// frame_renderer.h -- drawing the timeline without a window: frames drawn into the current context and read back,
// and frames written as PNG files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qv3rn {

class EffectManager;

// Draws the frames of an effect manager whose script is loaded and whose effects are initialised (the show is
// moved by advanceShow or a FixedStepClock). The current context's default framebuffer must be width x height;
// the manager is given that size and viewport, as the player's resize does.
class FrameRenderer {
public:
    FrameRenderer(EffectManager& manager, int width, int height);

    // Clears colour, depth and stencil with the player's clear values, draws the timeline's visible effects and
    // reads the frame back: width x height RGBA pixels, top row first, opaque as the screen shows them.
    std::vector<std::uint8_t> renderFrame();

    // renderFrame() written as a PNG file; false with `error` set when that fails.
    bool renderToPng(const std::string& path, std::string& error);

    int width() const { return width_; }
    int height() const { return height_; }

private:
    EffectManager& manager_;
    int width_;
    int height_;
};

}  // namespace qv3rn
