// video_texture_decoder.cpp -- the first video stream of a file through libavformat, libavcodec and libswscale.
#include "effects/video_texture_decoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include <climits>
#include <cstdint>
#include <cmath>
#include <utility>
#include <vector>


namespace qv3rn {

struct VideoTextureDecoder::State {
    AVFormatContext* format = nullptr;
    AVCodecContext* codec = nullptr;
    SwsContext* scaler = nullptr;
    AVPacket* packet = nullptr;
    AVFrame* frame = nullptr;
    int stream = -1;
    int next = 0;           // the index of the frame nextFrame() hands out
    bool draining = false;  // the demuxer ran dry and the decoder was told so
    bool ended = false;     // the decoder has given its last frame

    State() = default;
    State(const State&) = delete;
    State& operator=(const State&) = delete;
    ~State() {
        sws_freeContext(scaler);
        av_frame_free(&frame);
        av_packet_free(&packet);
        avcodec_free_context(&codec);
        avformat_close_input(&format);
    }
    AVStream* videoStream() const { return format->streams[stream]; }
};

namespace {

constexpr double defaultFramePeriod = 1.0 / 24.0;
// Frames are scaled down to a small texture: larger sources are refused rather than decoded at any cost. The
// pixel cap also holds while the streams are probed, so that a damaged header cannot make the probing decoder
// allocate a frame of hundreds of megabytes.
constexpr int maxSourceSide = 4096;
constexpr std::int64_t maxSourcePixels = std::int64_t{2048} * 2048;

// Decoders of JPEG-based codecs hand out full-range "J" formats, which the scaler wants named as their
// limited-range twins with the range given separately.
AVPixelFormat withoutFullRangeAlias(AVPixelFormat format, bool& fullRange) {
    switch (format) {
    case AV_PIX_FMT_YUVJ420P: fullRange = true; return AV_PIX_FMT_YUV420P;
    case AV_PIX_FMT_YUVJ422P: fullRange = true; return AV_PIX_FMT_YUV422P;
    case AV_PIX_FMT_YUVJ444P: fullRange = true; return AV_PIX_FMT_YUV444P;
    case AV_PIX_FMT_YUVJ440P: fullRange = true; return AV_PIX_FMT_YUV440P;
    case AV_PIX_FMT_YUVJ411P: fullRange = true; return AV_PIX_FMT_YUV411P;
    default: return format;
    }
}

// Probes the streams with the same limits the playing decoder has: one thread, the pixel cap.
bool findStreamInfo(AVFormatContext* format) {
    std::vector<AVDictionary*> options(format->nb_streams, nullptr);
    for (AVDictionary*& streamOptions : options) {
        av_dict_set_int(&streamOptions, "max_pixels", maxSourcePixels, 0);
        av_dict_set(&streamOptions, "threads", "1", 0);
    }
    const int result = avformat_find_stream_info(format, options.empty() ? nullptr : options.data());
    for (AVDictionary*& streamOptions : options) av_dict_free(&streamOptions);
    return result >= 0;
}

double positiveOr(double seconds, double fallback) {
    return std::isfinite(seconds) && seconds > 0.0 ? seconds : fallback;
}

}  // namespace

VideoTextureDecoder::VideoTextureDecoder() = default;
VideoTextureDecoder::~VideoTextureDecoder() = default;

bool VideoTextureDecoder::fail(std::string reason) {
    error_ = std::move(reason);
    return false;
}

bool VideoTextureDecoder::open(const std::string& path) {
    state_ = std::make_unique<State>();
    State& s = *state_;
    error_.clear();
    if (avformat_open_input(&s.format, path.c_str(), nullptr, nullptr) < 0) {
        state_.reset();
        return fail("cannot open the file");
    }
    if (!findStreamInfo(s.format)) return fail("cannot read its streams");

    for (unsigned i = 0; i < s.format->nb_streams; ++i)
        if (s.format->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) {
            s.stream = static_cast<int>(i);
            break;
        }
    if (s.stream < 0) return fail("it holds no video stream");
    AVStream* stream = s.videoStream();
    const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
    if (!codec) return fail("no decoder for its video codec");
    s.codec = avcodec_alloc_context3(codec);
    s.packet = av_packet_alloc();
    s.frame = av_frame_alloc();
    if (!s.codec || !s.packet || !s.frame) return fail("out of memory");
    if (avcodec_parameters_to_context(s.codec, stream->codecpar) < 0) return fail("bad codec parameters");
    s.codec->thread_count = 1;  // one frame at a time on the frame loop's thread; frames are small
    s.codec->max_pixels = maxSourcePixels;
    if (avcodec_open2(s.codec, codec, nullptr) < 0) return fail("cannot open its decoder");

    width_ = stream->codecpar->width;
    height_ = stream->codecpar->height;
    if (width_ < 1 || height_ < 1 || width_ > maxSourceSide || height_ > maxSourceSide ||
        static_cast<std::int64_t>(width_) * height_ > maxSourcePixels)
        return fail("the frame size is missing or out of range");

    if (stream->nb_frames > 0 && stream->nb_frames <= INT_MAX) {
        frameCount_ = static_cast<int>(stream->nb_frames);
    } else {
        // The container does not say: count the stream's packets, one per frame, then start again.
        int packets = 0;
        while (av_read_frame(s.format, s.packet) >= 0) {
            if (s.packet->stream_index == s.stream && packets < INT_MAX) ++packets;
            av_packet_unref(s.packet);
        }
        frameCount_ = packets;
        if (!rewind()) return false;
    }
    if (frameCount_ < 1) return fail("the video has no frames");

    // Seconds per frame: the stream's length over its frames, else its frame rate, else 24 per second.
    double period = 0.0;
    if (stream->duration != AV_NOPTS_VALUE && stream->duration > 0)
        period = static_cast<double>(stream->duration) * av_q2d(stream->time_base) / frameCount_;
    if (!(std::isfinite(period) && period > 0.0) && stream->avg_frame_rate.num > 0 && stream->avg_frame_rate.den > 0)
        period = av_q2d(av_inv_q(stream->avg_frame_rate));
    if (!(std::isfinite(period) && period > 0.0) && stream->r_frame_rate.num > 0 && stream->r_frame_rate.den > 0)
        period = av_q2d(av_inv_q(stream->r_frame_rate));
    framePeriod_ = positiveOr(period, defaultFramePeriod);
    return true;
}

bool VideoTextureDecoder::rewind() {
    State& s = *state_;
    AVStream* stream = s.videoStream();
    const std::int64_t start = stream->start_time != AV_NOPTS_VALUE ? stream->start_time : 0;
    if (av_seek_frame(s.format, s.stream, start, AVSEEK_FLAG_BACKWARD) < 0 &&
        avformat_seek_file(s.format, -1, INT64_MIN, 0, INT64_MAX, 0) < 0)
        return fail("cannot go back to the first frame");
    avcodec_flush_buffers(s.codec);
    av_frame_unref(s.frame);
    s.next = 0;
    s.draining = false;
    s.ended = false;
    return true;
}

bool VideoTextureDecoder::nextFrame() {
    State& s = *state_;
    for (;;) {
        int result = avcodec_receive_frame(s.codec, s.frame);
        if (result == 0) {
            ++s.next;
            return true;
        }
        if (result == AVERROR_EOF || (result == AVERROR(EAGAIN) && s.draining)) {
            s.ended = true;
            return false;
        }
        if (result != AVERROR(EAGAIN)) return fail("the decoder failed");
        result = av_read_frame(s.format, s.packet);
        if (result < 0) {
            avcodec_send_packet(s.codec, nullptr);  // hand out what the decoder still holds
            s.draining = true;
            continue;
        }
        if (s.packet->stream_index == s.stream) avcodec_send_packet(s.codec, s.packet);  // a damaged packet is skipped
        av_packet_unref(s.packet);
    }
}

bool VideoTextureDecoder::convert(std::uint8_t* pixels, int width, int height) {
    State& s = *state_;
    const AVFrame& frame = *s.frame;
    if (frame.width < 1 || frame.height < 1 || !frame.data[0]) return fail("the decoder gave an empty frame");
    if (frame.width > maxSourceSide || frame.height > maxSourceSide) return fail("the frame is too large");
    bool fullRange = frame.color_range == AVCOL_RANGE_JPEG;
    const AVPixelFormat source = withoutFullRangeAlias(static_cast<AVPixelFormat>(frame.format), fullRange);
    s.scaler = sws_getCachedContext(s.scaler, frame.width, frame.height, source, width, height, AV_PIX_FMT_BGR24,
                                    SWS_BILINEAR, nullptr, nullptr, nullptr);
    if (!s.scaler) return fail("cannot convert frames of this pixel format");
    const int colourSpace = frame.colorspace == AVCOL_SPC_UNSPECIFIED ? SWS_CS_DEFAULT : frame.colorspace;
    const int* coefficients = sws_getCoefficients(colourSpace);
    sws_setColorspaceDetails(s.scaler, coefficients, fullRange ? 1 : 0, coefficients, 1, 0, 1 << 16, 1 << 16);

    // A bitmap keeps its bottom row first: write the rows from the end of the buffer upwards.
    const int rowBytes = width * 3;
    std::uint8_t* destination[4] = {pixels + static_cast<std::size_t>(height - 1) * rowBytes, nullptr, nullptr, nullptr};
    const int strides[4] = {-rowBytes, 0, 0, 0};
    if (sws_scale(s.scaler, frame.data, frame.linesize, 0, frame.height, destination, strides) <= 0)
        return fail("cannot scale the frame");
    return true;
}

bool VideoTextureDecoder::decode(int index, std::uint8_t* pixels, int width, int height) {
    framesFound_ = 0;
    if (!state_ || !state_->codec) return fail("no video is open");
    if (index < 0 || width < 1 || height < 1 || !pixels) return fail("bad frame request");
    State& s = *state_;
    const bool holdsIt = index == s.next - 1 && s.frame->data[0];
    if (!holdsIt) {
        if (index < s.next && !rewind()) return false;
        while (s.next <= index) {
            if (nextFrame()) continue;
            if (s.ended) {
                framesFound_ = s.next;
                return fail("the video ends after " + std::to_string(s.next) + " frames");
            }
            return false;
        }
    }
    return convert(pixels, width, height);
}

}  // namespace qv3rn
