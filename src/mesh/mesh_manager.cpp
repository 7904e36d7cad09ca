// mesh_manager.cpp -- loading meshes by name, deriving edges and tangents, and the process's mesh cache.
#include "mesh/mesh_manager.h"

#include "core/log.h"
#include "mesh/mesh_file.h"
#include "mesh/mesh_tangents.h"
#include "mesh/object_mesh_loader.h"

namespace qv3rn {

namespace {

MeshManager* currentManager = nullptr;

// Edges for the edge kinds; tangents for the bump-map kinds when the mesh has set 0 to derive them from.
void deriveTables(Mesh& mesh, MeshType type) {
    const char* name = mesh.name().c_str();
    auto* edgeMesh = dynamic_cast<EdgeMesh*>(&mesh);
    switch (type) {
    case MeshType::EdgeMesh:
        logger().printf("Calculate edges for \"%s\"", name);
        if (edgeMesh) edgeMesh->computeEdges();
        break;
    case MeshType::BumpMap:
        logger().printf("Calculate tangents for \"%s\"", name);
        computeTangents(mesh);
        break;
    case MeshType::BumpMapEdgeMesh:
        logger().printf("Calculate tangents and edges for \"%s\"", name);
        if (edgeMesh) edgeMesh->computeEdges();
        computeTangents(mesh);
        break;
    case MeshType::Static:
        break;
    }
}

}  // namespace

MeshManager::MeshManager() : previous_(currentManager) { currentManager = this; }

MeshManager::~MeshManager() {
    clear();
    if (currentManager == this) currentManager = previous_;
}

MeshManager* MeshManager::instance() { return currentManager; }

std::unique_ptr<Mesh> createMesh(MeshType type) {
    if (type == MeshType::EdgeMesh || type == MeshType::BumpMapEdgeMesh) return std::make_unique<EdgeMesh>();
    return std::make_unique<Mesh>();
}

MeshType meshTypeFromKeyword(std::string_view keyword) {
    if (keyword == "EDGEMESH") return MeshType::EdgeMesh;
    if (keyword == "BUMPMAP") return MeshType::BumpMap;
    if (keyword == "BUMPMAP_EDGEMESH") return MeshType::BumpMapEdgeMesh;
    return MeshType::Static;
}

Mesh* findOrLoadMesh(const std::string& name, MeshType type) {
    MeshManager* manager = MeshManager::instance();
    if (!manager) return nullptr;
    if (Mesh* mesh = manager->find(name)) return mesh;
    return manager->load(name, type);
}

Mesh* MeshManager::find(std::string_view name) const {
    for (const auto& mesh : meshes_)
        if (mesh->answersTo(name)) return mesh.get();
    return nullptr;
}

MeshLoader* MeshManager::loaderFor(std::string_view name) const {
    const std::string_view extension = fileExtension(name);
    for (const auto& loader : loaders_)
        if (loader->extension() == extension) return loader.get();
    return nullptr;
}

MeshWriter* MeshManager::writerFor(std::string_view name) const {
    const std::string_view extension = fileExtension(name);
    for (const auto& writer : writers_)
        if (writer->extension() == extension) return writer.get();
    return nullptr;
}

Mesh* MeshManager::load(const std::string& name, MeshType type) {
    MeshLoader* loader = loaderFor(name);
    if (!loader) return nullptr;

    std::unique_ptr<Mesh> mesh;
    for (Resource file = reader_.find(name, lookup_); file; file = reader_.find(name, lookup_, file.source())) {
        // Each source gets a fresh mesh: a failed attempt may have filled part of one.
        mesh = createMesh(type);
        const bool loaded = file.inArchive() ? loader->loadFromMemory(file.bytes().data(), file.bytes().size(), *mesh)
                                             : loader->loadFromFile(file.path(), *mesh);
        if (loaded) break;
        mesh.reset();
    }
    if (!mesh) {
        logger().printf("Loading of mesh \"%s\" FAILED", name.c_str());
        return nullptr;
    }

    mesh->setName(name);
    mesh->buildBatches();
    deriveTables(*mesh, type);
    mesh->setName(name);
    logger().printf("Loaded Mesh \"%s\" [%d vertices, %d tris]", name.c_str(), mesh->vertexCount(),
                    mesh->triangleCount());

    // Every loaded mesh stays owned by the cache; when another already answers to the name, find keeps
    // returning that first one and this one is handed only to this caller.
    meshes_.push_back(std::move(mesh));
    return meshes_.back().get();
}

Mesh* MeshManager::adopt(std::unique_ptr<Mesh> mesh) {
    meshes_.push_back(std::move(mesh));
    return meshes_.back().get();
}

bool MeshManager::save(const std::string& path, const Mesh& mesh) {
    MeshWriter* writer = writerFor(path);
    return writer && writer->save(path, mesh);
}

void MeshManager::addLoader(std::unique_ptr<MeshLoader> loader) {
    if (loader) loaders_.push_back(std::move(loader));
}

void MeshManager::addWriter(std::unique_ptr<MeshWriter> writer) {
    if (writer) writers_.push_back(std::move(writer));
}

void MeshManager::addSearchPath(std::string path) { lookup_.diskFolders.push_back(std::move(path)); }

void MeshManager::clear() {
    meshes_.clear();
    loaders_.clear();
    writers_.clear();
    lookup_.diskFolders.clear();
    reader_.setArchive({});
}

void registerStandardMeshFormats(MeshManager& manager) {
    manager.addLoader(std::make_unique<ObjectMeshLoader>());
    manager.addLoader(std::make_unique<MeshFileLoader>());
    manager.addWriter(std::make_unique<MeshFileWriter>());
}

// The process's manager, constructed before main like the other registries.
MeshManager processMeshManager;

}  // namespace qv3rn
