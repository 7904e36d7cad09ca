// morph_node.cpp -- the morph node: its targets, the working mesh copied from the first, and the blend.
#include "scene/morph_node.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace qv3rn {

MorphNode::MorphNode() = default;
MorphNode::~MorphNode() {
    mesh_ = nullptr;  // the working mesh goes with the node
}

void MorphNode::setTargetCount(int count) {
    if (count < 0) throw std::runtime_error("huh - negative amount of meshes i morph");
    if (count < 1 || sized_) return;
    // The room is only a limit: a huge count costs nothing until targets are named.
    room_ = static_cast<std::size_t>(count);
    sized_ = true;
}

void MorphNode::addTarget(Mesh& target) {
    if (targets_.size() >= room_) return;
    if (target.vertexCount() < 1 || target.triangleCount() < 1)
        throw std::runtime_error("morph target " + target.name() + " is empty");
    if (!targets_.empty()) {
        const Mesh& first = *targets_.front();
        if (target.vertexCount() != first.vertexCount())
            throw std::runtime_error("morph target " + target.name() + " has " + std::to_string(target.vertexCount()) +
                                     " vertices, " + first.name() + " has " + std::to_string(first.vertexCount()));
        targets_.push_back(&target);
        return;
    }
    // The working mesh changes every frame, so it never goes into a vertex buffer.
    auto working = std::make_unique<Mesh>();
    working->setFlags(static_cast<std::uint16_t>(target.flags() & ~MeshFlags::VertexBuffer));
    if (!working->allocate(target.vertexCount(), target.triangleCount()))
        throw std::runtime_error("morph target " + target.name() + " cannot be copied");
    for (const MeshVertex& vertex : target.vertices()) working->addVertex(vertex);
    if (target.has(MeshFlags::TexCoords0))
        for (int i = 0; i < target.vertexCount(); ++i) working->texCoords(0)[i] = target.texCoords(0)[i];
    for (const MeshTriangle& triangle : target.triangles()) working->addTriangle(triangle);
    working->setName(target.name());
    working->computeBounds();
    working->buildBatches();
    targets_.push_back(&target);
    working_ = std::move(working);
    setMesh(working_.get());
}

void MorphNode::blend(float amount) {
    if (!working_ || targets_.empty()) return;
    const int n = static_cast<int>(targets_.size());
    if (!std::isfinite(amount)) amount = 0.0f;  // an envelope gone to infinity or NaN shows the first target
    // The pair of targets the amount falls between; amounts beyond the ends carry on along the end pair. A
    // single target is both ends of its pair.
    const float lastPair = static_cast<float>(std::max(n - 2, 0));
    const int i = static_cast<int>(std::clamp(std::floor(amount), 0.0f, lastPair));
    const float f = amount - static_cast<float>(i);
    const Mesh& a = *targets_[static_cast<std::size_t>(i % n)];
    const Mesh& b = *targets_[static_cast<std::size_t>((i + 1) % n)];
    auto& out = working_->vertices();
    std::vector<Vec3>* base = lazyPoints() && !lazyBase().empty() ? &lazyBase() : nullptr;
    const int count = working_->vertexCount();
    for (int k = 0; k < count; ++k) {
        const MeshVertex& from = a.vertices()[k];
        const MeshVertex& to = b.vertices()[k];
        MeshVertex& vertex = out[k];
        vertex.position = from.position + (to.position - from.position) * f;
        vertex.normal = (from.normal + (to.normal - from.normal) * f).normalized();
        for (int c = 0; c < 4; ++c) vertex.colour[c] = from.colour[c];
        if (base && static_cast<std::size_t>(k) < base->size()) (*base)[k] = vertex.position;
    }
}

void MorphNode::updateSelf(float time) {
    if (amount_) blend(amount_->evaluate(time));
    MeshNode::updateSelf(time);
}

void finishNode(MorphNode& node) {
    if (!node.amountEnvelope()) throw std::runtime_error("undefined morph envelope");
}

}  // namespace qv3rn
