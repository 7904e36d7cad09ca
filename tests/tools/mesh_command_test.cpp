// Tests of "qv3rn-tool mesh", run as the program itself on shapes it makes and on OBJ and LightWave files
// written by the tests.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "import/lwo_writer.h"
#include "tool_test.h"

namespace {

namespace fs = std::filesystem;
using qv3rn::test::ToolRun;

class MeshCommand : public qv3rn::test::ToolTest {
protected:
    MeshCommand() : ToolTest("mesh") {}
    std::string at(const std::string& name) const { return (root_ / name).string(); }
};

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST_F(MeshCommand, MadeShapesAreDescribedByInfo) {
    ToolRun made = tool("make sphere '" + at("ball.msh") + "' --segments 8 --rings 4 --radius 2 --shader chrome --weld");
    ASSERT_EQ(made.status, 0) << made.err;
    EXPECT_TRUE(contains(made.out, "wrote")) << made.out;
    ToolRun info = tool("info '" + at("ball.msh") + "'");
    ASSERT_EQ(info.status, 0) << info.err;
    EXPECT_TRUE(contains(info.out, "flags      0x0011 normals set0")) << info.out;
    EXPECT_TRUE(contains(info.out, "vertices   26")) << info.out;  // 8 x 3 rings and the two poles
    EXPECT_TRUE(contains(info.out, "triangles  48")) << info.out;
    EXPECT_TRUE(contains(info.out, "bounds     -2 -2 -2 .. 2 2 2")) << info.out;
    EXPECT_TRUE(contains(info.out, "batches    1\n    \"chrome\"")) << info.out;
    EXPECT_TRUE(contains(info.out, "edges      72, 0 not valid")) << info.out;
    EXPECT_TRUE(contains(info.out, "closed     yes")) << info.out;

    for (const char* shape : {"torus", "box", "cylinder", "torusknot"}) {
        SCOPED_TRACE(shape);
        const std::string out = at(std::string(shape) + ".msh");
        ASSERT_EQ(tool(std::string("make ") + shape + " '" + out + "' --weld --tangents").status, 0);
        ToolRun shapeInfo = tool("info '" + out + "'");
        ASSERT_EQ(shapeInfo.status, 0) << shapeInfo.err;
        EXPECT_TRUE(contains(shapeInfo.out, "normals set0 tangents")) << shapeInfo.out;
        EXPECT_TRUE(contains(shapeInfo.out, "\"default\"")) << shapeInfo.out;
        EXPECT_TRUE(contains(shapeInfo.out, "closed     yes")) << shapeInfo.out;
    }
    ASSERT_EQ(tool("make plane '" + at("floor.msh") + "' --size 4 1 4 --segments 2 --rings 2").status, 0);
    ToolRun plane = tool("info '" + at("floor.msh") + "'");
    EXPECT_TRUE(contains(plane.out, "triangles  8")) << plane.out;
    EXPECT_TRUE(contains(plane.out, "closed     no")) << plane.out;
}

TEST_F(MeshCommand, BadArgumentsAreUsageErrors) {
    EXPECT_EQ(tool("").status, 2);
    EXPECT_EQ(tool("explode x").status, 2);
    EXPECT_EQ(tool("make teapot '" + at("t.msh") + "'").status, 2);
    EXPECT_EQ(tool("make sphere '" + at("t.obj") + "'").status, 2);
    EXPECT_EQ(tool("make sphere '" + at("t.msh") + "' --radius -1").status, 2);
    EXPECT_EQ(tool("make sphere '" + at("t.msh") + "' --segments 2.5").status, 2);
    EXPECT_EQ(tool("make sphere '" + at("t.msh") + "' --size 1 2").status, 2);
    EXPECT_EQ(tool("make sphere '" + at("t.msh") + "' --colour red").status, 2);
    EXPECT_EQ(tool("info").status, 2);
    EXPECT_EQ(tool("convert only-one").status, 2);
    EXPECT_FALSE(fs::exists(at("t.msh")));
}

TEST_F(MeshCommand, ObjFilesConvertWithTheirMaterialsAndGroupsAsShaders) {
    const std::string obj = file("crate.obj",
                                 "v -1 -1 0\nv 1 -1 0\nv 1 1 0\nv -1 1 0\nv 0 0 2\n"
                                 "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\n"
                                 "g lid\nf 1/1 2/2 3/3 4/4\n"
                                 "usemtl rust\nf 1/1 2/2 5/3\nf 2/2 3/3 5/4\n");
    ToolRun converted = tool("convert '" + obj + "' '" + at("crate.msh") + "'");
    ASSERT_EQ(converted.status, 0) << converted.err;
    ToolRun info = tool("info '" + at("crate.msh") + "'");
    ASSERT_EQ(info.status, 0) << info.err;
    EXPECT_TRUE(contains(info.out, "triangles  4")) << info.out;
    EXPECT_TRUE(contains(info.out, "batches    2\n    \"lid\"                    2 triangles\n"
                                   "    \"rust\"                   2 triangles")) << info.out;

    ToolRun bad = tool("convert '" + file("bad.obj", "v 0 0 0\nf 1 2 3\n") + "' '" + at("bad.msh") + "'");
    EXPECT_EQ(bad.status, 1);
    EXPECT_TRUE(contains(bad.err, "bad.obj:2: position index 2 names none of 1")) << bad.err;
    EXPECT_FALSE(fs::exists(at("bad.msh")));
}

TEST_F(MeshCommand, ObjectFilesConvertAndShowTheirSurfaces) {
    using qv3rn::test::LwoData;
    qv3rn::test::ImageBlock colour;
    colour.uvMap = "uv";
    LwoData chunks;
    chunks.chunk("TAGS", qv3rn::test::tagsChunk({"Hull", "Window"}))
        .chunk("LAYR", qv3rn::test::layerChunk(0))
        .chunk("PNTS", qv3rn::test::pointsChunk({{0, 0, 0}, {4, 0, 0}, {4, 2, 0}, {0, 2, 0}, {2, 3, 0}}))
        .chunk("VMAP", qv3rn::test::mapChunk("TXUV", 2, "uv", {{0, {0, 0}}, {1, {1, 0}}, {2, {1, 1}}}))
        .chunk("POLS", qv3rn::test::polygonsChunk({{0, 1, 2, 3}, {3, 2, 4}}))
        .chunk("PTAG", qv3rn::test::polygonTagsChunk({{0, 0}, {1, 1}}))
        .chunk("SURF", qv3rn::test::surfaceChunk("Hull", {colour}));
    const std::vector<std::uint8_t> bytes = qv3rn::test::lwoFile(chunks);
    const std::string lwo = file("ship.lwo", std::string(bytes.begin(), bytes.end()));

    ToolRun direct = tool("info '" + lwo + "'");
    ASSERT_EQ(direct.status, 0) << direct.err;
    EXPECT_TRUE(contains(direct.out, "flags      0x0011 normals set0")) << direct.out;
    EXPECT_TRUE(contains(direct.out, "\"Hull\"                   2 triangles")) << direct.out;
    EXPECT_TRUE(contains(direct.out, "\"Window\"                 1 triangles")) << direct.out;
    EXPECT_TRUE(contains(direct.out, "bounds     0 0 0 .. 4 3 0")) << direct.out;

    ASSERT_EQ(tool("convert '" + lwo + "' '" + at("ship.msh") + "' --tangents").status, 0);
    ToolRun info = tool("info '" + at("ship.msh") + "'");
    ASSERT_EQ(info.status, 0) << info.err;
    EXPECT_TRUE(contains(info.out, "normals set0 tangents")) << info.out;
    EXPECT_TRUE(contains(info.out, "triangles  3")) << info.out;
    EXPECT_TRUE(contains(info.out, "\"Window\"")) << info.out;

    std::string cut(bytes.begin(), bytes.end() - 7);
    ToolRun broken = tool("info '" + file("broken.lwo", cut) + "'");
    EXPECT_EQ(broken.status, 1);
    EXPECT_TRUE(contains(broken.err, "broken.lwo")) << broken.err;
}

TEST_F(MeshCommand, DamagedMeshFilesAreContentErrors) {
    ASSERT_EQ(tool("make box '" + at("box.msh") + "'").status, 0);
    std::string bytes = readText(at("box.msh"));
    ToolRun cut = tool("info '" + file("cut.msh", bytes.substr(0, bytes.size() / 2)) + "'");
    EXPECT_EQ(cut.status, 1);
    EXPECT_TRUE(contains(cut.err, "cut.msh")) << cut.err;
    ToolRun missing = tool("info '" + at("missing.msh") + "'");
    EXPECT_EQ(missing.status, 1);
    ToolRun unknown = tool("info '" + file("model.3ds", "x") + "'");
    EXPECT_EQ(unknown.status, 1);
    EXPECT_TRUE(contains(unknown.err, "unknown mesh format")) << unknown.err;
}

}  // namespace
