// camera_node.cpp -- camera projection, view and frustum, and the camera node's update.
#include "scene/camera_node.h"

#include <GL/gl.h>

#include <algorithm>

namespace qv3rn {

namespace {
std::array<float, 16> numbersOf(const Mat4& matrix) {
    std::array<float, 16> numbers;
    std::copy(matrix.m, matrix.m + 16, numbers.begin());
    return numbers;
}
}  // namespace

void SceneCamera::resize(int w, int h) {
    width = w;
    height = h == 0 ? 1 : h;
}

Mat4 SceneCamera::projection() const {
    return Mat4::perspective(fov, static_cast<float>(width) / static_cast<float>(height), zNear, zFar);
}

Mat4 SceneCamera::view() const {
    const Vec3 up = rotation.transformVectorByRows({0.0f, 1.0f, 0.0f}).normalized();
    const Vec3 forward = rotation.transformVectorByRows({0.0f, 0.0f, 1.0f}).normalized();
    return Mat4::lookAt(position, position + forward, up);
}

std::array<float, 16> SceneCamera::projectionMatrix() const { return numbersOf(projection()); }
std::array<float, 16> SceneCamera::viewMatrix() const { return numbersOf(view()); }

void SceneCamera::apply() const {
    glMatrixMode(GL_PROJECTION);
    glLoadMatrixf(projection().data());
    glMatrixMode(GL_MODELVIEW);
    glLoadMatrixf(view().data());
}

Frustum SceneCamera::frustum() const { return Frustum(projection(), view()); }

CameraNode::CameraNode() : SceneNode(NodeType::Camera) {
    auto camera = std::make_unique<SceneCamera>("SG_Camera0");
    camera_ = camera.get();
    registered_ = CameraMgr::instance().add(camera_);
    if (registered_) camera.release();  // the manager owns it now
    else camera_ = camera.release();    // kept by this node alone
}

CameraNode::~CameraNode() {
    // A manager that was cleared first has deleted the camera already.
    if (!registered_ || CameraMgr::instance().remove(camera_)) delete camera_;
}

void CameraNode::updateSelf(float time) {
    CameraMgr& cameras = CameraMgr::instance();
    if (active && cameras.currentCamera() != camera_) cameras.setCurrentCamera(camera_);
    if (fovEnvelope_) camera_->fov = fovEnvelope_->evaluate(time);
    // A camera without keyframer stays at the origin looking along +Z.
    camera_->position = position();
    camera_->rotation = keyframer() ? keyframer()->rotationMatrix() : Mat4::identity();
    setScale({1.0f, 1.0f, 1.0f});
}

}  // namespace qv3rn
