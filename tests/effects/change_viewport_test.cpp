// Tests of the viewport given in virtual units: its scaling to a 1024 x 768 output, what the effect manager and
// the camera manager are told, and the block.
#include "effects/change_viewport.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include "overlay_test_support.h"
#include "shader/camera_mgr.h"

namespace qv3rn::test {
namespace {

class ChangeViewportTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        context = platform::HeadlessContext::create(1024, 768, {}, &error);
        ASSERT_NE(context, nullptr) << error;
        platform::installWindowSystem(context->windowSystemHooks());
        manager.setSize(1024, 768);
    }
    void TearDown() override {
        platform::installWindowSystem({});
        context.reset();
    }

    ChangeViewport& load(const std::string& body) {
        block = loadBlock(loader, body);
        EXPECT_TRUE(block.loaded);
        return as<ChangeViewport>(block);
    }

    std::unique_ptr<platform::HeadlessContext> context;
    EffectManager manager;
    CameraMgr cameras;
    ChangeViewportLoader loader;
    LoadedBlock block;
};

TEST_F(ChangeViewportTest, TheLowerRightQuarterOnA1024By768Output) {
    ChangeViewport& effect = load("Viewport 320 240 320 240\n}\n");
    effect.render();
    std::array<int, 4> viewport{};
    glGetIntegerv(GL_VIEWPORT, viewport.data());
    EXPECT_EQ(viewport, (std::array<int, 4>{512, 384, 512, 384}));
    EXPECT_EQ(manager.viewportX(), 512);
    EXPECT_EQ(manager.viewportHeight(), 384);
    EXPECT_EQ(cameras.width(), 512);
    EXPECT_EQ(cameras.height(), 384);

    // Drawing that fills the view lands only in that quarter.
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glColor3f(1, 1, 1);
    glRectf(-1, -1, 1, 1);
    std::array<std::uint8_t, 4> inside{}, outside{};
    glReadPixels(700, 600, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, inside.data());
    glReadPixels(500, 380, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, outside.data());
    EXPECT_EQ(inside[0], 255);
    EXPECT_EQ(outside[0], 0);
}

TEST_F(ChangeViewportTest, ValuesAreScaledBySinglePrecisionFactorsAndTruncated) {
    ChangeViewport effect;
    EXPECT_EQ(effect.kind(), 2u);
    // The whole virtual screen is the whole output, also where 1/640 and 1/480 do not divide evenly.
    for (auto [w, h] : {std::pair{1024, 768}, std::pair{800, 600}, std::pair{1280, 1024}, std::pair{333, 222}}) {
        const ChangeViewport::Pixels pixels = effect.scaledTo(w, h);
        EXPECT_EQ(pixels.width, w);
        EXPECT_EQ(pixels.height, h);
    }
    effect.x = 1;
    effect.y = 1;
    effect.width = 100;
    effect.height = 101;
    const ChangeViewport::Pixels pixels = effect.scaledTo(800, 600);  // factors 1.25 and 1.25
    EXPECT_EQ(pixels.x, 1);
    EXPECT_EQ(pixels.y, 1);
    EXPECT_EQ(pixels.width, 125);
    EXPECT_EQ(pixels.height, 126);
}

TEST_F(ChangeViewportTest, BlockErrors) {
    try {
        loadBlock(loader, "View 1 2 3 4\n}\n");
        FAIL() << "no error raised";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "ChangeViewportLoader unknown token: View 1 2 3 4");
    }
    ChangeViewport& effect = load("Layer 4\nViewport 10 20\n}\n");
    EXPECT_EQ(effect.layer(), 4);
    EXPECT_EQ(effect.x, 10);
    EXPECT_EQ(effect.y, 20);
    EXPECT_EQ(effect.width, 640) << "missing numbers keep their values";
    EXPECT_EQ(effect.height, 480);
}

}  // namespace
}  // namespace qv3rn::test
