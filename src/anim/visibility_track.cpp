// visibility_track.cpp -- evaluation of the visibility toggles.
#include "anim/visibility_track.h"

namespace qv3rn {

bool VisibilityTrack::evaluate(float time) const {
    bool visible = false;
    for (float keyTime : times_)
        if (keyTime <= time) visible = !visible;
    return visible;
}

}  // namespace qv3rn
