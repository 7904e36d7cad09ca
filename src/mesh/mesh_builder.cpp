// mesh_builder.cpp -- growing vertex and triangle lists, welding seams, and making the fixed-size mesh.
#include "mesh/mesh_builder.h"

#include <cstring>  // Required for: std::memcpy
#include <unordered_map>

namespace qv3rn {

namespace {

// Positions are compared bit for bit (with -0 taken as 0): welding joins only vertices that coincide.
struct PositionKey {
    std::uint32_t bits[3];
    bool operator==(const PositionKey& other) const {
        return bits[0] == other.bits[0] && bits[1] == other.bits[1] && bits[2] == other.bits[2];
    }
};
struct PositionHash {
    std::size_t operator()(const PositionKey& key) const {
        std::uint64_t h = 1469598103934665603ull;
        for (std::uint32_t b : key.bits) h = (h ^ b) * 1099511628211ull;
        return static_cast<std::size_t>(h);
    }
};

PositionKey keyOf(const Vec3& p) {
    PositionKey key{};
    const float values[3] = {p.x == 0.0f ? 0.0f : p.x, p.y == 0.0f ? 0.0f : p.y, p.z == 0.0f ? 0.0f : p.z};
    std::memcpy(key.bits, values, sizeof values);
    return key;
}

}  // namespace

int MeshBuilder::addVertex(const Vertex& vertex) {
    vertices_.push_back(vertex);
    return static_cast<int>(vertices_.size()) - 1;
}

void MeshBuilder::addTriangle(int a, int b, int c, const Handle<Shader>& shader) {
    if (a == b || b == c || a == c) return;
    triangles_.push_back({{a, b, c}, shader});
}

void MeshBuilder::weld() {
    std::unordered_map<PositionKey, int, PositionHash> first;
    std::vector<int> target(vertices_.size());
    std::vector<Vertex> kept;
    std::vector<Vec3> normalSums;
    for (std::size_t i = 0; i < vertices_.size(); ++i) {
        const auto [slot, inserted] = first.try_emplace(keyOf(vertices_[i].position), static_cast<int>(kept.size()));
        if (inserted) {
            kept.push_back(vertices_[i]);
            normalSums.push_back(Vec3{});
        }
        target[i] = slot->second;
        normalSums[static_cast<std::size_t>(slot->second)] += vertices_[i].normal;
    }
    for (std::size_t i = 0; i < kept.size(); ++i) {
        const Vec3 average = normalSums[i].normalized();
        if (average.length() > 0.0f) kept[i].normal = average;
    }
    std::vector<Triangle> triangles;
    triangles.reserve(triangles_.size());
    for (const Triangle& triangle : triangles_) {
        const int a = target[static_cast<std::size_t>(triangle.vertices[0])];
        const int b = target[static_cast<std::size_t>(triangle.vertices[1])];
        const int c = target[static_cast<std::size_t>(triangle.vertices[2])];
        if (a == b || b == c || a == c) continue;
        triangles.push_back({{a, b, c}, triangle.shader});
    }
    vertices_ = std::move(kept);
    triangles_ = std::move(triangles);
}

bool MeshBuilder::buildInto(Mesh& mesh, bool withColours) const {
    std::uint16_t flags = MeshFlags::Normals | MeshFlags::TexCoords0;
    if (withColours) flags |= MeshFlags::Colours;
    mesh.setFlags(flags);
    if (!mesh.allocate(static_cast<int>(vertices_.size()), static_cast<int>(triangles_.size()))) return false;
    for (const Vertex& vertex : vertices_) {
        MeshVertex record;
        record.position = vertex.position;
        record.normal = vertex.normal;
        std::memcpy(record.colour, vertex.colour.data(), 4);
        const int index = mesh.addVertex(record);
        mesh.texCoords(0)[static_cast<std::size_t>(index)] = vertex.uv;
    }
    for (const Triangle& triangle : triangles_) {
        MeshTriangle record;
        std::memcpy(record.vertices, triangle.vertices, sizeof record.vertices);
        record.shader = triangle.shader;
        mesh.addTriangle(record);
    }
    mesh.computeBounds();
    mesh.computePlanes();
    mesh.buildBatches();
    return true;
}

std::unique_ptr<Mesh> MeshBuilder::build(bool withColours) const {
    auto mesh = std::make_unique<Mesh>();
    if (!buildInto(*mesh, withColours)) return nullptr;
    return mesh;
}

}  // namespace qv3rn
