// Tests of converting LightWave objects into engine meshes: fans, shaders by surface, texture sets by
// channel, vertex colours and discontinuous coordinates.
#include <gtest/gtest.h>

#include "import/lwo_writer.h"
#include "mesh/object_mesh_loader.h"
#include "mesh_test_support.h"

namespace qv3rn {
namespace {

using test::ImageBlock;
using test::LwoData;

class ObjectMeshTest : public test::MeshTest {
protected:
    bool convert(const LwoData& chunks, Mesh& mesh) {
        const std::vector<std::uint8_t> file = test::lwoFile(chunks);
        auto object = loadObjectFromMemory("object", file.data(), file.size());
        if (!object) return false;
        return convertObject(object.get(), &mesh);
    }

    static std::vector<int> corners(const Mesh& mesh, int triangle) {
        const MeshTriangle& t = mesh.triangles()[static_cast<std::size_t>(triangle)];
        return {t.vertices[0], t.vertices[1], t.vertices[2]};
    }
};

const std::vector<Vec3> kPentagon = {{0, 0, 0}, {2, 0, 0}, {3, 2, 0}, {1, 3, 0}, {-1, 2, 0}};

TEST_F(ObjectMeshTest, APentagonBecomesAFanWithThePolygonsPlaneAndSurfaceShader) {
    LwoData chunks;
    chunks.chunk("TAGS", test::tagsChunk({"Stone"}))
        .chunk("LAYR", test::layerChunk(0))
        .chunk("PNTS", test::pointsChunk(kPentagon))
        .chunk("POLS", test::polygonsChunk({{0, 1, 2, 3, 4}}))
        .chunk("PTAG", test::polygonTagsChunk({{0, 0}}))
        .chunk("SURF", test::surfaceChunk("Stone"));
    Mesh mesh;
    ASSERT_TRUE(convert(chunks, mesh));
    EXPECT_EQ(mesh.flags(), MeshFlags::Normals);
    ASSERT_EQ(mesh.triangleCount(), 3);
    EXPECT_EQ(corners(mesh, 0), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(corners(mesh, 1), (std::vector<int>{0, 2, 3}));
    EXPECT_EQ(corners(mesh, 2), (std::vector<int>{0, 3, 4}));
    // (P1 - P0) x (Pk - P0) = (2,0,0) x (-1,2,0) = (0,0,4): the unit +z plane through the origin.
    EXPECT_EQ(mesh.triangles()[2].normal(), Vec3(0, 0, 1));
    EXPECT_FLOAT_EQ(mesh.triangles()[2].plane[3], 0.0f);
    ASSERT_NE(mesh.triangles()[0].shader.get(), nullptr);
    EXPECT_EQ(mesh.triangles()[0].shader->getName(), "Stone");
    EXPECT_EQ(mesh.triangles()[1].shader.get(), mesh.triangles()[0].shader.get());
    EXPECT_EQ(mesh.vertices()[3].normal, Vec3(0, 0, 1));
    EXPECT_EQ(mesh.vertices()[3].colour[0], 255);  // no colour map: white
    EXPECT_EQ(mesh.bounds().min, Vec3(-1, 0, 0));
    EXPECT_EQ(mesh.bounds().max, Vec3(3, 3, 0));
}

TEST_F(ObjectMeshTest, SurfacesUseRegisteredShadersAndRegisterTheMissingOnes) {
    Shader* existing = addShader("Stone");
    LwoData chunks;
    chunks.chunk("TAGS", test::tagsChunk({"Stone", "Moss", "Unused"}))
        .chunk("LAYR", test::layerChunk(0))
        .chunk("PNTS", test::pointsChunk(kPentagon))
        .chunk("POLS", test::polygonsChunk({{0, 1, 2}, {0, 2, 3}, {0, 3, 4}}))
        .chunk("PTAG", test::polygonTagsChunk({{0, 0}, {1, 1}}))
        .chunk("SURF", test::surfaceChunk("Unused"));
    Mesh mesh;
    ASSERT_TRUE(convert(chunks, mesh));
    EXPECT_EQ(mesh.triangles()[0].shader.get(), existing);
    ASSERT_NE(mesh.triangles()[1].shader.get(), nullptr);
    EXPECT_EQ(mesh.triangles()[1].shader->getName(), "Moss");
    EXPECT_EQ(mesh.triangles()[2].shader.get(), nullptr);  // an untagged polygon
    ASSERT_EQ(shaders.shaders().size(), 3u);                 // Stone, plus Unused and Moss registered empty
    EXPECT_TRUE(shaders.shaders()[1]->states().empty());
}

TEST_F(ObjectMeshTest, ImageBlocksFillTextureSetsInChannelOrderWithNegatedCoordinates) {
    ImageBlock diffuse;
    diffuse.channel = "DIFF";
    diffuse.uvMap = "second";
    ImageBlock colour;
    colour.channel = "COLR";
    colour.uvMap = "first";
    ImageBlock bump;  // a channel that feeds no set
    bump.channel = "BUMP";
    bump.uvMap = "first";
    LwoData chunks;
    chunks.chunk("TAGS", test::tagsChunk({"Skin"}))
        .chunk("LAYR", test::layerChunk(0))
        .chunk("PNTS", test::pointsChunk({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {5, 5, 5}}))
        .chunk("VMAP", test::mapChunk("TXUV", 2, "first", {{0, {0.1f, 0.2f}}, {1, {0.3f, 0.4f}}, {2, {0.5f, 0.6f}}}))
        .chunk("VMAP", test::mapChunk("TXUV", 2, "second", {{0, {1, 2}}, {2, {5, 6}}}))
        .chunk("POLS", test::polygonsChunk({{0, 1, 2}}))
        .chunk("PTAG", test::polygonTagsChunk({{0, 0}}))
        .chunk("SURF", test::surfaceChunk("Skin", {diffuse, bump, colour}));
    Mesh mesh;
    ASSERT_TRUE(convert(chunks, mesh));
    EXPECT_EQ(mesh.flags(), MeshFlags::Normals | MeshFlags::TexCoords0 | MeshFlags::TexCoords1);
    EXPECT_FLOAT_EQ(mesh.texCoords(0)[1].u, -0.3f);  // set 0: COLR's map
    EXPECT_FLOAT_EQ(mesh.texCoords(0)[1].v, -0.4f);
    EXPECT_FLOAT_EQ(mesh.texCoords(1)[2].u, -5.0f);  // set 1: DIFF's map
    EXPECT_FLOAT_EQ(mesh.texCoords(1)[1].u, 0.0f);   // no entry for point 1: zero
    EXPECT_FLOAT_EQ(mesh.texCoords(0)[3].u, 0.0f);   // a point of no polygon keeps zero
}

TEST_F(ObjectMeshTest, MoreThanFourBlocksStillGiveFourSets) {
    std::vector<ImageBlock> blocks;
    for (const char* channel : {"COLR", "DIFF", "LUMI", "SPEC", "COLR"}) {
        ImageBlock block;
        block.channel = channel;
        block.uvMap = "uv";
        blocks.push_back(block);
    }
    LwoData chunks;
    chunks.chunk("TAGS", test::tagsChunk({"Layered"}))
        .chunk("LAYR", test::layerChunk(0))
        .chunk("PNTS", test::pointsChunk({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}}))
        .chunk("VMAP", test::mapChunk("TXUV", 2, "uv", {{0, {0.5f, 0.5f}}, {1, {1, 1}}, {2, {0.25f, 1}}}))
        .chunk("POLS", test::polygonsChunk({{0, 1, 2}}))
        .chunk("PTAG", test::polygonTagsChunk({{0, 0}}))
        .chunk("SURF", test::surfaceChunk("Layered", blocks));
    Mesh mesh;
    ASSERT_TRUE(convert(chunks, mesh));
    EXPECT_EQ(mesh.texCoordSetCount(), 4);
    for (int set = 0; set < 4; ++set) EXPECT_FLOAT_EQ(mesh.texCoords(set)[2].u, -0.25f) << set;
}

TEST_F(ObjectMeshTest, WithoutATexturePointMapNoSetIsMade) {
    ImageBlock colour;
    colour.uvMap = "missing";
    LwoData chunks;
    chunks.chunk("TAGS", test::tagsChunk({"Skin"}))
        .chunk("LAYR", test::layerChunk(0))
        .chunk("PNTS", test::pointsChunk({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}}))
        .chunk("POLS", test::polygonsChunk({{0, 1, 2}}))
        .chunk("PTAG", test::polygonTagsChunk({{0, 0}}))
        .chunk("SURF", test::surfaceChunk("Skin", {colour}));
    Mesh mesh;
    ASSERT_TRUE(convert(chunks, mesh));
    EXPECT_EQ(mesh.flags(), MeshFlags::Normals);
}

TEST_F(ObjectMeshTest, ColourMapsGiveVertexColours) {
    LwoData rgb;
    rgb.chunk("LAYR", test::layerChunk(0))
        .chunk("PNTS", test::pointsChunk({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}}))
        .chunk("VMAP", test::mapChunk("RGBA", 4, "alpha", {{0, {0, 0, 1, 0.5f}}}))
        .chunk("VMAP", test::mapChunk("RGB ", 3, "paint", {{0, {1, 0.5f, 0.999f}}, {1, {2, -1, 0}}}))
        .chunk("POLS", test::polygonsChunk({{0, 1, 2}}));
    Mesh mesh;
    ASSERT_TRUE(convert(rgb, mesh));
    EXPECT_TRUE(mesh.has(MeshFlags::Colours));
    const std::uint8_t* c0 = mesh.vertices()[0].colour;
    EXPECT_EQ((std::array<int, 4>{c0[0], c0[1], c0[2], c0[3]}), (std::array<int, 4>{255, 127, 254, 255}));
    const std::uint8_t* c1 = mesh.vertices()[1].colour;
    EXPECT_EQ((std::array<int, 4>{c1[0], c1[1], c1[2], c1[3]}), (std::array<int, 4>{255, 0, 0, 255}));  // clamped
    EXPECT_EQ(mesh.vertices()[2].colour[1], 255);  // no entry: white

    LwoData rgbaOnly;
    rgbaOnly.chunk("PNTS", test::pointsChunk({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}}))
        .chunk("VMAP", test::mapChunk("RGBA", 4, "alpha", {{1, {0, 0.5f, 1, 0.25f}}}))
        .chunk("POLS", test::polygonsChunk({{0, 1, 2}}));
    Mesh withAlpha;
    ASSERT_TRUE(convert(rgbaOnly, withAlpha));
    const std::uint8_t* a1 = withAlpha.vertices()[1].colour;
    EXPECT_EQ((std::array<int, 4>{a1[0], a1[1], a1[2], a1[3]}), (std::array<int, 4>{0, 127, 255, 63}));
}

TEST_F(ObjectMeshTest, DiscontinuousCoordinatesBelongToTheirCornerAndAreLogged) {
    ImageBlock colour;
    colour.uvMap = "uv";
    LwoData chunks;
    chunks.chunk("TAGS", test::tagsChunk({"Skin"}))
        .chunk("LAYR", test::layerChunk(0))
        .chunk("PNTS", test::pointsChunk({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {2, 0, 0}}))
        .chunk("VMAP", test::mapChunk("TXUV", 2, "uv", {{0, {0, 0}}, {1, {0.5f, 0}}, {2, {0.5f, 1}}, {3, {1, 0}}}))
        .chunk("POLS", test::polygonsChunk({{0, 1, 2}, {1, 3, 2}}))
        .chunk("PTAG", test::polygonTagsChunk({{0, 0}, {1, 0}}))
        .chunk("VMAD", test::mapChunk("TXUV", 2, "uv", {{1, {0.25f, 0}, 0}, {1, {0.75f, 0.125f}, 1}}))
        .chunk("SURF", test::surfaceChunk("Skin", {colour}));
    Mesh mesh;
    ASSERT_TRUE(convert(chunks, mesh));
    ASSERT_EQ(mesh.vertexCount(), 5);  // point 1 split for the second triangle
    EXPECT_EQ(corners(mesh, 1), (std::vector<int>{4, 3, 2}));
    EXPECT_FLOAT_EQ(mesh.texCoords(0)[1].u, -0.25f);
    EXPECT_FLOAT_EQ(mesh.texCoords(0)[4].u, -0.75f);
    EXPECT_FLOAT_EQ(mesh.texCoords(0)[4].v, -0.125f);
    EXPECT_FLOAT_EQ(mesh.texCoords(0)[3].u, -1.0f);
    EXPECT_EQ(mesh.vertices()[4].position, Vec3(1, 0, 0));
    EXPECT_EQ(logText(), "\tFile \"object\"\n\t\tVMAD \"uv\" dim 2\n");
}

TEST_F(ObjectMeshTest, LayersFollowOneAnotherInTheVertexArray) {
    LwoData chunks;
    chunks.chunk("LAYR", test::layerChunk(0))
        .chunk("PNTS", test::pointsChunk({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}}))
        .chunk("POLS", test::polygonsChunk({{0, 1, 2}}))
        .chunk("LAYR", test::layerChunk(1))
        .chunk("PNTS", test::pointsChunk({{0, 0, 5}, {1, 0, 5}, {1, 1, 5}, {0, 1, 5}}))
        .chunk("POLS", test::polygonsChunk({{0, 1, 2, 3}}));
    Mesh mesh;
    ASSERT_TRUE(convert(chunks, mesh));
    EXPECT_EQ(mesh.vertexCount(), 7);
    ASSERT_EQ(mesh.triangleCount(), 3);
    EXPECT_EQ(corners(mesh, 1), (std::vector<int>{3, 4, 5}));
    EXPECT_EQ(corners(mesh, 2), (std::vector<int>{3, 5, 6}));
    EXPECT_FLOAT_EQ(mesh.triangles()[2].plane[3], -5.0f);
}

TEST_F(ObjectMeshTest, NothingToConvertFails) {
    Mesh mesh;
    EXPECT_FALSE(convertObject(nullptr, &mesh));
    LwoObject empty;
    EXPECT_FALSE(convertObject(&empty, nullptr));
    LwoData noPolygons;
    noPolygons.chunk("PNTS", test::pointsChunk({{0, 0, 0}}));
    EXPECT_FALSE(convert(noPolygons, mesh));
    ObjectMeshLoader loader;
    EXPECT_EQ(loader.extension(), "lwo");
    const std::uint8_t junk[] = {'F', 'O', 'R', 'M', 0, 0, 0, 4, 'L', 'W', 'O', 'B'};
    Mesh other;
    EXPECT_FALSE(loader.loadFromMemory(junk, sizeof junk, other));
    EXPECT_FALSE(loader.lastError().empty());
}

}  // namespace
}  // namespace qv3rn
