// flash_effect.cpp -- the full-screen flash: keywords, alpha track and the blended screen quad.
#include "effects/flash_effect.h"

#include <GL/gl.h>

#include "effects/blend.h"
#include "effects/effect_loaders.h"
#include "effects/effect_rows.h"
#include "effects/overlay_frame.h"

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

FlashEffectLoader::FlashEffectLoader()
    : EffectLoaderOf("Flash",
                     effectGrammar<FlashEffect>({
                         floats("Color ", &FlashEffect::color),
                         track("Alpha {", &FlashEffect::alphaTrack),
                     }),
                     UnknownLine::raiseWithLine("FlashEffect unknown token ")) {}

std::unique_ptr<EffectLoader> makeFlashLoader() { return std::make_unique<FlashEffectLoader>(); }

}  // namespace qv3rn
