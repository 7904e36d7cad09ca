// dissolve_brush.cpp -- the image revealed through the brush's levels by alpha test, and the block's keywords.
#include "effects/dissolve_brush.h"

#include "effects/effect_loaders.h"
#include "effects/effect_rows.h"
#include "effects/overlay_frame.h"
#include "gl/extensions.h"

namespace qv3rn {

namespace {

// A corner of the screen quad: the same texture coordinate on both units.
void dissolveCorner(float u, float v, float x, float y) {
    if (glMultiTexCoord2fARB) {
        glMultiTexCoord2fARB(GL_TEXTURE0_ARB, u, v);
        glMultiTexCoord2fARB(GL_TEXTURE1_ARB, u, v);
    } else {
        glTexCoord2f(u, v);
    }
    glVertex2f(x, y);
}

}  // namespace

DissolveBrush::DissolveBrush() : Effect(EffectKind::DissolveBrush) { setName("DissolveBrush"); }

bool DissolveBrush::release() {
    brush.release();
    image.release();
    dissolveTrack.reset();
    return Effect::release();
}

void DissolveBrush::update(float demoTime) {
    time = demoTime;
    dissolve = dissolveTrack ? dissolveTrack->evaluate(demoTime) : intervalFraction(demoTime, *this);
}

void DissolveBrush::render() {
    if (!image) return;
    OverlayFrame frame(virtualScreenSymmetricDepth);
    glDepthMask(GL_FALSE);
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_LEQUAL, dissolve);
    // The image goes on unit 1 first: a texture's first bind makes it, on unit 0, which would undo a brush
    // bound there before.
    const bool imageBound = image.bind(GL_TEXTURE1);
    const bool brushBound = brush.bind(GL_TEXTURE0);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glBegin(GL_QUADS);
    dissolveCorner(1.0f, 1.0f, virtualScreenWidth, virtualScreenHeight);
    dissolveCorner(0.0f, 1.0f, 0.0f, virtualScreenHeight);
    dissolveCorner(0.0f, 0.0f, 0.0f, 0.0f);
    dissolveCorner(1.0f, 0.0f, virtualScreenWidth, 0.0f);
    glEnd();
    if (imageBound) image.unbind(GL_TEXTURE1);
    if (brushBound) brush.unbind(GL_TEXTURE0);
    glDepthMask(GL_TRUE);
}

DissolveBrushLoader::DissolveBrushLoader()
    : EffectLoaderOf("DissolveBrush",
                     effectGrammar<DissolveBrush>({
                         image("Brush ", &DissolveBrush::brush),
                         image("Image ", &DissolveBrush::image),
                         track("Dissolve {", &DissolveBrush::dissolveTrack, "dissolve"),
                     }),
                     UnknownLine::raiseWithLine("DissolveBrushLoader unknown token")) {}

std::unique_ptr<EffectLoader> makeDissolveBrushLoader() { return std::make_unique<DissolveBrushLoader>(); }

}  // namespace qv3rn
