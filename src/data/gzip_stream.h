// gzip_stream.h -- the gzip text stream behind "gshader" and "gscene" scripts (zlib's gz file functions).
#pragma once

#include "data/compressed_stream.h"

namespace qv3rn {

// Reads gzip files (and, as zlib does, plain files) or writes gzip files.
class GzipStreamBuf : public CompressedStreamBuf {
public:
    GzipStreamBuf() = default;
    ~GzipStreamBuf() override { close(); }
    GzipStreamBuf(const GzipStreamBuf&) = delete;
    GzipStreamBuf& operator=(const GzipStreamBuf&) = delete;

protected:
    bool openFile(const std::string& path, const std::string& libraryMode) override;
    long readFile(char* buffer, std::size_t size) override;
    bool writeFile(const char* buffer, std::size_t size) override;
    bool closeFile() override;

private:
    void* file_ = nullptr;  // gzFile
    bool compressing_ = false;
};

using GzipStream = CompressedStream<GzipStreamBuf>;

}  // namespace qv3rn
