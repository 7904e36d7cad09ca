// change_viewport.h -- the effect that sets the viewport in the virtual 640 x 480 units of the effect script,
// with its loader.
#pragma once

#include <cstdint>
#include <memory>

#include "effects/effect.h"
#include "effects/effect_loader.h"

namespace qv3rn {

// The viewport is given on the virtual screen and scaled to the effect manager's output size when drawn:
// 320 240 320 240 on a 1024 x 768 output is (512, 384, 512, 384).
class ChangeViewport : public Effect {
public:
    ChangeViewport() : Effect(EffectKind::ChangeViewport) {}
    ~ChangeViewport() override = default;

    void update(float) override {}
    // The effect manager's setViewport with the scaled rectangle (which also informs the camera manager).
    void render() override;

    // The rectangle scaled to an output of width x height pixels: each value times width / 640 or
    // height / 480 (in single precision), truncated.
    struct Pixels {
        int x, y, width, height;
    };
    Pixels scaledTo(int outputWidth, int outputHeight) const;

    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t width = 640;
    std::int32_t height = 480;
};

// "ChangeViewport" blocks. After the common keywords: "Viewport " (x, y, width, height). Any other line raises
// "ChangeViewportLoader unknown token: " followed by the line.
class ChangeViewportLoader : public EffectLoaderOf<ChangeViewport> {
public:
    ChangeViewportLoader();
};

}  // namespace qv3rn
