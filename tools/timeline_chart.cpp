// timeline_chart.cpp -- laying out the timeline chart: the time axis and its grid, the layers' lanes, the bars and
// their labels, the legend of effect types.
#include "timeline_chart.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <set>

#include "effects/effect.h"
#include "pixel_text.h"

namespace qv3rn::tool {

namespace {

constexpr int margin = 8;
constexpr int axisWidth = 48;  // the layer names left of the bars
constexpr int headerHeight = 20;
constexpr int laneHeight = 14;
constexpr int layerGap = 4;
constexpr int legendRow = 14;
constexpr double longestChart = 3600.0;

constexpr Rgb paper{28, 28, 32};
constexpr Rgb barLine{48, 48, 54};
constexpr Rgb phraseLine{96, 96, 108};
constexpr Rgb ink{210, 210, 210};
constexpr Rgb barInk{16, 16, 16};

// One light colour per effect type, dark labels stay readable on each; neighbours in the list differ in hue.
constexpr Rgb palette[] = {{240, 128, 128}, {240, 180, 100}, {240, 230, 120}, {170, 230, 110}, {110, 210, 130},
                           {100, 220, 200}, {110, 200, 240}, {120, 150, 240}, {170, 130, 240}, {230, 130, 230},
                           {240, 150, 190}, {200, 170, 130}, {180, 180, 180}, {150, 240, 220}, {240, 200, 160},
                           {160, 200, 160}, {200, 200, 240}, {220, 240, 160}};

Rgb typeColour(std::uint32_t kind) { return palette[kind % std::size(palette)]; }

// Whole seconds as "m:ss".
std::string minutes(int seconds) {
    char text[16];
    std::snprintf(text, sizeof text, "%d:%02d", seconds / 60, seconds % 60);
    return text;
}

// The label that fits in `width` pixels: "Name (Type)", the name, the type, or nothing.
std::string labelFor(const ChartEffect& effect, int width) {
    const std::string type(effectTypeName(effect.kind));
    const std::string both = effect.name.empty() ? type : effect.name + " (" + type + ")";
    for (const std::string& label : {both, effect.name, type})
        if (!label.empty() && textWidth(label, 1) + 4 <= width) return label;
    return {};
}

}  // namespace

Picture drawTimelineChart(const std::vector<ChartEffect>& effects) {
    // The chart runs to the last end, but an end far past every start (an effect kept to the show's end) does not
    // stretch it: it stops a phrase after the last start.
    double lastStart = 0.0, lastEnd = 0.0;
    for (const ChartEffect& effect : effects) {
        lastStart = std::max(lastStart, effect.start);
        lastEnd = std::max(lastEnd, effect.end);
    }
    const double length =
        std::clamp(std::min(lastEnd, lastStart + chartPhraseSeconds), chartPhraseSeconds, longestChart);
    const int phrases = static_cast<int>(std::ceil(length / chartPhraseSeconds));
    const double chartSeconds = phrases * chartPhraseSeconds;
    const int plotWidth = static_cast<int>(chartSeconds) * chartPixelsPerSecond;
    const auto xOf = [&](double seconds) {
        return margin + axisWidth + static_cast<int>(std::lround(std::clamp(seconds, 0.0, chartSeconds) *
                                                                chartPixelsPerSecond));
    };

    // Lanes: in each layer, an effect takes the first lane free at its start.
    std::map<int, std::vector<double>> laneEnds;  // per layer, where each lane's last effect ends
    std::vector<int> laneOf(effects.size());
    std::vector<std::size_t> order(effects.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return effects[a].start < effects[b].start; });
    for (const std::size_t i : order) {
        std::vector<double>& lanes = laneEnds[effects[i].layer];
        auto free = std::find_if(lanes.begin(), lanes.end(), [&](double end) { return end <= effects[i].start; });
        if (free == lanes.end()) free = lanes.insert(lanes.end(), 0.0);
        *free = effects[i].end;
        laneOf[i] = static_cast<int>(free - lanes.begin());
    }
    std::map<int, int> layerTop;
    int plotHeight = 0;
    for (const auto& [layer, lanes] : laneEnds) {
        layerTop[layer] = headerHeight + plotHeight;
        plotHeight += static_cast<int>(lanes.size()) * laneHeight + layerGap;
    }
    std::set<std::uint32_t> kinds;
    for (const ChartEffect& effect : effects) kinds.insert(effect.kind);
    const int legendPerRow = std::max(1, (plotWidth + axisWidth) / 120);
    const int legendRows = static_cast<int>((kinds.size() + legendPerRow - 1) / legendPerRow);

    Picture chart(plotWidth + axisWidth + 2 * margin + 1,
                  margin + headerHeight + plotHeight + margin + legendRows * legendRow + margin, 3);
    fillRect(chart, 0, 0, chart.width, chart.height, paper);
    const int gridBottom = margin + headerHeight + plotHeight;

    // The grid: a line every bar, a brighter one every phrase, labelled with its time.
    for (double t = 0.0; t <= chartSeconds; t += chartBarSeconds) {
        const bool phrase = std::fmod(t, chartPhraseSeconds) == 0.0;
        const int tick = phrase ? 4 : 0;  // phrase lines reach up to their label
        fillRect(chart, xOf(t), margin + headerHeight - tick, 1, gridBottom - margin - headerHeight + tick,
                 phrase ? phraseLine : barLine);
        if (phrase) drawText(chart, xOf(t) - textWidth("0:00", 1) / 2, margin, minutes(static_cast<int>(t)), ink);
    }
    for (const auto& [layer, top] : layerTop) {
        char name[16];
        std::snprintf(name, sizeof name, "L%d", layer);
        drawText(chart, margin, margin + top + (laneHeight - 7) / 2, name, ink);
    }

    // The bars, each at least one pixel wide so that an instant still shows.
    for (std::size_t i = 0; i < effects.size(); ++i) {
        const ChartEffect& effect = effects[i];
        const int left = xOf(effect.start), right = std::max(xOf(effect.end), left + 1);
        const int top = margin + layerTop[effect.layer] + laneOf[i] * laneHeight;
        fillRect(chart, left, top + 1, right - left, laneHeight - 2, typeColour(effect.kind));
        fillRect(chart, left, top + 1, 1, laneHeight - 2, barInk);  // where it starts, beside a neighbour
        drawText(chart, left + 3, top + (laneHeight - 7) / 2, labelFor(effect, right - left - 2), barInk);
    }

    // The legend: one swatch and name per effect type used.
    int entry = 0;
    for (const std::uint32_t kind : kinds) {
        const int x = margin + axisWidth + (entry % legendPerRow) * 120;
        const int y = gridBottom + margin + (entry / legendPerRow) * legendRow;
        fillRect(chart, x, y, 10, 9, typeColour(kind));
        drawText(chart, x + 14, y + 1, effectTypeName(kind), ink);
        ++entry;
    }
    return chart;
}

}  // namespace qv3rn::tool
