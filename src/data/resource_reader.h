// resource_reader.h -- where every script, image and mesh is read from: the archive or the disk, under one
// spelling of its name, and the chain of scripts being read that refuses include cycles.
#pragma once

#include <cstdint>
#include <istream>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qv3rn {

class Archive;

// The one spelling of a name as scripts write it ("data\art\logo.tga"): every backslash becomes a forward
// slash, nothing else changes (no case folding, no leading separator removed). It is the archive entry asked for
// and the disk path opened alike.
std::string resourceName(std::string_view name);

// The text after the last dot of the file name (folders do not count: "my.meshes/ball" has none); "" without one.
std::string_view fileExtension(std::string_view path);

enum class Source { None, Archive, Disk };

// Where a format looks for a name, in its order.
struct Lookup {
    enum class Order {
        ArchiveThenDisk,  // the archive's entry when it holds one, else the disk file
        ArchiveOrDisk,    // the archive alone while one is open, the disk only without one (shader scripts)
        DiskOnly,         // never the archive (scripts that are stored compressed on disk)
    };
    Lookup(Order order = Order::ArchiveThenDisk, std::vector<std::string> archiveFolders = {},
           std::vector<std::string> diskFolders = {})
        : order(order), archiveFolders(std::move(archiveFolders)), diskFolders(std::move(diskFolders)) {}

    Order order;
    // Entry prefixes tried in order, the first entry found counting ("data/art/", "data/fnt/"); none: the bare name.
    std::vector<std::string> archiveFolders;
    // Disk folders tried in order before the bare name ("data\obj\"); the first regular file found counts.
    std::vector<std::string> diskFolders;
};

// A name found in one source: the archive's entry, already read, or a regular disk file, not read yet.
class Resource {
public:
    Resource() = default;
    Resource(Source source, std::string path, std::vector<std::uint8_t> bytes = {})
        : source_(source), path_(std::move(path)), bytes_(std::move(bytes)) {}

    explicit operator bool() const { return source_ != Source::None; }
    Source source() const { return source_; }
    bool inArchive() const { return source_ == Source::Archive; }
    // The entry read, or the disk path found (slashes).
    const std::string& path() const { return path_; }
    // The archive entry's bytes (empty for a disk file: its format reads it by path).
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }

    // A line stream over the script: the archive's bytes as plain text whatever the extension, the disk file as
    // plain, gzip ("gshader", "gscene") or bzip2 ("bshader", "bscene") text by its extension. Null when the disk
    // file cannot be opened. The stream reads the Resource's bytes: the Resource must outlive it.
    std::unique_ptr<std::istream> text() const;

private:
    Source source_ = Source::None;
    std::string path_;
    std::vector<std::uint8_t> bytes_;
};

// The scripts being read, outermost first, shared by a script's reader and the readers of its includes. The
// tracker only says why an include is refused and gives the chain; each format words its own message.
class IncludeTracker {
public:
    static constexpr int maxDepth = 32;
    enum class Refusal { None, Circular, TooDeep };

    // Circular when `name` is one of the open scripts (names compared with backslashes as slashes and "." and
    // ".." resolved), TooDeep when maxDepth scripts are open already, None when it may be read.
    Refusal refusal(std::string_view name) const;
    // The open scripts and then `name`, as they were written: "a.shader -> b.shader -> ./a.shader".
    std::string chain(std::string_view name) const;
    int depth() const { return static_cast<int>(open_.size()); }

    // Marks a script as being read for as long as it lives.
    class Open {
    public:
        Open(IncludeTracker& tracker, std::string_view name);
        ~Open();
        Open(const Open&) = delete;
        Open& operator=(const Open&) = delete;

    private:
        IncludeTracker& tracker_;
    };

private:
    struct Script {
        std::string written;
        std::string key;
    };
    std::vector<Script> open_;
};

// Finds names in the archive (while it exists and is open: loaders hold it weakly because the demo destroys it at
// the end of loading, and later loads go to disk) and on disk (regular files only: a device such as /dev/zero
// would never end), in the order a Lookup gives. It holds the include tracker of the scripts it reads.
class ResourceReader {
public:
    void setArchive(std::weak_ptr<Archive> archive) { archive_ = std::move(archive); }
    const std::weak_ptr<Archive>& archive() const { return archive_; }
    bool archiveOpen() const;

    // A line logged whenever a name is found on disk: `format` with its "%s" replaced by the name as asked
    // ("Loading \"%s\""). Empty (the default): nothing is logged.
    void setDiskLog(std::string format) { diskLog_ = std::move(format); }

    // The first source holding `name` in the lookup's order that comes after `after` (so a format that cannot
    // use the archive's copy asks again with the archive as `after`); an empty Resource when none holds it.
    // Reading the archive logs its own lines ("reading file from archive: ...").
    Resource find(std::string_view name, const Lookup& lookup = {}, Source after = Source::None) const;

    IncludeTracker& includes() { return includes_; }

private:
    Resource fromArchive(std::string_view name, const Lookup& lookup) const;
    Resource fromDisk(std::string_view name, const Lookup& lookup) const;

    std::weak_ptr<Archive> archive_;
    std::string diskLog_;
    IncludeTracker includes_;
};

}  // namespace qv3rn
