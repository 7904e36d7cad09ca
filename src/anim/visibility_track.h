// visibility_track.h -- the visibility track: key times at which a node appears and disappears.
#pragma once

#include <vector>

#include "anim/keyframer_track.h"

namespace qv3rn {

// Every key toggles the node: hidden before the first key time, shown from it, hidden again from the second
// key time, shown from the third, and so on. A track of one key shows the node from that key's time on.
class VisibilityTrack : public KeyframerTrack {
public:
    using KeyframerTrack::KeyframerTrack;

    bool evaluate(float time) const;

protected:
    void saveKeyValues(std::ostream&, std::size_t) const override {}
};

}  // namespace qv3rn
