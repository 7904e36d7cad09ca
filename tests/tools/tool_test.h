// tool_test.h -- the fixture of the tests that run qv3rn-tool as a program: a fresh folder per test, files
// written into it, and runs of the tool (or any shell command) in it with their status and output.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace qv3rn::test {

struct ToolRun {
    int status = -1;  // the exit status; -1 when the program did not exit by itself
    std::string out, err;
};

class ToolTest : public ::testing::Test {
protected:
    // `command`: the subcommand every run of `tool` starts with ("" when the tests give it themselves).
    explicit ToolTest(std::string command) : command_(std::move(command)) {}

    // A fresh folder named after the test, below the test program's own folder.
    void SetUp() override;

    // Writes `bytes` to `name` below the test's folder (making its folders) and returns the full path.
    std::string file(const std::string& name, std::string_view bytes) const;
    std::string file(const std::string& name, const std::vector<std::uint8_t>& bytes) const;

    // Runs "qv3rn-tool <command> <arguments>" in the test's folder.
    ToolRun tool(const std::string& arguments) const;
    // Runs a shell command line in the test's folder.
    ToolRun shell(const std::string& commandLine) const;

    // The whole content of a file ("" when it cannot be read).
    static std::string readText(const std::filesystem::path& path);
    // `text` in single quotes for the shell.
    static std::string quoted(const std::string& text) { return "'" + text + "'"; }

    std::filesystem::path root_;

private:
    std::string command_;
};

}  // namespace qv3rn::test
