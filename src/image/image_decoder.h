// image_decoder.h -- the base of the image file decoders: extension test, memory and file variants, 1D and 2D.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "image/image_format.h"
#include "image/pixel_store.h"

namespace qv3rn {

// Turns one kind of image file into a pixel store of the format the caller asks for. Every failure returns null
// and leaves a one-line reason in lastError(); a decoder never reads past the bytes it was given, whatever the
// file's header claims.
class ImageDecoder {
public:
    explicit ImageDecoder(std::string extension) : extension_(std::move(extension)) {}
    virtual ~ImageDecoder() = default;
    ImageDecoder(const ImageDecoder&) = delete;
    ImageDecoder& operator=(const ImageDecoder&) = delete;

    // The first stored row of the image as a width x 1 store.
    virtual std::unique_ptr<PixelStore> decode1D(const std::uint8_t* bytes, std::size_t size, ImageFormat format);
    virtual std::unique_ptr<PixelStore> decode1DFromFile(const std::string& path, ImageFormat format);
    // The whole image, row 0 the top row of the picture.
    virtual std::unique_ptr<PixelStore> decode2D(const std::uint8_t* bytes, std::size_t size, ImageFormat format);
    virtual std::unique_ptr<PixelStore> decode2DFromFile(const std::string& path, ImageFormat format);

    // True when the text after the last "." of `path` equals the extension exactly ("picture.TGA" is not "tga").
    bool handlesExtension(std::string_view path) const;
    const std::string& extension() const { return extension_; }

    // Why the last decode failed ("" after a success).
    const std::string& lastError() const { return lastError_; }

protected:
    // Fills `store` (absent on entry) with the whole image in `format`, a format isDecodableFormat accepts.
    virtual bool decodeImage(const std::uint8_t* bytes, std::size_t size, ImageFormat format, PixelStore& store) = 0;
    // Whether the file stores the bottom row of the picture first (its first stored row is the last store row).
    virtual bool storesBottomRowFirst() const { return false; }

    // Records `reason` as lastError() and returns false.
    bool fail(std::string reason);

private:
    std::unique_ptr<PixelStore> decodeChecked(const std::uint8_t* bytes, std::size_t size, ImageFormat format);
    bool readFile(const std::string& path, std::string& bytes);

    std::string extension_;
    std::string lastError_;
};

}  // namespace qv3rn
