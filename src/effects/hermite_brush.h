// hermite_brush.h -- a brush stroke painted along a Hermite spline through timed points, then an image over the
// screen, with its loader.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "anim/envelope.h"
#include "effects/brush_common.h"
#include "effects/effect.h"
#include "effects/effect_loader.h"

namespace qv3rn {

// A point of the spline: where the stroke is (virtual screen units) how many seconds after the effect's start.
struct HermitePoint {
    float x = 0.0f;
    float y = 0.0f;
    float tangentX = 0.0f;  // computed by HermiteBrush::init
    float tangentY = 0.0f;
    float time = 0.0f;
};

// The stroke is painted like SplineBrush's, into destination alpha only, but blended with the effect's own
// mode and coloured with its colour: every point whose time the stroke has reached draws its segment to the
// next point as numSegDivs stamps at s = 0, 1/n, ..., (n - 1)/n of the Hermite curve, stopping early once the
// running stroke time reaches the local time; the last point stamps n times about itself.
class HermiteBrush : public Effect {
public:
    static constexpr const char* logName = "HermiteBrush";  // in the log lines of its fields

    static constexpr std::int32_t maxSegDivs = 10000;
    // A stroke never holds more stamps than this in one frame.
    static constexpr std::size_t maxStamps = 1u << 16;

    HermiteBrush();
    ~HermiteBrush() override = default;

    // Computes every point's tangent: ((P - prev) + (next - P)) * k with k = (1 - tension - bias) * 0.5, a
    // missing neighbour counting as the point itself.
    bool init() override;
    bool release() override;  // the images, the points and the envelope, then the base release
    // time = t - start (the local time); dissolve = the dissolve track's value at t, or 1 without one.
    void update(float time) override;
    void render() override;

    // Adds a point, keeping the list in time order: a point later than every other is appended; one that is
    // not goes after the points whose time is not greater than its own (one without a time goes last).
    void addPoint(float time, float x, float y);
    const std::vector<HermitePoint>& points() const { return points_; }
    std::int32_t pointCount() const { return static_cast<std::int32_t>(points_.size()); }

    // The centres of this frame's stamps, in drawing order.
    std::vector<BrushStamp> strokeStamps() const;
    float strokeAlpha() const { return intervalFraction(time, *this) * dissolve; }

    std::int32_t numSegDivs = 20;
    float tension = 1.0f;
    float bias = 1.0f;
    float time = 0.0f;
    EffectImage brush;
    float brushSize = 128.0f;
    EffectImage image;
    std::unique_ptr<Envelope> dissolveTrack;
    std::array<float, 4> color{1.0f, 1.0f, 1.0f, 1.0f};
    float dissolve = 0.0f;

private:
    void collectStamps(std::vector<BrushStamp>& stamps) const;

    std::vector<HermitePoint> points_;
    std::vector<BrushStamp> stamps_;  // reused by every frame's render
    BrushStampBatch stampBatch_;
};

// "HermiteBrush" blocks. After the common keywords, in this order: "Brush ", "Image ", "Tension ", "Bias ",
// "Color ", "NumSegDivs ", "BrushSize ", "Spline {" (a point block), "Dissolve {". Any other line raises
// "HermiteBrushLoader unknown token:" followed by the line.
//
// The point block runs to a line containing "}" (or the end of the script); each "Point " line holds the time,
// x and y, in that order; any other line raises "HermiteBrushLoader unknown spline token:" followed by the line.
// NumSegDivs outside 1 .. 10000 raises "HermiteBrushLoader NumSegDivs out of range:" followed by the line.
class HermiteBrushLoader : public EffectLoaderOf<HermiteBrush> {
public:
    HermiteBrushLoader();
};

}  // namespace qv3rn
