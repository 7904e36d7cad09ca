// video_texture.h -- a 2D texture whose pixels are the frames of a video file, played at 24 frames per demo second.
#pragma once

#include <memory>
#include <string>

#include "shader/texture_2d.h"

namespace qv3rn {

class VideoTextureDecoder;

// Opens a video file from disk, decodes one frame at a time into a 24-bit BGR store of the texture's size
// (the frame scaled to it, bottom row first as a bitmap keeps it, so texture coordinate v = 0 is the bottom of
// the picture) and uploads it. advance() moves on at 24 frames per demo second whatever the file's own rate,
// never more than one frame per call, and wraps to the first frame after the last when looping.
class VideoTexture : public Texture2D {
public:
    VideoTexture();
    ~VideoTexture() override;  // closes the file

    // Opens `path` (backslashes allowed), reads its frame size, length and frame period, makes a zeroed
    // width x height BGR store, decodes the first frame into it and takes the path as its name. A file that
    // cannot be opened, has no video stream, no decoder or no decodable first frame fails: false, a log line,
    // nothing left open. An open file is closed first.
    bool open(const std::string& path, int width = 256, int height = 256);

    // Decodes frame frameIndex() into the store and uploads it when the texture exists on the driver (a texture
    // without a name yet gets the store at its first bind). Stepping back rewinds the file and decodes
    // forward. False when the frame cannot be decoded; the store then keeps the last picture.
    bool decodeFrame();

    // accumulator += dt * rate; once it reaches the frame period, the next frame (the first after the last
    // when looping, else the last) is decoded and one period is taken off the accumulator.
    void advance(float dt);

    // Releases the file and the decoder; the texture and its last picture stay.
    void close();

    bool isOpen() const { return decoder_ != nullptr; }
    int frameCount() const { return frameCount_; }
    int frameIndex() const { return frameIndex_; }
    float framePeriod() const { return framePeriod_; }
    float rate() const { return rate_; }
    float accumulator() const { return accumulator_; }
    bool loop() const { return loop_; }
    void setLoop(bool loop) { loop_ = loop; }
    int sourceWidth() const { return sourceWidth_; }
    int sourceHeight() const { return sourceHeight_; }
    // Frames decoded into the store since open (the first frame included).
    int framesShown() const { return framesShown_; }
    // Why the last open or decode failed ("" after a success).
    const std::string& lastError() const { return lastError_; }

private:
    bool fail(const std::string& path, std::string reason);

    std::unique_ptr<VideoTextureDecoder> decoder_;
    int frameCount_ = 0;
    int frameIndex_ = 0;
    float framePeriod_ = 0.0f;
    float rate_ = 0.0f;
    float accumulator_ = 0.0f;
    bool loop_ = true;
    int sourceWidth_ = 0;
    int sourceHeight_ = 0;
    int framesShown_ = 0;
    std::string lastError_;
};

}  // namespace qv3rn
