// scene_command_test.cpp -- "qv3rn-tool scene", run as the program itself on scene scripts written by the tests.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "tool_test.h"

namespace qv3rn::test {
namespace {

struct SceneCommand : ToolTest {
    SceneCommand() : ToolTest("scene") {}
};

// A LightWave keyframer moving its node along X: x = t (linear from 0 at 0 s to 10 at 10 s).
const std::string moving = "KeyframerLW {\nNumChannels 9\nChannel 0\n{ Envelope\n2\nKey 0 0 3 0 0 0 0 0 0 0\n"
                           "Key 10 10 3 0 0 0 0 0 0 0\nBehaviors 1 1\n}\n}\n";

TEST_F(SceneCommand, ListsTheTreeDepthFirstAtEachTime) {
    file("content/data/scene/room.scene",
         "Group {\nName \"room\"\n" + moving +
             "Group {\nName \"shelf\"\nEnable no\nCamera {\nName \"eye\"\nFOV 60\n}\n}\n"
             "DirectionalLight {\nName \"sun\"\n}\nSpotLight {\nName \"lamp\"\n}\nPointLight {\nName \"glow\"\n}\n"
             "DeformMesh {\nObject \"tile.msh\"\nTwist {\n}\nSinWave {\n}\n}\n"
             "Octree {\nMaxTris 4\nObject \"tile.msh\"\n}\nOctree {\nMaxTris 0\nObject \"tile.msh\"\n}\n"
             "ShadowVolume {\nName \"shade\"\nGroup {\nEnable no\nSpotLight {\n}\n}\nPointLight {\nName \"bulb\"\n}\n"
             "DirectionalLight {\nName \"sky\"\n}\n}\n"
             "PerPixelLighting {\nName \"lit\"\nShadows yes\nPointLight {\nName \"p\"\n}\nDirectionalLight {\n"
             "Name \"d\"\n}\nSpotLight {\nName \"s\"\n}\n}\n"
             "Particles {\nParticleSystem {\nMax 8\nSpawnRate 0\nGenerator {\nType \"Sphere\"\n}\nRenderer {\n"
             "Type \"Points\"\n}\n}\n}\n}\n");
    const std::string makeTile = " mesh make plane content/data/obj/tile.msh --segments 2 --rings 2";
    ASSERT_EQ(shell("mkdir -p content/data/obj && " + quoted(program().string()) + makeTile).status, 0);
    const ToolRun run = tool("'data\\scene\\room.scene' --data content --time 0 --time 2.5");
    EXPECT_EQ(run.status, 0) << run.err;
    const std::string tree = "Group \"room\" enabled at X 0 0\n"
                             "  Group \"shelf\" disabled at X 0 0\n"
                             "    Camera \"eye\" enabled at X 0 0 fov 60\n"
                             "  DirectionalLight \"sun\" enabled at X 0 0\n"
                             "  SpotLight \"lamp\" enabled at X 0 0\n"
                             "  PointLight \"glow\" enabled at X 0 0\n"
                             "  DeformMesh \"\" enabled at X 0 0 mesh \"tile.msh\" 9 vertices 8 triangles"
                             " deformers Twist SinWave\n"
                             "  Octree \"\" enabled at X 0 0 mesh \"tile.msh\" 9 vertices 8 triangles"
                             " octree 4 leaves depth 1\n"
                             "  Octree \"\" enabled at X 0 0 no octree\n"
                             "  ShadowVolume \"shade\" enabled at X 0 0 lights \"bulb\" \"sky\"\n"
                             "    Group \"\" disabled at X 0 0\n"
                             "      SpotLight \"\" enabled at X 0 0\n"
                             "    PointLight \"bulb\" enabled at X 0 0\n"
                             "    DirectionalLight \"sky\" enabled at X 0 0\n"
                             "  PerPixelLighting \"lit\" enabled at X 0 0 lights \"p\" \"s\""
                             " shadow lights \"p\" \"d\" \"s\"\n"
                             "    PointLight \"p\" enabled at X 0 0\n"
                             "    DirectionalLight \"d\" enabled at X 0 0\n"
                             "    SpotLight \"s\" enabled at X 0 0\n"
                             "  Particles \"\" enabled at X 0 0 particles 8 live\n";
    std::string expected = "time 0\n";
    for (char c : tree) expected += c == 'X' ? std::string("0") : std::string(1, c);
    expected += "time 2.5\n";
    for (char c : tree) expected += c == 'X' ? std::string("2.5") : std::string(1, c);
    EXPECT_EQ(run.out, expected);
}

TEST_F(SceneCommand, ScriptErrorsGiveTheFileAndLine) {
    const struct { const char* name; std::string script, err; } rows[] = {
        {"mesh.scene", "Group {\n\nEdgeMesh {\n}\n}\n", "mesh.scene:4: edge mesh has no \"Object\" line\n"},
        {"open.scene", "Group {\nGroup {\n", "open.scene:2: the \"Group {\" block is not closed"},
        {"missing.scene", "", "missing.scene: no scene"},
    };
    for (const auto& row : rows) {
        if (row.name != std::string("missing.scene")) file(row.name, row.script);
        const ToolRun run = tool(row.name);
        EXPECT_EQ(run.status, 1) << row.name;
        EXPECT_EQ(run.out, "") << row.name;
        EXPECT_NE(run.err.find(row.err), std::string::npos) << run.err;
    }
}

TEST_F(SceneCommand, CubeGridsPrintTheirSurfaceAndWriteItAsObj) {
    file("blob.scene", "Group {\nCubeGrid {\nName \"blob\"\nGridSize 16\nThreshold 0.1\n" + moving +
                           "MetaObject {\nType SPHERE\nRadius 8\n}\nMetaObject {\nName \"bare\"\n}\n}\n}\n");
    const std::string objPath = file("blob.obj", "");
    const ToolRun run = tool("blob.scene --time 5 --obj blob.obj");
    ASSERT_EQ(run.status, 0) << run.err;
    const std::size_t at = run.out.find("CubeGrid \"blob\" enabled at 5 0 0 triangles ");
    ASSERT_NE(at, std::string::npos) << run.out;
    std::istringstream counts(run.out.substr(at + 43));
    std::size_t triangles = 0;
    std::string word;
    float threshold = 0;
    counts >> triangles >> word >> threshold;
    EXPECT_GT(triangles, 20u);
    EXPECT_EQ(threshold, 0.1f);
    EXPECT_NE(run.out.find("MetaObject \"\" enabled at 5 0 0 sphere\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("MetaObject \"bare\" enabled at 5 0 0 no primitive\n"), std::string::npos) << run.out;
    std::ifstream obj(objPath);
    std::size_t vertices = 0, faces = 0;
    for (std::string line; std::getline(obj, line);) {
        std::istringstream fields(line);
        fields >> word;
        if (word == "v") {
            float x, y, z;
            fields >> x >> y >> z;
            EXPECT_LT(std::hypot(x - 5.0f, y, z), 8.0f * 0.7072f) << line;
            ++vertices;
        } else if (word == "f") {
            ++faces;
            for (std::string corner; fields >> corner;) EXPECT_LE(std::stoul(corner), vertices) << line;
        }
    }
    EXPECT_EQ(faces, triangles);
}

}  // namespace
}  // namespace qv3rn::test
