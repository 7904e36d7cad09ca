// capture.h -- where a capture run's frames go: numbered PNG files in a folder, or one video file with the music.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/audio_output.h"

namespace qv3rn {

// Receives the frames of a fixed-step run in order: width x height RGBA pixels, top row first.
class FrameSink {
public:
    virtual ~FrameSink() = default;
    virtual bool writeFrame(const std::vector<std::uint8_t>& rgba) = 0;
    // Completes the output (a video's trailer); no frame may follow.
    virtual bool finish() = 0;
    // Why the last call failed.
    const std::string& error() const { return error_; }
    long long framesWritten() const { return framesWritten_; }

protected:
    bool fail(std::string message) {
        error_ = std::move(message);
        return false;
    }
    std::string error_;
    long long framesWritten_ = 0;
};

// "frame_000000.png", "frame_000001.png", ... in `folder`, which is created when missing.
class PngFolderSink : public FrameSink {
public:
    PngFolderSink(std::string folder, int width, int height);
    bool open();  // creates the folder; false (error()) when it cannot be made or is a file
    bool writeFrame(const std::vector<std::uint8_t>& rgba) override;
    bool finish() override { return true; }

    static std::string frameName(long long index);

private:
    std::string folder_;
    int width_;
    int height_;
};

// True when `out` names a video file (".mp4" or ".mkv", in any case) rather than a folder of PNG files.
bool isVideoPath(const std::string& out);

// What a video capture is made of.
struct VideoSettings {
    std::string path;
    int width = 640;  // both even: the video is stored with chroma halved in both directions
    int height = 480;
    int framesPerSecond = 60;
    std::shared_ptr<const platform::PcmBuffer> music;  // muxed in from musicStart seconds; null: no sound
    double musicStart = 0.0;
};

// Opens the sink OUT stands for: a video file for ".mp4"/".mkv", otherwise a folder of PNG files. Null with
// `error` set when it cannot be opened.
std::unique_ptr<FrameSink> openFrameSink(const VideoSettings& settings, std::string& error);

}  // namespace qv3rn
