// frame_renderer.cpp -- drawing the timeline's frames, reading them back and writing them as PNG files.
#include "effects/frame_renderer.h"

#include <GL/gl.h>

#include <cstring>

#include "effects/effect_manager.h"
#include "image/png_writer.h"

namespace qv3rn {

FrameRenderer::FrameRenderer(EffectManager& manager, int width, int height)
    : manager_(manager), width_(width), height_(height) {
    manager_.setSize(width, height);
    manager_.setViewport(0, 0, width, height);
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

bool FrameRenderer::renderToPng(const std::string& path, std::string& error) {
    return writePngFile(path, width_, height_, 4, renderFrame(), error);
}

}  // namespace qv3rn
