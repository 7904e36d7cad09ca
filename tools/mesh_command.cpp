// mesh_command.cpp -- qv3rn-tool mesh: inspects mesh files, converts OBJ and LightWave objects into the
// engine's mesh file, and makes procedural meshes.
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "data/resource_reader.h"  // Required for: fileExtension
#include "mesh/edge_mesh.h"
#include "mesh/mesh.h"
#include "mesh/mesh_builder.h"
#include "mesh/mesh_file.h"
#include "mesh/mesh_manager.h"
#include "mesh/mesh_shapes.h"
#include "mesh/mesh_tangents.h"
#include "mesh/object_mesh_loader.h"
#include "mesh/shader_lookup.h"
#include "mesh/wavefront_obj.h"
#include "scene/octree.h"
#include "shader/shader_manager.h"
#include "tool_command.h"

namespace qv3rn::tool {

namespace {

constexpr const char* kUsage =
    "mesh info <file> [--octree MAXTRIS BOXSIDE MAXDEPTH]\n"
    "       qv3rn-tool mesh convert <in.obj|in.lwo|in.msh> <out.msh> [--tangents]\n"
    "       qv3rn-tool mesh make <shape> <out.msh> [options]\n"
    "  info     prints the flags, counts, bounding box, draw batches (shader names) and whether the edges close\n"
    "           (a closed mesh can cast shadow volumes) of a .msh, .lwo or .obj file; with --octree also the\n"
    "           octree an Octree node builds with those values: cells, leaves, depth reached and how many\n"
    "           triangle entries are copies of triangles crossing cell walls.\n"
    "  convert  writes the engine's mesh file; OBJ faces take their shader from \"usemtl\", else from \"g\".\n"
    "  make     writes a procedural mesh with normals, texture coordinates (set 0) and one shader.\n"
    "           shapes: sphere, torus, box, cylinder, plane, torusknot, terrain (a noise height field over\n"
    "           --size X _ Z, --segments by --rings cells, peaks up to --height), ship (a low-poly dart, --radius)\n"
    "           options: --shader NAME (default \"default\")  --radius R  --tube R  --height H  --size X Y Z\n"
    "                    --segments N (torus knot: along the whole knot, default 128)  --rings N\n"
    "                    --p N --q N (torus knot turns)  --seed N (terrain noise)  --weld (share seam\n"
    "                    vertices, so that closed shapes have closed edges)  --tangents (store tangent space)";

// A content error: the message is printed as "qv3rn-tool mesh: <message>" and the exit status is 1.
int contentError(const std::string& message) {
    std::fflush(stdout);
    std::fprintf(stderr, "qv3rn-tool mesh: %s\n", message.c_str());
    return 1;
}

std::string flagNames(std::uint16_t flags) {
    static const std::pair<std::uint16_t, const char*> names[] = {
        {MeshFlags::Normals, "normals"},     {MeshFlags::Colours, "colours"},   {MeshFlags::TexCoords0, "set0"},
        {MeshFlags::TexCoords1, "set1"},     {MeshFlags::TexCoords2, "set2"},   {MeshFlags::TexCoords3, "set3"},
        {MeshFlags::TangentSpace, "tangents"}, {MeshFlags::Edges, "edges"},     {MeshFlags::VertexBuffer, "vbo"},
        {MeshFlags::Fresh, "new"}};
    std::string text;
    for (const auto& [flag, name] : names) {
        if (!(flags & flag)) continue;
        if (!text.empty()) text += ' ';
        text += name;
    }
    return text;
}

// Reads a .msh, .lwo or .obj file into `mesh` (shaders named by the file are registered as they come).
bool loadAnyMesh(const std::string& path, Mesh& mesh, std::string& error) {
    const std::string extension(fileExtension(path));
    if (extension == "msh" || extension == "lwo") {
        std::unique_ptr<MeshLoader> loader;
        if (extension == "msh") loader = std::make_unique<MeshFileLoader>(MissingShaders::Create);
        else loader = std::make_unique<ObjectMeshLoader>();
        if (!loader->loadFromFile(path, mesh)) {
            error = path + ": " + loader->lastError();
            return false;
        }
        mesh.buildBatches();
        return true;
    }
    if (extension == "obj") {
        std::ifstream in(path, std::ios::binary);
        if (!in) {
            error = path + ": cannot open the file";
            return false;
        }
        MeshBuilder builder;
        ObjReadResult result;
        if (!readWavefrontObj(in, path, builder, result, error)) return false;
        if (!builder.buildInto(mesh, result.withColours)) {
            error = path + ": no faces";
            return false;
        }
        return true;
    }
    error = path + ": unknown mesh format \"" + extension + "\" (msh, lwo or obj)";
    return false;
}

bool addTangents(Mesh& mesh, std::string& error) {
    if (computeTangents(mesh)) return true;
    error = "the mesh has no texture coordinates to derive tangents from";
    return false;
}

int save(const Mesh& mesh, const std::string& path) {
    MeshFileWriter writer;
    if (!writer.save(path, mesh)) return contentError(path + ": " + writer.lastError());
    std::printf("wrote %s: %d vertices, %d triangles, %zu batches\n", path.c_str(), mesh.vertexCount(),
                mesh.triangleCount(), mesh.batches().size());
    return 0;
}

// Reads the numbers after an option into `values`; false when they are missing or not numbers.
bool readNumbers(const std::vector<std::string>& args, std::size_t& i, std::vector<float>& values, std::size_t count) {
    for (std::size_t k = 0; k < count; ++k) {
        if (++i >= args.size()) return false;
        const char* text = args[i].c_str();
        char* end = nullptr;
        errno = 0;
        const float value = std::strtof(text, &end);
        if (end == text || *end != '\0' || errno == ERANGE || !std::isfinite(value)) return false;
        values.push_back(value);
    }
    return true;
}

// Reads the three octree values after "--octree" at args[i]; false when they are missing or not numbers, or a
// count is not a whole number.
bool readOctreeSettings(const std::vector<std::string>& args, std::size_t i, OctreeSettings& settings) {
    std::vector<float> v;
    if (!readNumbers(args, i, v, 3)) return false;
    for (float count : {v[0], v[2]})
        if (count != std::floor(count) || std::fabs(count) > 2e9f) return false;
    settings = {static_cast<int>(v[0]), v[1], static_cast<int>(v[2])};
    return true;
}

int printOctree(const std::string& path, Mesh& mesh, const OctreeSettings& settings) {
    Octree tree;
    std::string error;
    if (!tree.build(mesh, settings, error)) return contentError(path + ": no octree: " + error);
    const OctreeStats& stats = tree.stats();
    std::printf("  octree     at most %d triangles a cell, side at least %g, depth at most %d\n", settings.maxTriangles,
                settings.boxSide, settings.maxDepth);
    std::printf("    cells      %d\n", stats.cells);
    std::printf("    leaves     %d\n", stats.leaves);
    std::printf("    depth      %d\n", stats.depth);
    std::printf("    duplicated %d of %d entries\n", stats.duplicates(), stats.references);
    return 0;
}

int runInfo(const std::vector<std::string>& args) {
    OctreeSettings octree;
    const bool withOctree = args.size() > 1 && args[1] == "--octree";
    if (withOctree && (args.size() != 5 || !readOctreeSettings(args, 1, octree)))
        return usageError("mesh", "--octree takes MAXTRIS BOXSIDE MAXDEPTH");
    if (!withOctree && args.size() != 1) return usageError("mesh", "info takes one file");
    Mesh mesh;
    std::string error;
    if (!loadAnyMesh(args[0], mesh, error)) return contentError(error);
    const BoundingBox& box = mesh.bounds();
    std::printf("%s\n", args[0].c_str());
    std::printf("  flags      0x%04x %s\n", mesh.flags(), flagNames(mesh.flags()).c_str());
    std::printf("  vertices   %d\n", mesh.vertexCount());
    std::printf("  triangles  %d\n", mesh.triangleCount());
    std::printf("  bounds     %g %g %g .. %g %g %g\n", box.min.x, box.min.y, box.min.z, box.max.x, box.max.y,
                box.max.z);
    std::printf("  batches    %zu\n", mesh.batches().size());
    for (const MeshBatch& batch : mesh.batches()) {
        const std::string name = batch.shader ? "\"" + batch.shader->getName() + "\"" : "(no shader)";
        std::printf("    %-24s %zu triangles\n", name.c_str(), batch.used / 3);
    }
    const EdgeValidation edges = validateEdges(mesh);
    std::printf("  edges      %d, %d not valid\n", edges.edges, edges.invalidEdges);
    std::printf("  edge tris  %d, %d not valid\n", edges.triangles, edges.invalidTriangles);
    std::printf("  closed     %s\n", edges.allValid() ? "yes" : "no");
    return withOctree ? printOctree(args[0], mesh, octree) : 0;
}

int runConvert(const std::vector<std::string>& args) {
    if (args.size() < 2) return usageError("mesh", "convert takes an input and an output file");
    bool tangents = false;
    for (std::size_t i = 2; i < args.size(); ++i) {
        if (args[i] == "--tangents") tangents = true;
        else return usageError("mesh", "unknown option \"" + args[i] + "\"");
    }
    if (fileExtension(args[1]) != "msh") return usageError("mesh", "the output must be a .msh file");
    Mesh mesh;
    std::string error;
    if (!loadAnyMesh(args[0], mesh, error)) return contentError(error);
    if (tangents && !addTangents(mesh, error)) return contentError(args[0] + ": " + error);
    return save(mesh, args[1]);
}

int runMake(const std::vector<std::string>& args) {
    if (args.size() < 2) return usageError("mesh", "make takes a shape and an output file");
    const std::string& shape = args[0];
    const std::string& out = args[1];
    if (fileExtension(out) != "msh") return usageError("mesh", "the output must be a .msh file");
    ShapeParameters parameters;
    std::string shaderName = "default";
    bool weld = false, tangents = false, segmentsGiven = false;
    for (std::size_t i = 2; i < args.size(); ++i) {
        const std::string& option = args[i];
        std::vector<float> v;
        auto numbers = [&](std::size_t count) { return readNumbers(args, i, v, count); };
        auto whole = [&](int& target, int minimum) {
            if (!numbers(1) || v[0] != std::floor(v[0]) || v[0] < minimum || v[0] > 100000) return false;
            target = static_cast<int>(v[0]);
            return true;
        };
        bool good = true;
        if (option == "--shader") {
            good = ++i < args.size() && !args[i].empty() && args[i].size() <= maxShaderNameLength;
            if (good) shaderName = args[i];
        } else if (option == "--radius") good = numbers(1) && (parameters.radius = v[0]) > 0.0f;
        else if (option == "--tube") good = numbers(1) && (parameters.tube = v[0]) > 0.0f;
        else if (option == "--height") good = numbers(1) && (parameters.height = v[0]) > 0.0f;
        else if (option == "--size") {
            good = numbers(3) && v[0] > 0.0f && v[1] > 0.0f && v[2] > 0.0f;
            if (good) parameters.size = {v[0], v[1], v[2]};
        } else if (option == "--segments") good = segmentsGiven = whole(parameters.segments, 1);
        else if (option == "--rings") good = whole(parameters.rings, 1);
        else if (option == "--p") good = whole(parameters.p, 1);
        else if (option == "--q") good = whole(parameters.q, 1);
        else if (option == "--seed") {
            int seed = 0;
            good = whole(seed, 0);
            parameters.seed = static_cast<std::uint32_t>(seed);
        }
        else if (option == "--weld") weld = true;
        else if (option == "--tangents") tangents = true;
        else return usageError("mesh", "unknown option \"" + option + "\"");
        if (!good) return usageError("mesh", "bad value for " + option);
    }
    // The knot's tube winds around the axis p times: it needs more segments along its length.
    if (shape == "torusknot" && !segmentsGiven) parameters.segments = 128;
    MeshBuilder builder;
    const Handle<Shader> shader = lookUpShader(shaderName, MissingShaders::Create);
    if (!buildShape(shape, parameters, shader, builder))
        return usageError("mesh", "unknown shape \"" + shape + "\" (" + shapeNames() + ")");
    if (weld) builder.weld();
    std::unique_ptr<Mesh> mesh = builder.build();
    if (!mesh) return contentError("the shape has no triangles");
    std::string error;
    if (tangents && !addTangents(*mesh, error)) return contentError(error);
    return save(*mesh, out);
}

int runMesh(const std::vector<std::string>& args) {
    if (args.empty()) return usageError("mesh", "info, convert or make is needed");
    // The shaders that meshes name live in a registry of this command's own, current while it runs and
    // cleared once the meshes (locals of the subcommands) are gone.
    ShaderManager shaders;
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    if (args[0] == "info") return runInfo(rest);
    if (args[0] == "convert") return runConvert(rest);
    if (args[0] == "make") return runMake(rest);
    return usageError("mesh", "unknown mesh command \"" + args[0] + "\"");
}

const ToolCommand command{"mesh", kUsage, runMesh};

}  // namespace

}  // namespace qv3rn::tool
