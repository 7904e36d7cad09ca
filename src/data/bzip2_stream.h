// bzip2_stream.h -- the bzip2 text stream behind "bshader" and "bscene" scripts.
#pragma once

#include "data/bzip2_file.h"
#include "data/compressed_stream.h"

namespace qv3rn {

// Reads or writes a bzip2 file (block size 9 when writing). Appending is refused: a second bzip2 stream
// after the first would never be read back.
class Bzip2StreamBuf : public CompressedStreamBuf {
public:
    Bzip2StreamBuf() = default;
    ~Bzip2StreamBuf() override { close(); }
    Bzip2StreamBuf(const Bzip2StreamBuf&) = delete;
    Bzip2StreamBuf& operator=(const Bzip2StreamBuf&) = delete;

protected:
    std::string libraryMode(std::ios::openmode mode) const override;
    bool openFile(const std::string& path, const std::string& libraryMode) override;
    long readFile(char* buffer, std::size_t size) override;
    bool writeFile(const char* buffer, std::size_t size) override;
    bool closeFile() override;

private:
    Bzip2FileReader reader_;
    Bzip2FileWriter writer_;
};

using Bzip2Stream = CompressedStream<Bzip2StreamBuf>;

}  // namespace qv3rn
