// effect_script.cpp -- reading effect scripts: where they come from, includes, and the file-level grammar.
#include "effects/effect_script.h"

#include "core/log.h"
#include "data/line_counting_buffer.h"
#include "data/script_error.h"
#include "effects/effect_loaders.h"
#include "effects/effect_manager.h"

namespace qv3rn {

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

EffectScript::EffectScript(const EffectScript& parent, ResourceReader& reader)
    : manager_(parent.manager_), reader_(&reader), borrowedLoaders_(true), loaders_(parent.loaders_) {}

EffectScript::~EffectScript() = default;  // borrowed loaders are only listed, never owned

void EffectScript::setArchive(std::weak_ptr<Archive> archive) {
    for (EffectLoader* loader : loaders_) loader->setArchive(archive);
    reader_->setArchive(std::move(archive));
}

bool EffectScript::loadFile(const std::string& path, ProgressCallback progress) {
    progress_ = std::move(progress);
    if (progress_)
        for (EffectLoader* loader : loaders_) loader->setProgress(progress_);
    failure_.clear();
    fileName_ = path;

    const IncludeTracker::Open reading(reader_->includes(), path);

    // The archive's copy first. One that does not parse is the archive's fault, not the script's: the disk copy
    // is read instead, after releasing the effects the failed copy added, so that none is listed twice.
    const std::size_t kept = manager_.pending().size();
    for (Resource script = reader_->find(path); script; script = reader_->find(path, {}, script.source())) {
        const std::unique_ptr<std::istream> stream = script.text();
        if (!stream) continue;
        if (!failure_.empty()) {  // the archive's copy failed
            logger().writeLine(failure_ + "; the disk copy " + script.path() + " is read instead");
            manager_.discardPendingAfter(kept);
        }
        if (parse(*stream)) return true;
    }
    if (failure_.empty()) failure_ = path + ": unable to open the effect script";
    return false;
}

void EffectScript::addLoader(std::unique_ptr<EffectLoader> loader) {
    if (!loader || borrowedLoaders_) return;
    loader->setArchive(reader_->archive());
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
    const IncludeTracker& includes = reader_->includes();
    switch (includes.refusal(name)) {
    case IncludeTracker::Refusal::Circular:
        return fail("circular include of effect script => " + includes.chain(name));
    case IncludeTracker::Refusal::TooDeep:
        return fail("includes nested too deep at effect script => " + name);
    case IncludeTracker::Refusal::None:
        break;
    }

    EffectScript included(*this, *reader_);
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
