// demo_options.h -- the player's own command-line options: the content folder, the start time, capture and
// benchmark runs.
#pragma once

#include <string>

#include "app/command_line.h"
#include "demo/demo.h"

namespace qv3rn {

struct DemoCommandLine {
    std::string dataFolder;  // --data DIR
    double seek = 0.0;       // --seek SECONDS
    bool seekGiven = false;
    std::string capture;     // --capture OUT
    int framesPerSecond = 0;  // --fps N; 0: the run's default
    bool bench = false;      // --bench
};

inline constexpr int defaultCaptureRate = 60;
inline constexpr int defaultBenchRate = 30;
inline constexpr int maxFrameRate = 1000;

// --data DIR, --seek SECONDS, --capture OUT, --fps N, --bench.
void addDemoOptions(CommandLine& commandLine, DemoCommandLine& options);

// Checks what the options say together and against the shell's; an error text, empty when they agree.
std::string checkDemoOptions(const DemoCommandLine& options, const ShellOptions& shell);

// The demo's options: the run's mode, its frame rate, and the capture path made absolute (the demo may change
// its working folder to the content folder).
DemoOptions makeDemoOptions(const DemoCommandLine& options);

// The run limits of the demo: a fixed-step run (capture, bench) counts --duration in demo seconds, so it becomes
// that many frames at the run's rate (the fewer, when --frames is given too); a played show keeps wall seconds.
RunLimits demoRunLimits(const DemoOptions& demo, RunLimits limits);

// Fixed-step runs (capture, bench) render headless, never wait for a click, and skip the dialog.
bool runsHeadless(const DemoCommandLine& options);

}  // namespace qv3rn
