// lwo_bytes.cpp -- the object format's encodings, each read only when the bytes are there.
#include "import/lwo_bytes.h"

#include <cstring>  // Required for: std::memcpy, std::memchr

namespace qv3rn {

std::string lwoIdText(LwoId id) {
    std::string text(4, ' ');
    for (int i = 0; i < 4; ++i) {
        const char c = static_cast<char>((id >> (24 - 8 * i)) & 0xFF);
        text[static_cast<std::size_t>(i)] = (c >= 32 && c < 127) ? c : '?';
    }
    return text;
}

void LwoBytes::need(std::size_t count, const char* what) const {
    if (count > remaining())
        throw LwoFormatError(std::string(what) + " needs " + std::to_string(count) + " bytes, " +
                             std::to_string(remaining()) + " remain");
}

std::uint8_t LwoBytes::u1() {
    need(1, "a byte");
    return data_[position_++];
}

std::uint16_t LwoBytes::u2() {
    need(2, "a 16-bit value");
    const std::uint8_t* p = data_ + position_;
    position_ += 2;
    return static_cast<std::uint16_t>((p[0] << 8) | p[1]);
}

std::uint32_t LwoBytes::u4() {
    need(4, "a 32-bit value");
    const std::uint8_t* p = data_ + position_;
    position_ += 4;
    return (static_cast<std::uint32_t>(p[0]) << 24) | (static_cast<std::uint32_t>(p[1]) << 16) |
           (static_cast<std::uint32_t>(p[2]) << 8) | static_cast<std::uint32_t>(p[3]);
}

float LwoBytes::f4() {
    const std::uint32_t raw = u4();
    float value = 0.0f;
    std::memcpy(&value, &raw, sizeof value);
    return value;
}

Vec3 LwoBytes::vec12() {
    const float x = f4();
    const float y = f4();
    const float z = f4();
    return {x, y, z};
}

int LwoBytes::vx() {
    need(1, "an index");
    if (data_[position_] == 0xFF) return static_cast<int>(u4() & 0x00FFFFFFu);
    return u2();
}

std::string LwoBytes::s0() {
    const void* end = remaining() ? std::memchr(data_ + position_, 0, remaining()) : nullptr;
    if (!end) throw LwoFormatError("a name runs past the end of its chunk");
    const auto length = static_cast<std::size_t>(static_cast<const std::uint8_t*>(end) - (data_ + position_));
    std::string text(reinterpret_cast<const char*>(data_ + position_), length);
    position_ += length + 1;
    skipPad(length + 1);
    return text;
}

void LwoBytes::skip(std::size_t count) {
    need(count, "skipped data");
    position_ += count;
}

LwoBytes LwoBytes::take(std::size_t count, const char* what) {
    need(count, what);
    LwoBytes part(data_ + position_, count);
    position_ += count;
    return part;
}

}  // namespace qv3rn
