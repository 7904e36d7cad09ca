// script_file.h -- opening scripts and data files on disk: the text source chosen by the extension, disk paths.
#pragma once

#include <cstdint>
#include <istream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace qv3rn {

// The disk path for a path written in a script or a search path ("data\shader\demo.shader"): backslashes
// become forward slashes.
std::string diskPath(std::string_view path);

// The text after the last dot of `path` ("" when it has none).
std::string_view fileExtension(std::string_view path);

// Opens a script on disk as a character stream chosen by its extension: "gshader" and "gscene" are read through
// the gzip stream, "bshader" and "bscene" through the bzip2 stream, anything else as a plain file. Returns
// nullptr when the file cannot be opened; the loader then raises "Unable to open scriptfile => " + path.
// Reading damaged compressed data throws std::runtime_error naming the file.
std::unique_ptr<std::istream> openScriptFile(const std::string& path);

// Reads a whole file from disk into `data` (empty on failure); the disk fall-back of the image and mesh loaders.
bool readDiskFile(const std::string& path, std::vector<std::uint8_t>& data);

}  // namespace qv3rn
