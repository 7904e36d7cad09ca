// mesh_scene_support.h -- tests of mesh nodes: a fixture with its own shader and mesh caches, flat grids
// given to the mesh cache, and the picture of a scene through its active camera.
#pragma once

#include <GL/gl.h>

#include <memory>
#include <sstream>
#include <string>

#include "gl/extensions.h"
#include "mesh/edge_mesh.h"
#include "mesh/mesh_builder.h"
#include "mesh/mesh_shapes.h"
#include "mesh/mesh_manager.h"
#include "scene/camera_node.h"
#include "scene_test_support.h"
#include "shader/shader_manager.h"
#include "support/test_shaders.h"
#include "support/captured_log.h"

namespace qv3rn::test {

// A square grid of cells x cells quads, `side` units wide, in the plane z = 0 centred on the origin, its faces
// towards -Z (a camera looking along +Z sees their fronts); every triangle drawn with `shader`.
inline std::unique_ptr<Mesh> flatGrid(int cells, float side, Shader* shader = nullptr) {
    MeshBuilder builder;
    const float step = side / static_cast<float>(cells);
    for (int j = 0; j <= cells; ++j)
        for (int i = 0; i <= cells; ++i)
            builder.addVertex({-side / 2 + step * static_cast<float>(i), -side / 2 + step * static_cast<float>(j), 0.0f},
                              {0.0f, 0.0f, -1.0f}, {0.0f, 0.0f});
    const auto at = [cells](int i, int j) { return j * (cells + 1) + i; };
    for (int j = 0; j < cells; ++j)
        for (int i = 0; i < cells; ++i) {
            builder.addTriangle(at(i, j), at(i, j + 1), at(i + 1, j), Handle<Shader>(shader));
            builder.addTriangle(at(i + 1, j), at(i, j + 1), at(i + 1, j + 1), Handle<Shader>(shader));
        }
    return builder.build();
}

// A box of the shape builder's default segments, centred on the origin.
inline std::unique_ptr<Mesh> boxMesh(Vec3 size) {
    MeshBuilder builder;
    ShapeParameters parameters;
    parameters.size = size;
    buildShape("box", parameters, {}, builder);
    return builder.build();
}

// A welded (closed) box or an open plane as an edge mesh with its tables.
inline std::unique_ptr<EdgeMesh> edgeShape(const char* shape, Vec3 size) {
    MeshBuilder builder;
    ShapeParameters parameters;
    parameters.size = size;
    parameters.segments = parameters.rings = 1;
    buildShape(shape, parameters, {}, builder);
    builder.weld();
    auto mesh = std::make_unique<EdgeMesh>();
    builder.buildInto(*mesh);
    mesh->computeEdges();
    return mesh;
}

// A "{ Envelope" block going in a straight line from `from` at time 0 to `to` at time 1, constant outside.
inline std::string rampEnvelope(float from, float to) {
    std::ostringstream text;
    text << "{ Envelope\n  2\n  Key " << from << " 0 3 0 0 0 0 0 0 0\n  Key " << to
         << " 1 3 0 0 0 0 0 0 0\n  Behaviors 1 1\n}\n";
    return text.str();
}

class MeshSceneTest : public SceneTest {
protected:
    void SetUp() override {
        SceneTest::SetUp();
        reportExtensions(*context);
    }
    void TearDown() override {
        root.reset();  // the nodes go before the meshes they draw, and these while the context lives
        meshes.clear();
        resetExtensions();
        SceneTest::TearDown();
    }

    // Gives `mesh` to the mesh cache under `name`.
    Mesh* adopt(const std::string& name, std::unique_ptr<Mesh> mesh) {
        mesh->setName(name);
        return meshes.adopt(std::move(mesh));
    }
    Shader* addShader(const std::string& name, bool blended = false) {
        return test::addShader(shaders, name, blended);
    }

    // The scene at `time` through its current camera, on black.
    void render(float time) {
        root->update(time);
        const auto* camera = static_cast<const SceneCamera*>(cameras.currentCamera());
        if (!camera) throw std::runtime_error("the scene has no active camera");
        cameras.setSize(width, height);
        camera->apply();
        glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        root->renderVisible(camera->frustum());
    }

    CapturedLog log{"mesh-scene.log"};  // the extension report goes here
    ShaderManager shaders;
    MeshManager meshes;
};

}  // namespace qv3rn::test
