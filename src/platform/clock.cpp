// clock.cpp -- the frame clock on CLOCK_MONOTONIC, counted in nanoseconds.
#include "platform/clock.h"

#include <ctime>  // Required for: clock_gettime

namespace qv3rn::platform {

namespace {
constexpr std::int64_t kNanosecondsPerSecond = 1'000'000'000;
}

std::int64_t readCounter() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * kNanosecondsPerSecond + now.tv_nsec;
}

std::int64_t counterFrequency() { return kNanosecondsPerSecond; }

}  // namespace qv3rn::platform
