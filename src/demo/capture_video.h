// capture_video.h -- a capture written as one video file (MP4 or Matroska) with the music as its sound track,
// through FFmpeg's libraries.
#pragma once

#include <memory>
#include <string>

#include "demo/capture.h"

struct AVCodecContext;
struct AVFormatContext;
struct AVFrame;
struct AVPacket;
struct AVStream;
struct SwsContext;

namespace qv3rn {

// Video: H.264 when the library has an encoder for it, MPEG-4 part 2 otherwise, in YUV 4:2:0. Sound: AAC in
// MP4; Vorbis, else AAC, else FLAC in Matroska. The sound follows the pictures: after every frame the music is
// encoded up to the frame's end, so a capture of part of the show carries the matching part of the music.
class VideoFileSink : public FrameSink {
public:
    static std::unique_ptr<VideoFileSink> open(const VideoSettings& settings, std::string& error);
    ~VideoFileSink() override;

    bool writeFrame(const std::vector<std::uint8_t>& rgba) override;
    bool finish() override;

    // The encoders chosen ("libx264", "aac", ...); empty sound encoder without music.
    const std::string& videoEncoder() const { return videoEncoderName_; }
    const std::string& soundEncoder() const { return soundEncoderName_; }

private:
    explicit VideoFileSink(const VideoSettings& settings);
    bool openFile(std::string& error);
    bool openVideo(std::string& error);
    bool openSound(std::string& error);
    // Sends one frame (null: the end) and writes every packet the encoder gives back.
    bool encode(AVCodecContext* encoder, AVStream* stream, AVFrame* frame);
    // Encodes music up to (not including) the sample frame `untilFrame` of the capture's sound track.
    bool encodeSoundUntil(long long untilFrame);
    bool fillSoundFrame(long long trackFrame);

    VideoSettings settings_;
    AVFormatContext* format_ = nullptr;
    AVCodecContext* video_ = nullptr;
    AVCodecContext* sound_ = nullptr;
    AVStream* videoStream_ = nullptr;
    AVStream* soundStream_ = nullptr;
    SwsContext* scaler_ = nullptr;
    AVFrame* picture_ = nullptr;
    AVFrame* soundFrame_ = nullptr;
    AVPacket* packet_ = nullptr;
    std::string videoEncoderName_;
    std::string soundEncoderName_;
    bool fileOpen_ = false;
    bool headerWritten_ = false;
    bool finished_ = false;
    long long soundTrackFrames_ = 0;  // sample frames of the sound track encoded so far
    long long musicFirstFrame_ = 0;   // the sample frame of the music the track starts at
};

}  // namespace qv3rn
