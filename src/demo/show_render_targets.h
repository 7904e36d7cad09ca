// show_render_targets.h -- the show's two off-screen targets, made and registered before the scripts load, so
// that the effects drawing into them and the shaders showing them find them by name.
#pragma once

#include <array>
#include <memory>

#include "demo/pbuffer.h"

namespace qv3rn {

class ShowRenderTargets {
public:
    static constexpr int side = 512;
    static constexpr const char* bigName = "BigPixelBuffer.pbuffer";
    static constexpr const char* bigAlias = "512x512 PixelBuffer";
    static constexpr const char* smallName = "SmallPixelBuffer.pbuffer";
    static constexpr const char* smallAlias = "256x256 PixelBuffer";

    // Makes both targets (side x side), lists them in the image registry and the effect manager and clears them
    // to transparent black; the viewport is left as it was. False when a buffer cannot be made.
    bool create();
    // Takes both out of the effect manager and the image registry and gives their buffers back; the objects stay
    // until release(), since shaders that named a target may still hold it on a texture unit.
    void destroy();
    void release();

    // The targets made, null before create() and after release().
    std::array<PBuffer*, 2> all() const { return {big_.get(), small_.get()}; }
    PBuffer* big() const { return big_.get(); }
    PBuffer* small() const { return small_.get(); }

private:
    std::unique_ptr<PBuffer> big_;
    std::unique_ptr<PBuffer> small_;
};

}  // namespace qv3rn
