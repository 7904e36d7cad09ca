// bzip2_stream.cpp -- the bzip2 file reader and writer behind the compressed stream buffer.
#include "data/bzip2_stream.h"

namespace qv3rn {

std::string Bzip2StreamBuf::libraryMode(std::ios::openmode mode) const {
    std::string text = compressedFileMode(mode);
    if (text.empty() || text.front() == 'a') return {};
    if (text.front() == 'w') text += '9';
    return text;
}

bool Bzip2StreamBuf::openFile(const std::string& path, const std::string& libraryMode) {
    return libraryMode.front() == 'r' ? reader_.open(path) : writer_.open(path);
}

long Bzip2StreamBuf::readFile(char* buffer, std::size_t size) {
    const std::size_t got = reader_.read(buffer, size);
    return reader_.failed() ? -1 : static_cast<long>(got);
}

bool Bzip2StreamBuf::writeFile(const char* buffer, std::size_t size) { return writer_.write(buffer, size) == size; }

bool Bzip2StreamBuf::closeFile() {
    if (writer_.isOpen()) return writer_.close();
    reader_.close();
    return true;
}

}  // namespace qv3rn
