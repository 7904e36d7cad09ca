// resource_reader.cpp -- the archive-or-disk decision, the one spelling of names, and the include tracker.
#include "data/resource_reader.h"

#include <algorithm>
#include <filesystem>

#include "core/log.h"
#include "data/archive.h"
#include "data/memory_stream.h"
#include "data/script_file.h"

namespace qv3rn {

namespace {

// Scripts name the same file in several ways ("a.shader", ".\a.shader", "data/../a.shader"): one key for all.
std::string includeKey(std::string_view name) {
    return std::filesystem::path(resourceName(name)).lexically_normal().generic_string();
}

}  // namespace

std::string resourceName(std::string_view name) {
    std::string result(name);
    std::replace(result.begin(), result.end(), '\\', '/');
    return result;
}

std::string_view fileExtension(std::string_view path) {
    const std::size_t folder = path.find_last_of("/\\");
    const std::string_view file = folder == std::string_view::npos ? path : path.substr(folder + 1);
    const std::size_t dot = file.rfind('.');
    return dot == std::string_view::npos ? std::string_view() : file.substr(dot + 1);
}

std::unique_ptr<std::istream> Resource::text() const {
    switch (source_) {
    case Source::Archive:
        return std::make_unique<MemoryStream>(bytes_.data(), bytes_.size());
    case Source::Disk:
        return openScriptFile(path_);
    case Source::None:
        break;
    }
    return nullptr;
}

IncludeTracker::Refusal IncludeTracker::refusal(std::string_view name) const {
    const std::string key = includeKey(name);
    if (std::any_of(open_.begin(), open_.end(), [&](const Script& script) { return script.key == key; }))
        return Refusal::Circular;
    if (depth() >= maxDepth) return Refusal::TooDeep;
    return Refusal::None;
}

std::string IncludeTracker::chain(std::string_view name) const {
    std::string text;
    for (const Script& script : open_) text += script.written + " -> ";
    return text.append(name);
}

IncludeTracker::Open::Open(IncludeTracker& tracker, std::string_view name) : tracker_(tracker) {
    tracker_.open_.push_back({std::string(name), includeKey(name)});
}

IncludeTracker::Open::~Open() { tracker_.open_.pop_back(); }

bool ResourceReader::archiveOpen() const {
    const std::shared_ptr<Archive> alive = archive_.lock();
    return alive && alive->isOpen();
}

Resource ResourceReader::find(std::string_view name, const Lookup& lookup, Source after) const {
    using Order = Lookup::Order;
    if (after == Source::None && lookup.order != Order::DiskOnly) {
        if (Resource entry = fromArchive(name, lookup)) return entry;
        if (lookup.order == Order::ArchiveOrDisk && archiveOpen()) return {};
    }
    if (after == Source::Disk || (after == Source::Archive && lookup.order == Order::ArchiveOrDisk)) return {};
    return fromDisk(name, lookup);
}

Resource ResourceReader::fromArchive(std::string_view name, const Lookup& lookup) const {
    const std::shared_ptr<Archive> archive = archive_.lock();
    if (!archive || !archive->isOpen()) return {};
    const std::vector<std::string> bare{""};
    std::vector<std::uint8_t> bytes;
    for (const std::string& folder : lookup.archiveFolders.empty() ? bare : lookup.archiveFolders) {
        std::string entry = resourceName(folder + std::string(name));
        if (archive->readFile(entry, bytes)) return Resource(Source::Archive, std::move(entry), std::move(bytes));
    }
    return {};
}

Resource ResourceReader::fromDisk(std::string_view name, const Lookup& lookup) const {
    std::vector<std::string> candidates;
    for (const std::string& folder : lookup.diskFolders) candidates.push_back(resourceName(folder + std::string(name)));
    candidates.push_back(resourceName(name));
    for (std::string& path : candidates) {
        std::error_code error;
        if (!std::filesystem::is_regular_file(path, error) || error) continue;
        if (!diskLog_.empty()) {
            std::string line = diskLog_;
            if (const std::size_t slot = line.find("%s"); slot != std::string::npos) line.replace(slot, 2, name);
            logger().writeLine(line);
        }
        return Resource(Source::Disk, std::move(path));
    }
    return {};
}

}  // namespace qv3rn
