// bzip2_buffer.cpp -- whole-buffer bzip2 decompression that always ends: at the end marker, on an error, or
// when the input runs out without one.
#include "data/bzip2_buffer.h"

#include <bzlib.h>

#include <algorithm>
#include <climits>

namespace qv3rn {

bool decompressBzip2(const std::uint8_t* data, std::size_t size, std::vector<std::uint8_t>& output,
                     std::size_t limit, std::string& error) {
    output.clear();
    if (size == 0 || !data) {
        error = "empty bzip2 data";
        return false;
    }
    if (size > UINT_MAX) {
        error = "bzip2 data too large";
        return false;
    }
    bz_stream stream{};
    if (BZ2_bzDecompressInit(&stream, 0, 0) != BZ_OK) {
        error = "cannot start bzip2 decompression";
        return false;
    }
    stream.next_in = const_cast<char*>(reinterpret_cast<const char*>(data));
    stream.avail_in = static_cast<unsigned>(size);

    // The output starts at four times the input and grows by twice the input whenever it fills up.
    std::size_t used = 0;
    output.resize(std::min(limit, 4 * size));
    int result = BZ_OK;
    while (true) {
        if (used == output.size()) {
            if (output.size() >= limit) {
                error = "decompressed data larger than " + std::to_string(limit) + " bytes";
                break;
            }
            output.resize(std::min(limit, used + 2 * size));
        }
        const std::size_t room = std::min<std::size_t>(output.size() - used, UINT_MAX);
        stream.next_out = reinterpret_cast<char*>(output.data() + used);
        stream.avail_out = static_cast<unsigned>(room);
        const unsigned inputBefore = stream.avail_in;
        result = BZ2_bzDecompress(&stream);
        const std::size_t produced = room - stream.avail_out;
        used += produced;
        if (result == BZ_STREAM_END) break;
        if (result != BZ_OK) {
            error = "damaged bzip2 data";
            break;
        }
        // Without input left and without output made, the stream can only be cut short.
        if (produced == 0 && stream.avail_in == inputBefore) {
            error = "bzip2 data ends before the end of its stream";
            result = BZ_UNEXPECTED_EOF;
            break;
        }
    }
    BZ2_bzDecompressEnd(&stream);
    if (result != BZ_STREAM_END) {
        output.clear();
        return false;
    }
    output.resize(used);
    return true;
}

}  // namespace qv3rn
