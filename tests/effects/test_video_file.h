// test_video_file.h -- writes the short videos the video tests play: MJPEG frames in an AVI file.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace qv3rn::test {

struct Rgb {
    std::uint8_t r, g, b;
};

// Writes `frames` frames of width x height at `framesPerSecond`; pixel (x, y) of frame n (y = 0 at the top) is
// colour(n, x, y). Returns "" on success, else why it failed.
std::string writeTestVideo(const std::string& path, int width, int height, int frames, int framesPerSecond,
                           const std::function<Rgb(int, int, int)>& colour);

// The solid colour the tests give frame n: eight clearly different colours, repeating.
Rgb frameColour(int frame);

// The frame whose colour (frameColour) is nearest to a BGR pixel, or -1 when none is close.
int frameOfColour(const std::uint8_t* bgr);

}  // namespace qv3rn::test
