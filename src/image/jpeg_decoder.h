// jpeg_decoder.h -- JPEG images through libjpeg(-turbo), read from memory.
#pragma once

#include "image/image_decoder.h"

namespace qv3rn {

// Decodes baseline and progressive JPEG (colour or grey) to 8-bit RGB rows, top row first, and packs them; a
// JPEG has no alpha, so ALPHA takes red, RGBA gets 255, and LUMINANCE_ALPHA takes red in the high byte and blue
// in the low one. Truncated or corrupt data fails: libjpeg's "premature end" and "corrupt data" warnings are
// treated as errors, because decoding on would give a silently damaged picture.
class JpegDecoder : public ImageDecoder {
public:
    JpegDecoder() : ImageDecoder("jpg") {}

protected:
    bool decodeImage(const std::uint8_t* bytes, std::size_t size, ImageFormat format, PixelStore& store) override;
};

}  // namespace qv3rn
