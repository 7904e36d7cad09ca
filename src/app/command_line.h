// command_line.h -- the player's command line: a table of options, each with its handler, parsed in one pass.
//
// Options are "--name" flags and "--name VALUE" (or "--name=VALUE") options; "--help" is always known. A
// program adds its own options to the table; the shell's are added by addShellOptions.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/app_settings.h"
#include "app/application.h"

namespace qv3rn {

struct CommandLineOption {
    std::string name;       // "--size"
    std::string valueName;  // "WxH"; empty for a flag
    std::string help;       // one line for the usage text
    // Takes the value (empty for a flag); returns an error text, empty when the value is good.
    std::function<std::string(const std::string& value)> apply;
};

class CommandLine {
public:
    enum class Outcome { Run, Help, Error };

    explicit CommandLine(std::string program, std::string summary = "");

    void add(CommandLineOption option);
    // Parses argv[1..argc-1]; on Error, error() says what was wrong.
    Outcome parse(int argc, const char* const* argv);
    Outcome parse(const std::vector<std::string>& arguments);

    const std::string& error() const { return error_; }
    std::string usage() const;

private:
    const CommandLineOption* find(const std::string& name) const;

    std::string program_;
    std::string summary_;
    std::vector<CommandLineOption> options_;
    std::string error_;
};

// The options of the player shell.
struct ShellOptions {
    bool windowed = false;
    bool fullscreen = false;
    int width = 0;  // --size; 0 when not given
    int height = 0;
    bool noDialog = false;
    bool headless = false;
    RunLimits limits;
};

// --windowed, --fullscreen, --size WxH, --no-dialog, --headless, --frames N, --duration SECONDS.
void addShellOptions(CommandLine& commandLine, ShellOptions& options);
// Checks what the options say together; an error text, empty when they agree.
std::string checkShellOptions(const ShellOptions& options);
// Puts the options into the settings. Choosing the window mode or size on the command line skips the
// display-mode dialog (it would only ask again), as do --no-dialog and --headless.
void applyShellOptions(const ShellOptions& options, AppSettings& settings);

// Value readers used by the handlers; each returns an error text naming the option, empty on success.
std::string parseSize(const std::string& option, const std::string& value, int& width, int& height);
std::string parseCount(const std::string& option, const std::string& value, long long& count);
std::string parseSeconds(const std::string& option, const std::string& value, double& seconds);

}  // namespace qv3rn
