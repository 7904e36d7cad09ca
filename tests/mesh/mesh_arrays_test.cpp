// Tests of the mesh's data model: flags, allocation, appending vertices and triangles, planes and batches.
#include <gtest/gtest.h>

#include <cmath>

#include "mesh/edge_mesh.h"
#include "mesh/mesh.h"
#include "mesh_test_support.h"

namespace qv3rn {
namespace {

using test::MeshTest;

TEST(MeshRecords, NewRecordsHaveTheirDocumentedDefaults) {
    Mesh mesh;
    EXPECT_EQ(mesh.flags(), 0x2001);
    EXPECT_EQ(mesh.vertexCount(), 0);
    MeshVertex vertex;
    EXPECT_EQ(vertex.position, Vec3());
    EXPECT_EQ(vertex.normal, Vec3());
    EXPECT_EQ(vertex.colour[0], 0);
    EXPECT_EQ(vertex.colour[3], 255);
    MeshTriangle triangle;
    EXPECT_EQ(triangle.vertices[0], -1);
    EXPECT_EQ(triangle.vertices[2], -1);
    EXPECT_FALSE(triangle.shader);
    for (int set = 0; set < 4; ++set) EXPECT_EQ(mesh.textureUnit(set), static_cast<GLenum>(0x84C0 + set));
}

TEST(MeshAllocate, SizesTheArraysTheFlagsAskForOnce) {
    Mesh mesh;
    mesh.setFlags(MeshFlags::TexCoords0 | MeshFlags::TexCoords2 | MeshFlags::TangentSpace);
    EXPECT_FALSE(mesh.allocate(0, 5));
    EXPECT_FALSE(mesh.allocate(5, 0));
    EXPECT_FALSE(mesh.allocate(-1, 5));
    ASSERT_TRUE(mesh.allocate(3, 2));
    EXPECT_EQ(mesh.vertices().capacity(), 3u);
    EXPECT_EQ(mesh.triangles().capacity(), 2u);
    EXPECT_EQ(mesh.texCoords(0).capacity(), 3u);
    EXPECT_FALSE(mesh.texCoords(1).hasStorage());
    EXPECT_EQ(mesh.texCoords(2).capacity(), 3u);
    EXPECT_FALSE(mesh.texCoords(3).hasStorage());
    EXPECT_EQ(mesh.tangents().capacity(), 3u);
    EXPECT_FALSE(mesh.allocate(3, 2));  // a second allocation, even before anything was added
    EXPECT_EQ(mesh.vertices().capacity(), 3u);
}

TEST(MeshAllocate, EdgeMeshAddsItsFlagAndTablesOnlyWhenTheBaseSucceeds) {
    EdgeMesh refused;
    EXPECT_FALSE(refused.allocate(0, 4));
    EXPECT_FALSE(refused.has(MeshFlags::Edges));
    EXPECT_FALSE(refused.edges().hasStorage());

    EdgeMesh mesh;
    ASSERT_TRUE(mesh.allocate(4, 4));
    EXPECT_EQ(mesh.flags(), 0x2201);
    EXPECT_EQ(mesh.edgeTriangles().capacity(), 4u);
    EXPECT_EQ(mesh.edges().capacity(), 12u);
}

TEST(MeshAppend, VerticesBringAZeroPairForEverySetAndAFullArrayIgnoresMore) {
    Mesh mesh;
    mesh.setFlags(MeshFlags::TexCoords1 | MeshFlags::TexCoords3);
    ASSERT_TRUE(mesh.allocate(2, 1));
    MeshVertex vertex;
    vertex.position = {1, 2, 3};
    EXPECT_EQ(mesh.addVertex(vertex), 0);
    EXPECT_EQ(mesh.addVertex(vertex), 1);
    EXPECT_EQ(mesh.addVertex(vertex), -1);
    EXPECT_EQ(mesh.vertexCount(), 2);
    EXPECT_EQ(mesh.texCoords(1).size(), 2u);
    EXPECT_EQ(mesh.texCoords(3).size(), 2u);
    EXPECT_FLOAT_EQ(mesh.texCoords(3)[1].u, 0.0f);
    EXPECT_EQ(mesh.texCoords(0).size(), 0u);
    EXPECT_EQ(mesh.vertices()[1].position, Vec3(1, 2, 3));
}

TEST_F(MeshTest, TrianglesHoldAReferenceOnTheirShaderForTheMeshsLife) {
    Shader* stone = addShader("stone");
    const auto before = stone->references();
    {
        Mesh mesh;
        ASSERT_TRUE(mesh.allocate(3, 2));
        MeshTriangle triangle;
        triangle.vertices[0] = 0;
        triangle.vertices[1] = 1;
        triangle.vertices[2] = 2;
        triangle.shader = Handle<Shader>(stone);
        EXPECT_EQ(mesh.addTriangle(triangle), 0);
        EXPECT_EQ(mesh.addTriangle(triangle), 1);
        EXPECT_EQ(mesh.addTriangle(triangle), -1);
        triangle.shader.reset();
        EXPECT_EQ(stone->references(), before + 2);
        mesh.buildBatches();
        EXPECT_EQ(stone->references(), before + 3);  // the batch holds one more
    }
    EXPECT_EQ(stone->references(), before);
}

TEST(MeshGeometry, PlanesAreUnitNormalsWithTheirDistanceAndBoundsSpanThePositions) {
    Mesh mesh;
    ASSERT_TRUE(test::fillMesh(mesh, {{0, 0, 2}, {3, 0, 2}, {0, 4, 2}, {-1, 5, 7}}, {{0, 1, 2}, {0, 2, 1}, {1, 1, 3}}));
    const MeshTriangle& up = mesh.triangles()[0];
    EXPECT_EQ(up.normal(), Vec3(0, 0, 1));
    EXPECT_FLOAT_EQ(up.plane[3], -2.0f);
    const MeshTriangle& down = mesh.triangles()[1];
    EXPECT_EQ(down.normal(), Vec3(0, 0, -1));
    EXPECT_FLOAT_EQ(down.plane[3], 2.0f);
    const MeshTriangle& degenerate = mesh.triangles()[2];
    EXPECT_EQ(degenerate.normal(), Vec3());  // zero length: left as it is, no division by zero
    EXPECT_FALSE(std::isnan(degenerate.plane[3]));
    EXPECT_EQ(mesh.bounds().min, Vec3(-1, 0, 2));
    EXPECT_EQ(mesh.bounds().max, Vec3(3, 5, 7));
}

TEST_F(MeshTest, BatchesFollowTheShadersFirstUseWithTheShaderlessTrianglesInTheirOwn) {
    Shader* a = addShader("a");
    Shader* b = addShader("b");
    Mesh mesh;
    ASSERT_TRUE(mesh.allocate(6, 5));
    for (int i = 0; i < 6; ++i) mesh.addVertex(MeshVertex{});
    const std::array<Shader*, 5> order = {b, nullptr, a, b, nullptr};
    for (int t = 0; t < 5; ++t) {
        MeshTriangle triangle;
        triangle.vertices[0] = t;
        triangle.vertices[1] = t + 1;
        triangle.vertices[2] = 5 - t;
        triangle.shader = Handle<Shader>(order[static_cast<std::size_t>(t)]);
        mesh.addTriangle(triangle);
    }
    mesh.buildBatches();
    const auto& batches = mesh.batches();
    ASSERT_EQ(batches.size(), 3u);
    EXPECT_EQ(batches[0].shader.get(), b);
    EXPECT_EQ(batches[1].shader.get(), nullptr);
    EXPECT_EQ(batches[2].shader.get(), a);
    EXPECT_EQ(batches[0].room, 6u);
    EXPECT_EQ(batches[0].used, 6u);
    EXPECT_EQ(batches[0].indices, (std::vector<std::uint32_t>{0, 1, 5, 3, 4, 2}));
    EXPECT_EQ(batches[1].indices, (std::vector<std::uint32_t>{1, 2, 4, 4, 5, 1}));
    EXPECT_EQ(batches[2].indices, (std::vector<std::uint32_t>{2, 3, 3}));
}

TEST(MeshLayout, TheInterleavedVertexHoldsThePresentAttributesInOrder) {
    const InterleavedLayout all = interleavedLayout(0x01 | 0x02 | 0xF0 | 0x100);
    EXPECT_EQ(all.stride, 84);
    EXPECT_EQ(all.normal, 12u);
    EXPECT_EQ(all.colour, 24u);
    EXPECT_EQ(all.texCoords[0], 28u);
    EXPECT_EQ(all.texCoords[3], 52u);
    EXPECT_EQ(all.tangent, 60u);
    EXPECT_EQ(all.binormal, 72u);
    const InterleavedLayout some = interleavedLayout(MeshFlags::Colours | MeshFlags::TexCoords2);
    EXPECT_EQ(some.stride, 12 + 4 + 8);
    EXPECT_EQ(some.colour, 12u);
    EXPECT_EQ(some.texCoords[2], 16u);
    EXPECT_EQ(interleavedLayout(0).stride, 12);
}

}  // namespace
}  // namespace qv3rn
