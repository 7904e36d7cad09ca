// shadow_volume_test.cpp -- the "ShadowVolume {" group: a box's shadow on a floor through each stencil path.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/message_hook.h"
#include "gl/default_gl_state.h"
#include "mesh_scene_support.h"
#include "scene/light.h"
#include "scene/shadow_volume.h"

namespace qv3rn::test {
namespace {

TEST(ShadowVolumeBuild, AnEmptyMeshHasNoVolume) {
    EdgeMesh empty;
    EXPECT_FALSE(buildShadowVolume(empty, {}, 2048.0f));
}

// A camera at the origin looking along +Z with a 90-degree view; in the group a floor at y = -5, a 2-unit box at
// (0, -2, 12) and a light 10 above the box; after the group a small marker at (-6, 6, 12).
std::string shadowScene(const std::string& light, const std::string& box = "Type EDGEMESH\nObject \"box.msh\"\n") {
    return "Group {\nCamera {\nActive yes\nFOV 90\n}\nShadowVolume {\nShadowColor 0 0 0 0.5\nMesh {\nObject "
           "\"floor.msh\"\n" + keyframerLW({{1, -5.0f}, {2, 12.0f}}) + "}\nMesh {\n" + box +
           keyframerLW({{1, -2.0f}, {2, 12.0f}}) + "}\n" + light + "}\nMesh {\nObject \"marker.msh\"\n" +
           keyframerLW({{0, -6.0f}, {1, 6.0f}, {2, 12.0f}}) + "}\n}\n";
}
std::string lightBlock(const std::string& keyword, const std::string& extra = "") {
    return keyword + " {\nName \"light\"\n" + extra + keyframerLW({{1, 8.0f}, {2, 12.0f}}) + "}\n";
}
const std::string pointLight = lightBlock("PointLight", "Size 0.1\n");

class ShadowVolumeSceneTest : public MeshSceneTest {
protected:
    void SetUp() override {
        MeshSceneTest::SetUp();
        adopt("floor.msh", edgeShape("plane", {40, 0, 40}));
        adopt("box.msh", edgeShape("box", {2, 2, 2}));
        adopt("open.msh", edgeShape("plane", {2, 0, 2}));
        adopt("plain.msh", flatGrid(1, 2.0f));
        adopt("marker.msh", flatGrid(1, 1.0f));
    }
    // Updated twice (a spot light takes the world position of the update before), the directional light turned
    // to shine straight down, drawn in the engine's state with culling off (the meshes are seen from both sides).
    void frame(float time = 0.0f) {
        root->update(time);
        root->update(time);
        if (auto* light = dynamic_cast<DirectionalLight*>(root->findByName("light"))) light->direction = {0, 1, 0};
        const auto* camera = static_cast<const SceneCamera*>(cameras.currentCamera());
        cameras.setSize(width, height);
        camera->apply();
        applyDefaultGLState();
        glDisable(GL_CULL_FACE);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
        root->renderVisible(camera->frustum());
    }
    // The red channel where a world point lands (+X is on the left of this camera).
    int redAt(const Vec3& p) const {
        return pixel(static_cast<int>(std::lround((1.0f - p.x / p.z) * 32.0f)),
                     static_cast<int>(std::lround((1.0f + p.y / p.z) * 32.0f)))[0];
    }
    const Vec3 underBox{0, -5, 12}, besideBox{5, -5, 12}, boxTop{0, -1, 12}, boxFront{0, -2, 11}, marker{-6, 6, 12};
};

TEST_F(ShadowVolumeSceneTest, EachLightDarkensTheFloorUnderTheBoxThroughEachStencilPathAndRestoresTheState) {
    const bool separate = GL_ATI_separate_stencil_Flag, twoSided = GL_EXT_stencil_two_side_Flag;
    ASSERT_TRUE(separate && twoSided) << "Mesa offers both stencil extensions";
    const struct { bool separate, twoSided; StencilPath path; } paths[] = {
        {true, true, StencilPath::Separate}, {false, true, StencilPath::TwoSided},
        {false, false, StencilPath::TwoPass}};
    for (const auto& light : {pointLight, lightBlock("DirectionalLight"), lightBlock("SpotLight")})
        for (const auto& path : paths) {
            GL_ATI_separate_stencil_Flag = path.separate;
            GL_EXT_stencil_two_side_Flag = path.twoSided;
            ASSERT_EQ(stencilPath(), path.path);
            read(shadowScene(light));
            frame();
            const std::string where = light.substr(0, light.find(' ')) + " path " + std::to_string(int(path.path));
            EXPECT_NEAR(redAt(underBox), 128, 1) << where;
            EXPECT_EQ(redAt(besideBox) + redAt(boxTop) + redAt(marker), 3 * 255) << where;
            std::vector<std::uint8_t> stencil(width * height, 1);  // every count set back to zero
            glReadPixels(0, 0, width, height, GL_STENCIL_INDEX, GL_UNSIGNED_BYTE, stencil.data());
            EXPECT_EQ(std::count(stencil.begin(), stencil.end(), 0), width * height) << where;
            // What is drawn after the group finds the camera's projection and the state it had before.
            GLfloat projection[16];
            glGetFloatv(GL_PROJECTION_MATRIX, projection);
            const Mat4 expected = static_cast<const SceneCamera*>(cameras.currentCamera())->projection();
            EXPECT_TRUE(std::equal(projection, projection + 16, expected.m)) << where;
            for (const GLenum off : {GL_STENCIL_TEST, GL_BLEND, GL_POLYGON_OFFSET_FILL, GL_STENCIL_TEST_TWO_SIDE_EXT,
                                     GL_CULL_FACE})
                EXPECT_FALSE(glIsEnabled(off)) << where << " " << off;
            EXPECT_TRUE(glInteger(GL_FRONT_FACE) == GL_CCW && glInteger(GL_DEPTH_FUNC) == GL_LEQUAL) << where;
            root->lightsOff();
        }
    GL_ATI_separate_stencil_Flag = separate;
    GL_EXT_stencil_two_side_Flag = twoSided;
}

TEST_F(ShadowVolumeSceneTest, OpenMeshesCastUnseenLightsDoNotMeshesWithoutEdgesAreReportedOnce) {
    std::vector<std::string> messages;
    ScopedMessageHook hook([&](const std::string& caption, const std::string& text) {
        messages.push_back(caption + ": " + text);
    });
    const std::string box = "Type EDGEMESH\nObject \"box.msh\"\n";
    const struct { std::string light, box; int underBox, boxFront; std::size_t messages; } cases[] = {
        {pointLight, "Type EDGEMESH\nObject \"open.msh\"\n", 128, 255, 0},
        // A point light whose sphere lies above the view casts nothing; a directional light's place does not count.
        {"PointLight {\nName \"light\"\n" + keyframerLW({{1, 30.0f}, {2, 12.0f}}) + "}\n", box, 255, 255, 0},
        {"DirectionalLight {\nName \"light\"\n}\n", box, 128, 255, 0},
        // Behind the box on the line through the eye: the eye stands in the box's shadow, and the face it sees is
        // darkened although no volume face lies in front of it.
        {"PointLight {\nName \"light\"\n" + keyframerLW({{1, -3.0f}, {2, 18.0f}}) + "}\n", box, 255, 128, 0},
        {pointLight, "Type EDGEMESH\nObject \"plain.msh\"\n", 255, 255, 1},  // cached as a plain mesh
        // Disabled at the first frame, enabled from time 1 on: the list was gathered without it.
        {lightBlock("PointLight", "Enable {\n" + rampEnvelope(0, 1) + "}\n"), box, 255, 255, 1},
    };
    for (const auto& c : cases) {
        read(shadowScene(c.light, c.box));
        frame(0.0f);
        frame(1.0f);
        ASSERT_TRUE(node("light").isEnabled());
        EXPECT_NEAR(redAt(underBox), c.underBox, 1) << c.box;
        EXPECT_NEAR(redAt(boxFront), c.boxFront, 1) << c.light;
        EXPECT_EQ(messages.size(), c.messages) << c.box;
        root->lightsOff();
    }
    EXPECT_EQ(messages.back(), "F##K: no edge triangles");
}

}  // namespace
}  // namespace qv3rn::test
