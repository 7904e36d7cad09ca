// lighting_shadows.cpp -- a 640 x 480 frame of a default-lighting group: a 6,400-triangle torus over a
// 20,000-triangle floor under a spot light, without shadows and with the torus throwing its shadow through the
// 256 x 256 depth image (the map drawn, then the receivers drawn again with the comparison).
#include <GL/gl.h>
#include <GL/glext.h>
#include <benchmark/benchmark.h>

#include <memory>
#include <sstream>
#include <string>
#include <utility>

#include "gl/default_gl_state.h"
#include "gl/extensions.h"
#include "mesh/mesh_builder.h"
#include "mesh/mesh_manager.h"
#include "mesh/mesh_shapes.h"
#include "platform/headless_context.h"
#include "scene/camera_node.h"
#include "scene/default_lighting_group.h"
#include "scene/scene_loader.h"
#include "shader/camera_mgr.h"
#include "shader/depth_texture.h"
#include "shader/image_registry.h"
#include "shader/shader_manager.h"

namespace {

using namespace qv3rn;

std::string place(float x, float y, float z, float pitch) {
    std::ostringstream text;
    text << "KeyframerLW {\nNumChannels 9\n";
    const float values[4] = {x, y, z, pitch};
    const int channels[4] = {0, 1, 2, 4};
    for (int k = 0; k < 4; ++k)
        text << "Channel " << channels[k] << "\n{ Envelope\n1\nKey " << values[k]
             << " 0 3 0 0 0 0 0 0 0\nBehaviors 1 1\n}\n";
    return text.str() + "}\n";
}

std::string script(bool shadows) {
    return std::string("DefaultLighting {\nName \"g\"\nShadows ") + (shadows ? "yes" : "no") +
           "\nShadowColor 0 0 0 0.6\nShadowCaster \"torus\"\nCamera {\nActive yes\n" + place(0, 6, -12, 0.45f) +
           "}\nSpotLight {\n" + place(4, 10, 2, 0) + "}\nMesh {\nName \"floor\"\nObject \"floor.msh\"\n}\n" +
           "Mesh {\nName \"torus\"\n" + place(0, 2, 0, 0) + "Object \"torus.msh\"\n}\n}\n";
}

class ShadowScene {
public:
    explicit ShadowScene(bool shadows) {
        context_ = platform::HeadlessContext::create(640, 480);
        if (!context_) return;
        reportExtensions(*context_);
        auto shader = std::make_unique<Shader>();
        shader->setName("surface");
        const Handle<Shader> handle(shader.get());
        shaders_.add(std::move(shader));
        ShapeParameters torus;
        torus.segments = 80;
        torus.rings = 40;
        adopt("torus.msh", "torus", torus, handle);
        ShapeParameters floor;
        floor.segments = 100;
        floor.rings = 100;
        floor.size = {30.0f, 0.0f, 30.0f};
        adopt("floor.msh", "plane", floor, handle);
        auto depth = std::make_unique<DepthTexture>(GL_DEPTH_COMPONENT24_ARB);
        depth->setName(DefaultLightingGroup::defaultShadowImage);
        depth->allocate(256, 256, ImageFormat::DepthComponent);
        images_.add(depth.release());
        SceneLoader loader;
        std::istringstream stream(script(shadows));
        root_ = loader.parse(stream, "bench.scene");
        applyDefaultGLState();
        glEnable(GL_LIGHTING);
    }
    ~ShadowScene() {
        if (root_) root_->lightsOff();
        root_.reset();
        images_.clear();
        meshes_.clear();
        shaders_.clear();
    }
    bool ready() const { return context_ && root_; }
    bool shadowsOn() const { return static_cast<DefaultLightingGroup&>(*root_).shadowsOn(); }

    void frame(float time) {
        root_->update(time);
        const auto* camera = static_cast<const SceneCamera*>(cameras_.currentCamera());
        cameras_.setSize(640, 480);
        camera->apply();
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
        root_->renderVisible(camera->frustum());
        glFinish();
    }

private:
    void adopt(const char* name, const char* shape, const ShapeParameters& parameters, const Handle<Shader>& shader) {
        MeshBuilder builder;
        buildShape(shape, parameters, shader, builder);
        auto mesh = builder.build();
        mesh->setName(name);
        meshes_.adopt(std::move(mesh));
    }

    std::unique_ptr<platform::HeadlessContext> context_;
    ShaderManager shaders_;
    MeshManager meshes_;
    ImageRegistry images_;
    CameraMgr cameras_;
    std::unique_ptr<SceneNode> root_;
};

void defaultLightingFrame(benchmark::State& state) {
    ShadowScene scene(state.range(0) != 0);
    if (!scene.ready()) {
        state.SkipWithError("no context");
        return;
    }
    float time = 0.0f;
    for (auto _ : state) {
        scene.frame(time);
        time += 0.02f;
    }
    if (state.range(0) != 0 && !scene.shadowsOn()) state.SkipWithError("the shadows were switched off");
}

}  // namespace

BENCHMARK(defaultLightingFrame)->ArgName("shadows")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
