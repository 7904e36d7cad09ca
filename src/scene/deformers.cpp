// deformers.cpp -- the per-frame update and the position map of each vertex deformer.
#include "scene/deformers.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace qv3rn {

namespace {

constexpr float twoPi = 2.0f * std::numbers::pi_v<float>;

struct KindNames {
    const char* name;
    const char* keyword;
};
constexpr KindNames kindNames[deformerKindCount] = {
    {"Bend", "Bend {"},       {"Melt", "Melt {"},   {"SinWave", "SinWave {"}, {"Taper1", "Taper1 {"},
    {"Taper2", "Taper2 {"},   {"Twist", "Twist {"}, {"Wave", "Wave {"},
};

float& coordinate(Vec3& v, int axis) { return axis == 0 ? v.x : axis == 1 ? v.y : v.z; }
float coordinate(const Vec3& v, int axis) { return axis == 0 ? v.x : axis == 1 ? v.y : v.z; }

// The axis (0, 1, 2) of the first of the code bits 1, 2, 4 that is set; -1 when none is.
int firstAxisOf(std::int32_t code) {
    for (int axis = 0; axis < 3; ++axis)
        if (code & (1 << axis)) return axis;
    return -1;
}

// The axis (0, 1, 2) that a code names by itself: 1, 2 or 4; -1 for any other value.
int axisOfCode(std::int32_t code) { return code == 1 ? 0 : code == 2 ? 1 : code == 4 ? 2 : -1; }

// acos(c) / pi for c in [0, 1]: the angle from an axis as a fraction of a half turn, folded into [0, 0.5]. The
// polynomial approximation of acos with an error below 2e-8 (Abramowitz and Stegun 4.4.46) saves a fifth of
// the SinWave frame against the library's acos.
float foldedAngle(float c) {
    c = std::min(c, 1.0f);
    const float polynomial =
        1.5707963050f +
        c * (-0.2145988016f +
             c * (0.0889789874f +
                  c * (-0.0501743046f +
                       c * (0.0308918810f + c * (-0.0170881256f + c * (0.0066700901f + c * -0.0012624911f))))));
    return std::sqrt(1.0f - c) * polynomial / std::numbers::pi_v<float>;
}

}  // namespace

const char* deformerName(DeformerKind kind) { return kindNames[static_cast<int>(kind)].name; }
const char* deformerKeyword(DeformerKind kind) { return kindNames[static_cast<int>(kind)].keyword; }

// ---- Bend

void BendDeformer::update(float time) {
    for (DeformValue* number : {&direction, &from, &to, &angle}) number->update(time);
    radius_ = std::fabs(angle.value) < 0.0001f ? 0.0f : (to.value - from.value) / angle.value;

    // The axis rotation first (-pi/2 about x turns (x, y, z) into (x, z, -y); about y into (-z, y, x)), then
    // the direction about z.
    float axisRows[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    if (axis == 1) {
        const float rows[9] = {1, 0, 0, 0, 0, 1, 0, -1, 0};
        std::copy(rows, rows + 9, axisRows);
    } else if (axis == 2) {
        const float rows[9] = {0, 0, -1, 0, 1, 0, 1, 0, 0};
        std::copy(rows, rows + 9, axisRows);
    }
    const float c = std::cos(direction.value), s = std::sin(direction.value);
    const float turn[9] = {c, -s, 0, s, c, 0, 0, 0, 1};
    for (int r = 0; r < 3; ++r)
        for (int k = 0; k < 3; ++k)
            frame_[3 * r + k] = turn[3 * r] * axisRows[k] + turn[3 * r + 1] * axisRows[3 + k] +
                                turn[3 * r + 2] * axisRows[6 + k];
}

Vec3 BendDeformer::map(const Vec3& p) const {
    if (radius_ == 0.0f) return p;
    const float* m = frame_;
    const Vec3 q{m[0] * p.x + m[1] * p.y + m[2] * p.z, m[3] * p.x + m[4] * p.y + m[5] * p.z,
                 m[6] * p.x + m[7] * p.y + m[8] * p.z};
    const float alpha = std::numbers::pi_v<float> - q.y / radius_;
    const float c = std::cos(alpha), s = std::sin(alpha);
    const Vec3 bent{(1.0f + c) * radius_ - q.x * c, s * radius_ - q.x * s, q.z};
    // The frame is a rotation: its inverse is its transpose.
    return {m[0] * bent.x + m[3] * bent.y + m[6] * bent.z, m[1] * bent.x + m[4] * bent.y + m[7] * bent.z,
            m[2] * bent.x + m[5] * bent.y + m[8] * bent.z};
}

// ---- Melt

void MeltDeformer::update(float time) {
    for (DeformValue* number : {&bulge, &ybr, &zbr, &vis}) number->update(time);
}

Vec3 MeltDeformer::map(const Vec3& p) const {
    if (axis < 0 || axis > 2) return p;
    const float height = std::fabs(coordinate(size, axis)) * 2.0f;
    const float amount = std::clamp(bulge.value, 0.0f, 1.0f);
    if (height == 0.0f || amount == 0.0f) return p;
    for (int i = 0; i < 3; ++i)
        if (std::fabs(coordinate(p, i) - coordinate(center, i)) > std::fabs(coordinate(size, i))) return p;

    const float up = negativeAxis ? -1.0f : 1.0f;
    const float floor = coordinate(center, axis) - up * height * 0.5f;
    const float h = std::clamp((coordinate(p, axis) - floor) * up / height, 0.0f, 1.0f);
    const float spread = amount * std::pow(1.0f - h, 1.0f + std::max(vis.value, 0.0f));

    Vec3 out = p;
    coordinate(out, axis) = floor + up * h * (1.0f - amount) * height;
    const int across[2] = {axis == 0 ? 1 : 0, axis == 2 ? 1 : 2};
    const float ratios[2] = {ybr.value, zbr.value};
    for (int k = 0; k < 2; ++k) {
        const int i = across[k];
        const float c = coordinate(center, i);
        coordinate(out, i) = c + (coordinate(p, i) - c) * (1.0f + spread * ratios[k]);
    }
    return out;
}

// ---- SinWave

void SinWaveDeformer::startWave(std::int32_t code) {
    reading_ = axisOfCode(code);
    if (reading_ < 0) {
        discarded_ = Wave{};
        return;
    }
    waves_[reading_] = Wave{};
    present_[reading_] = true;
}

SinWaveDeformer::Wave& SinWaveDeformer::readingWave() {
    if (reading_ < 0) return discarded_;
    present_[reading_] = true;
    return waves_[reading_];
}

void SinWaveDeformer::update(float time) {
    for (int axis = 0; axis < 3; ++axis) {
        Wave& wave = waves_[axis];
        for (DeformValue* number : {&wave.amp1, &wave.amp2, &wave.wavelength, &wave.phase, &wave.decay, &wave.flex})
            number->update(time);
        const float wavelength = wave.wavelength.value == 0.0f ? 1e-7f : wave.wavelength.value;
        frame_[axis] = {twoPi / wavelength, twoPi * wave.phase.value + time};
    }
}

Vec3 SinWaveDeformer::map(const Vec3& p) const {
    Vec3 out = p;
    for (int axis = 0; axis < 3; ++axis) {
        if (!present_[axis]) continue;
        const Wave& wave = waves_[axis];
        float amplitude = wave.amp1.value;
        if (wave.amp1.value != wave.amp2.value) {
            // Amp1 along the x axis, Amp2 across it, blended by the angle from the x axis.
            const float d = out.length();
            if (d == 0.0f) {
                amplitude = 0.0f;
            } else {
                const float v = foldedAngle(std::fabs(out.x) / d);
                amplitude = 2.0f * v * wave.amp2.value + (1.0f - 2.0f * v) * wave.amp1.value;
            }
        }
        Vec3 across = out;
        coordinate(across, axis) = 0.0f;
        const float r = across.length();
        float push = wave.flex.value * amplitude * std::sin(frame_[axis].perDistance * r + frame_[axis].offset);
        if (wave.decay.value != 0.0f) push *= std::exp(-r * wave.decay.value);
        coordinate(out, axis) += push;
    }
    return out;
}

// ---- Taper1, Taper2

void TaperDeformer::update(float time) {
    factorA.update(time);
    factorB.update(time);
}

void TaperDeformer::finishReading() {
    extent_ = {std::max(max.x - center.x, center.x - min.x), std::max(max.y - center.y, center.y - min.y),
               std::max(max.z - center.z, center.z - min.z)};
}

Vec3 TaperDeformer::map(const Vec3& p) const {
    const int along = axisOfCode(axis);
    if (along < 0) return p;
    Vec3 d = p - center;
    const float extent = coordinate(extent_, along);
    const float t = extent == 0.0f ? 1.0f : std::max(std::fabs(coordinate(d, along) / extent), 0.01f);
    const float second = twoFactors_ ? factorB.value : factorA.value;
    bool first = true;
    for (int i = 0; i < 3; ++i) {
        if (i == along) continue;
        coordinate(d, i) *= t * ((first ? factorA.value : second) - 1.0f) + 1.0f;
        first = false;
    }
    return d + center;
}

// ---- Twist

void TwistDeformer::update(float time) {
    angle.update(time);
    const int along = firstAxisOf(axis);
    const float side = along < 0 ? 0.0f : coordinate(size, along);
    perUnit_ = side == 0.0f ? 0.0f : angle.value / side;
}

Vec3 TwistDeformer::map(const Vec3& p) const {
    const int along = firstAxisOf(axis);
    if (along < 0) return p;
    Vec3 d = p - center;
    const float theta = perUnit_ * coordinate(d, along);
    const float c = std::cos(theta), s = std::sin(theta);
    // The two other coordinates in x, y, z order turn as (a, b) -> (a cos - b sin, b cos + a sin).
    const int i = along == 0 ? 1 : 0, j = along == 2 ? 1 : 2;
    const float a = coordinate(d, i), b = coordinate(d, j);
    coordinate(d, i) = a * c - b * s;
    coordinate(d, j) = b * c + a * s;
    return d + center;
}

// ---- Wave

void WaveDeformer::update(float time) {
    for (DeformValue* number : {&amplitude, &phase, &range, &wavelength}) number->update(time);
    inverseWavelength_ = wavelength.value == 0.0f ? 0.0f : 1.0f / wavelength.value;
}

Vec3 WaveDeformer::map(const Vec3& p) const {
    const int along = axisOfCode(axis);
    if (along < 0) return p;
    float w = amplitude.value * std::sin(twoPi * coordinate(p, along) * inverseWavelength_ + phase.value);
    if (finiteRange && range.value != 0.0f) {
        const float d = p.length();
        w = d > range.value ? 0.0f : w * d / range.value;
    }
    Vec3 direction;
    switch (displace) {
        case 1: direction = {1, 0, 0}; break;
        case 2: direction = {0, 1, 0}; break;
        case 4: direction = {0, 0, 1}; break;
        case 3: direction = {p.x, p.y, 0}; break;
        case 5: direction = {p.x, 0, p.z}; break;
        case 6: direction = {0, p.y, p.z}; break;
        case 7: direction = p; break;
        default: return p;
    }
    return p + direction.normalized() * w;
}

}  // namespace qv3rn
