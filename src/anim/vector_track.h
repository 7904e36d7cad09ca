// vector_track.h -- the translate tracks: keyed positions with linear, spline or Hermite interpolation.
#pragma once

#include <memory>
#include <string_view>
#include <vector>

#include "anim/keyframer_track.h"
#include "math/vec3.h"

namespace qv3rn {

class VectorTrack : public KeyframerTrack {
public:
    // The interpolation named on a "Type" line ("Linear", "Spline", "Hermite"), or null for another name.
    static std::unique_ptr<VectorTrack> create(std::string_view type, std::vector<float> times,
                                               std::vector<Vec3> values);

    VectorTrack(std::vector<float> times, std::vector<Vec3> values)
        : KeyframerTrack(std::move(times)), values_(std::move(values)) {}

    virtual Vec3 evaluate(float time) const = 0;

    const std::vector<Vec3>& values() const { return values_; }

protected:
    void saveKeyValues(std::ostream& stream, std::size_t i) const override;

    std::vector<Vec3> values_;
};

// P(i) + (P(i+1) - P(i))·f.
class LinearVectorTrack : public VectorTrack {
public:
    using VectorTrack::VectorTrack;
    Vec3 evaluate(float time) const override;

protected:
    const char* typeName() const override { return "Linear"; }
};

// Catmull-Rom through every key. Where a segment lacks a neighbouring key (the first and the last segment)
// the missing key is the end key mirrored through its neighbour, 2·P(0) - P(1) before the first and
// 2·P(n-1) - P(n-2) after the last, so the curve runs on smoothly to its end keys; two keys give the straight
// path between them at an even speed.
class SplineVectorTrack : public VectorTrack {
public:
    using VectorTrack::VectorTrack;
    Vec3 evaluate(float time) const override;

protected:
    const char* typeName() const override { return "Spline"; }

private:
    Vec3 key(std::ptrdiff_t i) const;
};

// Cubic Hermite through every key, with one unit-length tangent per key made by prepare(): the average of
// the chords on either side, the ends joined as if the track were closed.
class HermiteVectorTrack : public VectorTrack {
public:
    HermiteVectorTrack(std::vector<float> times, std::vector<Vec3> values);
    void prepare() override;
    Vec3 evaluate(float time) const override;

    const std::vector<Vec3>& tangents() const { return tangents_; }

protected:
    const char* typeName() const override { return "Hermite"; }

private:
    std::vector<Vec3> tangents_;
};

}  // namespace qv3rn
