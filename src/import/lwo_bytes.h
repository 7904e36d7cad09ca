// lwo_bytes.h -- bounds-checked reading of the object format's big-endian encodings from a byte range.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

#include "import/lwo_object.h"
#include "math/vec3.h"

namespace qv3rn {

// Raised inside the reader when the data breaks the format; the load turns it into a null result.
class LwoFormatError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A cursor over a range of bytes: every read that would pass the end of the range throws LwoFormatError, and
// sub-ranges (chunks, sub-chunks) are cut out of it only when they fit into what remains.
class LwoBytes {
public:
    LwoBytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    std::size_t remaining() const { return size_ - position_; }
    bool atEnd() const { return position_ >= size_; }

    std::uint8_t u1();
    std::uint16_t u2();
    std::uint32_t u4();
    std::int16_t i2() { return static_cast<std::int16_t>(u2()); }
    float f4();
    Vec3 vec12();
    LwoId id4() { return u4(); }
    // A point or polygon index: two bytes, or four when the first byte is 0xFF (then the low 24 bits).
    int vx();
    // A zero-terminated name padded to an even length (a missing pad byte at the very end is tolerated).
    std::string s0();
    void skip(std::size_t count);
    // The next `count` bytes as their own range; this cursor moves past them.
    LwoBytes take(std::size_t count, const char* what);
    // A chunk or sub-chunk's pad byte after odd-sized data, when the range still holds it.
    void skipPad(std::size_t dataSize) {
        if ((dataSize & 1) && !atEnd()) skip(1);
    }

private:
    void need(std::size_t count, const char* what) const;

    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t position_ = 0;
};

}  // namespace qv3rn
