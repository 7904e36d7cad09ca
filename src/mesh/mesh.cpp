// mesh.cpp -- sizing a mesh, appending vertices and triangles, bounds, face planes and draw batches.
#include "mesh/mesh.h"

#include <GL/glext.h>  // Required for: GL_TEXTURE0_ARB

namespace qv3rn {

Mesh::Mesh() {
    for (int set = 0; set < maxTexCoordSets; ++set) textureUnits_[set] = GL_TEXTURE0_ARB + set;
}

int Mesh::texCoordSetCount() const {
    int count = 0;
    for (int set = 0; set < maxTexCoordSets; ++set)
        if (has(MeshFlags::texCoordSet(set))) ++count;
    return count;
}

bool Mesh::allocate(int vertexCount, int triangleCount) {
    if (!vertices_.empty() || !triangles_.empty() || vertexCount < 1 || triangleCount < 1) return false;
    if (vertices_.hasStorage() || triangles_.hasStorage()) return false;  // sized before: no second sizing
    const auto vertices = static_cast<std::size_t>(vertexCount);
    vertices_.allocate(vertices);
    for (int set = 0; set < maxTexCoordSets; ++set)
        if (has(MeshFlags::texCoordSet(set))) texCoords_[set].allocate(vertices);
    if (has(MeshFlags::TangentSpace)) tangents_.allocate(vertices);
    triangles_.allocate(static_cast<std::size_t>(triangleCount));
    return true;
}

int Mesh::addVertex(const MeshVertex& vertex) {
    const auto index = vertices_.append(vertex);
    if (index < 0) return -1;
    for (int set = 0; set < maxTexCoordSets; ++set)
        if (has(MeshFlags::texCoordSet(set))) texCoords_[set].append(TexCoord{});
    return static_cast<int>(index);
}

int Mesh::addTriangle(const MeshTriangle& triangle) { return static_cast<int>(triangles_.append(triangle)); }

void Mesh::computeBounds() {
    if (vertices_.empty()) {
        bounds_ = BoundingBox{};
        return;
    }
    bounds_ = BoundingBox::around(vertices_[0].position);
    for (const MeshVertex& vertex : vertices_) bounds_.extend(vertex.position);
}

void Mesh::computePlanes() {
    const int count = vertexCount();
    for (MeshTriangle& triangle : triangles_) {
        bool inside = true;
        for (int corner : triangle.vertices) inside = inside && corner >= 0 && corner < count;
        if (!inside) continue;  // a triangle that names no vertex of this mesh has no plane to compute
        const Vec3& p0 = vertices_[triangle.vertices[0]].position;
        const Vec3& p1 = vertices_[triangle.vertices[1]].position;
        const Vec3& p2 = vertices_[triangle.vertices[2]].position;
        const Vec3 normal = cross(p1 - p0, p2 - p0).normalized();
        triangle.plane[0] = normal.x;
        triangle.plane[1] = normal.y;
        triangle.plane[2] = normal.z;
        triangle.plane[3] = -dot(normal, p0);
    }
}

void Mesh::buildBatches() {
    batches_.clear();
    std::vector<std::size_t> batchOf(triangles_.size());
    for (std::size_t t = 0; t < triangles_.size(); ++t) {
        Shader* shader = triangles_[t].shader.get();
        std::size_t b = 0;
        while (b < batches_.size() && batches_[b].shader.get() != shader) ++b;
        if (b == batches_.size()) {
            batches_.emplace_back();
            batches_.back().shader = Handle<Shader>(shader);
        }
        batches_[b].room += 3;
        batchOf[t] = b;
    }
    for (MeshBatch& batch : batches_) batch.indices.assign(batch.room, 0);
    for (std::size_t t = 0; t < triangles_.size(); ++t)
        for (int corner : triangles_[t].vertices) batches_[batchOf[t]].append(static_cast<std::uint32_t>(corner));
}

}  // namespace qv3rn
