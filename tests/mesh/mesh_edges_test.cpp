// Tests of the edge tables and the tangent space; the hash-based edge search is compared with a plain
// transcription of the quadratic search it replaces.
#include <gtest/gtest.h>

#include <random>

#include "mesh/edge_mesh.h"
#include "mesh/mesh_builder.h"
#include "mesh/mesh_shapes.h"
#include "mesh/mesh_tangents.h"
#include "mesh_test_support.h"

namespace qv3rn {
namespace {

using test::MeshTest;

// The edge search as first written: every corner pair scans the edge table from the start.
struct ReferenceTables {
    std::vector<MeshEdge> edges;
    std::vector<EdgeTriangle> triangles;
};

ReferenceTables quadraticEdges(const Mesh& mesh) {
    ReferenceTables tables;
    for (const MeshTriangle& triangle : mesh.triangles()) {
        EdgeTriangle entry;
        entry.triangle = &triangle;
        tables.triangles.push_back(entry);
    }
    for (std::size_t i = 0; i < tables.triangles.size(); ++i) {
        EdgeTriangle& entry = tables.triangles[i];
        for (int k = 0; k < 3; ++k) {
            const int a = entry.triangle->vertices[k], b = entry.triangle->vertices[(k + 1) % 3];
            int found = -1;
            for (std::size_t e = 0; e < tables.edges.size() && found < 0; ++e)
                if (tables.edges[e].hasVertex(a) && tables.edges[e].hasVertex(b)) found = static_cast<int>(e);
            if (found < 0) {
                MeshEdge edge;
                edge.index = static_cast<int>(tables.edges.size());
                edge.addVertex(a);
                edge.addVertex(b);
                tables.edges.push_back(edge);
                found = edge.index;
            }
            entry.addEdge(found);
            tables.edges[static_cast<std::size_t>(found)].addTriangle(static_cast<int>(i));
        }
    }
    for (std::size_t i = 0; i < tables.triangles.size(); ++i) {
        EdgeTriangle& entry = tables.triangles[i];
        for (int e : entry.edges) {
            if (e < 0) continue;
            const MeshEdge& edge = tables.edges[static_cast<std::size_t>(e)];
            entry.addNeighbour(edge.triangles[0] == static_cast<int>(i) ? edge.triangles[1] : edge.triangles[0]);
        }
    }
    return tables;
}

void expectSameTables(const EdgeMesh& mesh, const ReferenceTables& reference) {
    ASSERT_EQ(mesh.edges().size(), reference.edges.size());
    for (std::size_t e = 0; e < reference.edges.size(); ++e) {
        const MeshEdge& a = mesh.edges()[e];
        const MeshEdge& b = reference.edges[e];
        ASSERT_EQ(a.index, b.index) << "edge " << e;
        ASSERT_EQ(a.vertices[0], b.vertices[0]) << "edge " << e;
        ASSERT_EQ(a.vertices[1], b.vertices[1]) << "edge " << e;
        ASSERT_EQ(a.triangles[0], b.triangles[0]) << "edge " << e;
        ASSERT_EQ(a.triangles[1], b.triangles[1]) << "edge " << e;
        ASSERT_EQ(a.counters[0], 0);
    }
    ASSERT_EQ(mesh.edgeTriangles().size(), reference.triangles.size());
    for (std::size_t t = 0; t < reference.triangles.size(); ++t) {
        const EdgeTriangle& a = mesh.edgeTriangles()[t];
        const EdgeTriangle& b = reference.triangles[t];
        ASSERT_EQ(a.triangle, b.triangle);
        for (int k = 0; k < 3; ++k) {
            ASSERT_EQ(a.edges[k], b.edges[k]) << "triangle " << t;
            ASSERT_EQ(a.neighbours[k], b.neighbours[k]) << "triangle " << t;
        }
    }
}

class EdgeTest : public MeshTest {};

TEST_F(EdgeTest, AClosedManifoldHasThreeHalvesEdgesPerTriangleAllValidAndNoLogLine) {
    EdgeMesh tetra;
    ASSERT_TRUE(test::fillMesh(tetra, test::kTetraPoints, test::kTetraTriangles));
    const EdgeValidation result = tetra.computeEdges();
    EXPECT_EQ(result.edges, 6);
    EXPECT_TRUE(result.allValid());
    for (const EdgeTriangle& entry : tetra.edgeTriangles()) {
        EXPECT_TRUE(entry.valid());
        // In a tetrahedron every triangle neighbours the three others.
        int sum = 0;
        for (int n : entry.neighbours) sum += n;
        EXPECT_EQ(sum + static_cast<int>(&entry - tetra.edgeTriangles().begin()), 0 + 1 + 2 + 3);
    }
    EXPECT_EQ(tetra.sideBuffer().capacity(), 48u);
    EXPECT_EQ(tetra.capBuffer().capacity(), 48u);

    for (const char* shape : {"sphere", "torus", "box", "cylinder", "torusknot"}) {
        SCOPED_TRACE(shape);
        MeshBuilder builder;
        ASSERT_TRUE(buildShape(shape, ShapeParameters{}, Handle<Shader>(), builder));
        builder.weld();
        EdgeMesh closed;
        ASSERT_TRUE(builder.buildInto(closed));
        const EdgeValidation shapeResult = closed.computeEdges();
        EXPECT_EQ(2 * shapeResult.edges, 3 * closed.triangleCount());
        EXPECT_TRUE(shapeResult.allValid());
    }
    EXPECT_EQ(logText(), "");
}

TEST_F(EdgeTest, ASingleTriangleGivesBothWarnings) {
    EdgeMesh mesh;
    ASSERT_TRUE(test::fillMesh(mesh, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}}));
    const EdgeValidation result = mesh.computeEdges();
    EXPECT_EQ(result.invalidEdges, 3);
    EXPECT_EQ(result.invalidTriangles, 1);
    EXPECT_EQ(logText(), "3 of 3 edges are not valid\n1 of 1 edge triangles are not valid\n");
    EXPECT_EQ(mesh.edges().size(), 3u);  // invalid entries stay
    EXPECT_EQ(mesh.edges()[1].vertices[0], 1);
    EXPECT_EQ(mesh.edges()[1].vertices[1], 2);
    EXPECT_EQ(mesh.edges()[1].triangles[1], -1);
}

TEST_F(EdgeTest, TheTablesAreDerivedOnce) {
    EdgeMesh mesh;
    ASSERT_TRUE(test::fillMesh(mesh, test::kTetraPoints, test::kTetraTriangles));
    mesh.computeEdges();
    mesh.computeEdges();
    EXPECT_EQ(mesh.edges().size(), 6u);
    EXPECT_EQ(mesh.edgeTriangles().size(), 4u);
}

TEST_F(EdgeTest, TheHashedSearchGivesTheQuadraticSearchsTables) {
    std::mt19937 random(1234);
    for (int round = 0; round < 60; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        const int vertexCount = 3 + static_cast<int>(random() % 40);
        const int triangleCount = 1 + static_cast<int>(random() % 120);
        EdgeMesh mesh;
        ASSERT_TRUE(mesh.allocate(vertexCount, triangleCount));
        for (int v = 0; v < vertexCount; ++v) mesh.addVertex(MeshVertex{});
        for (int t = 0; t < triangleCount; ++t) {
            MeshTriangle triangle;
            for (int& corner : triangle.vertices) {
                const unsigned pick = random() % 100;
                // Mostly real corners, some repeated corners and, in later rounds, a few negative ones.
                if (round > 40 && pick < 3) corner = pick == 0 ? -1 : -5;
                else corner = static_cast<int>(random() % static_cast<unsigned>(vertexCount));
            }
            if (random() % 10 == 0) triangle.vertices[2] = triangle.vertices[0];
            mesh.addTriangle(triangle);
        }
        const ReferenceTables reference = quadraticEdges(mesh);
        mesh.computeEdges();
        expectSameTables(mesh, reference);
    }
}

TEST_F(EdgeTest, AnEdgeOfThreeTrianglesKeepsTheLastInItsSecondSlot) {
    EdgeMesh mesh;
    ASSERT_TRUE(test::fillMesh(mesh, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}},
                               {{0, 1, 2}, {1, 0, 3}, {0, 1, 4}}));
    mesh.computeEdges();
    expectSameTables(mesh, quadraticEdges(mesh));
    EXPECT_EQ(mesh.edges()[0].triangles[0], 0);
    EXPECT_EQ(mesh.edges()[0].triangles[1], 2);
}

TEST_F(EdgeTest, ToolsValidateACopyOfAnyMesh) {
    Mesh plain;
    ASSERT_TRUE(test::fillMesh(plain, test::kTetraPoints, test::kTetraTriangles));
    const EdgeValidation closed = validateEdges(plain);
    EXPECT_EQ(closed.edges, 6);
    EXPECT_TRUE(closed.allValid());
    Mesh open;
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

void expectVector(const Vec3& actual, const Vec3& expected) {
    EXPECT_NEAR(actual.x, expected.x, 1e-6);
    EXPECT_NEAR(actual.y, expected.y, 1e-6);
    EXPECT_NEAR(actual.z, expected.z, 1e-6);
}

class TangentTest : public MeshTest {};

TEST_F(TangentTest, TheCrossProductTestFlipsTheTangentOfAMirroredTriangle) {
    // s along +x, t along +y: the raw pair (+x, -y) disagrees with the normal and is flipped.
    Mesh plain;
    fillSquare(plain, {{0, 0}, {1, 0}, {1, 1}, {0, 1}});
    ASSERT_TRUE(computeTangents(plain));
    EXPECT_TRUE(plain.has(MeshFlags::TangentSpace));
    ASSERT_EQ(plain.tangents().size(), 4u);
    for (const TangentSpace& space : plain.tangents()) {
        expectVector(space.tangent, {-1, 0, 0});
        expectVector(space.binormal, {0, 1, 0});
    }
    // s mirrored (along -x): the raw pair (+x, +y) agrees with the normal and stays.
    Mesh mirrored;
    fillSquare(mirrored, {{1, 0}, {0, 0}, {0, 1}, {1, 1}});
    ASSERT_TRUE(computeTangents(mirrored));
    for (const TangentSpace& space : mirrored.tangents()) {
        expectVector(space.tangent, {1, 0, 0});
        expectVector(space.binormal, {0, 1, 0});
    }
    // t mirrored: the binormal turns, the tangent stays.
    Mesh flippedT;
    fillSquare(flippedT, {{0, 1}, {1, 1}, {1, 0}, {0, 0}});
    ASSERT_TRUE(computeTangents(flippedT));
    expectVector(flippedT.tangents()[2].tangent, {-1, 0, 0});
    expectVector(flippedT.tangents()[2].binormal, {0, -1, 0});
    // The test reads the normal of the first corner: a vertex normal facing away flips the plain square too.
    Mesh away;
    fillSquare(away, {{0, 0}, {1, 0}, {1, 1}, {0, 1}}, {0, 0, -1});
    ASSERT_TRUE(computeTangents(away));
    expectVector(away.tangents()[1].tangent, {1, 0, 0});
    expectVector(away.tangents()[1].binormal, {0, -1, 0});
    EXPECT_EQ(logText(), "");
}

TEST_F(TangentTest, SharedCornersAverageAndStoredTangentsAreAddedTo) {
    // The second triangle is sheared in s and t, so the shared corners average two different tangents.
    Mesh mesh;
    fillSquare(mesh, {{0, 0}, {1, 0}, {1, 1}, {0, 2}});
    ASSERT_TRUE(computeTangents(mesh));
    for (const TangentSpace& space : mesh.tangents()) {
        EXPECT_NEAR(space.tangent.length(), 1.0f, 1e-6);
        EXPECT_NEAR(space.binormal.length(), 1.0f, 1e-6);
    }
    expectVector(mesh.tangents()[1].tangent, {-1, 0, 0});  // only on the first triangle
    // Corner 0: (-1, 0, 0) and the second triangle's -(2, 1, 0)/sqrt(5), summed and normalised.
    const Vec3 sum = Vec3(-1, 0, 0) + Vec3(-2, -1, 0).normalized();
    expectVector(mesh.tangents()[0].tangent, sum.normalized());
    expectVector(mesh.tangents()[3].tangent, Vec3(-2, -1, 0).normalized());

    // Tangents read from a file (flag 0x100 before loading) stay and the computed ones are added.
    Mesh stored;
    stored.setFlags(MeshFlags::Normals | MeshFlags::TexCoords0 | MeshFlags::TangentSpace);
    ASSERT_TRUE(test::fillMesh(stored, {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}}, {{0, 1, 2}}));
    const TexCoord uv[] = {{0, 0}, {1, 0}, {1, 1}};
    for (std::size_t i = 0; i < 3; ++i) {
        stored.vertices()[i].normal = {0, 0, 1};
        stored.texCoords(0)[i] = uv[i];
    }
    stored.tangents().append({{0, 0, 3}, {0, 0, 0}});
    ASSERT_TRUE(computeTangents(stored));
    ASSERT_EQ(stored.tangents().size(), 3u);
    expectVector(stored.tangents()[0].tangent, Vec3(-1, 0, 3).normalized());
    expectVector(stored.tangents()[1].tangent, {-1, 0, 0});
}

TEST_F(TangentTest, AMeshWithoutTextureSetZeroIsRefused) {
    Mesh mesh;
    mesh.setName("plain.msh");
    ASSERT_TRUE(test::fillMesh(mesh, test::kTetraPoints, test::kTetraTriangles));
    EXPECT_FALSE(computeTangents(mesh));
    EXPECT_FALSE(mesh.has(MeshFlags::TangentSpace));
    EXPECT_FALSE(mesh.tangents().hasStorage());
    EXPECT_EQ(logText(), "Mesh \"plain.msh\" has no texture coordinates for tangents\n");
}

}  // namespace
}  // namespace qv3rn
