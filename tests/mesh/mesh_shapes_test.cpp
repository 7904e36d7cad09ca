// Tests of the procedural shapes, welding, and the Wavefront OBJ reader.
#include <gtest/gtest.h>

#include <sstream>

#include "mesh/mesh_builder.h"
#include "mesh/mesh_shapes.h"
#include "mesh/wavefront_obj.h"
#include "mesh_test_support.h"

namespace qv3rn {
namespace {

class ShapeTest : public test::MeshTest {};

TEST_F(ShapeTest, EveryShapeFacesOutwardWithUnitNormalsAndCoordinatesInTheUnitSquare) {
    Shader* shader = addShader("skin");
    ShapeParameters parameters;
    parameters.segments = 12;
    parameters.rings = 6;
    for (const char* name : {"sphere", "torus", "box", "cylinder", "plane", "torusknot"}) {
        SCOPED_TRACE(name);
        MeshBuilder builder;
        // The knot's tube winds quickly: it needs more segments than the other shapes to keep its cells flat.
        ShapeParameters shape = parameters;
        if (std::string(name) == "torusknot") shape.segments = 96;
        ASSERT_TRUE(buildShape(name, shape, Handle<Shader>(shader), builder));
        std::unique_ptr<Mesh> mesh = builder.build();
        ASSERT_NE(mesh, nullptr);
        EXPECT_EQ(mesh->flags(), MeshFlags::Normals | MeshFlags::TexCoords0);
        ASSERT_EQ(mesh->batches().size(), 1u);
        EXPECT_EQ(mesh->batches()[0].shader.get(), shader);
        for (const MeshVertex& vertex : mesh->vertices()) EXPECT_NEAR(vertex.normal.length(), 1.0f, 1e-4);
        for (const TexCoord& uv : mesh->texCoords(0)) {
            EXPECT_GE(uv.u, 0.0f);
            EXPECT_LE(uv.u, 1.0f);
            EXPECT_GE(uv.v, 0.0f);
            EXPECT_LE(uv.v, 1.0f);
        }
        int inward = 0;
        for (const MeshTriangle& triangle : mesh->triangles()) {
            EXPECT_NEAR(triangle.normal().length(), 1.0f, 1e-4);
            for (int corner : triangle.vertices)
                if (dot(triangle.normal(), mesh->vertices()[static_cast<std::size_t>(corner)].normal) <= 0.0f) ++inward;
        }
        EXPECT_EQ(inward, 0);
    }
    MeshBuilder unknown;
    EXPECT_FALSE(buildShape("teapot", parameters, Handle<Shader>(shader), unknown));
}

TEST_F(ShapeTest, ShapesHaveTheirMeasuresAndCounts) {
    ShapeParameters p;
    p.radius = 2;
    p.segments = 8;
    p.rings = 4;
    MeshBuilder sphere;
    buildShape("sphere", p, {}, sphere);
    auto mesh = sphere.build();
    EXPECT_EQ(mesh->vertexCount(), 9 * 5);
    EXPECT_EQ(mesh->triangleCount(), 2 * 8 * 4 - 2 * 8);  // the cells at the poles are triangles
    EXPECT_NEAR(mesh->bounds().max.y, 2.0f, 1e-6);
    EXPECT_NEAR(mesh->bounds().min.x, -2.0f, 1e-6);

    p.size = {1, 2, 3};
    MeshBuilder box;
    buildShape("box", p, {}, box);
    auto boxMesh = box.build();
    EXPECT_EQ(boxMesh->triangleCount(), 12);
    EXPECT_EQ(boxMesh->bounds().min, Vec3(-0.5f, -1, -1.5f));
    EXPECT_EQ(boxMesh->bounds().max, Vec3(0.5f, 1, 1.5f));
    box.weld();
    EXPECT_EQ(box.vertices().size(), 8u);
    EXPECT_EQ(box.triangles().size(), 12u);

    MeshBuilder plane;
    buildShape("plane", p, {}, plane);
    auto planeMesh = plane.build();
    EXPECT_EQ(planeMesh->vertexCount(), 9 * 5);
    EXPECT_EQ(planeMesh->bounds().min, Vec3(-0.5f, 0, -1.5f));

    p.height = 5;
    MeshBuilder cylinder;
    buildShape("cylinder", p, {}, cylinder);
    EXPECT_EQ(cylinder.build()->bounds().max.y, 2.5f);
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
    const Vec3 averaged = Vec3(1, 0, 1).normalized();
    EXPECT_NEAR(builder.vertices()[0].normal.x, averaged.x, 1e-6);
    EXPECT_EQ(builder.triangles()[1].vertices[0], 0);
}

class ObjTest : public test::MeshTest {
protected:
    bool read(const std::string& text, MeshBuilder& builder, std::string& error, ObjReadResult* out = nullptr) {
        std::istringstream in(text);
        ObjReadResult result;
        const bool good = readWavefrontObj(in, "model.obj", builder, result, error);
        if (out) *out = result;
        return good;
    }
};

TEST_F(ObjTest, MaterialsOrElseGroupsNameTheShadersOfTheFaces) {
    const std::string text =
        "# a quad and two triangles\n"
        "mtllib model.mtl\n"
        "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\n"
        "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\n"
        "vn 0 0 2\n"
        "g floor\n"
        "f 1/1/1 2/2/1 3/3/1 4/4/1\n"
        "usemtl shiny  # set after the group\n"
        "f -4/-4 -2/-2 -1/-1\n"
        "g other\n"
        "s 1\n"
        "f 1//1 \\\n 2//1 3//1\n";
    MeshBuilder builder;
    std::string error;
    ASSERT_TRUE(read(text, builder, error)) << error;
    auto mesh = builder.build();
    ASSERT_NE(mesh, nullptr);
    ASSERT_EQ(mesh->triangleCount(), 4);
    ASSERT_EQ(mesh->batches().size(), 2u);
    EXPECT_EQ(mesh->batches()[0].shader->getName(), "floor");
    EXPECT_EQ(mesh->batches()[0].used, 6u);
    EXPECT_EQ(mesh->batches()[1].shader->getName(), "shiny");  // the material stays over the new group
    EXPECT_EQ(mesh->batches()[1].used, 6u);
    // (1,1,1), (2,2,1), (3,3,1), (4,4,1), then (1,1,0), (3,3,0), (4,4,0), then (1,0,1), (2,0,1), (3,0,1).
    EXPECT_EQ(mesh->vertexCount(), 10);
    EXPECT_EQ(mesh->vertices()[0].normal, Vec3(0, 0, 1));
    EXPECT_FLOAT_EQ(mesh->texCoords(0)[2].u, 1.0f);
    EXPECT_EQ(mesh->triangles()[1].vertices[2], 3);
}

TEST_F(ObjTest, MissingNormalsAreAveragedOverThePositionsFaces) {
    const std::string text =
        "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 1\n"
        "vt 0 0\nvt 1 1\n"
        "f 1/1 2/1 3/1\n"
        "f 1/2 4/2 2/2\n";  // position 1 appears with two texture coordinates: two vertices, one normal
    MeshBuilder builder;
    std::string error;
    ObjReadResult result;
    ASSERT_TRUE(read(text, builder, error, &result)) << error;
    EXPECT_FALSE(result.withColours);
    ASSERT_EQ(builder.vertices().size(), 6u);
    const Vec3 expected = Vec3(0, 1, 1).normalized();  // (0,0,1) from the first face, (0,1,0) from the second
    for (std::size_t v : {std::size_t{0}, std::size_t{3}}) {
        EXPECT_NEAR(builder.vertices()[v].normal.x, expected.x, 1e-6);
        EXPECT_NEAR(builder.vertices()[v].normal.y, expected.y, 1e-6);
        EXPECT_NEAR(builder.vertices()[v].normal.z, expected.z, 1e-6);
    }
    EXPECT_TRUE(builder.triangles()[0].shader.get() == nullptr);  // neither material nor group
}

TEST_F(ObjTest, VertexColoursAfterThePositionAreKept) {
    MeshBuilder builder;
    std::string error;
    ObjReadResult result;
    ASSERT_TRUE(read("v 0 0 0 1 0 0.5\nv 1 0 0 0 1 0\nv 0 1 0 0 0 1\nf 1 2 3\n", builder, error, &result)) << error;
    EXPECT_TRUE(result.withColours);
    auto mesh = builder.build(result.withColours);
    EXPECT_TRUE(mesh->has(MeshFlags::Colours));
    EXPECT_EQ(mesh->vertices()[0].colour[0], 255);
    EXPECT_EQ(mesh->vertices()[0].colour[2], 127);
}

TEST_F(ObjTest, BadNumbersAndIndicesNameTheFileAndLine) {
    MeshBuilder builder;
    std::string error;
    EXPECT_FALSE(read("v 0 0 0\nv 1 0 0\nv 0 1 0\n\nf 1 2 4\n", builder, error));
    EXPECT_EQ(error, "model.obj:5: position index 4 names none of 3");
    EXPECT_FALSE(read("v 0 0 0\nv 1 zero 0\n", builder, error));
    EXPECT_EQ(error, "model.obj:2: not a number: \"zero\"");
    EXPECT_FALSE(read("v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1/1 2/1 3/1\n", builder, error));
    EXPECT_EQ(error, "model.obj:4: texture coordinate index 1 names none of 0");
    EXPECT_FALSE(read("v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 0\n", builder, error));
    EXPECT_FALSE(read("v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 -4\n", builder, error));
    EXPECT_FALSE(read("v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3x\n", builder, error));
    EXPECT_FALSE(read("v 0 0\n", builder, error));
    EXPECT_FALSE(read("v 0 0 0\nv 1 0 0\nv 0 1 0\nusemtl " + std::string(256, 'm') + "\nf 1 2 3\n", builder, error));
    EXPECT_EQ(error, "model.obj:5: a material or group name longer than 255 bytes");
}

}  // namespace
}  // namespace qv3rn
