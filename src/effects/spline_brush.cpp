// spline_brush.cpp -- the brush stroke along two path envelopes, the image over it, and the block's keywords.
#include "effects/spline_brush.h"

#include <GL/gl.h>

#include <algorithm>
#include <stdexcept>

#include "effects/blend.h"
#include "effects/effect_loaders.h"
#include "effects/effect_rows.h"
#include "effects/overlay_frame.h"

namespace qv3rn {

SplineBrush::SplineBrush() : Effect(EffectKind::SplineBrush) { setName("SplineBrush"); }

bool SplineBrush::release() {
    brush.release();
    image.release();
    brushSizeTrack.reset();
    pathX.reset();
    pathY.reset();
    dissolveTrack.reset();
    return Effect::release();
}

void SplineBrush::update(float demoTime) {
    time = demoTime;
    dissolve = dissolveTrack ? dissolveTrack->evaluate(demoTime) : 1.0f;
    if (brushSizeTrack) brushSize = brushSizeTrack->evaluate(demoTime);
}

void SplineBrush::collectStamps(std::vector<BrushStamp>& stamps) const {
    stamps.clear();
    if (!pathX || !pathY) return;
    float s = std::min(pathX->startTime(), pathY->startTime());
    if (!(s < time)) return;
    do {
        const float next = s + pathIncrTime;
        if (!(next > s)) break;  // an increment too small to move on from s
        s = next;
        stamps.push_back({pathX->evaluate(s), pathY->evaluate(s)});
    } while (s < time && stamps.size() < maxStamps);
}

std::vector<BrushStamp> SplineBrush::strokeStamps() const {
    std::vector<BrushStamp> stamps;
    collectStamps(stamps);
    return stamps;
}

void SplineBrush::render() {
    OverlayFrame frame(virtualScreenSymmetricDepth);
    glDepthMask(GL_FALSE);

    // The stroke: destination alpha cleared to 0, then the stamps with the stroke's alpha.
    beginStroke();
    const bool brushBound = brush.bind(GL_TEXTURE0);
    // Stamps add up (clamped at 1) rather than replace: a soft brush's transparent rim would otherwise erase
    // the stroke laid down before it.
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    collectStamps(stamps_);
    dropSaturatedRepeats(stamps_);
    const float h = brushSize * 0.5f;
    glColor4f(0.0f, 0.0f, 0.0f, strokeAlpha());
    stampBatch_.draw(stamps_, h);
    if (brushBound) brush.unbind(GL_TEXTURE0);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);

    // The image, through the stroke.
    drawImageThroughStroke(image, drawMode(), color.data());
    glDepthMask(GL_TRUE);
}

namespace {

void readPathIncrTime(SplineBrush& brush, BlockLine& line) {
    float increment = brush.pathIncrTime;
    scanFloat(line.text, increment);
    if (!(increment > 0.0f)) throw std::runtime_error("SplineBrushLoader PathIncrTime must be above 0:" + line.text);
    brush.pathIncrTime = increment;
}

KeywordTable<SplineBrush> splineGrammar() {
    return effectGrammar<SplineBrush>({
        image("Brush ", &SplineBrush::brush),
        image("Image ", &SplineBrush::image),
        {"PathIncrTime ", readPathIncrTime},
        track("BrushSize {", &SplineBrush::brushSizeTrack, "brush size"),
        floats("BrushSize ", &SplineBrush::brushSize),
        track("PathX {", &SplineBrush::pathX, "path x"),
        track("PathY {", &SplineBrush::pathY, "path y"),
        track("Dissolve {", &SplineBrush::dissolveTrack, "dissolve"),
    });
}

}  // namespace

SplineBrushLoader::SplineBrushLoader()
    : EffectLoaderOf("SplineBrush", splineGrammar(), UnknownLine::raiseWithLine("SplineBrushLoader unknown token:")) {}

std::unique_ptr<EffectLoader> makeSplineBrushLoader() { return std::make_unique<SplineBrushLoader>(); }

}  // namespace qv3rn
