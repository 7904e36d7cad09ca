// flash_effect.cpp -- the full-screen flash: keywords, alpha track and the blended screen quad.
#include "effects/flash_effect.h"

#include <GL/gl.h>

#include <stdexcept>

#include "effects/blend.h"
#include "effects/effect_loaders.h"
#include "effects/overlay_frame.h"
#include "effects/overlay_keywords.h"

namespace qv3rn {

bool FlashEffect::release() {
    alphaTrack.reset();
    return Effect::release();
}

void FlashEffect::update(float time) { color[3] = alphaTrack ? alphaTrack->evaluate(time) : 0.0f; }

void FlashEffect::render() {
    if (color[3] == 0.0f) return;
    OverlayFrame frame(virtualScreen);
    disableTexturing();
    beginBlend(drawMode());
    glColor4fv(color.data());
    drawQuad({{0.0f, 0.0f}, {0.0f, 480.0f}, {640.0f, 480.0f}, {640.0f, 0.0f}});
    endBlend();
}

std::unique_ptr<Effect> FlashEffectLoader::createEffect() { return std::make_unique<FlashEffect>(); }

std::unique_ptr<EffectLoader> makeFlashLoader() { return std::make_unique<FlashEffectLoader>(); }

bool FlashEffectLoader::onToken(std::string& line, std::istream& stream, Effect& base) {
    if (EffectLoader::onToken(line, stream, base)) return true;
    auto& effect = static_cast<FlashEffect&>(base);
    using Keyword = KeywordAction<FlashEffectLoader, FlashEffect>;
    static const Keyword keywords[] = {
        {"Color ",
         [](FlashEffectLoader&, std::string& text, std::istream&, FlashEffect& flash) {
             scanFloats(text, flash.color[0], flash.color[1], flash.color[2], flash.color[3]);
             return true;
         }},
        {"Alpha {",
         [](FlashEffectLoader& loader, std::string&, std::istream& in, FlashEffect& flash) {
             flash.alphaTrack = loader.readEnvelopeField(in);
             return true;
         }},
    };
    if (takeKeyword(keywords, *this, line, stream, effect) == KeywordResult::NotFound)
        throw std::runtime_error("FlashEffect unknown token " + line);
    return true;
}

}  // namespace qv3rn
