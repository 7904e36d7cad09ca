// tool_command.h -- the subcommands of qv3rn-tool; each file registers its own with a ToolCommand object.
#pragma once

#include <string>
#include <vector>

namespace qv3rn::tool {

// Runs one subcommand with the arguments after its name; returns the process exit status
// (0 success, 1 a content error such as a script error, 2 a usage error).
using CommandFunction = int (*)(const std::vector<std::string>& args);

struct ToolCommand {
    // Registers the subcommand `name` at static-initialisation time, e.g.
    //   static const ToolCommand pack{"pack", "pack <folder> <archive> [--password P]", runPack};
    ToolCommand(const char* name, const char* usage, CommandFunction run);
    const char* name;
    const char* usage;
    CommandFunction run;
};

const std::vector<const ToolCommand*>& commands();

// Prints "usage: qv3rn-tool <usage of the named command>" to standard error and returns 2.
int usageError(const std::string& commandName, const std::string& message = "");

}  // namespace qv3rn::tool
