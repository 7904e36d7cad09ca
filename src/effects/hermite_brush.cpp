// hermite_brush.cpp -- the brush stroke along a Hermite spline through the script's points, the image over it,
// and the block's keywords with its point block.
#include "effects/hermite_brush.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>

#include "effects/blend.h"
#include "effects/effect_loaders.h"
#include "effects/effect_rows.h"
#include "effects/overlay_frame.h"

namespace qv3rn {

HermiteBrush::HermiteBrush() : Effect(EffectKind::HermiteBrush) { setName("HermiteBrush"); }

void HermiteBrush::addPoint(float pointTime, float x, float y) {
    HermitePoint point;
    point.x = x;
    point.y = y;
    point.time = pointTime;
    if (std::isnan(pointTime)) {
        points_.push_back(point);  // never reached by the stroke
        return;
    }
    const auto place = std::find_if(points_.begin(), points_.end(),
                                    [pointTime](const HermitePoint& other) { return pointTime < other.time; });
    points_.insert(place, point);
}

bool HermiteBrush::init() {
    if (!Effect::init()) return false;
    const float k = (1.0f - tension - bias) * 0.5f;
    for (std::size_t i = 0; i < points_.size(); ++i) {
        HermitePoint& point = points_[i];
        const HermitePoint& prev = i > 0 ? points_[i - 1] : point;
        const HermitePoint& next = i + 1 < points_.size() ? points_[i + 1] : point;
        point.tangentX = ((point.x - prev.x) + (next.x - point.x)) * k;
        point.tangentY = ((point.y - prev.y) + (next.y - point.y)) * k;
    }
    return true;
}

bool HermiteBrush::release() {
    brush.release();
    image.release();
    points_.clear();
    dissolveTrack.reset();
    return Effect::release();
}

void HermiteBrush::update(float demoTime) {
    time = demoTime - start();
    dissolve = dissolveTrack ? dissolveTrack->evaluate(demoTime) : 1.0f;
}

void HermiteBrush::collectStamps(std::vector<BrushStamp>& stamps) const {
    stamps.clear();
    if (points_.empty()) return;
    const int n = std::clamp(numSegDivs, 1, maxSegDivs);
    float strokeTime = points_.front().time;
    for (std::size_t i = 0; i < points_.size() && points_[i].time <= time; ++i) {
        const HermitePoint& p0 = points_[i];
        const HermitePoint& p1 = i + 1 < points_.size() ? points_[i + 1] : p0;
        const float timeStep = (p1.time - p0.time) / static_cast<float>(n);
        // The step is counted, not summed: n additions of 1/n can fall short of 1 and stamp once more.
        for (int step = 0; step < n; ++step) {
            const float s = static_cast<float>(step) / static_cast<float>(n);
            const float s2 = s * s, s3 = s2 * s;
            const float h1 = 2.0f * s3 - 3.0f * s2 + 1.0f;
            const float h2 = 3.0f * s2 - 2.0f * s3;
            const float h3 = s3 - 2.0f * s2 + s;
            const float h4 = s3 - s2;
            if (stamps.size() == maxStamps) return;
            stamps.push_back({h1 * p0.x + h2 * p1.x + h3 * p0.tangentX + h4 * p1.tangentX,
                              h1 * p0.y + h2 * p1.y + h3 * p0.tangentY + h4 * p1.tangentY});
            strokeTime += timeStep;
            if (strokeTime >= time) break;
        }
    }
}

std::vector<BrushStamp> HermiteBrush::strokeStamps() const {
    std::vector<BrushStamp> stamps;
    collectStamps(stamps);
    return stamps;
}

void HermiteBrush::render() {
    OverlayFrame frame(virtualScreenSymmetricDepth);
    glDepthMask(GL_FALSE);

    // The stroke, blended with the effect's own mode into destination alpha only.
    beginStroke();
    const bool brushBound = brush.bind(GL_TEXTURE0);
    beginBlend(drawMode());
    collectStamps(stamps_);
    if (drawMode() == DrawModeAdditive) dropSaturatedRepeats(stamps_);
    const float h = brushSize * 0.5f;
    glColor4f(color[0], color[1], color[2], strokeAlpha());
    stampBatch_.draw(stamps_, h);
    if (brushBound) brush.unbind(GL_TEXTURE0);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);

    // The image, through the stroke.
    drawImageThroughStroke(image, drawMode(), color.data());
    glDepthMask(GL_TRUE);
}

namespace {

// The point block after "Spline {": a line with "}" closes it before "Point " is tried.
const KeywordTable<HermiteBrush> splineRows = {
    closing<HermiteBrush>(),
    {"Point ",
     [](HermiteBrush& brush, BlockLine& l) {
         float point[3] = {0.0f, 0.0f, 0.0f};  // time x y
         scanFloats(l.text, point, 3);
         brush.addPoint(point[0], point[1], point[2]);
     }},
};

KeywordTable<HermiteBrush> hermiteGrammar() {
    return effectGrammar<HermiteBrush>({
        image("Brush ", &HermiteBrush::brush),
        image("Image ", &HermiteBrush::image),
        floats("Tension ", &HermiteBrush::tension),
        floats("Bias ", &HermiteBrush::bias),
        floats("Color ", &HermiteBrush::color),
        integerIn("NumSegDivs ", &HermiteBrush::numSegDivs, 1, HermiteBrush::maxSegDivs,
                  "HermiteBrushLoader NumSegDivs out of range:"),
        floats("BrushSize ", &HermiteBrush::brushSize),
        nested("Spline {", splineRows, UnknownLine::raiseWithLine("HermiteBrushLoader unknown spline token:")),
        track("Dissolve {", &HermiteBrush::dissolveTrack, "dissolve"),
    });
}

}  // namespace

HermiteBrushLoader::HermiteBrushLoader()
    : EffectLoaderOf("HermiteBrush", hermiteGrammar(), UnknownLine::raiseWithLine("HermiteBrushLoader unknown token:")) {}

std::unique_ptr<EffectLoader> makeHermiteBrushLoader() { return std::make_unique<HermiteBrushLoader>(); }

}  // namespace qv3rn
