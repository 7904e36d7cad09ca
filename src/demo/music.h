// music.h -- the show's music: "qv3rn x 10.ogg" decoded whole (Ogg Vorbis) and played on the sound device.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/audio_output.h"

namespace qv3rn {

// Decodes a whole Ogg Vorbis stream into 16-bit PCM. False with `error` set for a file that cannot be read, is
// no Vorbis stream, is damaged past what the decoder can step over, changes its rate or channel count between
// chained streams, or would decode to more than maxDecodedBytes.
bool decodeVorbisFile(const std::string& path, platform::PcmBuffer& pcm, std::string& error);
bool decodeVorbisMemory(const std::uint8_t* data, std::size_t size, platform::PcmBuffer& pcm, std::string& error);

inline constexpr std::size_t maxDecodedBytes = std::size_t{1} << 30;

// The sample and its one playback. The sound device is optional: without one (no sound card, a headless
// machine) the sample still loads, so a missing or damaged file is found, and playback calls do nothing.
class Music {
public:
    static constexpr const char* fileName = "qv3rn x 10.ogg";

    // Opens the sound device for the sample's format; false (error() says why) when there is none.
    bool openDevice();
    // Decodes `path` as the sample; false (error() says why) when it cannot.
    bool loadSample(const std::string& path);
    // Starts the sample at `seconds` from its beginning (no looping); false without a device or a sample.
    bool play(double seconds);
    void setPaused(bool paused);
    // Moves playback to `seconds` from the beginning (past the end: silence).
    void seek(double seconds);
    // Stops playback, closes the device and drops the sample.
    void free();

    bool hasSample() const { return sample_ != nullptr; }
    bool hasDevice() const { return output_.isOpen(); }
    bool playing() const { return playing_; }
    // Where the device is in the sample, in seconds (0 when nothing plays).
    double position() const;
    const platform::PcmBuffer* sample() const { return sample_.get(); }
    std::shared_ptr<const platform::PcmBuffer> sharedSample() const { return sample_; }
    const std::string& error() const { return error_; }
    const std::string& driverName() const { return output_.driverName(); }

private:
    std::size_t frameAt(double seconds) const;

    platform::AudioOutput output_;
    std::shared_ptr<const platform::PcmBuffer> sample_;
    bool playing_ = false;
    std::string error_;
};

}  // namespace qv3rn
