// memory_stream.cpp -- the get area of the memory stream is the caller's buffer itself.
#include "data/memory_stream.h"

namespace qv3rn {

MemoryStreamBuf::MemoryStreamBuf(const void* data, std::size_t size) {
    // The get area is only read through; const is restored by the stream offering no put area.
    char* begin = const_cast<char*>(static_cast<const char*>(data));
    if (!begin) size = 0;
    setg(begin, begin, begin + size);
}

MemoryStreamBuf::pos_type MemoryStreamBuf::seekoff(off_type offset, std::ios::seekdir dir, std::ios::openmode which) {
    if (!(which & std::ios::in)) return pos_type(off_type(-1));
    off_type base = dir == std::ios::beg ? 0 : dir == std::ios::cur ? gptr() - eback() : egptr() - eback();
    off_type target = base + offset;
    if (target < 0 || target > egptr() - eback()) return pos_type(off_type(-1));
    setg(eback(), eback() + target, egptr());
    return pos_type(target);
}

MemoryStreamBuf::pos_type MemoryStreamBuf::seekpos(pos_type position, std::ios::openmode which) {
    return seekoff(off_type(position), std::ios::beg, which);
}

}  // namespace qv3rn
