// mesh_file.cpp -- reading and writing the "msh" layout, little-endian, fields without gaps.
#include "mesh/mesh_file.h"

#include <algorithm>
#include <cstring>  // Required for: std::memcpy

#include "data/bzip2_buffer.h"
#include "data/bzip2_file.h"

namespace qv3rn {

namespace {

constexpr char meshMagic[4] = {'M', 'E', 'S', 'H'};
constexpr std::uint16_t meshVersion = 0x0101;

// Reads little-endian fields from a byte range; every read fails cleanly at the end of the data.
class ByteCursor {
public:
    ByteCursor(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    std::size_t remaining() const { return size_ - position_; }
    bool bytes(void* out, std::size_t count) {
        if (count > remaining()) return false;
        if (count) std::memcpy(out, data_ + position_, count);
        position_ += count;
        return true;
    }
    bool u16(std::uint16_t& value) {
        std::uint8_t b[2];
        if (!bytes(b, 2)) return false;
        value = static_cast<std::uint16_t>(b[0] | (b[1] << 8));
        return true;
    }
    bool u32(std::uint32_t& value) {
        std::uint8_t b[4];
        if (!bytes(b, 4)) return false;
        value = static_cast<std::uint32_t>(b[0]) | (static_cast<std::uint32_t>(b[1]) << 8) |
                (static_cast<std::uint32_t>(b[2]) << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
        return true;
    }
    bool i32(std::int32_t& value) {
        std::uint32_t raw = 0;
        if (!u32(raw)) return false;
        value = static_cast<std::int32_t>(raw);
        return true;
    }
    bool f32(float& value) {
        std::uint32_t raw = 0;
        if (!u32(raw)) return false;
        std::memcpy(&value, &raw, sizeof value);
        return true;
    }
    bool vec3(Vec3& v) { return f32(v.x) && f32(v.y) && f32(v.z); }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t position_ = 0;
};

class ByteWriter {
public:
    explicit ByteWriter(std::vector<std::uint8_t>& out) : out_(out) {}
    void bytes(const void* data, std::size_t count) {
        const auto* p = static_cast<const std::uint8_t*>(data);
        out_.insert(out_.end(), p, p + count);
    }
    void u16(std::uint16_t v) { out_.insert(out_.end(), {std::uint8_t(v), std::uint8_t(v >> 8)}); }
    void u32(std::uint32_t v) {
        out_.insert(out_.end(), {std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v >> 16), std::uint8_t(v >> 24)});
    }
    void f32(float value) {
        std::uint32_t raw = 0;
        std::memcpy(&raw, &value, sizeof raw);
        u32(raw);
    }
    void vec3(const Vec3& v) {
        f32(v.x);
        f32(v.y);
        f32(v.z);
    }

private:
    std::vector<std::uint8_t>& out_;
};

// Bytes per vertex that the flags ask for: the record, each present set, the tangent space.
std::uint64_t bytesPerVertex(std::uint16_t flags) {
    std::uint64_t bytes = 28;
    for (int set = 0; set < maxTexCoordSets; ++set)
        if (flags & MeshFlags::texCoordSet(set)) bytes += 8;
    if (flags & MeshFlags::TangentSpace) bytes += 24;
    return bytes;
}

// The smallest triangle record: three indices and an empty name.
constexpr std::uint64_t smallestTriangleBytes = 16;
constexpr std::uint64_t largestTriangleBytes = smallestTriangleBytes + maxShaderNameLength;

}  // namespace

std::uint64_t largestMeshData(const std::vector<std::uint8_t>& header) {
    ByteCursor in(header.data(), header.size());
    char magic[4] = {};
    std::uint16_t version = 0, flags = 0;
    std::int32_t vertexCount = 0, triangleCount = 0;
    if (!in.bytes(magic, 4) || !in.u16(version) || !in.u16(flags) || !in.i32(vertexCount) || !in.i32(triangleCount) ||
        vertexCount < 1 || triangleCount < 1)
        return header.size();  // nothing more is needed to refuse it
    return meshHeaderBytes + bytesPerVertex(flags) * static_cast<std::uint64_t>(vertexCount) +
           largestTriangleBytes * static_cast<std::uint64_t>(triangleCount);
}

bool readMeshData(const std::uint8_t* data, std::size_t size, Mesh& mesh, MissingShaders missing, std::string& error) {
    ByteCursor in(data, size);
    char magic[4] = {};
    std::uint16_t version = 0, flags = 0;
    if (!in.bytes(magic, 4) || !in.u16(version) || std::memcmp(magic, meshMagic, 4) != 0 || version != meshVersion) {
        error = "not a mesh file (wrong magic or version)";
        return false;
    }
    std::int32_t vertexCount = 0, triangleCount = 0;
    if (!in.u16(flags) || !in.i32(vertexCount) || !in.i32(triangleCount)) {
        error = "mesh header cut short";
        return false;
    }
    if (vertexCount < 1 || triangleCount < 1) {
        error = "mesh claims " + std::to_string(vertexCount) + " vertices and " + std::to_string(triangleCount) +
                " triangles";
        return false;
    }
    const std::uint64_t needed = bytesPerVertex(flags) * static_cast<std::uint64_t>(vertexCount) +
                                 smallestTriangleBytes * static_cast<std::uint64_t>(triangleCount);
    if (needed > in.remaining()) {
        error = "mesh data ends early: " + std::to_string(vertexCount) + " vertices and " +
                std::to_string(triangleCount) + " triangles need at least " + std::to_string(needed) +
                " bytes, " + std::to_string(in.remaining()) + " follow the header";
        return false;
    }
    mesh.setFlags(flags);
    if (!mesh.allocate(vertexCount, triangleCount)) {
        error = "the mesh cannot be allocated";
        return false;
    }

    for (std::int32_t i = 0; i < vertexCount; ++i) {
        MeshVertex vertex;
        in.vec3(vertex.position);
        in.vec3(vertex.normal);
        in.bytes(vertex.colour, 4);
        mesh.addVertex(vertex);
    }
    for (int set = 0; set < maxTexCoordSets; ++set) {
        if (!mesh.has(MeshFlags::texCoordSet(set))) continue;
        FixedArray<TexCoord>& pairs = mesh.texCoords(set);
        for (std::size_t i = 0; i < pairs.size(); ++i) {
            in.f32(pairs[i].u);
            in.f32(pairs[i].v);
        }
    }
    if (mesh.has(MeshFlags::TangentSpace)) {
        FixedArray<TangentSpace>& space = mesh.tangents();
        for (std::int32_t i = 0; i < vertexCount; ++i) {
            TangentSpace record;
            in.vec3(record.tangent);
            in.vec3(record.binormal);
            space.append(record);
        }
    }

    char name[maxShaderNameLength + 1];
    for (std::int32_t t = 0; t < triangleCount; ++t) {
        MeshTriangle triangle;
        std::uint32_t nameLength = 0;
        if (!in.i32(triangle.vertices[0]) || !in.i32(triangle.vertices[1]) || !in.i32(triangle.vertices[2]) ||
            !in.u32(nameLength)) {
            error = "mesh data ends in triangle " + std::to_string(t);
            return false;
        }
        for (std::int32_t corner : triangle.vertices) {
            if (corner < 0 || corner >= vertexCount) {
                error = "triangle " + std::to_string(t) + " names vertex " + std::to_string(corner) + " of " +
                        std::to_string(vertexCount);
                return false;
            }
        }
        if (nameLength > maxShaderNameLength) {
            error = "triangle " + std::to_string(t) + " has a shader name of " + std::to_string(nameLength) +
                    " bytes (at most 255)";
            return false;
        }
        if (!in.bytes(name, nameLength)) {
            error = "mesh data ends in the shader name of triangle " + std::to_string(t);
            return false;
        }
        if (nameLength > 0) triangle.shader = lookUpShader(std::string_view(name, nameLength), missing);
        mesh.addTriangle(triangle);
    }
    mesh.computeBounds();
    mesh.computePlanes();
    return true;
}

bool encodeMeshData(const Mesh& mesh, std::vector<std::uint8_t>& bytes, std::string& error) {
    bytes.clear();
    if (mesh.vertexCount() < 1 || mesh.triangleCount() < 1) {
        error = "a mesh file needs at least one vertex and one triangle";
        return false;
    }
    for (const MeshTriangle& triangle : mesh.triangles()) {
        if (triangle.shader && triangle.shader->getName().size() > maxShaderNameLength) {
            error = "shader name longer than 255 bytes: " + triangle.shader->getName().substr(0, 40) + "...";
            return false;
        }
    }
    const std::uint16_t flags = mesh.flags();
    const auto vertexCount = static_cast<std::size_t>(mesh.vertexCount());
    bytes.reserve(16 + bytesPerVertex(flags) * vertexCount + 20 * static_cast<std::size_t>(mesh.triangleCount()));
    ByteWriter out(bytes);
    out.bytes(meshMagic, 4);
    out.u16(meshVersion);
    out.u16(flags);
    out.u32(static_cast<std::uint32_t>(mesh.vertexCount()));
    out.u32(static_cast<std::uint32_t>(mesh.triangleCount()));
    for (const MeshVertex& vertex : mesh.vertices()) {
        out.vec3(vertex.position);
        out.vec3(vertex.normal);
        out.bytes(vertex.colour, 4);
    }
    // A set or tangent array shorter than the vertex array (never made by the loaders) is padded with zeros.
    for (int set = 0; set < maxTexCoordSets; ++set) {
        if (!(flags & MeshFlags::texCoordSet(set))) continue;
        const FixedArray<TexCoord>& pairs = mesh.texCoords(set);
        for (std::size_t i = 0; i < vertexCount; ++i) {
            const TexCoord pair = i < pairs.size() ? pairs[i] : TexCoord{};
            out.f32(pair.u);
            out.f32(pair.v);
        }
    }
    if (flags & MeshFlags::TangentSpace) {
        const FixedArray<TangentSpace>& space = mesh.tangents();
        for (std::size_t i = 0; i < vertexCount; ++i) {
            const TangentSpace record = i < space.size() ? space[i] : TangentSpace{};
            out.vec3(record.tangent);
            out.vec3(record.binormal);
        }
    }
    for (const MeshTriangle& triangle : mesh.triangles()) {
        for (std::int32_t corner : triangle.vertices) out.u32(static_cast<std::uint32_t>(corner));
        const std::string name = triangle.shader ? triangle.shader->getName() : std::string();
        out.u32(static_cast<std::uint32_t>(name.size()));
        out.bytes(name.data(), name.size());
    }
    return true;
}

bool MeshFileLoader::loadFromMemory(const std::uint8_t* data, std::size_t size, Mesh& mesh) {
    clearError();
    Bzip2BufferReader reader;
    if (!reader.open(data, size)) return fail(reader.error());
    return readStream(reader, mesh, [&reader] { return reader.error(); });
}

bool MeshFileLoader::loadFromFile(const std::string& path, Mesh& mesh) {
    clearError();
    Bzip2FileReader reader;
    if (!reader.open(path)) return fail("cannot open " + path);
    return readStream(reader, mesh, [&path] { return "damaged or truncated bzip2 data in " + path; });
}

template <typename Reader, typename Reason>
bool MeshFileLoader::readStream(Reader& reader, Mesh& mesh, Reason failure) {
    // The header first: its counts say how many bytes the rest can use at most, and no more is decompressed,
    // so a damaged or hostile stream costs what its header claims, never more than the data limit.
    std::vector<std::uint8_t> bytes(meshHeaderBytes);
    bytes.resize(reader.read(bytes.data(), bytes.size()));
    if (reader.failed()) return fail(failure());
    const std::uint64_t largest = largestMeshData(bytes);
    const std::size_t ceiling = std::min<std::uint64_t>(largest, limit_);
    constexpr std::size_t piece = 1 << 16;
    while (!reader.atEnd() && bytes.size() < ceiling) {
        const std::size_t used = bytes.size();
        const std::size_t wanted = used + std::min(piece, ceiling - used);
        // The buffer doubles as the data comes, but never past the ceiling.
        if (wanted > bytes.capacity()) bytes.reserve(std::min(ceiling, std::max(wanted, 2 * bytes.capacity())));
        bytes.resize(wanted);
        const std::size_t got = reader.read(bytes.data() + used, bytes.size() - used);
        bytes.resize(used + got);
        if (reader.failed()) return fail(failure());
    }
    if (largest > limit_ && bytes.size() == limit_) {
        std::uint8_t probe = 0;
        if (reader.read(&probe, 1) > 0)
            return fail("decompressed data larger than " + std::to_string(limit_) + " bytes");
        if (reader.failed()) return fail(failure());
    }
    std::string error;
    if (!readMeshData(bytes.data(), bytes.size(), mesh, missing_, error)) return fail(error);
    return true;
}

bool MeshFileWriter::save(const std::string& path, const Mesh& mesh) {
    clearError();
    std::vector<std::uint8_t> bytes;
    std::string error;
    if (!encodeMeshData(mesh, bytes, error)) return fail(error);
    Bzip2FileWriter writer;
    if (!writer.open(path)) return fail("cannot create " + path);
    const bool written = writer.write(bytes.data(), bytes.size()) == bytes.size();
    if (!writer.close() || !written) return fail("cannot write " + path);
    return true;
}

}  // namespace qv3rn
