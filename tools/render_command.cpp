// render_command.cpp -- "qv3rn-tool render": plays a content folder's timeline without a window and writes the
// frames at the chosen demo times as PNG files, so that a moment of the show can be checked without playing it.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "command_arguments.h"
#include "core/log.h"
#include "data/resource_reader.h"
#include "effects/show_clock.h"
#include "headless_show.h"
#include "tool_command.h"

namespace qv3rn::tool {

namespace {

namespace fs = std::filesystem;

constexpr const char* usageText =
    "render <folder> --time T [--time T2 ...] [--size WxH] [--effects FILE] [--rate N] [--seed N] [--log FILE] "
    "--out <file or pattern>";

// The longest stretch of demo time a render may step through.
constexpr double maxTime = 24.0 * 3600.0;

struct RequestedTime {
    std::string text;  // as written
    float seconds = 0.0f;
    int position = 0;  // 1 for the first --time
};

struct RenderArguments {
    std::string folder;
    std::vector<RequestedTime> times;
    int width = 640;
    int height = 480;
    std::string effects;
    std::string out;
    std::string log;
    double rate = FixedStepClock::defaultStepsPerSecond;
    std::uint32_t seed = 1;
};

bool parseArguments(const std::vector<std::string>& args, RenderArguments& parsed, std::string& error) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool takesValue = arg == "--time" || arg == "--size" || arg == "--effects" || arg == "--out" ||
                                arg == "--rate" || arg == "--seed" || arg == "--log";
        if (takesValue && i + 1 >= args.size()) {
            error = arg + " needs a value";
            return false;
        }
        double number = 0.0;
        if (arg == "--time") {
            const std::string& text = args[++i];
            if (!parseNumber(text, number) || number < 0.0 || number > maxTime) {
                error = "--time wants seconds from 0 to " + std::to_string(static_cast<int>(maxTime)) + ", not \"" +
                        text + "\"";
                return false;
            }
            parsed.times.push_back({text, static_cast<float>(number), static_cast<int>(parsed.times.size()) + 1});
        } else if (arg == "--size") {
            if (!parseFrameSize(args[++i], parsed.width, parsed.height)) {
                error = "--size wants WIDTHxHEIGHT, each 1 to " + std::to_string(maxFrameSide) + ", not \"" + args[i] +
                        "\"";
                return false;
            }
        } else if (arg == "--rate") {
            if (!parseNumber(args[++i], number) || number < 1.0 || number > 1000.0) {
                error = "--rate wants updates per second from 1 to 1000, not \"" + args[i] + "\"";
                return false;
            }
            parsed.rate = number;
        } else if (arg == "--seed") {
            if (!parseNumber(args[++i], number) || number < 0.0 || number > 4294967295.0 || number != std::floor(number)) {
                error = "--seed wants a whole number from 0 to 4294967295, not \"" + args[i] + "\"";
                return false;
            }
            parsed.seed = static_cast<std::uint32_t>(number);
        } else if (arg == "--effects") {
            parsed.effects = args[++i];
        } else if (arg == "--out") {
            parsed.out = args[++i];
        } else if (arg == "--log") {
            parsed.log = args[++i];
        } else if (!takeOperand(arg, parsed.folder, "content folder", error)) {
            return false;
        }
    }
    if (parsed.folder.empty()) error = "no content folder given";
    else if (parsed.times.empty()) error = "no --time given";
    else if (parsed.out.empty()) error = "no --out given";
    else if (parsed.times.size() > 1 && parsed.out.find("%t") == std::string::npos &&
             parsed.out.find("%i") == std::string::npos)
        error = "several times need an --out pattern with %t (the time) or %i (its position)";
    return error.empty();
}

// The output name of one frame: "%t" is the time as written, "%i" its position (001, 002, ...), "%%" a percent sign.
std::string outputName(const std::string& pattern, const RequestedTime& time) {
    std::string name;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] != '%' || i + 1 >= pattern.size()) {
            name += pattern[i];
            continue;
        }
        const char code = pattern[++i];
        if (code == 't') {
            name += time.text;
        } else if (code == 'i') {
            char number[16];
            std::snprintf(number, sizeof number, "%03d", time.position);
            name += number;
        } else if (code == '%') {
            name += '%';
        } else {
            name += '%';
            name += code;
        }
    }
    return name;
}

int runRender(const std::vector<std::string>& args) {
    RenderArguments parsed;
    std::string problem;
    if (!parseArguments(args, parsed, problem)) return usageError("render", problem);

    // Paths the user gave are relative to where the tool was started; the show's own are relative to the folder.
    ShowFiles files;
    if (!parsed.effects.empty()) files.effectScript = fs::absolute(resourceName(parsed.effects)).string();
    files.randomSeed = parsed.seed;
    const std::string outPattern = fs::absolute(parsed.out).string();
    if (!parsed.log.empty()) logger().open(fs::absolute(parsed.log).string());

    int status = 0;
    {
        HeadlessShow show;
        if (!show.open(parsed.folder, files, parsed.width, parsed.height, parsed.rate, problem)) {
            std::fprintf(stderr, "qv3rn-tool render: %s\n", problem.c_str());
            status = 1;
        } else {
            std::vector<RequestedTime> order = parsed.times;
            std::stable_sort(order.begin(), order.end(),
                             [](const RequestedTime& a, const RequestedTime& b) { return a.seconds < b.seconds; });
            for (const RequestedTime& time : order) {
                const std::string name = outputName(outPattern, time);
                show.clock().advanceTo(time.seconds);  // checked and sorted above: no time is refused
                if (!show.renderer().renderToPng(name, problem)) {
                    std::fprintf(stderr, "qv3rn-tool render: %s\n", problem.c_str());
                    status = 1;
                    break;
                }
                std::printf("%s %s\n", time.text.c_str(), outputName(parsed.out, time).c_str());
            }
        }
    }
    std::fflush(stdout);
    if (!parsed.log.empty()) logger().close();
    return status;
}

const ToolCommand renderCommand{"render", usageText, runRender};

}  // namespace
}  // namespace qv3rn::tool
