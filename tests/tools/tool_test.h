// tool_test.h -- the fixture of the tests that run qv3rn-tool as a program in a fresh folder of their own.
#pragma once

#include <gtest/gtest.h>
#include <png.h>
#include <sys/wait.h>  // Required for: WIFEXITED, WEXITSTATUS

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace qv3rn::test {

// status: the exit status; -1 when the program did not exit by itself
struct ToolRun { int status = -1; std::string out, err; };
// rgba: top row first
struct Frame {
    int width = 0, height = 0;
    std::vector<std::uint8_t> rgba;
    const std::uint8_t* at(int x, int y) const { return rgba.data() + (static_cast<std::size_t>(y) * width + x) * 4; }
};

class ToolTest : public ::testing::Test {
protected:
    // `command`: the subcommand every run of `tool` starts with ("" when the tests give it themselves).
    explicit ToolTest(std::string command) : command_(std::move(command)) {}

    // A fresh folder named after the test, below the test program's own folder.
    void SetUp() override {
        if (!std::filesystem::exists(program())) GTEST_FAIL() << "build qv3rn-tool before running these tests";
        root_ = std::filesystem::absolute(::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(root_);
        std::filesystem::create_directories(root_);
    }

    // Writes `bytes` to `name` below the test's folder (making its folders) and returns the full path.
    std::string file(const std::string& name, std::string_view bytes) const {
        const std::filesystem::path path = root_ / name;
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return path.string();
    }
    std::string file(const std::string& name, const std::vector<std::uint8_t>& bytes) const {
        return file(name, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    }

    // Runs "qv3rn-tool <command> <arguments>" in the test's folder.
    ToolRun tool(const std::string& arguments) const {
        return shell(quoted(program().string()) + (command_.empty() ? "" : " " + command_) + " " + arguments);
    }
    // Runs a shell command line in the test's folder.
    ToolRun shell(const std::string& commandLine) const {
        const std::filesystem::path out = root_ / "stdout.txt", err = root_ / "stderr.txt";
        const int raw = std::system(("cd " + quoted(root_.string()) + " && " + commandLine + " >" +
                                     quoted(out.string()) + " 2>" + quoted(err.string()))
                                        .c_str());
        return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, readText(out), readText(err)};
    }

    // A PNG file below the test's folder, read as RGBA.
    Frame frame(const std::string& name) const {
        Frame result;
        png_image image{};
        image.version = PNG_IMAGE_VERSION;
        const std::string path = (root_ / name).string();
        if (!png_image_begin_read_from_file(&image, path.c_str())) {
            ADD_FAILURE() << "no PNG " << path;
            return result;
        }
        image.format = PNG_FORMAT_RGBA;
        result.rgba.resize(PNG_IMAGE_SIZE(image));
        result.width = static_cast<int>(image.width);
        result.height = static_cast<int>(image.height);
        png_image_finish_read(&image, nullptr, result.rgba.data(), 0, nullptr);
        return result;
    }

    // The whole content of a file ("" when it cannot be read).
    static std::string readText(const std::filesystem::path& path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    // `text` in single quotes for the shell.
    static std::string quoted(const std::string& text) { return "'" + text + "'"; }

    // The tool is built next to the tests folder that holds this program.
    static std::filesystem::path program() {
        return std::filesystem::read_symlink("/proc/self/exe").parent_path().parent_path() / "qv3rn-tool";
    }

    std::filesystem::path root_;

private:
    std::string command_;
};

}  // namespace qv3rn::test
