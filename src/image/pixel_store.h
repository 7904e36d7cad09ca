// pixel_store.h -- an image's pixels in main memory, in the byte layout of its format, row 0 at the top.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "image/image_format.h"

namespace qv3rn {

// The largest width or height an image may have (the largest texture current drivers take); bigger headers are
// refused before anything is allocated.
inline constexpr int maxImageSide = 16384;

// Bytes the store of a width x height image of `format` needs (compressed formats: their S3TC blocks);
// 0 for negative sizes.
std::size_t pixelStoreSize(int width, int height, ImageFormat format);

// Width x height pixels of one format. Textures keep one of these as their pixel store, and the decoders fill
// one. A store is either absent (nothing allocated yet) or present with exactly pixelStoreSize() bytes.
class PixelStore {
public:
    PixelStore() = default;

    // Makes a zeroed store; does nothing and returns false when a store exists already, or for negative
    // sizes and sizes above maxImageSide.
    bool allocate(int width, int height, ImageFormat format);

    // Takes `bytes` as the store, replacing any present one. False (and nothing changes) when the buffer is
    // smaller than the format and size need; a larger buffer is cut to size.
    bool attach(int width, int height, ImageFormat format, std::vector<std::uint8_t> bytes);

    // Drops the pixels; the store is absent again.
    void clear();

    // Writes the low bytes of `value`, most significant first, at (x, y): 1 byte for RED, GREEN, BLUE, ALPHA,
    // LUMINANCE and INTENSITY, 2 for LUMINANCE_ALPHA, 3 for RGB, 4 for RGBA. Other formats, and coordinates
    // outside the image, are not written.
    void setPixel(std::uint32_t value, int x, int y);

    // The value setPixel would have been given for the bytes at (x, y); 0 where setPixel writes nothing.
    std::uint32_t pixel(int x, int y) const;

    bool present() const { return present_; }
    int width() const { return width_; }
    int height() const { return height_; }
    ImageFormat format() const { return format_; }
    int bytesPerPixel() const { return bytesPerPixel_; }
    std::size_t rowBytes() const { return static_cast<std::size_t>(width_) * static_cast<std::size_t>(bytesPerPixel_); }
    std::uint8_t* row(int y) { return bytes_.data() + static_cast<std::size_t>(y) * rowBytes(); }
    const std::uint8_t* row(int y) const { return bytes_.data() + static_cast<std::size_t>(y) * rowBytes(); }
    std::uint8_t* data() { return bytes_.data(); }
    const std::uint8_t* data() const { return bytes_.data(); }
    std::size_t size() const { return bytes_.size(); }
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }

private:
    static int storedBytes(ImageFormat format);  // bytes setPixel writes per pixel

    std::vector<std::uint8_t> bytes_;
    int width_ = 0;
    int height_ = 0;
    int bytesPerPixel_ = 0;
    ImageFormat format_ = ImageFormat::Unknown;
    bool present_ = false;
};

}  // namespace qv3rn
