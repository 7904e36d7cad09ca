// envelope_builders.h -- small helpers that build envelopes from key lists or script text for the tests.
#pragma once

#include <initializer_list>
#include <sstream>
#include <string>

#include "anim/envelope.h"

namespace qv3rn::test {

inline EnvelopeKey key(float value, float time, std::uint16_t spanType = SpanLinear) {
    EnvelopeKey k;
    k.value = value;
    k.time = time;
    k.spanType = spanType;
    return k;
}

inline Envelope envelopeOf(std::initializer_list<EnvelopeKey> keys, std::uint16_t pre = BehaviorReset,
                           std::uint16_t post = BehaviorReset) {
    Envelope e;
    for (const EnvelopeKey& k : keys) e.addKey(k);
    e.setBehaviors(pre, post);
    return e;
}

inline Envelope loadEnvelope(const std::string& text) {
    std::istringstream in(text);
    Envelope e;
    e.load(in);
    return e;
}

inline std::string saved(const Envelope& e) {
    std::ostringstream out;
    e.save(out);
    return out.str();
}

}  // namespace qv3rn::test
