// invert_effect.cpp -- the inverting rectangle: keywords, alpha track and the blended quad.
#include "effects/invert_effect.h"

#include <GL/gl.h>

#include "effects/blend.h"
#include "effects/effect_loaders.h"
#include "effects/effect_rows.h"
#include "effects/overlay_frame.h"

namespace qv3rn {

InvertEffect::InvertEffect() : Effect(EffectKind::Invert) { setDrawMode(DrawModeInvert); }

bool InvertEffect::release() {
    alphaTrack.reset();
    return Effect::release();
}

void InvertEffect::update(float time) { alpha = alphaTrack ? alphaTrack->evaluate(time) : 1.0f; }

void InvertEffect::render() {
    OverlayFrame frame(virtualScreen);
    disableTexturing();
    beginBlend(drawMode());
    glColor4f(alpha, alpha, alpha, alpha);
    drawQuad({{x, y}, {x, y + height}, {x + width, y + height}, {x + width, y}});
    endBlend();
}

InvertEffectLoader::InvertEffectLoader()
    : EffectLoaderOf("Invert",
                     effectGrammar<InvertEffect>({
                         floats("Rect ", &InvertEffect::x, &InvertEffect::y, &InvertEffect::width, &InvertEffect::height),
                         track("Alpha {", &InvertEffect::alphaTrack),
                     }),
                     UnknownLine::fail()) {}

std::unique_ptr<EffectLoader> makeInvertLoader() { return std::make_unique<InvertEffectLoader>(); }

}  // namespace qv3rn
