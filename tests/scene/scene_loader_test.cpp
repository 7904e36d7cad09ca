// scene_loader_test.cpp -- the scene script: keyword order, comments, the root block, errors with their line.
#include "scene/scene_loader.h"

#include <gtest/gtest.h>

#include <string>

#include "data/script_error.h"
#include "scene_test_support.h"

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
        {"unknown lines and lines before the root are skipped", "Junk\n}\nGroup {\nFrobnicate 1 2\nName \"r\"\n}\n",
         "r"}, {"text after the root block is not read", "Group {\nName \"r\"\n}\nMesh {\nGroup {\n", "r"},
        {"a script without a root", "Name \"r\"\n}\n", "none"},
        {"\"EdgeMesh {\" is not \"Mesh {\"", "Group {\nName \"r\"\nEdgeMesh {\n}\n}\n",
         "4: edge mesh has no \"Object\" line"},
        {"a block that never closes", "Group {\nName \"r\"\nGroup {\nName \"a\"\n}\n",
         "5: the \"Group {\" block is not closed before the end of the file"},
        {"nesting beyond the limit", "Group {\n" + repeated("Group {\n", SceneLoader::maxDepth),
         "257: scene blocks nested deeper than 256 levels"},
        {"a broken enable envelope", "Group {\nName \"r\"\nEnable {\n{ Envelope\n1\nKey\n",
         "6: unable to load enable envelope: "},
        {"a broken keyframer", "Group {\nKeyframer {\nTranslate {\nNumKeys 1\nKey 0 1 2 3\nKey 1 1 2 3\n",
         "6: unable to load node keyframer: "},
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

}  // namespace

}  // namespace qv3rn::test
