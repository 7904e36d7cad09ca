// script_file.cpp -- the text source of a script on disk, and whole-file reading for the disk fall-backs.
#include "data/script_file.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "data/bzip2_stream.h"
#include "data/gzip_stream.h"

namespace qv3rn {

namespace {
std::string slashed(std::string_view path) {
    std::string result(path);
    std::replace(result.begin(), result.end(), '\\', '/');
    return result;
}

template <class Stream>
std::unique_ptr<std::istream> openCompressed(const std::string& path) {
    auto stream = std::make_unique<Stream>();
    if (!stream->open(path, std::ios::in | std::ios::binary)) return nullptr;
    stream->exceptions(std::ios::badbit);  // a damaged file surfaces as the runtime error from the buffer
    return stream;
}
}  // namespace


std::string_view fileExtension(std::string_view path) {
    const std::size_t dot = path.rfind('.');
    return dot == std::string_view::npos ? std::string_view() : path.substr(dot + 1);
}

std::unique_ptr<std::istream> openScriptFile(const std::string& path) {
    const std::string file = slashed(path);
    std::error_code error;
    if (std::filesystem::is_directory(file, error)) return nullptr;
    const std::string_view extension = fileExtension(file);
    if (extension == "gshader" || extension == "gscene") return openCompressed<GzipStream>(file);
    if (extension == "bshader" || extension == "bscene") return openCompressed<Bzip2Stream>(file);
    auto plain = std::make_unique<std::ifstream>(file);
    if (!plain->is_open()) return nullptr;
    return plain;
}

bool readDiskFile(const std::string& path, std::vector<std::uint8_t>& data) {
    data.clear();
    const std::string file = slashed(path);
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error)) return false;
    const std::uintmax_t size = std::filesystem::file_size(file, error);
    std::ifstream in(file, std::ios::binary);
    if (error || !in) return false;
    data.resize(static_cast<std::size_t>(size));
    if (size > 0 && !in.read(reinterpret_cast<char*>(data.data()), static_cast<std::streamsize>(size))) {
        data.clear();
        return false;
    }
    return true;
}

}  // namespace qv3rn
