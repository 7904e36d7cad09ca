// bench_report.cpp -- summarising frame times and printing the benchmark table.
#include "demo/bench_report.h"

#include <algorithm>
#include <cstdio>

namespace qv3rn {

TimeSummary summarise(std::vector<double> milliseconds) {
    TimeSummary summary;
    summary.count = milliseconds.size();
    if (milliseconds.empty()) return summary;
    std::sort(milliseconds.begin(), milliseconds.end());
    const std::size_t n = milliseconds.size();
    summary.minimum = milliseconds.front();
    summary.maximum = milliseconds.back();
    summary.median = n % 2 ? milliseconds[n / 2] : (milliseconds[n / 2 - 1] + milliseconds[n / 2]) / 2.0;
    // Nearest rank, counted in whole steps so that 0.95 * n does not round up across an exact integer.
    const std::size_t rank = (95 * n + 99) / 100;
    summary.percentile95 = milliseconds[std::max<std::size_t>(rank, 1) - 1];
    return summary;
}

void BenchReport::addFrame(double milliseconds, const std::map<std::string, double>& perType, double time) {
    frameTimes_.push_back(milliseconds);
    demoTimes_.push_back(time);
    for (const auto& [type, time] : perType) typeTimes_[type].push_back(time);
}

namespace {

std::string row(const std::string& name, const TimeSummary& summary) {
    char line[160];
    std::snprintf(line, sizeof line, "%-16s %8zu %10.3f %10.3f %10.3f %10.3f\n", name.c_str(), summary.count,
                  summary.minimum, summary.median, summary.percentile95, summary.maximum);
    return line;
}

}  // namespace

std::string BenchReport::text() const {
    char line[160];
    std::string text;
    std::snprintf(line, sizeof line, "bench %dx%d %d fps %zu frames\n", width_, height_, framesPerSecond_,
                  frameTimes_.size());
    text += line;
    std::snprintf(line, sizeof line, "load %.3f ms\n", loadMilliseconds_);
    text += line;
    // Where the spikes are: the slowest frames with their demo times.
    std::vector<std::size_t> order(frameTimes_.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    const std::size_t shown = std::min<std::size_t>(5, order.size());
    std::partial_sort(order.begin(), order.begin() + static_cast<std::ptrdiff_t>(shown), order.end(),
                      [this](std::size_t a, std::size_t b) { return frameTimes_[a] > frameTimes_[b]; });
    text += "slowest";
    for (std::size_t i = 0; i < shown; ++i) {
        std::snprintf(line, sizeof line, "%s %.3f ms at %.3f s", i ? "," : "", frameTimes_[order[i]],
                      demoTimes_[order[i]]);
        text += line;
    }
    text += "\n";
    std::snprintf(line, sizeof line, "%-16s %8s %10s %10s %10s %10s\n", "what", "frames", "min_ms", "median_ms",
                  "p95_ms", "max_ms");
    text += line;
    text += row("frame", summarise(frameTimes_));
    for (const auto& [type, times] : typeTimes_) text += row(type, summarise(times));
    return text;
}

}  // namespace qv3rn
