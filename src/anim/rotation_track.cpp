// rotation_track.cpp -- key rotations, their accumulation and interpolation.
#include "anim/rotation_track.h"

#include <ostream>

#include "math/euler_matrix.h"

namespace qv3rn {

namespace {
constexpr float kRadiansPerDegree = 0.017453292f;
}

RotationTrack::RotationTrack(bool headingPitchBank, std::vector<float> times, std::vector<KeyNumbers> keys)
    : KeyframerTrack(std::move(times)), headingPitchBank_(headingPitchBank), keys_(std::move(keys)) {
    RotationTrack::prepare();
}

Quat RotationTrack::keyRotation(std::size_t i) const {
    const KeyNumbers& k = keys_[i];
    if (headingPitchBank_) return Quat::fromMatrix(eulerMatrix(-k[0], -k[1], -k[2]).transposed());
    return Quat::fromAxisAngle({k[0], k[1], k[2]}, k[3] * kRadiansPerDegree);
}

void RotationTrack::prepare() {
    absolute_.resize(keys_.size());
    for (std::size_t i = 0; i < keys_.size(); ++i) {
        const Quat relative = keyRotation(i);
        // Renormalised so that long tracks do not drift away from unit length.
        absolute_[i] = i == 0 ? relative : (absolute_[i - 1] * relative).normalized();
    }
}

Quat RotationTrack::evaluate(float time) const {
    if (absolute_.empty()) return {};
    const Position at = locate(time);
    if (at.fraction == 0.0f) return absolute_[at.key];
    return slerp(absolute_[at.key], absolute_[at.key + 1], at.fraction, 0.95f);
}

void RotationTrack::saveKeyValues(std::ostream& stream, std::size_t i) const {
    const std::size_t numbers = headingPitchBank_ ? 3 : 4;
    for (std::size_t n = 0; n < numbers; ++n) {
        stream << ' ';
        writeTrackNumber(stream, keys_[i][n]);
    }
}

}  // namespace qv3rn
