// pixel_format.h -- how a requested pixel format is turned into what a driver is asked for: the colour channels,
// and the closer-to-worse list of formats tried until one exists (a desktop driver's "closest format").
#pragma once

#include <vector>

#include "platform/window_system.h"

namespace qv3rn::platform {

struct ChannelBits {
    int red = 0;
    int green = 0;
    int blue = 0;
    int alpha = 0;
};

// 32 bits: 8/8/8/8; 24: 8/8/8 without alpha; 16: 5/6/5; 15: 5/5/5; 0 or less: whatever the driver likes.
ChannelBits channelBits(int colorBits);

// The request itself first, then the same with, step by step, no accumulation buffer, a depth buffer of at
// most 24 and then 16 bits, and a stencil buffer of at most 8 bits and then none. No entry repeats.
std::vector<PixelFormat> formatCandidates(const PixelFormat& requested);

}  // namespace qv3rn::platform
