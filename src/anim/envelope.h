// envelope.h -- the animated scalar: a time-ordered list of keys with behaviours before and after them.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <vector>

#include "anim/envelope_key.h"

namespace qv3rn {

class ScriptParser;

// An envelope field in a script is written as the field keyword with " {", the envelope block, and the
// field's own closing "}":
//
//     Alpha {
//     { Envelope
//       2
//       Key 0 0 0 0 0 0 0 0 0 0
//       Key 1 2.5 3 0 0 0 0 0 0 0
//       Behaviors 1 1
//     }
//     }
//
// The field's owner reads the keyword line, calls load() for the block, and then consumes its own "}".
// A key line holds value, time, span type, tension, continuity, bias and param0..param3.
//
// Keys are kept sorted by time (keys of equal time in the order they were added) in one contiguous array;
// evaluate() allocates nothing.
class Envelope {
public:
    Envelope() = default;
    Envelope(const Envelope&) = default;
    Envelope& operator=(const Envelope&) = default;
    virtual ~Envelope() = default;

    // Back to the state of a new envelope: no keys, Reset behaviours, start and end time 0; the channel
    // index stays.
    void clear();

    // Inserts a copy of the key after every key whose time is not greater than its own.
    void addKey(const EnvelopeKey& key);
    // Takes over a key made elsewhere; a null key throws "Tried to add a null key to Envelope!".
    bool addKey(std::unique_ptr<EnvelopeKey> key);

    // Reads one envelope block, starting at its "{ Envelope" line, with the caller's line reader so that
    // the caller's line count stays right. Every failure throws std::runtime_error with the format's own
    // message ("To many keys in Envelope", ...); keys added before it stay. Returns true.
    bool load(ScriptParser& parser, std::istream& stream);
    bool load(std::istream& stream);

    // Writes the block in the form load() reads; floats in the default format (six significant digits).
    bool save(std::ostream& stream) const;

    float evaluate(float time) const;

    void setBehaviors(std::uint16_t pre, std::uint16_t post);
    void setChannelIndex(std::uint32_t index) { channelIndex_ = index; }

    float startTime() const { return startTime_; }
    float endTime() const { return endTime_; }
    std::uint32_t channelIndex() const { return channelIndex_; }
    std::uint32_t keyCount() const { return static_cast<std::uint32_t>(keys_.size()); }
    const std::vector<EnvelopeKey>& keys() const { return keys_; }
    std::uint16_t preBehavior() const { return preBehavior_; }
    std::uint16_t postBehavior() const { return postBehavior_; }

private:
    std::size_t spanEnd(float time) const;
    float outgoingTangent(std::size_t k0, std::size_t k1) const;
    float incomingTangent(std::size_t k0, std::size_t k1) const;
    float bezier2D(std::size_t k0, std::size_t k1, float time) const;

    float startTime_ = 0.0f;
    float endTime_ = 0.0f;
    std::uint32_t channelIndex_ = 0;
    std::vector<EnvelopeKey> keys_;
    std::uint16_t preBehavior_ = BehaviorReset;
    std::uint16_t postBehavior_ = BehaviorReset;
    // Set once a key time is not a number: the times are then not ordered and spans are found by walking.
    bool unorderedTimes_ = false;
};

}  // namespace qv3rn
