// scene_loader_test.cpp -- the scene script: keyword order traps, comments, the root block, bad input with its
// file and line, and where scripts are read from.
#include "scene/scene_loader.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <fstream>
#include <string>

#include "data/script_error.h"
#include "scene_test_support.h"
#include "support/captured_log.h"

namespace qv3rn::test {
namespace {

// The tree as one line: each node's name, "-" when disabled, "~" with an enable envelope, children in brackets.
std::string outline(const SceneNode& node) {
    std::string text = node.name();
    if (!node.isEnabled()) text += "-";
    if (node.enableEnvelope()) text += "~";
    if (node.children().empty()) return text;
    text += "[";
    for (const auto& child : node.children()) text += (child == node.children().front() ? "" : " ") + outline(*child);
    return text + "]";
}

// The outline of the script's tree, "none" without a root, or the error as "line: message".
std::string readOutline(const std::string& text) {
    try {
        const auto root = parseScene(text);
        return root ? outline(*root) : "none";
    } catch (const ScriptError& error) {
        return std::to_string(error.line()) + ": " + error.what();
    }
}

std::string repeated(const std::string& text, int times) {
    std::string all;
    for (int i = 0; i < times; ++i) all += text;
    return all;
}

using SceneLoaderTest = SceneTest;

TEST_F(SceneLoaderTest, KeywordsAreTriedInTheirOrderAndBlocksEndAtTheirOwnBrace) {
    const std::string envelope = "Enable {\n" + constantEnvelope(1.0f) + "}\n";
    const struct { const char* what; std::string script; std::string expected; } cases[] = {
        {"Enable yes / no / envelope", "Group {\nName \"r\"\nGroup {\nName \"a\"\nEnable no\n}\nGroup {\nName \"b\"\n"
                                       "Enable no\nEnable yes\n}\nGroup {\nName \"c\"\n" + envelope + "}\n}\n",
         "r[a- b c~]"},
        {"a comment holding } does not close", "Group {\nName \"r\" ; }\nGroup { ; }\nName \"a\"\n}\n}\n", "r[a]"},
        {"children in script order, nested", "Group {\nName \"r\"\nGroup {\nName \"a\"\nGroup {\nName \"a1\"\n}\n}\n"
                                             "Group {\nName \"b\"\n}\n}\n",
         "r[a[a1] b]"},
        {"unknown lines and lines before the root are skipped", "Junk\n}\nGroup {\nFrobnicate 1 2\nName \"r\"\n}\n",
         "r"},
        {"text after the root block is not read", "Group {\nName \"r\"\n}\nMesh {\nGroup {\n", "r"},
        {"a script without a root", "Name \"r\"\n}\n", "none"},
        {"an empty script", "", "none"},
        {"\"EdgeMesh {\" is not \"Mesh {\"", "Group {\nName \"r\"\nEdgeMesh {\n}\n}\n",
         "4: edge mesh has no \"Object\" line"},
        {"\"DeformMesh {\" is not \"Mesh {\"", "Group {\n\nDeformMesh {\nObject \"nowhere\"\n}\n}\n",
         "4: unable to load mesh: nowhere"},
        {"a meta object inside a cube grid",
         "Group {\nName \"r\"\nCubeGrid {\nName \"g\"\nMetaObject {\nName \"m\"\n}\n}\n}\n", "r[g[m]]"},
        {"per-pixel roots and children with shadows",
         "PerPixelLighting {\nName \"r\"\nShadows yes\nShadowColor 1 0 0 1\nPerPixelBumpMapLighting {\nName \"a\"\n"
         "Shadows no\n}\n}\n",
         "r[a]"},
        {"a lit group inside a group", "Group {\nName \"r\"\nDefaultLighting {\nName \"a\"\nShadows yes\n}\n}\n",
         "r[a]"},
        {"a block that never closes", "Group {\nName \"r\"\nGroup {\nName \"a\"\n}\n",
         "5: the \"Group {\" block is not closed before the end of the file"},
        {"nesting beyond the limit", "Group {\n" + repeated("Group {\n", SceneLoader::maxDepth),
         "257: scene blocks nested deeper than 256 levels"},
        {"a broken enable envelope", "Group {\nName \"r\"\nEnable {\n{ Envelope\n1\nKey\n",
         "6: unable to load enable envelope: "},
        {"a broken keyframer", "Group {\nKeyframer {\nTranslate {\nNumKeys 1\nKey 0 1 2 3\nKey 1 1 2 3\n",
         "6: unable to load node keyframer: "},
        {"a broken LightWave keyframer", "Group {\n\nKeyframerLW {\nNumChannels 9\nChannel 12\n",
         "5: unable to load node keyframer [lw]: "},
        {"a broken field of view", "Group {\nCamera {\nFovAmount {\n{ Envelope\n2\nKey 1 0\n}\n",
         "7: unable to load FOV amount envelope: "},
        {"a missing shader", "Group {\nPointLight {\nShader \"nowhere\"\n}\n}\n",
         "3: unable to find shader: nowhere"},
    };
    for (const auto& c : cases) {
        const std::string got = readOutline(c.script);
        // An error's message begins with the scene's own words; the envelope or keyframer reader's reason follows.
        EXPECT_EQ(got.substr(0, c.expected.size()), c.expected) << c.what << ": " << got;
        if (c.expected.back() != ' ') {
            EXPECT_EQ(got, c.expected) << c.what;
        }
    }
}

TEST_F(SceneLoaderTest, ScriptsComeFromDiskWhenFoundAndCompressedScriptsAreRead) {
    CapturedLog log("scene.log");
    const std::string script = "Group {\nName \"disk\"\n}\n";
    std::ofstream("plain.scene") << script;
    gzFile packed = gzopen("packed.gscene", "wb");
    gzwrite(packed, script.data(), static_cast<unsigned>(script.size()));
    gzclose(packed);
    const struct { const char* name; bool found; } cases[] = {{"plain.scene", true}, {"packed.gscene", true},
        {"missing.scene", false}, {"missing.gscene", false}};
    for (const auto& c : cases) {
        SceneLoader loader;
        const auto loaded = loader.load(c.name);
        EXPECT_EQ(loaded != nullptr, c.found) << c.name;
        if (loaded) {
            EXPECT_EQ(loaded->name(), "disk");
        }
    }
    EXPECT_NE(log.text().find("Loading \"plain.scene\""), std::string::npos);
}

}  // namespace
}  // namespace qv3rn::test
