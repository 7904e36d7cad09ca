// tga_decoder.cpp -- TGA header, colour map, raw and run-length pixel data, rows flipped into the store.
#include "image/tga_decoder.h"

#include <vector>

#include "core/message_hook.h"
#include "image/pixel_packing.h"

namespace qv3rn {

namespace {

constexpr std::size_t headerSize = 18;
constexpr const char* boxCaption = "TGA";

// Reads forward through the file bytes; every read is checked against the end.
class ByteReader {
public:
    ByteReader(const std::uint8_t* bytes, std::size_t size) : bytes_(bytes), size_(size) {}
    std::uint8_t u8() { return bytes_[position_++]; }  // callers check remaining() first
    std::uint16_t u16() {
        const std::uint16_t low = u8();
        return static_cast<std::uint16_t>(low | u8() << 8);
    }
    // The next `count` bytes, or null (and nothing consumed) when fewer remain.
    const std::uint8_t* take(std::size_t count) {
        if (count > remaining()) return nullptr;
        const std::uint8_t* start = bytes_ + position_;
        position_ += count;
        return start;
    }
    std::size_t remaining() const { return size_ - position_; }

private:
    const std::uint8_t* bytes_;
    std::size_t size_;
    std::size_t position_ = 0;
};

struct TgaHeader {
    std::uint8_t idLength = 0;
    std::uint8_t colorMapType = 0;
    std::uint8_t imageType = 0;
    std::uint16_t colorMapFirst = 0;
    std::uint16_t colorMapLength = 0;
    std::uint8_t colorMapEntrySize = 0;
    std::uint16_t xOrigin = 0;
    std::uint16_t yOrigin = 0;
    std::uint16_t width = 0;
    std::uint16_t height = 0;
    std::uint8_t pixelDepth = 0;
    std::uint8_t descriptor = 0;
};

TgaHeader readHeader(ByteReader& in) {
    TgaHeader h;
    h.idLength = in.u8();
    h.colorMapType = in.u8();
    h.imageType = in.u8();
    h.colorMapFirst = in.u16();
    h.colorMapLength = in.u16();
    h.colorMapEntrySize = in.u8();
    h.xOrigin = in.u16();
    h.yOrigin = in.u16();
    h.width = in.u16();
    h.height = in.u16();
    h.pixelDepth = in.u8();
    h.descriptor = in.u8();
    return h;
}

bool isColorMapped(int type) { return type == 1 || type == 9; }
bool isTrueColor(int type) { return type == 2 || type == 10; }
bool isGrey(int type) { return type == 3 || type == 11; }
bool isRunLength(int type) { return type >= 9; }

// Turns one stored pixel of `inBytes` bytes into `outBytes` bytes of the decoded picture.
struct PixelConverter {
    int inBytes;
    int outBytes;
    const std::vector<std::uint8_t>* colorMap;  // 24-bit entries, blue-green-red; only for colour-mapped images

    // False for an index outside the colour map.
    bool convert(const std::uint8_t* in, std::uint8_t* out) const {
        if (colorMap) {
            const std::size_t entry = static_cast<std::size_t>(in[0]) * 3;
            if (entry + 3 > colorMap->size()) return false;
            out[0] = (*colorMap)[entry];
            out[1] = (*colorMap)[entry + 1];
            out[2] = (*colorMap)[entry + 2];
            return true;
        }
        if (inBytes == 2) {  // 5-5-5 colour, bit 15 ignored: blue, green, red
            const unsigned v = static_cast<unsigned>(in[0]) | static_cast<unsigned>(in[1]) << 8;
            out[0] = static_cast<std::uint8_t>((v & 0x1F) << 3);
            out[1] = static_cast<std::uint8_t>(((v >> 5) & 0x1F) << 3);
            out[2] = static_cast<std::uint8_t>(((v >> 10) & 0x1F) << 3);
            return true;
        }
        for (int i = 0; i < outBytes; ++i) out[i] = in[i];
        return true;
    }
};

class TgaReader {
public:
    TgaReader(ByteReader& in, std::string& error) : in_(in), error_(error) {}

    // Decodes `pixelCount` stored pixels into `out` (pixelCount x converter.outBytes bytes).
    bool readPixels(std::size_t pixelCount, bool runLength, const PixelConverter& converter, std::uint8_t* out) {
        return runLength ? readRunLength(pixelCount, converter, out) : readRaw(pixelCount, converter, out);
    }

private:
    bool readRaw(std::size_t pixelCount, const PixelConverter& converter, std::uint8_t* out) {
        const std::uint8_t* in = in_.take(pixelCount * static_cast<std::size_t>(converter.inBytes));
        if (!in) return truncated();
        for (std::size_t i = 0; i < pixelCount; ++i, in += converter.inBytes, out += converter.outBytes)
            if (!converter.convert(in, out)) return badIndex(in[0]);
        return true;
    }

    // Packets: a header byte h covers (h & 0x7F) + 1 pixels; with h & 0x80 one stored pixel repeats, otherwise
    // that many stored pixels follow. A packet that runs past the last pixel is cut there.
    bool readRunLength(std::size_t pixelCount, const PixelConverter& converter, std::uint8_t* out) {
        std::size_t produced = 0;
        while (produced < pixelCount) {
            const std::uint8_t* packet = in_.take(1);
            if (!packet) return truncated();
            std::size_t count = static_cast<std::size_t>(*packet & 0x7F) + 1;
            if (count > pixelCount - produced) count = pixelCount - produced;
            if (*packet & 0x80) {
                const std::uint8_t* in = in_.take(static_cast<std::size_t>(converter.inBytes));
                if (!in) return truncated();
                if (!converter.convert(in, out)) return badIndex(in[0]);
                for (std::size_t i = 1; i < count; ++i)
                    for (int b = 0; b < converter.outBytes; ++b) out[i * converter.outBytes + b] = out[b];
            } else {
                const std::uint8_t* in = in_.take(count * static_cast<std::size_t>(converter.inBytes));
                if (!in) return truncated();
                for (std::size_t i = 0; i < count; ++i)
                    if (!converter.convert(in + i * converter.inBytes, out + i * converter.outBytes))
                        return badIndex(in[i * converter.inBytes]);
            }
            out += count * static_cast<std::size_t>(converter.outBytes);
            produced += count;
        }
        return true;
    }

    bool truncated() {
        error_ = "the file ends inside its pixel data";
        return false;
    }
    bool badIndex(int index) {
        error_ = "colour index " + std::to_string(index) + " lies outside the colour map";
        return false;
    }

    ByteReader& in_;
    std::string& error_;
};

}  // namespace

bool TgaDecoder::decodeImage(const std::uint8_t* bytes, std::size_t size, ImageFormat format, PixelStore& store) {
    if (size < headerSize) return fail("the file is shorter than the 18-byte TGA header");
    ByteReader in(bytes, size);
    const TgaHeader header = readHeader(in);
    if (!in.take(header.idLength)) return fail("the file ends inside its image id field");

    const int type = header.imageType;
    std::vector<std::uint8_t> colorMap;
    if (isColorMapped(type)) {
        if (header.colorMapType != 1 || header.colorMapEntrySize != 24) {
            showMessage(boxCaption, "Only 24bit paletted images are supported.");
            return fail("only colour maps with 24-bit entries are supported");
        }
        const std::uint8_t* entries = in.take(static_cast<std::size_t>(header.colorMapLength) * 3);
        if (!entries) return fail("the file ends inside its colour map");
        colorMap.assign(entries, entries + static_cast<std::size_t>(header.colorMapLength) * 3);
    } else if (isTrueColor(type) || isGrey(type)) {
        // A colour map in front of true-colour or grey pixels is not used, but its bytes come before the pixels.
        if (header.colorMapType == 1) {
            const std::size_t entryBytes = (static_cast<std::size_t>(header.colorMapEntrySize) + 7) / 8;
            if (!in.take(static_cast<std::size_t>(header.colorMapLength) * entryBytes))
                return fail("the file ends inside its colour map");
        }
    } else {
        showMessage(boxCaption, "Unsupported image type.");
        return fail("unsupported TGA image type " + std::to_string(type));
    }

    const int depth = header.pixelDepth;
    if (depth != 8 && depth != 16 && depth != 24 && depth != 32) {
        showMessage(boxCaption, "Unsupported image depth.");
        return fail("unsupported TGA pixel depth " + std::to_string(depth));
    }
    if (depth == 8 && isGrey(type)) return fail("grey TGA images are not supported");
    if (depth == 8 && !isColorMapped(type)) return fail("8-bit pixels need a colour map or grey image type");
    if (depth != 8 && !isTrueColor(type))
        return fail("a " + std::to_string(depth) + "-bit image must be a true-colour image");
    if (header.width == 0 || header.height == 0) return fail("the image has no pixels");
    if (header.width > maxImageSide || header.height > maxImageSide) return fail("the image is too large");

    const int width = header.width;
    const int height = header.height;
    const std::size_t pixelCount = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    const int inBytes = depth / 8;
    const int outBytes = depth == 32 ? 4 : 3;
    const bool runLength = isRunLength(type);

    // Refuse what the remaining bytes cannot hold before allocating anything: raw pixels take inBytes each, and a
    // run-length packet of at least 1 + inBytes bytes gives at most 128 pixels.
    const std::size_t available = in.remaining();
    if (runLength ? pixelCount > (available / (1 + static_cast<std::size_t>(inBytes))) * 128
                  : pixelCount * static_cast<std::size_t>(inBytes) > available)
        return fail("the file is shorter than its " + std::to_string(width) + " x " + std::to_string(height) +
                    " pixels need");

    const SourceLayout& layout = outBytes == 4 ? bgraLayout : bgrLayout;
    const std::size_t rowBytes = static_cast<std::size_t>(width) * static_cast<std::size_t>(outBytes);

    // Raw 24- and 32-bit rows are packed straight from the file bytes; everything else is decoded first.
    const std::uint8_t* picture = nullptr;
    std::vector<std::uint8_t> decoded;
    if (!runLength && (depth == 24 || depth == 32)) {
        picture = in.take(pixelCount * static_cast<std::size_t>(inBytes));
    } else {
        decoded.resize(pixelCount * static_cast<std::size_t>(outBytes));
        const PixelConverter converter{inBytes, outBytes, isColorMapped(type) ? &colorMap : nullptr};
        std::string error;
        if (!TgaReader(in, error).readPixels(pixelCount, runLength, converter, decoded.data()))
            return fail(error);
        picture = decoded.data();
    }

    store.allocate(width, height, format);
    for (int fileRow = 0; fileRow < height; ++fileRow)
        packRow(store, height - 1 - fileRow, picture + static_cast<std::size_t>(fileRow) * rowBytes, layout);
    return true;
}

}  // namespace qv3rn
