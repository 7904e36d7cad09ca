// bzip2_buffer.h -- decompressing a whole bzip2 stream held in memory (a mesh file read from the archive).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace qv3rn {

// Decompresses the bzip2 stream `data` into `output`. Fails (output empty, `error` says why) on data that is not
// bzip2, damaged data, a stream that ends before its end marker, or output that would exceed `limit` bytes.
// Bytes after the end of the first stream are ignored.
bool decompressBzip2(const std::uint8_t* data, std::size_t size, std::vector<std::uint8_t>& output,
                     std::size_t limit, std::string& error);

}  // namespace qv3rn
