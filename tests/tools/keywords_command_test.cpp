// keywords_command_test.cpp -- "qv3rn-tool keywords" lists what the script readers know, and the fuzzing
// dictionary of the text formats holds all of it.
#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>

#include "tool_test.h"

namespace qv3rn::test {
namespace {

class KeywordsCommand : public ToolTest {
protected:
    KeywordsCommand() : ToolTest("keywords") {}
};

std::set<std::string> linesOf(const std::string& text) {
    std::set<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        if (!line.empty() && line[0] == '"') lines.insert(line);
    return lines;
}

TEST_F(KeywordsCommand, TheScriptDictionaryHoldsEveryKeywordTheReadersKnow) {
    const ToolRun run = tool("");
    ASSERT_EQ(run.status, 0) << run.err;
    const std::set<std::string> known = linesOf(run.out);
    // One of each kind of table: start-up tables of shaders, states, programs and keyframers, the shared and
    // own rows of effect grammars, and the effect types.
    for (const char* keyword : {"\"Lighting \"", "\"WriteMask \"", "\"!!ARBfp1.0\"", "\"Translate {\"", "\"Start \"",
                                "\"ValueD {\"", "\"Flash {\"", "\"PostProcessing {\""})
        EXPECT_TRUE(known.count(keyword)) << keyword;

    const std::set<std::string> dictionary = linesOf(readText(QV3RN_SCRIPT_DICTIONARY));
    std::string missing;
    for (const std::string& keyword : known)
        if (!dictionary.count(keyword)) missing += " " + keyword;
    EXPECT_EQ(missing, "") << "add them to the dictionary (qv3rn-tool keywords lists them all)";
    EXPECT_EQ(tool("extra").status, 2);
}

}  // namespace
}  // namespace qv3rn::test
