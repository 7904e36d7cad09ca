// scene_command.cpp -- "qv3rn-tool scene": reads a scene script the way a scene effect does and lists its nodes,
// with their enable state and world position (and a mesh node's mesh with its counts and deformers, the lights
// a shadow or lighting group gathered, a cube grid's triangles and threshold), at the chosen demo times; "--obj"
// writes the cube grids' surfaces at the last time as a Wavefront OBJ file.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "command_arguments.h"
#include "data/script_error.h"
#include "gl/extensions.h"
#include "platform/headless_context.h"
#include "mesh/mesh_manager.h"
#include "scene/camera_node.h"
#include "scene/cube_grid_node.h"
#include "scene/default_lighting_group.h"
#include "scene/deform_mesh_node.h"
#include "scene/lens_flare_node.h"
#include "scene/mesh_node.h"
#include "scene/morph_node.h"
#include "scene/octree_node.h"
#include "scene/particles_node.h"
#include "scene/per_pixel_lighting.h"
#include "scene/scene_loader.h"
#include "scene/shadow_plane.h"
#include "scene/shadow_volume.h"
#include "scene/sparks_node.h"
#include "shader/camera_mgr.h"
#include "shader/image_registry.h"
#include "shader/shader_manager.h"
#include "shader/shader_script_loader.h"
#include "content_folder.h"
#include "tool_command.h"

namespace qv3rn::tool {

namespace {

namespace fs = std::filesystem;

constexpr const char* usageText = "scene <script> [--data DIR] [--time T ...] [--obj FILE]";

// The word that opens a node's block.
const char* blockWord(const SceneNode& node) {
    if (dynamic_cast<const DeformMeshNode*>(&node)) return "DeformMesh";
    if (dynamic_cast<const MorphNode*>(&node)) return "Morph";
    if (dynamic_cast<const PerPixelLightingGroup*>(&node)) return "PerPixelLighting";
    if (dynamic_cast<const PerPixelBumpMapGroup*>(&node)) return "PerPixelBumpMapLighting";
    if (dynamic_cast<const DefaultLightingGroup*>(&node)) return "DefaultLighting";
    switch (node.type()) {
    case NodeType::Group: return "Group";
    case NodeType::Camera: return "Camera";
    case NodeType::PointLight: return "PointLight";
    case NodeType::DirectionalLight: return "DirectionalLight";
    case NodeType::SpotLight: return "SpotLight";
    case NodeType::Mesh: return "Mesh";
    case NodeType::Octree: return "Octree";
    case NodeType::ShadowPlane: return "ShadowPlane";
    case NodeType::ShadowVolume: return "ShadowVolume";
    case NodeType::Sparks: return "Sparks";
    case NodeType::LensFlare: return "LensFlare";
    case NodeType::Mirror: return "Mirror";
    case NodeType::Volumizer: return "Volumizer";
    case NodeType::EdgeMesh: return "EdgeMesh";
    case NodeType::Particles: return "Particles";
    case NodeType::CubeGrid: return "CubeGrid";
    case NodeType::MetaObject: return "MetaObject";
    default: return "Node";
    }
}

// What a shadow plane throws, and where from; the light and caster a default-lighting group's shadows use.
void printShadows(SceneNode& node) {
    if (const auto* plane = dynamic_cast<const ShadowPlane*>(&node)) {
        const auto& p = plane->plane;
        const auto& l = plane->light;
        std::printf(" plane %.6g %.6g %.6g %.6g light %.6g %.6g %.6g %.6g", static_cast<double>(p[0]),
                    static_cast<double>(p[1]), static_cast<double>(p[2]), static_cast<double>(p[3]),
                    static_cast<double>(l[0]), static_cast<double>(l[1]), static_cast<double>(l[2]),
                    static_cast<double>(l[3]));
    }
    auto* group = dynamic_cast<DefaultLightingGroup*>(&node);
    if (!group || !group->shadowsOn()) return;
    const SceneNode* light = group->shadowLight();
    const SceneNode* caster = group->findCaster();
    std::printf(" shadows from %s%s%s of %s%s%s", light ? "\"" : "", light ? light->name().c_str() : "no light",
                light ? "\"" : "", caster ? "\"" : "", caster ? caster->name().c_str() : "no caster",
                caster ? "\"" : "");
}

// The registrations the sparks and lens-flare nodes received from the other nodes' lines.
void printRegistrations(const SceneNode& node) {
    if (const auto* sparks = dynamic_cast<const SparksNode*>(&node)) {
        std::printf(" sparks from");
        for (const SparkEmitter& e : sparks->emitters())
            std::printf(" \"%s\" (rate %.6g life %.6g size %.6g fall %.6g)", e.source->name().c_str(),
                        static_cast<double>(e.rate), static_cast<double>(e.life), static_cast<double>(e.size),
                        static_cast<double>(e.fallSpeed));
    }
    if (const auto* flare = dynamic_cast<const LensFlareNode*>(&node)) {
        std::printf(" flares from");
        for (const FlareSource& source : flare->sources()) std::printf(" \"%s\"", source.node->name().c_str());
        std::printf(" %zu elements", flare->elements().size());
    }
}

void printNode(SceneNode& node, int depth) {
    const Vec3& p = node.worldPosition();
    std::printf("%*s%s \"%s\" %s at %.6g %.6g %.6g", 2 * depth, "", blockWord(node), node.name().c_str(),
                node.isEnabled() ? "enabled" : "disabled", static_cast<double>(p.x), static_cast<double>(p.y),
                static_cast<double>(p.z));
    if (node.type() == NodeType::Camera)
        std::printf(" fov %.6g", static_cast<double>(static_cast<const CameraNode&>(node).camera().fov));
    const auto printLights = [](const char* what, const std::vector<SceneNode*>& lights) {
        std::printf(" %s", what);
        for (const SceneNode* light : lights) std::printf(" \"%s\"", light->name().c_str());
    };
    if (const auto* shadow = dynamic_cast<const ShadowVolumeGroup*>(&node)) printLights("lights", shadow->lights());
    if (const auto* lit = dynamic_cast<const LightingGroup*>(&node)) {
        printLights("lights", lit->lights());
        if (lit->shadows()) printLights("shadow lights", lit->shadowGroup()->lights());
    }
    if (const auto* morph = dynamic_cast<const MorphNode*>(&node))
        std::printf(" morph of %zu", morph->targets().size());
    const auto printMesh = [](const Mesh& mesh) {
        std::printf(" mesh \"%s\" %d vertices %d triangles", mesh.name().c_str(), mesh.vertexCount(),
                    mesh.triangleCount());
    };
    if (const auto* meshNode = dynamic_cast<const MeshNode*>(&node); meshNode && meshNode->mesh())
        printMesh(*meshNode->mesh());
    if (const auto* octree = dynamic_cast<const OctreeNode*>(&node)) {
        if (octree->octree().mesh()) {
            printMesh(*octree->octree().mesh());
            std::printf(" octree %d leaves depth %d", octree->octree().stats().leaves, octree->octree().stats().depth);
        } else {
            std::printf(" no octree");
        }
    }
    if (const auto* particles = dynamic_cast<const ParticlesNode*>(&node); particles && particles->system())
        std::printf(" particles %d live", particles->system()->liveCount());
    if (const auto* deform = dynamic_cast<const DeformMeshNode*>(&node)) {
        std::printf(" deformers");
        for (const auto& deformer : deform->deformers()) std::printf(" %s", deformerName(deformer->kind()));
    }
    if (auto* grid = dynamic_cast<CubeGridNode*>(&node))
        std::printf(" triangles %zu threshold %.6g", grid->polygonise().triangleCount(),
                    static_cast<double>(grid->threshold));
    if (const auto* meta = dynamic_cast<const MetaObjectNode*>(&node)) {
        static const char* const kinds[] = {"no primitive", "sphere", "torus", "cube"};
        std::printf(" %s", meta->primitive() ? kinds[static_cast<int>(meta->kind)] : kinds[0]);
    }
    printShadows(node);
    printRegistrations(node);
    std::printf("\n");
    for (const auto& child : node.children()) printNode(*child, depth + 1);
}

// Every cube grid's surface in world space, one OBJ object per grid, named after its node.
void writeSurfaces(SceneNode& node, std::ofstream& out, std::size_t& written) {
    if (auto* grid = dynamic_cast<CubeGridNode*>(&node)) {
        const IsoMesh& mesh = grid->polygonise();
        const Mat4& matrix = node.nodeMatrix();
        out << "o " << (node.name().empty() ? "CubeGrid" : node.name()) << "\n";
        for (const IsoVertex& vertex : mesh.vertices) {
            const Vec3 p = matrix.transformPoint(vertex.position);
            const Vec3 n = matrix.transformVector(vertex.normal).normalized();
            out << "v " << p.x << " " << p.y << " " << p.z << "\nvn " << n.x << " " << n.y << " " << n.z << "\n";
        }
        for (std::size_t i = 0; i < mesh.indices.size(); i += 3) {
            out << "f";
            for (std::size_t k = 0; k < 3; ++k) {
                const std::size_t at = written + mesh.indices[i + k] + 1;
                out << " " << at << "//" << at;
            }
            out << "\n";
        }
        written += mesh.vertices.size();
    }
    for (const auto& child : node.children()) writeSurfaces(*child, out, written);
}

struct SceneArguments {
    std::string script;
    std::string obj;
    std::string data;
    std::vector<float> times;
};

bool parseArguments(const std::vector<std::string>& args, SceneArguments& parsed, std::string& error) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if ((arg == "--time" || arg == "--data" || arg == "--obj") && i + 1 >= args.size()) {
            error = arg + " needs a value";
            return false;
        }
        if (arg == "--time") {
            const std::string& text = args[++i];
            double seconds = 0.0;
            if (!parseNumber(text, seconds)) {
                error = "--time wants seconds, not \"" + text + "\"";
                return false;
            }
            parsed.times.push_back(static_cast<float>(seconds));
        } else if (arg == "--data") {
            parsed.data = args[++i];
        } else if (arg == "--obj") {
            parsed.obj = args[++i];
        } else if (!takeOperand(arg, parsed.script, "script", error)) {
            return false;
        }
    }
    if (parsed.script.empty()) error = "no script given";
    if (parsed.times.empty()) parsed.times.push_back(0.0f);
    return error.empty();
}

int runScene(const std::vector<std::string>& args) {
    SceneArguments parsed;
    std::string error;
    if (!parseArguments(args, parsed, error)) return usageError("scene", error);

    // Lights ask the driver how many there are, and point lights look up shaders.
    auto context = platform::HeadlessContext::create(64, 64);
    if (context) reportExtensions(*context);

    const fs::path previous = fs::current_path();
    std::error_code ignored;
    ShaderManager shaders;
    ImageRegistry& images = ImageRegistry::instance();
    MeshManager meshes;  // meshes come from "data\obj\" of the content folder, else beside the script
    registerStandardMeshFormats(meshes);
    if (!parsed.data.empty()) {
        if (!enterContentFolder(parsed.data, meshes)) {
            std::fprintf(stderr, "qv3rn-tool scene: %s: no such content folder\n", parsed.data.c_str());
            return 1;
        }
    }

    int status = 0;
    {
        CameraMgr cameras;
        cameras.setSize(640, 480);
        std::unique_ptr<SceneNode> root;
        try {
            if (!parsed.data.empty()) loadContentShaders(shaders);
            SceneLoader loader;
            root = loader.load(parsed.script);
            if (!root) {
                std::fprintf(stderr, "qv3rn-tool scene: %s: no scene (the file cannot be read or has no root block)\n",
                             parsed.script.c_str());
                status = 1;
            }
        } catch (const ScriptError& raised) {
            std::fprintf(stderr, "%s\n", raised.located().c_str());
            status = 1;
        } catch (const std::runtime_error& raised) {
            std::fprintf(stderr, "%s: %s\n", parsed.script.c_str(), raised.what());
            status = 1;
        }
        if (root) {
            for (float time : parsed.times) {
                root->update(time);
                std::printf("time %.6g\n", static_cast<double>(time));
                printNode(*root, 0);
            }
            if (!parsed.obj.empty()) {
                std::ofstream out(parsed.obj);
                std::size_t written = 0;
                writeSurfaces(*root, out, written);
                out.close();
                if (!out) {
                    std::fprintf(stderr, "qv3rn-tool scene: %s: cannot write\n", parsed.obj.c_str());
                    status = 1;
                }
            }
            root->lightsOff();
        }
    }
    meshes.clear();
    shaders.clear();
    images.clear();
    fs::current_path(previous, ignored);
    return status;
}

const ToolCommand sceneCommand{"scene", usageText, runScene};

}  // namespace
}  // namespace qv3rn::tool
