// script_error.h -- an error raised while a text script was read, with the file and line it came from, and
// the line-counted parse that raises it.
#pragma once

#include <istream>
#include <stdexcept>
#include <string>
#include <utility>

#include "data/line_counting_buffer.h"

namespace qv3rn {

// what() is exactly the message raised inside the script reading (the format's own message, such as
// "PARSE ERROR! Unknown Blend Token"); file() and line() say where the reader was. line() is the physical line
// (1 is the first line of the file), 0 when the error did not come from a file's text.
class ScriptError : public std::runtime_error {
public:
    ScriptError(const std::string& message, std::string file, int line)
        : std::runtime_error(message), file_(std::move(file)), line_(line) {}

    const std::string& file() const { return file_; }
    int line() const { return line_; }
    // "file:line: message", or "file: message" without a line.
    std::string located() const { return locate(file_, line_, what()); }

    static std::string locate(const std::string& file, int line, const std::string& message) {
        return line > 0 ? file + ":" + std::to_string(line) + ": " + message : file + ": " + message;
    }

private:
    std::string file_;
    int line_;
};

// Runs `parse` on a stream that counts the lines of `source`, with `current` pointing at the counter while it
// runs. A runtime error raised inside becomes a ScriptError at the line reached in `fileName`; a ScriptError
// (raised inside an included file, which knows its own file and line) passes unchanged. A damaged compressed
// source reports its own runtime error the same way.
template <typename Parse>
bool parseCountingLines(std::istream& source, const std::string& fileName, const LineCountingBuffer*& current,
                        Parse&& parse) {
    LineCountingBuffer counter(source.rdbuf());
    std::istream stream(&counter);
    stream.exceptions(std::ios::badbit);
    current = &counter;
    try {
        const bool result = parse(stream);
        current = nullptr;
        return result;
    } catch (const ScriptError&) {
        current = nullptr;
        throw;
    } catch (const std::runtime_error& error) {
        const int line = counter.line();
        current = nullptr;
        throw ScriptError(error.what(), fileName, line);
    }
}

}  // namespace qv3rn
