// script_file.h -- opening a script on disk as the text source its extension asks for.
#pragma once

#include <istream>
#include <memory>
#include <string>

namespace qv3rn {

// Opens the script `path` (written as in the scripts: backslashes are taken as slashes) as a character stream
// chosen by its extension: "gshader" and "gscene" are read through the gzip stream, "bshader" and "bscene"
// through the bzip2 stream, anything else as a plain file. Returns nullptr when it is no regular file (missing,
// a folder, a device) or cannot be opened. Reading damaged compressed data throws std::runtime_error naming the
// file. Loaders reach it through the resource reader, which decides between the archive and the disk.
std::unique_ptr<std::istream> openScriptFile(const std::string& path);

}  // namespace qv3rn
