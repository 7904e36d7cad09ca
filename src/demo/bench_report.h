// bench_report.h -- what a benchmark run measured: the load time and the frame times, overall and per effect
// type, and the plain-text table they are printed as.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace qv3rn {

// Minimum, median, 95th percentile and maximum of a set of durations (milliseconds).
struct TimeSummary {
    std::size_t count = 0;
    double minimum = 0.0;
    double median = 0.0;      // the middle value; the mean of the two middle ones for an even count
    double percentile95 = 0.0;  // the nearest-rank 95th percentile: the ceil(0.95 n)-th smallest value
    double maximum = 0.0;
};

TimeSummary summarise(std::vector<double> milliseconds);

class BenchReport {
public:
    void setLoadTime(double milliseconds) { loadMilliseconds_ = milliseconds; }
    void setRun(int width, int height, int framesPerSecond) {
        width_ = width;
        height_ = height;
        framesPerSecond_ = framesPerSecond;
    }
    // One frame at demo time `time`: its whole time (update, drawing and waiting for the drawing to finish)
    // and, per effect type drawn in it, the time its effects took together.
    void addFrame(double milliseconds, const std::map<std::string, double>& perType, double time = 0.0);

    std::size_t frames() const { return frameTimes_.size(); }

    // The table, in a fixed layout for scripts to read:
    //   bench <width>x<height> <fps> fps <frames> frames
    //   load <milliseconds> ms
    //   slowest <ms> ms at <demo time> s, ...        (the five slowest frames, slowest first)
    //   <name> <count> <min> <median> <p95> <max>     (a header line first; times in ms, 3 decimals)
    // with the row "frame" first and then one row per effect type, by name.
    std::string text() const;

private:
    double loadMilliseconds_ = 0.0;
    int width_ = 0;
    int height_ = 0;
    int framesPerSecond_ = 0;
    std::vector<double> frameTimes_;
    std::vector<double> demoTimes_;
    std::map<std::string, std::vector<double>> typeTimes_;
};

}  // namespace qv3rn
