// scene_script.cpp -- fuzzes the scene script reader: the text is read into a node tree, which is then updated at
// a few demo times, walked (shadow planes and lighting groups checked) and destroyed. The mesh cache holds small
// generated meshes that mesh, deform and morph blocks can name: "grid.msh" and "bowl.msh" (3 x 3 vertices each), "wide.msh" (4 x 4) and "empty.msh".
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "data/memory_stream.h"
#include "mesh/mesh_manager.h"
#include "mesh/mesh_shapes.h"
#include "scene/cube_grid_node.h"
#include "scene/default_lighting_group.h"
#include "scene/scene_loader.h"
#include "scene/per_pixel_lighting.h"
#include "scene/shadow_plane.h"
#include "scene/shadow_volume.h"
#include "scene/sparks_node.h"
#include "shader/camera_mgr.h"

namespace {

// A plane grid of cells x cells quads named `name`, bent into a bowl when `bowl` is set.
void adoptGrid(qv3rn::MeshManager& meshes, const char* name, int cells, bool bowl) {
    qv3rn::ShapeParameters plane;
    plane.segments = cells;
    plane.rings = cells;
    qv3rn::MeshBuilder builder;
    if (!qv3rn::buildShape("plane", plane, qv3rn::Handle<qv3rn::Shader>(), builder)) std::abort();
    auto mesh = builder.build();
    if (bowl)
        for (qv3rn::MeshVertex& vertex : mesh->vertices())
            vertex.position.y = vertex.position.x * vertex.position.x + vertex.position.z * vertex.position.z;
    mesh->computeBounds();
    mesh->setName(name);
    meshes.adopt(std::move(mesh));
}

// A shadow plane that loaded has a quad and a flattening of finite numbers; a lighting group finds its light and
// caster (or none) without drawing.
void checkShadows(qv3rn::SceneNode& node) {
    if (auto* plane = dynamic_cast<qv3rn::ShadowPlane*>(&node)) {
        for (const qv3rn::Vec3& corner : plane->quadCorners())
            if (!std::isfinite(corner.x) || !std::isfinite(corner.y) || !std::isfinite(corner.z)) std::abort();
        const auto& l = plane->light;
        const qv3rn::Mat4 flatten =
            qv3rn::planarShadowMatrix(plane->planeFacingLight(), qv3rn::Vec4(l[0], l[1], l[2], l[3]));
        for (const float number : flatten.m)
            if (std::isnan(number)) std::abort();
    }
    if (auto* group = dynamic_cast<qv3rn::DefaultLightingGroup*>(&node)) {
        group->shadowLight();
        group->findCaster();
    }
    for (const auto& child : node.children()) checkShadows(*child);
}

// Every node is reached by the walks; a node's parent holds it. A shadow group gathers light nodes only, a
// lighting group point-light sprites and spot lights only.
std::size_t countNodes(qv3rn::SceneNode& node) {
    std::size_t count = 1;
    if (auto* group = dynamic_cast<qv3rn::ShadowVolumeGroup*>(&node))
        for (const qv3rn::SceneNode* light : group->lights())
            if (!light->isEnabled() || light->type() < qv3rn::NodeType::PointLight ||
                light->type() > qv3rn::NodeType::SpotLight)
                std::abort();
    if (auto* group = dynamic_cast<qv3rn::LightingGroup*>(&node))
        for (const qv3rn::SceneNode* light : group->lights())
            if (!light->isEnabled() ||
                (light->type() != qv3rn::NodeType::PointLight && light->type() != qv3rn::NodeType::SpotLight))
                std::abort();
    // An emitter holds no more sparks than its limit, whatever its rate.
    if (auto* sparks = dynamic_cast<qv3rn::SparksNode*>(&node))
        for (const qv3rn::SparkEmitter& emitter : sparks->emitters())
            if (emitter.sparks.size() > qv3rn::SparksNode::maxSparksPerEmitter) std::abort();
    for (const auto& child : node.children()) {
        if (child->parent() != &node) std::abort();
        count += countNodes(*child);
    }
    return count;
}

// An iso-surface holds finite vertices only, and its indices name them.
void checkSurfaces(qv3rn::SceneNode& node) {
    if (auto* grid = dynamic_cast<qv3rn::CubeGridNode*>(&node)) {
        const qv3rn::IsoMesh& mesh = grid->polygonise();
        for (const qv3rn::IsoVertex& vertex : mesh.vertices)
            for (const float number : {vertex.position.x, vertex.position.y, vertex.position.z, vertex.normal.x,
                                       vertex.normal.y, vertex.normal.z})
                if (!std::isfinite(number)) std::abort();
        for (const std::uint32_t index : mesh.indices)
            if (index >= mesh.vertices.size()) std::abort();
    }
    for (const auto& child : node.children()) checkSurfaces(*child);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace qv3rn;
    CameraMgr cameras;  // the scene's cameras register here and leave with their nodes
    MeshManager meshes;  // fresh for every input, since nodes deform the meshes they name
    adoptGrid(meshes, "grid.msh", 2, false);
    adoptGrid(meshes, "bowl.msh", 2, true);
    adoptGrid(meshes, "wide.msh", 3, false);
    auto empty = std::make_unique<Mesh>();
    empty->setName("empty.msh");
    meshes.adopt(std::move(empty));
    std::unique_ptr<SceneNode> root;
    try {
        SceneLoader loader;
        MemoryStream stream(data, size);
        root = loader.parse(stream, "fuzz.scene");
    } catch (const std::runtime_error&) {
        // Script errors are part of the format.
    }
    if (!root) {
        if (!cameras.cameras().empty()) std::abort();  // a failed load leaves no camera behind
        return 0;
    }
    const std::size_t nodes = countNodes(*root);
    for (const float time : {0.0f, 0.5f, 2.0f, 1000.0f}) {
        root->update(time);
        std::vector<SceneNode*> enabled;
        root->collectEnabled(enabled);
        if (enabled.size() > nodes) std::abort();
        checkSurfaces(*root);
    }
    if (!root->findByName(root->name())) std::abort();
    checkShadows(*root);
    root.reset();
    if (!cameras.cameras().empty()) std::abort();
    return 0;
}
