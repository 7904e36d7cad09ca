// Tests of the shader manager's reference counting and of Shader begin/end around its states.
#include "shader/shader_manager.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shader_test_support.h"

namespace qv3rn {
namespace {

// A state that records the order of its calls in a shared journal.
class JournalState : public RenderState {
public:
    JournalState(std::vector<std::string>& journal, std::string name)
        : RenderState(RenderStateKind::Alpha), journal_(journal), name_(std::move(name)) {}
    void apply() override { journal_.push_back("apply " + name_); }
    void restore() override { journal_.push_back("restore " + name_); }

private:
    std::vector<std::string>& journal_;
    std::string name_;
};

// Counts its own destruction so tests can see when the manager lets a shader go.
class CountedShader : public Shader {
public:
    explicit CountedShader(int& destroyed) : destroyed_(destroyed) {}
    ~CountedShader() override { ++destroyed_; }

private:
    int& destroyed_;
};

std::unique_ptr<Shader> named(const std::string& name) {
    auto shader = std::make_unique<Shader>();
    shader->setName(name);
    return shader;
}

TEST(ShaderManager, FindsByExactNameTheFirstCreated) {
    ShaderManager manager;
    EXPECT_FALSE(manager.add(nullptr));
    ASSERT_TRUE(manager.add(named("rock")));
    ASSERT_TRUE(manager.add(named("rock")));
    ASSERT_TRUE(manager.add(named("rocks")));
    Shader* first = manager.shaders()[0];

    ShaderHandle found = manager.find("rock");
    EXPECT_EQ(found.get(), first);
    EXPECT_EQ(first->references(), 2);  // the manager's and the handle's
    EXPECT_FALSE(manager.find("roc"));
    EXPECT_FALSE(manager.find("Rock"));
    EXPECT_FALSE(manager.find("rock "));
    EXPECT_EQ(manager.find("rocks").get(), manager.shaders()[2]);
    manager.release(found);
    EXPECT_FALSE(found);
}

TEST(ShaderManager, ReleasingTheLastHandleDestroysTheShader) {
    int destroyed = 0;
    ShaderManager manager;
    auto shader = std::make_unique<CountedShader>(destroyed);
    shader->setName("glass");
    ASSERT_TRUE(manager.add(std::move(shader)));
    ASSERT_TRUE(manager.add(named("other")));

    ShaderHandle a = manager.find("glass");
    ShaderHandle b = manager.find("glass");
    EXPECT_EQ(a->references(), 3);
    manager.release(a);
    EXPECT_FALSE(a);
    EXPECT_EQ(destroyed, 0);
    EXPECT_EQ(b->references(), 2);
    manager.release(b);
    EXPECT_EQ(destroyed, 1);
    ASSERT_EQ(manager.shaders().size(), 1u);
    EXPECT_EQ(manager.shaders()[0]->getName(), "other");
    EXPECT_FALSE(manager.find("glass"));

    ShaderHandle none;
    manager.release(none);  // a null handle is ignored
    EXPECT_EQ(manager.shaders().size(), 1u);
}

TEST(ShaderManager, NeverFoundShadersStayUntilCleared) {
    int destroyed = 0;
    {
        ShaderManager manager;
        manager.add(std::make_unique<CountedShader>(destroyed));
        manager.add(std::make_unique<CountedShader>(destroyed));
        EXPECT_EQ(destroyed, 0);
        manager.clear();
        EXPECT_EQ(destroyed, 2);
        EXPECT_TRUE(manager.shaders().empty());
        manager.add(std::make_unique<CountedShader>(destroyed));
    }
    EXPECT_EQ(destroyed, 3);  // the destructor lets go of what is left
}

TEST(ShaderManager, ATestManagerIsCurrentWhileItLives) {
    ShaderManager* process = ShaderManager::instance();
    ASSERT_NE(process, nullptr);
    {
        ShaderManager mine;
        EXPECT_EQ(ShaderManager::instance(), &mine);
    }
    EXPECT_EQ(ShaderManager::instance(), process);
}

TEST(ShaderBeginEnd, AppliesAndRestoresEveryStateInScriptOrder) {
    std::vector<std::string> journal;
    Shader shader;
    shader.addState(std::make_unique<JournalState>(journal, "first"));
    shader.addState(std::make_unique<JournalState>(journal, "second"));
    shader.addState(nullptr);  // ignored
    shader.begin();
    shader.end();
    EXPECT_EQ(journal, (std::vector<std::string>{"apply first", "apply second", "restore first", "restore second"}));
}

class ShaderLighting : public test::ShaderGLTest {};

TEST_F(ShaderLighting, UnlitShaderSwitchesLightingOffInsideAPushedGroup) {
    glEnable(GL_LIGHTING);
    glShadeModel(GL_SMOOTH);
    Shader lit;
    lit.begin();
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    EXPECT_EQ(integer(GL_ATTRIB_STACK_DEPTH), 0);
    lit.end();
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));

    Shader unlit;
    unlit.setLighting(false);
    unlit.begin();
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    EXPECT_EQ(integer(GL_ATTRIB_STACK_DEPTH), 1);
    glShadeModel(GL_FLAT);  // part of the lighting group: undone by end
    unlit.end();
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    EXPECT_EQ(integer(GL_ATTRIB_STACK_DEPTH), 0);
    EXPECT_EQ(integer(GL_SHADE_MODEL), GL_SMOOTH);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

}  // namespace
}  // namespace qv3rn
