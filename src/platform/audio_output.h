// audio_output.h -- the sound device: plays one decoded sample (16-bit PCM) from a chosen position, with pause and
// seek, through SDL's audio subsystem.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace qv3rn::platform {

// Interleaved signed 16-bit samples: frames of `channels` values, `sampleRate` frames per second.
struct PcmBuffer {
    int sampleRate = 0;
    int channels = 0;
    std::vector<std::int16_t> samples;

    std::size_t frames() const { return channels > 0 ? samples.size() / static_cast<std::size_t>(channels) : 0; }
    double seconds() const { return sampleRate > 0 ? static_cast<double>(frames()) / sampleRate : 0.0; }
};

// The read position in a PCM buffer as the device's callback advances it: copies whole frames, and silence
// once the buffer is over, a seek went past it or playback is paused. Used under the device's lock.
class PcmCursor {
public:
    void setBuffer(std::shared_ptr<const PcmBuffer> buffer) { buffer_ = std::move(buffer); }
    const PcmBuffer* buffer() const { return buffer_.get(); }

    void seekFrame(std::size_t frame) { frame_ = frame; }
    std::size_t frame() const { return frame_; }
    void setPaused(bool paused) { paused_ = paused; }
    bool paused() const { return paused_; }

    // Fills `byteCount` bytes of `out` (a whole number of frames of the buffer's format) and advances the
    // position by the frames copied; the position stops at the end of the buffer.
    void fill(std::uint8_t* out, std::size_t byteCount);

private:
    std::shared_ptr<const PcmBuffer> buffer_;
    std::size_t frame_ = 0;
    bool paused_ = false;
};

// One opened playback device. open() brings up the audio subsystem and the device in the buffer's format (SDL
// converts to what the device takes); play() starts at a frame; everything after that is thread-safe against
// the device's callback. Without a sound card, or with SDL's audio disabled, open() fails with error() set and
// nothing else has an effect.
class AudioOutput {
public:
    AudioOutput() = default;
    ~AudioOutput();  // stops and closes the device
    AudioOutput(const AudioOutput&) = delete;
    AudioOutput& operator=(const AudioOutput&) = delete;

    bool open(int sampleRate, int channels);
    void close();
    bool isOpen() const { return device_ != 0; }

    // Starts playing `buffer` (in the format given to open) at `startFrame`.
    bool play(std::shared_ptr<const PcmBuffer> buffer, std::size_t startFrame);
    void setPaused(bool paused);
    void seekFrame(std::size_t frame);
    std::size_t positionFrame() const;

    // Why open or play failed; the name of the driver in use after a successful open.
    const std::string& error() const { return error_; }
    const std::string& driverName() const { return driver_; }

private:
    static void callback(void* self, std::uint8_t* stream, int length);

    std::uint32_t device_ = 0;  // SDL_AudioDeviceID; 0 when closed
    bool subsystemUp_ = false;
    int sampleRate_ = 0;
    int channels_ = 0;
    PcmCursor cursor_;
    std::string error_;
    std::string driver_;
};

}  // namespace qv3rn::platform
