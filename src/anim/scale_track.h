// scale_track.h -- the scale track: one uniform scale factor per key, interpolated linearly.
#pragma once

#include <vector>

#include "anim/keyframer_track.h"

namespace qv3rn {

class ScaleTrack : public KeyframerTrack {
public:
    ScaleTrack(std::vector<float> times, std::vector<float> values)
        : KeyframerTrack(std::move(times)), values_(std::move(values)) {}

    // v(i) + (v(i+1) - v(i))·f, with the segment test t(i) <= t <= t(i+1).
    float evaluate(float time) const;

protected:
    void saveKeyValues(std::ostream& stream, std::size_t i) const override;

private:
    std::vector<float> values_;
};

}  // namespace qv3rn
