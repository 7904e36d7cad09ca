// mesh_types.h -- the records a mesh is made of: flags, vertices, texture coordinates, tangent space, triangles.
#pragma once

#include <cstdint>

#include "math/vec3.h"
#include "shader/ref_counted.h"
#include "shader/shader.h"

namespace qv3rn {

// What a mesh carries and how it is drawn; stored in every mesh and in the mesh file's header.
namespace MeshFlags {
inline constexpr std::uint16_t Normals = 0x0001;        // normals are used for drawing
inline constexpr std::uint16_t Colours = 0x0002;        // vertex colours are used for drawing
inline constexpr std::uint16_t TexCoords0 = 0x0010;     // texture-coordinate set 0 (sets 1 to 3: the next bits)
inline constexpr std::uint16_t TexCoords1 = 0x0020;
inline constexpr std::uint16_t TexCoords2 = 0x0040;
inline constexpr std::uint16_t TexCoords3 = 0x0080;
inline constexpr std::uint16_t TangentSpace = 0x0100;   // a tangent and a binormal per vertex
inline constexpr std::uint16_t Edges = 0x0200;          // the mesh carries edge tables (EdgeMesh)
inline constexpr std::uint16_t VertexBuffer = 0x1000;   // drawn from a vertex buffer object
inline constexpr std::uint16_t Fresh = 0x2000;          // set in a new mesh; not interpreted
inline constexpr std::uint16_t Initial = Fresh | Normals;

// The flag of texture-coordinate set `set` (0 to 3).
constexpr std::uint16_t texCoordSet(int set) { return static_cast<std::uint16_t>(TexCoords0 << set); }
}  // namespace MeshFlags

inline constexpr int maxTexCoordSets = 4;

// The kind of mesh a caller asks the manager for, and what is derived after loading.
enum class MeshType : int {
    Static = 0,          // a Mesh with its draw batches
    EdgeMesh = 1,        // an EdgeMesh with its edge tables
    BumpMap = 2,         // a Mesh with tangent space
    BumpMapEdgeMesh = 3  // an EdgeMesh with edges, then tangent space
};

// One vertex as stored in the vertex array and in the mesh file (28 bytes).
struct MeshVertex {
    Vec3 position;
    Vec3 normal;
    std::uint8_t colour[4] = {0, 0, 0, 255};  // red, green, blue, alpha
};
static_assert(sizeof(MeshVertex) == 28, "vertex records are drawn with a stride of 28 bytes");

struct TexCoord {
    float u = 0.0f;
    float v = 0.0f;
};
static_assert(sizeof(TexCoord) == 8);

// A vertex's tangent space: the directions of increasing s and t of texture-coordinate set 0.
struct TangentSpace {
    Vec3 tangent;
    Vec3 binormal;
};
static_assert(sizeof(TangentSpace) == 24, "the binormal lies 12 bytes after the tangent");

// A triangle: its face plane (a, b, c) . p + d = 0 with (a, b, c) the unit normal, its three vertex indices and
// a counted reference to the shader that draws it (null: drawn without shader).
struct MeshTriangle {
    float plane[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    std::int32_t vertices[3] = {-1, -1, -1};
    Handle<Shader> shader;

    Vec3 normal() const { return {plane[0], plane[1], plane[2]}; }
};

}  // namespace qv3rn
