// The Scene effect: shared scenes, camera switches, lighting modes and its loader's errors.
#include "effects/scene_effect.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "overlay_test_support.h"
#include "scene/light.h"
#include "scene/scene_test_support.h"
#include "shader/camera_mgr.h"
#include "shader/render_state.h"

namespace qv3rn::test {
namespace {

class SceneEffectTest : public OverlayTest {
protected:
    void SetUp() override {
        OverlayTest::SetUp();
        cameras.setSize(framebufferWidth, framebufferHeight);
        // Three cameras at the origin looking along +Z, and a half-red sprite ten units in front of them.
        std::ofstream("room.scene") << "Group {\nCamera {\nName \"start\"\n}\nCamera {\nName \"mid\"\n}\n"
                                       "Camera {\nName \"late\"\n}\nDirectionalLight {\n}\nPointLight {\n" +
                                           keyframerLW({{2, 10.0f}}) + "Size 2\nColor 0.5 0 0 1\n}\n}\n";
    }
    void TearDown() override {
        manager.reset();
        scenes.clear();  // the lights and cameras go while the context lives
        OverlayTest::TearDown();
    }
    SceneEffect& scene(const std::string& lines) {
        return load<SceneEffect>("Scene", "Name \"view\"\nEnd 100\nScene \"room.scene\"\n" + lines + "}\n");
    }

    TemporaryFolder folder;
    CameraMgr cameras;
    SceneRegistry scenes;
};

TEST_F(SceneEffectTest, EffectsNamingOneSceneShareOneLoad) {
    CapturedLog log("scenes.log");
    SceneEffect& first = scene("Camera \"start\"\n");
    SceneEffect& second = scene("Camera \"late\"\n");
    SceneEffect& missing = load<SceneEffect>("Scene", "Scene \"nowhere.scene\"\n}\n");
    EXPECT_NE(first.scene(), nullptr);
    EXPECT_EQ(first.scene(), second.scene());
    EXPECT_EQ(scenes.size(), 1u);
    EXPECT_EQ(missing.scene(), nullptr);
    SceneEffect& blind = scene("Camera \"nobody\"\n");
    for (SceneEffect* effect : {&missing, &blind, &blind}) draw(*effect, 1.0f);  // draws nothing, raises nothing

    first.release();
    EXPECT_EQ(scenes.find("room.scene"), second.scene()) << "the registry keeps a released effect's scene";
    const std::string logged = log.text();
    EXPECT_EQ(logged.find("Scene loaded \"room.scene\""), logged.rfind("Scene loaded \"room.scene\""));
    const std::string blindLine = "\"view\" camera \"nobody\": CameraMgr::setCurrentCamera() got null pointer";
    EXPECT_NE(logged.find(blindLine), std::string::npos);
    EXPECT_EQ(logged.find(blindLine), logged.rfind(blindLine)) << "logged once";
}

TEST_F(SceneEffectTest, CameraSwitchesApplyInTimeOrderFromTheirTime) {
    SceneEffect& effect = scene("Camera \"start\"\nCameraSyncro {\nChange \"late\" 20\nChange \"mid\" 10\n}\n");
    const struct { float time; const char* camera; } cases[] = {
        {5, "start"}, {10, "mid"}, {20, "late"}};
    for (const auto& c : cases) {
        draw(effect, c.time);
        EXPECT_EQ(effect.cameraName, c.camera) << c.time;
        ASSERT_NE(cameras.currentCamera(), nullptr);
        EXPECT_EQ(cameras.currentCamera()->name(), c.camera) << c.time;
    }
}

TEST_F(SceneEffectTest, SpecularOnlyAddsTheSceneOverThePictureWhenLit) {
    const struct { const char* lines; std::array<int, 3> centre; } cases[] = {
        {"Lighting no\nSpecularOnly yes\n", {128, 0, 0}},  // without lighting the mode is ignored
        {"Lighting yes\nSpecularOnly yes\n", {192, 64, 64}},
    };
    for (const auto& c : cases) {
        SceneEffect& effect = scene(std::string("Camera \"start\"\n") + c.lines);
        clearScreen(64, 64, 64);
        draw(effect, 1.0f);
        EXPECT_TRUE(nearColour(screenPixel(320, 240), c.centre, 2)) << c.lines;
        EXPECT_FALSE(glIsEnabled(GL_LIGHTING)) << c.lines;
        EXPECT_FALSE(glIsEnabled(GL_BLEND)) << c.lines;
        EXPECT_FALSE(RenderStateLocks::blackMaterial()) << c.lines;
        EXPECT_FALSE(RenderStateLocks::isLocked(RenderStateKind::Blend)) << c.lines;
        EXPECT_EQ(LightSlots::inUse(), 0) << "the lights go off after the frame";
    }
}

}  // namespace
}  // namespace qv3rn::test
