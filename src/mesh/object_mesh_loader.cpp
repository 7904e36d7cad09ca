// object_mesh_loader.cpp -- turning a LightWave object's layers, surfaces and maps into an engine mesh.
#include "mesh/object_mesh_loader.h"

#include <algorithm>
#include <unordered_map>

#include "core/log.h"
#include "mesh/shader_lookup.h"

namespace qv3rn {

namespace {

// The texture channels that feed texture-coordinate sets, in the order the sets are handed out.
constexpr LwoId setChannels[4] = {colourChannel, diffuseChannel, luminosityChannel, specularChannel};

bool feedsTextureSet(const LwoTexture& texture) {
    return texture.type == LwoTextureType::Image && !texture.pointMap.empty() &&
           std::find(std::begin(setChannels), std::end(setChannels), texture.channel) != std::end(setChannels);
}

std::uint8_t colourByte(float value) {
    const float scaled = value * 255.0f;
    if (!(scaled > 0.0f)) return 0;  // negative values and NaN
    return scaled >= 255.0f ? 255 : static_cast<std::uint8_t>(scaled);
}

// Entries of a point map by point, built once per map.
class PointIndex {
public:
    int entry(const LwoVMap* map, int point) {
        if (!map) return -1;
        auto found = index_.find(map);
        if (found == index_.end()) {
            std::vector<int> entries;
            for (int e = 0; e < map->entryCount(); ++e) {
                const auto p = static_cast<std::size_t>(map->points[static_cast<std::size_t>(e)]);
                if (p >= entries.size()) entries.resize(p + 1, -1);
                entries[p] = e;  // the last entry of a point wins
            }
            found = index_.emplace(map, std::move(entries)).first;
        }
        const std::vector<int>& entries = found->second;
        return point >= 0 && static_cast<std::size_t>(point) < entries.size() ? entries[static_cast<std::size_t>(point)]
                                                                               : -1;
    }

private:
    std::unordered_map<const LwoVMap*, std::vector<int>> index_;
};

int triangleCountOf(const LwoObject& object) {
    std::size_t count = 0;
    for (const LwoLayer& layer : object.layers)
        for (const LwoPolygon& polygon : layer.polygons)
            if (polygon.corners.size() >= 3) count += polygon.corners.size() - 2;
    return count > 0x7FFFFFFF ? -1 : static_cast<int>(count);
}

void logDiscontinuousMaps(const LwoObject& object) {
    bool any = false;
    for (const LwoLayer& layer : object.layers) any = any || !layer.discontinuousMaps.empty();
    if (!any) return;
    logger().printf("\tFile \"%s\"", object.name.c_str());
    for (const LwoLayer& layer : object.layers)
        for (const LwoVMap& map : layer.discontinuousMaps)
            logger().printf("\t\tVMAD \"%s\" dim %d", map.name.c_str(), map.dimension);
}

void appendVertices(const LwoLayer& layer, Mesh& mesh, PointIndex& index) {
    const LwoVMap* rgb = layer.slot(SlotRgb);
    const LwoVMap* rgba = layer.slot(SlotRgba);
    for (std::size_t p = 0; p < layer.points.size(); ++p) {
        MeshVertex vertex;
        vertex.position = layer.points[p].position;
        vertex.normal = layer.points[p].normal;
        std::fill(std::begin(vertex.colour), std::end(vertex.colour), std::uint8_t{255});
        const int point = static_cast<int>(p);
        const int rgbEntry = rgb && rgb->dimension >= 3 ? index.entry(rgb, point) : -1;
        const int rgbaEntry = rgba && rgba->dimension >= 4 ? index.entry(rgba, point) : -1;
        if (rgbEntry >= 0) {
            const float* c = rgb->value(rgbEntry);
            for (int i = 0; i < 3; ++i) vertex.colour[i] = colourByte(c[i]);
        } else if (rgbaEntry >= 0) {
            const float* c = rgba->value(rgbaEntry);
            for (int i = 0; i < 4; ++i) vertex.colour[i] = colourByte(c[i]);
        }
        mesh.addVertex(vertex);
    }
}

// The pair of one corner for one texture block: the corner's own discontinuous entry of the block's map,
// else the map's entry for the point, else zero.
TexCoord cornerPair(const LwoLayer& layer, const LwoPolygon& polygon, std::size_t k, const LwoVMap* map,
                    PointIndex& index) {
    const int point = polygon.corners[k];
    const std::string& mapName = map ? map->name : std::string();
    for (const LwoCornerMapRef& ref : polygon.cornerMaps[k]) {
        const LwoVMap& vmad = layer.discontinuousMaps[static_cast<std::size_t>(ref.map)];
        if (vmad.name != mapName || vmad.dimension < 2) continue;
        const int entryPoint = vmad.points[static_cast<std::size_t>(ref.entry)];
        if (entryPoint != point)
            logger().printf("ERROR! %d => VMAD %d POLY %d", static_cast<int>(k), entryPoint, point);
        return {vmad.value(ref.entry)[0], vmad.value(ref.entry)[1]};
    }
    const int entry = map && map->dimension >= 2 ? index.entry(map, point) : -1;
    if (entry >= 0) return {map->value(entry)[0], map->value(entry)[1]};
    return {};
}

void fillTextureSets(const LwoLayer& layer, int vertexOffset, int setCount, Mesh& mesh, PointIndex& index) {
    for (const LwoPolygon& polygon : layer.polygons) {
        if (!polygon.surface) continue;
        int set = 0;
        for (LwoId channel : setChannels) {
            for (const LwoTexture& texture : polygon.surface->textures) {
                if (texture.channel != channel || !feedsTextureSet(texture)) continue;
                if (set >= setCount) break;
                const LwoVMap* map = layer.textureMap(texture);
                FixedArray<TexCoord>& pairs = mesh.texCoords(set);
                for (std::size_t k = 0; k < polygon.corners.size(); ++k) {
                    const TexCoord uv = cornerPair(layer, polygon, k, map, index);
                    // Vertices are not split here: a later polygon overwrites the pair of a shared point.
                    const auto vertex = static_cast<std::size_t>(vertexOffset + polygon.corners[k]);
                    if (vertex < pairs.size()) pairs[vertex] = TexCoord{-uv.u, -uv.v};
                }
                ++set;
            }
        }
    }
}

void appendTriangles(const LwoLayer& layer, int vertexOffset, Mesh& mesh) {
    for (const LwoPolygon& polygon : layer.polygons) {
        const std::size_t n = polygon.corners.size();
        if (n < 3) continue;
        Handle<Shader> shader = polygon.surface ? lookUpShader(polygon.surface->name, MissingShaders::Create)
                                                : Handle<Shader>();
        const Vec3& first = layer.points[static_cast<std::size_t>(polygon.corners[0])].position;
        for (std::size_t i = 1; i + 1 < n; ++i) {
            MeshTriangle triangle;
            triangle.plane[0] = polygon.normal.x;
            triangle.plane[1] = polygon.normal.y;
            triangle.plane[2] = polygon.normal.z;
            triangle.plane[3] = -dot(polygon.normal, first);
            triangle.vertices[0] = vertexOffset + polygon.corners[0];
            triangle.vertices[1] = vertexOffset + polygon.corners[i];
            triangle.vertices[2] = vertexOffset + polygon.corners[(i + 1) % n];
            triangle.shader = shader;
            mesh.addTriangle(triangle);
        }
    }
}

}  // namespace

bool convertObject(const LwoObject* object, Mesh* mesh) {
    if (!object || !mesh) return false;
    logDiscontinuousMaps(*object);

    std::size_t largestSetCount = 0;
    for (const auto& surface : object->surfaces) {
        lookUpShader(surface->name, MissingShaders::Create);
        const auto count = static_cast<std::size_t>(
            std::count_if(surface->textures.begin(), surface->textures.end(), feedsTextureSet));
        largestSetCount = std::max(largestSetCount, count);
    }
    const int setCount = static_cast<int>(std::min<std::size_t>(largestSetCount, maxTexCoordSets));

    bool textureMap = false, colourMap = false;
    for (const LwoLayer& layer : object->layers) {
        textureMap = textureMap || layer.slot(SlotTexture);
        colourMap = colourMap || layer.slot(SlotRgb) || layer.slot(SlotRgba);
    }
    std::uint16_t flags = MeshFlags::Normals;
    if (textureMap)
        for (int set = 0; set < setCount; ++set) flags |= MeshFlags::texCoordSet(set);
    if (colourMap) flags |= MeshFlags::Colours;
    mesh->setFlags(flags);
    if (!mesh->allocate(object->pointCount(), triangleCountOf(*object))) return false;

    PointIndex index;
    int vertexOffset = 0;
    for (const LwoLayer& layer : object->layers) {
        appendVertices(layer, *mesh, index);
        if (textureMap) fillTextureSets(layer, vertexOffset, setCount, *mesh, index);
        appendTriangles(layer, vertexOffset, *mesh);
        vertexOffset += static_cast<int>(layer.points.size());
    }
    mesh->computeBounds();
    return true;
}

bool ObjectMeshLoader::convert(std::unique_ptr<LwoObject> object, const std::string& error, Mesh& mesh) {
    if (!object) return fail(error.empty() ? "not a LightWave object" : error);
    if (!convertObject(object.get(), &mesh)) return fail("the object has no triangles");
    return true;
}

bool ObjectMeshLoader::loadFromMemory(const std::uint8_t* data, std::size_t size, Mesh& mesh) {
    clearError();
    std::string error;
    auto object = loadObjectFromMemory("buffered", data, size, &error);
    return convert(std::move(object), error, mesh);
}

bool ObjectMeshLoader::loadFromFile(const std::string& path, Mesh& mesh) {
    clearError();
    std::string error;
    auto object = loadObject(path, &error);
    return convert(std::move(object), error, mesh);
}

}  // namespace qv3rn
