// mesh_builder.h -- collects vertices and triangles of unknown count, then makes a mesh of exactly that size
// (the procedural shapes and the Wavefront OBJ reader build meshes this way).
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "mesh/mesh.h"

namespace qv3rn {

class MeshBuilder {
public:
    struct Vertex {
        Vec3 position;
        Vec3 normal;
        TexCoord uv;
        std::array<std::uint8_t, 4> colour = {255, 255, 255, 255};
    };
    struct Triangle {
        std::int32_t vertices[3];
        Handle<Shader> shader;
    };

    int addVertex(const Vertex& vertex);
    int addVertex(const Vec3& position, const Vec3& normal, TexCoord uv) { return addVertex({position, normal, uv}); }
    // Triangles that repeat a corner are left out: they draw nothing and break the edge tables.
    void addTriangle(int a, int b, int c, const Handle<Shader>& shader);

    // Merges vertices at exactly the same position into the first of them (its texture coordinates stay,
    // the normals are averaged) and drops the triangles that collapse, so that seams of closed shapes close.
    void weld();

    // The mesh with flags normals, set 0 and, when asked, colours: bounds, face planes and batches made.
    std::unique_ptr<Mesh> build(bool withColours = false) const;
    // The same into a mesh object made by the caller (an EdgeMesh for the edge tables); false when empty.
    bool buildInto(Mesh& mesh, bool withColours = false) const;

    std::vector<Vertex>& vertices() { return vertices_; }
    const std::vector<Vertex>& vertices() const { return vertices_; }
    const std::vector<Triangle>& triangles() const { return triangles_; }

private:
    std::vector<Vertex> vertices_;
    std::vector<Triangle> triangles_;
};

}  // namespace qv3rn
