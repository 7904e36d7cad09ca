// scene_node_test.cpp -- transforms through parents, disabled groups, the current camera and light slots.
#include "scene/scene_node.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "scene/camera_node.h"
#include "scene/light.h"
#include "scene_test_support.h"
#include "support/captured_log.h"

namespace qv3rn::test {
namespace {

constexpr float halfTurn = 1.5707963f;

using SceneNodeTest = SceneTest;

TEST_F(SceneNodeTest, WorldPositionsComposeThroughRotatedAndScaledParents) {
    // The parent sits at (10, 0, 0), turned a quarter about Y (heading) and scaled by 2; its child's (0, 0, 1)
    // turns to (1, 0, 0) and doubles.
    const std::string parent = keyframerLW({{0, 10.0f}, {3, halfTurn}, {6, 2.0f}, {7, 2.0f}, {8, 2.0f}});
    read("Group {\nGroup {\nName \"parent\"\n" + parent + "Group {\nName \"child\"\n" + keyframerLW({{2, 1.0f}}) +
         "Group {\nName \"grandchild\"\n" + keyframerLW({{1, 1.0f}, {6, 0.5f}}) +
         "}\n}\nGroup {\nName \"still\"\nPosition 5 5 5\nRotation 0 1 0 3\nScale 3 3 3\n}\n}\n}\n");
    root->update(0.0f);
    const struct { const char* name; Vec3 world; float scale; } cases[] = {
        {"parent", {10, 0, 0}, 2.0f}, {"child", {12, 0, 0}, 2.0f}, {"grandchild", {12, 2, 0}, 1.0f},
        {"still", {10, 0, 0}, 2.0f},  // without a keyframer its own transform lines do not count
    };
    for (const auto& c : cases) {
        const SceneNode& n = node(c.name);
        EXPECT_LT((n.worldPosition() - c.world).length(), 1e-5f) << c.name;
        EXPECT_FLOAT_EQ(n.worldScale().x, c.scale) << c.name;
        // What the parent's node matrix draws at the child's local position is where the child is.
        EXPECT_LT((n.parent()->nodeMatrix().transformPoint(n.position()) - c.world).length(), 1e-5f) << c.name;
    }
    EXPECT_FLOAT_EQ(node("child").worldSphere().center.x, 12.0f);
    EXPECT_TRUE(root->hierarchySphere().contains(node("grandchild").worldSphere()));
}

// A white sprite in front of the camera, inside a group switched as `enable` says; the camera looks along +Z.
TEST_F(SceneNodeTest, ADisabledGroupsChildrenAreUpdatedButNotDrawn) {
    const struct { const char* enable; bool drawn; } cases[] = {{"Enable yes", true}, {"Enable no", false}};
    for (const auto& c : cases) {
        read(std::string("Group {\nCamera {\nName \"eye\"\nActive yes\n}\nGroup {\nName \"switch\"\n") + c.enable +
             "\nPointLight {\nName \"glow\"\n" + keyframerLW({{2, 10.0f}}) + "}\n}\n}\n");
        root->update(0.0f);
        EXPECT_FLOAT_EQ(node("glow").worldPosition().z, 10.0f) << c.enable;

        auto& eye = static_cast<CameraNode&>(node("eye"));
        cameras.setSize(width, height);
        eye.camera().apply();
        glClear(GL_COLOR_BUFFER_BIT);
        root->renderVisible(eye.camera().frustum());
        EXPECT_EQ(pixel(32, 32)[0] == 255, c.drawn) << c.enable;
        EXPECT_EQ(node("glow").drawnThisFrame(), c.drawn) << c.enable;
        EXPECT_FALSE(eye.drawnThisFrame()) << "a camera is never drawn by the visible pass";
        root->renderAll();
        EXPECT_TRUE(eye.drawnThisFrame()) << "but is by the full pass";
    }
}

TEST_F(SceneNodeTest, LightsBeyondTheDriversSlotsAreDisabledUntilSlotsAreFree) {
    CapturedLog log("lights.log");
    LightSlots::reset();  // other tests of this program may have asked for the count already
    GLint slots = 0;
    glGetIntegerv(GL_MAX_LIGHTS, &slots);
    std::string script = "Group {\n";
    for (int i = 0; i <= slots; ++i) script += "DirectionalLight {\nName \"l" + std::to_string(i) + "\"\n}\n";
    read(script + "}\n");
    root->update(0.0f);
    glLoadIdentity();
    root->lightsOn();
    auto& extra = static_cast<Light&>(node("l" + std::to_string(slots)));
    EXPECT_EQ(LightSlots::inUse(), slots);
    EXPECT_FALSE(extra.isEnabled());
    EXPECT_TRUE(glIsEnabled(GL_LIGHT0 + slots - 1));
    // Without a keyframer a directional light shines along +Z: its OpenGL position is (0, 0, -1, 0).
    float position[4];
    glGetLightfv(static_cast<Light&>(node("l0")).slot(), GL_POSITION, position);
    EXPECT_FLOAT_EQ(position[2], -1.0f);
    EXPECT_FLOAT_EQ(position[3], 0.0f);

    root->lightsOff();
    EXPECT_EQ(LightSlots::inUse(), 0);
    EXPECT_FALSE(glIsEnabled(GL_LIGHT0));
    node("l0").disable();
    extra.enable();
    root->lightsOn();
    EXPECT_TRUE(extra.isEnabled());
    EXPECT_NE(extra.slot(), 0u);
    root->lightsOff();

    const std::string logged = log.text();
    EXPECT_NE(logged.find("GL_MAX_LIGHTS: "), std::string::npos);
    EXPECT_NE(logged.find("ERROR! Unable to aquire light. To many lights in scene."), std::string::npos);
}

}  // namespace
}  // namespace qv3rn::test
