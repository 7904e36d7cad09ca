// text_fade_effect.cpp -- the blurred-to-sharp text fade: keywords, fade track and the two blended quads.
#include "effects/text_fade_effect.h"

#include <GL/gl.h>

#include "effects/effect_loaders.h"
#include "effects/effect_rows.h"
#include "effects/overlay_frame.h"
#include "shader/image_registry.h"

namespace qv3rn {

namespace {

constexpr float pictureSide = 256.0f;

TexelRect texelRect(const std::string& line) {
    float rect[4] = {0.0f, 0.0f, pictureSide, pictureSide};  // x y w h
    scanFloats(line, rect, 4);
    const auto [x, y, w, h] = rect;
    return {x / pictureSide, y / pictureSide, (x + w) / pictureSide, (y + h) / pictureSide};
}

void drawPart(const TexelRect& part, const ScreenRect& screen, float alpha) {
    glColor4f(1.0f, 1.0f, 1.0f, alpha);
    drawQuad({{part.leftU, part.bottomV, screen.left, screen.bottom},
              {part.leftU, part.topV, screen.left, screen.top},
              {part.rightU, part.topV, screen.right, screen.top},
              {part.rightU, part.bottomV, screen.right, screen.bottom}});
}

}  // namespace

TextFadeEffect::~TextFadeEffect() = default;

bool TextFadeEffect::setImage(const std::string& name) {
    releaseImage();
    image_ = ImageRegistry::instance().find(name);
    return static_cast<bool>(image_);
}

void TextFadeEffect::releaseImage() {
    if (image_) ImageRegistry::instance().releaseHandle(image_);
}

bool TextFadeEffect::release() {
    alphaTrack.reset();
    releaseImage();
    return Effect::release();
}

void TextFadeEffect::update(float time) { fade = alphaTrack ? alphaTrack->evaluate(time) : 1.0f; }

TextFadeEffect::Alphas TextFadeEffect::alphasAt(float fade) {
    if (fade > 1.0f) return {1.0f - (fade - 1.0f), fade - 1.0f};
    return {fade, 0.0f};
}

void TextFadeEffect::render() {
    if (fade == 0.0f) return;
    OverlayFrame frame(virtualScreen);
    glDepthMask(GL_FALSE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    const Alphas alphas = alphasAt(fade);
    Texture* texture = image_.get();
    if (!texture || !texture->bind(GL_TEXTURE0)) {
        texture = nullptr;
        disableTexturing();
    }
    drawPart(blurRect, screenRect, alphas.blurred);
    drawPart(textRect, screenRect, alphas.sharp);
    if (texture) texture->unbind(GL_TEXTURE0);
    glDepthMask(GL_TRUE);
}

TextFadeEffectLoader::TextFadeEffectLoader()
    : EffectLoaderOf("TextFade",
                     effectGrammar<TextFadeEffect>({
                         {"TextRect ", [](TextFadeEffect& fade, BlockLine& l) { fade.textRect = texelRect(l.text); }},
                         {"BlurRect ", [](TextFadeEffect& fade, BlockLine& l) { fade.blurRect = texelRect(l.text); }},
                         {"ScreenRect ",
                          [](TextFadeEffect& fade, BlockLine& l) {
                              float rect[4] = {0.0f, 0.0f, 640.0f, 480.0f};  // x y w h
                              scanFloats(l.text, rect, 4);
                              fade.screenRect = {rect[0], rect[1], rect[0] + rect[2], rect[1] + rect[3]};
                          }},
                         image("Image ", &TextFadeEffect::setImage),
                         openTrack("Alpha { ", &TextFadeEffect::alphaTrack),
                     }),
                     UnknownLine::fail()) {}

std::unique_ptr<EffectLoader> makeTextFadeLoader() { return std::make_unique<TextFadeEffectLoader>(); }

}  // namespace qv3rn
