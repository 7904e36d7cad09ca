// playback_keys.h -- the keys that steer playback in a window (Space, the arrow keys, R), watched on the desktop
// back end's event stream, and the window title used as a status line.
#pragma once

#include <mutex>
#include <string>
#include <vector>

namespace qv3rn::platform {

enum class PlaybackKey {
    PauseResume,  // Space
    SeekBack,     // Left arrow
    SeekForward,  // Right arrow
    Reload,       // R
};

// Collects the presses of the playback keys as the window system takes its events in, without taking any
// event away from it (the window keeps its own handling of Escape and the close box). Only the desktop back
// end has a keyboard: elsewhere nothing is ever reported unless press() is called.
class PlaybackKeys {
public:
    PlaybackKeys();
    ~PlaybackKeys();
    PlaybackKeys(const PlaybackKeys&) = delete;
    PlaybackKeys& operator=(const PlaybackKeys&) = delete;

    // True when a keyboard is being watched.
    bool watching() const { return watching_; }
    // The keys pressed since the last call, oldest first. Held arrow keys repeat; Space and R do not.
    std::vector<PlaybackKey> take();
    // Reports a key as if it had been pressed.
    void press(PlaybackKey key);

private:
    std::mutex mutex_;  // the window system may add events from another thread
    std::vector<PlaybackKey> pressed_;
    bool watching_ = false;
};

// Sets the title of the window whose OpenGL context is current; false when there is no such window (headless).
bool setCurrentWindowTitle(const std::string& title);

}  // namespace qv3rn::platform
