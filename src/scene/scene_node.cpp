// scene_node.cpp -- the node update step, world transforms and spheres, and the tree traversals.
#include "scene/scene_node.h"

#include <GL/gl.h>

#include <cmath>

#include "scene/light.h"

namespace qv3rn {

Mat4 nodeMatrixOf(const Mat4& rotation, const Vec3& s, const Vec3& p) {
    const float* r = rotation.m;
    const float numbers[16] = {s.x * r[0], s.y * r[4], s.z * r[8], 0.0f,   //
                               s.x * r[1], s.y * r[5], s.z * r[9], 0.0f,   //
                               s.x * r[2], s.y * r[6], s.z * r[10], 0.0f,  //
                               p.x, p.y, p.z, 1.0f};
    return Mat4::fromArray(numbers);
}

SceneNode::~SceneNode() = default;

void SceneNode::updateSelf(float) {}

void SceneNode::draw() {}

void SceneNode::resolveNames(SceneNode&) {}

void SceneNode::setRotation(const Vec3& axis, float angle) {
    // Mat4::rotation is glRotatef's matrix; the scene convention reads the same rotation transposed.
    rotation_ = Mat4::rotation(angle, axis).transposed();
}

void SceneNode::update(float time) {
    drawn_ = false;

    if (keyframer_) {
        keyframer_->evaluate(time);
        position_ = keyframer_->position();
        scale_ = keyframer_->scale();
        rotation_ = keyframer_->rotationMatrix();
    } else {
        position_ = {};
        scale_ = {1.0f, 1.0f, 1.0f};
        rotation_ = Mat4::identity();
    }

    // Any value above 0 enables, a value in (-1, 0] disables, and -1 or less enables again: the ceiling is what
    // counts.
    if (enableEnvelope_) enabled_ = std::ceil(enableEnvelope_->evaluate(time)) != 0.0f;

    if (enabled_) updateSelf(time);

    if (parent_) {
        worldScale_ = componentProduct(scale_, parent_->worldScale_);
        worldRotation_ = parent_->worldRotation_ * rotation_;
        worldPosition_ = parent_->worldPosition_ +
                         componentProduct(parent_->worldScale_, parent_->worldRotation_.transformVectorByRows(position_));
    } else {
        worldScale_ = scale_;
        worldRotation_ = rotation_;
        worldPosition_ = position_;
    }

    nodeMatrix_ = nodeMatrixOf(worldRotation_, worldScale_, worldPosition_);

    worldSphere_.center = worldPosition_ + rotation_.transformVectorByRows(sphere_.center);
    worldSphere_.radius = sphere_.radius * worldScale_.x;
    hierarchySphere_ = worldSphere_;

    for (const auto& child : children_) child->update(time);

    if (parent_) parent_->hierarchySphere_.enclose(hierarchySphere_);
}

void SceneNode::drawUnderMatrix() {
    glPushMatrix();
    glMultMatrixf(nodeMatrix_.data());
    drawn_ = true;
    draw();
    glPopMatrix();
}

void SceneNode::renderAll() {
    if (!enabled_) return;
    drawUnderMatrix();
    for (const auto& child : children_) child->renderAll();
}

void SceneNode::renderVisible(const Frustum& frustum) {
    if (!enabled_) return;
    if (type_ != NodeType::Camera && frustum.intersects(worldSphere_)) drawUnderMatrix();
    for (const auto& child : children_) child->renderVisible(frustum);
}

SceneNode* SceneNode::findByName(const std::string& name) {
    if (name_ == name) return this;
    for (const auto& child : children_)
        if (SceneNode* found = child->findByName(name)) return found;
    return nullptr;
}

void SceneNode::collectVisible(const Frustum& frustum, std::vector<SceneNode*>& nodes) {
    if (!enabled_) return;
    if (type_ != NodeType::Camera && frustum.intersects(worldSphere_)) nodes.push_back(this);
    for (const auto& child : children_) child->collectVisible(frustum, nodes);
}

void SceneNode::collectEnabled(std::vector<SceneNode*>& nodes) {
    if (!enabled_) return;
    nodes.push_back(this);
    for (const auto& child : children_) child->collectEnabled(nodes);
}

bool SceneNode::removeDescendant(SceneNode* node) {
    for (auto it = children_.begin(); it != children_.end(); ++it) {
        if (it->get() == node) {
            it->release();
            children_.erase(it);
            node->parent_ = nullptr;
            return true;
        }
        if ((*it)->removeDescendant(node)) return true;
    }
    return false;
}

void SceneNode::lightsOn() {
    if (!enabled_) return;
    if (Light* light = Light::of(*this)) light->lightOn();
    for (const auto& child : children_) child->lightsOn();
}

void SceneNode::lightsOff() {
    if (Light* light = Light::of(*this)) light->lightOff();
    for (const auto& child : children_) child->lightsOff();
}

void SceneNode::addChild(std::unique_ptr<SceneNode> child) {
    if (!child) return;
    child->parent_ = this;
    children_.push_back(std::move(child));
}

Vec3 intoNodeAxes(const SceneNode& node, const Vec3& v) {
    const Vec3& s = node.worldScale();
    const auto undo = [](float value, float scale) { return scale != 0.0f ? value / scale : value; };
    return node.worldRotation().transformVector({undo(v.x, s.x), undo(v.y, s.y), undo(v.z, s.z)});
}

}  // namespace qv3rn
