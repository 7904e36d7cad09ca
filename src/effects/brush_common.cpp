// brush_common.cpp -- held images and the quads of the brush effects.
#include "effects/brush_common.h"

#include <GL/gl.h>

#include "effects/blend.h"
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

void drawPlainScreenQuad() {
    const float corners[4][2] = {
        {virtualScreenWidth, virtualScreenHeight}, {0.0f, virtualScreenHeight}, {0.0f, 0.0f}, {virtualScreenWidth, 0.0f}};
    drawQuad(corners);
}

void beginStroke() {
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_TRUE);
    glDisable(GL_BLEND);
    glColor4f(0.0f, 0.0f, 0.0f, 0.0f);
    drawPlainScreenQuad();
}

void drawImageThroughStroke(const EffectImage& image, std::uint32_t drawMode, const float* color) {
    if (!image) return;
    const bool throughStroke = drawMode == DrawModeNormal || drawMode == DrawModeAdditive;
    if (throughStroke) {
        // Destination alpha times the colour's alpha, so that both weigh the image together below.
        glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_TRUE);
        glEnable(GL_BLEND);
        glBlendFunc(GL_ZERO, GL_SRC_ALPHA);
        glColor4f(0.0f, 0.0f, 0.0f, color[3]);
        drawPlainScreenQuad();
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    }
    if (!image.bind(GL_TEXTURE0)) {
        endBlend();
        return;
    }
    if (throughStroke) {
        glEnable(GL_BLEND);
        glBlendFunc(GL_DST_ALPHA, drawMode == DrawModeNormal ? GL_ONE_MINUS_DST_ALPHA : GL_ONE);
        glColor4f(color[0], color[1], color[2], 1.0f);
    } else {
        beginBlend(drawMode);
        glColor4fv(color);
    }
    drawScreenQuad();
    endBlend();
    image.unbind(GL_TEXTURE0);
}

float intervalFraction(float time, const Effect& effect) {
    const float length = effect.end() - effect.start();
    return length > 0.0f ? time / length : 1.0f;
}

}  // namespace qv3rn
