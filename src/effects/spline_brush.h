// spline_brush.h -- a brush stroke painted along a path of two envelopes, then an image over the screen, with
// its loader.
#pragma once

#include <array>
#include <memory>
#include <vector>

#include "anim/envelope.h"
#include "effects/brush_common.h"
#include "effects/effect.h"
#include "effects/effect_loader.h"

namespace qv3rn {

// The stroke is painted into destination alpha only: the screen's alpha is cleared, and one brush quad is
// stamped at (pathX(s), pathY(s)) for s = start + pathIncrTime, start + 2 pathIncrTime, ... up to the first
// step at or after the demo time (start being the earlier of the two paths' start times), with the alpha
// time / (end - start) * dissolve. The image is then drawn over the whole screen with the effect's blend mode
// and colour. Everything is drawn on the virtual 640 x 480 screen.
class SplineBrush : public Effect {
public:
    static constexpr const char* logName = "SplineBrush";  // in the log lines of its fields

    // A stroke never holds more stamps than this in one frame (a tiny increment against a late time would
    // otherwise stall the frame).
    static constexpr std::size_t maxStamps = 1u << 16;

    SplineBrush();
    ~SplineBrush() override = default;

    bool release() override;  // the images and the envelopes, then the base release
    // time = the demo time; dissolve = the dissolve track's value, or 1 without one; brushSize = the brush
    // size track's value when there is one.
    void update(float time) override;
    void render() override;

    // The centres of this frame's stamps, in drawing order; none without both path envelopes.
    std::vector<BrushStamp> strokeStamps() const;
    // The alpha the stroke is painted with.
    float strokeAlpha() const { return intervalFraction(time, *this) * dissolve; }

    float pathIncrTime = 0.1f;
    float time = 0.0f;
    std::array<float, 4> color{1.0f, 1.0f, 1.0f, 1.0f};
    EffectImage brush;
    std::unique_ptr<Envelope> brushSizeTrack;
    float brushSize = 32.0f;
    EffectImage image;
    std::unique_ptr<Envelope> pathX;
    std::unique_ptr<Envelope> pathY;
    std::unique_ptr<Envelope> dissolveTrack;
    float dissolve = 0.0f;

private:
    std::vector<BrushStamp> stamps_;  // reused by every frame's render
    BrushStampBatch stampBatch_;
    void collectStamps(std::vector<BrushStamp>& stamps) const;
};

// "SplineBrush" blocks. After the common keywords, in this order: "Brush ", "Image ", "PathIncrTime ",
// "BrushSize {", "BrushSize ", "PathX {", "PathY {", "Dissolve {". Any other line raises
// "SplineBrushLoader unknown token:" followed by the line. An increment that is not above 0 raises
// "SplineBrushLoader PathIncrTime must be above 0:" followed by the line.
class SplineBrushLoader : public EffectLoaderOf<SplineBrush> {
public:
    SplineBrushLoader();
};

}  // namespace qv3rn
