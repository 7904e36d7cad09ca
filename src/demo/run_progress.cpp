// run_progress.cpp -- when a progress line is due, and what it says.
#include "demo/run_progress.h"

#include <algorithm>
#include <cmath>

namespace qv3rn {

namespace {

constexpr double plainInterval = 5.0;
constexpr double terminalInterval = 0.1;

// "m:ss", whole seconds.
std::string clockText(double seconds) {
    const long long whole = std::llround(std::max(seconds, 0.0));
    char text[32];
    std::snprintf(text, sizeof text, "%lld:%02lld", whole / 60, whole % 60);
    return text;
}

}  // namespace

RunProgress::RunProgress(std::FILE* out, bool terminal, std::string what, long long totalFrames)
    : out_(out), terminal_(terminal), what_(std::move(what)), total_(std::max(totalFrames, 1LL)) {}

void RunProgress::frameDone(double demoTime, double elapsedSeconds) {
    ++done_;
    const bool last = done_ >= total_;
    if (terminal_) {
        if (last || elapsedSeconds - lastWritten_ >= terminalInterval) write(demoTime, elapsedSeconds);
        return;
    }
    const bool tenth = done_ * 10 >= nextTenth_ * total_;
    while (nextTenth_ <= 10 && done_ * 10 >= nextTenth_ * total_) ++nextTenth_;
    if (last || tenth || elapsedSeconds - lastWritten_ >= plainInterval) write(demoTime, elapsedSeconds);
}

void RunProgress::write(double demoTime, double elapsedSeconds) {
    const long long shown = std::min(done_, total_);
    const double left = elapsedSeconds / static_cast<double>(shown) * static_cast<double>(total_ - shown);
    char text[160];
    std::snprintf(text, sizeof text, "%s: %lld/%lld frames (%d%%), demo time %.1f s, elapsed %s, left %s",
                  what_.c_str(), shown, total_, static_cast<int>(shown * 100 / total_), demoTime,
                  clockText(elapsedSeconds).c_str(), clockText(left).c_str());
    // On a terminal the new line covers the old one: it is padded to the old one's length.
    const std::size_t width = std::max(line_.size(), std::string(text).size());
    line_ = text;
    if (terminal_)
        std::fprintf(out_, "\r%-*s", static_cast<int>(width), text);
    else
        std::fprintf(out_, "%s\n", text);
    std::fflush(out_);
    lastWritten_ = elapsedSeconds;
}

void RunProgress::finish() {
    if (terminal_ && !line_.empty()) std::fputc('\n', out_);
    std::fflush(out_);
}

}  // namespace qv3rn
