// edge_mesh.cpp -- deriving and validating the edge tables of a mesh.
#include "mesh/edge_mesh.h"

#include <unordered_map>

#include "core/log.h"

namespace qv3rn {

namespace {

// The key of an undirected edge between two different vertices.
std::uint64_t edgeKey(std::int32_t a, std::int32_t b) {
    const auto low = static_cast<std::uint32_t>(a < b ? a : b);
    const auto high = static_cast<std::uint32_t>(a < b ? b : a);
    return (static_cast<std::uint64_t>(low) << 32) | high;
}

}  // namespace

bool MeshEdge::valid() const {
    return index >= 0 && triangles[0] >= 0 && triangles[1] >= 0 && vertices[0] >= 0 && vertices[1] >= 0 &&
           triangles[0] != triangles[1] && vertices[0] != vertices[1];
}

void EdgeTriangle::addUnique(std::int32_t (&slots)[3], std::int32_t value) {
    if (value < 0) return;
    for (std::int32_t& slot : slots) {
        if (slot == value) return;
        if (slot < 0) {
            slot = value;
            return;
        }
    }
}

bool EdgeTriangle::valid() const {
    for (int k = 0; k < 3; ++k)
        if (edges[k] < 0 || neighbours[k] < 0) return false;
    return edges[0] != edges[1] && edges[0] != edges[2] && edges[1] != edges[2] && neighbours[0] != neighbours[1] &&
           neighbours[0] != neighbours[2] && neighbours[1] != neighbours[2];
}

EdgeMesh::~EdgeMesh() = default;

bool EdgeMesh::allocate(int vertexCount, int triangleCount) {
    const bool allocated = Mesh::allocate(vertexCount, triangleCount);
    if (!allocated) return false;  // a refused allocation leaves the tables as they were
    flags_ |= MeshFlags::Edges;
    edgeTriangles_.allocate(static_cast<std::size_t>(triangleCount));
    edges_.allocate(3 * static_cast<std::size_t>(triangleCount));
    return allocated;
}

// Each corner pair (a, b) of each triangle is looked up among the edges made so far and a new edge is appended
// only when none has both vertices. The lookup goes through hash tables instead of scanning the edge table,
// but finds the same edge a scan from the start would: the one edge with exactly {a, b} when a != b, and for
// a repeated corner (a == a) the first edge that has a at all.
EdgeValidation EdgeMesh::computeEdges() {
    if (!edgeTriangles_.hasStorage() || !edges_.hasStorage()) return validate();
    if (!edgeTriangles_.empty()) return validate();
    const std::size_t triangleCount = triangles_.size();
    sideBuffer_.allocate(12 * triangleCount);
    capBuffer_.allocate(12 * triangleCount);

    for (const MeshTriangle& triangle : triangles_) {
        EdgeTriangle entry;
        entry.triangle = &triangle;
        edgeTriangles_.append(entry);
    }

    std::unordered_map<std::uint64_t, std::int32_t> edgeOfPair;
    std::unordered_map<std::int32_t, std::int32_t> firstEdgeOfVertex;
    edgeOfPair.reserve(2 * triangleCount);
    auto remember = [&](std::int32_t vertex, std::int32_t edge) { firstEdgeOfVertex.try_emplace(vertex, edge); };

    for (std::size_t i = 0; i < edgeTriangles_.size(); ++i) {
        EdgeTriangle& entry = edgeTriangles_[i];
        const auto triangleIndex = static_cast<std::int32_t>(i);
        for (int k = 0; k < 3; ++k) {
            const std::int32_t a = entry.triangle->vertices[k];
            const std::int32_t b = entry.triangle->vertices[(k + 1) % 3];
            std::int32_t found = -1;
            if (a != b) {
                const auto match = edgeOfPair.find(edgeKey(a, b));
                if (match != edgeOfPair.end()) found = match->second;
            } else {
                const auto match = firstEdgeOfVertex.find(a);
                if (match != firstEdgeOfVertex.end()) found = match->second;
            }
            if (found < 0) {
                MeshEdge edge;
                edge.index = static_cast<std::int32_t>(edges_.size());
                edge.addVertex(a);
                edge.addVertex(b);
                found = static_cast<std::int32_t>(edges_.append(edge));
                if (found < 0) continue;  // cannot happen: there is room for three edges per triangle
                // Indexed by the vertices the edge really holds (a negative corner does not keep its slot).
                const std::int32_t v0 = edge.vertices[0], v1 = edge.vertices[1];
                if (v0 != v1) edgeOfPair.try_emplace(edgeKey(v0, v1), found);
                remember(v0, found);
                remember(v1, found);
            }
            entry.addEdge(found);
            edges_[static_cast<std::size_t>(found)].addTriangle(triangleIndex);
        }
    }

    for (std::size_t i = 0; i < edgeTriangles_.size(); ++i) {
        EdgeTriangle& entry = edgeTriangles_[i];
        const auto self = static_cast<std::int32_t>(i);
        for (std::int32_t e : entry.edges) {
            if (e < 0) continue;
            const MeshEdge& edge = edges_[static_cast<std::size_t>(e)];
            entry.addNeighbour(edge.triangles[0] == self ? edge.triangles[1] : edge.triangles[0]);
        }
    }

    const EdgeValidation result = validate();
    if (result.invalidEdges > 0) logger().printf("%d of %d edges are not valid", result.invalidEdges, result.edges);
    if (result.invalidTriangles > 0)
        logger().printf("%d of %d edge triangles are not valid", result.invalidTriangles, result.triangles);
    return result;
}

EdgeValidation EdgeMesh::validate() const {
    EdgeValidation result;
    result.edges = static_cast<int>(edges_.size());
    result.triangles = static_cast<int>(edgeTriangles_.size());
    for (const MeshEdge& edge : edges_)
        if (!edge.valid()) ++result.invalidEdges;
    for (const EdgeTriangle& entry : edgeTriangles_)
        if (!entry.valid()) ++result.invalidTriangles;
    return result;
}

EdgeValidation validateEdges(const Mesh& mesh) {
    EdgeMesh copy;
    copy.setFlags(MeshFlags::Initial);
    if (!copy.allocate(mesh.vertexCount(), mesh.triangleCount())) return {};
    for (const MeshVertex& vertex : mesh.vertices()) copy.addVertex(vertex);
    for (const MeshTriangle& triangle : mesh.triangles()) copy.addTriangle(triangle);
    return copy.computeEdges();
}

}  // namespace qv3rn
