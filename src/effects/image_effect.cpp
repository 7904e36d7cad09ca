// image_effect.cpp -- the image overlay: its keywords, its tracks and the placed, blended quad.
#include "effects/image_effect.h"

#include <GL/gl.h>

#include "core/log.h"
#include "effects/blend.h"
#include "effects/effect_loaders.h"
#include "effects/overlay_frame.h"
#include "effects/overlay_keywords.h"
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

std::unique_ptr<Effect> ImageEffectLoader::createEffect() { return std::make_unique<ImageEffect>(); }

std::unique_ptr<EffectLoader> makeImageLoader() { return std::make_unique<ImageEffectLoader>(); }

namespace {

using ImageKeyword = KeywordAction<ImageEffectLoader, ImageEffect>;

// Reads an envelope field with the loader's reader; a reader that reports failure leaves the field without a
// track and logs the field's line.
template <typename Read>
bool takeTrack(ImageEffect& effect, std::unique_ptr<Envelope>& track, const char* field, Read read) {
    track = read();
    if (!track) logger().printf("ERROR! ImageEffect \"%s\" unable to load %s track", effect.name().c_str(), field);
    return true;
}

}  // namespace

bool ImageEffectLoader::onToken(std::string& line, std::istream& stream, Effect& base) {
    if (EffectLoader::onToken(line, stream, base)) return true;
    auto& effect = static_cast<ImageEffect&>(base);
#define QV3RN_IMAGE_TRACK(keyword, member, field)                                                           \
    ImageKeyword {                                                                                           \
        keyword, [](ImageEffectLoader& loader, std::string&, std::istream& in, ImageEffect& image) {         \
            return takeTrack(image, member, field, [&] { return loader.readEnvelopeField(in); });            \
        }                                                                                                    \
    }
    static const ImageKeyword keywords[] = {
        {"TexRect ",
         [](ImageEffectLoader&, std::string& text, std::istream&, ImageEffect& image) {
             scanFloats(text, image.texLeft, image.texTop, image.texRight, image.texBottom);
             return true;
         }},
        {"Rect ",
         [](ImageEffectLoader&, std::string& text, std::istream&, ImageEffect& image) {
             scanFloats(text, image.pivotX.value, image.pivotY.value, image.width, image.height);
             return true;
         }},
        {"Image ",
         [](ImageEffectLoader&, std::string& text, std::istream&, ImageEffect& image) {
             const std::string name = quotedText(text);
             if (!image.setImage(name))
                 logger().printf("ERROR! ImageEffect \"%s\" unable to find image \"%s\"", image.name().c_str(),
                                 name.c_str());
             return true;
         }},
        QV3RN_IMAGE_TRACK("Alpha {", image.alphaTrack, "alpha"),
        QV3RN_IMAGE_TRACK("PositionX {", image.positionX.track, "position x"),
        QV3RN_IMAGE_TRACK("PositionY {", image.positionY.track, "position y"),
        QV3RN_IMAGE_TRACK("PivotX {", image.pivotX.track, "pivot x"),
        QV3RN_IMAGE_TRACK("PivotY {", image.pivotY.track, "pivot y"),
        QV3RN_IMAGE_TRACK("Rotation {", image.rotation.track, "rotation"),
        QV3RN_IMAGE_TRACK("ScaleX {", image.scaleX.track, "scale x"),
        QV3RN_IMAGE_TRACK("ScaleY {", image.scaleY.track, "scale y"),
        {"Color ",
         [](ImageEffectLoader&, std::string& text, std::istream&, ImageEffect& image) {
             scanFloats(text, image.color[0], image.color[1], image.color[2], image.color[3]);
             return true;
         }},
    };
#undef QV3RN_IMAGE_TRACK
    return takeKeyword(keywords, *this, line, stream, effect) == KeywordResult::Taken;
}

}  // namespace qv3rn
