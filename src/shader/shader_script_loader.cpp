// shader_script_loader.cpp -- the file-level grammar of the shader script, includes, and where scripts come from.
#include "shader/shader_script_loader.h"

#include <algorithm>
#include <filesystem>
#include <stdexcept>
#include <vector>

#include "app/log.h"
#include "data/archive.h"
#include "data/memory_stream.h"
#include "data/script_file.h"
#include "shader/image_block.h"
#include "shader/image_registry.h"
#include "data/line_counting_buffer.h"
#include "shader/program_block.h"
#include "shader/shader_block.h"
#include "shader/shader_manager.h"
#include "data/script_error.h"

namespace qv3rn {

namespace {

// Marks a script as being read for as long as the guard lives, so that an include of it is refused.
class OpenScriptGuard {
public:
    OpenScriptGuard(std::vector<std::string>& open, std::string key) : open_(open) { open_.push_back(std::move(key)); }
    ~OpenScriptGuard() { open_.pop_back(); }
    OpenScriptGuard(const OpenScriptGuard&) = delete;
    OpenScriptGuard& operator=(const OpenScriptGuard&) = delete;

private:
    std::vector<std::string>& open_;
};

// One spelling per file on disk, so that "a.shader" and "./a.shader" are known to be the same script.
std::string diskScriptKey(const std::string& path) {
    std::error_code error;
    const std::filesystem::path canonical = std::filesystem::weakly_canonical(diskPath(path), error);
    return error ? diskPath(path) : canonical.string();
}

std::string describeChain(const std::vector<std::string>& open, const std::string& name) {
    std::string chain;
    for (const std::string& script : open) chain += script + " -> ";
    return chain + name;
}

}  // namespace

ShaderScriptLoader::ShaderScriptLoader(ShaderManager& manager) : manager_(manager) {}

ShaderScriptLoader::ShaderScriptLoader() : ShaderScriptLoader(*ShaderManager::instance()) {}

bool ShaderScriptLoader::load(const std::string& path, ProgressCallback progress) {
    progress_ = std::move(progress);
    // Only regular files: a device such as /dev/zero would never end.
    std::error_code error;
    const auto status = std::filesystem::status(diskPath(path), error);
    const bool regular = !error && std::filesystem::is_regular_file(status);
    std::unique_ptr<std::istream> stream = regular ? openScriptFile(path) : nullptr;
    if (!stream) throw std::runtime_error("Unable to open scriptfile => " + path);
    return loadStream(*stream, path, diskScriptKey(path));
}

bool ShaderScriptLoader::loadFromArchive(const std::string& name, Archive& archive, ProgressCallback progress) {
    progress_ = std::move(progress);
    archive_ = &archive;
    std::vector<std::uint8_t> data;
    if (!archive.readFile(name, data)) {
        failure_ = "unable to read \"" + name + "\" from the archive";
        openFailed_ = true;
        return false;
    }
    MemoryStream stream(data.data(), data.size());
    return loadStream(stream, name, archiveEntryName(name));
}

bool ShaderScriptLoader::loadStream(std::istream& stream, const std::string& name, const std::string& scriptKey) {
    std::vector<std::string> outermost;
    if (!openScripts_) openScripts_ = &outermost;
    OpenScriptGuard guard(*openScripts_, scriptKey);
    fileName_ = name;
    const bool result = parse(stream);
    if (openScripts_ == &outermost) openScripts_ = nullptr;
    return result;
}

bool ShaderScriptLoader::parse(std::istream& source) {
    programLines_ = 0;
    failure_.clear();
    return parseCountingLines(source, fileName_, lineCounter_,
                              [this](std::istream& stream) { return parseCounted(stream); });
}

int ShaderScriptLoader::currentLine() const { return lineCounter_ ? lineCounter_->line() : 0; }

bool ShaderScriptLoader::fail(const std::string& reason) {
    failure_ = fileName_ + ":" + std::to_string(currentLine()) + ": " + reason;
    return false;
}

// The file-level grammar, in test order: "Include ", "Image {", "Shader {", "Program {"; anything else is
// skipped. The progress callback follows every block that was read.
bool ShaderScriptLoader::parseCounted(std::istream& stream) {
    while (stream.good()) {
        const std::string& text = readScriptLine(stream);
        bool read = true;
        if (matches(text, "Include ")) {
            if (!include(text)) return false;
            continue;
        } else if (matches(text, "Image {")) {
            read = readImageBlock(*this, stream, ImageRegistry::instance()) || fail("the image block has no known Type");
        } else if (matches(text, "Shader {")) {
            read = readShaderBlock(*this, stream) || fail("the shader block failed");
        } else if (matches(text, "Program {")) {
            read = readProgramBlock(*this, stream) || fail("the script ends inside a program block");
        } else {
            continue;
        }
        if (!read) return false;
        if (progress_) progress_();
    }
    return true;
}

bool ShaderScriptLoader::include(const std::string& scriptLine) {
    const std::string name = quotedText(scriptLine);
    if (name.empty()) logger().writeLine("ERROR: image script include: " + scriptLine);

    std::vector<std::string> outermost;
    std::vector<std::string>& open = openScripts_ ? *openScripts_ : outermost;
    const std::string key = archive_ ? archiveEntryName(name) : diskScriptKey(name);
    if (std::find(open.begin(), open.end(), key) != open.end())
        throw std::runtime_error("Circular include of scriptfile => " + describeChain(open, name));
    if (static_cast<int>(open.size()) >= maxIncludeDepth)
        throw std::runtime_error("Includes nested too deep at scriptfile => " + name);

    ShaderScriptLoader included(manager_);
    included.openScripts_ = &open;
    const bool result = archive_ ? included.loadFromArchive(name, *archive_, progress_) : included.load(name, progress_);
    if (!result) {
        if (included.openFailed_) return fail("Include: " + included.failure());
        failure_ = included.failure();
    }
    return result;
}

}  // namespace qv3rn
