// command_arguments.h -- the pieces of argument parsing the subcommands share: numbers, frame sizes, and the one
// operand a command takes.
#pragma once

#include <string>

namespace qv3rn::tool {

// Parses the whole of `text` as a finite number; false when it is anything else.
bool parseNumber(const std::string& text, double& value);

// Parses "WxH" with each side 1 to maxFrameSide; false when it is anything else.
bool parseFrameSize(const std::string& text, int& width, int& height);
inline constexpr int maxFrameSide = 8192;

// The last branch of an option loop: `arg` is an unknown option ("unknown option X"), a second operand
// ("one <what> at a time"), or the command's operand, kept in `operand`. False with `error` set for the first two.
bool takeOperand(const std::string& arg, std::string& operand, const std::string& what, std::string& error);

}  // namespace qv3rn::tool
