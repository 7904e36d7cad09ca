// playback_keys.cpp -- watching SDL's key events for the playback keys; the current window's title.
#include "platform/playback_keys.h"

#include <SDL.h>

#include <optional>

namespace qv3rn::platform {

namespace {

std::optional<PlaybackKey> playbackKey(const SDL_KeyboardEvent& key) {
    switch (key.keysym.scancode) {
        case SDL_SCANCODE_SPACE:
            if (key.repeat) return std::nullopt;
            return PlaybackKey::PauseResume;
        case SDL_SCANCODE_R:
            if (key.repeat || (key.keysym.mod & (KMOD_CTRL | KMOD_ALT | KMOD_GUI))) return std::nullopt;
            return PlaybackKey::Reload;
        case SDL_SCANCODE_LEFT:
            return PlaybackKey::SeekBack;
        case SDL_SCANCODE_RIGHT:
            return PlaybackKey::SeekForward;
        default:
            return std::nullopt;
    }
}

// Called for every event SDL adds to its queue; the return value of a watch is ignored.
int watchKeys(void* keys, SDL_Event* event) {
    if (event->type == SDL_KEYDOWN)
        if (const std::optional<PlaybackKey> key = playbackKey(event->key))
            static_cast<PlaybackKeys*>(keys)->press(*key);
    return 1;
}

}  // namespace

PlaybackKeys::PlaybackKeys() {
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0) return;  // no desktop back end: no keyboard
    SDL_AddEventWatch(watchKeys, this);
    watching_ = true;
}

PlaybackKeys::~PlaybackKeys() {
    if (watching_) SDL_DelEventWatch(watchKeys, this);
}

std::vector<PlaybackKey> PlaybackKeys::take() {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<PlaybackKey> keys;
    keys.swap(pressed_);
    return keys;
}

void PlaybackKeys::press(PlaybackKey key) {
    std::lock_guard<std::mutex> lock(mutex_);
    pressed_.push_back(key);
}

bool setCurrentWindowTitle(const std::string& title) {
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0) return false;
    SDL_Window* window = SDL_GL_GetCurrentWindow();
    if (!window) return false;
    SDL_SetWindowTitle(window, title.c_str());
    return true;
}

}  // namespace qv3rn::platform
