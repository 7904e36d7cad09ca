// lwo_reader_test.cpp -- Tests of the object reader: chunks, post-processing and clean failure on damaged files,
// on objects that the tests write with their own minimal writer.
#include <gtest/gtest.h>

#include <fstream>

#include "import/lwo_object.h"
#include "import/lwo_writer.h"

namespace qv3rn {
namespace {

using test::ImageBlock;
using test::LwoData;
using Corners = std::vector<int>;

std::unique_ptr<LwoObject> read(const LwoData& chunks, std::string* error = nullptr, const char* type = "LWO2") {
    const std::vector<std::uint8_t> file = test::lwoFile(chunks, type);
    return loadObjectFromMemory("test", file.data(), file.size(), error);
}

// Nine points: a unit square (0-3) in the xy plane, four more (4-7) and one point used by nothing.
const std::vector<Vec3> kPoints = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {2, 0, 0},
                                   {3, 0, 0}, {3, 1, 0}, {2, 2, 0}, {9, 9, 9}};

// A layer of kPoints with the given polygons; the layer's own chunks may follow.
LwoData layer(const std::vector<Corners>& polygons) {
    LwoData chunks;
    chunks.chunk("LAYR", test::layerChunk(0)).chunk("PNTS", test::pointsChunk(kPoints));
    if (!polygons.empty()) chunks.chunk("POLS", test::polygonsChunk(polygons));
    return chunks;
}

TEST(LwoGeometry, PolygonsBecomeFansInPlaceWithNormalsFromTheFirstTwoAndTheLastCorner) {
    LwoData chunks = layer({{0, 3, 2, 1}, {4, 5, 6, 7, 3}, {0, 1}});
    auto object = read(chunks.chunk("BBOX", LwoData().vec({-100, -100, -100}).vec({100, 100, 100})));
    ASSERT_NE(object, nullptr);
    const LwoLayer& l = object->layers[0];
    ASSERT_EQ(l.polygons.size(), 6u);
    const Corners expected[] = {{0, 3, 2}, {0, 2, 1}, {4, 5, 6}, {4, 6, 7}, {4, 7, 3}, {0, 1}};
    // (P1 - P0) x (Pk - P0): (0,1,0) x (1,0,0) for the square, (1,0,0) x (-2,1,0) for the pentagon.
    const Vec3 normals[] = {{0, 0, -1}, {0, 0, -1}, {0, 0, 1}, {0, 0, 1}, {0, 0, 1}, {}};
    for (std::size_t p = 0; p < 6; ++p) {
        EXPECT_EQ(l.polygons[p].corners, expected[p]) << p;
        EXPECT_EQ(l.polygons[p].normal, normals[p]) << p;
    }
    EXPECT_EQ(l.points[0].normal, Vec3(0, 0, -1));  // the two-corner polygon adds nothing
    EXPECT_EQ(l.points[3].normal, Vec3());          // opposite normals cancel, and zero stays zero
    EXPECT_EQ(l.bounds.max, Vec3(9, 9, 9));  // recomputed from the points, whatever the file said
    std::vector<Vec3> many(0xFF02);  // corners above 0xFF00 take four bytes
    auto big = read(
        LwoData().chunk("PNTS", test::pointsChunk(many)).chunk("POLS", test::polygonsChunk({{0, 0xFF00, 0xFF01}})));
    ASSERT_NE(big, nullptr);
    EXPECT_EQ(big->layers[0].polygons[0].corners, (Corners{0, 0xFF00, 0xFF01}));
}

TEST(LwoSurfaces, TagsNameSurfacesWithTheirParametersImageBlocksClipsAndEnvelopes) {
    const ImageBlock diffuse{.channel = "DIFF", .projection = 0, .axis = 1, .centre = {1, 2, 3}, .size = {4, 5, 6}};
    LwoData chunks;
    chunks.chunk("TAGS", test::tagsChunk({"Metal", "Glass"}))
        .raw(layer({{0, 1, 2}, {4, 5, 6}}).bytes)
        .chunk("PTAG", test::polygonTagsChunk({{0, 0}, {1, 1}}))
        .chunk("SURF", test::surfaceChunk("Metal", {ImageBlock{.uvMap = "uv"}, diffuse}))
        .chunk("CLIP", LwoData().u4(7).sub("STIL", LwoData().s0("images/wood.tga")))
        .chunk("ENVL", LwoData()
                           .vx(3)
                           .sub("POST", LwoData().u2(4))
                           .sub("KEY ", LwoData().f4(0).f4(1))
                           .sub("SPAN", LwoData().id("TCB ").f4(0.5f).f4(0).f4(0))
                           .sub("KEY ", LwoData().f4(2).f4(3))
                           .sub("NAME", LwoData().s0("Position.X")));
    auto object = read(chunks);
    ASSERT_NE(object, nullptr);
    ASSERT_EQ(object->surfaces.size(), 2u);
    const LwoSurface& metal = *object->surfaces[0];
    EXPECT_EQ(metal.colour.rgb, Vec3(0.5f, 0.25f, 1.0f));
    ASSERT_EQ(metal.textures.size(), 2u);
    EXPECT_EQ(metal.textures[0].pointMap, "uv");
    const LwoTexture& planar = metal.textures[1];
    EXPECT_EQ(planar.channel, lwoId("DIFF"));
    EXPECT_EQ(planar.axis, 2);
    // "Glass" has a tag but no surface chunk: it gets a default surface of that name.
    EXPECT_EQ(object->surfaces[1]->name, "Glass");
    EXPECT_EQ(object->layers[0].polygons[1].surface, object->surfaces[1].get());
    EXPECT_EQ(object->clips.at(0).stillImage, "images/wood.tga");
    const LwoEnvelope& e = object->envelopes.at(0);
    EXPECT_EQ(e.name, "Position.X");
    ASSERT_EQ(e.keys.size(), 2u);
    EXPECT_FLOAT_EQ(e.keys[1].value, 3);
    EXPECT_EQ(e.keys[0].spanType, lwoId("TCB "));
}

TEST(LwoSurfaces, ShortSubChunksThatNothingUsesAreSkippedAndUsedOnesRefusedByName) {
    // extra: sub-chunks added to the image block; error nullptr: the object loads
    const struct { LwoData extra; const char* error; } cases[] = {
        {LwoData().sub("AAST", LwoData().u2(1)), nullptr},
        {LwoData().sub("AXIS", LwoData()), "sub-chunk BLOK: sub-chunk AXIS: a 16-bit value"},
        {LwoData().sub("TMAP", LwoData().sub("SIZE", LwoData().f4(1))),
         "sub-chunk TMAP: sub-chunk SIZE: a 32-bit value"},
    };
    for (const auto& c : cases) {
        ImageBlock block{.uvMap = "uv", .extra = c.extra};
        LwoData chunks;
        chunks.chunk("TAGS", test::tagsChunk({"Skin"})).raw(layer({{0, 1, 2}}).bytes);
        chunks.chunk("PTAG", test::polygonTagsChunk({{0, 0}})).chunk("SURF", test::surfaceChunk("Skin", {block}));
        std::string error;
        auto object = read(chunks, &error);
        EXPECT_EQ(object == nullptr, c.error != nullptr) << error;
        EXPECT_NE(error.find(c.error ? c.error : ""), std::string::npos) << error;
        EXPECT_TRUE(!object || object->surfaces[0]->textures.at(0).pointMap == "uv");  // the block read on
    }
}

TEST(LwoGeneratedCoordinates, SphericalAlongYGivesHeadingAndPitchAndOnlyTheFirstProjectedBlockGetsAMap) {
    const ImageBlock uv{.uvMap = "uv"}, spherical{.projection = 2, .axis = 1}, planar{.projection = 0};
    LwoData chunks;
    chunks.chunk("TAGS", test::tagsChunk({"Ball", "Other"}))
        .chunk("PNTS", test::pointsChunk({{0, 0, -1}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {-1, 1, 0}, {5, 5, 5}}))
        .chunk("VMAP", test::mapChunk("TXUV", 2, "uv", {{0, {0, 0}}}))
        .chunk("POLS", test::polygonsChunk({{0, 1, 2, 3}, {0, 1, 5}}))
        .chunk("PTAG", test::polygonTagsChunk({{0, 0}, {1, 1}}))
        .chunk("SURF", test::surfaceChunk("Ball", {uv, spherical, planar}));
    auto object = read(chunks);
    ASSERT_NE(object, nullptr);
    const LwoSurface& ball = *object->surfaces[0];
    EXPECT_EQ(ball.textures[1].pointMap, "sphere_uv_2");
    EXPECT_EQ(ball.textures[2].pointMap, "");
    const LwoVMap* map = findPointMap(*object, "sphere_uv_2");
    ASSERT_NE(map, nullptr);
    const float expected[][3] = {
        {0, 1.0f, 0.5f},   // straight ahead: heading 0
        {1, 0.75f, 0.5f},  // +x: heading a quarter turn
        {3, 0.5f, 0.5f},   // the quad's fourth corner gets its coordinates too
        {5, 0, 0},         // only on the other surface's polygon
    };
    for (const auto& [point, u, v] : expected) {
        EXPECT_NEAR(map->value(int(point))[0], u, 1e-6) << point;
        EXPECT_NEAR(map->value(int(point))[1], v, 1e-6) << point;
    }
    EXPECT_NEAR(map->value(2)[1], 1.0f, 1e-6);  // the pole: pitch -pi/2 in the rearranged frame
}

// A whole object with every kind of chunk, for the truncation and file tests.
LwoData fullObject() {
    LwoData chunks;
    chunks.chunk("TAGS", test::tagsChunk({"Skin"}))
        .chunk("LAYR", test::layerChunk(0, "body"))
        .chunk("PNTS", test::pointsChunk(kPoints))
        .chunk("VMAP", test::mapChunk("TXUV", 2, "uv", {{0, {0, 0}}, {1, {1, 0}}}))
        .chunk("POLS", test::polygonsChunk({{0, 1, 2, 3}, {4, 5, 6, 7, 0}}))
        .chunk("PTAG", test::polygonTagsChunk({{0, 0}, {1, 0}}))
        .chunk("VMAD", test::mapChunk("TXUV", 2, "uv", {{0, {0.5f, 0.5f}, 1}}))
        .chunk("SURF", test::surfaceChunk("Skin", {ImageBlock{.uvMap = "uv"}, ImageBlock{.projection = 2}}))
        .chunk("SURF", test::surfaceChunk("Bark", {ImageBlock{.projection = 0}}));
    return chunks;
}

TEST(LwoFailures, DamagedFilesAndIndicesOutsideWhatTheyNameFailWithAReason) {
    const std::vector<Vec3> triangle = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}};
    auto withTriangle = [&](const char* id, const LwoData& data) {
        LwoData chunks;
        chunks.chunk("TAGS", test::tagsChunk({"a"})).chunk("PNTS", test::pointsChunk(triangle));
        return chunks.chunk("POLS", test::polygonsChunk({{0, 1, 2}})).chunk(id, data);
    };
    LwoData overBudget;  // 70 000 points and 240 projected surfaces: 16.8 million generated entries
    overBudget.chunk("PNTS", test::pointsChunk(std::vector<Vec3>(70000)));
    for (int s = 0; s < 240; ++s)
        overBudget.chunk("SURF", test::surfaceChunk("s" + std::to_string(s), {{.projection = 0}}));
    const std::pair<LwoData, const char*> cases[] = {
        {LwoData().chunk("PNTS", test::pointsChunk(kPoints), 12 * 100), "PNTS"},
        {LwoData().chunk("PNTS", LwoData().f4(1).f4(2)), "whole number of points"},
        {LwoData().chunk("PNTS", test::pointsChunk(triangle)).chunk("POLS", test::polygonsChunk({{0, 1, 3}})),
         "point 3 of 3"},
        {withTriangle("VMAP", test::mapChunk("TXUV", 2, "uv", {{5, {0, 0}}})), "point 5 of 3"},
        {LwoData()
             .chunk("PNTS", test::pointsChunk(kPoints))
             .chunk("POLS", test::polygonsChunk({{0, 1, 2, 3}}, "PTCH"))
             .chunk("PTAG", test::polygonTagsChunk({{0, 0}}))
             .chunk("VMAD", test::mapChunk("TXUV", 2, "uv", {{0, {0, 0}, 0}})),
         "the object has no polygons (its polygons are of type PTCH"},
        {overBudget, "generated texture coordinates"},
    };
    for (const auto& [chunks, message] : cases) {
        std::string error;
        EXPECT_EQ(read(chunks, &error), nullptr) << message;
        EXPECT_NE(error.find(message), std::string::npos) << error;
    }
    std::string error;
    EXPECT_EQ(read(layer({}), &error, "LWOB"), nullptr);  // only an LWO2 form is read
    EXPECT_NE(error.find("LWO2"), std::string::npos) << error;
    std::vector<std::uint8_t> file = test::lwoFile(fullObject());
    file[7] = static_cast<std::uint8_t>(file[7] + 2);  // a FORM that claims more than the file holds
    EXPECT_EQ(loadObjectFromMemory("long", file.data(), file.size()), nullptr);
    EXPECT_EQ(loadObjectFromMemory("x", nullptr, 0), nullptr);
}

TEST(LwoFailures, EveryTruncationFailsCleanlyAndTheWholeObjectIsReadFromDiskUnderItsPath) {
    const std::vector<std::uint8_t> file = test::lwoFile(fullObject());
    for (std::size_t length = 0; length < file.size(); ++length) {
        const std::vector<std::uint8_t> cut(file.begin(), file.begin() + static_cast<long>(length));
        EXPECT_EQ(loadObjectFromMemory("cut", cut.data(), cut.size()), nullptr) << "length " << length;
    }
    std::ofstream("reader_test.lwo", std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
    auto object = loadObject("reader_test.lwo");
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(object->name, "reader_test.lwo");
    EXPECT_EQ(object->layers[0].name, "body");
    EXPECT_EQ(object->polygonCount(), 5);
    freeObject(object);
    EXPECT_EQ(object, nullptr);
    std::string error;
    EXPECT_EQ(loadObject("no_such_object.lwo", &error), nullptr);
    EXPECT_NE(error.find("no_such_object.lwo"), std::string::npos);
}

}  // namespace
}  // namespace qv3rn
