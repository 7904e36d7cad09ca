// text_fade_effect.h -- a cross-fade from a blurred to a sharp picture of a text, both held in one image, with
// its loader.
#pragma once

#include <memory>
#include <string>

#include "effects/effect.h"
#include "effects/effect_loader.h"
#include "shader/ref_counted.h"
#include "shader/texture.h"

namespace qv3rn {

// Texture coordinates of a part of the 256 x 256 picture: u from the left, v from the top row.
struct TexelRect {
    float leftU = 0.0f, topV = 0.0f, rightU = 1.0f, bottomV = 1.0f;
};

// Screen rectangle of the 640 x 480 virtual screen, y from the bottom.
struct ScreenRect {
    float left = 0.0f, bottom = 0.0f, right = 640.0f, top = 480.0f;
};

// Both parts of the picture are drawn over screenRect, normally blended: the blurred one at alpha a1, the
// sharp one on top at a2. Up to fade 1 only the blurred picture shows (a1 = fade); from 1 to 2 it gives way to
// the sharp one (a1 = 2 - fade, a2 = fade - 1).
class TextFadeEffect : public Effect {
public:
    TextFadeEffect() : Effect(EffectKind::TextFade) {}
    ~TextFadeEffect() override;

    bool release() override;
    void update(float time) override;  // fade = the alpha track at time, or 1
    void render() override;            // nothing at fade 0

    // The image by name from the image registry; false (keeping none) when there is no such image.
    bool setImage(const std::string& name);
    Texture* image() const { return image_.get(); }

    // The alphas of the blurred and the sharp picture at a fade value.
    struct Alphas {
        float blurred, sharp;
    };
    static Alphas alphasAt(float fade);

    TexelRect textRect;
    TexelRect blurRect;
    ScreenRect screenRect;
    std::unique_ptr<Envelope> alphaTrack;
    float fade = 0.0f;

private:
    void releaseImage();

    Handle<Texture> image_;
};

// "TextFade" blocks, after the common keywords: "TextRect ", "BlurRect " (x y w h in texels of the 256 x 256
// picture), "ScreenRect " (x y w h on the screen), "Image " (quoted; a missing image is not reported) and
// "Alpha { " (with the space). The Alpha field's own closing brace is left to end the block, so it must be
// the block's last field. Any other line is not taken (the script load fails without a message).
class TextFadeEffectLoader : public EffectLoaderOf<TextFadeEffect> {
public:
    TextFadeEffectLoader();
};

}  // namespace qv3rn
