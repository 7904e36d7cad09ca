// animated_value.h -- a number of an effect that an optional envelope of the effect script drives.
#pragma once

#include <memory>

#include "anim/envelope.h"
#include "data/keyword_table.h"

namespace qv3rn {

// The value keeps what the script or the constructor gave it until a track is attached; from then on every
// update(time) replaces it with the track's value at that demo time.
struct AnimatedValue {
    float value = 0.0f;
    std::unique_ptr<Envelope> track;

    AnimatedValue() = default;
    explicit AnimatedValue(float initial) : value(initial) {}

    void update(float time) {
        if (track) value = track->evaluate(time);
    }
    // The track's value at `time`, or `fallback` without a track.
    float valueAt(float time, float fallback) const { return track ? track->evaluate(time) : fallback; }
    void releaseTrack() { track.reset(); }
};

// A floats() row fills the value.
inline void addFloatSlots(FloatSlots& slots, AnimatedValue& animated) { slots.add(animated.value); }

}  // namespace qv3rn
