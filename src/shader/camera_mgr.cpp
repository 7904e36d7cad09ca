// camera_mgr.cpp -- registration, lookup and the current camera.
#include "shader/camera_mgr.h"

#include <algorithm>
#include <stdexcept>

namespace qv3rn {

namespace {
CameraMgr* currentManager = nullptr;
}

// The process's camera manager, constructed before main like the other registries.
CameraMgr processCameraMgr;

CameraMgr::CameraMgr() : previous_(currentManager) { currentManager = this; }

CameraMgr::~CameraMgr() {
    clear();
    if (currentManager == this) currentManager = previous_;
}

CameraMgr& CameraMgr::instance() { return currentManager ? *currentManager : processCameraMgr; }

bool CameraMgr::add(Camera* camera) {
    if (!camera || find(camera->name())) return false;
    cameras_.push_back(camera);
    if (!current_) current_ = camera;
    return true;
}

Camera* CameraMgr::find(const std::string& name) const {
    auto it = std::find_if(cameras_.begin(), cameras_.end(), [&](const Camera* c) { return c->name() == name; });
    return it == cameras_.end() ? nullptr : *it;
}

Camera* CameraMgr::setCurrentCamera(Camera* camera) {
    if (!camera) throw std::runtime_error("CameraMgr::setCurrentCamera() got null pointer");
    Camera* previous = current_;
    current_ = camera;
    camera->resize(width_, height_);
    return previous;
}

void CameraMgr::setSize(int width, int height) {
    width_ = width;
    height_ = height;
    if (current_) current_->resize(width, height);
}

bool CameraMgr::remove(Camera* camera) {
    auto it = std::find(cameras_.begin(), cameras_.end(), camera);
    if (it == cameras_.end()) return false;
    cameras_.erase(it);
    if (current_ == camera) current_ = nullptr;
    return true;
}

void CameraMgr::clear() {
    current_ = nullptr;
    std::vector<Camera*> cameras;
    cameras.swap(cameras_);
    for (Camera* camera : cameras) delete camera;
}

}  // namespace qv3rn
