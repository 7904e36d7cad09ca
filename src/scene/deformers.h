// deformers.h -- the seven vertex deformers of a deform-mesh node: their numbers (constants or envelopes), the
// per-frame update and the maps they apply to vertex positions, and the reading of their script blocks.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>

#include "anim/envelope.h"
#include "data/keyword_table.h"
#include "math/vec3.h"
#include "mesh/mesh_types.h"

namespace qv3rn {

// A deformer's number: a constant from a "Key value" line, or an envelope ("Key {") whose value at the last
// update replaces it.
struct DeformValue {
    float value = 0.0f;
    std::unique_ptr<Envelope> envelope;

    void update(float time) {
        if (envelope) value = envelope->evaluate(time);
    }
};
inline void addFloatSlots(FloatSlots& slots, DeformValue& number) { slots.add(number.value); }
inline void addFloatSlots(FloatSlots& slots, Vec3& vector) {
    slots.add(vector.x);
    slots.add(vector.y);
    slots.add(vector.z);
}

// The kinds, numbered as the scene format numbers them; also the order in which a deform-mesh block tries
// their keywords.
enum class DeformerKind : int { Bend = 0, Melt = 1, SinWave = 2, Taper1 = 3, Taper2 = 4, Twist = 5, Wave = 6 };
inline constexpr int deformerKindCount = 7;

// "Bend", "Melt", ... (for tools and messages).
const char* deformerName(DeformerKind kind);
// The block keyword: "Bend {", "Melt {", ...
const char* deformerKeyword(DeformerKind kind);

// Many deformers choose an axis by a code: 1 = x, 2 = y, 4 = z (Melt numbers its axis 0, 1, 2 instead).
// Out-of-range codes and zero sizes never divide by zero: the deformer leaves the coordinate alone instead.
class Deformer {
public:
    virtual ~Deformer() = default;
    virtual DeformerKind kind() const = 0;

    // Evaluates the envelopes at `time` (seconds) and derives what every vertex of the frame shares.
    virtual void update(float time) = 0;
    // Writes the deformed position of each vertex of `from` into the same vertex of `to`; nothing else of
    // `to` changes. The two may be the same array.
    virtual void apply(std::span<const MeshVertex> from, std::span<MeshVertex> to) const = 0;
    // After the block's last line: what depends on several lines at once.
    virtual void finishReading() {}
};

// The loop every deformer shares: its non-virtual map() applied to each position.
template <typename Self>
class DeformerOf : public Deformer {
public:
    void apply(std::span<const MeshVertex> from, std::span<MeshVertex> to) const final {
        const Self& self = static_cast<const Self&>(*this);
        const std::size_t count = from.size() < to.size() ? from.size() : to.size();
        for (std::size_t i = 0; i < count; ++i) to[i].position = self.map(from[i].position);
    }
};

// A circular bend of the frame's y axis: the frame is the rotation by -pi/2 about x (axis 1) or about y
// (axis 2), then by the direction about z. Radius (to - from) / angle; no bend below 0.0001 radians, nor with a
// zero radius (from = to), which the arc cannot divide by.
class BendDeformer : public DeformerOf<BendDeformer> {
public:
    DeformerKind kind() const override { return DeformerKind::Bend; }
    void update(float time) override;
    Vec3 map(const Vec3& p) const;

    std::int32_t axis = 0;
    DeformValue direction, from, to, angle;

private:
    float radius_ = 0.0f;       // 0: no bend this frame
    float frame_[9] = {};       // rows of the frame rotation
};

// Melting inside the box center +- size: along the axis (0 x, 1 y, 2 z) each point sinks toward the floor
// (the box's low face, or its high face with "NegAxis ") by the melt amount clamp(bulge, 0, 1) of its height,
// and moves away from the centre across the axis, most near the floor: the two other coordinates (in x, y, z
// order) grow by 1 + amount * ratio * (1 - h)^(1 + max(vis, 0)), ratio YBR for the first and ZBR for the
// second, h the point's height above the floor in [0, 1]. Points outside the box stay.
class MeltDeformer : public DeformerOf<MeltDeformer> {
public:
    DeformerKind kind() const override { return DeformerKind::Melt; }
    void update(float time) override;
    Vec3 map(const Vec3& p) const;

    Vec3 center;
    Vec3 size{1.0f, 1.0f, 1.0f};
    DeformValue bulge, ybr{1.0f, nullptr}, zbr{1.0f, nullptr}, vis;
    std::int32_t axis = 1;
    bool negativeAxis = false;
};

// Up to three sine waves, one along each axis, each displacing the coordinate on its axis by the distance from
// that axis; see map().
class SinWaveDeformer : public DeformerOf<SinWaveDeformer> {
public:
    struct Wave {
        DeformValue amp1, amp2, wavelength{1.0f, nullptr}, phase, decay, flex{1.0f, nullptr};
    };

    DeformerKind kind() const override { return DeformerKind::SinWave; }
    void update(float time) override;
    Vec3 map(const Vec3& p) const;

    // While the block is read: "Axis " with code 1, 2 or 4 starts a fresh wave on that axis (replacing one
    // read before); the value lines go to the wave last started, the x wave before any "Axis " line (which
    // they make present). The lines after another code go nowhere.
    void startWave(std::int32_t code);
    Wave& readingWave();
    bool hasWave(int axis) const { return present_[axis]; }

private:
    std::array<Wave, 3> waves_;
    std::array<bool, 3> present_{false, false, false};
    Wave discarded_;
    int reading_ = 0;
    // Each wave's sine argument is perDistance * r + offset this frame.
    struct Frame {
        float perDistance = 0.0f;
        float offset = 0.0f;
    };
    std::array<Frame, 3> frame_;
};

// Scaling across the axis growing linearly with the distance along it: t = max(|d / extent|, 0.01) on the
// axis, each other coordinate times t * (factor - 1) + 1, with d the offset from the centre. Taper1 has one
// factor, Taper2 one for each scaled coordinate (in x, y, z order). A zero extent takes t = 1.
class TaperDeformer : public DeformerOf<TaperDeformer> {
public:
    explicit TaperDeformer(bool twoFactors) : twoFactors_(twoFactors) {}
    DeformerKind kind() const override { return twoFactors_ ? DeformerKind::Taper2 : DeformerKind::Taper1; }
    void update(float time) override;
    void finishReading() override;
    Vec3 map(const Vec3& p) const;

    std::int32_t axis = 0;
    Vec3 center;
    Vec3 min{-1.0f, -1.0f, -1.0f}, max{1.0f, 1.0f, 1.0f};
    DeformValue factorA{1.0f, nullptr}, factorB{1.0f, nullptr};
    const Vec3& extent() const { return extent_; }

private:
    bool twoFactors_;
    Vec3 extent_{1.0f, 1.0f, 1.0f};
};

// Rotation about the axis by angle * d / size, d the offset from the centre along it; "Coords " is read and
// kept for the format's sake. A zero size does not rotate.
class TwistDeformer : public DeformerOf<TwistDeformer> {
public:
    DeformerKind kind() const override { return DeformerKind::Twist; }
    void update(float time) override;
    Vec3 map(const Vec3& p) const;

    std::int32_t axis = 0;
    std::int32_t coords = 0;
    Vec3 size{1.0f, 1.0f, 1.0f};
    Vec3 center;
    DeformValue angle;

private:
    float perUnit_ = 0.0f;  // angle / size on the axis that twists
};

// A travelling displacement: w = amplitude * sin(2 pi c / wavelength + phase), c the coordinate on the axis,
// fading to 0 at the range from the origin when the range is finite, pushed along the displace direction (code
// bits 1 x, 2 y, 4 z: a single bit is that axis, several take the point's own coordinates on them).
class WaveDeformer : public DeformerOf<WaveDeformer> {
public:
    DeformerKind kind() const override { return DeformerKind::Wave; }
    void update(float time) override;
    Vec3 map(const Vec3& p) const;

    std::int32_t axis = 0;
    std::int32_t displace = 0;
    bool finiteRange = false;
    DeformValue amplitude, phase, range, wavelength;

private:
    float inverseWavelength_ = 0.0f;
};

// Reads the block of a deformer of `kind` after its opening line, up to a line with "}" that no row takes.
// Envelope lines that fail raise the deformer's message ("unable to load bend angle envelope", ...).
std::unique_ptr<Deformer> readDeformer(DeformerKind kind, BlockLine& line);

}  // namespace qv3rn
