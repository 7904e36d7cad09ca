// mesh_test_support.h -- what the mesh tests share: fixtures, a raw mesh byte writer, bzip2 and small meshes.
#pragma once

#include <bzlib.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/log.h"
#include "mesh/edge_mesh.h"
#include "mesh/mesh.h"
#include "mesh/mesh_manager.h"
#include "shader/shader_manager.h"
#include "support/test_shaders.h"
#include "support/gl_test_context.h"
#include "support/test_files.h"

namespace qv3rn::test {

// The decompressed "msh" layout written field by field, independently of the engine's writer.
class RawMesh {
public:
    RawMesh& text(const std::string& s) { return bytes.insert(bytes.end(), s.begin(), s.end()), *this; }
    RawMesh& u8(unsigned v) { return bytes.push_back(static_cast<std::uint8_t>(v)), *this; }
    RawMesh& u16(unsigned v) { return u8(v & 0xFF).u8(v >> 8); }
    RawMesh& u32(std::uint32_t v) { return u16(v & 0xFFFF).u16(v >> 16); }
    RawMesh& f32(float f) {
        std::uint32_t raw = 0;
        std::memcpy(&raw, &f, 4);
        return u32(raw);
    }
    RawMesh& header(unsigned flags, int vertices, int triangles) {
        return text("MESH").u8(1).u8(1).u16(flags).u32(static_cast<std::uint32_t>(vertices)).u32(
            static_cast<std::uint32_t>(triangles));
    }
    RawMesh& vertex(Vec3 p, Vec3 n = {0, 0, 1}, std::array<std::uint8_t, 4> rgba = {1, 2, 3, 4}) {
        f32(p.x).f32(p.y).f32(p.z).f32(n.x).f32(n.y).f32(n.z);
        for (auto c : rgba) u8(c);
        return *this;
    }
    RawMesh& triangle(int a, int b, int c, const std::string& shader = "") {
        u32(static_cast<std::uint32_t>(a)).u32(static_cast<std::uint32_t>(b)).u32(static_cast<std::uint32_t>(c));
        return u32(static_cast<std::uint32_t>(shader.size())).text(shader);
    }
    std::vector<std::uint8_t> bytes;
};

inline std::vector<std::uint8_t> compressBzip2(const std::vector<std::uint8_t>& data) {
    std::vector<char> out(data.size() + data.size() / 100 + 700);
    auto length = static_cast<unsigned>(out.size());
    std::vector<char> in(data.begin(), data.end());
    if (BZ2_bzBuffToBuffCompress(out.data(), &length, in.data(), static_cast<unsigned>(in.size()), 9, 0, 0) != BZ_OK)
        throw std::runtime_error("bzip2 compression failed");
    return std::vector<std::uint8_t>(out.begin(), out.begin() + length);
}

// A fixture with a log file of the test's own (read back by logText), its own shader manager and mesh manager;
// `Base` is ::testing::Test, or GLTest for the tests that draw.
template <typename Base>
class MeshFixture : public Base {
protected:
    void SetUp() override {
        Base::SetUp();
        logPath_ = std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + ".log";
        ASSERT_TRUE(log.open(logPath_));
    }

    std::string logText() { return readFile(logPath_); }

    Shader* addShader(const std::string& name) { return test::addShader(shaders, name); }

    Log log;
    ShaderManager shaders;
    MeshManager meshes;  // destroyed first: its meshes give their shader references back before the shaders go
    std::string logPath_;
};

class MeshTest : public MeshFixture<::testing::Test> {};

// Fills an empty mesh with the given positions and triangles (flags as set on the mesh beforehand).
inline bool fillMesh(Mesh& mesh, const std::vector<Vec3>& positions, const std::vector<std::array<int, 3>>& triangles,
                     Shader* shader = nullptr) {
    if (!mesh.allocate(static_cast<int>(positions.size()), static_cast<int>(triangles.size()))) return false;
    for (const Vec3& p : positions) {
        MeshVertex vertex;
        vertex.position = p;
        vertex.normal = p.normalized();
        mesh.addVertex(vertex);
    }
    for (const auto& corners : triangles) {
        MeshTriangle triangle;
        for (int k = 0; k < 3; ++k) triangle.vertices[k] = corners[static_cast<std::size_t>(k)];
        triangle.shader = Handle<Shader>(shader);
        mesh.addTriangle(triangle);
    }
    mesh.computeBounds();
    mesh.computePlanes();
    return true;
}

// A closed tetrahedron, outward-facing.
inline const std::vector<Vec3> kTetraPoints = {{1, 1, 1}, {-1, -1, 1}, {-1, 1, -1}, {1, -1, -1}};
inline const std::vector<std::array<int, 3>> kTetraTriangles = {{0, 1, 3}, {0, 2, 1}, {0, 3, 2}, {1, 2, 3}};

}  // namespace qv3rn::test
