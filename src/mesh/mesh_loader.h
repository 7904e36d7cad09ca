// mesh_loader.h -- the per-format mesh loaders and writers the MeshManager chooses by file extension.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

#include "mesh/mesh.h"

namespace qv3rn {

// Fills a freshly constructed mesh from one source format. Both forms return true on success; on failure the
// mesh may be partly filled and is thrown away by the caller.
class MeshLoader {
public:
    explicit MeshLoader(std::string extension) : extension_(std::move(extension)) {}
    virtual ~MeshLoader() = default;

    // The file extension this loader serves, without the dot ("msh").
    const std::string& extension() const { return extension_; }

    // From the bytes of an archive entry.
    virtual bool loadFromMemory(const std::uint8_t* data, std::size_t size, Mesh& mesh) = 0;
    // From a file on disk.
    virtual bool loadFromFile(const std::string& path, Mesh& mesh) = 0;

    // Why the last load failed, for the tools' messages (the program log only names the mesh).
    const std::string& lastError() const { return lastError_; }

protected:
    bool fail(std::string message) {
        lastError_ = std::move(message);
        return false;
    }
    void clearError() { lastError_.clear(); }

private:
    std::string extension_;
    std::string lastError_;
};

// Saves a mesh in one format.
class MeshWriter {
public:
    explicit MeshWriter(std::string extension) : extension_(std::move(extension)) {}
    virtual ~MeshWriter() = default;

    const std::string& extension() const { return extension_; }
    virtual bool save(const std::string& path, const Mesh& mesh) = 0;
    const std::string& lastError() const { return lastError_; }

protected:
    bool fail(std::string message) {
        lastError_ = std::move(message);
        return false;
    }
    void clearError() { lastError_.clear(); }

private:
    std::string extension_;
    std::string lastError_;
};

}  // namespace qv3rn
