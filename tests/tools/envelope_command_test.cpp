// envelope_command_test.cpp -- "qv3rn-tool envelope", run as the program itself on block files written by the
// tests.
#include <gtest/gtest.h>

#include <string>

#include "tool_test.h"

namespace qv3rn::test {
namespace {

struct EnvelopeCommand : ToolTest {
    EnvelopeCommand() : ToolTest("envelope") {}
};

const std::string ramp = "{ Envelope\n  2\n  Key 0 0 3 0 0 0 0 0 0 0\n  Key 1 3 3 0 0 0 0 0 0 0\n  Behaviors 1 4\n}\n";

TEST_F(EnvelopeCommand, PrintsEachBlockOneLinePerTime) {
    const struct {
        const char* what;
        std::string text, times, out;
    } rows[] = {
        // Constant before, a line from 0 to 1 over three seconds, offset repeat after; six digits.
        {"an envelope", ramp, "-1 0 1 1.5 3 4.5 6", "0\n0\n0.333333\n0.5\n1\n1.5\n2\n"},
        {"a field line before the block is skipped", "Alpha {\r\n" + ramp + "}\n", "2.25", "0.75\n"},
        {"a channel keyframer prints position, axis, angle and scale",
         "KeyframerLW {\n  NumChannels 9\n"
         "  Channel 0\n  { Envelope\n    2\n    Key 0 0 3 0 0 0 0 0 0 0\n    Key 10 5 3 0 0 0 0 0 0 0\n"
         "    Behaviors 1 1\n  }\n"
         "  Channel 3\n  { Envelope\n    1\n    Key 1.5707964 0 0 0 0 0 0 0 0 0\n  }\n"
         "  Channel 8\n  { Envelope\n    1\n    Key 2 0 0 0 0 0 0 0 0 0\n  }\n}\n",
         "0 2.5", "0 0 0 0 1 0 1.5708 1 1 2\n5 0 0 0 1 0 1.5708 1 1 2\n"},
        {"a track keyframer accumulates its rotation keys",
         "Keyframer {\n  Translate {\n    Type \"Linear\"\n    NumKeys 2\n    Key 0 0 0 0\n    Key 2 4 0 0\n  }\n"
         "  Rotate {\n    NumKeys 3\n    Key 0 0 0 1 0\n    Key 1 0 0 1 90\n    Key 2 0 0 1 90\n  }\n}\n",
         "-1 1 2", "0 0 0 1 0 0 0 1 1 1\n2 0 0 0 0 1 1.5708 1 1 1\n4 0 0 0 0 1 3.14159 1 1 1\n"},
    };
    for (const auto& row : rows) {
        const ToolRun run = tool(file("block.txt", row.text) + " " + row.times);
        EXPECT_EQ(run.status, 0) << row.what << ": " << run.err;
        EXPECT_EQ(run.out, row.out) << row.what;
        EXPECT_EQ(run.err, "");
    }
}

TEST_F(EnvelopeCommand, ScriptErrorsNameTheFileAndTheLine) {
    const std::pair<std::string, std::string> rows[] = {
        {"{ Envelope\n  2\n  Key 0 0 0 0 0 0 0 0 0 0\n\n  Key 1 1 7 0 0 0 0 0 0 0\n}\n",
         ":5: Found unknown spantype in Envelope\n"},
        {"{ Envelope\n  3\n  Key 0 0 0 0 0 0 0 0 0 0\n}\n", ":4: To few keys in Envelope\n"},
        {"KeyframerLW {\n  Channel 12\n}\n", ":2: Unable to load keyframer channel envelope\n"},
        {"Keyframer {\n  Scale {\n    Key 0 1\n  }\n}\n", ":3: Scale track: Key line before NumKeys\n"},
        {"Value 3\n", ":1: unable to find expected envelope start token\n"},
    };
    for (const auto& [text, error] : rows) {
        const std::string path = file("bad.txt", text);
        const ToolRun run = tool(path + " 1");
        EXPECT_EQ(run.status, 1) << text;
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, path + error);
    }
}

}  // namespace
}  // namespace qv3rn::test
