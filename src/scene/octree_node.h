// octree_node.h -- a mesh drawn through an octree: only the triangles of the cells the current camera sees.
#pragma once

#include <string>

#include "mesh/mesh.h"
#include "scene/octree.h"
#include "scene/scene_node.h"

namespace qv3rn {

class OctreeNode : public SceneNode {
public:
    OctreeNode();
    ~OctreeNode() override;

    // Builds the octree of `mesh` (owned by the mesh cache, which must outlive the node) with the node's three
    // values and puts the bounding sphere around the octree's cube. A build that fails leaves the node without
    // an octree, drawing nothing, and the reason in the diagnostic log and in buildError(); returns whether it
    // was built.
    bool setMesh(Mesh& mesh);

    // The visible cells' triangles with their batches' shaders, culled against the camera manager's current
    // camera (against the current OpenGL matrices when there is none).
    void draw() override;

    const Octree& octree() const { return octree_; }
    const std::string& buildError() const { return buildError_; }

    // Read from the script; used by the next setMesh.
    MeshType meshType = MeshType::Static;
    int maxTriangles = OctreeSettings{}.maxTriangles;
    float boxSide = OctreeSettings{}.boxSide;
    int maxDepth = OctreeSettings{}.maxDepth;

private:
    Octree octree_;
    std::string buildError_;
};

}  // namespace qv3rn
