// folder_watcher.cpp -- the inotify watches on a folder tree and the coalescing of their events.
#include "platform/folder_watcher.h"

#include <sys/inotify.h>
#include <unistd.h>  // Required for: read, close

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace qv3rn::platform {

namespace {

namespace fs = std::filesystem;

// A touch changes only the file's times: IN_ATTRIB when both change, IN_MODIFY when only the modification time
// does; either counts, so that an author can ask for a reload.
constexpr std::uint32_t fileEvents =
    IN_CLOSE_WRITE | IN_MODIFY | IN_ATTRIB | IN_MOVED_TO | IN_MOVED_FROM | IN_DELETE | IN_CREATE;

// Hidden files, editors' backups, and logs: a player started in its content folder writes its own log there, and
// each of its lines would read the scripts again.
bool ignored(const std::string& name) {
    return name.empty() || name[0] == '.' || name.back() == '~' ||
           (name.size() > 4 && name.compare(name.size() - 4, 4, ".log") == 0);
}

}  // namespace

FolderWatcher::~FolderWatcher() {
    if (descriptor_ >= 0) close(descriptor_);
}

bool FolderWatcher::open(const std::string& folder, std::string& error) {
    descriptor_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (descriptor_ < 0) {
        error = std::string("inotify: ") + std::strerror(errno);
        return false;
    }
    std::error_code failed;
    root_ = fs::absolute(folder, failed).string();
    if (failed || !fs::is_directory(root_, failed)) {
        error = folder + ": no such folder";
        return false;
    }
    watch("");
    if (folders_.empty()) error = folder + ": cannot be watched (" + std::strerror(errno) + ")";
    return !folders_.empty();
}

void FolderWatcher::watch(const std::string& folder) {
    const fs::path path = folder.empty() ? fs::path(root_) : fs::path(root_) / folder;
    const int added = inotify_add_watch(descriptor_, path.c_str(), fileEvents);
    if (added < 0) return;
    folders_[added] = folder;
    std::error_code failed;
    for (const fs::directory_entry& entry : fs::directory_iterator(path, failed)) {
        const std::string name = entry.path().filename().string();
        if (entry.is_directory(failed) && !ignored(name)) watch(folder.empty() ? name : folder + "/" + name);
    }
}

std::vector<std::string> FolderWatcher::settled(double now) {
    alignas(inotify_event) char buffer[16384];
    for (;;) {
        const ssize_t length = descriptor_ < 0 ? -1 : read(descriptor_, buffer, sizeof buffer);
        if (length <= 0) break;
        for (ssize_t at = 0; at < length;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            const auto folder = folders_.find(event->wd);
            const std::string name = event->len ? event->name : "";
            if (folder == folders_.end() || ignored(name)) continue;
            const std::string path = folder->second.empty() ? name : folder->second + "/" + name;
            if (event->mask & IN_ISDIR) {
                if (event->mask & (IN_CREATE | IN_MOVED_TO)) watch(path);  // and what was written into it already
                continue;
            }
            if ((event->mask & IN_CREATE) && !(event->mask & IN_CLOSE_WRITE)) {
                lastEvent_ = now;  // its content follows with the close
                continue;
            }
            changed_.insert(path);
            lastEvent_ = now;
        }
    }
    if (changed_.empty() || now - lastEvent_ < quietSeconds) return {};
    std::vector<std::string> files(changed_.begin(), changed_.end());
    changed_.clear();
    return files;
}

}  // namespace qv3rn::platform
