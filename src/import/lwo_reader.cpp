// lwo_reader.cpp -- reading an object file: the FORM header, the chunk loop and the geometry chunks.
#include <fstream>
#include <iterator>
#include <new>  // Required for: std::bad_alloc

#include "import/lwo_chunks.h"

namespace qv3rn {

namespace {

// Indices in "PTAG" chunks count from the first polygon of the most recent "POLS" chunk of the layer; a
// "PTAG" after a "POLS" of another type than "FACE" tags polygons that were not kept and is skipped.
struct LayerState {
    std::size_t polygonOffset = 0;
    bool lastPolygonsKept = true;
};

// A polygon tag or discontinuous map names polygons by index; these are checked once all chunks are read.
struct PendingTag {
    LwoId type = 0;
    std::size_t polygon = 0;
    int tag = 0;
};

class ObjectReader {
public:
    explicit ObjectReader(LwoObject& object) : object_(object) {}

    void read(LwoBytes file) {
        if (file.remaining() < 12 || file.id4() != lwoId("FORM"))
            throw LwoFormatError("not an IFF FORM");
        const std::uint32_t formSize = file.u4();
        LwoBytes form = file.take(formSize, "the FORM");
        if (form.id4() != lwoId("LWO2")) throw LwoFormatError("the FORM is not of type LWO2");
        while (!form.atEnd()) {
            if (form.remaining() < 8) throw LwoFormatError("a chunk header is cut short");
            const LwoId id = form.id4();
            const std::uint32_t size = form.u4();
            LwoBytes chunk = form.take(size, ("chunk " + lwoIdText(id)).c_str());
            readChunk(id, chunk);
            form.skipPad(size);
        }
        // Patches or curves alone leave nothing to draw; saying so beats a complaint about their tags or maps.
        if (skippedPolygonType_ != 0 && object_.polygonCount() == 0)
            throw LwoFormatError("the object has no polygons (its polygons are of type " +
                                 lwoIdText(skippedPolygonType_) + "; only FACE polygons are read)");
        applyTags();
    }

private:
    LwoLayer& layer() {
        if (object_.layers.empty()) {
            object_.layers.emplace_back();  // geometry before any "LAYR" goes into layer 0
            state_.emplace_back();
        }
        return object_.layers.back();
    }

    void readChunk(LwoId id, LwoBytes& chunk) {
        switch (id) {
        case lwoId("LAYR"): readLayer(chunk); break;
        case lwoId("PNTS"): readPoints(chunk); break;
        case lwoId("BBOX"): {
            LwoLayer& current = layer();
            current.bounds.min = chunk.vec12();
            current.bounds.max = chunk.vec12();
            break;
        }
        case lwoId("VMAP"): layer().pointMaps.push_back(readMap(chunk, false)); break;
        case lwoId("VMAD"): layer().discontinuousMaps.push_back(readMap(chunk, true)); break;
        case lwoId("POLS"): readPolygons(chunk); break;
        case lwoId("PTAG"): readPolygonTags(chunk); break;
        case lwoId("TAGS"):
            while (!chunk.atEnd()) object_.tags.push_back(chunk.s0());
            break;
        case lwoId("SURF"): object_.surfaces.push_back(lwo::readSurface(chunk)); break;
        case lwoId("CLIP"): object_.clips.push_back(lwo::readClip(chunk)); break;
        case lwoId("ENVL"): object_.envelopes.push_back(lwo::readEnvelope(chunk)); break;
        default: break;  // chunks nothing here reads (descriptions, previews, ...) are skipped
        }
    }

    void readLayer(LwoBytes& chunk) {
        LwoLayer layer;
        layer.number = chunk.u2();
        layer.flags = chunk.u2();
        layer.pivot = chunk.vec12();
        layer.name = chunk.s0();
        if (chunk.remaining() >= 2) layer.parent = chunk.i2();
        object_.layers.push_back(std::move(layer));
        state_.emplace_back();
    }

    void readPoints(LwoBytes& chunk) {
        if (chunk.remaining() % 12 != 0) throw LwoFormatError("a PNTS chunk is not a whole number of points");
        LwoLayer& current = layer();
        current.points.reserve(current.points.size() + chunk.remaining() / 12);
        while (!chunk.atEnd()) {
            LwoPoint point;
            point.position = chunk.vec12();
            current.points.push_back(std::move(point));
        }
    }

    static LwoVMap readMap(LwoBytes& chunk, bool perPolygon) {
        LwoVMap map;
        map.perPolygon = perPolygon;
        map.type = chunk.id4();
        map.dimension = chunk.u2();
        map.name = chunk.s0();
        while (!chunk.atEnd()) {
            map.points.push_back(chunk.vx());
            if (perPolygon) map.polygons.push_back(chunk.vx());
            for (int i = 0; i < map.dimension; ++i) map.values.push_back(chunk.f4());
        }
        return map;
    }

    void readPolygons(LwoBytes& chunk) {
        LwoLayer& current = layer();
        LayerState& state = state_.back();
        state.polygonOffset = current.polygons.size();
        const LwoId type = chunk.id4();
        state.lastPolygonsKept = type == lwoId("FACE");
        if (!state.lastPolygonsKept) {  // patches, curves, bones, ... contribute no polygons
            skippedPolygonType_ = type;
            return;
        }
        while (!chunk.atEnd()) {
            const int count = chunk.u2() & 0x03FF;  // the top six bits are flags
            LwoPolygon polygon;
            polygon.corners.reserve(static_cast<std::size_t>(count));
            for (int k = 0; k < count; ++k) polygon.corners.push_back(chunk.vx());
            polygon.cornerMaps.resize(static_cast<std::size_t>(count));
            current.polygons.push_back(std::move(polygon));
        }
    }

    void readPolygonTags(LwoBytes& chunk) {
        LwoLayer& current = layer();
        const LayerState& state = state_.back();
        const LwoId type = chunk.id4();
        if (type != lwoId("SURF") && type != lwoId("SMGP") && type != lwoId("PART")) return;
        if (!state.lastPolygonsKept) return;
        while (!chunk.atEnd()) {
            const auto polygon = state.polygonOffset + static_cast<std::size_t>(chunk.vx());
            const int tag = chunk.u2();
            if (polygon >= current.polygons.size())
                throw LwoFormatError("a polygon tag names polygon " + std::to_string(polygon) + " of " +
                                     std::to_string(current.polygons.size()));
            LwoPolygon& target = current.polygons[polygon];
            if (type == lwoId("SURF")) target.surfaceTag = tag;
            else if (type == lwoId("SMGP")) target.smoothingGroup = tag;
            else target.partTag = tag;
        }
    }

    // Surface tags name tag strings, which name surfaces; a tag without a "SURF" chunk gets a default surface
    // of that name, as the modeller shows it.
    void applyTags() {
        for (LwoLayer& current : object_.layers) {
            for (LwoPolygon& polygon : current.polygons) {
                if (polygon.surfaceTag < 0) continue;
                if (static_cast<std::size_t>(polygon.surfaceTag) >= object_.tags.size())
                    throw LwoFormatError("a polygon names tag " + std::to_string(polygon.surfaceTag) + " of " +
                                         std::to_string(object_.tags.size()));
                const std::string& name = object_.tags[static_cast<std::size_t>(polygon.surfaceTag)];
                if (!object_.findSurface(name)) {
                    auto surface = std::make_unique<LwoSurface>();
                    surface->name = name;
                    object_.surfaces.push_back(std::move(surface));
                }
            }
        }
    }

    LwoObject& object_;
    std::vector<LayerState> state_;
    LwoId skippedPolygonType_ = 0;  // the type of the last polygon chunk that was not read
};

std::unique_ptr<LwoObject> readObject(const std::string& name, const std::uint8_t* data, std::size_t size,
                                      std::string* error) {
    try {
        auto object = std::make_unique<LwoObject>();
        object->name = name;
        ObjectReader(*object).read(LwoBytes(data, size));
        lwo::postProcess(*object);
        return object;
    } catch (const LwoFormatError& failure) {
        if (error) *error = failure.what();
    } catch (const std::bad_alloc&) {
        if (error) *error = "out of memory";
    } catch (const std::length_error&) {
        if (error) *error = "out of memory";
    }
    return nullptr;
}

}  // namespace

LwoProjection projectionFromFileCode(int code) {
    switch (code) {
    case 0: return LwoProjection::Planar;
    case 1: return LwoProjection::Cylindrical;
    case 2: return LwoProjection::Spherical;
    case 3: return LwoProjection::Cubic;
    case 4: return LwoProjection::Front;
    case 5: return LwoProjection::UV;
    default: return LwoProjection::None;
    }
}

int LwoVMap::entryOfPoint(int point) const {
    for (int entry = entryCount() - 1; entry >= 0; --entry)
        if (points[static_cast<std::size_t>(entry)] == point) return entry;
    return -1;
}

const LwoSurface* LwoObject::findSurface(const std::string& surfaceName) const {
    for (const auto& surface : surfaces)
        if (surface->name == surfaceName) return surface.get();
    return nullptr;
}

int LwoObject::pointCount() const {
    std::size_t count = 0;
    for (const LwoLayer& layer : layers) count += layer.points.size();
    return static_cast<int>(count);
}

int LwoObject::polygonCount() const {
    std::size_t count = 0;
    for (const LwoLayer& layer : layers) count += layer.polygons.size();
    return static_cast<int>(count);
}

const LwoVMap* LwoLayer::textureMap(const LwoTexture& texture) const {
    for (const GeneratedMap& generated : generatedMaps)
        if (generated.texture == &texture) return &pointMaps[static_cast<std::size_t>(generated.map)];
    return findPointMap(*this, texture.pointMap);
}

const LwoVMap* findPointMap(const LwoLayer& layer, const std::string& name) {
    for (const LwoVMap& map : layer.pointMaps)
        if (map.name == name) return &map;
    return nullptr;
}

const LwoVMap* findPointMap(const LwoObject& object, const std::string& name) {
    for (const LwoLayer& layer : object.layers)
        if (const LwoVMap* map = findPointMap(layer, name)) return map;
    return nullptr;
}

std::unique_ptr<LwoObject> loadObjectFromMemory(const std::string& name, const std::uint8_t* data, std::size_t size,
                                                std::string* error) {
    return readObject(name, data, size, error);
}

std::unique_ptr<LwoObject> loadObject(const std::string& path, std::string* error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        if (error) *error = "cannot open " + path;
        return nullptr;
    }
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) {
        if (error) *error = "cannot read " + path;
        return nullptr;
    }
    return readObject(path, bytes.data(), bytes.size(), error);
}

void freeObject(std::unique_ptr<LwoObject>& object) { object.reset(); }

}  // namespace qv3rn
