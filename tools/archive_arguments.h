// archive_arguments.h -- the arguments shared by the archive subcommands: positional paths and "--password P".
#pragma once

#include <string>
#include <vector>

#include "data/archive.h"

namespace qv3rn::tool {

struct ArchiveArguments {
    std::vector<std::string> paths;
    std::string password = demoArchivePassword;
};

// Splits `args` into paths and the password option; false with `error` set for an unknown option, a missing
// or empty password, or a number of paths other than `pathCount`.
inline bool parseArchiveArguments(const std::vector<std::string>& args, std::size_t pathCount,
                                  ArchiveArguments& parsed, std::string& error) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--password") {
            if (i + 1 == args.size()) {
                error = "--password needs a value";
                return false;
            }
            parsed.password = args[++i];
            if (parsed.password.empty()) {
                error = "the password must not be empty (the player cannot open such an archive)";
                return false;
            }
        } else if (args[i].size() > 1 && args[i][0] == '-') {
            error = "unknown option " + args[i];
            return false;
        } else {
            parsed.paths.push_back(args[i]);
        }
    }
    if (parsed.paths.size() != pathCount) {
        error = parsed.paths.size() < pathCount ? "missing arguments" : "too many arguments";
        return false;
    }
    return true;
}

}  // namespace qv3rn::tool
