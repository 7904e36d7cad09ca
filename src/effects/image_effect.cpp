// image_effect.cpp -- the image overlay: its keywords, its tracks and the placed, blended quad.
#include "effects/image_effect.h"

#include <GL/gl.h>

#include "effects/blend.h"
#include "effects/effect_loaders.h"
#include "effects/effect_rows.h"
#include "effects/overlay_frame.h"
#include "shader/image_registry.h"

namespace qv3rn {

ImageEffect::ImageEffect(EffectKind kind) : Effect(kind) {}

ImageEffect::~ImageEffect() = default;

bool ImageEffect::setImage(const std::string& name) {
    releaseImage();
    image_ = ImageRegistry::instance().find(name);
    return static_cast<bool>(image_);
}

void ImageEffect::releaseImage() {
    if (image_) ImageRegistry::instance().releaseHandle(image_);
}

bool ImageEffect::release() {
    alphaTrack.reset();
    for (AnimatedValue* value : {&positionX, &positionY, &pivotX, &pivotY, &rotation, &scaleX, &scaleY})
        value->releaseTrack();
    releaseImage();
    return Effect::release();
}

void ImageEffect::update(float time) {
    if (alphaTrack) color[3] = alphaTrack->evaluate(time);
    for (AnimatedValue* value : {&positionX, &positionY, &pivotX, &pivotY, &rotation, &scaleX, &scaleY})
        value->update(time);
}

void ImageEffect::render() {
    OverlayFrame frame(virtualScreenSymmetricDepth);
    glDepthMask(GL_FALSE);
    glTranslatef(positionX.value, positionY.value, 0.0f);
    glTranslatef(pivotX.value, pivotY.value, 0.0f);
    glScalef(scaleX.value, scaleY.value, 1.0f);
    glRotatef(rotation.value, 0.0f, 0.0f, 1.0f);
    glTranslatef(-pivotX.value, -pivotY.value, 0.0f);
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_GREATER, 0.0f);
    beginBlend(drawMode());
    // Multiplying by a colour darkens by its alpha alone: the picture is scaled, never tinted.
    if (drawMode() == DrawModeMultiply) color[0] = color[1] = color[2] = color[3];
    glColor4fv(color.data());
    Texture* texture = image_.get();
    if (!texture || !texture->bind(GL_TEXTURE0)) {
        texture = nullptr;
        disableTexturing();
    }
    const float hw = width * 0.5f, hh = height * 0.5f;
    drawQuad({{texLeft, texBottom, -hw, -hh},
              {texLeft, texTop, -hw, hh},
              {texRight, texTop, hw, hh},
              {texRight, texBottom, hw, -hh}});
    if (texture) texture->unbind(GL_TEXTURE0);
    endBlend();
    glDepthMask(GL_TRUE);
}

const KeywordTable<ImageEffect>& imageEffectRows() {
    static const KeywordTable<ImageEffect> rows = {
        floats("TexRect ", &ImageEffect::texLeft, &ImageEffect::texTop, &ImageEffect::texRight, &ImageEffect::texBottom),
        floats("Rect ", &ImageEffect::pivotX, &ImageEffect::pivotY, &ImageEffect::width, &ImageEffect::height),
        image("Image ", &ImageEffect::setImage, "image"),
        track("Alpha {", &ImageEffect::alphaTrack, "alpha"),
        track("PositionX {", &ImageEffect::positionX, "position x"),
        track("PositionY {", &ImageEffect::positionY, "position y"),
        track("PivotX {", &ImageEffect::pivotX, "pivot x"),
        track("PivotY {", &ImageEffect::pivotY, "pivot y"),
        track("Rotation {", &ImageEffect::rotation, "rotation"),
        track("ScaleX {", &ImageEffect::scaleX, "scale x"),
        track("ScaleY {", &ImageEffect::scaleY, "scale y"),
        floats("Color ", &ImageEffect::color),
    };
    return rows;
}

ImageEffectLoader::ImageEffectLoader()
    : EffectLoaderOf("Image", effectGrammar<ImageEffect>(imageEffectRows(), {}), UnknownLine::fail()) {}

std::unique_ptr<EffectLoader> makeImageLoader() { return std::make_unique<ImageEffectLoader>(); }

}  // namespace qv3rn
