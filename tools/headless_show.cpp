// headless_show.cpp -- loading a content folder's show off screen, and undoing it in the demo's shut-down order.
#include "headless_show.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "data/resource_reader.h"
#include "effects/scene_registry.h"
#include "gl/default_gl_state.h"
#include "gl/extensions.h"
#include "mesh/mesh_manager.h"
#include "platform/wgl.h"
#include "shader/depth_texture.h"
#include "shader/image_registry.h"
#include "shader/shader_manager.h"

namespace qv3rn::tool {

namespace fs = std::filesystem;

bool HeadlessShow::open(const std::string& folder, const ShowFiles& files, int width, int height,
                        double stepsPerSecond, std::string& error) {
    std::error_code failed;
    const fs::path absolute = fs::absolute(resourceName(folder), failed);
    if (failed || !fs::is_directory(absolute, failed)) {
        error = folder + ": no such content folder";
        return false;
    }
    std::string contextError;
    context_ = platform::HeadlessContext::create(width, height, {}, &contextError);
    if (!context_) {
        error = "no OpenGL context: " + contextError;
        return false;
    }
    platform::installWindowSystem(context_->windowSystemHooks());
    reportExtensions(*context_);
    applyDefaultGLState();
    addShadowImage();  // where the lighting groups' shadow maps go, as in the player

    previous_ = fs::current_path();
    fs::current_path(absolute, failed);
    if (!targets_.create()) {
        error = "the off-screen render targets cannot be made";
        return false;
    }
    if (!loadShow(files, manager_, error)) return false;
    renderer_ = std::make_unique<FrameRenderer>(manager_, width, height);
    clock_ = std::make_unique<FixedStepClock>(manager_, stepsPerSecond);
    return true;
}

HeadlessShow::~HeadlessShow() {
    if (!context_) return;
    // While the context still exists: the effects, scenes and meshes hold shaders and buffers; the targets'
    // buffers go before the shaders, which may still hold the objects.
    clock_.reset();
    renderer_.reset();
    manager_.clear();
    SceneRegistry::instance().clear();
    if (MeshManager* meshes = MeshManager::instance()) meshes->clear();
    targets_.destroy();
    if (ShaderManager* shaders = ShaderManager::instance()) shaders->clear();
    ImageRegistry::instance().clear();
    targets_.release();
    platform::installWindowSystem({});
    std::error_code failed;
    if (!previous_.empty()) fs::current_path(previous_, failed);
}

}  // namespace qv3rn::tool
