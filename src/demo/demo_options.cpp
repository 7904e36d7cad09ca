// demo_options.cpp -- parsing and checking the player's own options.
#include "demo/demo_options.h"

#include <algorithm>
#include <charconv>  // Required for: from_chars
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "demo/capture.h"
#include "demo/demo_clock.h"

namespace qv3rn {

namespace {

std::string parseStartTime(const std::string& value, double& seconds) {
    double parsed = 0.0;
    const char* end = value.data() + value.size();
    auto [stop, error] = std::from_chars(value.data(), end, parsed);
    char limit[32];
    std::snprintf(limit, sizeof limit, "%g", static_cast<double>(showLength));
    if (value.empty() || error != std::errc() || stop != end || !std::isfinite(parsed) || parsed < 0.0 ||
        parsed > showLength)
        return "--seek: expected a number of seconds from 0 to " + std::string(limit) + ", got '" + value + "'";
    seconds = parsed;
    return {};
}

}  // namespace

void addDemoOptions(CommandLine& commandLine, DemoCommandLine& options) {
    commandLine.add({"--data", "DIR", "play from a content folder on disk instead of data.dat",
                     [&options](const std::string& value) {
                         if (value.empty()) return std::string("--data: expected a folder");
                         options.dataFolder = value;
                         return std::string();
                     }});
    commandLine.add({"--seek", "SECONDS", "start the show (timeline and music) at this time",
                     [&options](const std::string& value) {
                         options.seekGiven = true;
                         return parseStartTime(value, options.seek);
                     }});
    commandLine.add({"--capture", "OUT",
                     "render headless at a fixed step into OUT: numbered PNG files in a folder, or a .mp4/.mkv "
                     "video with the music",
                     [&options](const std::string& value) {
                         if (value.empty()) return std::string("--capture: expected a folder or a video file");
                         options.capture = value;
                         return std::string();
                     }});
    commandLine.add({"--fps", "N", "frames per second of demo time for --capture (60) and --bench (30)",
                     [&options](const std::string& value) {
                         long long rate = 0;
                         std::string problem = parseCount("--fps", value, rate);
                         if (problem.empty() && rate > maxFrameRate)
                             problem = "--fps: at most " + std::to_string(maxFrameRate) + ", got '" + value + "'";
                         if (problem.empty()) options.framesPerSecond = static_cast<int>(rate);
                         return problem;
                     }});
    commandLine.add({"--bench", "",
                     "render every frame of the show headless at a fixed step and print the load time and the "
                     "frame times",
                     [&options](const std::string&) {
                         options.bench = true;
                         return std::string();
                     }});
}

std::string checkDemoOptions(const DemoCommandLine& options, const ShellOptions& shell) {
    if (options.bench && !options.capture.empty()) return "--capture and --bench exclude each other";
    if (options.framesPerSecond > 0 && !options.bench && options.capture.empty())
        return "--fps needs --capture or --bench";
    if (!options.dataFolder.empty()) {
        std::error_code error;
        if (!std::filesystem::is_directory(options.dataFolder, error))
            return "--data: '" + options.dataFolder + "' is no folder";
    }
    if (!options.capture.empty() && isVideoPath(options.capture)) {
        const int width = shell.width > 0 ? shell.width : 640;
        const int height = shell.height > 0 ? shell.height : 480;
        if (width % 2 || height % 2) return "--capture: a video needs an even width and height (--size)";
    }
    if (runsHeadless(options) && shell.fullscreen) return "--fullscreen has no meaning for --capture and --bench";
    return {};
}

DemoOptions makeDemoOptions(const DemoCommandLine& options) {
    DemoOptions demo;
    demo.dataFolder = options.dataFolder;
    demo.seek = options.seek;
    if (options.bench) {
        demo.mode = DemoMode::Bench;
        demo.framesPerSecond = options.framesPerSecond > 0 ? options.framesPerSecond : defaultBenchRate;
    } else if (!options.capture.empty()) {
        demo.mode = DemoMode::Capture;
        demo.framesPerSecond = options.framesPerSecond > 0 ? options.framesPerSecond : defaultCaptureRate;
        std::error_code error;
        const std::filesystem::path out = std::filesystem::absolute(options.capture, error);
        demo.captureOut = error ? options.capture : out.string();
    }
    return demo;
}

RunLimits demoRunLimits(const DemoOptions& demo, RunLimits limits) {
    if (demo.mode == DemoMode::Play || limits.seconds <= 0.0) return limits;
    const long long frames = std::max(1LL, std::llround(limits.seconds * demo.framesPerSecond));
    limits.frames = limits.frames > 0 ? std::min(limits.frames, frames) : frames;
    limits.seconds = 0.0;
    return limits;
}

bool runsHeadless(const DemoCommandLine& options) { return options.bench || !options.capture.empty(); }

}  // namespace qv3rn
