// main.cpp -- the player's entry point: reads the command line, plays the show (or captures or benchmarks it)
// with the one Demo object, and turns the outcome into the exit status.
#include <cstdio>
#include <filesystem>
#include <string>

#include "app/application.h"
#include "app/command_line.h"
#include "demo/demo.h"
#include "demo/demo_options.h"
#include "demo/show_location.h"

namespace qv3rn {
namespace {

int usageError(const std::string& problem) {
    std::fprintf(stderr, "qv3rn: %s\nTry 'qv3rn --help' for the options.\n", problem.c_str());
    return 2;
}

}  // namespace
}  // namespace qv3rn

int main(int argc, char** argv) {
    using namespace qv3rn;
    ShellOptions shell;
    DemoCommandLine own;
    CommandLine commandLine("qv3rn",
                            "Plays QV3RN * 10 from data.dat and \"qv3rn x 10.ogg\" in the working folder, or else "
                            "from the installed show. Writes its diagnostic log, application.log, in the working "
                            "folder (or, when it is read-only, in $XDG_STATE_HOME/qv3rn).\nIn a window: Space "
                            "pauses, the arrow keys seek 5 seconds, R reads the scripts again, Escape ends.");
    addShellOptions(commandLine, shell);
    addDemoOptions(commandLine, own);
    switch (commandLine.parse(argc, argv)) {
        case CommandLine::Outcome::Help:
            std::fputs(commandLine.usage().c_str(), stdout);
            return 0;
        case CommandLine::Outcome::Error:
            return usageError(commandLine.error());
        case CommandLine::Outcome::Run:
            break;
    }
    if (std::string problem = checkShellOptions(shell); !problem.empty()) return usageError(problem);
    if (std::string problem = checkDemoOptions(own, shell); !problem.empty()) return usageError(problem);

    const bool headless = shell.headless || runsHeadless(own);
    Demo demo(makeDemoOptions(own));  // paths given are made absolute before the show's folder is entered
    AppSettings settings = demo.settings();
    std::error_code error;
    const std::filesystem::path working = std::filesystem::current_path(error);
    settings.logPath = logFilePath(working).string();
    if (own.dataFolder.empty()) {
        std::string problem;
        const std::filesystem::path show = locateShow(working, installedShowFolder(), problem);
        if (show.empty()) {
            std::fprintf(stderr, "qv3rn: %s\n", problem.c_str());
            return 1;
        }
        std::filesystem::current_path(show, error);  // the archive, the music and the videos lie there
    }
    applyShellOptions(shell, settings);
    if (headless) settings.askDisplayMode = false;
    demo.setSettings(settings);
    demo.setRunLimits(demoRunLimits(demo.options(), shell.limits));

    auto windowSystem =
        platform::createWindowSystem(headless ? platform::Backend::Headless : platform::Backend::Desktop);
    // A bounded or fixed-step run is unattended: failure boxes must not wait for a click.
    windowSystem->setUnattended(runsHeadless(own) || shell.limits.frames > 0 || shell.limits.seconds > 0.0);

    demo.run(*windowSystem);
    if (demo.startupFailed()) {
        std::fprintf(stderr, "qv3rn: start-up failed; application.log has the details\n");
        return 1;
    }
    if (demo.runFailed()) {
        std::fprintf(stderr, "qv3rn: %s\n", demo.runError().c_str());
        return 1;
    }
    if (demo.options().mode == DemoMode::Bench) std::fputs(demo.benchReport().text().c_str(), stdout);
    if (demo.options().mode == DemoMode::Capture)
        std::printf("captured %lld frames into %s\n", demo.framesCaptured(),
                     demo.options().captureOut.c_str());
    return 0;
}
