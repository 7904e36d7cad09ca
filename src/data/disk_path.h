// disk_path.h -- scripts name disk files with backslashes ("data\art\"); this maps them to the system's slashes.
#pragma once

#include <string>
#include <string_view>

namespace qv3rn {

// `scriptPath` with every backslash turned into a forward slash; nothing else changes. Every disk access to a
// path that came from a script or a search path goes through here.
std::string diskPath(std::string_view scriptPath);

}  // namespace qv3rn
