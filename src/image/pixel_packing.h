// pixel_packing.h -- how a decoded colour becomes the bytes of an image format (the decoders' packing table).
#pragma once

#include <cstdint>

#include "image/image_format.h"
#include "image/pixel_store.h"

namespace qv3rn {

// Where the channels lie in one decoded source pixel.
struct SourceLayout {
    int stride = 3;  // bytes per source pixel
    int red = 0;     // byte offsets of the channels inside a pixel
    int green = 1;
    int blue = 2;
    int alpha = -1;  // -1: the source has no alpha
    // JPEG packs LUMINANCE_ALPHA as red in the high byte and blue in the low byte; every other decoder packs blue
    // and alpha (red where the source has no alpha).
    bool redBlueLuminanceAlpha = false;
};

// Decoded rows of red, green, blue(, alpha) bytes, as PNG and JPEG give them.
inline constexpr SourceLayout rgbLayout{3, 0, 1, 2, -1, false};
inline constexpr SourceLayout rgbaLayout{4, 0, 1, 2, 3, false};
// TGA rows: blue, green, red(, alpha).
inline constexpr SourceLayout bgrLayout{3, 2, 1, 0, -1, false};
inline constexpr SourceLayout bgraLayout{4, 2, 1, 0, 3, false};

// The 32-bit value built for one pixel:
//   UNKNOWN 0; RED r; GREEN g; BLUE, LUMINANCE, INTENSITY b; ALPHA a (r without alpha);
//   LUMINANCE_ALPHA b << 8 | a (a = r without alpha; JPEG: r << 8 | b); RGB r, g, b; RGBA r, g, b, a (a = 255
//   without alpha). Formats a decoder cannot fill give 0.
std::uint32_t packPixel(ImageFormat format, std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a,
                        bool hasAlpha, bool redBlueLuminanceAlpha = false);

// Packs store.width() source pixels into row y of the store: the same bytes as packPixel followed by setPixel
// for each pixel, with the format decided once per row.
void packRow(PixelStore& store, int y, const std::uint8_t* source, const SourceLayout& layout);

}  // namespace qv3rn
