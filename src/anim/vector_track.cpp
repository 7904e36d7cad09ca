// vector_track.cpp -- evaluation of the three translate track interpolations.
#include "anim/vector_track.h"

#include <ostream>

namespace qv3rn {

std::unique_ptr<VectorTrack> VectorTrack::create(std::string_view type, std::vector<float> times,
                                                 std::vector<Vec3> values) {
    if (type == "Linear") return std::make_unique<LinearVectorTrack>(std::move(times), std::move(values));
    if (type == "Spline") return std::make_unique<SplineVectorTrack>(std::move(times), std::move(values));
    if (type == "Hermite") return std::make_unique<HermiteVectorTrack>(std::move(times), std::move(values));
    return nullptr;
}

void VectorTrack::saveKeyValues(std::ostream& stream, std::size_t i) const {
    for (float v : {values_[i].x, values_[i].y, values_[i].z}) {
        stream << ' ';
        writeTrackNumber(stream, v);
    }
}

Vec3 LinearVectorTrack::evaluate(float time) const {
    if (values_.empty()) return {};
    const Position at = locate(time);
    const Vec3& p = values_[at.key];
    if (at.fraction == 0.0f) return p;
    return p + (values_[at.key + 1] - p) * at.fraction;
}

Vec3 SplineVectorTrack::key(std::ptrdiff_t i) const {
    const auto count = static_cast<std::ptrdiff_t>(values_.size());
    if (i < 0) return values_[0] * 2.0f - values_[1];
    if (i >= count) return values_[count - 1] * 2.0f - values_[count - 2];
    return values_[static_cast<std::size_t>(i)];
}

Vec3 SplineVectorTrack::evaluate(float time) const {
    if (values_.empty()) return {};
    const Position at = locate(time);
    if (at.fraction == 0.0f) return values_[at.key];
    // A fraction only comes with a segment, so there are at least two keys to mirror.
    const auto i = static_cast<std::ptrdiff_t>(at.key);
    const float f = at.fraction;
    const float f2 = f * f;
    const float f3 = f2 * f;
    return (key(i - 1) * (-f3 + 2.0f * f2 - f) + key(i) * (3.0f * f3 - 5.0f * f2 + 2.0f) +
            key(i + 1) * (-3.0f * f3 + 4.0f * f2 + f) + key(i + 2) * (f3 - f2)) *
           0.5f;
}

HermiteVectorTrack::HermiteVectorTrack(std::vector<float> times, std::vector<Vec3> values)
    : VectorTrack(std::move(times), std::move(values)) {
    HermiteVectorTrack::prepare();
}

void HermiteVectorTrack::prepare() {
    const std::size_t count = values_.size();
    tangents_.assign(count, Vec3{});
    for (std::size_t i = 0; i < count; ++i) {
        const Vec3& before = values_[i == 0 ? count - 1 : i - 1];
        const Vec3& after = values_[i + 1 == count ? 0 : i + 1];
        tangents_[i] = ((after - values_[i]) + (values_[i] - before)) * 0.5f;
        tangents_[i] = tangents_[i].normalized();
    }
}

Vec3 HermiteVectorTrack::evaluate(float time) const {
    if (values_.empty()) return {};
    const Position at = locate(time);
    if (at.fraction == 0.0f) return values_[at.key];
    const float f = at.fraction;
    const float f2 = f * f;
    const float f3 = f2 * f;
    const float h1 = 2.0f * f3 - 3.0f * f2 + 1.0f;
    const float h2 = 3.0f * f2 - 2.0f * f3;
    const float h3 = f3 - 2.0f * f2 + f;
    const float h4 = f3 - f2;
    return values_[at.key] * h1 + values_[at.key + 1] * h2 + tangents_[at.key] * h3 + tangents_[at.key + 1] * h4;
}

}  // namespace qv3rn
