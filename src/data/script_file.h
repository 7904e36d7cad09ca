// script_file.h -- opening scripts and data files on disk: the text source chosen by the extension, disk paths.
#pragma once

#include <cstdint>
#include <istream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "data/disk_path.h"  // Required for: diskPath, which loaders use beside openScriptFile (declaration only)

namespace qv3rn {

// The text after the last dot of `path` ("" when it has none).
std::string_view fileExtension(std::string_view path);

// Paths below are written as in the scripts ("data\shader\demo.shader"): backslashes are taken as slashes.

// Opens a script on disk as a character stream chosen by its extension: "gshader" and "gscene" are read through
// the gzip stream, "bshader" and "bscene" through the bzip2 stream, anything else as a plain file. Returns
// nullptr when the file cannot be opened; the loader then raises "Unable to open scriptfile => " + path.
// Reading damaged compressed data throws std::runtime_error naming the file.
std::unique_ptr<std::istream> openScriptFile(const std::string& path);

// Reads a whole file from disk into `data` (empty on failure); the disk fall-back of the image and mesh loaders.
bool readDiskFile(const std::string& path, std::vector<std::uint8_t>& data);

}  // namespace qv3rn
