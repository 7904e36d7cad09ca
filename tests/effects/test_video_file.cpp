// test_video_file.cpp -- the test videos, encoded with the same libraries the video texture decodes with.
#include "test_video_file.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <array>
#include <cstdlib>
#include <memory>

namespace qv3rn::test {

namespace {

constexpr std::array<Rgb, 8> palette{{{230, 20, 20}, {20, 220, 20}, {20, 20, 230}, {230, 230, 20}, {20, 220, 220},
                                      {220, 20, 220}, {240, 240, 240}, {40, 40, 40}}};

struct Writer {
    AVFormatContext* format = nullptr;
    AVCodecContext* codec = nullptr;
    AVFrame* frame = nullptr;
    AVPacket* packet = nullptr;
    bool fileOpen = false;
    ~Writer() {
        av_packet_free(&packet);
        av_frame_free(&frame);
        avcodec_free_context(&codec);
        if (format) {
            if (fileOpen) avio_closep(&format->pb);
            avformat_free_context(format);
        }
    }
};

std::uint8_t clampByte(double value) { return static_cast<std::uint8_t>(value < 0 ? 0 : value > 255 ? 255 : value + 0.5); }

// Sends one frame (or null to drain) and writes every packet the encoder gives back.
bool encode(Writer& w, AVStream* stream, AVFrame* frame) {
    if (avcodec_send_frame(w.codec, frame) < 0) return false;
    for (;;) {
        const int result = avcodec_receive_packet(w.codec, w.packet);
        if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) return true;
        if (result < 0) return false;
        av_packet_rescale_ts(w.packet, w.codec->time_base, stream->time_base);
        w.packet->stream_index = stream->index;
        if (av_interleaved_write_frame(w.format, w.packet) < 0) return false;
    }
}

}  // namespace

std::string writeTestVideo(const std::string& path, int width, int height, int frames, int framesPerSecond,
                           const std::function<Rgb(int, int, int)>& colour) {
    Writer w;
    if (avformat_alloc_output_context2(&w.format, nullptr, "avi", path.c_str()) < 0) return "no AVI muxer";
    const AVCodec* encoder = avcodec_find_encoder(AV_CODEC_ID_MJPEG);
    if (!encoder) return "no MJPEG encoder";
    AVStream* stream = avformat_new_stream(w.format, nullptr);
    w.codec = avcodec_alloc_context3(encoder);
    w.frame = av_frame_alloc();
    w.packet = av_packet_alloc();
    if (!stream || !w.codec || !w.frame || !w.packet) return "out of memory";
    w.codec->width = width;
    w.codec->height = height;
    w.codec->pix_fmt = AV_PIX_FMT_YUVJ420P;
    w.codec->time_base = AVRational{1, framesPerSecond};
    w.codec->framerate = AVRational{framesPerSecond, 1};
    w.codec->flags |= AV_CODEC_FLAG_QSCALE;
    w.codec->global_quality = FF_QP2LAMBDA * 2;  // fine quantisation: solid colours come back within a few steps
    if (w.format->oformat->flags & AVFMT_GLOBALHEADER) w.codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (avcodec_open2(w.codec, encoder, nullptr) < 0) return "cannot open the encoder";
    if (avcodec_parameters_from_context(stream->codecpar, w.codec) < 0) return "bad stream parameters";
    stream->time_base = w.codec->time_base;
    if (avio_open(&w.format->pb, path.c_str(), AVIO_FLAG_WRITE) < 0) return "cannot create " + path;
    w.fileOpen = true;
    if (avformat_write_header(w.format, nullptr) < 0) return "cannot write the header";

    w.frame->format = w.codec->pix_fmt;
    w.frame->width = width;
    w.frame->height = height;
    if (av_frame_get_buffer(w.frame, 0) < 0) return "no frame buffer";
    for (int n = 0; n < frames; ++n) {
        if (av_frame_make_writable(w.frame) < 0) return "frame not writable";
        // Full-range BT.601, chroma from the top-left pixel of each 2 x 2 block.
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const Rgb c = colour(n, x, y);
                w.frame->data[0][y * w.frame->linesize[0] + x] = clampByte(0.299 * c.r + 0.587 * c.g + 0.114 * c.b);
                if (x % 2 == 0 && y % 2 == 0) {
                    w.frame->data[1][(y / 2) * w.frame->linesize[1] + x / 2] =
                        clampByte(128 - 0.168736 * c.r - 0.331264 * c.g + 0.5 * c.b);
                    w.frame->data[2][(y / 2) * w.frame->linesize[2] + x / 2] =
                        clampByte(128 + 0.5 * c.r - 0.418688 * c.g - 0.081312 * c.b);
                }
            }
        w.frame->pts = n;
        w.frame->quality = w.codec->global_quality;
        if (!encode(w, stream, w.frame)) return "cannot encode frame " + std::to_string(n);
    }
    if (!encode(w, stream, nullptr)) return "cannot finish the stream";
    if (av_write_trailer(w.format) < 0) return "cannot write the trailer";
    return "";
}

Rgb frameColour(int frame) { return palette[static_cast<std::size_t>(frame) % palette.size()]; }

int frameOfColour(const std::uint8_t* bgr) {
    for (std::size_t i = 0; i < palette.size(); ++i) {
        const Rgb& c = palette[i];
        if (std::abs(c.b - bgr[0]) <= 24 && std::abs(c.g - bgr[1]) <= 24 && std::abs(c.r - bgr[2]) <= 24)
            return static_cast<int>(i);
    }
    return -1;
}

}  // namespace qv3rn::test
