// bzip2_file.h -- the bzip2 file reader and writer through which mesh files (and bzip2 scripts) are read and written.
#pragma once

#include <cstddef>
#include <cstdio>  // Required for: FILE
#include <string>

namespace qv3rn {

// Reads the decompressed bytes of a bzip2 file.
class Bzip2FileReader {
public:
    Bzip2FileReader() = default;
    ~Bzip2FileReader() { close(); }
    Bzip2FileReader(const Bzip2FileReader&) = delete;
    Bzip2FileReader& operator=(const Bzip2FileReader&) = delete;

    bool open(const std::string& path);  // fails when a file is already open or the file cannot be opened

    // Fills `buffer` with up to `length` bytes and returns how many it delivered: `length` while the data lasts,
    // the remaining bytes at the end of the stream, 0 after the end. Truncated or damaged data delivers 0 and sets
    // failed(): a reader never loops on a stream that cannot make progress.
    std::size_t read(void* buffer, std::size_t length);

    bool atEnd() const { return atEnd_; }
    bool failed() const { return failed_; }
    bool isOpen() const { return file_ != nullptr; }
    void close();

private:
    std::FILE* file_ = nullptr;
    void* stream_ = nullptr;  // BZFILE
    bool atEnd_ = false;
    bool failed_ = false;
};

// Writes a bzip2 file with the largest block size (900 kB blocks).
class Bzip2FileWriter {
public:
    Bzip2FileWriter() = default;
    ~Bzip2FileWriter() { close(); }
    Bzip2FileWriter(const Bzip2FileWriter&) = delete;
    Bzip2FileWriter& operator=(const Bzip2FileWriter&) = delete;

    bool open(const std::string& path);  // fails when a file is already open or the file cannot be created

    // Compresses `length` bytes; returns `length`, or 0 when the library or the disk reported an error.
    std::size_t write(const void* buffer, std::size_t length);

    // Finishes the stream and closes the file; false when anything written since open was lost.
    bool close();
    bool isOpen() const { return file_ != nullptr; }

private:
    std::FILE* file_ = nullptr;
    void* stream_ = nullptr;  // BZFILE
    bool failed_ = false;
};

}  // namespace qv3rn
