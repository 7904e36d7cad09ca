// png_decoder.h -- PNG images through libpng, read from memory.
#pragma once

#include "image/image_decoder.h"

namespace qv3rn {

// Every PNG colour type and bit depth becomes 8-bit RGB or RGBA rows before packing: palettes, grey below 8 bits
// and tRNS transparency are expanded (tRNS becomes an alpha channel), 16-bit channels are cut to 8 bits, grey
// becomes RGB. Interlaced images are put together from their passes. Rows are stored top first, as in the file.
// Corrupt or truncated data fails through libpng's error path, never by reading past the buffer. A chunk that
// claims more bytes than the file has left is refused before libpng reads it, the text and profile chunks are
// skipped unread, and libpng's own memory stays within the reading allowance.
class PngDecoder : public ImageDecoder {
public:
    PngDecoder() : ImageDecoder("png") {}

    // The most memory libpng held at once during the last decode (the decoded pixels not included).
    std::size_t peakLibraryMemory() const { return peakLibraryMemory_; }

protected:
    bool decodeImage(const std::uint8_t* bytes, std::size_t size, ImageFormat format, PixelStore& store) override;

private:
    std::size_t peakLibraryMemory_ = 0;
};

}  // namespace qv3rn
