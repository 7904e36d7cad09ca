// disk_path.cpp -- backslash-to-slash mapping of script paths.
#include "data/disk_path.h"

#include <algorithm>

namespace qv3rn {

std::string diskPath(std::string_view scriptPath) {
    std::string path(scriptPath);
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

}  // namespace qv3rn
