// tga_decoder.h -- the engine's own TGA reader: colour-mapped, true-colour and grey images, raw or run-length.
#pragma once

#include "image/image_decoder.h"

namespace qv3rn {

// Reads image types 1, 2, 3 (raw) and 9, 10, 11 (run-length encoded) at 8, 16, 24 and 32 bits per pixel.
// Only 24- and 32-bit results (true colour, 16-bit colour widened to 24 bits, and 8-bit indices into a 24-bit
// colour map) become images; grey images are read but refused. TGA stores the bottom row first: file row r
// becomes row height - 1 - r (the origin bit of the descriptor is not looked at). Unsupported colour maps,
// types and depths show the boxes "Only 24bit paletted images are supported.", "Unsupported image type." and
// "Unsupported image depth." (caption "TGA").
class TgaDecoder : public ImageDecoder {
public:
    TgaDecoder() : ImageDecoder("tga") {}

protected:
    bool decodeImage(const std::uint8_t* bytes, std::size_t size, ImageFormat format, PixelStore& store) override;
    bool storesBottomRowFirst() const override { return true; }
};

}  // namespace qv3rn
