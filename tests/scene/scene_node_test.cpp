// scene_node_test.cpp -- the update step and drawing: transforms through parents, the enable envelope, disabled
// groups, cameras (the current one, the projection) and light slots.
#include "scene/scene_node.h"

#include <GL/gl.h>
#include <GL/glu.h>
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
        {"parent", {10, 0, 0}, 2.0f},
        {"child", {12, 0, 0}, 2.0f},
        {"grandchild", {12, 2, 0}, 1.0f},
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

TEST_F(SceneNodeTest, TheEnableEnvelopeEnablesExactlyWhenItsCeilingIsNotZero) {
    const struct { float value; bool enabled; } cases[] = {
        {0.5f, true}, {-0.5f, false}, {0.0f, false}, {-1.5f, true}, {3.0f, true}};
    for (const auto& c : cases) {
        read("Group {\nName \"r\"\nEnable no\nEnable {\n" + constantEnvelope(c.value) + "}\n}\n");
        root->update(1.0f);
        EXPECT_EQ(root->isEnabled(), c.enabled) << c.value;
    }
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

TEST_F(SceneNodeTest, TreeQueriesWalkDepthFirstAndSkipBelowDisabledNodes) {
    read("Group {\nName \"r\"\n" + keyframerLW({{2, 10.0f}}) + "Group {\nName \"a\"\nGroup {\nName \"twin\"\nPosition 1 0 0\n}\n}\n"
         "Group {\nName \"off\"\nEnable no\nGroup {\nName \"twin\"\n}\n}\nCamera {\nName \"eye\"\n}\n"
         "Group {\nName \"behind\"\n" + keyframerLW({{2, -50.0f}}) + "}\n}\n");
    root->update(0.0f);
    SceneNode* twin = root->findByName("twin");
    ASSERT_NE(twin, nullptr);
    EXPECT_EQ(twin->parent()->name(), "a") << "the first match depth-first";

    SceneCamera camera("probe");  // at the origin looking along +Z: the tree is 10 in front, "behind" 40 behind
    const auto names = [](const std::vector<SceneNode*>& nodes) {
        std::string text;
        for (const SceneNode* n : nodes) text += n->name() + " ";
        return text;
    };
    std::vector<SceneNode*> enabled, visible;
    root->collectEnabled(enabled);
    root->collectVisible(camera.frustum(), visible);
    EXPECT_EQ(names(enabled), "r a twin eye behind ");
    EXPECT_EQ(names(visible), "r a twin ");

    EXPECT_TRUE(root->removeDescendant(twin));
    std::unique_ptr<SceneNode> unlinked(twin);
    EXPECT_EQ(twin->parent(), nullptr);
    EXPECT_EQ(root->findByName("twin")->parent()->name(), "off");
    EXPECT_FALSE(root->removeDescendant(twin));
}

TEST_F(SceneNodeTest, TheLastActiveCameraUpdatedBecomesCurrentWithItsProjection) {
    const struct { const char* lines; float fov, zNear, zFar; } cases[] = {
        {"", 45.0f, 1.0f, 1024.0f}, {"FOV 60\nClipPlanes 2 50\n", 60.0f, 2.0f, 50.0f}};
    for (const auto& c : cases) {
        read(std::string("Group {\nCamera {\nName \"first\"\nActive yes\n}\nCamera {\nName \"second\"\nActive yes\n") +
             c.lines + "}\nCamera {\nName \"idle\"\n}\n}\n");
        root->update(0.0f);
        ASSERT_NE(cameras.currentCamera(), nullptr);
        EXPECT_EQ(cameras.currentCamera()->name(), "second");

        cameras.setSize(64, 32);
        static_cast<const SceneCamera*>(cameras.currentCamera())->apply();
        float applied[16], expected[16];
        glGetFloatv(GL_PROJECTION_MATRIX, applied);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        gluPerspective(c.fov, 2.0, c.zNear, c.zFar);
        glGetFloatv(GL_PROJECTION_MATRIX, expected);
        glMatrixMode(GL_MODELVIEW);
        for (int i = 0; i < 16; ++i) EXPECT_NEAR(applied[i], expected[i], 1e-5f) << c.lines << " element " << i;
        root.reset();  // the cameras leave the manager with their nodes
        EXPECT_TRUE(cameras.cameras().empty());
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
