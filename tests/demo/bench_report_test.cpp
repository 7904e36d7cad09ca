// Tests of the benchmark's statistics and its table.
#include "demo/bench_report.h"

#include <gtest/gtest.h>

#include <sstream>

namespace qv3rn {
namespace {

TEST(BenchSummary, MinimumMedianPercentileAndMaximum) {
    const TimeSummary odd = summarise({5.0, 1.0, 3.0});
    EXPECT_EQ(odd.count, 3u);
    EXPECT_EQ(odd.minimum, 1.0);
    EXPECT_EQ(odd.median, 3.0);
    EXPECT_EQ(odd.percentile95, 5.0);
    EXPECT_EQ(odd.maximum, 5.0);

    const TimeSummary even = summarise({4.0, 1.0, 2.0, 3.0});
    EXPECT_EQ(even.median, 2.5);

    // 100 values 1..100: the 95th percentile is the 95th smallest, not the 96th.
    std::vector<double> hundred;
    for (int i = 100; i >= 1; --i) hundred.push_back(i);
    const TimeSummary h = summarise(hundred);
    EXPECT_EQ(h.percentile95, 95.0);
    EXPECT_EQ(h.median, 50.5);

    // 20 values: ceil(0.95 * 20) = 19 exactly, with no rounding up to 20.
    std::vector<double> twenty;
    for (int i = 1; i <= 20; ++i) twenty.push_back(i);
    EXPECT_EQ(summarise(twenty).percentile95, 19.0);

    // 21 values: ceil(19.95) = 20.
    twenty.push_back(21);
    EXPECT_EQ(summarise(twenty).percentile95, 20.0);

    const TimeSummary one = summarise({7.5});
    EXPECT_EQ(one.minimum, 7.5);
    EXPECT_EQ(one.percentile95, 7.5);
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
    std::getline(lines, line);
    EXPECT_EQ(line, "bench 640x480 30 fps 3 frames");
    std::getline(lines, line);
    EXPECT_EQ(line, "load 1234.500 ms");
    std::getline(lines, line);
    EXPECT_EQ(line.substr(0, 4), "what");

    std::vector<std::string> names;
    std::vector<std::vector<double>> values;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string name;
        double count, minimum, median, p95, maximum;
        ASSERT_TRUE(fields >> name >> count >> minimum >> median >> p95 >> maximum) << line;
        names.push_back(name);
        values.push_back({count, minimum, median, p95, maximum});
    }
    ASSERT_EQ(names, (std::vector<std::string>{"frame", "Blocks", "Flash"}));
    EXPECT_EQ(values[0], (std::vector<double>{3, 10, 20, 30, 30}));
    EXPECT_EQ(values[1], (std::vector<double>{1, 4, 4, 4, 4}));  // counted only in the frame that drew it
    EXPECT_EQ(values[2], (std::vector<double>{2, 1, 2, 3, 3}));
}

}  // namespace
}  // namespace qv3rn
