// invert_effect.cpp -- the inverting rectangle: keywords, alpha track and the blended quad.
#include "effects/invert_effect.h"

#include <GL/gl.h>

#include "effects/blend.h"
#include "effects/effect_loaders.h"
#include "effects/overlay_frame.h"
#include "effects/overlay_keywords.h"

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

std::unique_ptr<Effect> InvertEffectLoader::createEffect() { return std::make_unique<InvertEffect>(); }

std::unique_ptr<EffectLoader> makeInvertLoader() { return std::make_unique<InvertEffectLoader>(); }

bool InvertEffectLoader::onToken(std::string& line, std::istream& stream, Effect& base) {
    if (EffectLoader::onToken(line, stream, base)) return true;
    auto& effect = static_cast<InvertEffect&>(base);
    using Keyword = KeywordAction<InvertEffectLoader, InvertEffect>;
    static const Keyword keywords[] = {
        {"Rect ",
         [](InvertEffectLoader&, std::string& text, std::istream&, InvertEffect& invert) {
             scanFloats(text, invert.x, invert.y, invert.width, invert.height);
             return true;
         }},
        {"Alpha {",
         [](InvertEffectLoader& loader, std::string&, std::istream& in, InvertEffect& invert) {
             invert.alphaTrack = loader.readEnvelopeField(in);
             return true;
         }},
    };
    return takeKeyword(keywords, *this, line, stream, effect) == KeywordResult::Taken;
}

}  // namespace qv3rn
