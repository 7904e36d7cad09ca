// text_effect.h -- a line of bitmap-font text on the virtual screen, with its loader.
#pragma once

#include <array>
#include <memory>
#include <string>

#include "effects/animated_value.h"
#include "effects/effect.h"
#include "effects/effect_loader.h"
#include "shader/ref_counted.h"
#include "shader/texture.h"

namespace qv3rn {

// The font is a 512 x 512 picture of 32 x 32 cells, 16 to a row, the first (top-left) cell holding "!"
// (character 33). Each byte of the message is one glyph quad of fontWidth x fontHeight (times the font scale),
// centred on the pen; the pen starts at (-length * fontWidth / 2, -fontHeight / 2) and moves fontWidth on per
// byte. The whole line is placed at (positionX, positionY), turned by rotation and scaled; each glyph also
// turns by fontRotation about its own centre. Characters below "!" take the cells before the grid's start.
class TextEffect : public Effect {
public:
    static constexpr const char* logName = "TextEffect";  // in the log lines of its fields

    TextEffect() : Effect(EffectKind::Text) {}
    ~TextEffect() override;

    bool init() override;  // false when the block named no font that was found
    bool release() override;
    void update(float time) override;
    void render() override;

    // The font by name from the image registry; false (keeping none) when there is no such image.
    bool setFont(const std::string& name);
    Texture* font() const { return font_.get(); }

    // Texture coordinates of the cell of `ch` (a signed byte): left u, top v, right u, bottom v.
    struct GlyphCell {
        float leftU, topV, rightU, bottomV;
    };
    static GlyphCell glyphCell(signed char ch);

    std::string message;
    AnimatedValue alpha{0.0f};
    AnimatedValue positionX{0.0f};
    AnimatedValue positionY{0.0f};
    AnimatedValue rotation{0.0f};  // degrees, the whole line
    AnimatedValue scaleX{1.0f};
    AnimatedValue scaleY{1.0f};
    AnimatedValue fontRotation{0.0f};  // degrees, each glyph about its centre
    AnimatedValue fontScaleX{1.0f};
    AnimatedValue fontScaleY{1.0f};
    std::array<float, 4> color{1.0f, 1.0f, 1.0f, 1.0f};
    float fontWidth = 32.0f;
    float fontHeight = 32.0f;

private:
    void releaseFont();

    Handle<Texture> font_;
};

// "Text" blocks, after the common keywords: "Message " (quoted), "Font " (quoted image name; a font the image
// registry does not have is logged and the text is drawn untextured), "FontSize "
// (width height), "Color " (r g b a), then the envelope fields "Alpha {", "PositionX {", "PositionY {",
// "FontRotation {", "Rotation {", "FontScaleX {", "FontScaleY {", "ScaleX {", "ScaleY {". Any other line raises
// an error whose message is the line itself.
class TextEffectLoader : public EffectLoaderOf<TextEffect> {
public:
    TextEffectLoader();
};

}  // namespace qv3rn
