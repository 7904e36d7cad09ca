// gzip_stream.cpp -- gzopen, gzread, gzwrite, gzflush and gzclose behind the compressed stream buffer.
#include "data/gzip_stream.h"

#include <zlib.h>

#include <algorithm>
#include <climits>

namespace qv3rn {

namespace {
gzFile handle(void* file) { return static_cast<gzFile>(file); }
}  // namespace

bool GzipStreamBuf::openFile(const std::string& path, const std::string& libraryMode) {
    file_ = gzopen(path.c_str(), libraryMode.c_str());
    compressing_ = libraryMode.front() != 'r';
    return file_ != nullptr;
}

long GzipStreamBuf::readFile(char* buffer, std::size_t size) {
    const int got = gzread(handle(file_), buffer, static_cast<unsigned>(std::min<std::size_t>(size, INT_MAX)));
    if (got > 0) return got;
    int code = Z_OK;
    gzerror(handle(file_), &code);
    return code == Z_OK ? 0 : -1;  // a clean end, or a truncated or damaged stream
}

bool GzipStreamBuf::writeFile(const char* buffer, std::size_t size) {
    while (size > 0) {
        const unsigned piece = static_cast<unsigned>(std::min<std::size_t>(size, INT_MAX));
        if (gzwrite(handle(file_), buffer, piece) != static_cast<int>(piece)) return false;
        buffer += piece;
        size -= piece;
    }
    return true;
}

bool GzipStreamBuf::closeFile() {
    const bool finished = !compressing_ || gzflush(handle(file_), Z_FINISH) == Z_OK;
    const int closed = gzclose(handle(file_));
    file_ = nullptr;
    return finished && closed == Z_OK;
}

}  // namespace qv3rn
