// brush_common.h -- what the brush and diffusion effects share: images held from the registry, brush stamps and
// the fraction of an effect's interval.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "effects/effect.h"
#include "shader/ref_counted.h"
#include "shader/texture.h"

namespace qv3rn {

// An image of the image registry held by a counted handle, found by name; given back when another is taken,
// on release and on destruction.
class EffectImage {
public:
    EffectImage() = default;
    ~EffectImage() { release(); }
    EffectImage(const EffectImage&) = delete;
    EffectImage& operator=(const EffectImage&) = delete;

    // Gives back the image held so far, then holds the one named `name` (none when the registry has none).
    bool take(const std::string& name);
    void release();

    Texture* get() const { return handle_.get(); }
    explicit operator bool() const { return static_cast<bool>(handle_); }
    // Binds on `unit`; false (binding nothing) without an image or when the image cannot be bound.
    bool bind(GLenum unit) const { return handle_ && handle_->bind(unit); }
    void unbind(GLenum unit) const {
        if (handle_) handle_->unbind(unit);
    }

private:
    Handle<Texture> handle_;
};

// The centre of one brush stamp on the virtual screen.
struct BrushStamp {
    float x;
    float y;
};

// Draws a frame's brush stamps as one vertex array: each a square of side 2h centred on its stamp, texture
// (0, 0) at its lower left and (1, 1) at its upper right. Where the brush's alpha is zero outside a circle
// around its centre that fits in the square, and the caller's blending leaves destination alpha as it is under
// a fragment of alpha 0, a stamp is the 16-sided polygon around that circle instead: the pixels it leaves out
// would only add nothing, and most of the cost of a stroke is its pixels. The arrays are kept between frames.
class BrushStampBatch {
public:
    // `brush`: the image bound on unit 0 (null when none is); `zeroAlphaKeeps`: what the blending does.
    void draw(const std::vector<BrushStamp>& stamps, float h, const Texture* brush, bool zeroAlphaKeeps);

private:
    std::vector<float> corners_;  // x, y, u, v per corner
    std::vector<GLuint> indices_;  // the polygons' triangles
    const Texture* measured_ = nullptr;
    float reach_ = 1.0f;  // measured_'s circle as a fraction of the half side; 1 or more draws squares
};

// A quad over the whole virtual screen with the texture over it, drawn now (outside glBegin).
void drawScreenQuad();
// An untextured quad over the whole virtual screen (the caller sets the colour, masks and blending).
void drawPlainScreenQuad();
// Starts a stroke pass: only destination alpha is written from here on, and it is cleared to 0 over the whole
// screen, whatever blending an earlier effect left on.
void beginStroke();

// The image over the whole virtual screen, seen through the stroke that the stroke pass left in destination
// alpha. In the normal and additive modes the colour's alpha first scales the stroke, then the image is
// weighted by destination alpha (over the screen, or added to it); the modes that do not use alpha blend the
// whole image as they always do. Leaves blending off and the image unbound.
void drawImageThroughStroke(const EffectImage& image, std::uint32_t drawMode, const float* color);

// time / (end - start) of the effect; 1 for an interval of no length, where the quotient means nothing.
float intervalFraction(float time, const Effect& effect);

}  // namespace qv3rn
