// Tests of the fixed-step runs: PNG captures that repeat exactly and meet a seeked capture on the same frame
// times, video files with the music that FFmpeg reads back, capture failures, and the benchmark run.
#include <gtest/gtest.h>

extern "C" {
#include <libavformat/avformat.h>
}
#include <png.h>

#include <filesystem>

#include "demo/capture.h"
#include "demo_test_support.h"

namespace qv3rn {
namespace {

namespace fs = std::filesystem;
using test::near;
using test::Rgba;
using test::WatchedDemo;

// The pixel at (x, y) (top row 0) of a PNG file.
Rgba pngPixel(const fs::path& path, int x, int y) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) {
        ADD_FAILURE() << "unreadable " << path;
        return {};
    }
    image.format = PNG_FORMAT_RGBA;
    std::vector<std::uint8_t> pixels(PNG_IMAGE_SIZE(image));
    png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr);
    const std::size_t at = (static_cast<std::size_t>(y) * image.width + static_cast<std::size_t>(x)) * 4;
    return {pixels[at], pixels[at + 1], pixels[at + 2], pixels[at + 3]};
}

class DemoCapture : public test::DemoRunTest {
protected:
    // Captures `frames` frames at `fps` from `seek` into `out` (a 64 x 48 window).
    std::unique_ptr<WatchedDemo> capture(const std::string& out, int fps, long long frames, double seek = 0.0) {
        DemoOptions options;
        options.mode = DemoMode::Capture;
        options.captureOut = (folder.path() / out).string();
        options.framesPerSecond = fps;
        options.seek = seek;
        auto demo = std::make_unique<WatchedDemo>(options, 64, 48);
        demo->setRunLimits({frames, 0.0});
        test::ScriptedWindowSystem fresh;
        fresh.tick = 7;  // the real-time clock runs at its own pace: the capture must not follow it
        demo->run(fresh);
        boxes = fresh.boxes;
        return demo;
    }

    static std::string frame(const std::string& folderName, long long index) {
        return (fs::path(folderName) / PngFolderSink::frameName(index)).string();
    }

    std::vector<test::RecordedBox> boxes;
};

TEST_F(DemoCapture, FramesAreTakenAtFixedStepsAndTwoRunsWriteTheSameFiles) {
    packShowHere();
    auto first = capture("first", 10, 40);
    ASSERT_FALSE(first->startupFailed()) << (boxes.empty() ? "" : boxes[0].text);
    EXPECT_FALSE(first->runFailed()) << first->runError();
    EXPECT_EQ(first->framesCaptured(), 40);
    EXPECT_TRUE(fs::exists(frame("first", 39)));
    EXPECT_FALSE(fs::exists(frame("first", 40)));
    for (int i = 0; i < 40; ++i) EXPECT_FLOAT_EQ(first->frames[static_cast<std::size_t>(i)].time, i / 10.0f);

    EXPECT_TRUE(near(pngPixel(frame("first", 5), 32, 24), 0, 0, 0));
    EXPECT_TRUE(near(pngPixel(frame("first", 15), 32, 24), 255, 0, 0));
    EXPECT_TRUE(near(pngPixel(frame("first", 15), 0, 0), 255, 0, 0));  // the whole frame
    EXPECT_TRUE(near(pngPixel(frame("first", 35), 63, 47), 0, 255, 0));

    auto second = capture("second", 10, 40);
    for (int i = 0; i < 40; ++i)
        EXPECT_EQ(test::readFile(frame("first", i)), test::readFile(frame("second", i))) << "frame " << i;

    // Started at 1 s, frame 5 lies at 1.5 s: the same picture as frame 15 of the runs from the start.
    auto seeked = capture("seeked", 10, 10, 1.0);
    EXPECT_FLOAT_EQ(seeked->frames[5].time, 1.5f);
    EXPECT_EQ(test::readFile(frame("seeked", 5)), test::readFile(frame("first", 15)));
    EXPECT_EQ(test::readFile(frame("seeked", 0)), test::readFile(frame("first", 10)));
    EXPECT_GE(find(logLines(), "Music: not needed by this run"), 0);
}

TEST_F(DemoCapture, TheCaptureEndsWithTheShowAndKeepsItsLastFrame) {
    packShowHere();
    auto demo = capture("end", 4, 0, 250.0);  // no frame limit: the show's end stops it
    ASSERT_FALSE(demo->startupFailed());
    // 250.0, 250.25, ... 252.0: nine frames; the frame past the end ends the run unwritten.
    EXPECT_EQ(demo->framesCaptured(), 9);
    EXPECT_TRUE(fs::exists(frame("end", 8)));
    EXPECT_FALSE(fs::exists(frame("end", 9)));
    EXPECT_EQ(demo->frames.back().time, 252.25f);
}

// What FFmpeg reads back from a video file.
struct Probe {
    int streams = 0, width = 0, height = 0, sampleRate = 0, channels = 0;
    std::string videoCodec, audioCodec;
    double audioSeconds = 0.0;
    long long videoFrames = 0;  // video packets: one per captured frame
};

Probe probe(const std::string& path) {
    Probe result;
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0) {
        ADD_FAILURE() << "FFmpeg cannot open " << path;
        return result;
    }
    avformat_find_stream_info(format, nullptr);
    result.streams = static_cast<int>(format->nb_streams);
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        const AVStream* stream = format->streams[i];
        const AVCodecParameters* codec = stream->codecpar;
        if (codec->codec_type == AVMEDIA_TYPE_VIDEO) {
            result.videoCodec = avcodec_get_name(codec->codec_id);
            result.width = codec->width;
            result.height = codec->height;
        } else if (codec->codec_type == AVMEDIA_TYPE_AUDIO) {
            result.audioCodec = avcodec_get_name(codec->codec_id);
            result.sampleRate = codec->sample_rate;
            result.channels = codec->ch_layout.nb_channels;
            if (stream->duration > 0) result.audioSeconds = stream->duration * av_q2d(stream->time_base);
        }
    }
    AVPacket* packet = av_packet_alloc();
    while (av_read_frame(format, packet) >= 0) {
        if (format->streams[packet->stream_index]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) ++result.videoFrames;
        av_packet_unref(packet);
    }
    av_packet_free(&packet);
    avformat_close_input(&format);
    return result;
}

TEST_F(DemoCapture, VideoFilesCarryThePicturesAndTheMusic) {
    packShowHere();
    for (const char* name : {"show.mkv", "show.mp4"}) {
        SCOPED_TRACE(name);
        auto demo = capture(name, 10, 20, 1.0);
        ASSERT_FALSE(demo->startupFailed()) << (boxes.empty() ? "" : boxes[0].text);
        EXPECT_FALSE(demo->runFailed()) << demo->runError();
        EXPECT_EQ(demo->framesCaptured(), 20);
        const Probe p = probe((folder.path() / name).string());
        EXPECT_EQ(p.streams, 2);
        EXPECT_TRUE(p.videoCodec == "h264" || p.videoCodec == "mpeg4") << p.videoCodec;
        EXPECT_EQ(p.width, 64);
        EXPECT_EQ(p.height, 48);
        EXPECT_EQ(p.videoFrames, 20);
        EXPECT_FALSE(p.audioCodec.empty());
        EXPECT_EQ(p.sampleRate, 22050);
        EXPECT_EQ(p.channels, 2);
        if (p.audioSeconds > 0.0) {
            EXPECT_NEAR(p.audioSeconds, 2.0, 0.15);
        }
    }
}

TEST_F(DemoCapture, ACaptureThatCannotBeWrittenEndsTheStartWithAMessage) {
    packShowHere();
    test::writeFile("taken", test::textBytes("a file where the folder should go"));
    auto demo = capture("taken", 10, 5);
    EXPECT_TRUE(demo->startupFailed());
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "ERROR");
    EXPECT_EQ(boxes[0].text.rfind("Unable to capture: ", 0), 0u) << boxes[0].text;

    // Without the music a video cannot carry it.
    fs::remove(Music::fileName);
    auto silent = capture("silent.mkv", 10, 5);
    EXPECT_TRUE(silent->startupFailed());
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Unable to load sample");
}

TEST_F(DemoCapture, TheBenchmarkTimesEveryFrameAndEveryEffectType) {
    packShowHere();
    DemoOptions options;
    options.mode = DemoMode::Bench;
    options.framesPerSecond = 5;
    options.seek = 249.0;
    WatchedDemo demo(options, 64, 48);
    demo.run(windows);
    ASSERT_FALSE(demo.startupFailed());
    const BenchReport& report = demo.benchReport();
    EXPECT_EQ(report.frames(), 16u);  // 249.0 to 252.0 at 5 frames a second
    const std::string text = report.text();
    EXPECT_EQ(text.rfind("bench 64x48 5 fps 16 frames\nload ", 0), 0u) << text;
    EXPECT_NE(text.find("\nframe "), std::string::npos);
    EXPECT_NE(text.find("\nFlash "), std::string::npos);  // the ground flash runs to the end
    EXPECT_EQ(find(logLines(), "Sound system"), -1);      // no music in a benchmark
}

}  // namespace
}  // namespace qv3rn
