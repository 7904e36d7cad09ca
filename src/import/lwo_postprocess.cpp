// lwo_postprocess.cpp -- what is derived after reading an object: index checks, normals, surfaces, generated
// texture coordinates, type slots, triangulation, split discontinuous points and bounding boxes.
#include <algorithm>
#include <cmath>
#include <cstdio>  // Required for: std::snprintf
#include <map>

#include "import/lwo_chunks.h"

namespace qv3rn::lwo {

namespace {

constexpr double twoPi = 6.283185307179586;
constexpr double inverseTwoPi = 0.15915494309189535;  // 1 / (2 pi)
constexpr double inversePi = 0.3183098861837907;      // 1 / pi
constexpr double halfPi = 1.5707963267948966;

// Generated maps hold one entry per point for every projected surface in every layer; an object whose
// surfaces and points would multiply beyond this many entries is refused rather than exhausting memory.
constexpr std::size_t generatedEntryBudget = std::size_t{1} << 24;

struct TexCoordPair {
    float u = 0.0f;
    float v = 0.0f;
};

std::string indexError(const char* what, std::size_t index, std::size_t count) {
    return std::string(what) + " " + std::to_string(index) + " of " + std::to_string(count);
}

// Every point and polygon index must name something of its layer before anything is derived from it.
void checkIndices(const LwoLayer& layer) {
    const std::size_t points = layer.points.size();
    for (const LwoPolygon& polygon : layer.polygons)
        for (int corner : polygon.corners)
            if (static_cast<std::size_t>(corner) >= points)
                throw LwoFormatError(indexError("a polygon names point", static_cast<std::size_t>(corner), points));
    for (const LwoVMap& map : layer.pointMaps)
        for (int point : map.points)
            if (static_cast<std::size_t>(point) >= points)
                throw LwoFormatError(indexError("a point map names point", static_cast<std::size_t>(point), points));
    for (const LwoVMap& map : layer.discontinuousMaps) {
        for (std::size_t e = 0; e < map.points.size(); ++e) {
            if (static_cast<std::size_t>(map.points[e]) >= points)
                throw LwoFormatError(indexError("a discontinuous map names point",
                                                static_cast<std::size_t>(map.points[e]), points));
            if (static_cast<std::size_t>(map.polygons[e]) >= layer.polygons.size())
                throw LwoFormatError(indexError("a discontinuous map names polygon",
                                                static_cast<std::size_t>(map.polygons[e]), layer.polygons.size()));
        }
    }
}

// Each discontinuous-map entry belongs to the corner of its polygon that uses its point; an entry whose point
// is not a corner of its polygon belongs to no corner.
void attachDiscontinuousMaps(LwoLayer& layer) {
    for (std::size_t m = 0; m < layer.discontinuousMaps.size(); ++m) {
        const LwoVMap& map = layer.discontinuousMaps[m];
        for (int e = 0; e < map.entryCount(); ++e) {
            LwoPolygon& polygon = layer.polygons[static_cast<std::size_t>(map.polygons[static_cast<std::size_t>(e)])];
            const int point = map.points[static_cast<std::size_t>(e)];
            for (std::size_t k = 0; k < polygon.corners.size(); ++k) {
                if (polygon.corners[k] != point) continue;
                polygon.cornerMaps[k].push_back({static_cast<int>(m), e});
                break;
            }
        }
    }
}

void linkPointsToPolygons(LwoLayer& layer) {
    for (LwoPoint& point : layer.points) point.polygons.clear();
    for (std::size_t p = 0; p < layer.polygons.size(); ++p) {
        for (int corner : layer.polygons[p].corners) {
            std::vector<int>& users = layer.points[static_cast<std::size_t>(corner)].polygons;
            if (std::find(users.begin(), users.end(), static_cast<int>(p)) == users.end())
                users.push_back(static_cast<int>(p));
        }
    }
}

void computeNormals(LwoLayer& layer) {
    for (LwoPolygon& polygon : layer.polygons) {
        if (polygon.corners.size() < 3) continue;
        const Vec3& p0 = layer.points[static_cast<std::size_t>(polygon.corners.front())].position;
        const Vec3& p1 = layer.points[static_cast<std::size_t>(polygon.corners[1])].position;
        const Vec3& pk = layer.points[static_cast<std::size_t>(polygon.corners.back())].position;
        polygon.normal = cross(p1 - p0, pk - p0).normalized();
    }
    for (LwoPoint& point : layer.points) {
        Vec3 sum;
        for (int p : point.polygons) sum += layer.polygons[static_cast<std::size_t>(p)].normal;
        point.normal = sum.normalized();
    }
}

void resolveSurfaces(LwoObject& object, LwoLayer& layer) {
    for (LwoPolygon& polygon : layer.polygons)
        if (polygon.surfaceTag >= 0)
            polygon.surface = object.findSurface(object.tags[static_cast<std::size_t>(polygon.surfaceTag)]);
}

// A size component of zero would divide by zero; such an axis is taken at unit size.
float safeSize(float size) { return size != 0.0f ? size : 1.0f; }

// The texture position of `p` in a planar projection along `axis` (1 X, 2 Y, 3 Z).
TexCoordPair planar(const Vec3& p, const LwoTextureMapping& mapping, int axis) {
    const float x = (p.x - mapping.centre.x) / safeSize(mapping.size.x) + 0.5f;
    const float y = (p.y - mapping.centre.y) / safeSize(mapping.size.y) + 0.5f;
    const float z = (p.z - mapping.centre.z) / safeSize(mapping.size.z) + 0.5f;
    if (axis == 1) return {z, y};
    if (axis == 2) return {x, z};
    return {x, y};
}

// The offset from the centre rearranged for the heading and pitch of the projection axis.
Vec3 axisFrame(const Vec3& d, int axis) {
    if (axis == 1) return {-d.z, -d.x, -d.y};
    if (axis == 2) return {-d.x, -d.y, -d.z};
    return {-d.x, d.z, -d.y};
}

double heading(const Vec3& r) {
    double h = -std::atan2(static_cast<double>(r.x), static_cast<double>(r.z));
    if (h < 0.0) h += twoPi;
    return h;
}

TexCoordPair spherical(const Vec3& p, const LwoTextureMapping& mapping, int axis) {
    const Vec3 r = axisFrame(p - mapping.centre, axis);
    const double h = heading(r);
    const double root = std::sqrt(static_cast<double>(r.x) * r.x + static_cast<double>(r.z) * r.z);
    double q = 0.0;
    if (root != 0.0) q = std::atan(r.y / root);
    else if (r.y != 0.0f) q = r.y > 0.0f ? halfPi : -halfPi;
    return {static_cast<float>(1.0 - h * inverseTwoPi), static_cast<float>(0.5 - q * inversePi)};
}

// Around the axis like the spherical heading; along it like the planar projection.
TexCoordPair cylindrical(const Vec3& p, const LwoTextureMapping& mapping, int axis) {
    const Vec3 r = axisFrame(p - mapping.centre, axis);
    const double h = heading(r);
    float along = 0.0f;
    if (axis == 1) along = (p.x - mapping.centre.x) / safeSize(mapping.size.x);
    else if (axis == 2) along = (p.y - mapping.centre.y) / safeSize(mapping.size.y);
    else along = (p.z - mapping.centre.z) / safeSize(mapping.size.z);
    return {static_cast<float>(1.0 - h * inverseTwoPi), along + 0.5f};
}

// The axis (1 X, 2 Y, 3 Z) along which a polygon's normal is largest.
int dominantAxis(const Vec3& normal) {
    const float x = std::fabs(normal.x), y = std::fabs(normal.y), z = std::fabs(normal.z);
    if (x >= y && x >= z) return 1;
    return y >= z ? 2 : 3;
}

const char* generatedMapFormat(LwoProjection projection) {
    switch (projection) {
    case LwoProjection::Planar: return "planar_uv_%d";
    case LwoProjection::Cubic: return "cubic_uv_%d";
    case LwoProjection::Cylindrical: return "cylinder_uv_%d";
    case LwoProjection::Spherical: return "sphere_uv_%d";
    default: return nullptr;
    }
}

// For each surface, the first image block with a planar, cubic, cylindrical or spherical projection gets a
// new "TXUV" map of one entry per point. Planar and cylindrical coordinates are a function of the point;
// cubic and spherical ones are written for every corner of the surface's polygons.
LwoTexture* projectedTexture(LwoSurface& surface) {
    for (LwoTexture& candidate : surface.textures)
        if (candidate.type == LwoTextureType::Image && generatedMapFormat(candidate.projection)) return &candidate;
    return nullptr;
}

void generateTextureCoordinates(LwoObject& object, LwoLayer& layer, std::size_t& generatedEntries) {
    for (const auto& surface : object.surfaces)
        if (projectedTexture(*surface)) generatedEntries += layer.points.size();
    if (generatedEntries > generatedEntryBudget)
        throw LwoFormatError("generated texture coordinates would exceed " + std::to_string(generatedEntryBudget) +
                             " entries");
    for (const auto& surface : object.surfaces) {
        LwoTexture* texture = projectedTexture(*surface);
        if (!texture) continue;
        char name[32];
        std::snprintf(name, sizeof name, generatedMapFormat(texture->projection),
                      static_cast<int>(layer.pointMaps.size()) + 1);
        LwoVMap map;
        map.type = lwoId("TXUV");
        map.dimension = 2;
        map.name = name;
        map.points.resize(layer.points.size());
        for (std::size_t p = 0; p < layer.points.size(); ++p) map.points[p] = static_cast<int>(p);
        map.values.assign(2 * layer.points.size(), 0.0f);
        auto store = [&map](int point, TexCoordPair uv) {
            map.values[2 * static_cast<std::size_t>(point)] = uv.u;
            map.values[2 * static_cast<std::size_t>(point) + 1] = uv.v;
        };
        const LwoTextureMapping& mapping = texture->mapping;
        const int axis = texture->axis;
        switch (texture->projection) {
        case LwoProjection::Planar:
            for (std::size_t p = 0; p < layer.points.size(); ++p)
                store(static_cast<int>(p), planar(layer.points[p].position, mapping, axis));
            break;
        case LwoProjection::Cylindrical:
            for (std::size_t p = 0; p < layer.points.size(); ++p)
                store(static_cast<int>(p), cylindrical(layer.points[p].position, mapping, axis));
            break;
        case LwoProjection::Cubic:
        case LwoProjection::Spherical:
            for (const LwoPolygon& polygon : layer.polygons) {
                if (polygon.surface != surface.get()) continue;
                const int cubeAxis = dominantAxis(polygon.normal);
                for (int corner : polygon.corners) {
                    const Vec3& position = layer.points[static_cast<std::size_t>(corner)].position;
                    store(corner, texture->projection == LwoProjection::Cubic ? planar(position, mapping, cubeAxis)
                                                                              : spherical(position, mapping, axis));
                }
            }
            break;
        default: break;
        }
        texture->pointMap = map.name;
        layer.pointMaps.push_back(std::move(map));
        layer.generatedMaps.push_back({texture, static_cast<int>(layer.pointMaps.size()) - 1});
    }
}

void fillTypeSlots(LwoLayer& layer) {
    layer.slots.fill(-1);
    for (std::size_t m = 0; m < layer.pointMaps.size(); ++m)
        for (std::size_t s = 0; s < lwoSlotTypes.size(); ++s)
            if (layer.pointMaps[m].type == lwoSlotTypes[s]) layer.slots[s] = static_cast<int>(m);
}

// Polygons of four or more corners become the fan (c0, ci, ci+1), in place in the list.
void triangulate(LwoLayer& layer) {
    std::size_t extra = 0;
    for (const LwoPolygon& polygon : layer.polygons)
        if (polygon.corners.size() > 3) extra += polygon.corners.size() - 3;
    if (extra == 0) return;
    std::vector<LwoPolygon> result;
    result.reserve(layer.polygons.size() + extra);
    for (LwoPolygon& polygon : layer.polygons) {
        const std::size_t n = polygon.corners.size();
        if (n <= 3) {
            result.push_back(std::move(polygon));
            continue;
        }
        for (std::size_t i = 1; i + 1 < n; ++i) {
            LwoPolygon triangle;
            triangle.corners = {polygon.corners[0], polygon.corners[i], polygon.corners[i + 1]};
            triangle.cornerMaps = {polygon.cornerMaps[0], polygon.cornerMaps[i], polygon.cornerMaps[i + 1]};
            triangle.normal = polygon.normal;
            triangle.surfaceTag = polygon.surfaceTag;
            triangle.surface = polygon.surface;
            triangle.smoothingGroup = polygon.smoothingGroup;
            triangle.partTag = polygon.partTag;
            result.push_back(std::move(triangle));
        }
    }
    layer.polygons = std::move(result);
}

// Corners with their own discontinuous-map entry for their point are visited in order: the first keeps the
// point, each later one gets a copy of it, and its entries are re-pointed to the copy. Corners that share an
// entry (the fan triangles of one polygon) share the point that entry was given.
void splitDiscontinuousPoints(LwoLayer& layer) {
    std::vector<bool> claimed(layer.points.size(), false);
    std::map<std::pair<int, int>, int> pointOfEntry;  // (map, entry) -> the point it was given
    for (LwoPolygon& polygon : layer.polygons) {
        for (std::size_t k = 0; k < polygon.corners.size(); ++k) {
            const int point = polygon.corners[k];
            int target = -1;
            std::vector<const LwoCornerMapRef*> own;
            for (const LwoCornerMapRef& ref : polygon.cornerMaps[k]) {
                const auto given = pointOfEntry.find({ref.map, ref.entry});
                if (given != pointOfEntry.end()) {
                    if (target < 0) target = given->second;
                    continue;
                }
                const LwoVMap& map = layer.discontinuousMaps[static_cast<std::size_t>(ref.map)];
                if (map.points[static_cast<std::size_t>(ref.entry)] == point) own.push_back(&ref);
            }
            if (target < 0 && own.empty()) continue;
            if (target < 0) {
                if (!claimed[static_cast<std::size_t>(point)]) {
                    claimed[static_cast<std::size_t>(point)] = true;
                    target = point;
                } else {
                    LwoPoint copy;
                    copy.position = layer.points[static_cast<std::size_t>(point)].position;
                    copy.normal = layer.points[static_cast<std::size_t>(point)].normal;
                    layer.points.push_back(std::move(copy));
                    claimed.push_back(true);
                    target = static_cast<int>(layer.points.size()) - 1;
                }
            }
            polygon.corners[k] = target;
            for (const LwoCornerMapRef* ref : own) {
                layer.discontinuousMaps[static_cast<std::size_t>(ref->map)].points[static_cast<std::size_t>(ref->entry)] =
                    target;
                pointOfEntry[{ref->map, ref->entry}] = target;
            }
        }
    }
}

void computeBounds(LwoLayer& layer) {
    if (layer.points.empty()) {
        layer.bounds = BoundingBox{};
        return;
    }
    layer.bounds = BoundingBox::around(layer.points.front().position);
    for (const LwoPoint& point : layer.points) layer.bounds.extend(point.position);
}

}  // namespace

void postProcess(LwoObject& object) {
    std::size_t generatedEntries = 0;
    for (LwoLayer& layer : object.layers) {
        checkIndices(layer);
        attachDiscontinuousMaps(layer);
        linkPointsToPolygons(layer);
        computeNormals(layer);
        resolveSurfaces(object, layer);
        generateTextureCoordinates(object, layer, generatedEntries);
        fillTypeSlots(layer);
        triangulate(layer);
        splitDiscontinuousPoints(layer);
        linkPointsToPolygons(layer);
        computeBounds(layer);
    }
}

}  // namespace qv3rn::lwo
