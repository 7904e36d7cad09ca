// test_video_file.cpp -- the test videos, encoded with the same libraries the video texture decodes with.
#include "test_video_file.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <array>
#include <cstdlib>

namespace qv3rn::test {

namespace {

constexpr std::array<Rgb, 8> palette{{{230, 20, 20}, {20, 220, 20}, {20, 20, 230}, {230, 230, 20}, {20, 220, 220},
                                      {220, 20, 220}, {240, 240, 240}, {40, 40, 40}}};

// Every FFmpeg object of one encode, freed on every way out.
struct Writer {
    AVFormatContext* format = nullptr;
    AVCodecContext* codec = nullptr;
    AVFrame* frame = av_frame_alloc();
    AVPacket* packet = av_packet_alloc();
    AVStream* stream = nullptr;
    bool fileOpen = false;
    ~Writer() {
        av_packet_free(&packet);
        av_frame_free(&frame);
        avcodec_free_context(&codec);
        if (fileOpen) avio_closep(&format->pb);
        avformat_free_context(format);
    }
    // Sends one frame (or null to drain) and writes every packet the encoder gives back.
    bool encode(AVFrame* input) {
        if (avcodec_send_frame(codec, input) < 0) return false;
        for (;;) {
            const int result = avcodec_receive_packet(codec, packet);
            if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) return true;
            av_packet_rescale_ts(packet, codec->time_base, stream->time_base);
            packet->stream_index = stream->index;
            if (result < 0 || av_interleaved_write_frame(format, packet) < 0) return false;
        }
    }
};

std::uint8_t clampByte(double value) { return static_cast<std::uint8_t>(value < 0 ? 0 : value > 255 ? 255 : value + 0.5); }

}  // namespace

std::string writeTestVideo(const std::string& path, int width, int height, int frames, int framesPerSecond,
                           const std::function<Rgb(int, int, int)>& colour) {
    Writer w;
    const AVCodec* encoder = avcodec_find_encoder(AV_CODEC_ID_MJPEG);
    if (avformat_alloc_output_context2(&w.format, nullptr, "avi", path.c_str()) < 0 || !encoder) return "no muxer";
    w.stream = avformat_new_stream(w.format, nullptr);
    w.codec = avcodec_alloc_context3(encoder);
    if (!w.stream || !w.codec || !w.frame || !w.packet) return "out of memory";
    w.codec->width = w.frame->width = width;
    w.codec->height = w.frame->height = height;
    w.codec->pix_fmt = AV_PIX_FMT_YUVJ420P;
    w.frame->format = w.codec->pix_fmt;
    w.codec->time_base = w.stream->time_base = AVRational{1, framesPerSecond};
    w.codec->framerate = AVRational{framesPerSecond, 1};
    w.codec->flags |= AV_CODEC_FLAG_QSCALE;
    w.codec->global_quality = FF_QP2LAMBDA * 2;  // fine quantisation: solid colours come back within a few steps
    if (avcodec_open2(w.codec, encoder, nullptr) < 0 || avcodec_parameters_from_context(w.stream->codecpar, w.codec) < 0)
        return "cannot open the encoder";
    if (avio_open(&w.format->pb, path.c_str(), AVIO_FLAG_WRITE) < 0) return "cannot create " + path;
    w.fileOpen = true;
    if (avformat_write_header(w.format, nullptr) < 0 || av_frame_get_buffer(w.frame, 0) < 0) return "no header";
    for (int n = 0; n < frames; ++n) {
        if (av_frame_make_writable(w.frame) < 0) return "frame not writable";
        // Full-range BT.601, chroma from the top-left pixel of each 2 x 2 block.
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const Rgb c = colour(n, x, y);
                const double yuv[3] = {0.299 * c.r + 0.587 * c.g + 0.114 * c.b,
                                       128 - 0.168736 * c.r - 0.331264 * c.g + 0.5 * c.b,
                                       128 + 0.5 * c.r - 0.418688 * c.g - 0.081312 * c.b};
                for (int plane = 0; plane < (x % 2 == 0 && y % 2 == 0 ? 3 : 1); ++plane) {
                    const int shift = plane == 0 ? 0 : 1;
                    w.frame->data[plane][(y >> shift) * w.frame->linesize[plane] + (x >> shift)] = clampByte(yuv[plane]);
                }
            }
        w.frame->pts = n;
        w.frame->quality = w.codec->global_quality;
        if (!w.encode(w.frame)) return "cannot encode frame " + std::to_string(n);
    }
    if (!w.encode(nullptr) || av_write_trailer(w.format) < 0) return "cannot finish the file";
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
