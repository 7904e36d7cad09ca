// cube_grid_node.cpp -- the iso-surface and meta-object nodes.
#include "scene/cube_grid_node.h"

#include <GL/gl.h>

#include <cmath>
#include <stdexcept>
#include <string>

#include "shader/shader.h"

namespace qv3rn {

void MetaObjectNode::updateSelf(float) {
    if (primitive_) primitive_->place(position(), rotation());
}

namespace {

float positive(float value, const char* what) {
    if (!(value > 0.0f) || !std::isfinite(value))
        throw std::runtime_error(std::string("meta object ") + what + " must be above 0: " + std::to_string(value));
    return value;
}

}  // namespace

void finishNode(MetaObjectNode& node) {
    switch (node.kind) {
    case MetaObjectNode::Kind::Sphere:
        node.setPrimitive(std::make_unique<SpherePrimitive>(positive(node.size, "radius")));
        break;
    case MetaObjectNode::Kind::Torus: {
        const float disk = positive(node.disk, "disk radius");
        if (!(node.revolution >= 0.0f) || !std::isfinite(node.revolution))
            throw std::runtime_error("meta object revolution radius must not be negative: " +
                                     std::to_string(node.revolution));
        node.setPrimitive(std::make_unique<TorusPrimitive>(node.revolution, disk));
        break;
    }
    case MetaObjectNode::Kind::Cube:
        node.setPrimitive(std::make_unique<CubePrimitive>(positive(node.exponent, "exponent"),
                                                          positive(node.size, "side")));
        break;
    case MetaObjectNode::Kind::None:
        break;
    }
}

CubeGridNode::CubeGridNode() : SceneNode(NodeType::CubeGrid) {
    setBoundingSphere({}, IsoGrid::extent * std::sqrt(3.0f));
}

namespace {

void collectPrimitives(const SceneNode& node, std::vector<const MetaPrimitive*>& primitives) {
    for (const auto& child : node.children()) {
        if (child->type() == NodeType::MetaObject)
            if (const MetaPrimitive* primitive = static_cast<const MetaObjectNode&>(*child).primitive())
                primitives.push_back(primitive);
        collectPrimitives(*child, primitives);
    }
}

}  // namespace

// The meta objects below update after this node: the field is evaluated when the surface is first asked for
// after the update, so that it uses their places of this frame rather than of the frame before.
void CubeGridNode::updateSelf(float time) {
    if (thresholdEnvelope_) threshold = thresholdEnvelope_->evaluate(time);
    if (primitives_.empty()) collectPrimitives(*this, primitives_);
    fieldStale_ = true;
}

const IsoMesh& CubeGridNode::polygonise() {
    if (grid_ && fieldStale_) {
        grid_->evaluate(primitives_);
        fieldStale_ = false;
    }
    if (grid_)
        grid_->polygonise(threshold, mesh_);
    else
        mesh_ = {};
    return mesh_;
}

void CubeGridNode::draw() {
    if (shader_) shader_->begin();
    const IsoMesh& mesh = polygonise();
    if (!mesh.indices.empty()) {
        glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
        glInterleavedArrays(GL_N3F_V3F, sizeof(IsoVertex), mesh.vertices.data());
        glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(mesh.indices.size()), GL_UNSIGNED_INT, mesh.indices.data());
        glPopClientAttrib();
    }
    if (shader_) shader_->end();
}

}  // namespace qv3rn
