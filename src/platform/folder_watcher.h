// folder_watcher.h -- notices files changing in a folder and its subfolders (Linux inotify), so that a player
// playing from a content folder can read its scripts again after an author saves one.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

namespace qv3rn::platform {

class FolderWatcher {
public:
    // An editor's save is a burst of events (a temporary file, a rename, a second write): the files changed are
    // handed out once no event has come for this long.
    static constexpr double quietSeconds = 0.3;

    FolderWatcher() = default;
    ~FolderWatcher();
    FolderWatcher(const FolderWatcher&) = delete;
    FolderWatcher& operator=(const FolderWatcher&) = delete;

    // Watches `folder` and every folder below it, and those made later; false with `error` set when it cannot.
    bool open(const std::string& folder, std::string& error);

    // Reads the events that came since the last call without waiting; once the folder has been quiet for
    // quietSeconds at `now` (seconds of any steady clock), returns the files written, touched, made, moved in or
    // removed since the last list (paths relative to the folder, sorted), else nothing. Hidden files, editors' backup
    // files ("name~", ".name.swp") and logs ("*.log") do not count.
    std::vector<std::string> settled(double now);

    // The folders watched: the root and those below it.
    std::size_t folders() const { return folders_.size(); }

private:
    void watch(const std::string& folder);

    int descriptor_ = -1;
    std::string root_;
    std::map<int, std::string> folders_;  // watch descriptor -> folder relative to the root ("" the root)
    std::set<std::string> changed_;
    double lastEvent_ = 0.0;
};

}  // namespace qv3rn::platform
