// Tests of the camera manager: registration rules, the current camera and the output size it is given.
#include "shader/camera_mgr.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

namespace qv3rn {
namespace {

class TestCamera : public Camera {
public:
    TestCamera(std::string name, std::vector<std::string>* deleted = nullptr)
        : name_(std::move(name)), deleted_(deleted) {}
    ~TestCamera() override {
        if (deleted_) deleted_->push_back(name_);
    }
    const std::string& name() const override { return name_; }
    void resize(int width, int height) override {
        this->width = width;
        this->height = height;
        ++resizes;
    }
    std::array<float, 16> projectionMatrix() const override { return {}; }
    std::array<float, 16> viewMatrix() const override { return {}; }

    int width = -1, height = -1, resizes = 0;

private:
    std::string name_;
    std::vector<std::string>* deleted_;
};

TEST(CameraMgr, TheFirstCameraBecomesCurrentAndLaterOnesWait) {
    CameraMgr cameras;
    EXPECT_EQ(&CameraMgr::instance(), &cameras);
    auto* first = new TestCamera("first");
    auto* second = new TestCamera("second");
    EXPECT_TRUE(cameras.add(first));
    EXPECT_TRUE(cameras.add(second));
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
    EXPECT_EQ(first->width, 640);
}

TEST(CameraMgr, RefusesNullAndDuplicateNamesAndThrowsOnANullCurrentCamera) {
    CameraMgr cameras;
    EXPECT_FALSE(cameras.add(nullptr));
    auto* camera = new TestCamera("cam");
    EXPECT_TRUE(cameras.add(camera));
    TestCamera twin("cam");  // refused: the caller keeps it
    EXPECT_FALSE(cameras.add(&twin));
    EXPECT_EQ(cameras.cameras().size(), 1u);
    try {
        cameras.setCurrentCamera(nullptr);
        FAIL() << "no exception";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "CameraMgr::setCurrentCamera() got null pointer");
    }
    EXPECT_EQ(cameras.currentCamera(), camera);
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
        EXPECT_TRUE(cameras.cameras().empty());
        EXPECT_EQ(deleted, (std::vector<std::string>{"b", "a", "c"}));
        cameras.add(new TestCamera("d", &deleted));
    }  // destruction clears too
    EXPECT_EQ(deleted.back(), "d");
}

}  // namespace
}  // namespace qv3rn
