// tool_test.cpp -- the tool tests' folder, files and runs.
#include "tool_test.h"

#include <sys/wait.h>  // Required for: WIFEXITED, WEXITSTATUS

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace qv3rn::test {

namespace fs = std::filesystem;

namespace {

// The tool is built next to the tests folder that holds this program.
fs::path toolProgram() { return fs::read_symlink("/proc/self/exe").parent_path().parent_path() / "qv3rn-tool"; }

}  // namespace

void ToolTest::SetUp() {
    if (!fs::exists(toolProgram())) GTEST_FAIL() << "build qv3rn-tool before running these tests";
    root_ = fs::absolute(::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root_);
    fs::create_directories(root_);
}

std::string ToolTest::file(const std::string& name, std::string_view bytes) const {
    const fs::path path = root_ / name;
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path.string();
}

std::string ToolTest::file(const std::string& name, const std::vector<std::uint8_t>& bytes) const {
    return file(name, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

ToolRun ToolTest::tool(const std::string& arguments) const {
    std::string commandLine = quoted(toolProgram().string());
    if (!command_.empty()) commandLine += " " + command_;
    return shell(commandLine + " " + arguments);
}

ToolRun ToolTest::shell(const std::string& commandLine) const {
    const fs::path out = root_ / "stdout.txt", err = root_ / "stderr.txt";
    const std::string line = "cd " + quoted(root_.string()) + " && " + commandLine + " >" + quoted(out.string()) +
                             " 2>" + quoted(err.string());
    const int raw = std::system(line.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, readText(out), readText(err)};
}

std::string ToolTest::readText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace qv3rn::test
