// camera_mgr.h -- the process-wide camera manager: every camera of every scene, the current one and the output
// size; and the camera interface it knows them by.
#pragma once

#include <array>
#include <string>
#include <vector>

namespace qv3rn {

// What the manager and the texture units need of a camera; the scene graph's camera node implements it.
class Camera {
public:
    virtual ~Camera() = default;
    virtual const std::string& name() const = 0;
    // The output is now width x height pixels (the camera adjusts its aspect).
    virtual void resize(int width, int height) = 0;
    // The camera's projection and view (world to eye) matrices, 16 floats in OpenGL column-major order, as of
    // its last update; the projected-texture mode multiplies them onto the texture matrix.
    virtual std::array<float, 16> projectionMatrix() const = 0;
    virtual std::array<float, 16> viewMatrix() const = 0;
};

class CameraMgr {
public:
    CameraMgr();   // becomes the current manager (the one instance() gives)
    ~CameraMgr();  // deletes the cameras, then hands the current role back
    CameraMgr(const CameraMgr&) = delete;
    CameraMgr& operator=(const CameraMgr&) = delete;

    static CameraMgr& instance();

    // Takes ownership of `camera` and appends it; the first camera added becomes current. False (the caller
    // keeps the camera) for null and for a name that is registered already.
    bool add(Camera* camera);
    // The first registered camera named exactly `name`, or null.
    Camera* find(const std::string& name) const;
    // Makes `camera` current and gives it the output size; returns the camera that was current. Throws
    // std::runtime_error "CameraMgr::setCurrentCamera() got null pointer" for null.
    Camera* setCurrentCamera(Camera* camera);
    // Stores the output size and passes it to the current camera.
    void setSize(int width, int height);
    // Unlinks `camera` without deleting it (the caller owns it again); forgets it as current. False when it is
    // not registered.
    bool remove(Camera* camera);
    // Forgets the current camera, then deletes every camera in registration order.
    void clear();

    Camera* currentCamera() const { return current_; }
    int width() const { return width_; }
    int height() const { return height_; }
    const std::vector<Camera*>& cameras() const { return cameras_; }

private:
    CameraMgr* previous_ = nullptr;
    int width_ = 0;
    int height_ = 0;
    std::vector<Camera*> cameras_;
    Camera* current_ = nullptr;
};

}  // namespace qv3rn
