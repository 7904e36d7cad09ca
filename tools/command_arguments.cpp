// command_arguments.cpp -- argument parsing shared by the subcommands.
#include "command_arguments.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace qv3rn::tool {

bool parseNumber(const std::string& text, double& value) {
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return !text.empty() && end && *end == '\0' && std::isfinite(value);
}

bool parseFrameSize(const std::string& text, int& width, int& height) {
    int w = 0, h = 0;
    char extra = 0;
    if (std::sscanf(text.c_str(), "%dx%d%c", &w, &h, &extra) != 2) return false;
    if (w < 1 || h < 1 || w > maxFrameSide || h > maxFrameSide) return false;
    width = w;
    height = h;
    return true;
}

bool takeOperand(const std::string& arg, std::string& operand, const std::string& what, std::string& error) {
    if (!arg.empty() && arg[0] == '-')
        error = "unknown option " + arg;
    else if (!operand.empty())
        error = "one " + what + " at a time";
    else
        operand = arg;
    return error.empty();
}

}  // namespace qv3rn::tool
