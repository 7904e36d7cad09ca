// main.cpp -- qv3rn-tool, the content authors' command-line tool: dispatches to the registered subcommands.
#include <cstdio>
#include <cstring>

#include "tool_command.h"

namespace qv3rn::tool {

namespace {
std::vector<const ToolCommand*>& registry() {
    static std::vector<const ToolCommand*> list;
    return list;
}

void printHelp(std::FILE* out) {
    std::fprintf(out, "qv3rn-tool: packs, inspects, converts and generates the show's content.\nCommands:\n");
    for (const ToolCommand* command : registry()) std::fprintf(out, "  qv3rn-tool %s\n", command->usage);
}
}  // namespace

ToolCommand::ToolCommand(const char* name, const char* usage, CommandFunction run)
    : name(name), usage(usage), run(run) {
    registry().push_back(this);
}

const std::vector<const ToolCommand*>& commands() { return registry(); }

int usageError(const std::string& commandName, const std::string& message) {
    if (!message.empty()) std::fprintf(stderr, "qv3rn-tool %s: %s\n", commandName.c_str(), message.c_str());
    for (const ToolCommand* command : registry())
        if (commandName == command->name) std::fprintf(stderr, "usage: qv3rn-tool %s\n", command->usage);
    return 2;
}

}  // namespace qv3rn::tool

int main(int argc, char** argv) {
    using namespace qv3rn::tool;
    if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "help") == 0) {
        printHelp(argc < 2 ? stderr : stdout);
        return argc < 2 ? 2 : 0;
    }
    for (const ToolCommand* command : commands()) {
        if (std::strcmp(argv[1], command->name) == 0)
            return command->run(std::vector<std::string>(argv + 2, argv + argc));
    }
    std::fprintf(stderr, "qv3rn-tool: unknown command \"%s\" (try qv3rn-tool --help)\n", argv[1]);
    return 2;
}
