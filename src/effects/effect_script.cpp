// effect_script.cpp -- reading effect scripts: where they come from, includes, and the file-level grammar.
#include "effects/effect_script.h"

#include <algorithm>
#include <filesystem>
#include <vector>

#include "data/archive.h"
#include "data/memory_stream.h"
#include "data/script_file.h"
#include "effects/effect_loaders.h"
#include "effects/effect_manager.h"
#include "data/script_error.h"
#include "data/line_counting_buffer.h"

namespace qv3rn {

namespace {

// One spelling per script, so that an include of "data\effect\a.effect" from "data/effect/a.effect" is known to
// be the same file.
std::string scriptKey(const std::string& path) {
    return std::filesystem::path(archiveEntryName(path)).lexically_normal().generic_string();
}

// Marks a script as being read for as long as the guard lives.
class OpenScriptGuard {
public:
    OpenScriptGuard(std::vector<std::string>& open, std::string key) : open_(open) { open_.push_back(std::move(key)); }
    ~OpenScriptGuard() { open_.pop_back(); }
    OpenScriptGuard(const OpenScriptGuard&) = delete;
    OpenScriptGuard& operator=(const OpenScriptGuard&) = delete;

private:
    std::vector<std::string>& open_;
};

std::string describeChain(const std::vector<std::string>& open, const std::string& name) {
    std::string chain;
    for (const std::string& script : open) chain += script + " -> ";
    return chain + name;
}

}  // namespace

EffectScript::EffectScript(EffectManager& manager) : manager_(manager) {
    for (const EffectLoaderEntry& entry : effectLoaderTable) {
        if (!entry.make) continue;
        std::unique_ptr<EffectLoader> loader = entry.make();
        if (!loader) continue;
        loaders_.push_back(loader.get());
        ownedLoaders_.push_back(std::move(loader));
    }
}

EffectScript::EffectScript() : EffectScript(EffectManager::instance()) {}

EffectScript::EffectScript(const EffectScript& parent, std::vector<std::string>& openScripts)
    : manager_(parent.manager_),
      archive_(parent.archive_),
      borrowedLoaders_(true),
      loaders_(parent.loaders_),
      openScripts_(&openScripts) {}

EffectScript::~EffectScript() = default;  // borrowed loaders are only listed, never owned

void EffectScript::setArchive(std::weak_ptr<Archive> archive) {
    archive_ = std::move(archive);
    for (EffectLoader* loader : loaders_) loader->setArchive(archive_);
}

bool EffectScript::loadFile(const std::string& path, ProgressCallback progress) {
    progress_ = std::move(progress);
    if (progress_)
        for (EffectLoader* loader : loaders_) loader->setProgress(progress_);
    failure_.clear();
    fileName_ = path;

    const std::string key = scriptKey(path);
    OpenScriptGuard guard(*openScripts_, key);

    // A script the archive holds is read from there only: a failed parse is the script's failure, not a reason
    // to read a file of the same name from disk on top of the effects it already added.
    std::vector<std::uint8_t> bytes;
    if (readArchiveEntry(archive_, path, bytes)) {
        MemoryStream stream(bytes.data(), bytes.size());
        return parse(stream);
    }

    // Only regular files: a device such as /dev/zero would never end.
    std::error_code error;
    const bool regular = std::filesystem::is_regular_file(diskPath(path), error) && !error;
    std::unique_ptr<std::istream> stream = regular ? openScriptFile(path) : nullptr;
    if (!stream) {
        failure_ = path + ": unable to open the effect script";
        return false;
    }
    return parse(*stream);
}

void EffectScript::addLoader(std::unique_ptr<EffectLoader> loader) {
    if (!loader || borrowedLoaders_) return;
    loader->setArchive(archive_);
    loaders_.push_back(loader.get());
    ownedLoaders_.push_back(std::move(loader));
}

EffectLoader* EffectScript::findLoader(std::string_view typeName) const {
    for (EffectLoader* loader : loaders_)
        if (loader->typeName() == typeName) return loader;
    return nullptr;
}

bool EffectScript::parse(std::istream& source) {
    failure_.clear();
    return parseCountingLines(source, fileName_, lineCounter_,
                              [this](std::istream& stream) { return parseCounted(stream); });
}

bool EffectScript::parseCounted(std::istream& stream) {
    while (stream.good()) {
        const std::string line = readLine(stream);
        if (matches(line, "Include ")) {
            if (!include(line)) return false;
            continue;
        }
        if (matches(line, "{") && !readBlock(line, stream)) return false;
        if (progress_) progress_();
    }
    return true;
}

// A block line whose first word names no loader is skipped, and so are the lines of its block, one by one.
bool EffectScript::readBlock(const std::string& line, std::istream& stream) {
    const std::string typeName = line.substr(0, line.find(' '));
    EffectLoader* loader = typeName.empty() ? nullptr : findLoader(typeName);
    if (!loader) return true;

    std::unique_ptr<Effect> effect = loader->createEffect();
    if (!effect) return fail("the " + typeName + " loader made no effect");
    if (!loader->load(stream, *effect)) {
        const std::string& line = loader->rejectedLine();
        if (!loader->rejectionReason().empty())
            return fail("the " + typeName + " block cannot use the line \"" + line + "\": " +
                        loader->rejectionReason());
        return fail("the " + typeName + " block does not understand the line \"" + line + "\"");
    }
    manager_.addEffect(std::move(effect));
    return true;
}

bool EffectScript::include(const std::string& line) {
    const std::string name = quotedText(line);
    std::vector<std::string>& open = *openScripts_;
    if (std::find(open.begin(), open.end(), scriptKey(name)) != open.end())
        return fail("circular include of effect script => " + describeChain(open, name));
    if (static_cast<int>(open.size()) >= maxIncludeDepth)
        return fail("includes nested too deep at effect script => " + name);

    EffectScript included(*this, open);
    if (included.loadFile(name)) return true;
    failure_ = fileName_ + ":" + std::to_string(currentLine()) + ": Include \"" + name + "\": " + included.failure();
    return false;
}

bool EffectScript::fail(const std::string& reason) {
    failure_ = fileName_ + ":" + std::to_string(currentLine()) + ": " + reason;
    return false;
}

int EffectScript::currentLine() const { return lineCounter_ ? lineCounter_->line() : 0; }

}  // namespace qv3rn
