// camera_mgr_test.cpp -- Tests of the camera manager: registration rules, the current camera and the output
// size it is given, removal and deletion.
#include "shader/camera_mgr.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "shader_test_support.h"

namespace qv3rn {
namespace {

using test::TestCamera;

TEST(CameraMgr, TheFirstCameraBecomesCurrentAndACurrentCameraGetsTheOutputSize) {
    CameraMgr cameras;
    EXPECT_EQ(&CameraMgr::instance(), &cameras);
    auto* first = new TestCamera("first");
    auto* second = new TestCamera("second");
    EXPECT_FALSE(cameras.add(nullptr));
    EXPECT_TRUE(cameras.add(first));
    EXPECT_TRUE(cameras.add(second));
    TestCamera twin("first");  // refused: the caller keeps it
    EXPECT_FALSE(cameras.add(&twin));
    EXPECT_EQ(cameras.currentCamera(), first);
    EXPECT_EQ(cameras.find("second"), second);
    EXPECT_EQ(cameras.find("Second"), nullptr);
    EXPECT_EQ(first->resizes, 0);  // adding passes no size

    cameras.setSize(640, 480);
    EXPECT_EQ(first->width, 640);
    EXPECT_EQ(second->resizes, 0);
    EXPECT_EQ(cameras.setCurrentCamera(second), first);
    EXPECT_EQ(second->width, 640);
    EXPECT_EQ(second->height, 480);
    cameras.setSize(320, 200);
    EXPECT_EQ(second->height, 200);
    EXPECT_EQ(first->height, 480);
    EXPECT_THROW(cameras.setCurrentCamera(nullptr), std::runtime_error);  // "... got null pointer"
    EXPECT_EQ(cameras.currentCamera(), second);
}

TEST(CameraMgr, ClearDeletesEveryCameraInOrderAndRemoveHandsOneBack) {
    std::vector<std::string> deleted;
    {
        CameraMgr cameras;
        cameras.add(new TestCamera("a", &deleted));
        auto* b = new TestCamera("b", &deleted);
        cameras.add(b);
        cameras.add(new TestCamera("c", &deleted));
        EXPECT_TRUE(cameras.remove(b));
        EXPECT_FALSE(cameras.remove(b));
        delete b;
        cameras.clear();
        EXPECT_EQ(cameras.currentCamera(), nullptr);
        EXPECT_EQ(deleted, (std::vector<std::string>{"b", "a", "c"}));
        cameras.add(new TestCamera("d", &deleted));
    }  // destruction clears too
    EXPECT_EQ(deleted.back(), "d");
}

}  // namespace
}  // namespace qv3rn
