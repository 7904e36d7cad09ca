// shader_script_loader.cpp -- the file-level grammar of the shader script, includes, and where scripts come from.
#include "shader/shader_script_loader.h"

#include <stdexcept>

#include "core/log.h"
#include "data/line_counting_buffer.h"
#include "data/script_error.h"
#include "shader/image_block.h"
#include "shader/image_registry.h"
#include "shader/program_block.h"
#include "shader/shader_block.h"
#include "shader/shader_manager.h"

namespace qv3rn {

namespace {

// Shader scripts come from the archive alone while one is open (includes too), from disk otherwise.
const Lookup scriptLookup{Lookup::Order::ArchiveOrDisk};

}  // namespace

ShaderScriptLoader::ShaderScriptLoader(ShaderManager& manager) : manager_(manager) {}

ShaderScriptLoader::ShaderScriptLoader() : ShaderScriptLoader(*ShaderManager::instance()) {}

bool ShaderScriptLoader::load(const std::string& path, ProgressCallback progress) {
    progress_ = std::move(progress);
    const Resource script = reader_->find(path, scriptLookup);
    if (!script && reader_->archiveOpen()) {
        failure_ = "unable to read \"" + path + "\" from the archive";
        openFailed_ = true;
        return false;
    }
    const std::unique_ptr<std::istream> stream = script.text();
    if (!stream) throw std::runtime_error("Unable to open scriptfile => " + path);
    const IncludeTracker::Open reading(reader_->includes(), path);
    fileName_ = path;
    return parse(*stream);
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

    const IncludeTracker& includes = reader_->includes();
    switch (includes.refusal(name)) {
    case IncludeTracker::Refusal::Circular:
        throw std::runtime_error("Circular include of scriptfile => " + includes.chain(name));
    case IncludeTracker::Refusal::TooDeep:
        throw std::runtime_error("Includes nested too deep at scriptfile => " + name);
    case IncludeTracker::Refusal::None:
        break;
    }

    ShaderScriptLoader included(manager_);
    included.reader_ = reader_;
    const bool result = included.load(name, progress_);
    if (!result) {
        if (included.openFailed_) return fail("Include: " + included.failure());
        failure_ = included.failure();
    }
    return result;
}

}  // namespace qv3rn
