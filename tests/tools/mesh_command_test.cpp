// mesh_command_test.cpp -- "qv3rn-tool mesh" run as a program on shapes it makes and on OBJ and LightWave files.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "import/lwo_writer.h"
#include "tool_test.h"

namespace qv3rn::test {
namespace {

struct MeshCommand : ToolTest {
    MeshCommand() : ToolTest("mesh") {}
    std::string at(const std::string& name) const { return quoted((root_ / name).string()); }
    // What "info" says of the file; every part must be in it.
    void expectInfo(const std::string& name, std::initializer_list<const char*> parts,
                    const std::string& options = "") const {
        const ToolRun info = tool("info " + at(name) + options);
        ASSERT_EQ(info.status, 0) << info.err;
        for (const char* part : parts) EXPECT_NE(info.out.find(part), std::string::npos) << part << " in\n" << info.out;
    }
};

TEST_F(MeshCommand, MadeShapesAreDescribedByInfo) {
    const ToolRun made =
        tool("make sphere " + at("ball.msh") + " --segments 8 --rings 4 --radius 2 --shader chrome --weld");
    ASSERT_EQ(made.status, 0) << made.err;
    EXPECT_NE(made.out.find("wrote"), std::string::npos) << made.out;
    expectInfo("ball.msh", {"flags      0x0011 normals set0", "vertices   26",  // 8 x 3 rings and the two poles
                            "triangles  48", "bounds     -2 -2 -2 .. 2 2 2", "batches    1\n    \"chrome\"",
                            "edges      72, 0 not valid", "closed     yes"});
    for (const std::string shape : {"torus", "box", "cylinder", "torusknot"}) {
        SCOPED_TRACE(shape);
        ASSERT_EQ(tool("make " + shape + " " + at(shape + ".msh") + " --weld --tangents").status, 0);
        expectInfo(shape + ".msh", {"normals set0 tangents", "\"default\"", "closed     yes"});
    }
    ASSERT_EQ(tool("make plane " + at("floor.msh") + " --size 4 1 4 --segments 2 --rings 2").status, 0);
    expectInfo("floor.msh", {"triangles  8", "closed     no"});
    // Two triangles in each quarter of the floor: a cell each, none crossing a wall; no room for two cells.
    expectInfo("floor.msh", {"cells      5", "leaves     4", "depth      1", "duplicated 0 of 8 entries"},
               " --octree 2 0 8");
    expectInfo("floor.msh", {"cells      1", "leaves     1", "depth      0"}, " --octree 2 2.5 8");
    const ToolRun refused = tool("info " + at("floor.msh") + " --octree 0 0 8");
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("floor.msh: no octree: the most triangles per cell must be at least 1"),
              std::string::npos) << refused.err;
}

TEST_F(MeshCommand, ObjFilesConvertWithTheirMaterialsAndGroupsAsShaders) {
    file("crate.obj",
         "v -1 -1 0\nv 1 -1 0\nv 1 1 0\nv -1 1 0\nv 0 0 2\nvt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\n"
         "g lid\nf 1/1 2/2 3/3 4/4\nusemtl rust\nf 1/1 2/2 5/3\nf 2/2 3/3 5/4\n");
    ASSERT_EQ(tool("convert " + at("crate.obj") + " " + at("crate.msh")).status, 0);
    expectInfo("crate.msh", {"triangles  4",
                             "batches    2\n    \"lid\"                    2 triangles\n"
                             "    \"rust\"                   2 triangles"});

    file("bad.obj", "v 0 0 0\nf 1 2 3\n");
    const ToolRun bad = tool("convert " + at("bad.obj") + " " + at("bad.msh"));
    EXPECT_EQ(bad.status, 1);
    EXPECT_NE(bad.err.find("bad.obj:2: position index 2 names none of 1"), std::string::npos) << bad.err;
    EXPECT_FALSE(std::filesystem::exists(root_ / "bad.msh"));
}

TEST_F(MeshCommand, ObjectFilesConvertAndShowTheirSurfaces) {
    ImageBlock colour;
    colour.uvMap = "uv";
    LwoData chunks;
    chunks.chunk("TAGS", tagsChunk({"Hull", "Window"}))
        .chunk("LAYR", layerChunk(0))
        .chunk("PNTS", pointsChunk({{0, 0, 0}, {4, 0, 0}, {4, 2, 0}, {0, 2, 0}, {2, 3, 0}}))
        .chunk("VMAP", mapChunk("TXUV", 2, "uv", {{0, {0, 0}}, {1, {1, 0}}, {2, {1, 1}}}))
        .chunk("POLS", polygonsChunk({{0, 1, 2, 3}, {3, 2, 4}}))
        .chunk("PTAG", polygonTagsChunk({{0, 0}, {1, 1}}))
        .chunk("SURF", surfaceChunk("Hull", {colour}));
    const std::vector<std::uint8_t> bytes = lwoFile(chunks);
    file("ship.lwo", bytes);
    expectInfo("ship.lwo", {"flags      0x0011 normals set0", "\"Hull\"                   2 triangles",
                            "\"Window\"                 1 triangles", "bounds     0 0 0 .. 4 3 0"});
    ASSERT_EQ(tool("convert " + at("ship.lwo") + " " + at("ship.msh") + " --tangents").status, 0);
    expectInfo("ship.msh", {"normals set0 tangents", "triangles  3", "\"Window\""});
}

TEST_F(MeshCommand, DamagedAndUnknownFilesAreContentErrorsThatNameTheFile) {
    ASSERT_EQ(tool("make box " + at("box.msh")).status, 0);
    const std::string box = readText(root_ / "box.msh");
    file("cut.msh", box.substr(0, box.size() / 2));
    LwoData tags;
    tags.chunk("TAGS", tagsChunk({"Hull"}));
    const std::vector<std::uint8_t> lwo = lwoFile(tags);
    file("broken.lwo", std::vector<std::uint8_t>(lwo.begin(), lwo.end() - 7));
    file("model.3ds", "x");
    for (const char* name : {"cut.msh", "broken.lwo", "model.3ds", "missing.msh"}) {
        const ToolRun run = tool("info " + at(name));
        EXPECT_EQ(run.status, 1) << name;
        EXPECT_NE(run.err.find(name), std::string::npos) << run.err;
    }
}

}  // namespace
}  // namespace qv3rn::test
