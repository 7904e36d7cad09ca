// Fixed-step runs: repeatable PNG captures, video files with music, capture failures.
#include <gtest/gtest.h>

extern "C" {
#include <libavformat/avformat.h>
}
#include <png.h>


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
    void SetUp() override {
        test::DemoRunTest::SetUp();
        packShowHere();
    }

    // Captures `frames` frames (0: up to the show's end) at `fps` from `seek` into `out` (a 64 x 48 window).
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
        EXPECT_FALSE(demo->runFailed()) << demo->runError();
        return demo;
    }

    static std::string frame(const std::string& folderName, long long index) {
        return test::readFile(fs::path(folderName) / PngFolderSink::frameName(index));
    }

    std::vector<test::RecordedBox> boxes;
};

TEST_F(DemoCapture, FramesAreTakenAtFixedStepsTwoRunsWriteTheSameFilesAndTheShowsEndEndsTheCapture) {
    auto first = capture("first", 10, 40);
    ASSERT_FALSE(first->startupFailed()) << (boxes.empty() ? "" : boxes[0].text);
    EXPECT_EQ(first->framesCaptured(), 40);
    EXPECT_FALSE(fs::exists(fs::path("first") / PngFolderSink::frameName(40)));
    for (int i = 0; i < 40; ++i) EXPECT_FLOAT_EQ(first->frames[static_cast<std::size_t>(i)].time, i / 10.0f);
    const auto pixelOf = [](int index, int x, int y) {
        return pngPixel(fs::path("first") / PngFolderSink::frameName(index), x, y);
    };
    EXPECT_TRUE(near(pixelOf(5, 32, 24), 0, 0, 0));
    EXPECT_TRUE(near(pixelOf(15, 32, 24), 255, 0, 0));
    EXPECT_TRUE(near(pixelOf(35, 63, 47), 0, 255, 0));  // to the far corner

    capture("second", 10, 40);
    for (int i = 0; i < 40; ++i) EXPECT_EQ(frame("first", i), frame("second", i)) << "frame " << i;

    // Started at 1 s, frame 5 lies at 1.5 s: the same picture as frame 15 of the runs from the start.
    auto seeked = capture("seeked", 10, 10, 1.0);
    EXPECT_FLOAT_EQ(seeked->frames[5].time, 1.5f);
    EXPECT_EQ(frame("seeked", 5), frame("first", 15));
    EXPECT_GE(find(logLines(), "Music: not needed by this run"), 0);

    // No frame limit: 250.0, 250.25, ... 252.0 are nine frames; the frame past the end ends the run unwritten.
    auto end = capture("end", 4, 0, 250.0);
    EXPECT_EQ(end->framesCaptured(), 9);
    EXPECT_NE(frame("end", 8), "");
    EXPECT_FALSE(fs::exists(fs::path("end") / PngFolderSink::frameName(9)));
    EXPECT_EQ(end->frames.back().time, 252.25f);
}

TEST_F(DemoCapture, VideoFilesCarryThePicturesAndTheMusic) {
    for (const char* name : {"show.mkv", "show.mp4"}) {
        SCOPED_TRACE(name);
        auto demo = capture(name, 10, 20, 1.0);
        ASSERT_FALSE(demo->startupFailed()) << (boxes.empty() ? "" : boxes[0].text);
        EXPECT_EQ(demo->framesCaptured(), 20);
        // What FFmpeg reads back: a video stream of 20 packets (one per frame) and the music's stream.
        AVFormatContext* format = nullptr;
        ASSERT_GE(avformat_open_input(&format, (folder.path() / name).c_str(), nullptr, nullptr), 0);
        avformat_find_stream_info(format, nullptr);
        ASSERT_EQ(format->nb_streams, 2u);
        for (const AVStream* stream : {format->streams[0], format->streams[1]}) {
            const AVCodecParameters* codec = stream->codecpar;
            const std::string codecName = avcodec_get_name(codec->codec_id);
            if (codec->codec_type == AVMEDIA_TYPE_VIDEO) {
                EXPECT_TRUE(codecName == "h264" || codecName == "mpeg4") << codecName;
                EXPECT_EQ(codec->width, 64);
                EXPECT_EQ(codec->height, 48);
            } else {
                EXPECT_EQ(codec->codec_type, AVMEDIA_TYPE_AUDIO);
                EXPECT_EQ(codec->sample_rate, 22050);
                EXPECT_EQ(codec->ch_layout.nb_channels, 2);
                if (stream->duration > 0) {
                    EXPECT_NEAR(stream->duration * av_q2d(stream->time_base), 2.0, 0.15);
                }
            }
        }
        int videoPackets = 0;
        AVPacket* packet = av_packet_alloc();
        while (av_read_frame(format, packet) >= 0) {
            videoPackets += format->streams[packet->stream_index]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO;
            av_packet_unref(packet);
        }
        av_packet_free(&packet);
        avformat_close_input(&format);
        EXPECT_EQ(videoPackets, 20);
    }
}

TEST_F(DemoCapture, ACaptureThatCannotBeWrittenEndsTheStartWithAMessage) {
    test::writeFile("taken", test::textBytes("a file where the folder should go"));
    EXPECT_TRUE(capture("taken", 10, 5)->startupFailed());
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "ERROR");
    EXPECT_EQ(boxes[0].text.rfind("Unable to capture: ", 0), 0u) << boxes[0].text;
}

TEST(RunProgress, OneLineRewrittenOnATerminalPlainLinesEveryTenthOrFiveSecondsElsewhere) {
    // frames, wall seconds per frame, terminal: lines written, whether they are rewritten in place
    const struct { long long frames; double perFrame; bool terminal; int lines; } rows[] = {
        {1000, 0.001, false, 10},  // a fast run: every tenth
        {100, 1.0, false, 20},     // a slow one: every tenth (10 s) and every 5 s in between
        {1000, 0.001, true, 1},    // one line, its last state ends it
    };
    for (const auto& row : rows) {
        char* buffer = nullptr;
        std::size_t size = 0;
        std::FILE* out = open_memstream(&buffer, &size);
        RunProgress progress(out, row.terminal, "capture", row.frames);
        for (long long n = 1; n <= row.frames; ++n) progress.frameDone(n / 60.0, n * row.perFrame);
        progress.finish();
        std::fclose(out);
        const std::string text(buffer, size);
        std::free(buffer);
        EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), row.lines) << text;
        EXPECT_EQ(text.find('\r') != std::string::npos, row.terminal) << text;
        EXPECT_NE(text.find("/" + std::to_string(row.frames) + " frames (100%)"), std::string::npos) << text;
        EXPECT_NE(text.rfind("left 0:00"), std::string::npos) << text;
    }
    // Half-way through a run at one second a frame, half of the time is left.
    char* buffer = nullptr;
    std::size_t size = 0;
    std::FILE* out = open_memstream(&buffer, &size);
    RunProgress progress(out, false, "bench", 200);
    for (int n = 1; n <= 100; ++n) progress.frameDone(n / 30.0, n);
    std::fclose(out);
    EXPECT_NE(std::string(buffer, size).find("bench: 100/200 frames (50%), demo time 3.3 s, elapsed 1:40, left 1:40"),
              std::string::npos);
    std::free(buffer);
}

TEST(BenchReport, TheTableHasTheFrameRowFirstThenOneRowPerEffectTypeByName) {
    BenchReport report;
    report.setRun(640, 480, 30);
    report.setLoadTime(1234.5);
    report.addFrame(10.0, {{"Flash", 1.0}, {"Blocks", 4.0}}, 0.5);
    report.addFrame(30.0, {{"Flash", 3.0}}, 1.0);
    report.addFrame(20.0, {}, 1.5);
    EXPECT_EQ(report.frames(), 3u);

    std::istringstream lines(report.text());
    std::string line;
    for (const char* head : {"bench 640x480 30 fps 3 frames", "load 1234.500 ms",
                             "slowest 30.000 ms at 1.000 s, 20.000 ms at 1.500 s, 10.000 ms at 0.500 s"}) {
        std::getline(lines, line);
        EXPECT_EQ(line, head);
    }
    std::getline(lines, line);
    EXPECT_EQ(line.substr(0, 4), "what");
    // Count, minimum, median, 95th percentile and maximum; an effect type counts only in the frames that drew it.
    std::vector<std::pair<std::string, std::vector<double>>> rows;
    for (std::string name; lines >> name;) {
        std::vector<double> values(5);
        for (double& value : values) ASSERT_TRUE(lines >> value) << name;
        rows.emplace_back(name, values);
    }
    EXPECT_EQ(rows, (std::vector<std::pair<std::string, std::vector<double>>>{
                        {"frame", {3, 10, 20, 30, 30}}, {"Blocks", {1, 4, 4, 4, 4}}, {"Flash", {2, 1, 2, 3, 3}}}));
}

}  // namespace
}  // namespace qv3rn
