// dissolve_brush.h -- an image revealed through the grey levels of a brush image by alpha test, with its loader.
#pragma once

#include <memory>

#include "anim/envelope.h"
#include "effects/brush_common.h"
#include "effects/effect.h"
#include "effects/effect_loader.h"

namespace qv3rn {

// The brush is bound on unit 0 and the image on unit 1 and one quad covers the virtual screen with the same
// coordinates on both; no blending: a fragment shows where its alpha, as the two texture stages produce it, is
// at most dissolve. Raising dissolve from 0 to 1 reveals the picture in the order of the brush's levels.
class DissolveBrush : public Effect {
public:
    static constexpr const char* logName = "DissolveBrush";  // in the log lines of its fields

    DissolveBrush();
    ~DissolveBrush() override = default;

    bool release() override;  // the images and the envelope, then the base release
    // time = the demo time; dissolve = the dissolve track's value, or time / (end - start) without one.
    void update(float time) override;
    // Draws nothing without an image; without a brush the image's own alpha is tested.
    void render() override;

    float time = 0.0f;
    float dissolve = 0.0f;
    EffectImage brush;
    EffectImage image;
    std::unique_ptr<Envelope> dissolveTrack;
};

// "DissolveBrush" blocks. After the common keywords, in this order: "Brush ", "Image ", "Dissolve {". Any other
// line raises "DissolveBrushLoader unknown token" followed by the line.
class DissolveBrushLoader : public EffectLoaderOf<DissolveBrush> {
public:
    DissolveBrushLoader();
};

}  // namespace qv3rn
