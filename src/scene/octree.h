// octree.h -- a mesh's triangles sorted into cubic cells, culled against a view frustum and drawn as one call
// per shader batch holding only the triangles of the visible cells.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "math/bounding_box.h"
#include "math/frustum.h"
#include "mesh/mesh.h"

namespace qv3rn {

// When a cell is split into eight: it holds more than maxTriangles triangles, lies less than maxDepth levels
// below the root, and its children's side would be at least boxSide (0: any side).
struct OctreeSettings {
    int maxTriangles = 1000;
    float boxSide = 0.0f;
    int maxDepth = 8;
};

struct OctreeStats {
    int cells = 0;       // every cell made, inner cells included
    int leaves = 0;      // cells without children (each holds at least one triangle)
    int depth = 0;       // the deepest level reached; the root is level 0
    int triangles = 0;   // the mesh's triangles held by the tree
    int references = 0;  // triangle entries over all leaves: a triangle that crosses cell walls is in several

    int duplicates() const { return references - triangles; }
};

// The tree keeps a pointer to its mesh (owned by the mesh cache): the mesh must outlive it and keep its
// triangles and batches. A triangle goes into every child cell its bounding box touches, so a triangle seen
// in any visible cell is drawn; the cull draws each triangle once and in the mesh's own order, so the picture
// equals the whole mesh's drawAll wherever the frustum holds the geometry.
class Octree {
public:
    // Hard limits whatever the settings ask, so that a huge depth or a tiny side costs bounded time and
    // memory: the depth below the root, and the leaves' triangle entries as a multiple of the triangle count
    // (a split that would pass it is not made; shallower cells are split first).
    static constexpr int depthLimit = 16;
    static constexpr int referenceBudget = 4;

    // Sorts the triangles of `mesh` (its batches built) into cells. False, with the reason in `error`, for
    // settings out of range (maxTriangles below 1, maxDepth below 0, a negative or non-finite boxSide) and for
    // a mesh without drawable triangles; the tree is then empty.
    bool build(Mesh& mesh, const OctreeSettings& settings, std::string& error);

    // Finds the leaves that meet `frustum` (in the mesh's own space) and gathers their triangles, each once,
    // into one index list per mesh batch. Returns the number of visible leaves.
    int cull(const Frustum& frustum);
    // Draws what the last cull gathered with the mesh's arrays: one draw call per batch that has triangles,
    // between its shader's begin and end when applyShaders (as Mesh::drawAll does).
    void drawCulled(bool applyShaders);
    // cull against the current OpenGL projection and modelview (the space drawn from), then drawCulled.
    void drawCurrentView(bool applyShaders);

    bool empty() const { return cells_.empty(); }
    const Mesh* mesh() const { return mesh_; }
    const BoundingBox& box() const { return box_; }
    const OctreeStats& stats() const { return stats_; }
    int visibleLeaves() const { return visibleLeaves_; }
    int visibleTriangles() const { return static_cast<int>(visible_.size()); }
    // The vertex indices the last cull gathered for batch `batch` of the mesh.
    const std::vector<std::uint32_t>& culledIndices(std::size_t batch) const { return culled_[batch]; }

private:
    struct Cell {
        BoundingBox box;
        std::int32_t children[8] = {-1, -1, -1, -1, -1, -1, -1, -1};
        bool leaf = true;
        std::uint32_t first = 0;  // the leaf's triangles: leafTriangles_[first .. first + count)
        std::uint32_t count = 0;
    };

    void clear();
    void markSubtree(std::int32_t cell);
    void markLeaf(const Cell& cell);

    Mesh* mesh_ = nullptr;
    BoundingBox box_;
    OctreeStats stats_;
    std::vector<Cell> cells_;
    std::vector<std::uint32_t> leafTriangles_;
    std::vector<std::uint32_t> batchOf_;  // per triangle of the mesh: its batch
    std::vector<std::uint32_t> stamp_;    // per triangle: the cull that last gathered it
    std::uint32_t cullNumber_ = 0;
    std::vector<std::uint32_t> visible_;  // the triangles the last cull gathered
    std::vector<std::vector<std::uint32_t>> culled_;
    int visibleLeaves_ = 0;
};

}  // namespace qv3rn
