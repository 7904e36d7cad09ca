// deform_mesh_node.h -- a mesh node whose vertices a chain of deformers rebuilds every frame from an undeformed
// copy.
#pragma once

#include <memory>
#include <vector>

#include "mesh/mesh_types.h"
#include "scene/deformers.h"
#include "scene/mesh_node.h"

namespace qv3rn {

class DeformMeshNode : public MeshNode {
public:
    // The mesh node's step, then the deformers at `time`: the first maps the undeformed copy into the mesh, then
    // the whole chain in script order works on the mesh in place (so the first one acts twice). Then the face
    // planes and vertex normals are made again, or, with lazy points, the lazy base takes the deformed positions.
    void updateSelf(float time) override;

    // The first mesh given is also copied as the undeformed shape; the mesh itself (shared with the mesh cache
    // and every node naming it) is the one deformed.
    void setMesh(Mesh* mesh) override;

    void addDeformer(std::unique_ptr<Deformer> deformer) { deformers_.push_back(std::move(deformer)); }
    const std::vector<std::unique_ptr<Deformer>>& deformers() const { return deformers_; }
    const std::vector<MeshVertex>& undeformed() const { return undeformed_; }

private:
    std::vector<std::unique_ptr<Deformer>> deformers_;
    std::vector<MeshVertex> undeformed_;
    bool copied_ = false;
};

}  // namespace qv3rn
