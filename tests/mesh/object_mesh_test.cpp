// object_mesh_test.cpp -- Tests of converting LightWave objects into engine meshes: fans, shaders by surface,
// texture sets by channel, vertex colours and discontinuous coordinates.
#include <gtest/gtest.h>

#include "import/lwo_writer.h"
#include "mesh/object_mesh_loader.h"
#include "mesh_test_support.h"

namespace qv3rn {
namespace {

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

ImageBlock block(const char* channel, const std::string& uvMap) {
    ImageBlock b;
    b.channel = channel;
    b.uvMap = uvMap;
    return b;
}

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
const std::vector<Vec3> kTriangle = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}};

TEST_F(ObjectMeshTest, APentagonBecomesAFanWithThePolygonsPlaneAndSurfaceShader) {
    Mesh mesh;
    ASSERT_TRUE(convert(skin(kPentagon, {{0, 1, 2, 3, 4}}), mesh));
    EXPECT_EQ(mesh.flags(), MeshFlags::Normals);
    ASSERT_EQ(mesh.triangleCount(), 3);
    EXPECT_EQ(corners(mesh, 2), (std::vector<int>{0, 3, 4}));
    // (P1 - P0) x (Pk - P0) = (2,0,0) x (-1,2,0) = (0,0,4): the unit +z plane through the origin.
    EXPECT_EQ(mesh.triangles()[2].normal(), Vec3(0, 0, 1));
    EXPECT_FLOAT_EQ(mesh.triangles()[2].plane[3], 0.0f);
    ASSERT_NE(mesh.triangles()[1].shader.get(), nullptr);
    EXPECT_EQ(mesh.triangles()[1].shader->getName(), "Skin");
    EXPECT_EQ(mesh.vertices()[3].normal, Vec3(0, 0, 1));
    EXPECT_EQ(mesh.vertices()[3].colour[0], 255);  // no colour map: white
    EXPECT_EQ(mesh.bounds().min, Vec3(-1, 0, 0));
}

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

    std::vector<ImageBlock> five;  // more than four blocks still give four sets
    const std::string channels[] = {lwoIdText(colourChannel), lwoIdText(diffuseChannel), lwoIdText(luminosityChannel),
                                    lwoIdText(specularChannel), lwoIdText(colourChannel)};
    for (const std::string& channel : channels) five.push_back(block(channel.c_str(), "uv"));
    Mesh layered;
    ASSERT_TRUE(convert(
        skin(kTriangle, {{0, 1, 2}}, five, {{"VMAP", test::mapChunk("TXUV", 2, "uv", {{2, {0.25f, 1}}})}}), layered));
    EXPECT_EQ(layered.texCoordSetCount(), 4);
    for (int set = 0; set < 4; ++set) EXPECT_FLOAT_EQ(layered.texCoords(set)[2].u, -0.25f) << set;

    Mesh unmapped;  // without a texture point map no set is made
    ASSERT_TRUE(convert(skin(kTriangle, {{0, 1, 2}}, {block("COLR", "missing")}), unmapped));
    EXPECT_EQ(unmapped.flags(), MeshFlags::Normals);
}

TEST_F(ObjectMeshTest, ColourMapsGiveVertexColours) {
    auto colours = [&](const std::vector<std::pair<const char*, LwoData>>& maps) {
        Mesh mesh;
        EXPECT_TRUE(convert(skin(kTriangle, {{0, 1, 2}}, {}, maps), mesh));
        EXPECT_TRUE(mesh.has(MeshFlags::Colours));
        std::vector<std::array<int, 4>> result;
        for (const MeshVertex& v : mesh.vertices())
            result.push_back({v.colour[0], v.colour[1], v.colour[2], v.colour[3]});
        return result;
    };
    using C = std::vector<std::array<int, 4>>;
    // RGB wins over RGBA, components are clamped, points without an entry are white.
    EXPECT_EQ(colours({{"VMAP", test::mapChunk("RGBA", 4, "alpha", {{0, {0, 0, 1, 0.5f}}})},
                       {"VMAP", test::mapChunk("RGB ", 3, "paint", {{0, {1, 0.5f, 0.999f}}, {1, {2, -1, 0}}})}}),
              (C{{255, 127, 254, 255}, {255, 0, 0, 255}, {255, 255, 255, 255}}));
    EXPECT_EQ(colours({{"VMAP", test::mapChunk("RGBA", 4, "alpha", {{1, {0, 0.5f, 1, 0.25f}}})}})[1],
              (std::array<int, 4>{0, 127, 255, 63}));
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
    Mesh fan;  // the triangles of one polygon share its corner with the discontinuous entry
    ASSERT_TRUE(convert(skin({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, {{0, 1, 2, 3}}, {},
                             {{"VMAD", test::mapChunk("TXUV", 2, "uv", {{0, {0.25f, 0.5f}, 0}})}}),
                        fan));
    EXPECT_EQ(fan.vertexCount(), 4);
}

TEST_F(ObjectMeshTest, LayersFollowOneAnotherInTheVertexArray) {
    LwoData chunks = skin(kTriangle, {{0, 1, 2}});
    chunks.chunk("LAYR", test::layerChunk(1))
        .chunk("PNTS", test::pointsChunk({{0, 0, 5}, {1, 0, 5}, {1, 1, 5}, {0, 1, 5}}))
        .chunk("POLS", test::polygonsChunk({{0, 1, 2, 3}}));
    Mesh mesh;
    ASSERT_TRUE(convert(chunks, mesh));
    EXPECT_EQ(mesh.vertexCount(), 7);
    EXPECT_EQ(corners(mesh, 2), (std::vector<int>{3, 5, 6}));
    EXPECT_FLOAT_EQ(mesh.triangles()[2].plane[3], -5.0f);
}

TEST_F(ObjectMeshTest, NothingToConvertFails) {
    Mesh mesh;
    EXPECT_FALSE(convertObject(nullptr, &mesh));
    LwoObject empty;
    EXPECT_FALSE(convertObject(&empty, nullptr));
    EXPECT_FALSE(convert(LwoData().chunk("PNTS", test::pointsChunk({{0, 0, 0}})), mesh));
    ObjectMeshLoader loader;
    const std::uint8_t junk[] = {'F', 'O', 'R', 'M', 0, 0, 0, 4, 'L', 'W', 'O', 'B'};
    EXPECT_FALSE(loader.loadFromMemory(junk, sizeof junk, mesh));
    EXPECT_FALSE(loader.lastError().empty());
}

}  // namespace
}  // namespace qv3rn
