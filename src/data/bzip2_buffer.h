// bzip2_buffer.h -- reading a bzip2 stream held in memory piece by piece (a mesh file read from the archive).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace qv3rn {

// Delivers the decompressed bytes of the bzip2 stream in `data` on demand, so that a reader can decide from
// the first bytes how many more it will take. Bytes after the end of the first stream are ignored.
class Bzip2BufferReader {
public:
    Bzip2BufferReader() = default;
    ~Bzip2BufferReader() { close(); }
    Bzip2BufferReader(const Bzip2BufferReader&) = delete;
    Bzip2BufferReader& operator=(const Bzip2BufferReader&) = delete;

    // Starts on `data`, which must outlive the reading. Fails (error() says why) on empty or oversized data.
    bool open(const std::uint8_t* data, std::size_t size);

    // Fills `buffer` with up to `length` bytes and returns how many it delivered: `length` while the data lasts,
    // the remaining bytes at the end of the stream, 0 after the end. Data that is not bzip2, damaged data and a
    // stream cut short deliver 0 and set failed() with the reason in error().
    std::size_t read(void* buffer, std::size_t length);

    bool atEnd() const { return atEnd_; }
    bool failed() const { return !error_.empty(); }
    const std::string& error() const { return error_; }
    void close();

private:
    void* stream_ = nullptr;  // bz_stream
    bool atEnd_ = false;
    std::string error_;
};

}  // namespace qv3rn
