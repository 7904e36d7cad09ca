// envelope.cpp -- reading, writing and evaluating envelopes with their exact single-precision arithmetic.
#include "anim/envelope.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ios>
#include <limits>
#include <ostream>
#include <stdexcept>
#include <string>

#include "data/keyword_table.h"

namespace qv3rn {

namespace {

constexpr float kOneThird = 0.33333334f;      // the float nearest one third: default Bezier handle length
constexpr float kBezierTolerance = 0.0001f;   // how close the bisection must come to the wanted time
constexpr float kFlatHandle = 0.00001f;       // a Bezier2D handle shorter than this counts as vertical
constexpr float kSteepSlope = 100000.0f;      // the slope used for such a handle
constexpr int kMaxBisections = 200;           // more than the float halvings between 0 and 1 can take
constexpr std::size_t kLinearSearchKeys = 8;  // up to this many keys a walk beats a binary search

float cubic(float p0, float p1, float p2, float p3, float s) {
    const float q1 = 3.0f * (p1 - p0);
    const float q2 = 3.0f * (p2 - p1) - q1;
    const float q3 = p3 - p0 - q1 - q2;
    const float s2 = s * s;
    const float s3 = s2 * s;
    return q3 * s3 + q2 * s2 + q1 * s + p0;
}

// A time wrapped into the key range and the whole number of periods it was moved by.
struct WrappedTime {
    float time;
    double periods;
};

WrappedTime wrapTime(float v, float lo, float hi) {
    const float r = hi - lo;
    if (r == 0.0f) return {lo, 0.0};
    // The floor is taken in double precision, which carries the subtraction into double as well; only the
    // result is rounded back to float.
    const double periodsBelow = std::floor(static_cast<double>(v / r));
    const float w = static_cast<float>(lo + v - r * periodsBelow);
    const double n = -std::trunc(static_cast<double>((w - v) / r) + (w > v ? 0.5 : -0.5));
    return {w, n};
}

// Scans an int the way "%d" does, clamping instead of overflowing.
int scanCount(const std::string& line) {
    long value = 0;
    std::sscanf(line.c_str(), "%ld", &value);
    return static_cast<int>(std::clamp<long>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

// The next logical line that has any content: comment lines are skipped; "" at the end of the stream.
std::string nextContentLine(ScriptParser& parser, std::istream& stream) {
    std::string line = parser.readLine(stream);
    while (line.empty() && stream.good()) line = parser.readLine(stream);
    return line;
}

// What the lines of one envelope block after its key count have read so far.
struct EnvelopeBlock {
    Envelope& envelope;
    int declaredKeys;
    std::uint16_t& pre;
    std::uint16_t& post;
    int keysRead = 0;
};

void readKey(EnvelopeBlock& block, BlockLine& line) {
    EnvelopeKey key;
    std::sscanf(line.text.c_str(), "%*s %f %f %hu %f %f %f %f %f %f %f", &key.value, &key.time, &key.spanType,
                &key.tension, &key.continuity, &key.bias, &key.param0, &key.param1, &key.param2, &key.param3);
    if (key.spanType > kLastSpanType) throw std::runtime_error("Found unknown spantype in Envelope");
    block.envelope.addKey(key);
    if (++block.keysRead > block.declaredKeys) throw std::runtime_error("To many keys in Envelope");
}

void readBehaviors(EnvelopeBlock& block, BlockLine& line) {
    // Scanned into copies so that a refused value never reaches the envelope.
    std::uint16_t pre = block.pre;
    std::uint16_t post = block.post;
    std::sscanf(line.text.c_str(), "%*s %hu %hu", &pre, &post);
    if (pre > kLastBehavior) throw std::runtime_error("unknown pre behavior value");
    if (post > kLastBehavior) throw std::runtime_error("unknown post behavior value");
    block.pre = pre;
    block.post = post;
}

const KeywordTable<EnvelopeBlock> envelopeRows = {
    {"Key ", readKey},
    {"Behaviors ", readBehaviors},
};

}  // namespace

void Envelope::clear() {
    keys_.clear();
    startTime_ = 0.0f;
    endTime_ = 0.0f;
    preBehavior_ = BehaviorReset;
    postBehavior_ = BehaviorReset;
    unorderedTimes_ = false;
}

void Envelope::addKey(const EnvelopeKey& key) {
    if (key.time < startTime_) startTime_ = key.time;
    if (key.time > endTime_) endTime_ = key.time;
    if (std::isnan(key.time)) unorderedTimes_ = true;
    // The first key strictly later than the new one; keys of equal time keep the order they came in.
    auto later = keys_.begin();
    while (later != keys_.end() && !(later->time > key.time)) ++later;
    keys_.insert(later, key);
}

bool Envelope::addKey(std::unique_ptr<EnvelopeKey> key) {
    if (!key) throw std::runtime_error("Tried to add a null key to Envelope!");
    addKey(*key);
    return true;
}

bool Envelope::load(ScriptParser& parser, std::istream& stream) {
    if (!matches(nextContentLine(parser, stream), "{ Envelope"))
        throw std::runtime_error("unable to find expected envelope start token");
    EnvelopeBlock block{*this, scanCount(nextContentLine(parser, stream)), preBehavior_, postBehavior_};
    // A block that reaches the end of the stream is accepted when the key count agrees.
    readKeywordBlock(parser, stream, block, envelopeRows, UnknownLine::raise("Found unknown token in Envelope"));
    if (block.keysRead < block.declaredKeys) throw std::runtime_error("To few keys in Envelope");
    return true;
}

bool Envelope::load(std::istream& stream) {
    ScriptParser parser;
    return load(parser, stream);
}

bool Envelope::save(std::ostream& stream) const {
    const std::ios_base::fmtflags flags = stream.flags();
    const std::streamsize precision = stream.precision();
    stream.flags(std::ios_base::dec);
    stream.precision(6);
    stream << "{ Envelope\n";
    if (keys_.empty()) {
        stream << "\t1\n\tKey 0.0 0.0 0 0.0 0.0 0.0 0.0 0.0 0.0 0.0\n";
    } else {
        stream << '\t' << keys_.size() << '\n';
        for (const EnvelopeKey& k : keys_)
            stream << "\tKey " << k.value << ' ' << k.time << ' ' << k.spanType << ' ' << k.tension << ' '
                   << k.continuity << ' ' << k.bias << ' ' << k.param0 << ' ' << k.param1 << ' ' << k.param2
                   << ' ' << k.param3 << '\n';
    }
    stream << "\tBehaviors " << preBehavior_ << ' ' << postBehavior_ << '\n' << "}\n";
    stream.flags(flags);
    stream.precision(precision);
    return true;
}

void Envelope::setBehaviors(std::uint16_t pre, std::uint16_t post) {
    preBehavior_ = pre;
    postBehavior_ = post;
}

std::size_t Envelope::spanEnd(float time) const {
    const std::size_t last = keys_.size() - 1;
    if (unorderedTimes_ || last <= kLinearSearchKeys) {
        std::size_t k1 = 1;
        while (k1 < last && time > keys_[k1].time) ++k1;
        return k1;
    }
    // Sorted times: the first key from the second on that the time does not pass.
    const auto end = std::partition_point(keys_.begin() + 1, keys_.begin() + static_cast<std::ptrdiff_t>(last),
                                          [time](const EnvelopeKey& key) { return time > key.time; });
    return static_cast<std::size_t>(end - keys_.begin());
}

float Envelope::outgoingTangent(std::size_t k0, std::size_t k1) const {
    const EnvelopeKey& a = keys_[k0];
    const EnvelopeKey& b = keys_[k1];
    const EnvelopeKey* prev = k0 > 0 ? &keys_[k0 - 1] : nullptr;
    const float d = b.value - a.value;
    const float s = prev ? (b.time - a.time) / (b.time - prev->time) : 1.0f;
    switch (a.spanType) {
    case SpanTCB: {
        const float in = (1.0f - a.tension) * (1.0f + a.continuity) * (1.0f + a.bias);
        const float out = (1.0f - a.tension) * (1.0f - a.continuity) * (1.0f - a.bias);
        return prev ? s * (in * (a.value - prev->value) + out * d) : out * d;
    }
    case SpanHermite:
    case SpanBezier:
        return prev ? a.param1 * s : a.param1;
    case SpanLinear:
        return prev ? s * (a.value - prev->value + d) : d;
    case SpanBezier2D: {
        const float g = a.param3 * (b.time - a.time);
        return std::fabs(a.param2) > kFlatHandle ? g / a.param2 : g * kSteepSlope;
    }
    default:  // Stepped
        return 0.0f;
    }
}

float Envelope::incomingTangent(std::size_t k0, std::size_t k1) const {
    // Chosen by the span's first key, as is its tension, continuity and bias.
    const EnvelopeKey& a = keys_[k0];
    const EnvelopeKey& b = keys_[k1];
    const EnvelopeKey* next = k1 + 1 < keys_.size() ? &keys_[k1 + 1] : nullptr;
    const float d = b.value - a.value;
    const float s = next ? (b.time - a.time) / (next->time - a.time) : 1.0f;
    switch (a.spanType) {
    case SpanTCB: {
        const float in = (1.0f - a.tension) * (1.0f - a.continuity) * (1.0f + a.bias);
        const float out = (1.0f - a.tension) * (1.0f + a.continuity) * (1.0f - a.bias);
        return next ? s * (out * (next->value - b.value) + in * d) : in * d;
    }
    case SpanHermite:
    case SpanBezier:
        return next ? b.param0 * s : b.param0;
    case SpanLinear:
        return next ? s * (next->value - b.value + d) : d;
    case SpanBezier2D: {
        const float g = b.param1 * (b.time - a.time);
        return std::fabs(b.param0) > kFlatHandle ? g / b.param0 : g * kSteepSlope;
    }
    default:  // Stepped
        return 0.0f;
    }
}

float Envelope::bezier2D(std::size_t k0, std::size_t k1, float time) const {
    const EnvelopeKey& a = keys_[k0];
    const EnvelopeKey& b = keys_[k1];
    const bool ownHandle = a.spanType == SpanBezier2D;
    const float x0 = a.time;
    const float x1 = ownHandle ? a.time + a.param2 : a.time + (b.time - a.time) * kOneThird;
    const float x2 = b.time + b.param0;
    const float x3 = b.time;

    // Bisection for the curve parameter whose time is `time`. A time the curve never reaches (outside the
    // span after an oscillate mirror, or handles that fold the curve back) cannot meet the tolerance, so the
    // search also ends once the interval stops shrinking; the last parameter tried is used.
    float lo = 0.0f;
    float hi = 1.0f;
    float s = 0.5f;
    for (int i = 0; i < kMaxBisections; ++i) {
        s = lo + (hi - lo) * 0.5f;
        const float v = cubic(x0, x1, x2, x3, s);
        if (std::fabs(time - v) <= kBezierTolerance) break;
        const float oldLo = lo;
        const float oldHi = hi;
        if (v > time)
            hi = s;
        else
            lo = s;
        if (lo == oldLo && hi == oldHi) break;
    }

    const float y0 = a.value;
    const float y1 = ownHandle ? a.value + a.param3 : a.value + a.param1 * kOneThird;
    const float y2 = b.value + b.param1;
    const float y3 = b.value;
    return cubic(y0, y1, y2, y3, s);
}

float Envelope::evaluate(float time) const {
    const std::size_t count = keys_.size();
    if (count == 0) return 0.0f;
    if (count == 1) return keys_[0].value;
    const EnvelopeKey& first = keys_.front();
    const EnvelopeKey& last = keys_.back();

    float t = time;
    float offset = 0.0f;
    const bool before = t < first.time;
    if (before || t > last.time) {
        switch (before ? preBehavior_ : postBehavior_) {
        case BehaviorConstant:
            return before ? first.value : last.value;
        case BehaviorRepeat: {
            const float r = last.time - first.time;
            t = r == 0.0f ? first.time : first.time + t - r * std::floor(t / r);
            break;
        }
        case BehaviorOscillate: {
            const WrappedTime wrapped = wrapTime(t, first.time, last.time);
            t = wrapped.time;
            // The mirror is taken about the range's length, not its middle: with a first key at time 0 it
            // stays in the key range, otherwise the first span's curve is evaluated outside it.
            if (std::fmod(wrapped.periods, 2.0) != 0.0) t = last.time - first.time - t;
            break;
        }
        case BehaviorOffsetRepeat: {
            const WrappedTime wrapped = wrapTime(t, first.time, last.time);
            t = wrapped.time;
            offset = static_cast<float>(wrapped.periods) * (last.value - first.value);
            break;
        }
        case BehaviorLinear:
            if (before) return first.value + (t - first.time) * outgoingTangent(0, 1) / (keys_[1].time - first.time);
            return last.value +
                   (t - last.time) * incomingTangent(count - 2, count - 1) / (last.time - keys_[count - 2].time);
        default:  // Reset, and any number that is not a behaviour
            return 0.0f;
        }
    }

    const std::size_t k1 = spanEnd(t);
    const std::size_t k0 = k1 - 1;
    const EnvelopeKey& a = keys_[k0];
    const EnvelopeKey& b = keys_[k1];
    if (t == a.time) return a.value + offset;
    if (t == b.time) return b.value + offset;
    const float u = (t - a.time) / (b.time - a.time);

    switch (b.spanType) {
    case SpanTCB:
    case SpanHermite:
    case SpanBezier: {
        const float u2 = u * u;
        const float u3 = u2 * u;
        const float h2 = 3.0f * u2 - 2.0f * u3;
        const float h1 = 1.0f - h2;
        const float h4 = u3 - u2;
        const float h3 = h4 - u2 + u;
        return h1 * a.value + h2 * b.value + h3 * outgoingTangent(k0, k1) + h4 * incomingTangent(k0, k1) + offset;
    }
    case SpanStepped:
        return a.value + offset;
    case SpanBezier2D:
        return bezier2D(k0, k1, t) + offset;
    default:  // Linear, and span types added by code that no script can hold
        return a.value + u * (b.value - a.value) + offset;
    }
}

}  // namespace qv3rn
