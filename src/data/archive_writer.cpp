// archive_writer.cpp -- the zip writer behind "qv3rn-tool pack" and the folder walk that feeds it.
#include "data/archive_writer.h"

#include <zip.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>  // Required for: malloc (libzip frees buffer sources with free)
#include <cstring>
#include <filesystem>

#include "data/archive.h"

namespace qv3rn {

namespace fs = std::filesystem;

ArchiveWriter::~ArchiveWriter() {
    if (handle_) zip_discard(handle_);
}

bool ArchiveWriter::fail(std::string message) {
    lastError_ = std::move(message);
    return false;
}

bool ArchiveWriter::create(const std::string& path, const std::string& password) {
    if (handle_) return fail("an archive is already being written");
    if (!password.empty() && !zip_encryption_method_supported(ZIP_EM_TRAD_PKWARE, 1))
        return fail("this libzip cannot encrypt entries");
    int code = 0;
    handle_ = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    if (!handle_) {
        zip_error_t error;
        zip_error_init_with_code(&error, code);
        lastError_ = path + ": " + zip_error_strerror(&error);
        zip_error_fini(&error);
        return false;
    }
    password_ = password;
    return true;
}

bool ArchiveWriter::addSource(const std::string& entryName, zip_source* source) {
    const zip_int64_t index = zip_file_add(handle_, entryName.c_str(), source, ZIP_FL_ENC_UTF_8);
    if (index < 0) {
        zip_source_free(source);
        return fail(entryName + ": " + zip_strerror(handle_));
    }
    const auto at = static_cast<zip_uint64_t>(index);
    if (zip_set_file_compression(handle_, at, ZIP_CM_DEFLATE, 9) != 0)
        return fail(entryName + ": " + zip_strerror(handle_));
    if (!password_.empty() && zip_file_set_encryption(handle_, at, ZIP_EM_TRAD_PKWARE, password_.c_str()) != 0)
        return fail(entryName + ": " + zip_strerror(handle_));
    return true;
}

bool ArchiveWriter::addFile(const std::string& entryName, const std::string& diskPath) {
    if (!handle_) return fail("no archive is being written");
    // libzip opens the file only at commit: check now, so that the error names the file.
    std::FILE* probe = std::fopen(diskPath.c_str(), "rb");
    if (!probe) return fail(diskPath + ": " + std::strerror(errno));
    std::fclose(probe);
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_file_create(diskPath.c_str(), 0, -1, &error);
    if (!source) {
        lastError_ = diskPath + ": " + zip_error_strerror(&error);
        zip_error_fini(&error);
        return false;
    }
    zip_error_fini(&error);
    return addSource(entryName, source);
}

bool ArchiveWriter::addData(const std::string& entryName, const std::vector<std::uint8_t>& bytes) {
    if (!handle_) return fail("no archive is being written");
    void* copy = nullptr;
    if (!bytes.empty()) {
        copy = std::malloc(bytes.size());
        if (!copy) return fail(entryName + ": out of memory");
        std::memcpy(copy, bytes.data(), bytes.size());
    }
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(copy, bytes.size(), 1, &error);
    if (!source) {
        std::free(copy);
        lastError_ = entryName + ": " + zip_error_strerror(&error);
        zip_error_fini(&error);
        return false;
    }
    zip_error_fini(&error);
    return addSource(entryName, source);
}

bool ArchiveWriter::commit() {
    if (!handle_) return fail("no archive is being written");
    if (zip_close(handle_) != 0) {
        lastError_ = zip_strerror(handle_);
        zip_discard(handle_);
        handle_ = nullptr;
        return false;
    }
    handle_ = nullptr;
    return true;
}

bool packFolder(const std::string& folder, const std::string& archivePath, const std::string& password,
                std::vector<PackedFile>& packed, std::string& error) {
    packed.clear();
    std::error_code code;
    if (!fs::is_directory(folder, code)) {
        error = folder + ": not a folder";
        return false;
    }
    const fs::path root = fs::weakly_canonical(folder, code);
    const fs::path archiveItself = fs::weakly_canonical(archivePath, code);

    struct Source {
        std::string entryName;
        fs::path path;
    };
    std::vector<Source> sources;
    std::error_code walkError;
    fs::recursive_directory_iterator walk(root, fs::directory_options::none, walkError);
    for (; !walkError && walk != fs::recursive_directory_iterator(); walk.increment(walkError)) {
        const fs::path& path = walk->path();
        std::error_code fileError;
        if (!fs::is_regular_file(path, fileError)) continue;  // folders, devices, dangling links
        if (fs::weakly_canonical(path, fileError) == archiveItself) continue;
        const std::string entryName = path.lexically_relative(root).generic_string();
        if (!isSafeEntryName(entryName)) {
            error = path.string() + ": the name cannot be stored in the archive (no backslashes)";
            return false;
        }
        sources.push_back({entryName, path});
    }
    if (walkError) {
        error = folder + ": " + walkError.message();
        return false;
    }
    if (sources.empty()) {
        error = folder + ": no files to pack";
        return false;
    }
    std::sort(sources.begin(), sources.end(),
              [](const Source& a, const Source& b) { return a.entryName < b.entryName; });

    ArchiveWriter writer;
    if (!writer.create(archivePath, password)) {
        error = writer.lastError();
        return false;
    }
    for (const Source& source : sources) {
        if (!writer.addFile(source.entryName, source.path.string())) {
            error = writer.lastError();
            return false;
        }
        std::error_code sizeError;
        const std::uintmax_t size = fs::file_size(source.path, sizeError);
        packed.push_back({source.entryName, sizeError ? 0 : static_cast<std::uint64_t>(size)});
    }
    if (!writer.commit()) {
        error = archivePath + ": " + writer.lastError();
        packed.clear();
        return false;
    }
    return true;
}

}  // namespace qv3rn
