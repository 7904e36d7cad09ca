// Tests of the object reader: chunks, post-processing and clean failure on damaged files, on objects that
// the tests write with their own minimal writer.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

#include "import/lwo_object.h"
#include "import/lwo_writer.h"

namespace qv3rn {
namespace {

using test::ImageBlock;
using test::LwoData;
using test::MapEntry;

std::unique_ptr<LwoObject> read(const LwoData& chunks, std::string* error = nullptr, const char* type = "LWO2") {
    const std::vector<std::uint8_t> file = test::lwoFile(chunks, type);
    return loadObjectFromMemory("test", file.data(), file.size(), error);
}

std::vector<int> corners(const LwoPolygon& polygon) { return polygon.corners; }

// Eight points: a unit square (0-3) in the xy plane, a pentagon (4-7 and 0), and one point used by nothing.
const std::vector<Vec3> kPoints = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {2, 0, 0},
                                   {3, 0, 0}, {3, 1, 0}, {2, 2, 0}, {9, 9, 9}};

TEST(LwoGeometry, PolygonsOfThreeToFiveCornersBecomeFansInPlace) {
    LwoData chunks;
    chunks.chunk("LAYR", test::layerChunk(0))
        .chunk("PNTS", test::pointsChunk(kPoints))
        .chunk("POLS", test::polygonsChunk({{0, 1, 2}, {0, 1, 2, 3}, {0, 4, 5, 6, 7}}));
    auto object = read(chunks);
    ASSERT_NE(object, nullptr);
    ASSERT_EQ(object->layers.size(), 1u);
    const LwoLayer& layer = object->layers[0];
    ASSERT_EQ(layer.polygons.size(), 6u);
    EXPECT_EQ(corners(layer.polygons[0]), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(corners(layer.polygons[1]), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(corners(layer.polygons[2]), (std::vector<int>{0, 2, 3}));
    EXPECT_EQ(corners(layer.polygons[3]), (std::vector<int>{0, 4, 5}));
    EXPECT_EQ(corners(layer.polygons[4]), (std::vector<int>{0, 5, 6}));
    EXPECT_EQ(corners(layer.polygons[5]), (std::vector<int>{0, 6, 7}));
}

TEST(LwoGeometry, NormalsFollowTheFirstTwoAndTheLastCorner) {
    LwoData chunks;
    // Corners 0, 3, 2, 1: (P1 - P0) x (Pk - P0) = (0,1,0) x (1,0,0) = (0,0,-1).
    chunks.chunk("LAYR", test::layerChunk(0))
        .chunk("PNTS", test::pointsChunk(kPoints))
        .chunk("POLS", test::polygonsChunk({{0, 3, 2, 1}, {4, 5, 6}, {0, 1}}));
    auto object = read(chunks);
    ASSERT_NE(object, nullptr);
    const LwoLayer& layer = object->layers[0];
    ASSERT_EQ(layer.polygons.size(), 4u);
    EXPECT_EQ(layer.polygons[0].normal, Vec3(0, 0, -1));
    EXPECT_EQ(layer.polygons[1].normal, Vec3(0, 0, -1));  // the quad's second triangle keeps its normal
    EXPECT_EQ(layer.polygons[2].normal, Vec3(0, 0, 1));
    EXPECT_EQ(layer.polygons[3].normal, Vec3());          // two corners: no normal
    // Point 0 is used by the quad only (the two-corner polygon contributes zero): its normal is the quad's.
    EXPECT_EQ(layer.points[0].normal, Vec3(0, 0, -1));
    // Point 4 lies on the triangle only; point 8 on nothing and keeps a zero normal.
    EXPECT_EQ(layer.points[4].normal, Vec3(0, 0, 1));
    EXPECT_EQ(layer.points[8].normal, Vec3());
    EXPECT_TRUE(layer.points[8].polygons.empty());
    // Point 1 is shared by both triangles of the quad and by the two-corner polygon.
    EXPECT_EQ(layer.points[1].polygons.size(), 2u);
}

TEST(LwoGeometry, BoundingBoxIsRecomputedFromThePoints) {
    LwoData chunks;
    LwoData box;
    box.vec({-100, -100, -100}).vec({100, 100, 100});
    chunks.chunk("LAYR", test::layerChunk(0)).chunk("PNTS", test::pointsChunk(kPoints)).chunk("BBOX", box);
    auto object = read(chunks);
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(object->layers[0].bounds.min, Vec3(0, 0, 0));
    EXPECT_EQ(object->layers[0].bounds.max, Vec3(9, 9, 9));

    LwoData single;
    single.chunk("LAYR", test::layerChunk(0)).chunk("PNTS", test::pointsChunk({{1, 2, 3}}));
    auto one = read(single);
    ASSERT_NE(one, nullptr);
    EXPECT_EQ(one->layers[0].bounds.min, Vec3(1, 2, 3));
    EXPECT_EQ(one->layers[0].bounds.max, Vec3(1, 2, 3));
}

TEST(LwoGeometry, PolygonChunksOfOtherTypesContributeNothingAndTheirTagsAreSkipped) {
    LwoData chunks;
    chunks.chunk("TAGS", test::tagsChunk({"Skin", "Patch"}))
        .chunk("LAYR", test::layerChunk(0))
        .chunk("PNTS", test::pointsChunk(kPoints))
        .chunk("POLS", test::polygonsChunk({{0, 1, 2}, {4, 5, 6}}))
        .chunk("PTAG", test::polygonTagsChunk({{1, 0}}))
        .chunk("POLS", test::polygonsChunk({{0, 1, 2, 3}}, "PTCH"))
        .chunk("PTAG", test::polygonTagsChunk({{0, 1}}))
        .chunk("POLS", test::polygonsChunk({{1, 2, 3}}))
        .chunk("PTAG", test::polygonTagsChunk({{0, 0}}));  // the first polygon of the latest FACE chunk
    auto object = read(chunks);
    ASSERT_NE(object, nullptr);
    const LwoLayer& layer = object->layers[0];
    ASSERT_EQ(layer.polygons.size(), 3u);
    EXPECT_EQ(layer.polygons[0].surface, nullptr);
    ASSERT_NE(layer.polygons[1].surface, nullptr);
    EXPECT_EQ(layer.polygons[1].surface->name, "Skin");
    ASSERT_NE(layer.polygons[2].surface, nullptr);
    EXPECT_EQ(layer.polygons[2].surface->name, "Skin");
    EXPECT_EQ(object->findSurface("Patch"), nullptr);  // only named by a skipped tag chunk
}

TEST(LwoGeometry, PolygonsWithMoreThanTwoByteIndicesAreRead) {
    std::vector<Vec3> many(0xFF02);
    for (std::size_t i = 0; i < many.size(); ++i) many[i] = {static_cast<float>(i), 0, 0};
    LwoData chunks;
    chunks.chunk("LAYR", test::layerChunk(0))
        .chunk("PNTS", test::pointsChunk(many))
        .chunk("POLS", test::polygonsChunk({{0, 0xFF00, 0xFF01}}));
    auto object = read(chunks);
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(corners(object->layers[0].polygons[0]), (std::vector<int>{0, 0xFF00, 0xFF01}));
}

TEST(LwoSurfaces, TagsNameSurfacesWithTheirParametersAndImageBlocks) {
    ImageBlock colour;
    colour.uvMap = "uv";
    ImageBlock diffuse;
    diffuse.channel = "DIFF";
    diffuse.projection = 0;
    diffuse.axis = 1;
    diffuse.centre = {1, 2, 3};
    diffuse.size = {4, 5, 6};
    LwoData chunks;
    chunks.chunk("TAGS", test::tagsChunk({"Metal", "Glass"}))
        .chunk("LAYR", test::layerChunk(0))
        .chunk("PNTS", test::pointsChunk(kPoints))
        .chunk("POLS", test::polygonsChunk({{0, 1, 2}, {4, 5, 6}}))
        .chunk("PTAG", test::polygonTagsChunk({{0, 0}, {1, 1}}))
        .chunk("SURF", test::surfaceChunk("Metal", {colour, diffuse}));
    auto object = read(chunks);
    ASSERT_NE(object, nullptr);
    ASSERT_EQ(object->surfaces.size(), 2u);
    const LwoSurface& metal = *object->surfaces[0];
    EXPECT_EQ(metal.name, "Metal");
    EXPECT_EQ(metal.colour.rgb, Vec3(0.5f, 0.25f, 1.0f));
    EXPECT_FLOAT_EQ(metal.diffuse.value, 0.75f);
    EXPECT_EQ(metal.sidedness, 3);
    EXPECT_FLOAT_EQ(metal.smoothingAngle, 1.5f);
    ASSERT_EQ(metal.textures.size(), 2u);
    EXPECT_EQ(metal.textures[0].type, LwoTextureType::Image);
    EXPECT_EQ(metal.textures[0].channel, lwoId("COLR"));
    EXPECT_EQ(metal.textures[0].projection, LwoProjection::UV);
    EXPECT_EQ(metal.textures[0].pointMap, "uv");
    EXPECT_EQ(metal.textures[0].axis, 3);
    EXPECT_EQ(metal.textures[1].channel, lwoId("DIFF"));
    EXPECT_EQ(metal.textures[1].projection, LwoProjection::Planar);
    EXPECT_EQ(metal.textures[1].axis, 2);
    EXPECT_EQ(metal.textures[1].mapping.centre, Vec3(1, 2, 3));
    EXPECT_EQ(metal.textures[1].mapping.size, Vec3(4, 5, 6));
    EXPECT_EQ(metal.textures[1].clip, 1);
    // "Glass" has a tag but no surface chunk: it gets a default surface of that name.
    EXPECT_EQ(object->surfaces[1]->name, "Glass");
    EXPECT_EQ(object->layers[0].polygons[0].surface, &metal);
    EXPECT_EQ(object->layers[0].polygons[1].surface, object->surfaces[1].get());
}

TEST(LwoSurfaces, ClipsAndEnvelopesAreRead) {
    LwoData clip;
    clip.u4(7).sub("STIL", LwoData().s0("images/wood.tga")).sub("BRIT", LwoData().f4(0.5f).vx(0));
    LwoData envelope;
    envelope.vx(3)
        .sub("TYPE", LwoData().u2(0x0002))
        .sub("PRE ", LwoData().u2(1))
        .sub("POST", LwoData().u2(4))
        .sub("KEY ", LwoData().f4(0).f4(1))
        .sub("SPAN", LwoData().id("TCB ").f4(0.5f).f4(0).f4(0))
        .sub("KEY ", LwoData().f4(2).f4(3))
        .sub("SPAN", LwoData().id("BEZ2").f4(1).f4(2).f4(3).f4(4))
        .sub("NAME", LwoData().s0("Position.X"));
    LwoData chunks;
    chunks.chunk("CLIP", clip).chunk("ENVL", envelope);
    auto object = read(chunks);
    ASSERT_NE(object, nullptr);
    ASSERT_EQ(object->clips.size(), 1u);
    EXPECT_EQ(object->clips[0].index, 7);
    EXPECT_EQ(object->clips[0].stillImage, "images/wood.tga");
    ASSERT_EQ(object->envelopes.size(), 1u);
    const LwoEnvelope& e = object->envelopes[0];
    EXPECT_EQ(e.index, 3);
    EXPECT_EQ(e.postBehaviour, 4);
    EXPECT_EQ(e.name, "Position.X");
    ASSERT_EQ(e.keys.size(), 2u);
    EXPECT_FLOAT_EQ(e.keys[1].time, 2);
    EXPECT_FLOAT_EQ(e.keys[1].value, 3);
    EXPECT_EQ(e.keys[0].spanType, lwoId("TCB "));
    EXPECT_EQ(e.keys[1].spanType, lwoId("BEZ2"));
    EXPECT_EQ(e.keys[1].parameters, (std::vector<float>{1, 2, 3, 4}));
}

TEST(LwoMaps, PointMapsFillTheTypeSlotsWithTheLastMapOfEachType) {
    LwoData chunks;
    chunks.chunk("LAYR", test::layerChunk(0))
        .chunk("PNTS", test::pointsChunk(kPoints))
        .chunk("VMAP", test::mapChunk("TXUV", 2, "first", {{0, {0.5f, 0.25f}}, {2, {1, 1}}}))
        .chunk("VMAP", test::mapChunk("RGB ", 3, "paint", {{1, {1, 0, 0}}}))
        .chunk("VMAP", test::mapChunk("TXUV", 2, "second", {{3, {0, 1}}}))
        .chunk("POLS", test::polygonsChunk({{0, 1, 2}}));
    auto object = read(chunks);
    ASSERT_NE(object, nullptr);
    const LwoLayer& layer = object->layers[0];
    ASSERT_NE(layer.slot(SlotTexture), nullptr);
    EXPECT_EQ(layer.slot(SlotTexture)->name, "second");
    ASSERT_NE(layer.slot(SlotRgb), nullptr);
    EXPECT_EQ(layer.slot(SlotRgb)->name, "paint");
    EXPECT_EQ(layer.slot(SlotRgba), nullptr);
    EXPECT_EQ(layer.slot(SlotWeight), nullptr);

    const LwoVMap* first = findPointMap(*object, "first");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->dimension, 2);
    EXPECT_EQ(first->points, (std::vector<int>{0, 2}));
    EXPECT_FLOAT_EQ(first->value(0)[1], 0.25f);
    EXPECT_EQ(first->entryOfPoint(2), 1);
    EXPECT_EQ(first->entryOfPoint(1), -1);
    EXPECT_EQ(findPointMap(*object, "First"), nullptr);  // exact, case-sensitive
    EXPECT_EQ(findPointMap(*object, "firs"), nullptr);
}

// Two triangles sharing points 1 and 2; both carry a discontinuous UV for point 1.
LwoData twoTrianglesWithDiscontinuousPoint() {
    LwoData chunks;
    chunks.chunk("LAYR", test::layerChunk(0))
        .chunk("PNTS", test::pointsChunk({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {2, 0, 0}}))
        .chunk("VMAP", test::mapChunk("TXUV", 2, "uv", {{0, {0, 0}}, {1, {0.5f, 0}}, {2, {0.5f, 1}}, {3, {1, 0}}}))
        .chunk("POLS", test::polygonsChunk({{0, 1, 2}, {1, 3, 2}}))
        .chunk("VMAD", test::mapChunk("TXUV", 2, "uv", {{1, {0.25f, 0}, 0}, {1, {0.75f, 0}, 1}}));
    return chunks;
}

TEST(LwoMaps, DiscontinuousPointsAreSplitTheFirstCornerKeepsThePoint) {
    auto object = read(twoTrianglesWithDiscontinuousPoint());
    ASSERT_NE(object, nullptr);
    const LwoLayer& layer = object->layers[0];
    ASSERT_EQ(layer.points.size(), 5u);
    EXPECT_EQ(corners(layer.polygons[0]), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(corners(layer.polygons[1]), (std::vector<int>{4, 3, 2}));
    EXPECT_EQ(layer.points[4].position, layer.points[1].position);
    EXPECT_EQ(layer.points[4].normal, layer.points[1].normal);
    EXPECT_EQ(layer.points[4].polygons, (std::vector<int>{1}));
    EXPECT_EQ(layer.points[1].polygons, (std::vector<int>{0}));
    const LwoVMap& vmad = layer.discontinuousMaps.at(0);
    EXPECT_EQ(vmad.points, (std::vector<int>{1, 4}));  // the second entry follows its corner to the copy
    ASSERT_EQ(layer.polygons[1].cornerMaps[0].size(), 1u);
    EXPECT_EQ(layer.polygons[1].cornerMaps[0][0].entry, 1);
    EXPECT_TRUE(layer.polygons[1].cornerMaps[2].empty());
}

TEST(LwoMaps, TheFanOfOnePolygonSharesItsDiscontinuousCorner) {
    LwoData chunks;
    chunks.chunk("LAYR", test::layerChunk(0))
        .chunk("PNTS", test::pointsChunk({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}))
        .chunk("POLS", test::polygonsChunk({{0, 1, 2, 3}}))
        .chunk("VMAD", test::mapChunk("TXUV", 2, "uv", {{0, {0.25f, 0.5f}, 0}}));
    auto object = read(chunks);
    ASSERT_NE(object, nullptr);
    const LwoLayer& layer = object->layers[0];
    EXPECT_EQ(layer.points.size(), 4u);
    ASSERT_EQ(layer.polygons.size(), 2u);
    EXPECT_EQ(layer.polygons[0].corners[0], 0);
    EXPECT_EQ(layer.polygons[1].corners[0], 0);
    EXPECT_EQ(layer.discontinuousMaps[0].points[0], 0);
}

TEST(LwoGeneratedCoordinates, PlanarAlongYTakesUFromXAndVFromZ) {
    ImageBlock planar;
    planar.projection = 0;  // planar
    planar.axis = 1;        // Y
    planar.centre = {1, 0, 0};
    planar.size = {2, 4, 8};
    LwoData chunks;
    chunks.chunk("TAGS", test::tagsChunk({"Floor"}))
        .chunk("LAYR", test::layerChunk(0))
        .chunk("PNTS", test::pointsChunk({{0, 5, 0}, {2, 5, 4}, {1, -3, -2}}))
        .chunk("POLS", test::polygonsChunk({{0, 1, 2}}))
        .chunk("PTAG", test::polygonTagsChunk({{0, 0}}))
        .chunk("SURF", test::surfaceChunk("Floor", {planar}));
    auto object = read(chunks);
    ASSERT_NE(object, nullptr);
    const LwoLayer& layer = object->layers[0];
    const LwoVMap* map = findPointMap(*object, "planar_uv_1");
    ASSERT_NE(map, nullptr);
    EXPECT_EQ(map->type, lwoId("TXUV"));
    EXPECT_EQ(map->dimension, 2);
    EXPECT_EQ(map->entryCount(), 3);
    EXPECT_EQ(object->surfaces[0]->textures[0].pointMap, "planar_uv_1");
    EXPECT_EQ(layer.slot(SlotTexture), map);
    // u = (x - 1) / 2 + 0.5, v = (z - 0) / 8 + 0.5
    EXPECT_FLOAT_EQ(map->value(0)[0], 0.0f);
    EXPECT_FLOAT_EQ(map->value(0)[1], 0.5f);
    EXPECT_FLOAT_EQ(map->value(1)[0], 1.0f);
    EXPECT_FLOAT_EQ(map->value(1)[1], 1.0f);
    EXPECT_FLOAT_EQ(map->value(2)[0], 0.5f);
    EXPECT_FLOAT_EQ(map->value(2)[1], 0.25f);
}

TEST(LwoGeneratedCoordinates, TheMapNumberCountsTheLayersMapsAndOnlyTheFirstProjectedBlockGetsOne) {
    ImageBlock uv;
    uv.uvMap = "uv";
    ImageBlock spherical;
    spherical.projection = 2;
    ImageBlock planar;
    planar.projection = 0;
    LwoData chunks;
    chunks.chunk("TAGS", test::tagsChunk({"Ball"}))
        .chunk("LAYR", test::layerChunk(0))
        .chunk("PNTS", test::pointsChunk(kPoints))
        .chunk("VMAP", test::mapChunk("TXUV", 2, "uv", {{0, {0, 0}}}))
        .chunk("VMAP", test::mapChunk("WGHT", 1, "weight", {{0, {1}}}))
        .chunk("POLS", test::polygonsChunk({{0, 1, 2}}))
        .chunk("PTAG", test::polygonTagsChunk({{0, 0}}))
        .chunk("SURF", test::surfaceChunk("Ball", {uv, spherical, planar}));
    auto object = read(chunks);
    ASSERT_NE(object, nullptr);
    const LwoSurface& ball = *object->surfaces[0];
    EXPECT_EQ(ball.textures[0].pointMap, "uv");
    EXPECT_EQ(ball.textures[1].pointMap, "sphere_uv_3");
    EXPECT_EQ(ball.textures[2].pointMap, "");
    EXPECT_EQ(object->layers[0].pointMaps.size(), 3u);
}

// The heading and pitch of a point seen from the centre, for a spherical projection along Y.
void expectSpherical(const LwoVMap& map, int point, float u, float v) {
    SCOPED_TRACE("point " + std::to_string(point));
    EXPECT_NEAR(map.value(point)[0], u, 1e-6);
    EXPECT_NEAR(map.value(point)[1], v, 1e-6);
}

TEST(LwoGeneratedCoordinates, SphericalAlongYGivesHeadingAndPitchForEveryCorner) {
    ImageBlock spherical;
    spherical.projection = 2;  // spherical
    spherical.axis = 1;        // Y
    spherical.centre = {0, 0, 0};
    LwoData chunks;
    chunks.chunk("TAGS", test::tagsChunk({"Ball", "Other"}))
        .chunk("LAYR", test::layerChunk(0))
        .chunk("PNTS", test::pointsChunk({{0, 0, -1}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {-1, 1, 0}, {5, 5, 5}}))
        .chunk("POLS", test::polygonsChunk({{0, 1, 2, 3}, {0, 1, 5}}))
        .chunk("PTAG", test::polygonTagsChunk({{0, 0}, {1, 1}}))
        .chunk("SURF", test::surfaceChunk("Ball", {spherical}));
    auto object = read(chunks);
    ASSERT_NE(object, nullptr);
    const LwoVMap* map = findPointMap(*object, "sphere_uv_1");
    ASSERT_NE(map, nullptr);
    expectSpherical(*map, 0, 1.0f, 0.5f);    // straight ahead: heading 0
    expectSpherical(*map, 1, 0.75f, 0.5f);   // +x: heading a quarter turn
    EXPECT_NEAR(map->value(2)[1], 1.0f, 1e-6);  // the pole: pitch -pi/2 in the rearranged frame
    expectSpherical(*map, 3, 0.5f, 0.5f);    // the quad's fourth corner gets its coordinates too
    expectSpherical(*map, 4, 0.0f, 0.0f);    // used by no polygon of the surface: untouched
    expectSpherical(*map, 5, 0.0f, 0.0f);    // only on the other surface's polygon
}

TEST(LwoGeneratedCoordinates, EveryLayerGetsItsOwnMapForTheBlock) {
    ImageBlock planar;
    planar.projection = 0;
    planar.axis = 2;
    LwoData chunks;
    chunks.chunk("TAGS", test::tagsChunk({"Wall"}))
        .chunk("LAYR", test::layerChunk(0))
        .chunk("PNTS", test::pointsChunk({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}}))
        .chunk("POLS", test::polygonsChunk({{0, 1, 2}}))
        .chunk("PTAG", test::polygonTagsChunk({{0, 0}}))
        .chunk("LAYR", test::layerChunk(1))
        .chunk("PNTS", test::pointsChunk({{0, 0, 0}, {0.5f, 0, 0}, {0.5f, 0.5f, 0}}))
        .chunk("VMAP", test::mapChunk("PICK", 0, "selection", {{0, {}}}))
        .chunk("POLS", test::polygonsChunk({{0, 1, 2}}))
        .chunk("PTAG", test::polygonTagsChunk({{0, 0}}))
        .chunk("SURF", test::surfaceChunk("Wall", {planar}));
    auto object = read(chunks);
    ASSERT_NE(object, nullptr);
    ASSERT_EQ(object->layers.size(), 2u);
    const LwoTexture& texture = object->surfaces[0]->textures[0];
    const LwoVMap* first = object->layers[0].textureMap(texture);
    const LwoVMap* second = object->layers[1].textureMap(texture);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(first->name, "planar_uv_1");
    EXPECT_EQ(second->name, "planar_uv_2");
    EXPECT_FLOAT_EQ(first->value(1)[0], 1.5f);
    EXPECT_FLOAT_EQ(second->value(1)[0], 1.0f);
}

TEST(LwoFailures, OnlyAnLwo2FormIsRead) {
    LwoData chunks;
    chunks.chunk("PNTS", test::pointsChunk(kPoints));
    std::string error;
    EXPECT_EQ(read(chunks, &error, "LWOB"), nullptr);
    EXPECT_NE(error.find("LWO2"), std::string::npos) << error;
    std::vector<std::uint8_t> notForm = test::lwoFile(chunks);
    notForm[0] = 'X';
    EXPECT_EQ(loadObjectFromMemory("x", notForm.data(), notForm.size()), nullptr);
    EXPECT_EQ(loadObjectFromMemory("x", nullptr, 0), nullptr);
}

LwoData fullObject() {
    ImageBlock colour;
    colour.uvMap = "uv";
    ImageBlock spherical;
    spherical.projection = 2;
    LwoData chunks;
    chunks.chunk("TAGS", test::tagsChunk({"Skin"}))
        .chunk("LAYR", test::layerChunk(0, "body"))
        .chunk("PNTS", test::pointsChunk(kPoints))
        .chunk("VMAP", test::mapChunk("TXUV", 2, "uv", {{0, {0, 0}}, {1, {1, 0}}}))
        .chunk("POLS", test::polygonsChunk({{0, 1, 2, 3}, {4, 5, 6, 7, 0}}))
        .chunk("PTAG", test::polygonTagsChunk({{0, 0}, {1, 0}}))
        .chunk("VMAD", test::mapChunk("TXUV", 2, "uv", {{0, {0.5f, 0.5f}, 1}}))
        .chunk("SURF", test::surfaceChunk("Skin", {colour, spherical}));
    return chunks;
}

TEST(LwoFailures, EveryTruncationFailsCleanly) {
    const std::vector<std::uint8_t> file = test::lwoFile(fullObject());
    ASSERT_NE(loadObjectFromMemory("whole", file.data(), file.size()), nullptr);
    for (std::size_t length = 0; length < file.size(); ++length) {
        std::vector<std::uint8_t> cut(file.begin(), file.begin() + static_cast<long>(length));
        EXPECT_EQ(loadObjectFromMemory("cut", cut.data(), cut.size()), nullptr) << "length " << length;
    }
}

TEST(LwoFailures, ChunksClaimingMoreThanRemainsFail) {
    std::string error;
    LwoData lyingPoints;
    lyingPoints.chunk("LAYR", test::layerChunk(0)).chunk("PNTS", test::pointsChunk(kPoints), 12 * 100);
    EXPECT_EQ(read(lyingPoints, &error), nullptr);
    EXPECT_NE(error.find("PNTS"), std::string::npos) << error;

    // A sub-chunk inside a surface that claims more than its chunk holds.
    LwoData surface;
    surface.s0("Skin").s0("").id("COLR").u2(400).vec({1, 1, 1}).vx(0);
    LwoData lyingSub;
    lyingSub.chunk("SURF", surface);
    EXPECT_EQ(read(lyingSub, &error), nullptr);
    EXPECT_NE(error.find("COLR"), std::string::npos) << error;

    // A FORM that claims more than the file holds.
    std::vector<std::uint8_t> file = test::lwoFile(fullObject());
    file[7] = static_cast<std::uint8_t>(file[7] + 2);
    EXPECT_EQ(loadObjectFromMemory("long", file.data(), file.size()), nullptr);

    // A name without its terminating zero.
    LwoData name;
    name.id("abcd");
    LwoData unterminated;
    unterminated.chunk("TAGS", name);
    EXPECT_EQ(read(unterminated, &error), nullptr);

    // Points that are not whole.
    LwoData partial;
    partial.chunk("PNTS", LwoData().f4(1).f4(2));
    EXPECT_EQ(read(partial, &error), nullptr);
}

TEST(LwoFailures, IndicesOutsideWhatTheyNameFail) {
    std::string error;
    LwoData corner;
    corner.chunk("PNTS", test::pointsChunk({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}})).chunk("POLS", test::polygonsChunk({{0, 1, 3}}));
    EXPECT_EQ(read(corner, &error), nullptr);
    EXPECT_NE(error.find("point 3 of 3"), std::string::npos) << error;

    LwoData map;
    map.chunk("PNTS", test::pointsChunk({{0, 0, 0}})).chunk("VMAP", test::mapChunk("TXUV", 2, "uv", {{5, {0, 0}}}));
    EXPECT_EQ(read(map, &error), nullptr);

    LwoData vmad;
    vmad.chunk("PNTS", test::pointsChunk({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}}))
        .chunk("POLS", test::polygonsChunk({{0, 1, 2}}))
        .chunk("VMAD", test::mapChunk("TXUV", 2, "uv", {{0, {0, 0}, 4}}));
    EXPECT_EQ(read(vmad, &error), nullptr);
    EXPECT_NE(error.find("polygon 4"), std::string::npos) << error;

    LwoData tag;
    tag.chunk("TAGS", test::tagsChunk({"a"}))
        .chunk("PNTS", test::pointsChunk({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}}))
        .chunk("POLS", test::polygonsChunk({{0, 1, 2}}))
        .chunk("PTAG", test::polygonTagsChunk({{0, 3}}));
    EXPECT_EQ(read(tag, &error), nullptr);

    LwoData tagged;
    tagged.chunk("PNTS", test::pointsChunk({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}}))
        .chunk("POLS", test::polygonsChunk({{0, 1, 2}}))
        .chunk("PTAG", test::polygonTagsChunk({{1, 0}}));
    EXPECT_EQ(read(tagged, &error), nullptr);
}

TEST(LwoFailures, GeneratedCoordinatesBeyondTheBudgetAreRefusedBeforeTheyAreMade) {
    // 70 000 points and 240 projected surfaces would need 16.8 million generated entries.
    std::vector<Vec3> points(70000);
    ImageBlock planar;
    planar.projection = 0;
    LwoData chunks;
    chunks.chunk("LAYR", test::layerChunk(0)).chunk("PNTS", test::pointsChunk(points));
    for (int s = 0; s < 240; ++s) chunks.chunk("SURF", test::surfaceChunk("s" + std::to_string(s), {planar}));
    std::string error;
    EXPECT_EQ(read(chunks, &error), nullptr);
    EXPECT_NE(error.find("generated texture coordinates"), std::string::npos) << error;
}

TEST(LwoFiles, AnObjectIsReadFromDiskUnderItsPathAndFreed) {
    const std::vector<std::uint8_t> file = test::lwoFile(fullObject());
    {
        std::ofstream out("reader_test.lwo", std::ios::binary);
        out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
    }
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
