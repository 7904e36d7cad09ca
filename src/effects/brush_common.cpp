// brush_common.cpp -- held images and the quads of the brush effects.
#include "effects/brush_common.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>

#include "effects/blend.h"
#include "effects/overlay_frame.h"
#include "shader/image_registry.h"
#include "shader/texture_2d.h"

namespace qv3rn {

bool EffectImage::take(const std::string& name) {
    release();
    handle_ = ImageRegistry::instance().find(name);
    return static_cast<bool>(handle_);
}

void EffectImage::release() {
    if (handle_) ImageRegistry::instance().releaseHandle(handle_);
}

namespace {

constexpr int footprintSides = 16;
constexpr float kPi = 3.14159265f;

// The alpha of the pixel at (x, y) of a store of `format`; 255 for formats without alpha, -1 for formats
// whose pixels cannot be read.
int alphaAt(const PixelStore& store, int x, int y) {
    switch (store.format()) {
    case ImageFormat::Alpha:
    case ImageFormat::Intensity:
    case ImageFormat::LuminanceAlpha:
    case ImageFormat::Rgba:
    case ImageFormat::Bgra: return static_cast<int>(store.pixel(x, y) & 0xFFu);
    case ImageFormat::Red:
    case ImageFormat::Green:
    case ImageFormat::Blue:
    case ImageFormat::Luminance:
    case ImageFormat::Rgb:
    case ImageFormat::Bgr: return 255;
    default: return -1;
    }
}

// The radius, as a fraction of half the image's side, of the circle around the image's centre outside which
// every filtered sample has alpha 0: the farthest texel with alpha, plus the reach of bilinear filtering (a
// texel's diagonal). 1 or more (the whole square) for images that are not square or whose pixels are not
// kept in a readable format.
float alphaReach(const Texture* brush) {
    const auto* image = dynamic_cast<const Texture2D*>(brush);
    if (!image || !image->pixels().present() || image->width() != image->height() || image->width() < 2) return 1.0f;
    const PixelStore& store = image->pixels();
    const int size = store.width();
    const float centre = (static_cast<float>(size) - 1.0f) * 0.5f;
    float farthest = 0.0f;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const int alpha = alphaAt(store, x, y);
            if (alpha < 0) return 1.0f;
            if (alpha > 0) farthest = std::max(farthest, std::hypot(x - centre, y - centre));
        }
    return (farthest + std::sqrt(2.0f)) / (static_cast<float>(size) * 0.5f);
}

}  // namespace

void BrushStampBatch::draw(const std::vector<BrushStamp>& stamps, float h, const Texture* brush, bool zeroAlphaKeeps) {
    if (stamps.empty()) return;
    if (brush != measured_) {
        measured_ = brush;
        reach_ = alphaReach(brush);
    }
    // The polygon around the circle: its corners lie 1 / cos(pi / n) out from the circle, and must stay inside
    // the square to add no pixel of it.
    const float outer = reach_ / std::cos(kPi / footprintSides);
    const bool polygon = brush && zeroAlphaKeeps && outer <= 1.0f;
    corners_.clear();
    const auto corner = [this, h](const BrushStamp& stamp, float u, float v) {
        corners_.insert(corners_.end(), {stamp.x + (2.0f * u - 1.0f) * h, stamp.y + (2.0f * v - 1.0f) * h, u, v});
    };
    indices_.clear();
    if (polygon) {
        // Each stamp's ring of corners, drawn as a fan of triangles from its first corner; one indexed draw
        // takes every stamp.
        float ring[footprintSides][2];
        for (int k = 0; k < footprintSides; ++k) {
            const float angle = 2.0f * kPi * (static_cast<float>(k) + 0.5f) / footprintSides;
            ring[k][0] = 0.5f + 0.5f * outer * std::cos(angle);
            ring[k][1] = 0.5f + 0.5f * outer * std::sin(angle);
        }
        corners_.reserve(stamps.size() * footprintSides * 4);
        indices_.reserve(stamps.size() * (footprintSides - 2) * 3);
        for (const BrushStamp& stamp : stamps) {
            const auto first = static_cast<GLuint>(corners_.size() / 4);
            for (const auto& [u, v] : ring) corner(stamp, u, v);
            for (GLuint k = 1; k + 1 < footprintSides; ++k) indices_.insert(indices_.end(), {first, first + k, first + k + 1});
        }
    } else {
        corners_.reserve(stamps.size() * 4 * 4);
        for (const BrushStamp& stamp : stamps) {
            corner(stamp, 1.0f, 1.0f);
            corner(stamp, 0.0f, 1.0f);
            corner(stamp, 0.0f, 0.0f);
            corner(stamp, 1.0f, 0.0f);
        }
    }
    glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_COLOR_ARRAY);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glVertexPointer(2, GL_FLOAT, 4 * sizeof(float), corners_.data());
    glTexCoordPointer(2, GL_FLOAT, 4 * sizeof(float), corners_.data() + 2);
    if (polygon)
        glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(indices_.size()), GL_UNSIGNED_INT, indices_.data());
    else
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
