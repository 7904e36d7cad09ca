// mesh_draw.cpp -- drawing a mesh: client arrays (locked when the driver can) or one interleaved vertex buffer.
#include <GL/gl.h>
#include <GL/glext.h>

#include <cstddef>  // Required for: offsetof
#include <cstring>  // Required for: std::memcpy
#include <vector>

#include "core/log.h"
#include "gl/extensions.h"
#include "mesh/mesh.h"

namespace qv3rn {

namespace {

// Offsets into a vertex buffer are passed where OpenGL takes pointers.
const GLvoid* bufferOffset(std::size_t offset) { return reinterpret_cast<const GLvoid*>(offset); }

// Makes `unit` the client-active texture unit; false when that unit cannot be selected (no multitexturing,
// and a unit other than the first).
bool selectClientUnit(GLenum unit) {
    if (glClientActiveTextureARB) {
        glClientActiveTextureARB(unit);
        return true;
    }
    return unit == GL_TEXTURE0_ARB;
}

// The buffer keeps the layout it was made with, even if the mesh's flags change later.
bool layoutHas(const InterleavedLayout& layout, std::uint16_t flag) { return (layout.flags & flag) != 0; }

enum BatchSelection { AllBatches, OpaqueBatches, BlendedBatches };

}  // namespace

InterleavedLayout interleavedLayout(std::uint16_t flags) {
    InterleavedLayout layout;
    layout.flags = flags;
    std::size_t offset = 0;
    layout.position = offset;
    offset += sizeof(Vec3);
    if (flags & MeshFlags::Normals) {
        layout.normal = offset;
        offset += sizeof(Vec3);
    }
    if (flags & MeshFlags::Colours) {
        layout.colour = offset;
        offset += 4;
    }
    for (int set = 0; set < maxTexCoordSets; ++set) {
        if (flags & MeshFlags::texCoordSet(set)) {
            layout.texCoords[set] = offset;
            offset += sizeof(TexCoord);
        }
    }
    if (flags & MeshFlags::TangentSpace) {
        layout.tangent = offset;
        layout.binormal = offset + sizeof(Vec3);
        offset += sizeof(TangentSpace);
    }
    layout.stride = static_cast<GLsizei>(offset);
    return layout;
}

Mesh::~Mesh() {
    batches_.clear();
    if (vertexBuffer_ != 0 && GL_ARB_vertex_buffer_object_Flag && glDeleteBuffersARB)
        glDeleteBuffersARB(1, &vertexBuffer_);
    vertexBuffer_ = 0;
}

void Mesh::enableArrays() {
    if (has(MeshFlags::VertexBuffer) && GL_ARB_vertex_buffer_object_Flag) {
        enableBufferArrays();
        activePath_ = ArrayPath::Buffer;
    } else {
        enableClientArrays();
        activePath_ = ArrayPath::Client;
    }
}

void Mesh::disableArrays() {
    if (activePath_ == ArrayPath::Buffer) disableBufferArrays();
    else if (activePath_ == ArrayPath::Client) disableClientArrays();
    activePath_ = ArrayPath::None;
}

void Mesh::drawAll(bool applyShaders) { drawBatches(AllBatches, applyShaders); }
void Mesh::drawOpaque(bool applyShaders) { drawBatches(OpaqueBatches, applyShaders); }
void Mesh::drawBlended(bool applyShaders) { drawBatches(BlendedBatches, applyShaders); }

// A batch without shader counts as opaque; with applyShaders it has no begin and end to run.
void Mesh::drawBatches(int which, bool applyShaders) {
    for (MeshBatch& batch : batches_) {
        Shader* shader = batch.shader.get();
        const bool blended = shader && shader->isBlended();
        if ((which == OpaqueBatches && blended) || (which == BlendedBatches && !blended)) continue;
        if (applyShaders && shader) shader->begin();
        glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(batch.used), GL_UNSIGNED_INT, batch.indices.data());
        if (applyShaders && shader) shader->end();
    }
}

void Mesh::enableClientArrays() {
    const auto* base = reinterpret_cast<const std::uint8_t*>(vertices_.data());
    glVertexPointer(3, GL_FLOAT, sizeof(MeshVertex), base);
    glEnableClientState(GL_VERTEX_ARRAY);
    if (has(MeshFlags::Normals)) {
        glNormalPointer(GL_FLOAT, sizeof(MeshVertex), base + offsetof(MeshVertex, normal));
        glEnableClientState(GL_NORMAL_ARRAY);
    }
    if (has(MeshFlags::Colours)) {
        glColorPointer(4, GL_UNSIGNED_BYTE, sizeof(MeshVertex), base + offsetof(MeshVertex, colour));
        glEnableClientState(GL_COLOR_ARRAY);
    }
    for (int set = 0; set < maxTexCoordSets; ++set) {
        if (!has(MeshFlags::texCoordSet(set)) || !selectClientUnit(textureUnits_[set])) continue;
        glTexCoordPointer(2, GL_FLOAT, sizeof(TexCoord), texCoords_[set].data());
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    }
    if (has(MeshFlags::TangentSpace) && selectClientUnit(GL_TEXTURE1_ARB)) {
        const auto* tangents = reinterpret_cast<const std::uint8_t*>(tangents_.data());
        glTexCoordPointer(3, GL_FLOAT, sizeof(TangentSpace), tangents + offsetof(TangentSpace, tangent));
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        selectClientUnit(GL_TEXTURE2_ARB);
        glTexCoordPointer(3, GL_FLOAT, sizeof(TangentSpace), tangents + offsetof(TangentSpace, binormal));
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    }
    selectClientUnit(GL_TEXTURE0_ARB);
    if (GL_EXT_compiled_vertex_array_Flag && glLockArraysEXT) glLockArraysEXT(0, vertexCount());
}

void Mesh::disableClientArrays() {
    if (GL_EXT_compiled_vertex_array_Flag && glUnlockArraysEXT) glUnlockArraysEXT();
    if (has(MeshFlags::Colours)) glDisableClientState(GL_COLOR_ARRAY);
    if (has(MeshFlags::Normals)) glDisableClientState(GL_NORMAL_ARRAY);
    for (int set = 0; set < maxTexCoordSets; ++set)
        if (has(MeshFlags::texCoordSet(set)) && selectClientUnit(textureUnits_[set]))
            glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    if (has(MeshFlags::TangentSpace) && selectClientUnit(GL_TEXTURE1_ARB)) {
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
        selectClientUnit(GL_TEXTURE2_ARB);
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    }
    selectClientUnit(GL_TEXTURE0_ARB);
    glDisableClientState(GL_VERTEX_ARRAY);
}

// Copies every present attribute of every vertex into one interleaved block and uploads it once; the data is
// never updated afterwards.
void Mesh::createVertexBuffer() {
    glGenBuffersARB(1, &vertexBuffer_);
    glBindBufferARB(GL_ARRAY_BUFFER_ARB, vertexBuffer_);
    layout_ = interleavedLayout(flags_);
    const std::size_t stride = static_cast<std::size_t>(layout_.stride);
    std::vector<std::uint8_t> block(static_cast<std::size_t>(vertexCount()) * stride);
    for (std::size_t i = 0; i < vertices_.size(); ++i) {
        std::uint8_t* out = block.data() + i * stride;
        const MeshVertex& vertex = vertices_[i];
        std::memcpy(out + layout_.position, &vertex.position, sizeof(Vec3));
        if (has(MeshFlags::Normals)) std::memcpy(out + layout_.normal, &vertex.normal, sizeof(Vec3));
        if (has(MeshFlags::Colours)) std::memcpy(out + layout_.colour, vertex.colour, 4);
        for (int set = 0; set < maxTexCoordSets; ++set)
            if (has(MeshFlags::texCoordSet(set)) && i < texCoords_[set].size())
                std::memcpy(out + layout_.texCoords[set], &texCoords_[set][i], sizeof(TexCoord));
        if (has(MeshFlags::TangentSpace) && i < tangents_.size())
            std::memcpy(out + layout_.tangent, &tangents_[i], sizeof(TangentSpace));
    }
    glBufferDataARB(GL_ARRAY_BUFFER_ARB, static_cast<GLsizeiptrARB>(block.size()), block.data(), GL_STATIC_DRAW_ARB);
    logger().printf("Created VBO for mesh \"%s\"", name_.c_str());
}

void Mesh::enableBufferArrays() {
    if (vertexBuffer_ == 0) createVertexBuffer();
    else glBindBufferARB(GL_ARRAY_BUFFER_ARB, vertexBuffer_);
    const GLsizei stride = layout_.stride;
    glVertexPointer(3, GL_FLOAT, stride, bufferOffset(layout_.position));
    glEnableClientState(GL_VERTEX_ARRAY);
    if (layoutHas(layout_, MeshFlags::Normals)) {
        glNormalPointer(GL_FLOAT, stride, bufferOffset(layout_.normal));
        glEnableClientState(GL_NORMAL_ARRAY);
    }
    if (layoutHas(layout_, MeshFlags::Colours)) {
        glColorPointer(4, GL_UNSIGNED_BYTE, stride, bufferOffset(layout_.colour));
        glEnableClientState(GL_COLOR_ARRAY);
    }
    for (int set = 0; set < maxTexCoordSets; ++set) {
        if (!layoutHas(layout_, MeshFlags::texCoordSet(set)) || !selectClientUnit(textureUnits_[set])) continue;
        glTexCoordPointer(2, GL_FLOAT, stride, bufferOffset(layout_.texCoords[set]));
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    }
    if (layoutHas(layout_, MeshFlags::TangentSpace) && selectClientUnit(GL_TEXTURE1_ARB)) {
        glTexCoordPointer(3, GL_FLOAT, stride, bufferOffset(layout_.tangent));
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        selectClientUnit(GL_TEXTURE2_ARB);
        glTexCoordPointer(3, GL_FLOAT, stride, bufferOffset(layout_.binormal));
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    }
    selectClientUnit(GL_TEXTURE0_ARB);
}

void Mesh::disableBufferArrays() {
    glDisableClientState(GL_VERTEX_ARRAY);
    if (layoutHas(layout_, MeshFlags::Normals)) glDisableClientState(GL_NORMAL_ARRAY);
    if (layoutHas(layout_, MeshFlags::Colours)) glDisableClientState(GL_COLOR_ARRAY);
    for (int set = 0; set < maxTexCoordSets; ++set)
        if (layoutHas(layout_, MeshFlags::texCoordSet(set)) && selectClientUnit(textureUnits_[set]))
            glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    if (layoutHas(layout_, MeshFlags::TangentSpace) && selectClientUnit(GL_TEXTURE1_ARB)) {
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
        selectClientUnit(GL_TEXTURE2_ARB);
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    }
    selectClientUnit(GL_TEXTURE0_ARB);
    glBindBufferARB(GL_ARRAY_BUFFER_ARB, 0);
}

}  // namespace qv3rn
