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

// Under blending that adds to destination alpha an amount fixed by the fragment alone, and clamps (source
// alpha, one), a stamp on the exact spot of the one before adds the same again: after as many of them as
// destination alpha has steps, every pixel they cover is full or never moves. Keeps at most that many stamps of
// each run of identical stamps (all of them when the draw buffer's alpha is not a fixed-point channel of 1 to 16
// bits). A path held still before its first key piles up such runs, hundreds of stamps deep.
void dropSaturatedRepeats(std::vector<BrushStamp>& stamps);

// A frame's brush stamps drawn as one vertex array: each a square of side 2h centred on its stamp, texture
// (0, 0) at its lower left and (1, 1) at its upper right. The array is kept between frames.
class BrushStampBatch {
public:
    void draw(const std::vector<BrushStamp>& stamps, float h);

private:
    std::vector<float> corners_;  // x, y, u, v per corner
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
