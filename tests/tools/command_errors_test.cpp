// command_errors_test.cpp -- qv3rn-tool's wrong command lines (status 2) and missing input (status 1).
#include <gtest/gtest.h>

#include <filesystem>

#include "tool_test.h"

namespace qv3rn::test {
namespace {

struct CommandErrors : ToolTest {
    CommandErrors() : ToolTest("") {}
};

TEST_F(CommandErrors, WrongCommandLinesExitWithTwoMissingInputWithOneAndBothSayWhy) {
    const struct {
        const char* arguments;
        const char* message;
        int status = 2;
    } rows[] = {
        {"", "Commands:"},
        {"sing", "unknown command \"sing\""},
        {"pack", "usage: qv3rn-tool pack <folder> <archive>"},
        {"pack content", "missing arguments"},
        {"pack a b --password", "--password needs a value"},
        {"list", "usage: qv3rn-tool list <archive>"},
        {"effects", "no script given"},
        {"effects a.effect --chart", "--chart needs a picture file"},
        {"envelope", "a file and at least one time are needed"},
        {"envelope ramp.env nan", "\"nan\" is not a time"},
        {"image", "usage: qv3rn-tool image"},
        {"image --format SEPIA quad.tga", "unknown format \"SEPIA\""},
        {"mesh", "info, convert or make is needed"},
        {"mesh explode x", "unknown mesh command \"explode\""},
        {"mesh make teapot t.msh", "unknown shape \"teapot\""},
        {"mesh make sphere t.msh --radius -1", "bad value for --radius"},
        {"mesh info", "info takes one file"},
        {"mesh info a.msh --octree 1 x 8", "--octree takes MAXTRIS BOXSIDE MAXDEPTH"},
        {"mesh convert only-one", "convert takes an input and an output file"},
        {"render show --out x.png", "usage: qv3rn-tool render"},
        {"render show --time 1e9 --out x.png", "usage: qv3rn-tool render"},
        {"render show --time 1 --size 64x48junk --out x.png", "usage: qv3rn-tool render"},
        {"sheet show --every 1 --out s.gif", "--out wants a .png or .jpg file"},
        {"sheet show --every 1 --from 9 --to 3 --out s.png", "--to comes before --from"},
        {"shaders", "no script given"},
        {"pack missing x.dat", "missing", 1},
        {"list not.zip", "not.zip", 1},
        {"effects nothing.effect", "qv3rn-tool effects: nothing.effect: no such script file\n", 1},
        {"envelope missing.env 1", "missing.env", 1},
        {"render nowhere --time 1 --out x.png", "qv3rn-tool render: nowhere: no such content folder\n", 1},
    };
    std::filesystem::create_directories(root_ / "show");
    file("not.zip", "plain text, not an archive");
    for (const auto& row : rows) {
        const ToolRun run = tool(row.arguments);
        EXPECT_EQ(run.status, row.status) << row.arguments;
        EXPECT_EQ(run.out, "") << row.arguments;
        EXPECT_NE(run.err.find(row.message), std::string::npos) << row.arguments << ": " << run.err;
    }
    for (const char* made : {"a", "b", "t.msh", "x.png", "s.png", "data.dat", "x.dat", "out"})
        EXPECT_FALSE(std::filesystem::exists(root_ / made)) << made;
}

}  // namespace
}  // namespace qv3rn::test
