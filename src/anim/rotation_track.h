// rotation_track.h -- the rotate track: keyed rotations, each relative to the one before, slerped.
#pragma once

#include <array>
#include <vector>

#include "anim/keyframer_track.h"
#include "math/quat.h"

namespace qv3rn {

// Keys are written either as an axis and an angle in degrees ("Key time x y z degrees") or, for the type
// "HPR", as heading, pitch and bank in radians ("Key time heading pitch bank"), the same rotation a channel
// keyframer makes of those three channel values. Every key after the first is a rotation relative to the key
// before it: prepare() turns them into absolute rotations q(i) = q(i-1) * q(i). Between keys the rotation is
// interpolated the shorter way round (slerp; components blended linearly when the keys are close).
class RotationTrack : public KeyframerTrack {
public:
    using KeyNumbers = std::array<float, 4>;

    RotationTrack(bool headingPitchBank, std::vector<float> times, std::vector<KeyNumbers> keys);

    void prepare() override;
    Quat evaluate(float time) const;

    bool headingPitchBank() const { return headingPitchBank_; }
    // The relative rotation of key i as its numbers describe it.
    Quat keyRotation(std::size_t i) const;
    const std::vector<Quat>& absoluteRotations() const { return absolute_; }

protected:
    const char* typeName() const override { return headingPitchBank_ ? "HPR" : "AxisAngle"; }
    void saveKeyValues(std::ostream& stream, std::size_t i) const override;

private:
    bool headingPitchBank_;
    std::vector<KeyNumbers> keys_;
    std::vector<Quat> absolute_;
};

}  // namespace qv3rn
