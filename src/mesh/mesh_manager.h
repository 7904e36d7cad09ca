// mesh_manager.h -- the process-wide mesh cache: loads meshes by name through the loader of their extension,
// from the archive first and then from the disk search paths, and derives what the asked-for kind needs.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "data/resource_reader.h"
#include "mesh/edge_mesh.h"
#include "mesh/mesh.h"
#include "mesh/mesh_loader.h"

namespace qv3rn {

class MeshManager {
public:
    MeshManager();   // becomes the current instance
    ~MeshManager();  // clears, and hands the current role back to the manager before it
    MeshManager(const MeshManager&) = delete;
    MeshManager& operator=(const MeshManager&) = delete;

    // The manager of the process (constructed before main), or a test's own while it exists.
    static MeshManager* instance();

    // The first cached mesh whose alias or name equals `name` exactly; null when none does.
    Mesh* find(std::string_view name) const;

    // Loads `name` with the first loader serving its extension (the text after the last "." of the file name):
    // from the archive entry "data/obj/<name>" when an archive is set and still open, else (also when the
    // archive's copy does not load) from the first search path where the file exists, or the bare name. Builds
    // the batches, derives edges and tangents as `type` asks and caches the mesh. Null (with "Loading of mesh
    // ... FAILED" logged) when both sources fail; null without a message when no loader serves the extension.
    Mesh* load(const std::string& name, MeshType type);

    // Caches a mesh made elsewhere (a generated shape) under its name, so that scripts can name it like a file;
    // its batches must be built. Returns it.
    Mesh* adopt(std::unique_ptr<Mesh> mesh);

    // Saves `mesh` with the first writer serving the extension of `path`; false when none does or it fails.
    bool save(const std::string& path, const Mesh& mesh);

    void addLoader(std::unique_ptr<MeshLoader> loader);
    void addWriter(std::unique_ptr<MeshWriter> writer);
    void addSearchPath(std::string path);  // tried in the order added; script paths ("data\obj\") are mapped
    void setArchive(std::weak_ptr<Archive> archive) { reader_.setArchive(std::move(archive)); }

    // Deletes every mesh, loader and writer and forgets the search paths and the archive (shutdown).
    void clear();

    const std::vector<std::unique_ptr<Mesh>>& meshes() const { return meshes_; }
    MeshLoader* loaderFor(std::string_view name) const;
    MeshWriter* writerFor(std::string_view name) const;

private:
    MeshManager* previous_ = nullptr;
    ResourceReader reader_;
    Lookup lookup_{Lookup::Order::ArchiveThenDisk, {"data/obj/"}, {}};  // the search paths are its disk folders
    std::vector<std::unique_ptr<Mesh>> meshes_;
    std::vector<std::unique_ptr<MeshLoader>> loaders_;
    std::vector<std::unique_ptr<MeshWriter>> writers_;
};

// The new mesh object a kind asks for: an EdgeMesh for the edge kinds, a Mesh otherwise.
std::unique_ptr<Mesh> createMesh(MeshType type);

// The scene script's keyword for a kind: "EDGEMESH", "BUMPMAP", "BUMPMAP_EDGEMESH"; any other word is STATIC.
MeshType meshTypeFromKeyword(std::string_view keyword);

// The mesh `name` from the current cache, loaded with `type` when the cache has none; null when it cannot be
// loaded (or no mesh manager exists).
Mesh* findOrLoadMesh(const std::string& name, MeshType type);

// Registers what the demo registers at start-up, in its order: the object loader, the "msh" loader, the "msh"
// writer.
void registerStandardMeshFormats(MeshManager& manager);

}  // namespace qv3rn
