// deform_mesh_node.cpp -- the undeformed copy and the per-frame run of the deformer chain over the shared mesh.
#include "scene/deform_mesh_node.h"

#include <algorithm>
#include <span>

namespace qv3rn {

void DeformMeshNode::setMesh(Mesh* mesh) {
    MeshNode::setMesh(mesh);
    if (copied_ || !mesh) return;
    undeformed_.assign(mesh->vertices().begin(), mesh->vertices().end());
    copied_ = true;
}

void DeformMeshNode::updateSelf(float time) {
    MeshNode::updateSelf(time);
    if (!mesh_ || deformers_.empty()) return;
    const std::size_t count = std::min(undeformed_.size(), static_cast<std::size_t>(mesh_->vertexCount()));
    const std::span<MeshVertex> vertices(mesh_->vertices().data(), count);

    for (const auto& deformer : deformers_) deformer->update(time);
    deformers_.front()->apply(std::span<const MeshVertex>(undeformed_.data(), count), vertices);
    for (const auto& deformer : deformers_) deformer->apply(vertices, vertices);
    // The frustum test sees the deformed shape, not the one the mesh was loaded with.
    mesh_->computeBounds();
    fitSphereToMesh();

    if (!lazyPoints()) {
        recomputeNormals(*mesh_);
        return;
    }
    std::vector<Vec3>& base = lazyBase();
    for (std::size_t i = 0; i < std::min(count, base.size()); ++i) base[i] = vertices[i].position;
}

}  // namespace qv3rn
