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

void dropSaturatedRepeats(std::vector<BrushStamp>& stamps) {
    GLint alphaBits = 0;
    glGetIntegerv(GL_ALPHA_BITS, &alphaBits);
    if (alphaBits < 1 || alphaBits > 16 || stamps.empty()) return;
    const std::size_t steps = (std::size_t{1} << alphaBits) - 1;
    std::size_t kept = 1, run = 1;
    for (std::size_t i = 1; i < stamps.size(); ++i) {
        const bool repeat = stamps[i].x == stamps[kept - 1].x && stamps[i].y == stamps[kept - 1].y;
        run = repeat ? run + 1 : 1;
        if (run <= steps) stamps[kept++] = stamps[i];
    }
    stamps.resize(kept);
}

void BrushStampBatch::draw(const std::vector<BrushStamp>& stamps, float h) {
    if (stamps.empty()) return;
    corners_.clear();
    corners_.reserve(stamps.size() * 4 * 4);
    for (const BrushStamp& stamp : stamps) {
        const float left = stamp.x - h, right = stamp.x + h, bottom = stamp.y - h, top = stamp.y + h;
        corners_.insert(corners_.end(), {right, top, 1.0f, 1.0f, left, top, 0.0f, 1.0f,  //
                                         left, bottom, 0.0f, 0.0f, right, bottom, 1.0f, 0.0f});
    }
    glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_COLOR_ARRAY);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glVertexPointer(2, GL_FLOAT, 4 * sizeof(float), corners_.data());
    glTexCoordPointer(2, GL_FLOAT, 4 * sizeof(float), corners_.data() + 2);
    glDrawArrays(GL_QUADS, 0, static_cast<GLsizei>(corners_.size() / 4));
    glPopClientAttrib();
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
    if (throughStroke && color[3] < 1.0f) {
        // Destination alpha times the colour's alpha, so that both weigh the image together below (an alpha of
        // 1 or more would leave it as it is).
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
