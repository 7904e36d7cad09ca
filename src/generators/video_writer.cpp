// video_writer.cpp -- libavformat/libavcodec MJPEG encoding of the generated clip; libswscale converts RGB to YUV.
#include "generators/video_writer.h"

#include <cmath>
#include <vector>

#include "math/noise.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

namespace qv3rn {

Picture makeVideoFrame(int index, int count, int size) {
    Picture p(size, size, 3);
    const float phase = static_cast<float>(index) / static_cast<float>(count);  // loops seamlessly
    const float c = (size - 1) * 0.5f;
    // The noise layer tiles across the frame, so scrolling it by whole widths loops seamlessly.
    // It is the same for every frame of a clip, so it is kept for the next call of the same size.
    static std::vector<float> layer;
    static int layerSize = 0;
    if (layerSize != size) {
        layer.assign(static_cast<size_t>(size) * size, 0.0f);
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x)
                layer[static_cast<size_t>(y) * size + x] = fractalNoise(x * 4.0f / size, y * 4.0f / size, 4, 3, 131u);
        layerSize = size;
    }
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const float d = std::hypot(x - c, y - c) / c;
            const float rings = 0.5f + 0.5f * std::sin((d * 6.0f - phase) * 6.2831853f);
            const int shifted = (x + static_cast<int>(phase * size)) % size;  // the noise drifts one width per loop
            const float n = layer[static_cast<size_t>(y) * size + shifted];
            const float glow = std::pow(rings, 6.0f) * (1.0f - std::min(d, 1.0f));
            std::uint8_t* px = p.at(x, y);
            px[0] = static_cast<std::uint8_t>(std::min(255.0f, 255.0f * (glow * 1.1f + n * 0.15f)));
            px[1] = static_cast<std::uint8_t>(std::min(255.0f, 255.0f * (glow * 0.6f + n * 0.2f)));
            px[2] = static_cast<std::uint8_t>(std::min(255.0f, 255.0f * (0.15f + glow * 0.25f + n * 0.5f)));
        }
    return p;
}

namespace {

// Owns every FFmpeg object of one encode so each exit path frees them.
struct Encoder {
    AVFormatContext* format = nullptr;
    AVCodecContext* codec = nullptr;
    AVFrame* frame = nullptr;
    AVPacket* packet = nullptr;
    SwsContext* scaler = nullptr;
    bool opened = false;
    ~Encoder() {
        sws_freeContext(scaler);
        av_packet_free(&packet);
        av_frame_free(&frame);
        avcodec_free_context(&codec);
        if (format) {
            if (opened) avio_closep(&format->pb);
            avformat_free_context(format);
        }
    }
    // Sends `input` (null flushes) and writes every packet the encoder hands back.
    bool drain(AVFrame* input, AVStream* stream) {
        if (avcodec_send_frame(codec, input) < 0) return false;
        for (;;) {
            const int result = avcodec_receive_packet(codec, packet);
            if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) return true;
            if (result < 0) return false;
            av_packet_rescale_ts(packet, codec->time_base, stream->time_base);
            packet->stream_index = stream->index;
            if (av_interleaved_write_frame(format, packet) < 0) return false;
        }
    }
};

}  // namespace

bool writeVideo(const std::string& path, int size, int frameCount, int framesPerSecond, std::string& error) {
    error = "unable to encode video " + path;
    if (size < 16 || size % 2 != 0 || frameCount < 1 || framesPerSecond < 1) return false;
    Encoder e;
    if (avformat_alloc_output_context2(&e.format, nullptr, "avi", path.c_str()) < 0 || !e.format) return false;
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_MJPEG);
    if (!codec) return false;
    AVStream* stream = avformat_new_stream(e.format, nullptr);
    e.codec = avcodec_alloc_context3(codec);
    if (!stream || !e.codec) return false;
    e.codec->width = size;
    e.codec->height = size;
    e.codec->time_base = AVRational{1, framesPerSecond};
    e.codec->framerate = AVRational{framesPerSecond, 1};
    e.codec->pix_fmt = AV_PIX_FMT_YUVJ420P;
    e.codec->flags |= AV_CODEC_FLAG_QSCALE;
    e.codec->global_quality = FF_QP2LAMBDA * 3;
    if (e.format->oformat->flags & AVFMT_GLOBALHEADER) e.codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (avcodec_open2(e.codec, codec, nullptr) < 0) return false;
    if (avcodec_parameters_from_context(stream->codecpar, e.codec) < 0) return false;
    stream->time_base = e.codec->time_base;
    if (avio_open(&e.format->pb, path.c_str(), AVIO_FLAG_WRITE) < 0) return false;
    e.opened = true;
    if (avformat_write_header(e.format, nullptr) < 0) return false;
    e.frame = av_frame_alloc();
    e.packet = av_packet_alloc();
    if (!e.frame || !e.packet) return false;
    e.frame->format = e.codec->pix_fmt;
    e.frame->width = size;
    e.frame->height = size;
    if (av_frame_get_buffer(e.frame, 0) < 0) return false;
    e.scaler = sws_getContext(size, size, AV_PIX_FMT_RGB24, size, size, e.codec->pix_fmt, SWS_BILINEAR, nullptr,
                              nullptr, nullptr);
    if (!e.scaler) return false;
    for (int i = 0; i < frameCount; ++i) {
        const Picture picture = makeVideoFrame(i, frameCount, size);
        if (av_frame_make_writable(e.frame) < 0) return false;
        const std::uint8_t* source[1] = {picture.pixels.data()};
        const int stride[1] = {size * 3};
        sws_scale(e.scaler, source, stride, 0, size, e.frame->data, e.frame->linesize);
        e.frame->pts = i;
        if (!e.drain(e.frame, stream)) return false;
    }
    if (!e.drain(nullptr, stream)) return false;
    if (av_write_trailer(e.format) < 0) return false;
    error.clear();
    return true;
}

}  // namespace qv3rn
