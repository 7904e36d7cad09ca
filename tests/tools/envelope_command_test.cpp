// Tests of "qv3rn-tool envelope", run as the program itself on block files written by the tests.
#include <gtest/gtest.h>

#include <string>

#include "tool_test.h"

namespace {

using qv3rn::test::ToolRun;

class EnvelopeCommand : public qv3rn::test::ToolTest {
protected:
    EnvelopeCommand() : ToolTest("envelope") {}
};

const char* kRamp =
    "{ Envelope\n"
    "  2\n"
    "  Key 0 0 3 0 0 0 0 0 0 0\n"
    "  Key 1 3 3 0 0 0 0 0 0 0\n"
    "  Behaviors 1 4\n"
    "}\n";

TEST_F(EnvelopeCommand, PrintsAnEnvelopeBlockOneLinePerTimeWithSixDigits) {
    const ToolRun run = tool(file("ramp.env", kRamp) + " -1 0 1 1.5 3 4.5 6");
    EXPECT_EQ(run.status, 0) << run.err;
    // Constant before, a line from 0 to 1 over three seconds, offset repeat after.
    EXPECT_EQ(run.out, "0\n0\n0.333333\n0.5\n1\n1.5\n2\n");
    EXPECT_EQ(run.err, "");
}

TEST_F(EnvelopeCommand, AFieldLineBeforeTheBlockIsSkipped) {
    const std::string text = std::string("Alpha {\r\n") + kRamp + "}\n";
    const ToolRun run = tool(file("alpha.txt", text) + " 2.25");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "0.75\n");
}

TEST_F(EnvelopeCommand, AChannelKeyframerPrintsPositionAxisAngleAndScale) {
    const ToolRun run = tool(file("lw.txt",
                              "KeyframerLW {\n"
                              "  NumChannels 9\n"
                              "  Channel 0\n  { Envelope\n    2\n    Key 0 0 3 0 0 0 0 0 0 0\n"
                              "    Key 10 5 3 0 0 0 0 0 0 0\n    Behaviors 1 1\n  }\n"
                              "  Channel 3\n  { Envelope\n    1\n    Key 1.5707964 0 0 0 0 0 0 0 0 0\n  }\n"
                              "  Channel 8\n  { Envelope\n    1\n    Key 2 0 0 0 0 0 0 0 0 0\n  }\n"
                              "}\n") +
                         " 0 2.5");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "0 0 0 0 1 0 1.5708 1 1 2\n5 0 0 0 1 0 1.5708 1 1 2\n");
}

TEST_F(EnvelopeCommand, ATrackKeyframerAccumulatesItsRotationKeys) {
    const ToolRun run = tool(file("tracks.txt",
                              "Keyframer {\n"
                              "  Translate {\n    Type \"Linear\"\n    NumKeys 2\n    Key 0 0 0 0\n    Key 2 4 0 0\n  }\n"
                              "  Rotate {\n    NumKeys 3\n    Key 0 0 0 1 0\n    Key 1 0 0 1 90\n    Key 2 0 0 1 90\n  }\n"
                              "}\n") +
                         " -1 1 2");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "0 0 0 1 0 0 0 1 1 1\n2 0 0 0 0 1 1.5708 1 1 1\n4 0 0 0 0 1 3.14159 1 1 1\n");
}

TEST_F(EnvelopeCommand, ScriptErrorsNameTheFileAndTheLine) {
    const std::string badSpan = file("bad_span.env", "{ Envelope\n  2\n  Key 0 0 0 0 0 0 0 0 0 0\n\n  Key 1 1 7 0 0 0 0 0 0 0\n}\n");
    ToolRun run = tool(badSpan + " 1");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, badSpan + ":5: Found unknown spantype in Envelope\n");

    const std::string tooFew = file("too_few.env", "{ Envelope\n  3\n  Key 0 0 0 0 0 0 0 0 0 0\n}\n");
    run = tool(tooFew + " 1");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, tooFew + ":4: To few keys in Envelope\n");

    const std::string channel = file("channel.txt", "KeyframerLW {\n  Channel 12\n}\n");
    run = tool(channel + " 1");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, channel + ":2: Unable to load keyframer channel envelope\n");

    const std::string tracks = file("tracks.txt", "Keyframer {\n  Scale {\n    Key 0 1\n  }\n}\n");
    run = tool(tracks + " 1");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, tracks + ":3: Scale track: Key line before NumKeys\n");

    const std::string notABlock = file("plain.txt", "Value 3\n");
    run = tool(notABlock + " 1");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, notABlock + ":1: unable to find expected envelope start token\n");

    run = tool((root_ / "missing.env").string() + " 1");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("missing.env"), std::string::npos);
}

TEST_F(EnvelopeCommand, UsageErrorsExitWithTwo) {
    const std::string ramp = file("ramp.env", kRamp);
    for (const std::string& arguments : {std::string(""), ramp, ramp + " soon", ramp + " 1.5x", ramp + " nan"}) {
        const ToolRun run = tool(arguments);
        EXPECT_EQ(run.status, 2) << arguments;
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err.find("usage: qv3rn-tool envelope"), std::string::npos) << run.err;
    }
}

}  // namespace
