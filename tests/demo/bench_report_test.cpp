// Tests of the benchmark's statistics and its table.
#include "demo/bench_report.h"

#include <gtest/gtest.h>

#include <sstream>

namespace qv3rn {
namespace {

std::vector<double> oneTo(int n, bool descending = false) {
    std::vector<double> values;
    for (int i = 1; i <= n; ++i) values.push_back(descending ? n + 1 - i : i);
    return values;
}

TEST(BenchSummary, MinimumMedianNearestRankPercentileAndMaximum) {
    const struct {
        const char* what;
        std::vector<double> values;
        std::vector<double> summary;  // minimum, median, 95th percentile, maximum
    } cases[] = {
        {"odd count", {5.0, 1.0, 3.0}, {1.0, 3.0, 5.0, 5.0}},
        {"even count: the middle two averaged", {4.0, 1.0, 2.0, 3.0}, {1.0, 2.5, 4.0, 4.0}},
        {"100 values: the 95th smallest, not the 96th", oneTo(100, true), {1.0, 50.5, 95.0, 100.0}},
        {"20 values: rank 19 exactly, not rounded up", oneTo(20), {1.0, 10.5, 19.0, 20.0}},
        {"21 values: rank ceil(19.95) = 20", oneTo(21), {1.0, 11.0, 20.0, 21.0}},
        {"one value", {7.5}, {7.5, 7.5, 7.5, 7.5}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const TimeSummary summary = summarise(c.values);
        EXPECT_EQ(summary.count, c.values.size());
        EXPECT_EQ((std::vector<double>{summary.minimum, summary.median, summary.percentile95, summary.maximum}),
                  c.summary);
    }
    EXPECT_EQ(summarise({}).count, 0u);
}

TEST(BenchReport, TheTableHasTheFrameRowFirstThenOneRowPerEffectTypeByName) {
    BenchReport report;
    report.setRun(640, 480, 30);
    report.setLoadTime(1234.5);
    report.addFrame(10.0, {{"Flash", 1.0}, {"Blocks", 4.0}});
    report.addFrame(20.0, {{"Flash", 3.0}});
    report.addFrame(30.0, {});
    EXPECT_EQ(report.frames(), 3u);

    std::istringstream lines(report.text());
    std::string line;
    for (const char* head : {"bench 640x480 30 fps 3 frames", "load 1234.500 ms"}) {
        std::getline(lines, line);
        EXPECT_EQ(line, head);
    }
    std::getline(lines, line);
    EXPECT_EQ(line.substr(0, 4), "what");
    // Count, minimum, median, 95th percentile and maximum; an effect type counts only in the frames that drew it.
    std::vector<std::pair<std::string, std::vector<double>>> rows;
    for (std::string name; lines >> name;) {
        std::vector<double> values(5);
        for (double& value : values) ASSERT_TRUE(lines >> value) << name;
        rows.emplace_back(name, values);
    }
    EXPECT_EQ(rows, (std::vector<std::pair<std::string, std::vector<double>>>{
                        {"frame", {3, 10, 20, 30, 30}}, {"Blocks", {1, 4, 4, 4, 4}}, {"Flash", {2, 1, 2, 3, 3}}}));
}

}  // namespace
}  // namespace qv3rn
