// keyframer_track.h -- base of the track keyframer's key tracks: key times, segment lookup, key lines.
#pragma once

#include <cstddef>
#include <iosfwd>
#include <vector>

namespace qv3rn {

// A track keeps its keys in parallel arrays of times and values, in the order of the script's "Key " lines
// (the times are expected to increase; they are not sorted). Before the first key a track answers the first
// key's value, after the last key the last key's value.
class KeyframerTrack {
public:
    explicit KeyframerTrack(std::vector<float> times) : times_(std::move(times)) {}
    virtual ~KeyframerTrack() = default;

    // Derives what evaluation needs from the keys (tangents, absolute rotations); may be called again.
    virtual void prepare() {}
    // Nothing is held that evaluation would not need again.
    virtual void finish() {}
    // Writes the body of the track's sub-block: an optional "Type" line, "NumKeys" and the "Key" lines.
    virtual bool save(std::ostream& stream) const;

    std::size_t keyCount() const { return times_.size(); }
    const std::vector<float>& times() const { return times_; }

protected:
    // Where a time falls: on key `key` (fraction 0), or between key `key` and the next at `fraction`.
    struct Position {
        std::size_t key;
        float fraction;
    };
    // Segments are t(i) <= t < t(i+1), or t(i) <= t <= t(i+1) when closedSegments is set. A segment of zero
    // length answers its later key; a time no segment holds (times not increasing, or not a number) answers
    // the last key.
    Position locate(float time, bool closedSegments = false) const;

    // The name on the "Type" line, or null when the track writes none.
    virtual const char* typeName() const { return nullptr; }
    // The numbers after the time on the "Key" line of key i.
    virtual void saveKeyValues(std::ostream& stream, std::size_t i) const = 0;

    std::vector<float> times_;
};

// Writes a float in the shortest form that reads back to the same value.
void writeTrackNumber(std::ostream& stream, float value);

}  // namespace qv3rn
