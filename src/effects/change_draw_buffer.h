// change_draw_buffer.h -- the effect that redirects drawing into a named render target or back to the screen and
// clears the chosen buffers, with its loader.
#pragma once

#include <GL/gl.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "effects/effect.h"
#include "effects/effect_loader.h"

namespace qv3rn {

class RenderTarget;

// Effects are drawn in layer order, so a script brackets a group of effects with two of these: one to a target
// on a low layer, one back to "Screen" above them. The redirection stays in force for every effect drawn after
// it, in this frame and the next ones, until another ChangeDrawBuffer changes it: the target drawing goes into
// is kept in one process-wide slot.
class ChangeDrawBuffer : public Effect {
public:
    ChangeDrawBuffer();
    ~ChangeDrawBuffer() override = default;

    // Finds the target by name in the effect manager ("Screen" needs none); true when found or "Screen".
    bool init() override;
    bool release() override;  // forgets the target, then the base release
    void update(float) override {}
    // With a target: ends the current one (if any), begins this one with its size, sets the viewport to it and
    // gives the camera manager its width and height (the height following the output's aspect with
    // cameraAspect). Without one: ends the current target (or sets the viewport to the output) and gives the
    // camera manager the output size. Then clears the buffers of the clear mask with the clear values.
    void render() override;

    // The target drawing is redirected to now, or null (the screen).
    static RenderTarget* currentTarget();
    // Ends the current target, if any, returning drawing to the screen with the effect manager's output size;
    // the demo calls this before its targets go.
    static void endCurrentTarget();

    RenderTarget* target() const { return target_; }

    bool cameraAspect = false;
    std::array<float, 4> clearColor{0.0f, 0.0f, 0.0f, 1.0f};
    float clearDepth = 1.0f;
    std::int32_t clearStencil = 0;
    std::array<float, 4> clearAccum{0.0f, 0.0f, 0.0f, 0.0f};
    GLbitfield clearMask = 0;
    std::string targetName = "Screen";

private:
    RenderTarget* target_ = nullptr;
};

// "ChangeDrawBuffer" blocks. After the common keywords, in this order: "RenderTarget " (quoted name),
// "CameraAspect " (on when the line contains "yes"), "Color ", "Accum ", "Depth ", "Stencil ", "Clear " (the
// union of "COLOR_BUFFER", "DEPTH_BUFFER", "STENCIL_BUFFER", "ACCUM_BUFFER" found in the line). Any other line
// raises "ChangeDrawBufferLoader unknown token:" followed by the line.
class ChangeDrawBufferLoader : public EffectLoaderOf<ChangeDrawBuffer> {
public:
    ChangeDrawBufferLoader();
};

}  // namespace qv3rn
