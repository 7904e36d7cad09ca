// run_progress.h -- the progress of a capture or a bench run on standard error: frames done of the total, the
// demo time, the time spent and the time left; one line rewritten in place on a terminal, plain lines otherwise.
#pragma once

#include <cstdio>
#include <string>

namespace qv3rn {

class RunProgress {
public:
    // `what` opens each line ("capture", "bench"); `totalFrames` is what the run will draw (at least 1). On a
    // terminal the line is rewritten (carriage return) at most ten times a second; elsewhere (a log, a pipe) a
    // line is written every 5 seconds of wall time or every tenth of the frames, whichever comes first.
    RunProgress(std::FILE* out, bool terminal, std::string what, long long totalFrames);

    // One more frame is done, showing `demoTime`, `elapsedSeconds` after the run started.
    void frameDone(double demoTime, double elapsedSeconds);
    // Ends the terminal's line with the last figures; nothing on a plain stream, which has had them.
    void finish();

    long long done() const { return done_; }

private:
    void write(double demoTime, double elapsedSeconds);

    std::FILE* out_;
    bool terminal_;
    std::string what_;
    long long total_;
    long long done_ = 0;
    long long nextTenth_ = 1;  // the tenth of the frames whose end writes the next plain line
    double lastWritten_ = 0.0;
    std::string line_;
};

}  // namespace qv3rn
