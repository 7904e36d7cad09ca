// flash_effect.h -- a full-screen rectangle of one colour whose alpha an envelope drives, with its loader.
#pragma once

#include <array>
#include <memory>
#include <string>

#include "effects/effect.h"
#include "effects/effect_loader.h"

namespace qv3rn {

// Covers the whole 640 x 480 screen with `color`, blended with the draw mode. The alpha comes from the Alpha
// track alone: without one it is 0 and the flash never shows.
class FlashEffect : public Effect {
public:
    FlashEffect() : Effect(EffectKind::Flash) {}

    bool release() override;
    void update(float time) override;  // color[3] = the alpha track at time, or 0
    void render() override;            // nothing while color[3] is 0

    std::array<float, 4> color{1.0f, 1.0f, 1.0f, 1.0f};
    std::unique_ptr<Envelope> alphaTrack;
};

// "Flash" blocks: "Color " (r g b a) and "Alpha {" after the common keywords; any other line raises
// "FlashEffect unknown token " followed by the line.
class FlashEffectLoader : public EffectLoaderOf<FlashEffect> {
public:
    FlashEffectLoader();
};

}  // namespace qv3rn
