// text_fade_effect.cpp -- the blurred-to-sharp text fade: keywords, fade track and the two blended quads.
#include "effects/text_fade_effect.h"

#include <GL/gl.h>

#include "effects/effect_loaders.h"
#include "effects/overlay_frame.h"
#include "effects/overlay_keywords.h"
#include "shader/image_registry.h"

namespace qv3rn {

namespace {

constexpr float pictureSide = 256.0f;

TexelRect texelRect(const std::string& line) {
    float x = 0.0f, y = 0.0f, w = pictureSide, h = pictureSide;
    scanFloats(line, x, y, w, h);
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

std::unique_ptr<Effect> TextFadeEffectLoader::createEffect() { return std::make_unique<TextFadeEffect>(); }

std::unique_ptr<EffectLoader> makeTextFadeLoader() { return std::make_unique<TextFadeEffectLoader>(); }

bool TextFadeEffectLoader::onToken(std::string& line, std::istream& stream, Effect& base) {
    if (EffectLoader::onToken(line, stream, base)) return true;
    auto& effect = static_cast<TextFadeEffect&>(base);
    using Keyword = KeywordAction<TextFadeEffectLoader, TextFadeEffect>;
    static const Keyword keywords[] = {
        {"TextRect ",
         [](TextFadeEffectLoader&, std::string& text, std::istream&, TextFadeEffect& fade) {
             fade.textRect = texelRect(text);
             return true;
         }},
        {"BlurRect ",
         [](TextFadeEffectLoader&, std::string& text, std::istream&, TextFadeEffect& fade) {
             fade.blurRect = texelRect(text);
             return true;
         }},
        {"ScreenRect ",
         [](TextFadeEffectLoader&, std::string& text, std::istream&, TextFadeEffect& fade) {
             float x = 0.0f, y = 0.0f, w = 640.0f, h = 480.0f;
             scanFloats(text, x, y, w, h);
             fade.screenRect = {x, y, x + w, y + h};
             return true;
         }},
        {"Image ",
         [](TextFadeEffectLoader&, std::string& text, std::istream&, TextFadeEffect& fade) {
             fade.setImage(quotedText(text));
             return true;
         }},
        {"Alpha { ",
         [](TextFadeEffectLoader& loader, std::string&, std::istream& in, TextFadeEffect& fade) {
             fade.alphaTrack = loader.readEnvelopeField(in, false);
             return true;
         }},
    };
    return takeKeyword(keywords, *this, line, stream, effect) == KeywordResult::Taken;
}

}  // namespace qv3rn
