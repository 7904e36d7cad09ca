// mesh_file.h -- the engine's "msh" mesh file: a bzip2 stream holding a header, vertices, optional sets and
// triangles with shader names; its loader and writer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "mesh/mesh.h"
#include "mesh/mesh_loader.h"
#include "mesh/shader_lookup.h"

namespace qv3rn {

inline constexpr std::size_t maxShaderNameLength = 255;
// Decompressed mesh data larger than this is refused (a 1 GiB mesh is far beyond anything the engine draws).
inline constexpr std::size_t defaultMeshDataLimit = std::size_t{1} << 30;
// Magic, version, flags and the two counts.
inline constexpr std::size_t meshHeaderBytes = 16;

// The most decompressed bytes a mesh with the counts and flags of `header` (its first bytes) can use: every
// triangle with the longest shader name. A header too short or with counts below 1 needs nothing more.
std::uint64_t largestMeshData(const std::vector<std::uint8_t>& header);

// Reads decompressed "msh" bytes into an empty mesh: header, counts (checked against the bytes that follow
// before anything is allocated), vertices, sets, tangent space, triangles; then the bounding box and the face
// planes. Fails with `error` set on a wrong magic or version, counts below 1, data that ends early, a shader
// name longer than 255 bytes, or a vertex index outside the vertex array.
bool readMeshData(const std::uint8_t* data, std::size_t size, Mesh& mesh, MissingShaders missing, std::string& error);

// The decompressed "msh" bytes of `mesh`; fails on a mesh without vertices or triangles or with a shader name
// longer than 255 bytes.
bool encodeMeshData(const Mesh& mesh, std::vector<std::uint8_t>& bytes, std::string& error);

class MeshFileLoader : public MeshLoader {
public:
    explicit MeshFileLoader(MissingShaders missing = MissingShaders::Leave) : MeshLoader("msh"), missing_(missing) {}

    // The bzip2 stream is decompressed as far as its header's counts can use, then read.
    bool loadFromMemory(const std::uint8_t* data, std::size_t size, Mesh& mesh) override;
    // The same through the bzip2 file reader.
    bool loadFromFile(const std::string& path, Mesh& mesh) override;

    void setDataLimit(std::size_t limit) { limit_ = limit; }

private:
    template <typename Reader, typename Reason>
    bool readStream(Reader& reader, Mesh& mesh, Reason failure);

    MissingShaders missing_;
    std::size_t limit_ = defaultMeshDataLimit;
};

class MeshFileWriter : public MeshWriter {
public:
    MeshFileWriter() : MeshWriter("msh") {}
    // Writes the file through the bzip2 file writer (block size 9); nothing is written for a refused mesh.
    bool save(const std::string& path, const Mesh& mesh) override;
};

}  // namespace qv3rn
