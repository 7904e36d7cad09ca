// scale_track.cpp -- evaluation of the uniform scale track.
#include "anim/scale_track.h"

#include <ostream>

namespace qv3rn {

float ScaleTrack::evaluate(float time) const {
    if (values_.empty()) return 1.0f;
    const Position at = locate(time, true);
    const float v = values_[at.key];
    if (at.fraction == 0.0f) return v;
    return v + (values_[at.key + 1] - v) * at.fraction;
}

void ScaleTrack::saveKeyValues(std::ostream& stream, std::size_t i) const {
    stream << ' ';
    writeTrackNumber(stream, values_[i]);
}

}  // namespace qv3rn
