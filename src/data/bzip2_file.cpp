// bzip2_file.cpp -- bzip2 file reading and writing over libbz2's stdio interface.
#include "data/bzip2_file.h"

#include <bzlib.h>

#include <algorithm>
#include <climits>

namespace qv3rn {

namespace {
// libbz2 counts in int: larger requests go through in pieces of this size.
constexpr std::size_t largestPiece = INT_MAX / 2;
}  // namespace

bool Bzip2FileReader::open(const std::string& path) {
    if (file_) return false;
    file_ = std::fopen(path.c_str(), "rb");
    if (!file_) return false;
    int error = BZ_OK;
    stream_ = BZ2_bzReadOpen(&error, file_, 0, 0, nullptr, 0);
    if (error != BZ_OK) {
        BZ2_bzReadClose(&error, stream_);
        std::fclose(file_);
        file_ = nullptr;
        stream_ = nullptr;
        return false;
    }
    atEnd_ = false;
    failed_ = false;
    return true;
}

std::size_t Bzip2FileReader::read(void* buffer, std::size_t length) {
    if (!file_ || atEnd_ || failed_) return 0;
    std::size_t done = 0;
    while (done < length) {
        const int piece = static_cast<int>(std::min(length - done, largestPiece));
        int error = BZ_OK;
        const int got = BZ2_bzRead(&error, stream_, static_cast<char*>(buffer) + done, piece);
        if (error == BZ_OK || error == BZ_STREAM_END) done += static_cast<std::size_t>(std::max(got, 0));
        if (error == BZ_STREAM_END) {
            atEnd_ = true;
            break;
        }
        if (error != BZ_OK) {  // truncated file (BZ_UNEXPECTED_EOF), damaged data, not bzip2 at all
            failed_ = true;
            return 0;
        }
    }
    return done;
}

void Bzip2FileReader::close() {
    if (!file_) return;
    int error = BZ_OK;
    BZ2_bzReadClose(&error, stream_);
    std::fclose(file_);
    file_ = nullptr;
    stream_ = nullptr;
}

bool Bzip2FileWriter::open(const std::string& path) {
    if (file_) return false;
    file_ = std::fopen(path.c_str(), "wb");
    if (!file_) return false;
    int error = BZ_OK;
    stream_ = BZ2_bzWriteOpen(&error, file_, 9, 0, 0);
    if (error != BZ_OK) {
        BZ2_bzWriteClose(&error, stream_, 1, nullptr, nullptr);
        std::fclose(file_);
        file_ = nullptr;
        stream_ = nullptr;
        return false;
    }
    failed_ = false;
    return true;
}

std::size_t Bzip2FileWriter::write(const void* buffer, std::size_t length) {
    if (!file_ || failed_) return 0;
    std::size_t done = 0;
    while (done < length) {
        const int piece = static_cast<int>(std::min(length - done, largestPiece));
        int error = BZ_OK;
        BZ2_bzWrite(&error, stream_, const_cast<char*>(static_cast<const char*>(buffer)) + done, piece);
        if (error != BZ_OK) {
            failed_ = true;
            return 0;
        }
        done += static_cast<std::size_t>(piece);
    }
    return length;
}

bool Bzip2FileWriter::close() {
    if (!file_) return false;
    int error = BZ_OK;
    BZ2_bzWriteClose64(&error, stream_, failed_ ? 1 : 0, nullptr, nullptr, nullptr, nullptr);
    const bool finished = error == BZ_OK && !failed_;
    const bool flushed = std::fflush(file_) == 0 && std::ferror(file_) == 0;
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    stream_ = nullptr;
    return finished && flushed && closed;
}

}  // namespace qv3rn
