// envelope_key.h -- one key of an envelope: its value and time and the shape of the span that ends at it.
#pragma once

#include <cstdint>

namespace qv3rn {

// Shape of the span that ends at a key (EnvelopeKey::spanType).
enum SpanType : std::uint16_t {
    SpanTCB = 0,
    SpanHermite = 1,
    SpanBezier = 2,
    SpanLinear = 3,
    SpanStepped = 4,
    SpanBezier2D = 5,
};
constexpr std::uint16_t kLastSpanType = SpanBezier2D;

// What an envelope gives before its first key (pre) and after its last key (post).
enum Behavior : std::uint16_t {
    BehaviorReset = 0,
    BehaviorConstant = 1,
    BehaviorRepeat = 2,
    BehaviorOscillate = 3,
    BehaviorOffsetRepeat = 4,
    BehaviorLinear = 5,
};
constexpr std::uint16_t kLastBehavior = BehaviorLinear;

// Every field starts at zero, so a field that a key line does not supply stays 0.
struct EnvelopeKey {
    float value = 0.0f;
    float time = 0.0f;
    std::uint16_t spanType = SpanTCB;
    float tension = 0.0f;
    float continuity = 0.0f;
    float bias = 0.0f;
    // Hermite and Bezier keys: param0 the incoming and param1 the outgoing tangent. Bezier2D keys: param0 and
    // param1 the time and value offsets of the incoming handle, param2 and param3 those of the outgoing one,
    // all relative to the key.
    float param0 = 0.0f;
    float param1 = 0.0f;
    float param2 = 0.0f;
    float param3 = 0.0f;
};

}  // namespace qv3rn
