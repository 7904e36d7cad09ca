// archive.h -- the password-protected data archive: opens the zip file and hands out whole entries as buffers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct zip;  // libzip's archive handle (zip_t)

namespace qv3rn {

// The password the demo's "data.dat" is protected with.
inline constexpr const char* demoArchivePassword = "wolmz352";

// One entry of the central directory, as listed by the tools.
struct ArchiveEntry {
    std::string name;                  // the stored name, byte for byte
    std::uint64_t size = 0;            // uncompressed size claimed by the directory
    std::uint64_t compressedSize = 0;  // stored size, encryption header included
    bool encrypted = false;
};

// Reads entries of a zip archive whose entries may be protected with the traditional zip password scheme.
// Only the four log lines "Opening archive", "reading file from archive", "unable to read file from archive"
// and "Closed archive" are written; every other failure is reported by the result alone (and by lastError()
// for the command-line tools).
class Archive {
public:
    Archive() = default;
    ~Archive();  // closes the archive and forgets the password
    Archive(const Archive&) = delete;
    Archive& operator=(const Archive&) = delete;

    // Fails for an empty path or password (nothing logged) and for a file that is not a readable zip.
    // An open archive is closed first.
    bool open(const std::string& path, const std::string& password);

    // The same over a zip image in memory (`name` is what the log shows); `data` must outlive the archive.
    bool openBuffer(const void* data, std::size_t size, const std::string& name, const std::string& password);

    // Reads the entry `name` (backslashes taken as forward slashes, otherwise matched exactly and
    // case-sensitively) into `data`, which then holds exactly the entry's bytes. On failure `data` is empty:
    // a missing entry, a wrong password, damaged data, a checksum mismatch or an entry that inflates to another
    // size than its directory claims.
    bool readFile(const std::string& name, std::vector<std::uint8_t>& data);

    void close();
    bool isOpen() const { return handle_ != nullptr; }

    // The entries of the central directory, in stored order (empty when closed).
    std::vector<ArchiveEntry> entries() const;

    // What went wrong in the last failed open or readFile, for messages of the tools.
    const std::string& lastError() const { return lastError_; }

private:
    bool adopt(zip* handle, const std::string& name, const std::string& password);
    bool fail(std::string message);

    zip* handle_ = nullptr;
    std::uint64_t archiveBytes_ = 0;  // the size of the zip file: no entry's data can be larger
    std::string password_;
    std::string lastError_;
};

// True for a relative entry name that stays inside the folder it is extracted to or packed from: not empty,
// forward slashes only, no leading slash, no drive letter, and no empty, "." or ".." component.
bool isSafeEntryName(std::string_view name);

}  // namespace qv3rn
