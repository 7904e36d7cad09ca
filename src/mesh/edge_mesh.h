// edge_mesh.h -- a mesh with edge tables: the edges, each triangle's edges and neighbours, shadow buffers.
#pragma once

#include <cstdint>

#include "math/vec4.h"
#include "mesh/mesh.h"

namespace qv3rn {

// An edge between two vertices, shared by up to two triangles (24 bytes).
struct MeshEdge {
    std::uint16_t counters[2] = {0, 0};  // not used by the edge computation
    std::int32_t index = -1;              // the edge's own position in the edge table
    std::int32_t vertices[2] = {-1, -1};
    std::int32_t triangles[2] = {-1, -1};

    // Fills the first unset slot, else overwrites the second.
    void addVertex(std::int32_t vertex) { vertices[vertices[0] < 0 ? 0 : 1] = vertex; }
    void addTriangle(std::int32_t triangle) { triangles[triangles[0] < 0 ? 0 : 1] = triangle; }
    bool hasVertex(std::int32_t vertex) const { return vertices[0] == vertex || vertices[1] == vertex; }
    // Index, both triangles and both vertices set, the triangles different and the vertices different.
    bool valid() const;
};
static_assert(sizeof(MeshEdge) == 24);

// A triangle as the shadow code sees it: its edges, its neighbours across them, and whether it faces the light.
struct EdgeTriangle {
    const MeshTriangle* triangle = nullptr;
    bool facesLight = false;  // recomputed per light by the shadow code
    std::int32_t edges[3] = {-1, -1, -1};
    std::int32_t neighbours[3] = {-1, -1, -1};

    // Negative indices and indices already present are ignored; a fourth distinct index is dropped.
    void addEdge(std::int32_t edge) { addUnique(edges, edge); }
    void addNeighbour(std::int32_t triangle) { addUnique(neighbours, triangle); }
    // All three edges and neighbours set, the edges pairwise different and the neighbours pairwise different.
    bool valid() const;

private:
    static void addUnique(std::int32_t (&slots)[3], std::int32_t value);
};

// What the edge validation found; a closed two-manifold mesh has no invalid entries.
struct EdgeValidation {
    int edges = 0;
    int invalidEdges = 0;
    int triangles = 0;
    int invalidTriangles = 0;
    bool allValid() const { return invalidEdges == 0 && invalidTriangles == 0; }
};

class EdgeMesh : public Mesh {
public:
    EdgeMesh() = default;
    ~EdgeMesh() override;

    // The base allocation, then the edge flag, room for T edge triangles and 3 × T edges.
    bool allocate(int vertexCount, int triangleCount) override;

    // Derives the edge tables from the triangles (once: later calls find the tables filled and do nothing
    // but validate again), sizes the shadow buffers and logs the validation warnings.
    EdgeValidation computeEdges();
    // Counts the invalid edges and edge triangles of the tables as they are.
    EdgeValidation validate() const;

    FixedArray<MeshEdge>& edges() { return edges_; }
    const FixedArray<MeshEdge>& edges() const { return edges_; }
    FixedArray<EdgeTriangle>& edgeTriangles() { return edgeTriangles_; }
    const FixedArray<EdgeTriangle>& edgeTriangles() const { return edgeTriangles_; }
    // Homogeneous vertices of the shadow volume's sides and caps, filled per light by the shadow code.
    FixedArray<Vec4>& sideBuffer() { return sideBuffer_; }
    FixedArray<Vec4>& capBuffer() { return capBuffer_; }

private:
    FixedArray<MeshEdge> edges_;
    FixedArray<EdgeTriangle> edgeTriangles_;
    FixedArray<Vec4> sideBuffer_;
    FixedArray<Vec4> capBuffer_;
};

// The edge tables of a copy of `mesh`'s triangles, validated (for tools that inspect any mesh). Logs the same
// warnings as EdgeMesh::computeEdges.
EdgeValidation validateEdges(const Mesh& mesh);

}  // namespace qv3rn
