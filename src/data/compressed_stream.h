// compressed_stream.h -- character streams over compressed files: a fixed buffer between the stream and the library.
#pragma once

#include <cstddef>
#include <ios>
#include <istream>
#include <memory>
#include <streambuf>
#include <string>

namespace qv3rn {

// The library mode string for a requested stream mode: "r" for reading alone, "w" for writing (with or
// without truncation), "a" for appending, each followed by "b" for binary access; "" for combinations a
// compressed file cannot serve (reading and writing at once, truncation without writing, ...).
std::string compressedFileMode(std::ios::openmode mode);

// A stream buffer that serves one direction per opening, reading or writing through a buffer of 512 bytes
// (unless set otherwise with pubsetbuf before the first use). A read the library reports as damaged or
// truncated throws std::runtime_error naming the file, so a loader never takes half a file for a whole one.
class CompressedStreamBuf : public std::streambuf {
public:
    static constexpr std::size_t defaultBufferSize = 512;

    ~CompressedStreamBuf() override = default;  // the derived buffer closes its own file

    // Fails when already open, when the mode string is refused, or when the file cannot be opened.
    bool open(const std::string& path, std::ios::openmode mode);

    // Writes out pending output and closes the file; false when not open or when the library reports an error.
    bool close();

    bool isOpen() const { return opened_; }
    const std::string& path() const { return path_; }

protected:
    // The mode string handed to the library, or "" to refuse `mode`.
    virtual std::string libraryMode(std::ios::openmode mode) const { return compressedFileMode(mode); }
    virtual bool openFile(const std::string& path, const std::string& libraryMode) = 0;
    // Fills up to `size` bytes: the count delivered, 0 at the end of the stream, negative for damaged data.
    virtual long readFile(char* buffer, std::size_t size) = 0;
    virtual bool writeFile(const char* buffer, std::size_t size) = 0;
    virtual bool closeFile() = 0;

    int_type underflow() override;
    int_type overflow(int_type c) override;
    int sync() override;
    std::streambuf* setbuf(char* buffer, std::streamsize size) override;

private:
    char* buffer();
    bool writeOut();

    std::string path_;
    bool opened_ = false;
    bool writing_ = false;
    char* buffer_ = nullptr;
    std::size_t bufferSize_ = defaultBufferSize;
    std::unique_ptr<char[]> ownedBuffer_;  // allocated on first use unless the caller supplied a buffer
};

// A stream over one compressed file, e.g. CompressedStream<GzipStreamBuf>.
template <class Buffer>
class CompressedStream : public std::iostream {
public:
    CompressedStream() : std::iostream(nullptr) { rdbuf(&buffer_); }
    CompressedStream(const std::string& path, std::ios::openmode mode) : CompressedStream() { open(path, mode); }

    bool open(const std::string& path, std::ios::openmode mode) {
        if (!buffer_.open(path, mode)) {
            setstate(std::ios::failbit);
            return false;
        }
        clear();
        return true;
    }
    bool close() {
        if (buffer_.close()) return true;
        setstate(std::ios::failbit);
        return false;
    }
    bool isOpen() const { return buffer_.isOpen(); }

private:
    Buffer buffer_;
};

}  // namespace qv3rn
