// invert_effect.h -- a rectangle that inverts the picture under it by an amount, with its loader.
#pragma once

#include <memory>
#include <string>

#include "effects/effect.h"
#include "effects/effect_loader.h"

namespace qv3rn {

// Draws the rectangle (x, y, width, height) of the 640 x 480 screen in colour (alpha, alpha, alpha, alpha).
// Its draw mode starts as INVERT, which turns each colour c under the rectangle into c + alpha (1 - 2c): fully
// inverted at alpha 1, untouched at 0. Another DrawMode line makes it an ordinary grey rectangle.
class InvertEffect : public Effect {
public:
    InvertEffect();

    bool release() override;
    void update(float time) override;  // alpha = the alpha track at time, or 1
    void render() override;

    float x = 0.0f, y = 0.0f;
    float width = 640.0f, height = 480.0f;
    float alpha = 1.0f;
    std::unique_ptr<Envelope> alphaTrack;
};

// "Invert" blocks: "Rect " (x y width height) and "Alpha {" after the common keywords; any other line is not
// taken (the script load fails without a message).
class InvertEffectLoader : public EffectLoaderOf<InvertEffect> {
public:
    InvertEffectLoader();
};

}  // namespace qv3rn
