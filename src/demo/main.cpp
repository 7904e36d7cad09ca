// main.cpp -- the player's entry point: for now the shell application, which opens the window (or the headless
// context), clears it every frame and runs until Escape, the close box, or the command line's frame or time limit.
#include <GL/gl.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "app/application.h"
#include "app/command_line.h"

namespace qv3rn {
namespace {

class ShellApplication : public Application {
public:
    ShellApplication() { setSettings(AppSettings("QV3RN * 10", 640, 480, 32, 32, 8, 0, false, true)); }

    bool initialize() override { return true; }
    void shutdown() override {}

    void render() override {
        // A slow pulse of dark blue shows that frames are running.
        const float pulse = 0.5f + 0.5f * std::sin(time_ * 2.0f);
        glClearColor(0.02f, 0.04f, 0.10f + 0.15f * pulse, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    }

    void update(float dt) override { time_ += dt; }
    void resize(int width, int height) override { glViewport(0, 0, width, height); }

private:
    float time_ = 0.0f;
};

int usageError(const std::string& problem) {
    std::fprintf(stderr, "qv3rn: %s\nTry 'qv3rn --help' for the options.\n", problem.c_str());
    return 2;
}

}  // namespace
}  // namespace qv3rn

int main(int argc, char** argv) {
    using namespace qv3rn;
    ShellOptions options;
    CommandLine commandLine("qv3rn",
                            "Plays QV3RN * 10. Writes its diagnostic log, application.log, to the working folder.");
    addShellOptions(commandLine, options);
    switch (commandLine.parse(argc, argv)) {
        case CommandLine::Outcome::Help:
            std::fputs(commandLine.usage().c_str(), stdout);
            return 0;
        case CommandLine::Outcome::Error:
            return usageError(commandLine.error());
        case CommandLine::Outcome::Run:
            break;
    }
    if (std::string problem = checkShellOptions(options); !problem.empty()) return usageError(problem);

    ShellApplication application;
    AppSettings settings = application.settings();
    applyShellOptions(options, settings);
    application.setSettings(settings);
    application.setRunLimits(options.limits);

    auto windowSystem =
        platform::createWindowSystem(options.headless ? platform::Backend::Headless : platform::Backend::Desktop);
    // A run with a frame or time limit is unattended: failure boxes must not wait for a click.
    windowSystem->setUnattended(options.limits.frames > 0 || options.limits.seconds > 0.0);

    const int result = application.run(*windowSystem);
    if (application.startupFailed()) {
        std::fprintf(stderr, "qv3rn: start-up failed; application.log has the details\n");
        return 1;
    }
    return result;
}
