// sheet_command.cpp -- "qv3rn-tool sheet": a contact sheet of the show, frames drawn headless at a fixed step and
// laid out in a grid, each with its time under it, so that the whole show can be seen at a glance.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "command_arguments.h"
#include "data/resource_reader.h"
#include "demo/demo_clock.h"
#include "generators/picture.h"
#include "headless_show.h"
#include "pixel_text.h"
#include "tool_command.h"

namespace qv3rn::tool {

namespace {

namespace fs = std::filesystem;

constexpr const char* usageText =
    "sheet <folder> --every SECONDS --out <sheet.png|.jpg> [--size WxH] [--columns N] [--from T] [--to T] "
    "[--effects FILE]";

constexpr int maxFrames = 4096;
constexpr int padding = 4;
constexpr Rgb background{24, 24, 28};
constexpr Rgb labelColour{220, 220, 220};

struct SheetArguments {
    std::string folder, out, effects;
    double every = 0.0, from = 0.0, to = showLength;
    int width = 160, height = 120, columns = 8;
};

bool parseArguments(const std::vector<std::string>& args, SheetArguments& parsed, std::string& error) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!arg.empty() && arg[0] == '-' && i + 1 >= args.size()) {
            error = arg + " needs a value";
            return false;
        }
        double number = 0.0;
        if (arg == "--every" || arg == "--from" || arg == "--to") {
            if (!parseNumber(args[++i], number) || number < 0.0 || number > showLength) {
                error = arg + " wants seconds from 0 to " + std::to_string(static_cast<int>(showLength)) + ", not \"" +
                        args[i] + "\"";
                return false;
            }
            (arg == "--every" ? parsed.every : arg == "--from" ? parsed.from : parsed.to) = number;
        } else if (arg == "--columns") {
            if (!parseNumber(args[++i], number) || number < 1 || number > 256 || number != std::floor(number)) {
                error = "--columns wants a whole number from 1 to 256, not \"" + args[i] + "\"";
                return false;
            }
            parsed.columns = static_cast<int>(number);
        } else if (arg == "--size") {
            if (!parseFrameSize(args[++i], parsed.width, parsed.height)) {
                error = "--size wants WIDTHxHEIGHT, not \"" + args[i] + "\"";
                return false;
            }
        } else if (arg == "--out") {
            parsed.out = args[++i];
        } else if (arg == "--effects") {
            parsed.effects = args[++i];
        } else if (!takeOperand(arg, parsed.folder, "content folder", error)) {
            return false;
        }
    }
    const std::string extension = fs::path(parsed.out).extension().string();
    if (parsed.folder.empty()) error = "no content folder given";
    else if (parsed.every <= 0.0) error = "no --every given (a step above 0 seconds)";
    else if (parsed.out.empty()) error = "no --out given";
    else if (extension != ".png" && extension != ".jpg" && extension != ".jpeg")
        error = "--out wants a .png or .jpg file";
    else if (parsed.to < parsed.from) error = "--to comes before --from";
    else if ((parsed.to - parsed.from) / parsed.every >= maxFrames) error = "more than 4096 frames: a longer --every";
    return error.empty();
}

// "m:ss.s", the time as the sheet labels it.
std::string timeLabel(double seconds) {
    const int tenths = static_cast<int>(std::lround(seconds * 10.0));
    char text[32];
    std::snprintf(text, sizeof text, "%d:%02d.%d", tenths / 600, tenths / 10 % 60, tenths % 10);
    return text;
}

// Copies an RGBA frame (top row first) into the sheet at (x, y).
void paste(Picture& sheet, const std::vector<std::uint8_t>& rgba, int width, int height, int x, int y) {
    for (int row = 0; row < height; ++row)
        for (int column = 0; column < width; ++column)
            std::copy_n(&rgba[(static_cast<std::size_t>(row) * width + column) * 4], 3, sheet.at(x + column, y + row));
}

int runSheet(const std::vector<std::string>& args) {
    SheetArguments parsed;
    std::string problem;
    if (!parseArguments(args, parsed, problem)) return usageError("sheet", problem);

    std::vector<double> times;
    for (long long n = 0; parsed.from + n * parsed.every <= parsed.to + 1e-9; ++n)
        times.push_back(parsed.from + n * parsed.every);
    ShowFiles files;
    if (!parsed.effects.empty()) files.effectScript = fs::absolute(resourceName(parsed.effects)).string();
    const std::string out = fs::absolute(parsed.out).string();

    // The label is drawn twice as big where it fits under the frame with room to spare beside its neighbours'.
    const int scale = textWidth("0:00.0", 2) + 6 * padding <= parsed.width ? 2 : 1;
    const int labelHeight = glyphHeight * scale + padding;
    const int columns = std::min<int>(parsed.columns, static_cast<int>(times.size()));
    const int rows = static_cast<int>((times.size() + columns - 1) / columns);
    const int cellWidth = parsed.width + padding, cellHeight = parsed.height + labelHeight + padding;
    Picture sheet(columns * cellWidth + padding, rows * cellHeight + padding, 3);
    fillRect(sheet, 0, 0, sheet.width, sheet.height, background);

    {
        HeadlessShow show;
        if (!show.open(parsed.folder, files, parsed.width, parsed.height, FixedStepClock::defaultStepsPerSecond,
                       problem)) {
            std::fprintf(stderr, "qv3rn-tool sheet: %s\n", problem.c_str());
            return 1;
        }
        for (std::size_t i = 0; i < times.size(); ++i) {
            show.clock().advanceTo(static_cast<float>(times[i]));
            const int x = padding + static_cast<int>(i % columns) * cellWidth;
            const int y = padding + static_cast<int>(i / columns) * cellHeight;
            paste(sheet, show.renderer().renderFrame(), parsed.width, parsed.height, x, y);
            const std::string label = timeLabel(times[i]);
            drawText(sheet, x + (parsed.width - textWidth(label, scale)) / 2, y + parsed.height + padding / 2 + scale,
                     label, labelColour, scale);
        }
    }
    if (!writePicture(sheet, out, problem)) {
        std::fprintf(stderr, "qv3rn-tool sheet: %s\n", problem.c_str());
        return 1;
    }
    std::printf("%zu frames, %d x %d, %s\n", times.size(), sheet.width, sheet.height, parsed.out.c_str());
    return 0;
}

const ToolCommand sheetCommand{"sheet", usageText, runSheet};

}  // namespace
}  // namespace qv3rn::tool
