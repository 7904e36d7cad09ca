// compressed_stream.cpp -- buffering, mode strings and error reporting shared by the gzip and bzip2 streams.
#include "data/compressed_stream.h"

#include <stdexcept>

namespace qv3rn {

std::string compressedFileMode(std::ios::openmode mode) {
    const std::ios::openmode direction = mode & ~std::ios::binary;
    std::string text;
    if (direction == std::ios::in)
        text = "r";
    else if (direction == std::ios::out || direction == (std::ios::out | std::ios::trunc))
        text = "w";
    else if (direction == std::ios::app || direction == (std::ios::out | std::ios::app))
        text = "a";
    else
        return {};
    if (mode & std::ios::binary) text += 'b';
    return text;
}

bool CompressedStreamBuf::open(const std::string& path, std::ios::openmode mode) {
    if (opened_) return false;
    const std::string library = libraryMode(mode);
    if (library.empty() || !openFile(path, library)) return false;
    path_ = path;
    opened_ = true;
    writing_ = library.front() != 'r';
    setg(nullptr, nullptr, nullptr);
    setp(nullptr, nullptr);
    return true;
}

bool CompressedStreamBuf::close() {
    if (!opened_) return false;
    const bool written = !writing_ || writeOut();
    const bool closed = closeFile();
    opened_ = false;
    setg(nullptr, nullptr, nullptr);
    setp(nullptr, nullptr);
    return written && closed;
}

char* CompressedStreamBuf::buffer() {
    if (!buffer_) {
        ownedBuffer_ = std::make_unique<char[]>(bufferSize_);
        buffer_ = ownedBuffer_.get();
    }
    return buffer_;
}

CompressedStreamBuf::int_type CompressedStreamBuf::underflow() {
    if (!opened_ || writing_) return traits_type::eof();
    if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
    char* data = buffer();
    const long got = readFile(data, bufferSize_);
    if (got < 0) {
        setg(nullptr, nullptr, nullptr);
        throw std::runtime_error("Unable to read compressed file => " + path_);
    }
    if (got == 0) return traits_type::eof();
    setg(data, data, data + got);
    return traits_type::to_int_type(*gptr());
}

bool CompressedStreamBuf::writeOut() {
    const std::ptrdiff_t pending = pptr() - pbase();
    if (pending > 0 && !writeFile(pbase(), static_cast<std::size_t>(pending))) return false;
    setp(buffer(), buffer() + bufferSize_);
    return true;
}

CompressedStreamBuf::int_type CompressedStreamBuf::overflow(int_type c) {
    if (!opened_ || !writing_) return traits_type::eof();
    if (pptr() == epptr() && !writeOut()) return traits_type::eof();
    if (!traits_type::eq_int_type(c, traits_type::eof())) {
        *pptr() = traits_type::to_char_type(c);
        pbump(1);
    }
    return traits_type::not_eof(c);
}

int CompressedStreamBuf::sync() {
    if (!opened_ || !writing_) return 0;
    return writeOut() ? 0 : -1;
}

std::streambuf* CompressedStreamBuf::setbuf(char* data, std::streamsize size) {
    if (opened_ || size <= 0 || buffer_) return nullptr;  // only before the first use
    bufferSize_ = static_cast<std::size_t>(size);
    if (data) buffer_ = data;
    return this;
}

}  // namespace qv3rn
