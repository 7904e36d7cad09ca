// mesh_shapes_test.cpp -- Tests of the procedural shapes, welding, and the Wavefront OBJ reader.
#include <gtest/gtest.h>

#include <array>
#include <sstream>

#include "mesh/mesh_builder.h"
#include "mesh/mesh_shapes.h"
#include "mesh/wavefront_obj.h"
#include "mesh_test_support.h"

namespace qv3rn {
namespace {

class ShapeTest : public test::MeshTest {};

// Outward faces, unit normals, coordinates in the unit square; the closed shapes, welded, are two-manifold.
TEST_F(ShapeTest, EveryShapeFacesOutwardAndTheClosedOnesWeldIntoManifolds) {
    Shader* shader = addShader("skin");
    for (const char* name : {"sphere", "torus", "box", "cylinder", "plane", "torusknot"}) {
        SCOPED_TRACE(name);
        ShapeParameters parameters;
        parameters.segments = std::string(name) == "torusknot" ? 96 : 12;  // the knot's tube winds quickly
        parameters.rings = 6;
        MeshBuilder builder;
        ASSERT_TRUE(buildShape(name, parameters, Handle<Shader>(shader), builder));
        std::unique_ptr<Mesh> mesh = builder.build();
        EXPECT_EQ(mesh->flags(), MeshFlags::Normals | MeshFlags::TexCoords0);
        ASSERT_EQ(mesh->batches().size(), 1u);
        EXPECT_EQ(mesh->batches()[0].shader.get(), shader);
        for (const MeshVertex& vertex : mesh->vertices()) EXPECT_NEAR(vertex.normal.length(), 1.0f, 1e-4);
        for (const TexCoord& uv : mesh->texCoords(0)) EXPECT_TRUE(uv.u >= 0 && uv.u <= 1 && uv.v >= 0 && uv.v <= 1);
        int inward = 0;
        for (const MeshTriangle& triangle : mesh->triangles())
            for (int corner : triangle.vertices)
                inward += dot(triangle.normal(), mesh->vertices()[std::size_t(corner)].normal) <= 0.0f;
        EXPECT_EQ(inward, 0);

        if (std::string(name) == "plane") continue;
        builder.weld();
        EdgeMesh closed;
        ASSERT_TRUE(builder.buildInto(closed));
        const EdgeValidation edges = closed.computeEdges();
        EXPECT_EQ(2 * edges.edges, 3 * closed.triangleCount());
        EXPECT_TRUE(edges.allValid());
    }
    MeshBuilder unknown;
    EXPECT_FALSE(buildShape("teapot", ShapeParameters{}, Handle<Shader>(shader), unknown));
}

TEST_F(ShapeTest, ShapesHaveTheirMeasuresAndCounts) {
    ShapeParameters p;
    p.radius = 2;
    p.segments = 8;
    p.rings = 4;
    p.size = {1, 2, 3};
    p.height = 5;
    auto built = [&](const char* shape) {
        MeshBuilder builder;
        buildShape(shape, p, {}, builder);
        return builder.build();
    };
    auto sphere = built("sphere");
    EXPECT_EQ(sphere->vertexCount(), 9 * 5);
    EXPECT_EQ(sphere->triangleCount(), 2 * 8 * 4 - 2 * 8);  // the cells at the poles are triangles
    EXPECT_LT((sphere->bounds().max - Vec3(2, 2, 2)).length(), 1e-5f);
    EXPECT_EQ(built("box")->bounds().min, Vec3(-0.5f, -1, -1.5f));
    EXPECT_EQ(built("plane")->bounds().min, Vec3(-0.5f, 0, -1.5f));
    EXPECT_EQ(built("cylinder")->bounds().max.y, 2.5f);
    MeshBuilder box;  // each face has its own corners; welded, the eight corners stay
    buildShape("box", p, {}, box);
    box.weld();
    EXPECT_EQ((std::array{box.vertices().size(), box.triangles().size()}), (std::array<std::size_t, 2>{8, 12}));
}

TEST_F(ShapeTest, WeldingClosesSeamsAndKeepsTheFirstVertexsCoordinates) {
    MeshBuilder builder;
    const int a = builder.addVertex({0, 0, 0}, {0, 0, 1}, {0.25f, 0.5f});
    const int b = builder.addVertex({1, 0, 0}, {0, 0, 1}, {1, 0});
    const int c = builder.addVertex({0, 1, 0}, {0, 1, 0}, {0, 1});
    const int aCopy = builder.addVertex({-0.0f, 0, 0}, {1, 0, 0}, {0.75f, 0.5f});
    builder.addTriangle(a, b, c, {});
    builder.addTriangle(aCopy, c, b, {});
    builder.addTriangle(a, aCopy, b, {});  // collapses once the copy is welded
    builder.addTriangle(a, a, b, {});      // never added
    EXPECT_EQ(builder.triangles().size(), 3u);
    builder.weld();
    ASSERT_EQ(builder.vertices().size(), 3u);
    EXPECT_EQ(builder.triangles().size(), 2u);
    EXPECT_FLOAT_EQ(builder.vertices()[0].uv.u, 0.25f);
    EXPECT_LT((builder.vertices()[0].normal - Vec3(1, 0, 1).normalized()).length(), 1e-6f);
}

class ObjTest : public test::MeshTest {
protected:
    bool read(const std::string& text, MeshBuilder& builder, std::string& error) {
        std::istringstream in(text);
        return readWavefrontObj(in, "model.obj", builder, result, error);
    }
    ObjReadResult result;
};

TEST_F(ObjTest, MaterialsOrElseGroupsNameTheShadersOfTheFaces) {
    MeshBuilder builder;
    std::string error;
    ASSERT_TRUE(
        read("# a quad and two triangles\nmtllib model.mtl\n"
             "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nvt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\nvn 0 0 2\n"
             "g floor\nf 1/1/1 2/2/1 3/3/1 4/4/1\n"
             "usemtl shiny  # set after the group\nf -4/-4 -2/-2 -1/-1\n"
             "g other\ns 1\nf 1//1 \\\n 2//1 3//1\n",
             builder, error))
        << error;
    auto mesh = builder.build();
    ASSERT_EQ(mesh->batches().size(), 2u);
    EXPECT_EQ(mesh->batches()[0].shader->getName(), "floor");
    EXPECT_EQ(mesh->batches()[0].used, 6u);
    EXPECT_EQ(mesh->batches()[1].shader->getName(), "shiny");  // the material stays over the new group
    // (1,1,1), (2,2,1), (3,3,1), (4,4,1), then (1,1,0), (3,3,0), (4,4,0), then (1,0,1), (2,0,1), (3,0,1).
    EXPECT_EQ(mesh->vertexCount(), 10);
    EXPECT_EQ(mesh->vertices()[0].normal, Vec3(0, 0, 1));
    EXPECT_EQ(mesh->triangles()[1].vertices[2], 3);
}

TEST_F(ObjTest, MissingNormalsAreAveragedOverThePositionsFacesAndColoursAfterThePositionAreKept) {
    MeshBuilder builder;
    std::string error;
    // Position 1 appears with two texture coordinates: two vertices, one normal.
    ASSERT_TRUE(
        read("v 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 1\nvt 0 0\nvt 1 1\nf 1/1 2/1 3/1\nf 1/2 4/2 2/2\n", builder, error))
        << error;
    EXPECT_FALSE(result.withColours);
    ASSERT_EQ(builder.vertices().size(), 6u);
    const Vec3 expected = Vec3(0, 1, 1).normalized();  // (0,0,1) from the first face, (0,1,0) from the second
    EXPECT_LT((builder.vertices()[3].normal - expected).length(), 1e-6f);
    EXPECT_EQ(builder.triangles()[0].shader.get(), nullptr);  // neither material nor group

    MeshBuilder coloured;
    ASSERT_TRUE(read("v 0 0 0 1 0 0.5\nv 1 0 0 0 1 0\nv 0 1 0 0 0 1\nf 1 2 3\n", coloured, error)) << error;
    ASSERT_TRUE(result.withColours);
    auto mesh = coloured.build(true);
    EXPECT_TRUE(mesh->has(MeshFlags::Colours));
    EXPECT_EQ((std::array{mesh->vertices()[0].colour[0], mesh->vertices()[0].colour[2]}),
              (std::array<std::uint8_t, 2>{255, 127}));
}

TEST_F(ObjTest, BadNumbersAndIndicesNameTheFileAndLine) {
    const std::string triangle = "v 0 0 0\nv 1 0 0\nv 0 1 0\n";
    const std::pair<std::string, std::string> cases[] = {
        {triangle + "\nf 1 2 4\n", "model.obj:5: position index 4 names none of 3"},
        {"v 0 0 0\nv 1 zero 0\n", "model.obj:2: not a number: \"zero\""},
        {triangle + "f 1/1 2/1 3/1\n", "model.obj:4: texture coordinate index 1 names none of 0"},
        {triangle + "usemtl " + std::string(256, 'm') + "\nf 1 2 3\n",
         "model.obj:5: a material or group name longer than 255 bytes"},
        {triangle + "f 1 2 0\n", "model.obj:4:"},
        {triangle + "f 1 2 -4\n", "model.obj:4:"},
        {triangle + "f 1 2 3x\n", "model.obj:4:"},
        {"v 0 0\n", "model.obj:1:"},
    };
    for (const auto& [text, message] : cases) {
        MeshBuilder builder;
        std::string error;
        EXPECT_FALSE(read(text, builder, error)) << text;
        EXPECT_EQ(error.substr(0, message.size()), message);
    }
}

}  // namespace
}  // namespace qv3rn
