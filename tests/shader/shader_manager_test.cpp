// shader_manager_test.cpp -- Tests of the shader manager's lookups and reference counting.
#include "shader/shader_manager.h"

#include <gtest/gtest.h>

#include <string>

#include "shader_test_support.h"

namespace qv3rn {
namespace {

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

}  // namespace
}  // namespace qv3rn
