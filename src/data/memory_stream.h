// memory_stream.h -- a read-only input stream straight over a memory buffer (an archive entry), without copying it.
#pragma once

#include <cstddef>
#include <istream>
#include <streambuf>

namespace qv3rn {

// Reads exactly the bytes of the buffer and never past its end; the buffer must outlive the stream.
class MemoryStreamBuf : public std::streambuf {
public:
    MemoryStreamBuf(const void* data, std::size_t size);

protected:
    pos_type seekoff(off_type offset, std::ios::seekdir dir, std::ios::openmode which) override;
    pos_type seekpos(pos_type position, std::ios::openmode which) override;
};

class MemoryStream : public std::istream {
public:
    MemoryStream(const void* data, std::size_t size) : std::istream(nullptr), buffer_(data, size) { rdbuf(&buffer_); }

private:
    MemoryStreamBuf buffer_;
};

}  // namespace qv3rn
