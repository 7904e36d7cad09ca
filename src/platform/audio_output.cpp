// audio_output.cpp -- the sound device on SDL audio, and the cursor its callback reads the sample with.
#include "platform/audio_output.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>

namespace qv3rn::platform {

void PcmCursor::fill(std::uint8_t* out, std::size_t byteCount) {
    std::memset(out, 0, byteCount);  // signed 16-bit silence is all zero bits
    if (paused_ || !buffer_ || buffer_->channels <= 0) return;
    const std::size_t frameBytes = static_cast<std::size_t>(buffer_->channels) * sizeof(std::int16_t);
    const std::size_t total = buffer_->frames();
    if (frame_ >= total) return;
    const std::size_t frames = std::min(byteCount / frameBytes, total - frame_);
    std::memcpy(out, buffer_->samples.data() + frame_ * static_cast<std::size_t>(buffer_->channels),
                frames * frameBytes);
    frame_ += frames;
}

AudioOutput::~AudioOutput() { close(); }

bool AudioOutput::open(int sampleRate, int channels) {
    close();
    error_.clear();
    if (sampleRate <= 0 || channels <= 0 || channels > 8) {
        error_ = "unsupported format: " + std::to_string(sampleRate) + " Hz, " + std::to_string(channels) +
                 " channels";
        return false;
    }
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        error_ = SDL_GetError();
        return false;
    }
    subsystemUp_ = true;
    // Without a sound card the default driver (ALSA) still starts but lists no output device, and opening its
    // default device would make the sound library print its complaints on standard error; listing is silent.
    // So a driver that lists no device is not asked to open one (one that cannot list its devices says -1).
    if (SDL_GetNumAudioDevices(0) == 0) {
        const char* driver = SDL_GetCurrentAudioDriver();
        error_ = std::string("the ") + (driver ? driver : "sound") + " driver lists no sound device";
        close();
        return false;
    }

    SDL_AudioSpec wanted{};
    wanted.freq = sampleRate;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = static_cast<Uint8>(channels);
    // About 23 ms at 44.1 kHz: the picture runs on the real-time clock, so the device's buffer is how far
    // the music lags behind it; small enough to keep cuts on the beat, large enough not to starve.
    wanted.samples = 1024;
    wanted.callback = &AudioOutput::callback;
    wanted.userdata = this;
    SDL_AudioSpec obtained{};
    // No allowed changes: SDL converts the sample's format to whatever the device takes.
    device_ = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
    if (device_ == 0) {
        error_ = SDL_GetError();
        close();
        return false;
    }
    sampleRate_ = sampleRate;
    channels_ = channels;
    const char* driver = SDL_GetCurrentAudioDriver();
    driver_ = driver ? driver : "";
    return true;
}

void AudioOutput::close() {
    if (device_ != 0) {
        SDL_CloseAudioDevice(device_);  // waits for a running callback to return
        device_ = 0;
    }
    if (subsystemUp_) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        subsystemUp_ = false;
    }
    cursor_ = PcmCursor();
    sampleRate_ = 0;
    channels_ = 0;
}

bool AudioOutput::play(std::shared_ptr<const PcmBuffer> buffer, std::size_t startFrame) {
    if (device_ == 0) return false;
    if (!buffer || buffer->sampleRate != sampleRate_ || buffer->channels != channels_) {
        error_ = "the sample's format is not the one the device was opened with";
        return false;
    }
    SDL_LockAudioDevice(device_);
    cursor_.setBuffer(std::move(buffer));
    cursor_.seekFrame(startFrame);
    cursor_.setPaused(false);
    SDL_UnlockAudioDevice(device_);
    SDL_PauseAudioDevice(device_, 0);
    return true;
}

void AudioOutput::setPaused(bool paused) {
    if (device_ == 0) return;
    SDL_LockAudioDevice(device_);
    cursor_.setPaused(paused);
    SDL_UnlockAudioDevice(device_);
}

void AudioOutput::seekFrame(std::size_t frame) {
    if (device_ == 0) return;
    SDL_LockAudioDevice(device_);
    cursor_.seekFrame(frame);
    SDL_UnlockAudioDevice(device_);
}

std::size_t AudioOutput::positionFrame() const {
    if (device_ == 0) return 0;
    SDL_LockAudioDevice(device_);
    const std::size_t frame = cursor_.frame();
    SDL_UnlockAudioDevice(device_);
    return frame;
}

void AudioOutput::callback(void* self, std::uint8_t* stream, int length) {
    static_cast<AudioOutput*>(self)->cursor_.fill(stream, length > 0 ? static_cast<std::size_t>(length) : 0);
}

}  // namespace qv3rn::platform
