// text_effect.cpp -- bitmap-font text: keywords, tracks, glyph cells and the glyph quads.
#include "effects/text_effect.h"

#include <GL/gl.h>

#include <algorithm>

#include "core/log.h"
#include "effects/blend.h"
#include "effects/effect_loaders.h"
#include "effects/effect_rows.h"
#include "effects/overlay_frame.h"
#include "shader/image_registry.h"

namespace qv3rn {

namespace {

constexpr int firstGlyph = 33;  // "!"
constexpr int cellsPerRow = 16;
constexpr float cellSize = 32.0f / 512.0f;

}  // namespace

TextEffect::~TextEffect() = default;

bool TextEffect::setFont(const std::string& name) {
    releaseFont();
    font_ = ImageRegistry::instance().find(name);
    return static_cast<bool>(font_);
}

void TextEffect::releaseFont() {
    if (font_) ImageRegistry::instance().releaseHandle(font_);
}

bool TextEffect::init() { return static_cast<bool>(font_); }

bool TextEffect::release() {
    for (AnimatedValue* value :
         {&alpha, &positionX, &positionY, &rotation, &scaleX, &scaleY, &fontRotation, &fontScaleX, &fontScaleY})
        value->releaseTrack();
    releaseFont();
    return Effect::release();
}

void TextEffect::update(float time) {
    for (AnimatedValue* value :
         {&alpha, &positionX, &positionY, &rotation, &scaleX, &scaleY, &fontRotation, &fontScaleX, &fontScaleY})
        value->update(time);
}

TextEffect::GlyphCell TextEffect::glyphCell(signed char ch) {
    const int index = ch - firstGlyph;
    const int column = index % cellsPerRow;  // C division: a character below "!" gets a negative cell
    const int row = index / cellsPerRow;
    const float leftU = static_cast<float>(column) * cellSize;
    const float topV = static_cast<float>(row) * cellSize;
    return {leftU, topV, std::min(leftU + cellSize, 1.0f), topV + cellSize};
}

void TextEffect::render() {
    OverlayFrame frame(virtualScreenSymmetricDepth);
    glTranslatef(positionX.value, positionY.value, 0.0f);
    glRotatef(rotation.value, 0.0f, 0.0f, 1.0f);
    glScalef(scaleX.value, scaleY.value, 1.0f);
    beginBlend(drawMode());
    glDepthMask(GL_FALSE);
    glColor4f(color[0], color[1], color[2], color[3] * alpha.value);
    Texture* texture = font_.get();
    if (!texture || !texture->bind(GL_TEXTURE0)) {
        texture = nullptr;
        disableTexturing();
    }
    const float hw = fontWidth * fontScaleX.value * 0.5f;
    const float hh = fontHeight * fontScaleY.value * 0.5f;
    float x = -static_cast<float>(message.size()) * fontWidth * 0.5f;
    const float y = -fontHeight * 0.5f;
    for (char byte : message) {
        const GlyphCell cell = glyphCell(static_cast<signed char>(byte));
        glPushMatrix();
        glTranslatef(x, y, 0.0f);
        glRotatef(fontRotation.value, 0.0f, 0.0f, 1.0f);
        drawQuad({{cell.leftU, cell.topV, -hw, hh},
                  {cell.leftU, cell.bottomV, -hw, -hh},
                  {cell.rightU, cell.bottomV, hw, -hh},
                  {cell.rightU, cell.topV, hw, hh}});
        glPopMatrix();
        x += fontWidth;
    }
    if (texture) texture->unbind(GL_TEXTURE0);
    endBlend();
    glDepthMask(GL_TRUE);
}

// Any other line raises an error whose message is the line itself.
TextEffectLoader::TextEffectLoader()
    : EffectLoaderOf("Text",
                     effectGrammar<TextEffect>({
                         quoted("Message ", &TextEffect::message),
                         image("Font ", &TextEffect::setFont, "font"),
                         floats("FontSize ", &TextEffect::fontWidth, &TextEffect::fontHeight),
                         floats("Color ", &TextEffect::color),
                         track("Alpha {", &TextEffect::alpha),
                         track("PositionX {", &TextEffect::positionX),
                         track("PositionY {", &TextEffect::positionY),
                         track("FontRotation {", &TextEffect::fontRotation),
                         track("Rotation {", &TextEffect::rotation),
                         track("FontScaleX {", &TextEffect::fontScaleX),
                         track("FontScaleY {", &TextEffect::fontScaleY),
                         track("ScaleX {", &TextEffect::scaleX),
                         track("ScaleY {", &TextEffect::scaleY),
                     }),
                     UnknownLine::raiseWithLine("")) {}

std::unique_ptr<EffectLoader> makeTextLoader() { return std::make_unique<TextEffectLoader>(); }

}  // namespace qv3rn
