// script_file.cpp -- the text source of a script on disk: plain, gzip or bzip2 by the extension.
#include "data/script_file.h"

#include <filesystem>
#include <fstream>

#include "data/bzip2_stream.h"
#include "data/gzip_stream.h"
#include "data/resource_reader.h"

namespace qv3rn {

namespace {
template <class Stream>
std::unique_ptr<std::istream> openCompressed(const std::string& path) {
    auto stream = std::make_unique<Stream>();
    if (!stream->open(path, std::ios::in | std::ios::binary)) return nullptr;
    stream->exceptions(std::ios::badbit);  // a damaged file surfaces as the runtime error from the buffer
    return stream;
}
}  // namespace

std::unique_ptr<std::istream> openScriptFile(const std::string& path) {
    const std::string file = resourceName(path);
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error) || error) return nullptr;
    const std::string_view extension = fileExtension(file);
    if (extension == "gshader" || extension == "gscene") return openCompressed<GzipStream>(file);
    if (extension == "bshader" || extension == "bscene") return openCompressed<Bzip2Stream>(file);
    auto plain = std::make_unique<std::ifstream>(file);
    if (!plain->is_open()) return nullptr;
    return plain;
}

}  // namespace qv3rn
