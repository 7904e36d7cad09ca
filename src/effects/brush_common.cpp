// brush_common.cpp -- held images, envelope fields with their log lines, and the quads of the brush effects.
#include "effects/brush_common.h"

#include <GL/gl.h>

#include "anim/envelope.h"
#include "app/log.h"
#include "effects/overlay_frame.h"
#include "shader/image_registry.h"

namespace qv3rn {

bool EffectImage::take(const std::string& name) {
    release();
    handle_ = ImageRegistry::instance().find(name);
    return static_cast<bool>(handle_);
}

void EffectImage::release() {
    if (handle_) ImageRegistry::instance().releaseHandle(handle_);
}

void BrushLoader::readTrack(std::istream& stream, std::unique_ptr<Envelope>& field, const Effect& effect,
                            const char* logFormat) {
    field = readEnvelopeField(stream);
    if (!field) logger().printf(logFormat, effect.name().c_str());
}

void emitBrushQuad(const BrushStamp& stamp, float h) {
    glTexCoord2f(1.0f, 1.0f);
    glVertex2f(stamp.x + h, stamp.y + h);
    glTexCoord2f(0.0f, 1.0f);
    glVertex2f(stamp.x - h, stamp.y + h);
    glTexCoord2f(0.0f, 0.0f);
    glVertex2f(stamp.x - h, stamp.y - h);
    glTexCoord2f(1.0f, 0.0f);
    glVertex2f(stamp.x + h, stamp.y - h);
}

void drawScreenQuad() {
    drawQuad({{1.0f, 1.0f, virtualScreenWidth, virtualScreenHeight},
              {0.0f, 1.0f, 0.0f, virtualScreenHeight},
              {0.0f, 0.0f, 0.0f, 0.0f},
              {1.0f, 0.0f, virtualScreenWidth, 0.0f}});
}

void clearScreenAlpha() {
    const float corners[4][2] = {
        {virtualScreenWidth, virtualScreenHeight}, {0.0f, virtualScreenHeight}, {0.0f, 0.0f}, {virtualScreenWidth, 0.0f}};
    drawQuad(corners);
}

float intervalFraction(float time, const Effect& effect) {
    const float length = effect.end() - effect.start();
    return length > 0.0f ? time / length : 1.0f;
}

}  // namespace qv3rn
