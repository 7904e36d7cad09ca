// clock.h -- the monotonic high-resolution clock behind the frame timer: a 64-bit counter and its frequency.
#pragma once

#include <cstdint>

namespace qv3rn::platform {

// The counter never goes backwards and does not follow changes of the wall-clock time.
std::int64_t readCounter();
// Ticks of readCounter per second.
std::int64_t counterFrequency();

}  // namespace qv3rn::platform
