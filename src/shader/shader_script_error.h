// shader_script_error.h -- a shader-script error with the file and line it was found at.
#pragma once

#include <stdexcept>
#include <string>

namespace qv3rn {

// The standard runtime error of the script formats: what() is exactly the format's own message ("PARSE ERROR!
// Unknown Blend Token"); file() and line() say where it was met, for tools and logs. line() is the physical
// line (1 is the first line of the file), 0 when the error was not inside a file's text.
class ShaderScriptError : public std::runtime_error {
public:
    ShaderScriptError(const std::string& message, std::string file, int line)
        : std::runtime_error(message), file_(std::move(file)), line_(line) {}

    const std::string& file() const { return file_; }
    int line() const { return line_; }

private:
    std::string file_;
    int line_;
};

}  // namespace qv3rn
