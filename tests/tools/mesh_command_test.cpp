// mesh_command_test.cpp -- "qv3rn-tool mesh" run as a program on shapes it makes and on OBJ files.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

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
    ASSERT_EQ(tool("make plane " + at("floor.msh") + " --size 4 1 4 --segments 2 --rings 2").status, 0);
    expectInfo("floor.msh", {"triangles  8", "closed     no"});
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

}  // namespace
}  // namespace qv3rn::test
