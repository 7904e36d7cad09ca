// camera_node.h -- the scene's cameras: the camera object the camera manager knows, and the node that moves it.
#pragma once

#include <memory>
#include <string>

#include "math/frustum.h"
#include "math/mat4.h"
#include "scene/scene_node.h"
#include "shader/camera_mgr.h"

namespace qv3rn {

// A perspective camera looking along its turned +Z axis with its turned +Y axis up.
class SceneCamera : public Camera {
public:
    explicit SceneCamera(std::string name) : name_(std::move(name)) {}

    const std::string& name() const override { return name_; }
    void setName(std::string name) { name_ = std::move(name); }
    // Stores the size (a height of 0 counts as 1) and sets the projection again.
    void resize(int width, int height) override;
    std::array<float, 16> projectionMatrix() const override;
    std::array<float, 16> viewMatrix() const override;

    // Loads the projection into GL_PROJECTION and the view into GL_MODELVIEW, leaving the modelview current.
    void apply() const;
    Frustum frustum() const;

    Mat4 projection() const;
    Mat4 view() const;

    Vec3 position;
    Mat4 rotation;  // scene convention, as the keyframers give it
    float fov = 45.0f;
    float zNear = 1.0f;
    float zFar = 1024.0f;
    int width = 640;
    int height = 480;

private:
    std::string name_;
};

// Puts a SceneCamera into the scene; an active one makes its camera current whenever it is updated.
class CameraNode : public SceneNode {
public:
    CameraNode();   // registers its camera, "SG_Camera0", with the camera manager
    ~CameraNode() override;  // takes the camera back from the manager, if it still holds it, and deletes it

    // Position and turn from the node's own keyframer (never from its parents), the field of view from its
    // envelope; an active camera becomes current.
    void updateSelf(float time) override;

    SceneCamera& camera() { return *camera_; }
    const SceneCamera& camera() const { return *camera_; }
    void setFovEnvelope(std::unique_ptr<Envelope> envelope) { fovEnvelope_ = std::move(envelope); }

    bool active = false;

private:
    std::unique_ptr<Envelope> fovEnvelope_;
    SceneCamera* camera_;
    bool registered_ = false;
};

}  // namespace qv3rn
