// bzip2_buffer.cpp -- piecewise bzip2 decompression from memory that always ends: at the end marker, on an
// error, or when the input runs out without one.
#include "data/bzip2_buffer.h"

#include <bzlib.h>

#include <algorithm>
#include <climits>

namespace qv3rn {

bool Bzip2BufferReader::open(const std::uint8_t* data, std::size_t size) {
    close();
    if (size == 0 || !data) {
        error_ = "empty bzip2 data";
        return false;
    }
    if (size > UINT_MAX) {
        error_ = "bzip2 data too large";
        return false;
    }
    auto* stream = new bz_stream{};
    if (BZ2_bzDecompressInit(stream, 0, 0) != BZ_OK) {
        delete stream;
        error_ = "cannot start bzip2 decompression";
        return false;
    }
    stream->next_in = const_cast<char*>(reinterpret_cast<const char*>(data));
    stream->avail_in = static_cast<unsigned>(size);
    stream_ = stream;
    return true;
}

std::size_t Bzip2BufferReader::read(void* buffer, std::size_t length) {
    auto* stream = static_cast<bz_stream*>(stream_);
    if (!stream || atEnd_ || failed()) return 0;
    std::size_t done = 0;
    while (done < length) {
        const std::size_t room = std::min<std::size_t>(length - done, UINT_MAX);
        stream->next_out = static_cast<char*>(buffer) + done;
        stream->avail_out = static_cast<unsigned>(room);
        const unsigned inputBefore = stream->avail_in;
        const int result = BZ2_bzDecompress(stream);
        const std::size_t produced = room - stream->avail_out;
        done += produced;
        if (result == BZ_STREAM_END) {
            atEnd_ = true;
            break;
        }
        if (result != BZ_OK) {
            error_ = "damaged bzip2 data";
            return 0;
        }
        // Without input left and without output made, the stream can only be cut short.
        if (produced == 0 && stream->avail_in == inputBefore) {
            error_ = "bzip2 data ends before the end of its stream";
            return 0;
        }
    }
    return done;
}

void Bzip2BufferReader::close() {
    if (auto* stream = static_cast<bz_stream*>(stream_)) {
        BZ2_bzDecompressEnd(stream);
        delete stream;
    }
    stream_ = nullptr;
    atEnd_ = false;
    error_.clear();
}

}  // namespace qv3rn
