// spline_brush.cpp -- the brush stroke along two path envelopes, the image over it, and the block's keywords.
#include "effects/spline_brush.h"

#include <GL/gl.h>

#include <algorithm>
#include <stdexcept>

#include "effects/blend.h"
#include "effects/effect_loaders.h"
#include "effects/overlay_frame.h"
#include "effects/overlay_keywords.h"

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
    const float h = brushSize * 0.5f;
    glBegin(GL_QUADS);
    glColor4f(0.0f, 0.0f, 0.0f, strokeAlpha());
    for (const BrushStamp& stamp : stamps_) emitBrushQuad(stamp, h);
    glEnd();
    if (brushBound) brush.unbind(GL_TEXTURE0);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);

    // The image, through the stroke.
    drawImageThroughStroke(image, drawMode(), color.data());
    glDepthMask(GL_TRUE);
}

std::unique_ptr<Effect> SplineBrushLoader::createEffect() { return std::make_unique<SplineBrush>(); }

std::unique_ptr<EffectLoader> makeSplineBrushLoader() { return std::make_unique<SplineBrushLoader>(); }

bool SplineBrushLoader::onToken(std::string& line, std::istream& stream, Effect& base) {
    if (EffectLoader::onToken(line, stream, base)) return true;
    using Keyword = KeywordAction<SplineBrushLoader, SplineBrush>;
    static const Keyword keywords[] = {
        {"Brush ",
         [](SplineBrushLoader&, std::string& text, std::istream&, SplineBrush& brush) {
             brush.brush.take(quotedText(text));
             return true;
         }},
        {"Image ",
         [](SplineBrushLoader&, std::string& text, std::istream&, SplineBrush& brush) {
             brush.image.take(quotedText(text));
             return true;
         }},
        {"PathIncrTime ",
         [](SplineBrushLoader&, std::string& text, std::istream&, SplineBrush& brush) {
             float increment = brush.pathIncrTime;
             scanFloats(text, increment);
             if (!(increment > 0.0f))
                 throw std::runtime_error("SplineBrushLoader PathIncrTime must be above 0:" + text);
             brush.pathIncrTime = increment;
             return true;
         }},
        {"BrushSize {",
         [](SplineBrushLoader& loader, std::string&, std::istream& in, SplineBrush& brush) {
             loader.readTrack(in, brush.brushSizeTrack, brush,
                              "ERROR! SplineBrush \"%s\" unable to load brush size track");
             return true;
         }},
        {"BrushSize ",
         [](SplineBrushLoader&, std::string& text, std::istream&, SplineBrush& brush) {
             scanFloats(text, brush.brushSize);
             return true;
         }},
        {"PathX {",
         [](SplineBrushLoader& loader, std::string&, std::istream& in, SplineBrush& brush) {
             loader.readTrack(in, brush.pathX, brush, "ERROR! SplineBrush \"%s\" unable to load path x track");
             return true;
         }},
        {"PathY {",
         [](SplineBrushLoader& loader, std::string&, std::istream& in, SplineBrush& brush) {
             loader.readTrack(in, brush.pathY, brush, "ERROR! SplineBrush \"%s\" unable to load path y track");
             return true;
         }},
        {"Dissolve {",
         [](SplineBrushLoader& loader, std::string&, std::istream& in, SplineBrush& brush) {
             loader.readTrack(in, brush.dissolveTrack, brush,
                              "ERROR! SplineBrush \"%s\" unable to load dissolve track");
             return true;
         }},
    };
    if (takeKeyword(keywords, *this, line, stream, static_cast<SplineBrush&>(base)) == KeywordResult::NotFound)
        throw std::runtime_error("SplineBrushLoader unknown token:" + line);
    return true;
}

}  // namespace qv3rn
