// mesh_model_test.cpp -- Tests of the mesh's data: planes, bounds, batches, edge tables and the tangent space.
#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include "mesh/edge_mesh.h"
#include "mesh/mesh_tangents.h"
#include "mesh_test_support.h"

namespace qv3rn {
namespace {

using test::MeshTest;

void expectVector(const Vec3& actual, const Vec3& expected) { EXPECT_LT((actual - expected).length(), 1e-6f); }

TEST(MeshGeometry, PlanesAreUnitNormalsWithTheirDistanceAndBoundsSpanThePositions) {
    Mesh mesh;
    ASSERT_TRUE(test::fillMesh(mesh, {{0, 0, 2}, {3, 0, 2}, {0, 4, 2}, {-1, 5, 7}}, {{0, 1, 2}, {0, 2, 1}, {1, 1, 3}}));
    EXPECT_EQ(mesh.triangles()[0].normal(), Vec3(0, 0, 1));
    EXPECT_FLOAT_EQ(mesh.triangles()[0].plane[3], -2.0f);
    EXPECT_EQ(mesh.triangles()[1].normal(), Vec3(0, 0, -1));
    EXPECT_EQ(mesh.triangles()[2].normal(), Vec3());  // zero length: left as it is, no division by zero
    EXPECT_FALSE(std::isnan(mesh.triangles()[2].plane[3]));
    EXPECT_EQ((std::array{mesh.bounds().min, mesh.bounds().max}), (std::array{Vec3(-1, 0, 2), Vec3(3, 5, 7)}));
}

TEST_F(MeshTest, BatchesFollowTheShadersFirstUseAndHoldTheirShadersForTheMeshsLife) {
    Shader* a = addShader("a");
    Shader* b = addShader("b");
    const auto before = b->references();
    auto owned = std::make_unique<Mesh>();
    Mesh& mesh = *owned;
    ASSERT_TRUE(test::fillMesh(mesh, std::vector<Vec3>(6), {{0, 1, 5}, {1, 2, 4}, {2, 3, 3}, {3, 4, 2}, {4, 5, 1}}));
    EXPECT_EQ(mesh.addTriangle(MeshTriangle{}), -1);  // full
    Shader* order[] = {b, nullptr, a, b, nullptr};
    for (std::size_t t = 0; t < 5; ++t) mesh.triangles()[t].shader = Handle<Shader>(order[t]);
    mesh.buildBatches();
    EXPECT_EQ(b->references(), before + 3);  // two triangles and the batch
    const auto& batches = mesh.batches();
    ASSERT_EQ(batches.size(), 3u);
    EXPECT_EQ((std::array{batches[0].shader.get(), batches[1].shader.get(), batches[2].shader.get()}),
              (std::array<Shader*, 3>{b, nullptr, a}));  // the shaderless in their own
    EXPECT_EQ(batches[0].used, 6u);
    EXPECT_EQ(batches[0].indices, (std::vector<std::uint32_t>{0, 1, 5, 3, 4, 2}));
    EXPECT_EQ(batches[1].indices, (std::vector<std::uint32_t>{1, 2, 4, 4, 5, 1}));
    owned.reset();
    EXPECT_EQ(b->references(), before);
}

TEST_F(MeshTest, AClosedTetrahedronHasSixValidEdgesEachTriangleNeighboursTheOthersAndNothingIsLogged) {
    EdgeMesh tetra;
    ASSERT_TRUE(test::fillMesh(tetra, test::kTetraPoints, test::kTetraTriangles));
    EXPECT_TRUE(tetra.computeEdges().allValid());
    EXPECT_EQ(tetra.computeEdges().edges, 6);  // derived once
    for (std::size_t t = 0; t < 4; ++t) {
        // In a tetrahedron every triangle neighbours the three others.
        const EdgeTriangle& entry = tetra.edgeTriangles()[t];
        EXPECT_EQ(entry.neighbours[0] + entry.neighbours[1] + entry.neighbours[2] + static_cast<int>(t), 0 + 1 + 2 + 3);
    }
    EXPECT_EQ(logText(), "");
}

TEST_F(MeshTest, OpenEdgesAreLoggedAndKept) {
    EdgeMesh single;
    ASSERT_TRUE(test::fillMesh(single, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}}));
    EXPECT_FALSE(single.computeEdges().allValid());
    EXPECT_EQ(logText(), "3 of 3 edges are not valid\n1 of 1 edge triangles are not valid\n");
    ASSERT_EQ(single.edges().size(), 3u);  // invalid entries stay
    EXPECT_EQ(single.edges()[1].vertices[1], 2);
    EXPECT_EQ(single.edges()[1].triangles[1], -1);
    Mesh open;  // the tools validate a copy of any mesh
    ASSERT_TRUE(test::fillMesh(open, test::kTetraPoints, {{0, 1, 3}, {0, 2, 1}}));
    EXPECT_FALSE(validateEdges(open).allValid());

}

// Two triangles over one unit square facing +z; `uv` gives each corner's texture coordinates.
void fillSquare(Mesh& mesh, const std::vector<TexCoord>& uv, Vec3 normal = {0, 0, 1}) {
    mesh.setFlags(MeshFlags::Normals | MeshFlags::TexCoords0);
    ASSERT_TRUE(test::fillMesh(mesh, {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, {{0, 1, 2}, {0, 2, 3}}));
    for (std::size_t i = 0; i < 4; ++i) {
        mesh.vertices()[i].normal = normal;
        mesh.texCoords(0)[i] = uv[i];
    }
}

TEST_F(MeshTest, TheCrossProductTestFlipsTheTangentOfAMirroredTriangle) {
    // normal, tangent, binormal: of every corner
    struct Case { const char* what; std::vector<TexCoord> uv; Vec3 normal, tangent, binormal; };
    const Case cases[] = {
        // s along +x, t along +y: the raw pair (+x, -y) disagrees with the normal and is flipped.
        {"plain", {{0, 0}, {1, 0}, {1, 1}, {0, 1}}, {0, 0, 1}, {-1, 0, 0}, {0, 1, 0}},
        {"s mirrored", {{1, 0}, {0, 0}, {0, 1}, {1, 1}}, {0, 0, 1}, {1, 0, 0}, {0, 1, 0}},
        // The test reads the vertex normal of the first corner: one facing away flips the plain square too.
        {"normal away", {{0, 0}, {1, 0}, {1, 1}, {0, 1}}, {0, 0, -1}, {1, 0, 0}, {0, -1, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Mesh mesh;
        fillSquare(mesh, c.uv, c.normal);
        ASSERT_TRUE(computeTangents(mesh) && mesh.has(MeshFlags::TangentSpace));
        ASSERT_EQ(mesh.tangents().size(), 4u);
        for (const TangentSpace& space : mesh.tangents()) {
            expectVector(space.tangent, c.tangent);
            expectVector(space.binormal, c.binormal);
        }
    }
    EXPECT_EQ(logText(), "");
}

TEST_F(MeshTest, SharedCornersAverageAndAMeshWithoutSetZeroIsRefused) {
    // The second triangle is sheared in s and t, so the shared corners average two different tangents.
    Mesh mesh;
    fillSquare(mesh, {{0, 0}, {1, 0}, {1, 1}, {0, 2}});
    ASSERT_TRUE(computeTangents(mesh));
    expectVector(mesh.tangents()[1].tangent, {-1, 0, 0});  // only on the first triangle
    expectVector(mesh.tangents()[0].tangent, (Vec3(-1, 0, 0) + Vec3(-2, -1, 0).normalized()).normalized());
    expectVector(mesh.tangents()[3].tangent, Vec3(-2, -1, 0).normalized());

    Mesh plain;
    plain.setName("plain.msh");
    ASSERT_TRUE(test::fillMesh(plain, test::kTetraPoints, test::kTetraTriangles));
    EXPECT_FALSE(computeTangents(plain) || plain.has(MeshFlags::TangentSpace) || plain.tangents().hasStorage());
    EXPECT_EQ(logText(), "Mesh \"plain.msh\" has no texture coordinates for tangents\n");
}

}  // namespace
}  // namespace qv3rn
