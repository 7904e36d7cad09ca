// envelope_command.cpp -- qv3rn-tool envelope: evaluates an envelope or keyframer block from a file.
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "anim/envelope.h"
#include "anim/keyframer.h"
#include "anim/keyframer_lw.h"
#include "data/memory_stream.h"
#include "data/script_parser.h"
#include "tool_command.h"

namespace qv3rn::tool {

namespace {

constexpr const char* kUsage =
    "envelope <file> <time>...\n"
    "  Prints the value of the block in <file> at each time, one line per time (six significant digits).\n"
    "  The file's first line says what the block is:\n"
    "    { Envelope        an envelope block: prints its value\n"
    "    Alpha {           any other field line ending in \"{\": the envelope block that follows it\n"
    "    KeyframerLW {     a channel keyframer block\n"
    "    Keyframer {       a track keyframer block\n"
    "  A keyframer prints ten numbers: position x y z, rotation axis x y z and angle in radians (0 to pi;\n"
    "  no rotation is angle 0 about 1 0 0), scale x y z.\n"
    "  A script error prints file:line: message and exits with status 1.";

// A script error with the physical line it was found on.
struct ScriptError {
    std::string message;
    std::size_t line;
};

// The physical line (from 1) holding the character before `position`: the last line the reader took.
std::size_t lineAt(const std::string& text, std::streamoff position) {
    const std::size_t end = position < 0 || static_cast<std::size_t>(position) > text.size()
                                ? text.size()
                                : static_cast<std::size_t>(position);
    std::size_t line = 1;
    for (std::size_t i = 0; i + 1 < end; ++i)
        if (text[i] == '\n') ++line;
    return line;
}

void printNumbers(const std::vector<float>& numbers) {
    for (std::size_t i = 0; i < numbers.size(); ++i) std::printf(i == 0 ? "%.6g" : " %.6g", numbers[i]);
    std::printf("\n");
}

std::vector<float> keyframerNumbers(KeyframerBase& keyframer, float time) {
    keyframer.evaluate(time);
    Vec3 axis;
    float angle = 0.0f;
    keyframer.rotation().toAxisAngle(axis, angle);
    const Vec3& p = keyframer.position();
    const Vec3& s = keyframer.scale();
    return {p.x, p.y, p.z, axis.x, axis.y, axis.z, angle, s.x, s.y, s.z};
}

// Loads the block of `text` and prints its values; throws ScriptError.
void evaluateBlock(const std::string& text, const std::vector<float>& times) {
    MemoryStream stream(text.data(), text.size());
    ScriptParser parser;
    auto failure = [&](const std::string& message) {
        const std::streamoff position = stream.rdbuf()->pubseekoff(0, std::ios::cur, std::ios::in);
        return ScriptError{message, lineAt(text, position)};
    };
    try {
        std::string first = parser.readLine(stream);
        while (first.empty() && stream.good()) first = parser.readLine(stream);

        std::unique_ptr<KeyframerBase> keyframer;
        if (matches(first, "KeyframerLW {")) {
            keyframer = std::make_unique<KeyframerLW>();
            keyframer->load(parser, stream);
        } else if (matches(first, "Keyframer {")) {
            auto tracks = std::make_unique<Keyframer>();
            if (!tracks->load(parser, stream)) throw failure(tracks->loadError());
            keyframer = std::move(tracks);
        }
        if (keyframer) {
            for (float time : times) printNumbers(keyframerNumbers(*keyframer, time));
            return;
        }

        Envelope envelope;
        const std::size_t end = first.find_last_not_of(" \r");
        const bool fieldLine = end != std::string::npos && first[end] == '{' && !matches(first, "{ Envelope");
        if (!fieldLine) {
            // The first line belongs to the envelope block itself: read it again from the start.
            stream.clear();
            stream.seekg(0);
            parser.setLineCount(0);
        }
        envelope.load(parser, stream);
        for (float time : times) printNumbers({envelope.evaluate(time)});
    } catch (const std::runtime_error& error) {
        throw failure(error.what());
    }
}

int runEnvelope(const std::vector<std::string>& args) {
    if (args.size() < 2) return usageError("envelope", "a file and at least one time are needed");
    std::vector<float> times;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const char* text = args[i].c_str();
        char* end = nullptr;
        errno = 0;
        const float time = std::strtof(text, &end);
        if (end == text || *end != '\0' || errno == ERANGE || std::isnan(time))
            return usageError("envelope", "\"" + args[i] + "\" is not a time");
        times.push_back(time);
    }

    const std::string& path = args[0];
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        std::fprintf(stderr, "%s: unable to open the file\n", path.c_str());
        return 1;
    }
    const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    try {
        evaluateBlock(text, times);
    } catch (const ScriptError& error) {
        std::fflush(stdout);
        std::fprintf(stderr, "%s:%zu: %s\n", path.c_str(), error.line, error.message.c_str());
        return 1;
    }
    return 0;
}

const ToolCommand command{"envelope", kUsage, runEnvelope};

}  // namespace

}  // namespace qv3rn::tool
