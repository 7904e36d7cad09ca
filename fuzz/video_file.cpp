// video_file.cpp -- fuzzes opening a video file into a video texture and playing it through, looping.
#include <unistd.h>  // Required for: close

extern "C" {
#include <libavutil/log.h>
}

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "effects/video_texture.h"

namespace {

// One scratch file per process, rewritten for every input (the video texture opens files by name) and removed
// at exit.
char scratchName[] = "/tmp/qv3rn_video_fuzz_XXXXXX";

void removeScratch() { std::remove(scratchName); }

const char* scratchPath() {
    static const bool made = [] {
        const int fd = mkstemp(scratchName);
        if (fd < 0) std::abort();
        close(fd);
        std::atexit(removeScratch);
        return true;
    }();
    (void)made;
    return scratchName;
}

void writeScratch(const std::uint8_t* data, std::size_t size) {
    std::FILE* file = std::fopen(scratchPath(), "wb");
    if (!file) std::abort();
    if (size && std::fwrite(data, 1, size, file) != size) std::abort();
    std::fclose(file);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace qv3rn;
    static const bool quiet = [] {
        av_log_set_level(AV_LOG_QUIET);
        return true;
    }();
    (void)quiet;
    writeScratch(data, size);

    constexpr int side = 16;
    VideoTexture video;
    if (!video.open(scratchPath(), side, side)) {
        if (video.isOpen()) std::abort();
        return 0;
    }
    if (video.frameCount() < 1 || video.sourceWidth() < 1 || video.sourceHeight() < 1) std::abort();
    if (video.pixels().size() != side * side * 3) std::abort();
    // Play past the end once (capped), one frame per step: the index stays within the length the texture
    // knows, and no step shows more than one new frame.
    const int steps = video.frameCount() < 40 ? video.frameCount() + 2 : 42;
    for (int step = 0; step < steps; ++step) {
        const int shown = video.framesShown();
        video.advance(1.0f / 24.0f + 1e-4f);
        if (video.frameIndex() < 0 || video.frameIndex() >= video.frameCount()) std::abort();
        if (video.framesShown() > shown + 1) std::abort();
    }
    video.close();
    return 0;
}
