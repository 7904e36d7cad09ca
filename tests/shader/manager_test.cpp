// manager_test.cpp -- Tests of the shader manager (lookups by exact name, reference counting, the current
// instance) and the camera manager (registration rules, the current camera and the output size it is given,
// removal and deletion).
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "shader/camera_mgr.h"
#include "shader/shader_manager.h"
#include "shader_test_support.h"

namespace qv3rn {
namespace {

using test::TestCamera;

// Counts its own destruction so tests can see when the manager lets a shader go.
class CountedShader : public Shader {
public:
    CountedShader(int& destroyed, std::string name) : destroyed_(destroyed) { setName(std::move(name)); }
    ~CountedShader() override { ++destroyed_; }

private:
    int& destroyed_;
};

TEST(ShaderManager, FindsTheFirstCreatedByExactNameAndReleasingTheLastHandleDestroysIt) {
    ShaderManager* process = ShaderManager::instance();
    int destroyed = 0;
    {
        ShaderManager manager;
        EXPECT_EQ(ShaderManager::instance(), &manager);
        EXPECT_FALSE(manager.add(nullptr));
        for (const char* name : {"rock", "rock", "rocks"})
            ASSERT_TRUE(manager.add(std::make_unique<CountedShader>(destroyed, name)));
        Shader* first = manager.shaders()[0];
        for (const char* other : {"roc", "Rock", "rock "}) EXPECT_FALSE(manager.find(other)) << other;
        EXPECT_EQ(manager.find("rocks").get(), manager.shaders()[2]);

        ShaderHandle a = manager.find("rock");
        ShaderHandle b = manager.find("rock");
        EXPECT_EQ(a.get(), first);
        EXPECT_EQ(first->references(), 3);  // the manager's and the two handles'
        manager.release(a);
        EXPECT_FALSE(a);
        EXPECT_EQ(destroyed, 0);
        manager.release(b);
        EXPECT_EQ(destroyed, 1);
        ASSERT_EQ(manager.shaders().size(), 2u);
        EXPECT_NE(manager.find("rock").get(), first);  // the second "rock" now
        ShaderHandle none;
        manager.release(none);  // a null handle is ignored

        manager.clear();  // never-released shaders stay until cleared
        EXPECT_EQ(destroyed, 3);
        manager.add(std::make_unique<CountedShader>(destroyed, "left"));
    }
    EXPECT_EQ(destroyed, 4);  // the destructor lets go of what is left
    EXPECT_EQ(ShaderManager::instance(), process);
}

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
