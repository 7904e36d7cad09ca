// archive.cpp -- entry lookup, decryption, inflation and the checks on what an entry delivers, over libzip.
#include "data/archive.h"

#include <zip.h>

#include <algorithm>
#include <filesystem>
#include <limits>
#include <string>

#include "core/input_limits.h"
#include "core/log.h"
#include "data/resource_reader.h"

namespace qv3rn {

namespace {

// The buffer is allocated at the directory's size at once when that size is plausible: up to 1 MB, or up to 64
// times the compressed size (any real script, image or mesh), and never beyond 64 MB. A larger claim is only
// believed as far as the inflated data goes, so a damaged directory cannot make us allocate gigabytes.
std::uint64_t upfrontAllocation(const zip_stat_t& info) {
    constexpr std::uint64_t always = 1u << 20, ceiling = readingAllowance, ratio = 64;
    std::uint64_t plausible = ceiling;
    if (info.valid & ZIP_STAT_COMP_SIZE) plausible = std::min(ceiling, std::max(always, info.comp_size * ratio));
    return std::min(info.size, plausible);
}

// An entry's data lies inside the archive, and deflate cannot expand data by more than about 1032 to 1 (stored
// data not at all), so a directory size beyond that is a lie found before any allocation. Other methods are
// only limited by readWholeEntry.
bool sizeIsPossible(const zip_stat_t& info, std::uint64_t archiveBytes) {
    if (!(info.valid & ZIP_STAT_COMP_SIZE)) return true;
    if (info.comp_size > archiveBytes) return false;
    if (!(info.valid & ZIP_STAT_COMP_METHOD)) return true;
    if (info.comp_method != ZIP_CM_STORE && info.comp_method != ZIP_CM_DEFLATE) return true;
    if (info.comp_size > std::numeric_limits<std::uint64_t>::max() / maxDeflateRatio) return true;
    return info.size <= info.comp_size * maxDeflateRatio + 1024;
}

std::string zipErrorText(int code) {
    zip_error_t error;
    zip_error_init_with_code(&error, code);
    std::string text = zip_error_strerror(&error);
    zip_error_fini(&error);
    return text;
}

// Reads exactly `size` bytes of an open entry, then checks that the entry ends there: libzip verifies the
// checksum and the directory's size only when it reaches the end of the inflated data.
bool readWholeEntry(zip_file_t* file, std::uint64_t size, std::uint64_t upfront, std::vector<std::uint8_t>& data,
                    std::string& error) {
    std::uint64_t done = 0;
    data.resize(static_cast<std::size_t>(upfront));
    while (done < size) {
        if (done == data.size()) data.resize(static_cast<std::size_t>(std::min(size, done * 2)));
        const zip_int64_t got = zip_fread(file, data.data() + done, data.size() - done);
        if (got < 0) {
            error = zip_error_strerror(zip_file_get_error(file));
            return false;
        }
        if (got == 0) {
            error = "entry is shorter than its directory entry says";
            return false;
        }
        done += static_cast<std::uint64_t>(got);
    }
    std::uint8_t extra = 0;
    const zip_int64_t beyond = zip_fread(file, &extra, 1);
    if (beyond < 0) {
        error = zip_error_strerror(zip_file_get_error(file));
        return false;
    }
    if (beyond > 0) {
        error = "entry is longer than its directory entry says";
        return false;
    }
    return true;
}

}  // namespace

Archive::~Archive() {
    close();
    password_.clear();
}

bool Archive::fail(std::string message) {
    lastError_ = std::move(message);
    return false;
}

bool Archive::open(const std::string& path, const std::string& password) {
    if (path.empty()) return fail("no archive path given");
    if (password.empty()) return fail("no password given");
    close();
    int code = 0;
    zip_t* handle = zip_open(path.c_str(), ZIP_RDONLY, &code);
    if (!handle) return fail(zipErrorText(code));
    std::error_code error;
    const std::uintmax_t bytes = std::filesystem::file_size(path, error);
    archiveBytes_ = error ? std::numeric_limits<std::uint64_t>::max() : static_cast<std::uint64_t>(bytes);
    return adopt(handle, path, password);
}

bool Archive::openBuffer(const void* data, std::size_t size, const std::string& name, const std::string& password) {
    if (password.empty()) return fail("no password given");
    close();
    if (!data || size == 0) return fail("Not a zip archive");  // libzip would take an empty buffer as an empty archive
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(data, size, 0, &error);
    zip_t* handle = source ? zip_open_from_source(source, ZIP_RDONLY, &error) : nullptr;
    if (!handle) {
        if (source) zip_source_free(source);
        lastError_ = zip_error_strerror(&error);
        zip_error_fini(&error);
        return false;
    }
    zip_error_fini(&error);
    archiveBytes_ = size;
    return adopt(handle, name, password);
}

bool Archive::adopt(zip* handle, const std::string& name, const std::string& password) {
    handle_ = handle;
    password_ = password;
    lastError_.clear();
    logger().printf("Opening archive %s", name.c_str());
    return true;
}

bool Archive::readFile(const std::string& name, std::vector<std::uint8_t>& data) {
    data.clear();
    if (!handle_) return fail("archive is not open");

    const std::string entry = resourceName(name);
    const zip_int64_t index =
        entry.find('\0') == std::string::npos ? zip_name_locate(handle_, entry.c_str(), ZIP_FL_ENC_RAW) : -1;
    if (index < 0) {
        logger().printf("unable to read file from archive: %s", entry.c_str());
        return fail("no entry " + entry);
    }
    logger().printf("reading file from archive: %s", entry.c_str());

    zip_stat_t info;
    if (zip_stat_index(handle_, static_cast<zip_uint64_t>(index), ZIP_FL_ENC_RAW, &info) != 0 ||
        !(info.valid & ZIP_STAT_SIZE))
        return fail(entry + ": " + zip_strerror(handle_));
    if (info.size > std::numeric_limits<std::size_t>::max() / 2) return fail(entry + ": entry size out of range");
    // Refused here rather than by zip_fopen, which leaks its half-built reader for an unknown encryption method.
    if ((info.valid & ZIP_STAT_ENCRYPTION_METHOD) && info.encryption_method != ZIP_EM_NONE &&
        !zip_encryption_method_supported(info.encryption_method, 0))
        return fail(entry + ": unsupported encryption method " + std::to_string(info.encryption_method));
    if ((info.valid & ZIP_STAT_COMP_METHOD) && !zip_compression_method_supported(info.comp_method, 0))
        return fail(entry + ": unsupported compression method " + std::to_string(info.comp_method));
    if (!sizeIsPossible(info, archiveBytes_))
        return fail(entry + ": the directory claims more than the entry's data can hold");

    zip_file_t* file =
        zip_fopen_index_encrypted(handle_, static_cast<zip_uint64_t>(index), 0, password_.c_str());
    if (!file) return fail(entry + ": " + zip_strerror(handle_));

    std::string error;
    const bool complete = readWholeEntry(file, info.size, upfrontAllocation(info), data, error);
    const int closeResult = zip_fclose(file);
    if (!complete || closeResult != 0) {
        data.clear();
        data.shrink_to_fit();
        return fail(entry + ": " + (complete ? zipErrorText(closeResult) : error));
    }
    return true;
}

void Archive::close() {
    if (!handle_) return;
    logger().writeLine("Closed archive");
    zip_discard(handle_);  // read-only: nothing to write back
    handle_ = nullptr;
}

std::vector<ArchiveEntry> Archive::entries() const {
    std::vector<ArchiveEntry> list;
    if (!handle_) return list;
    const zip_int64_t count = zip_get_num_entries(handle_, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t info;
        if (zip_stat_index(handle_, static_cast<zip_uint64_t>(i), ZIP_FL_ENC_RAW, &info) != 0) continue;
        ArchiveEntry entry;
        if (info.valid & ZIP_STAT_NAME) entry.name = info.name;
        if (info.valid & ZIP_STAT_SIZE) entry.size = info.size;
        if (info.valid & ZIP_STAT_COMP_SIZE) entry.compressedSize = info.comp_size;
        entry.encrypted = (info.valid & ZIP_STAT_ENCRYPTION_METHOD) && info.encryption_method != ZIP_EM_NONE;
        list.push_back(std::move(entry));
    }
    return list;
}

bool isSafeEntryName(std::string_view name) {
    if (name.empty() || name.front() == '/') return false;
    if (name.find('\\') != std::string_view::npos || name.find('\0') != std::string_view::npos) return false;
    if (name.size() >= 2 && name[1] == ':') return false;  // a drive letter
    if (name.back() == '/') name.remove_suffix(1);           // a folder entry
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = std::min(name.find('/', start), name.size());
        const std::string_view part = name.substr(start, end - start);
        if (part.empty() || part == "." || part == "..") return false;
        if (end == name.size()) return true;
        start = end + 1;
    }
}

}  // namespace qv3rn
