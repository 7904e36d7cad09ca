// mesh.h -- a triangle mesh: vertex, texture-coordinate, tangent and triangle arrays, draw batches, bounds.
#pragma once

#include <GL/gl.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "math/bounding_box.h"
#include "mesh/fixed_array.h"
#include "mesh/mesh_batch.h"
#include "mesh/mesh_types.h"

namespace qv3rn {

// Where each attribute lies inside one vertex of the interleaved vertex buffer (bytes), and the stride.
struct InterleavedLayout {
    std::uint16_t flags = 0;  // the mesh flags the layout was made for
    GLsizei stride = 0;
    std::size_t position = 0;
    std::size_t normal = 0;
    std::size_t colour = 0;
    std::size_t texCoords[maxTexCoordSets] = {0, 0, 0, 0};
    std::size_t tangent = 0;
    std::size_t binormal = 0;
};

// The attributes present in `flags`, in the order position, normal, colour, sets 0 to 3, tangent, binormal.
InterleavedLayout interleavedLayout(std::uint16_t flags);

// A mesh owned by the MeshManager and shared by every scene node that names it. The arrays are sized once by
// allocate; loaders then append vertices and triangles, and the manager builds the draw batches.
class Mesh {
public:
    Mesh();
    virtual ~Mesh();  // releases the batches, the vertex buffer (while a context can take it) and the arrays
    Mesh(const Mesh&) = delete;
    Mesh& operator=(const Mesh&) = delete;

    // Sizes the arrays: vertices, the texture-coordinate sets whose flags are set, the tangent space if its
    // flag is set, triangles. Only on an empty mesh and with both counts at least 1.
    virtual bool allocate(int vertexCount, int triangleCount);

    // Drawing (a current OpenGL context is needed). One enableArrays and one disableArrays bracket any number
    // of draw calls; applyShaders runs each batch's shader begin and end around its draw call.
    virtual void enableArrays();
    virtual void drawAll(bool applyShaders);
    virtual void drawOpaque(bool applyShaders);
    virtual void drawBlended(bool applyShaders);
    virtual void disableArrays();

    // Appends a vertex and, for each texture-coordinate set in use, a zero pair. The new index, or -1 when the
    // vertex array is full.
    int addVertex(const MeshVertex& vertex);
    // Copies the triangle (taking a reference on its shader). Its index, or -1 when the triangle array is full.
    int addTriangle(const MeshTriangle& triangle);

    // The componentwise minimum and maximum of the vertex positions (both zero without vertices).
    void computeBounds();
    // Every triangle's plane from its corners; a degenerate triangle keeps its zero-length normal.
    void computePlanes();
    // Groups the triangles into one batch per shader, in the order in which the shaders first occur.
    void buildBatches();

    std::uint16_t flags() const { return flags_; }
    void setFlags(std::uint16_t flags) { flags_ = flags; }
    bool has(std::uint16_t flag) const { return (flags_ & flag) != 0; }
    int texCoordSetCount() const;  // how many of the four set flags are set

    const std::string& name() const { return name_; }
    void setName(std::string name) { name_ = std::move(name); }
    const std::string& alias() const { return alias_; }
    void setAlias(std::string alias) { alias_ = std::move(alias); }
    // True when `name` equals the alias or the name exactly.
    bool answersTo(std::string_view name) const { return name == alias_ || name == name_; }

    int vertexCount() const { return static_cast<int>(vertices_.size()); }
    int triangleCount() const { return static_cast<int>(triangles_.size()); }
    FixedArray<MeshVertex>& vertices() { return vertices_; }
    const FixedArray<MeshVertex>& vertices() const { return vertices_; }
    FixedArray<TexCoord>& texCoords(int set) { return texCoords_[set]; }
    const FixedArray<TexCoord>& texCoords(int set) const { return texCoords_[set]; }
    FixedArray<TangentSpace>& tangents() { return tangents_; }
    const FixedArray<TangentSpace>& tangents() const { return tangents_; }
    FixedArray<MeshTriangle>& triangles() { return triangles_; }
    const FixedArray<MeshTriangle>& triangles() const { return triangles_; }

    const std::vector<MeshBatch>& batches() const { return batches_; }
    const BoundingBox& bounds() const { return bounds_; }
    GLenum textureUnit(int set) const { return textureUnits_[set]; }
    GLuint vertexBuffer() const { return vertexBuffer_; }
    const InterleavedLayout& layout() const { return layout_; }

protected:
    std::uint16_t flags_ = MeshFlags::Initial;
    std::string name_;
    std::string alias_;
    FixedArray<MeshVertex> vertices_;
    FixedArray<TexCoord> texCoords_[maxTexCoordSets];
    FixedArray<TangentSpace> tangents_;
    FixedArray<MeshTriangle> triangles_;

    std::vector<MeshBatch> batches_;
    BoundingBox bounds_;
    GLenum textureUnits_[maxTexCoordSets];
    GLuint vertexBuffer_ = 0;
    InterleavedLayout layout_;

private:
    enum class ArrayPath { None, Client, Buffer };
    void drawBatches(int which, bool applyShaders);
    void enableClientArrays();
    void disableClientArrays();
    void enableBufferArrays();
    void disableBufferArrays();
    void createVertexBuffer();
    ArrayPath activePath_ = ArrayPath::None;  // the path the last enableArrays took
};

}  // namespace qv3rn
