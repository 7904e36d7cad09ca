// archive_writer.h -- writes the data archive: deflated entries protected with the traditional zip password scheme.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct zip;         // libzip's archive handle (zip_t)
struct zip_source;  // libzip's data source (zip_source_t)

namespace qv3rn {

// Builds a new zip file. Entries are deflated at the highest level and, with a password, encrypted with the
// traditional PKWARE scheme that every unzip program reads. Nothing reaches the disk before commit(); a writer
// destroyed without commit leaves no file behind.
class ArchiveWriter {
public:
    ArchiveWriter() = default;
    ~ArchiveWriter();  // discards an uncommitted archive
    ArchiveWriter(const ArchiveWriter&) = delete;
    ArchiveWriter& operator=(const ArchiveWriter&) = delete;

    // Starts the archive `path` (replacing an existing file at commit). An empty password stores the entries
    // unencrypted.
    bool create(const std::string& path, const std::string& password);

    // Adds an entry under `entryName`, stored byte for byte as given (the caller checks the name).
    bool addFile(const std::string& entryName, const std::string& diskPath);
    bool addData(const std::string& entryName, const std::vector<std::uint8_t>& bytes);

    // Writes the archive and closes it.
    bool commit();

    bool isOpen() const { return handle_ != nullptr; }
    const std::string& lastError() const { return lastError_; }

private:
    bool addSource(const std::string& entryName, zip_source* source);
    bool fail(std::string message);

    zip* handle_ = nullptr;
    std::string password_;
    std::string lastError_;
};

// What packFolder put into the archive.
struct PackedFile {
    std::string entryName;  // relative to the folder, forward slashes
    std::uint64_t size = 0;
};

// Packs every regular file below `folder` into the archive `archivePath`, entry names relative to the folder
// with forward slashes, in byte order of the names so that the same folder always gives the same order.
// The archive itself is skipped when it lies inside the folder. Fails without writing anything when the
// folder is missing, a file cannot be read, or a name cannot be stored as a safe entry name (`error` says
// which file).
bool packFolder(const std::string& folder, const std::string& archivePath, const std::string& password,
                std::vector<PackedFile>& packed, std::string& error);

}  // namespace qv3rn
