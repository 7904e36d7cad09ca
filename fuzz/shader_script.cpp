// shader_script.cpp -- fuzzes the shader script reader; every script that reads is written back and read again,
// and reading and writing must then reach a fixed point.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "data/archive.h"
#include "data/archive_writer.h"
#include "data/memory_stream.h"
#include "shader/shader_manager.h"
#include "shader/shader_script_loader.h"
#include "shader/shader_script_writer.h"

namespace {

using namespace qv3rn;

// Includes are read from a small archive, never from disk: one ordinary script and one that includes itself.
std::shared_ptr<Archive> includeArchive() {
    static std::shared_ptr<Archive> archive = [] {
        const std::filesystem::path path = std::filesystem::temp_directory_path() / "qv3rn_fuzz_shader_script.dat";
        ArchiveWriter writer;
        const std::string plain = "Shader {\nName \"inc\"\nAlpha {\nEnable yes\nFunction GEQUAL\n}\n}\n";
        const std::string loop = "Include \"loop.shader\"\n";
        writer.create(path.string(), "");
        writer.addData("inc.shader", std::vector<std::uint8_t>(plain.begin(), plain.end()));
        writer.addData("loop.shader", std::vector<std::uint8_t>(loop.begin(), loop.end()));
        writer.commit();
        auto opened = std::make_shared<Archive>();
        if (!opened->open(path.string(), "none")) std::abort();
        return opened;
    }();
    return archive;
}

std::string writeShaders(const ShaderManager& manager) {
    std::ostringstream out;
    writeProgramBlocks(out, manager);
    for (const Shader* shader : manager.shaders()) writeShaderBlock(out, *shader);
    return out.str();
}

// Reads `text` into `manager` (it must read without an error) and writes it again.
std::string rewrite(const std::string& text, ShaderManager& manager) {
    ShaderScriptLoader reader(manager);
    std::istringstream in(text);
    try {
        if (!reader.parse(in)) std::abort();
    } catch (const std::runtime_error& error) {
        std::fprintf(stderr, "written text does not read back: %s\n%s\n", error.what(), text.c_str());
        std::abort();
    }
    return writeShaders(manager);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ShaderManager manager;
    ShaderScriptLoader loader(manager);
    loader.setArchive(includeArchive());
    MemoryStream in(data, size);
    try {
        if (!loader.parse(in)) return 0;
    } catch (const std::runtime_error&) {
        return 0;
    }
    // The first text may differ from the input's spelling (an empty envelope is written with one zero key);
    // from then on reading and writing must reach a fixed point.
    const std::string first = writeShaders(manager);
    ShaderManager second;
    const std::string secondText = rewrite(first, second);
    ShaderManager third;
    const std::string thirdText = rewrite(secondText, third);
    if (second.shaders().size() != manager.shaders().size() || thirdText != secondText) {
        std::fprintf(stderr, "written:\n%s\nwritten again:\n%s\n", secondText.c_str(), thirdText.c_str());
        std::abort();
    }
    return 0;
}
