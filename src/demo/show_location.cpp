// show_location.cpp -- the show's folder and the log's place, looked up in their order.
#include "demo/show_location.h"

#include <unistd.h>  // Required for: access

#include <cstdlib>

namespace qv3rn {

namespace fs = std::filesystem;

namespace {

constexpr const char* archiveName = "data.dat";
constexpr const char* logName = "application.log";

bool holdsShow(const fs::path& folder) {
    std::error_code error;
    return !folder.empty() && fs::is_regular_file(folder / archiveName, error);
}

}  // namespace

fs::path locateShow(const fs::path& working, const fs::path& installed, std::string& error) {
    for (const fs::path& folder : {working, installed})
        if (holdsShow(folder)) return folder;
    error = std::string(archiveName) + " is neither in the working folder " + working.string() +
            " nor in the installed show's folder " + (installed.empty() ? "(unknown)" : installed.string());
    return {};
}

fs::path installedShowFolder() {
    std::error_code error;
    const fs::path program = fs::read_symlink("/proc/self/exe", error);
    if (error) return {};
    return (program.parent_path() / installedShowSubfolder).lexically_normal();
}

fs::path logFilePath(const fs::path& working) {
    if (access(working.c_str(), W_OK) == 0) return working / logName;
    fs::path state;
    if (const char* home = std::getenv("XDG_STATE_HOME"); home && *home == '/')
        state = home;
    else if (const char* user = std::getenv("HOME"); user && *user)
        state = fs::path(user) / ".local/state";
    else
        return working / logName;  // nowhere better: the log is lost if the folder stays read-only
    std::error_code error;
    fs::create_directories(state / "qv3rn", error);
    return state / "qv3rn" / logName;
}

}  // namespace qv3rn
