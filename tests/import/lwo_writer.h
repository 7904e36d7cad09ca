// lwo_writer.h -- a minimal writer of LightWave objects (LWO2) for tests: chunks, sub-chunks and the format's
// encodings, big-endian, so that every test object is made by the test itself.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "math/vec3.h"

namespace qv3rn::test {

class LwoData {
public:
    LwoData& id(const char* four) { return raw(std::vector<std::uint8_t>(four, four + 4)); }
    LwoData& u1(unsigned value) { return raw({static_cast<std::uint8_t>(value)}); }
    LwoData& u2(unsigned value) { return u1(value >> 8).u1(value); }
    LwoData& u4(std::uint32_t value) { return u2(value >> 16).u2(value & 0xFFFF); }
    LwoData& f4(float value) {
        std::uint32_t raw = 0;
        std::memcpy(&raw, &value, 4);
        return u4(raw);
    }
    LwoData& vec(const Vec3& v) { return f4(v.x).f4(v.y).f4(v.z); }
    // Two bytes below 0xFF00, else four with 0xFF first.
    LwoData& vx(std::uint32_t index) { return index < 0xFF00 ? u2(index) : u4(0xFF000000u | index); }
    LwoData& s0(const std::string& text) {
        bytes.insert(bytes.end(), text.begin(), text.end());
        return u1(0).raw(text.size() % 2 ? std::vector<std::uint8_t>{} : std::vector<std::uint8_t>{0});
    }
    LwoData& raw(const std::vector<std::uint8_t>& more) {
        bytes.insert(bytes.end(), more.begin(), more.end());
        return *this;
    }
    // A chunk: id, 32-bit size (or `claimedSize` when given, to lie), data, pad byte.
    LwoData& chunk(const char* four, const LwoData& data, long claimedSize = -1) {
        id(four).u4(
            static_cast<std::uint32_t>(claimedSize >= 0 ? static_cast<std::size_t>(claimedSize) : data.bytes.size()));
        return raw(data.bytes).raw(std::vector<std::uint8_t>(data.bytes.size() % 2, 0));
    }
    // A sub-chunk: id, 16-bit size, data, pad byte.
    LwoData& sub(const char* four, const LwoData& data) {
        id(four).u2(static_cast<unsigned>(data.bytes.size()));
        return raw(data.bytes).raw(std::vector<std::uint8_t>(data.bytes.size() % 2, 0));
    }

    std::vector<std::uint8_t> bytes;
};

// The whole file: "FORM", the size, the type and the chunks.
inline std::vector<std::uint8_t> lwoFile(const LwoData& chunks, const char* type = "LWO2") {
    LwoData body;
    body.id(type).raw(chunks.bytes);
    LwoData file;
    file.chunk("FORM", body);
    return file.bytes;
}

// Chunk builders for the parts of an object the tests use.
inline LwoData layerChunk(int number, const std::string& name = "") {
    return LwoData().u2(static_cast<unsigned>(number)).u2(0).vec({}).s0(name);
}
inline LwoData pointsChunk(const std::vector<Vec3>& points) {
    LwoData data;
    for (const Vec3& p : points) data.vec(p);
    return data;
}
inline LwoData polygonsChunk(const std::vector<std::vector<int>>& polygons, const char* type = "FACE") {
    LwoData data;
    data.id(type);
    for (const auto& polygon : polygons) {
        data.u2(static_cast<unsigned>(polygon.size()));
        for (int corner : polygon) data.vx(static_cast<std::uint32_t>(corner));
    }
    return data;
}
inline LwoData tagsChunk(const std::vector<std::string>& tags) {
    LwoData data;
    for (const std::string& tag : tags) data.s0(tag);
    return data;
}
// (polygon, tag) pairs of one tag type.
inline LwoData polygonTagsChunk(const std::vector<std::pair<int, int>>& tags, const char* type = "SURF") {
    LwoData data;
    data.id(type);
    for (const auto& [polygon, tag] : tags) data.vx(static_cast<std::uint32_t>(polygon)).u2(static_cast<unsigned>(tag));
    return data;
}
struct MapEntry {
    int point;
    std::vector<float> values;
    int polygon = -1;  // discontinuous maps only
};
inline LwoData mapChunk(const char* type, int dimension, const std::string& name,
                        const std::vector<MapEntry>& entries) {
    LwoData data;
    data.id(type).u2(static_cast<unsigned>(dimension)).s0(name);
    for (const MapEntry& entry : entries) {
        data.vx(static_cast<std::uint32_t>(entry.point));
        if (entry.polygon >= 0) data.vx(static_cast<std::uint32_t>(entry.polygon));
        for (float v : entry.values) data.f4(v);
    }
    return data;
}

// An image-map block: channel, projection and axis as the file codes them (0 planar, 2 spherical, 5 UV;
// axis 0 X, 1 Y, 2 Z), the mapping's centre and size, and the UV map's name for projection 5.
struct ImageBlock {
    const char* channel = "COLR";
    int projection = 5;
    int axis = 2;
    std::string uvMap{};
    Vec3 centre{};
    Vec3 size{1.0f, 1.0f, 1.0f};
    std::string ordinal = "\x80";
    LwoData extra{};  // more sub-chunks, written after the usual ones
};
inline LwoData imageBlock(const ImageBlock& block) {
    LwoData header;
    header.s0(block.ordinal)
        .sub("CHAN", LwoData().id(block.channel))
        .sub("ENAB", LwoData().u2(1))
        .sub("OPAC", LwoData().u2(0).f4(1.0f).vx(0));
    LwoData mapping;
    mapping.sub("CNTR", LwoData().vec(block.centre).vx(0))
        .sub("SIZE", LwoData().vec(block.size).vx(0))
        .sub("ROTA", LwoData().vec({}).vx(0))
        .sub("CSYS", LwoData().u2(0));
    LwoData data;
    data.sub("IMAP", header).sub("TMAP", mapping).sub("PROJ", LwoData().u2(static_cast<unsigned>(block.projection)));
    data.sub("AXIS", LwoData().u2(static_cast<unsigned>(block.axis))).sub("IMAG", LwoData().vx(1));
    data.sub("WRAP", LwoData().u2(1).u2(1));
    if (!block.uvMap.empty()) data.sub("VMAP", LwoData().s0(block.uvMap));
    return data.raw(block.extra.bytes);
}
inline LwoData surfaceChunk(const std::string& name, const std::vector<ImageBlock>& blocks = {}) {
    LwoData data;
    data.s0(name).s0("");
    data.sub("COLR", LwoData().vec({0.5f, 0.25f, 1.0f}).vx(0)).sub("DIFF", LwoData().f4(0.75f).vx(0));
    data.sub("SIDE", LwoData().u2(3)).sub("SMAN", LwoData().f4(1.5f));
    for (const ImageBlock& block : blocks) data.sub("BLOK", imageBlock(block));
    return data;
}

}  // namespace qv3rn::test
