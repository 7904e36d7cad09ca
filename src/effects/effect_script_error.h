// effect_script_error.h -- an error raised while an effect script was read, with the file and line it came from.
#pragma once

#include <stdexcept>
#include <string>

namespace qv3rn {

// what() is exactly the message raised inside the script reading (an envelope's or an effect type's own
// message, such as "FlashEffect unknown token Colour 1 1 1"); file() and line() say where the reader was
// (line 1 is the first line of the file; 0 when the error did not come from a file's text).
class EffectScriptError : public std::runtime_error {
public:
    EffectScriptError(const std::string& message, std::string file, int line)
        : std::runtime_error(message), file_(std::move(file)), line_(line) {}

    const std::string& file() const { return file_; }
    int line() const { return line_; }

private:
    std::string file_;
    int line_;
};

}  // namespace qv3rn
