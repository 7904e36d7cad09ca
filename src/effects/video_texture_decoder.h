// video_texture_decoder.h -- reads the frames of a video file one by one and scales them to 24-bit BGR.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace qv3rn {

// The video side of VideoTexture: the first video stream of a file, its decoder and a scaler. Frames are
// handed out in order; asking for an earlier frame rewinds to the start and decodes forward.
class VideoTextureDecoder {
public:
    VideoTextureDecoder();
    ~VideoTextureDecoder();
    VideoTextureDecoder(const VideoTextureDecoder&) = delete;
    VideoTextureDecoder& operator=(const VideoTextureDecoder&) = delete;

    // Opens the file and its first video stream's decoder; learns the frame size, the frame count (the
    // container's count, else the stream's packets counted) and the frame period. False with error() set.
    bool open(const std::string& path);

    // Decodes frame `index` (0-based) and writes it, scaled to width x height, as BGR bytes with rows of
    // width * 3 bytes, the bottom row of the picture first. False when the stream ends before that frame or
    // it cannot be decoded (error() says which); `pixels` is then unchanged.
    bool decode(int index, std::uint8_t* pixels, int width, int height);

    int width() const { return width_; }
    int height() const { return height_; }
    // Frames the file announces (at least 1 once open). decode() may find fewer: endOfStream() tells.
    int frameCount() const { return frameCount_; }
    // Seconds per frame of the file's own rate (1/24 when the file gives none).
    double framePeriod() const { return framePeriod_; }
    // Frames the stream actually delivered before it ended, once decode() ran into its end; else 0.
    int framesFound() const { return framesFound_; }
    const std::string& error() const { return error_; }

private:
    struct State;

    bool rewind();
    bool nextFrame();
    bool convert(std::uint8_t* pixels, int width, int height);
    bool fail(std::string reason);

    std::unique_ptr<State> state_;
    int width_ = 0;
    int height_ = 0;
    int frameCount_ = 0;
    double framePeriod_ = 0.0;
    int framesFound_ = 0;
    std::string error_;
};

}  // namespace qv3rn
