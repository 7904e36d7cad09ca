// demo_clock.cpp -- pausing and seeking the demo time.
#include "demo/demo_clock.h"

namespace qv3rn {

void DemoClock::pause(double loopTime) {
    if (paused_) return;
    base_ = at(loopTime);
    paused_ = true;
}

void DemoClock::resume(double loopTime) {
    if (!paused_) return;
    anchor_ = loopTime;
    paused_ = false;
}

void DemoClock::seek(double demoTime, double loopTime) {
    base_ = demoTime < 0.0 ? 0.0 : demoTime;
    anchor_ = loopTime;
}

}  // namespace qv3rn
