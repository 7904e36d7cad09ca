// pixel_scaling.h -- resampling a pixel store to another size by area averaging.
#pragma once

#include "image/pixel_store.h"

namespace qv3rn {

// A width x height copy of `source` in the same format: every target pixel is the area-weighted mean of the
// source pixels it covers (the box filter gluScaleImage uses), channel by channel, rounded to the nearest
// byte. Enlarging blends the one or two source pixels a target pixel covers. Needs no OpenGL context.
// Returns an absent store for compressed formats, formats without bytes, an absent source and sizes below 1.
PixelStore scalePixels(const PixelStore& source, int width, int height);

}  // namespace qv3rn
