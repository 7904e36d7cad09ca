// timeline_chart.h -- the timeline as a picture: one row per layer, one labelled bar per effect over a grid of the
// music's bars and phrases, coloured by effect type with a legend, so that the show's structure and gaps show.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "generators/picture.h"

namespace qv3rn::tool {

struct ChartEffect {
    std::string name;
    std::uint32_t kind = 0;  // the effect type, which picks its colour and its legend entry
    double start = 0.0, end = 0.0;
    int layer = 0;
};

inline constexpr int chartPixelsPerSecond = 8;
inline constexpr double chartBarSeconds = 2.0;      // a bar of the music
inline constexpr double chartPhraseSeconds = 16.0;  // a phrase: eight bars

// Draws the chart: its width follows the timeline's length (chartPixelsPerSecond), its height the layers used and
// the effects that overlap on one layer (each gets a lane of its own).
Picture drawTimelineChart(const std::vector<ChartEffect>& effects);

}  // namespace qv3rn::tool
