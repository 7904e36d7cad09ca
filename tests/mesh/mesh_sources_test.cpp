// mesh_sources_test.cpp -- Tests of meshes made from shapes, Wavefront OBJ files and LightWave objects.
#include <gtest/gtest.h>

#include <array>
#include <sstream>

#include "import/lwo_writer.h"
#include "mesh/mesh_builder.h"
#include "mesh/mesh_shapes.h"
#include "mesh/object_mesh_loader.h"
#include "mesh/wavefront_obj.h"
#include "mesh_test_support.h"

namespace qv3rn {
namespace {

class ShapeTest : public test::MeshTest {};

// Outward faces, unit normals, coordinates in the unit square; the closed shapes, welded, are two-manifold.
TEST_F(ShapeTest, EveryShapeFacesOutwardAndTheClosedOnesWeldIntoManifolds) {
    Shader* shader = addShader("skin");
    for (const char* name : {"sphere", "torus", "box", "cylinder", "plane", "torusknot", "terrain", "ship"}) {
        SCOPED_TRACE(name);
        ShapeParameters parameters;
        parameters.segments = std::string(name) == "torusknot" ? 96 : 12;  // the knot's tube winds quickly
        parameters.rings = 6;
        parameters.height = 0.25f;  // terrain: hills as gentle as a landscape's
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

        if (std::string(name) == "plane" || std::string(name) == "terrain") continue;
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
    auto cylinder = built("cylinder");  // rows along the height, then the two caps' centres and rims
    EXPECT_EQ(cylinder->bounds().max.y, 2.5f);
    EXPECT_EQ(cylinder->vertexCount(), 9 * 5 + 2 * (1 + 9));
    auto terrain = built("terrain");  // hills from 0 to the height, a new seed raises other hills
    EXPECT_EQ((std::array{terrain->vertexCount(), terrain->triangleCount()}), (std::array{9 * 5, 2 * 8 * 4}));
    const BoundingBox hills = terrain->bounds();
    EXPECT_TRUE(hills.min.x == -0.5f && hills.max.z == 1.5f && hills.min.y >= 0 && hills.max.y <= 5 &&
                hills.max.y > 1);
    auto rise = [](const Mesh& mesh) {
        float sum = 0;
        for (const MeshVertex& vertex : mesh.vertices()) sum += vertex.position.y;
        return sum;
    };
    p.seed = 2;
    EXPECT_NE(rise(*built("terrain")), rise(*terrain));
    EXPECT_EQ(built("ship")->bounds().max.z, 2 * 1.6f);
    for (const auto& [shape, corners, faces] : {std::tuple{"box", 8u, 12u}, {"ship", 6u, 8u}}) {
        MeshBuilder welded;  // each face has its own corners; welded, the shape's corners stay
        buildShape(shape, p, {}, welded);
        welded.weld();
        EXPECT_EQ((std::array{welded.vertices().size(), welded.triangles().size()}),
                  (std::array<std::size_t, 2>{corners, faces})) << shape;
    }
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

TEST_F(ObjTest, MissingNormalsAreAveragedOverThePositionsFaces) {
    MeshBuilder builder;
    std::string error;
    // Position 1 appears with two texture coordinates: two vertices, one normal.
    ASSERT_TRUE(
        read("v 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 1\nvt 0 0\nvt 1 1\nf 1/1 2/1 3/1\nf 1/2 4/2 2/2\n", builder, error))
        << error;
    ASSERT_EQ(builder.vertices().size(), 6u);
    const Vec3 expected = Vec3(0, 1, 1).normalized();  // (0,0,1) from the first face, (0,1,0) from the second
    EXPECT_LT((builder.vertices()[3].normal - expected).length(), 1e-6f);

}

TEST_F(ObjTest, BadNumbersAndIndicesNameTheFileAndLine) {
    const std::string triangle = "v 0 0 0\nv 1 0 0\nv 0 1 0\n";
    const std::pair<std::string, std::string> cases[] = {
        {triangle + "\nf 1 2 4\n", "model.obj:5: position index 4 names none of 3"},
        {"v 0 0 0\nv 1 zero 0\n", "model.obj:2: not a number: \"zero\""},
        {triangle + "f 1/1 2/1 3/1\n", "model.obj:4: texture coordinate index 1 names none of 0"},
        {triangle + "usemtl " + std::string(256, 'm') + "\nf 1 2 3\n",
         "model.obj:5: a material or group name longer than 255 bytes"},
        {triangle + "f 1 2 -4\n", "model.obj:4:"}, {"v 0 0\n", "model.obj:1:"},
    };
    for (const auto& [text, message] : cases) {
        MeshBuilder builder;
        std::string error;
        EXPECT_FALSE(read(text, builder, error)) << text;
        EXPECT_EQ(error.substr(0, message.size()), message);
    }
}

using test::ImageBlock;
using test::LwoData;

// One layer of `points` and `polygons`, every polygon tagged with the surface "Skin" that has the image blocks
// `blocks`; the point maps among `maps` come before the polygons, the per-polygon maps ("VMAD") after them.
LwoData skin(const std::vector<Vec3>& points, const std::vector<std::vector<int>>& polygons,
             const std::vector<ImageBlock>& blocks = {},
             const std::vector<std::pair<const char*, LwoData>>& maps = {}) {
    LwoData chunks;
    chunks.chunk("TAGS", test::tagsChunk({"Skin"}))
        .chunk("LAYR", test::layerChunk(0))
        .chunk("PNTS", test::pointsChunk(points));
    for (const auto& [id, body] : maps)
        if (std::string(id) != "VMAD") chunks.chunk(id, body);
    std::vector<std::pair<int, int>> tags;
    for (std::size_t i = 0; i < polygons.size(); ++i) tags.emplace_back(static_cast<int>(i), 0);
    chunks.chunk("POLS", test::polygonsChunk(polygons)).chunk("PTAG", test::polygonTagsChunk(tags));
    for (const auto& [id, body] : maps)
        if (std::string(id) == "VMAD") chunks.chunk(id, body);
    return chunks.chunk("SURF", test::surfaceChunk("Skin", blocks));
}

ImageBlock block(const char* channel, const std::string& uvMap) { return {.channel = channel, .uvMap = uvMap}; }

class ObjectMeshTest : public test::MeshTest {
protected:
    bool convert(const LwoData& chunks, Mesh& mesh) {
        const std::vector<std::uint8_t> file = test::lwoFile(chunks);
        auto object = loadObjectFromMemory("object", file.data(), file.size());
        return object && convertObject(object.get(), &mesh);
    }
    static std::vector<int> corners(const Mesh& mesh, int triangle) {
        const MeshTriangle& t = mesh.triangles()[static_cast<std::size_t>(triangle)];
        return {t.vertices[0], t.vertices[1], t.vertices[2]};
    }
};

const std::vector<Vec3> kPentagon = {{0, 0, 0}, {2, 0, 0}, {3, 2, 0}, {1, 3, 0}, {-1, 2, 0}};

TEST_F(ObjectMeshTest, SurfacesUseRegisteredShadersAndRegisterTheMissingOnes) {
    Shader* existing = addShader("Stone");
    LwoData chunks;
    chunks.chunk("TAGS", test::tagsChunk({"Stone", "Moss", "Unused"}))
        .chunk("PNTS", test::pointsChunk(kPentagon))
        .chunk("POLS", test::polygonsChunk({{0, 1, 2}, {0, 2, 3}, {0, 3, 4}}))
        .chunk("PTAG", test::polygonTagsChunk({{0, 0}, {1, 1}}))
        .chunk("SURF", test::surfaceChunk("Unused"));
    Mesh mesh;
    ASSERT_TRUE(convert(chunks, mesh));
    EXPECT_EQ(mesh.triangles()[0].shader.get(), existing);
    EXPECT_EQ(mesh.triangles()[1].shader->getName(), "Moss");
    EXPECT_EQ(mesh.triangles()[2].shader.get(), nullptr);  // an untagged polygon
    ASSERT_EQ(shaders.shaders().size(), 3u);               // Stone, plus Unused and Moss registered empty
    EXPECT_TRUE(shaders.shaders()[1]->states().empty());
}

TEST_F(ObjectMeshTest, ImageBlocksFillTextureSetsInChannelOrderWithNegatedCoordinates) {
    Mesh mesh;  // BUMP feeds no set; COLR comes first whatever the block order
    ASSERT_TRUE(convert(skin({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {5, 5, 5}}, {{0, 1, 2}},
                             {block("DIFF", "second"), block("BUMP", "first"), block("COLR", "first")},
                             {{"VMAP", test::mapChunk("TXUV", 2, "first", {{0, {0.1f, 0.2f}}, {1, {0.3f, 0.4f}}})},
                              {"VMAP", test::mapChunk("TXUV", 2, "second", {{0, {1, 2}}, {2, {5, 6}}})}}),
                        mesh));
    EXPECT_EQ(mesh.flags(), MeshFlags::Normals | MeshFlags::TexCoords0 | MeshFlags::TexCoords1);
    EXPECT_FLOAT_EQ(mesh.texCoords(0)[1].v, -0.4f);  // set 0: COLR's map
    EXPECT_FLOAT_EQ(mesh.texCoords(1)[2].u, -5.0f);  // set 1: DIFF's map
    EXPECT_FLOAT_EQ(mesh.texCoords(1)[1].u, 0.0f);   // no entry for point 1: zero
    EXPECT_FLOAT_EQ(mesh.texCoords(0)[3].u, 0.0f);   // a point of no polygon keeps zero
}

TEST_F(ObjectMeshTest, DiscontinuousCoordinatesBelongToTheirCornerAndAreLogged) {
    Mesh mesh;
    ASSERT_TRUE(convert(
        skin({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {2, 0, 0}}, {{0, 1, 2}, {1, 3, 2}}, {block("COLR", "uv")},
             {{"VMAP", test::mapChunk("TXUV", 2, "uv", {{0, {0, 0}}, {1, {0.5f, 0}}, {2, {0.5f, 1}}, {3, {1, 0}}})},
              {"VMAD", test::mapChunk("TXUV", 2, "uv", {{1, {0.25f, 0}, 0}, {1, {0.75f, 0.125f}, 1}})}}),
        mesh));
    ASSERT_EQ(mesh.vertexCount(), 5);  // point 1 split for the second triangle
    EXPECT_EQ(corners(mesh, 1), (std::vector<int>{4, 3, 2}));
    EXPECT_FLOAT_EQ(mesh.texCoords(0)[1].u, -0.25f);
    EXPECT_FLOAT_EQ(mesh.texCoords(0)[4].v, -0.125f);
    EXPECT_EQ(mesh.vertices()[4].position, Vec3(1, 0, 0));
    EXPECT_EQ(logText(), "\tFile \"object\"\n\t\tVMAD \"uv\" dim 2\n");
}

}  // namespace
}  // namespace qv3rn
