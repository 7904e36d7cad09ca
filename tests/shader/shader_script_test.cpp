// shader_script_test.cpp -- Tests of the shader script's file level, its includes, and the shader and camera managers.
#include "shader/shader_script_loader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "data/archive.h"
#include "data/archive_writer.h"
#include "data/script_error.h"
#include "shader/camera_mgr.h"
#include "shader_test_support.h"
#include "support/test_files.h"
#include "shader/cull_state.h"
#include "shader/shader_manager.h"
#include "shader/zbuffer_state.h"

namespace qv3rn {
namespace {

namespace fs = std::filesystem;
using test::onlyState;
using test::parseScript;

// Each test in a fresh working folder (includes are relative).
class ScriptFiles : public ::testing::Test {
protected:
    static void write(const std::string& path, const std::string& text) {
        fs::create_directories(fs::path(path).parent_path().empty() ? "." : fs::path(path).parent_path());
        std::ofstream(path, std::ios::binary) << text;
    }

    // How loading `path` ends: "true", "false <failure>" or "error <file>:<line>: <message>" (the message alone
    // for an error outside any script's text), then the names of the shaders made: "[a b]".
    static std::string outcome(const std::string& path, const std::shared_ptr<Archive>& archive = nullptr) {
        ShaderManager local;
        ShaderScriptLoader loader(local);
        loader.setArchive(archive);
        std::string result;
        try {
            result = loader.load(path) ? "true" : "false " + loader.failure();
        } catch (const ScriptError& error) {
            result = "error " + error.located();
        } catch (const std::runtime_error& error) {
            result = "error " + std::string(error.what());
        }
        result += " [";
        for (const Shader* shader : local.shaders()) result += (result.back() == '[' ? "" : " ") + shader->getName();
        return result + "]";
    }

    test::TemporaryFolder folder;
    ShaderManager manager;
};

// Comments, tabs and stray text at file level are skipped; "Lighting" is on when "yes" is anywhere in the line.
TEST(ShaderScript, ANameLineMakesAShaderAndRegistersItAtOnce) {
    ShaderManager manager;
    ASSERT_TRUE(parseScript(manager, "ignored at file level\n; a comment\n\nShader { ; opens\n\tInfo \"a shader\"\n"
                                     "\t\tName \"first\" ; name\n\tLighting 1\n\tCull {\n\t\tEnable\tno ; off\n\t}\n"
                                     "  ; inside\n\tName \"second\"\n\tZBuffer {\n\t\tWrite no\n\t}\n\tAlpha {\n\t}\n"
                                     "\tName \"third\"\n\tLighting no\n\tLighting maybe yes\n}\n"));
    // Each shader as its name, "+" or "-" for lighting (a new shader starts from the defaults), its state count.
    std::string shaders;
    for (const Shader* shader : manager.shaders())
        shaders += shader->getName() + (shader->lighting() ? "+" : "-") + std::to_string(shader->states().size()) + " ";
    EXPECT_EQ(shaders, "first-1 second+2 third+0 ");
    EXPECT_FALSE(onlyState<CullState>(manager, 0).enabled);
    EXPECT_FALSE(onlyState<ZBufferState>(manager, 1, 0).depthWrite);
}

TEST_F(ScriptFiles, IncludesFromDiskJoinTheSameManagerAndProgressFollowsEveryTopLevelBlock) {
    write("data/shader/main.shader", "Shader {\nName \"outer\"\n}\nstray\nInclude \"data\\shader\\inner.shader\"\n"
                                     "Shader {\nName \"last\"\n}\nProgram {\nType VERTEX\nName \"p\"\n}\n");
    write("data/shader/inner.shader", "Shader {\nName \"inner1\"\n}\nInclude \"data/shader/deep.shader\"\n");
    write("data/shader/deep.shader", "Shader {\nName \"deep\"\n}\nShader {\nName \"deep2\"\n}\n");
    ShaderScriptLoader loader(manager);
    std::vector<std::size_t> shadersAtCall;  // parse alone has no callback; load stores it
    ASSERT_TRUE(loader.load("data\\shader\\main.shader", [&] { shadersAtCall.push_back(manager.shaders().size()); }));
    std::vector<std::string> names;
    for (Shader* shader : manager.shaders()) names.push_back(shader->getName());
    EXPECT_EQ(names, (std::vector<std::string>{"outer", "inner1", "deep", "deep2", "last"}));
    // One call per shader or program block, wherever it was read; none for include or stray lines.
    EXPECT_EQ(shadersAtCall, (std::vector<std::size_t>{1, 2, 3, 4, 5, 5}));
}

TEST_F(ScriptFiles, LoadingErrorsNameTheFileAndLineTheyHappenedAt) {
    write("main.shader", "Shader {\nName \"a\"\n}\n\nInclude \"missing.shader\"\n");
    write("outer.shader", "Include \"sub.shader\"\n");
    write("sub.shader", "\n\nShader {\nName \"x\"\nFog {\nColour 1 1 1 1\n}\n}\n");
    write("a.shader", "Shader {\nName \"a\"\n}\nInclude \"b.shader\"\n");
    write("b.shader", "Include \"./a.shader\"\n");
    for (int i = 0; i < IncludeTracker::maxDepth; ++i)
        write("deep" + std::to_string(i) + ".shader", "Include \"deep" + std::to_string(i + 1) + ".shader\"\n");

    const struct { const char* path; const char* outcome; } rows[] = {
        {"main.shader", "error main.shader:5: Unable to open scriptfile => missing.shader [a]"},
        {"outer.shader", "error sub.shader:6: PARSE ERROR! Unknown Fog Token [x]"},
        {"a.shader", "error b.shader:1: Circular include of scriptfile => a.shader -> b.shader -> ./a.shader [a]"},
        {"deep0.shader", "error deep31.shader:1: Includes nested too deep at scriptfile => deep32.shader []"},
        {"no/such/file.shader", "error Unable to open scriptfile => no/such/file.shader []"},
    };
    for (const auto& row : rows) EXPECT_EQ(outcome(row.path), row.outcome);

    // The same file included twice in a row is not a cycle.
    write("twice.shader", "Include \"leaf.shader\"\nInclude \"leaf.shader\"\n");
    write("leaf.shader", "Shader {\nName \"leaf\"\n}\n");
    EXPECT_EQ(outcome("twice.shader"), "true [leaf leaf]");
}

TEST_F(ScriptFiles, WhileAnArchiveIsOpenScriptsAndTheirIncludesComeOnlyFromIt) {
    ArchiveWriter writer;
    ASSERT_TRUE(writer.create("data.dat", "secret"));
    for (const auto& [name, text] : std::vector<std::pair<std::string, std::string>>{
             {"data/shader/demo.shader", "Shader {\nName \"main\"\n}\nInclude \"data\\shader\\more.gshader\"\n"},
             {"data/shader/more.gshader", "Shader {\nName \"from archive\"\n}\n"},
             {"broken.shader", "Shader {\nName \"a\"\n}\nInclude \"absent.shader\"\nShader {\nName \"b\"\n}\n"},
})
        ASSERT_TRUE(writer.addData(name, std::vector<std::uint8_t>(text.begin(), text.end())));
    ASSERT_TRUE(writer.commit());
    auto archive = std::make_shared<Archive>();
    ASSERT_TRUE(archive->open("data.dat", "secret"));
    // Disk files of the same names must not be read while the archive is open.
    for (const char* name : {"data/shader/more.gshader", "absent.shader", "nothing.shader"})
        write(name, "Shader {\nName \"from disk\"\n}\n");

    const struct { const char* path; const char* outcome; } rows[] = {
        // A compressed extension means nothing inside the archive.
        {"data\\shader\\demo.shader", "true [main from archive]"},
        {"broken.shader", "false broken.shader:4: Include: unable to read \"absent.shader\" from the archive [a]"},
    };
    for (const auto& row : rows) EXPECT_EQ(outcome(row.path, archive), row.outcome);

    archive.reset();  // the demo destroys its archive after loading: later loads go to disk
    EXPECT_EQ(outcome("nothing.shader", archive), "true [from disk]");
}

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
        for (const char* name : {"rock", "rock", "rocks"})
            ASSERT_TRUE(manager.add(std::make_unique<CountedShader>(destroyed, name)));
        Shader* first = manager.shaders()[0];
        EXPECT_FALSE(manager.find("Rock"));

        ShaderHandle a = manager.find("rock");
        ShaderHandle b = manager.find("rock");
        EXPECT_EQ(a.get(), first);
        EXPECT_EQ(first->references(), 3);  // the manager's and the two handles'
        manager.release(a);
        EXPECT_FALSE(a);
        EXPECT_EQ(destroyed, 0);
        manager.release(b);
        EXPECT_EQ(destroyed, 1);
        EXPECT_NE(manager.find("rock").get(), first);  // the second "rock" now
    }
    EXPECT_EQ(destroyed, 3);  // the destructor lets go of what is left
    EXPECT_EQ(ShaderManager::instance(), process);
}

TEST(CameraMgr, TheFirstCameraBecomesCurrentAndACurrentCameraGetsTheOutputSize) {
    CameraMgr cameras;
    auto* first = new TestCamera("first");
    auto* second = new TestCamera("second");
    EXPECT_TRUE(cameras.add(first));
    EXPECT_TRUE(cameras.add(second));
    TestCamera twin("first");  // refused: the caller keeps it
    EXPECT_FALSE(cameras.add(&twin));
    EXPECT_EQ(cameras.currentCamera(), first);

    cameras.setSize(640, 480);
    EXPECT_EQ(first->width, 640);
    EXPECT_EQ(second->resizes, 0);
    EXPECT_EQ(cameras.setCurrentCamera(second), first);
    EXPECT_EQ(second->height, 480);
    EXPECT_THROW(cameras.setCurrentCamera(nullptr), std::runtime_error);  // "... got null pointer"
    EXPECT_EQ(cameras.currentCamera(), second);
}

}  // namespace
}  // namespace qv3rn
