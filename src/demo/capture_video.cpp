// capture_video.cpp -- encoding the captured frames and the music with libavcodec and muxing them with
// libavformat.
#include "demo/capture_video.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <cmath>
#include <cstring>
#include <filesystem>
#include <initializer_list>

namespace qv3rn {

namespace {

std::string errorText(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

// The first encoder, by name, that exists and that the container can hold.
const AVCodec* pickEncoder(const AVOutputFormat* container, std::initializer_list<const char*> names) {
    for (const char* name : names) {
        const AVCodec* codec = avcodec_find_encoder_by_name(name);
        if (codec && avformat_query_codec(container, codec->id, FF_COMPLIANCE_NORMAL) == 1) return codec;
    }
    return nullptr;
}

// The sample formats the sound track can be converted to, in the order they are preferred.
bool supportedSampleFormat(AVSampleFormat format) {
    return format == AV_SAMPLE_FMT_FLTP || format == AV_SAMPLE_FMT_FLT || format == AV_SAMPLE_FMT_S16 ||
           format == AV_SAMPLE_FMT_S16P || format == AV_SAMPLE_FMT_S32 || format == AV_SAMPLE_FMT_S32P;
}

AVSampleFormat pickSampleFormat(const AVCodec* codec) {
    if (!codec->sample_fmts) return AV_SAMPLE_FMT_S16;
    for (const AVSampleFormat* format = codec->sample_fmts; *format != AV_SAMPLE_FMT_NONE; ++format)
        if (supportedSampleFormat(*format)) return *format;
    return AV_SAMPLE_FMT_NONE;
}

bool rateSupported(const AVCodec* codec, int rate) {
    if (!codec->supported_samplerates) return true;
    for (const int* supported = codec->supported_samplerates; *supported != 0; ++supported)
        if (*supported == rate) return true;
    return false;
}

// Writes one 16-bit sample as `format` at frame `index`, channel `channel` of an allocated frame.
void storeSample(AVFrame* frame, AVSampleFormat format, int channels, int index, int channel, std::int16_t value) {
    const bool planar = av_sample_fmt_is_planar(format) != 0;
    const int plane = planar ? channel : 0;
    const int slot = planar ? index : index * channels + channel;
    switch (format) {
        case AV_SAMPLE_FMT_FLTP:
        case AV_SAMPLE_FMT_FLT:
            reinterpret_cast<float*>(frame->data[plane])[slot] = static_cast<float>(value) / 32768.0f;
            break;
        case AV_SAMPLE_FMT_S16:
        case AV_SAMPLE_FMT_S16P:
            reinterpret_cast<std::int16_t*>(frame->data[plane])[slot] = value;
            break;
        case AV_SAMPLE_FMT_S32:
        case AV_SAMPLE_FMT_S32P:
            reinterpret_cast<std::int32_t*>(frame->data[plane])[slot] = static_cast<std::int32_t>(value) * 65536;
            break;
        default:
            break;
    }
}

}  // namespace

VideoFileSink::VideoFileSink(const VideoSettings& settings) : settings_(settings) {}

std::unique_ptr<VideoFileSink> VideoFileSink::open(const VideoSettings& settings, std::string& error) {
    if (settings.width <= 0 || settings.height <= 0 || settings.width % 2 || settings.height % 2) {
        error = "a video needs an even width and height, not " + std::to_string(settings.width) + "x" +
                std::to_string(settings.height);
        return nullptr;
    }
    if (settings.framesPerSecond <= 0) {
        error = "a video needs a frame rate of at least 1";
        return nullptr;
    }
    av_log_set_level(AV_LOG_ERROR);  // the encoders' chatter would bury the player's own output
    std::unique_ptr<VideoFileSink> sink(new VideoFileSink(settings));
    if (!sink->openFile(error) || !sink->openVideo(error) || (settings.music && !sink->openSound(error))) {
        error = settings.path + ": " + error;
        return nullptr;
    }
    if (!(sink->format_->oformat->flags & AVFMT_NOFILE)) {
        // The folder the file goes into is made as the folder of a PNG capture would be.
        const std::filesystem::path parent = std::filesystem::path(settings.path).parent_path();
        std::error_code ignored;
        if (!parent.empty()) std::filesystem::create_directories(parent, ignored);
        const int opened = avio_open(&sink->format_->pb, settings.path.c_str(), AVIO_FLAG_WRITE);
        if (opened < 0) {
            error = settings.path + ": " + errorText(opened);
            return nullptr;
        }
        sink->fileOpen_ = true;
    }
    const int header = avformat_write_header(sink->format_, nullptr);
    if (header < 0) {
        error = settings.path + ": " + errorText(header);
        return nullptr;
    }
    sink->headerWritten_ = true;
    return sink;
}

VideoFileSink::~VideoFileSink() {
    if (headerWritten_ && !finished_) av_write_trailer(format_);  // keeps what was captured playable
    if (fileOpen_) avio_closep(&format_->pb);
    sws_freeContext(scaler_);
    av_frame_free(&picture_);
    av_frame_free(&soundFrame_);
    av_packet_free(&packet_);
    avcodec_free_context(&video_);
    avcodec_free_context(&sound_);
    avformat_free_context(format_);
}

bool VideoFileSink::openFile(std::string& error) {
    const int made = avformat_alloc_output_context2(&format_, nullptr, nullptr, settings_.path.c_str());
    if (made < 0 || !format_) {
        error = "no container for this file name";
        return false;
    }
    packet_ = av_packet_alloc();
    if (!packet_) {
        error = "out of memory";
        return false;
    }
    return true;
}

bool VideoFileSink::openVideo(std::string& error) {
    const AVCodec* codec = pickEncoder(format_->oformat, {"libx264", "mpeg4"});
    if (!codec) {
        error = "no video encoder for this container (H.264 or MPEG-4)";
        return false;
    }
    videoEncoderName_ = codec->name;
    videoStream_ = avformat_new_stream(format_, nullptr);
    video_ = avcodec_alloc_context3(codec);
    if (!videoStream_ || !video_) {
        error = "out of memory";
        return false;
    }
    video_->width = settings_.width;
    video_->height = settings_.height;
    video_->pix_fmt = AV_PIX_FMT_YUV420P;
    video_->time_base = AVRational{1, settings_.framesPerSecond};
    video_->framerate = AVRational{settings_.framesPerSecond, 1};
    video_->gop_size = settings_.framesPerSecond * 2;
    if (codec->id == AV_CODEC_ID_H264) {
        av_opt_set(video_->priv_data, "preset", "medium", 0);
        av_opt_set(video_->priv_data, "crf", "18", 0);
    } else {
        video_->flags |= AV_CODEC_FLAG_QSCALE;  // constant quality rather than a guessed bit rate
        video_->global_quality = FF_QP2LAMBDA * 3;
        video_->max_b_frames = 2;
    }
    if (format_->oformat->flags & AVFMT_GLOBALHEADER) video_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    const int opened = avcodec_open2(video_, codec, nullptr);
    if (opened < 0) {
        error = std::string("unable to open the ") + codec->name + " encoder: " + errorText(opened);
        return false;
    }
    avcodec_parameters_from_context(videoStream_->codecpar, video_);
    videoStream_->time_base = video_->time_base;
    videoStream_->avg_frame_rate = video_->framerate;

    picture_ = av_frame_alloc();
    if (!picture_) {
        error = "out of memory";
        return false;
    }
    picture_->format = video_->pix_fmt;
    picture_->width = video_->width;
    picture_->height = video_->height;
    if (av_frame_get_buffer(picture_, 0) < 0) {
        error = "out of memory";
        return false;
    }
    scaler_ = sws_getContext(settings_.width, settings_.height, AV_PIX_FMT_RGBA, settings_.width, settings_.height,
                             AV_PIX_FMT_YUV420P, SWS_BICUBIC, nullptr, nullptr, nullptr);
    if (!scaler_) {
        error = "unable to convert RGBA to YUV";
        return false;
    }
    return true;
}

bool VideoFileSink::openSound(std::string& error) {
    const platform::PcmBuffer& music = *settings_.music;
    if (music.channels <= 0 || music.sampleRate <= 0) {
        error = "the music has no samples";
        return false;
    }
    const AVCodec* codec = pickEncoder(format_->oformat, {"libvorbis", "aac", "flac"});
    if (codec && codec->id == AV_CODEC_ID_VORBIS && std::strcmp(format_->oformat->name, "mp4") == 0)
        codec = pickEncoder(format_->oformat, {"aac"});
    if (!codec) {
        error = "no sound encoder for this container (Vorbis, AAC or FLAC)";
        return false;
    }
    const AVSampleFormat sampleFormat = pickSampleFormat(codec);
    if (sampleFormat == AV_SAMPLE_FMT_NONE || !rateSupported(codec, music.sampleRate)) {
        error = std::string("the ") + codec->name + " encoder does not take " + std::to_string(music.sampleRate) +
                " Hz";
        return false;
    }
    soundEncoderName_ = codec->name;
    soundStream_ = avformat_new_stream(format_, nullptr);
    sound_ = avcodec_alloc_context3(codec);
    if (!soundStream_ || !sound_) {
        error = "out of memory";
        return false;
    }
    sound_->sample_fmt = sampleFormat;
    sound_->sample_rate = music.sampleRate;
    av_channel_layout_default(&sound_->ch_layout, music.channels);
    if (codec->id == AV_CODEC_ID_VORBIS) {
        sound_->flags |= AV_CODEC_FLAG_QSCALE;  // Vorbis sets its bit rate from a quality, at any sample rate
        sound_->global_quality = FF_QP2LAMBDA * 6;
    } else if (codec->id != AV_CODEC_ID_FLAC) {
        sound_->bit_rate = 192000;
    }
    sound_->time_base = AVRational{1, music.sampleRate};
    if (format_->oformat->flags & AVFMT_GLOBALHEADER) sound_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    const int opened = avcodec_open2(sound_, codec, nullptr);
    if (opened < 0) {
        error = std::string("unable to open the ") + codec->name + " encoder: " + errorText(opened);
        return false;
    }
    avcodec_parameters_from_context(soundStream_->codecpar, sound_);
    soundStream_->time_base = sound_->time_base;

    soundFrame_ = av_frame_alloc();
    if (!soundFrame_) {
        error = "out of memory";
        return false;
    }
    soundFrame_->format = sound_->sample_fmt;
    soundFrame_->sample_rate = sound_->sample_rate;
    av_channel_layout_copy(&soundFrame_->ch_layout, &sound_->ch_layout);
    soundFrame_->nb_samples = sound_->frame_size > 0 ? sound_->frame_size : 1024;
    if (av_frame_get_buffer(soundFrame_, 0) < 0) {
        error = "out of memory";
        return false;
    }
    const double first = std::floor(settings_.musicStart * music.sampleRate);
    musicFirstFrame_ = first > 0.0 ? static_cast<long long>(first) : 0;
    return true;
}

bool VideoFileSink::encode(AVCodecContext* encoder, AVStream* stream, AVFrame* frame) {
    int sent = avcodec_send_frame(encoder, frame);
    if (sent < 0) return fail(std::string("encoding failed: ") + errorText(sent));
    for (;;) {
        const int received = avcodec_receive_packet(encoder, packet_);
        if (received == AVERROR(EAGAIN) || received == AVERROR_EOF) return true;
        if (received < 0) return fail(std::string("encoding failed: ") + errorText(received));
        av_packet_rescale_ts(packet_, encoder->time_base, stream->time_base);
        packet_->stream_index = stream->index;
        const int written = av_interleaved_write_frame(format_, packet_);  // takes the packet's data over
        if (written < 0) return fail(settings_.path + ": " + errorText(written));
    }
}

bool VideoFileSink::fillSoundFrame(long long trackFrame) {
    if (av_frame_make_writable(soundFrame_) < 0) return fail("out of memory");
    const platform::PcmBuffer& music = *settings_.music;
    const int channels = music.channels;
    const auto total = static_cast<long long>(music.frames());
    for (int i = 0; i < soundFrame_->nb_samples; ++i) {
        const long long source = musicFirstFrame_ + trackFrame + i;
        for (int channel = 0; channel < channels; ++channel) {
            const std::int16_t value =
                source < total ? music.samples[static_cast<std::size_t>(source * channels + channel)] : 0;
            storeSample(soundFrame_, sound_->sample_fmt, channels, i, channel, value);
        }
    }
    soundFrame_->pts = trackFrame;
    return true;
}

bool VideoFileSink::encodeSoundUntil(long long untilFrame) {
    if (!sound_) return true;
    while (soundTrackFrames_ < untilFrame) {
        if (!fillSoundFrame(soundTrackFrames_) || !encode(sound_, soundStream_, soundFrame_)) return false;
        soundTrackFrames_ += soundFrame_->nb_samples;
    }
    return true;
}

bool VideoFileSink::writeFrame(const std::vector<std::uint8_t>& rgba) {
    if (finished_) return fail("the capture is finished");
    if (rgba.size() != static_cast<std::size_t>(settings_.width) * static_cast<std::size_t>(settings_.height) * 4)
        return fail("the frame's pixels do not match the video's size");
    if (av_frame_make_writable(picture_) < 0) return fail("out of memory");
    const std::uint8_t* source[1] = {rgba.data()};
    const int stride[1] = {settings_.width * 4};
    sws_scale(scaler_, source, stride, 0, settings_.height, picture_->data, picture_->linesize);
    picture_->pts = framesWritten_;
    if (!encode(video_, videoStream_, picture_)) return false;
    ++framesWritten_;
    if (!sound_) return true;
    // The music up to the end of this frame.
    const long long until = (framesWritten_ * static_cast<long long>(sound_->sample_rate) +
                             settings_.framesPerSecond - 1) / settings_.framesPerSecond;
    return encodeSoundUntil(until);
}

bool VideoFileSink::finish() {
    if (finished_) return true;
    finished_ = true;
    bool good = encode(video_, videoStream_, nullptr);
    if (sound_) good = encode(sound_, soundStream_, nullptr) && good;
    const int trailer = av_write_trailer(format_);
    if (trailer < 0 && good) good = fail(settings_.path + ": " + errorText(trailer));
    if (fileOpen_) {
        avio_closep(&format_->pb);
        fileOpen_ = false;
    }
    return good;
}

}  // namespace qv3rn
