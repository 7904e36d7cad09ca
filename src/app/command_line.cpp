// command_line.cpp -- the option table parser, its usage text, and the shell's options.
#include "app/command_line.h"

#include <algorithm>
#include <charconv>  // Required for: from_chars
#include <cmath>
#include <utility>

namespace qv3rn {

namespace {

constexpr int kMaxWindowSide = 16384;

bool wholeNumber(const std::string& text, long long& value) {
    const char* end = text.data() + text.size();
    auto [stop, error] = std::from_chars(text.data(), end, value);
    return error == std::errc() && stop == end && !text.empty();
}

}  // namespace

CommandLine::CommandLine(std::string program, std::string summary)
    : program_(std::move(program)), summary_(std::move(summary)) {}

void CommandLine::add(CommandLineOption option) { options_.push_back(std::move(option)); }

const CommandLineOption* CommandLine::find(const std::string& name) const {
    for (const CommandLineOption& option : options_)
        if (option.name == name) return &option;
    return nullptr;
}

CommandLine::Outcome CommandLine::parse(int argc, const char* const* argv) {
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) arguments.emplace_back(argv[i]);
    return parse(arguments);
}

CommandLine::Outcome CommandLine::parse(const std::vector<std::string>& arguments) {
    error_.clear();
    auto fail = [this](std::string text) {
        error_ = std::move(text);
        return Outcome::Error;
    };
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--help" || argument == "-h") return Outcome::Help;
        if (argument.size() < 3 || argument.compare(0, 2, "--") != 0)
            return fail("unexpected argument '" + argument + "'");

        const std::size_t equals = argument.find('=');
        const std::string name = argument.substr(0, equals);
        const CommandLineOption* option = find(name);
        if (!option) return fail("unknown option '" + name + "'");

        std::string value;
        if (option->valueName.empty()) {
            if (equals != std::string::npos) return fail("option '" + name + "' takes no value");
        } else if (equals != std::string::npos) {
            value = argument.substr(equals + 1);
        } else if (i + 1 < arguments.size()) {
            value = arguments[++i];
        } else {
            return fail("option '" + name + "' needs a value (" + option->valueName + ")");
        }
        if (std::string problem = option->apply(value); !problem.empty()) return fail(problem);
    }
    return Outcome::Run;
}

std::string CommandLine::usage() const {
    std::vector<std::pair<std::string, std::string>> rows;
    for (const CommandLineOption& option : options_)
        rows.emplace_back(option.valueName.empty() ? option.name : option.name + " " + option.valueName,
                          option.help);
    rows.emplace_back("--help", "show this text and exit");
    std::size_t column = 0;
    for (const auto& row : rows) column = std::max(column, row.first.size());

    std::string text = "Usage: " + program_ + " [options]\n";
    if (!summary_.empty()) text += summary_ + "\n";
    text += "\nOptions:\n";
    for (const auto& [left, help] : rows)
        text += "  " + left + std::string(column - left.size() + 2, ' ') + help + "\n";
    return text;
}

std::string parseSize(const std::string& option, const std::string& value, int& width, int& height) {
    const std::string problem = option + ": expected WxH with whole numbers from 1 to " +
                                std::to_string(kMaxWindowSide) + ", got '" + value + "'";
    const std::size_t x = value.find_first_of("xX");
    if (x == std::string::npos) return problem;
    long long w = 0, h = 0;
    if (!wholeNumber(value.substr(0, x), w) || !wholeNumber(value.substr(x + 1), h)) return problem;
    if (w < 1 || h < 1 || w > kMaxWindowSide || h > kMaxWindowSide) return problem;
    width = static_cast<int>(w);
    height = static_cast<int>(h);
    return {};
}

std::string parseCount(const std::string& option, const std::string& value, long long& count) {
    long long parsed = 0;
    if (!wholeNumber(value, parsed) || parsed < 1)
        return option + ": expected a whole number of at least 1, got '" + value + "'";
    count = parsed;
    return {};
}

std::string parseSeconds(const std::string& option, const std::string& value, double& seconds) {
    double parsed = 0.0;
    const char* end = value.data() + value.size();
    auto [stop, error] = std::from_chars(value.data(), end, parsed);
    if (value.empty() || error != std::errc() || stop != end || !std::isfinite(parsed) || parsed <= 0.0)
        return option + ": expected a number of seconds greater than 0, got '" + value + "'";
    seconds = parsed;
    return {};
}

void addShellOptions(CommandLine& commandLine, ShellOptions& options) {
    auto flag = [](bool& target) {
        return [&target](const std::string&) {
            target = true;
            return std::string();
        };
    };
    commandLine.add({"--windowed", "", "run in a window (skips the display-mode dialog)", flag(options.windowed)});
    commandLine.add({"--fullscreen", "", "run fullscreen (skips the display-mode dialog)", flag(options.fullscreen)});
    commandLine.add({"--size", "WxH", "window size or fullscreen resolution (skips the dialog)",
                     [&options](const std::string& value) {
                         return parseSize("--size", value, options.width, options.height);
                     }});
    commandLine.add({"--no-dialog", "", "use the built-in settings without asking", flag(options.noDialog)});
    commandLine.add({"--headless", "", "no window: render off-screen with the software renderer, no dialog",
                     flag(options.headless)});
    commandLine.add({"--frames", "N", "close after N frames",
                     [&options](const std::string& value) {
                         return parseCount("--frames", value, options.limits.frames);
                     }});
    commandLine.add({"--duration", "SECONDS", "close after this many seconds",
                     [&options](const std::string& value) {
                         return parseSeconds("--duration", value, options.limits.seconds);
                     }});
}

std::string checkShellOptions(const ShellOptions& options) {
    if (options.windowed && options.fullscreen) return "--windowed and --fullscreen exclude each other";
    return {};
}

void applyShellOptions(const ShellOptions& options, AppSettings& settings) {
    if (options.windowed || options.fullscreen) {
        settings.fullscreen = options.fullscreen;
        settings.askDisplayMode = false;
    }
    if (options.width > 0 && options.height > 0) {
        settings.width = options.width;
        settings.height = options.height;
        settings.askDisplayMode = false;
    }
    if (options.noDialog || options.headless) settings.askDisplayMode = false;
}

}  // namespace qv3rn
