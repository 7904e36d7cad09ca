// effect.h -- one entry of the show's timeline: its type, interval, layer, blend mode and visibility envelope.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "anim/envelope.h"

namespace qv3rn {

// The type code every effect class passes to the base; the number is part of the format (tools print it).
enum class EffectKind : std::uint32_t {
    Blocks = 0,
    ChangeDrawBuffer = 1,
    ChangeViewport = 2,
    ClearBuffer = 3,
    Diffusion = 4,
    DissolveBrush = 5,
    Flash = 6,
    HermiteBrush = 7,
    Image = 8,
    Invert = 9,
    Lines = 10,
    PostProcessing = 11,
    Scene = 12,
    SplineBrush = 13,
    Stream = 14,
    Text = 15,
    TextFade = 16,
    Tunnel = 17,
};

inline constexpr std::uint32_t effectKindCount = 18;

// The word that opens a block of this kind in the effect script ("Flash"); "" for a code outside the table.
std::string_view effectTypeName(std::uint32_t kind);

// Base of every effect. An effect is active at time t when start <= t <= end (both ends included); it is drawn
// while its visibility envelope, if it has one, is above 0. Every time handed to an effect is the demo time in
// seconds, never a time relative to its start.
class Effect {
public:
    explicit Effect(EffectKind kind) : kind_(static_cast<std::uint32_t>(kind)) {}
    virtual ~Effect() = default;  // the visibility envelope goes with the effect
    Effect(const Effect&) = delete;
    Effect& operator=(const Effect&) = delete;

    // The virtual operations, in slot order after the destructor.
    virtual bool init() { return true; }  // once, after the whole script is read
    // Frees the effect's envelopes and resources; every derived release frees its own and then calls this one,
    // which drops the visibility envelope.
    virtual bool release();
    virtual void update(float time) = 0;
    virtual void render() = 0;

    bool isActiveAt(float time) const { return start_ <= time && time <= end_; }

    std::uint32_t kind() const { return kind_; }
    std::uint32_t drawMode() const { return drawMode_; }
    void setDrawMode(std::uint32_t mode) { drawMode_ = mode; }
    float start() const { return start_; }
    void setStart(float time) { start_ = time; }
    float end() const { return end_; }
    void setEnd(float time) { end_ = time; }
    std::int32_t layer() const { return layer_; }
    void setLayer(std::int32_t layer) { layer_ = layer; }
    const std::string& name() const { return name_; }
    void setName(std::string name) { name_ = std::move(name); }

    const Envelope* visibleTrack() const { return visibleTrack_.get(); }
    void setVisibleTrack(std::unique_ptr<Envelope> track) { visibleTrack_ = std::move(track); }
    bool isVisible() const { return visible_; }
    void setVisible(bool visible) { visible_ = visible; }

private:
    std::uint32_t kind_;
    std::uint32_t drawMode_ = 0;
    float start_ = 0.0f;
    float end_ = 0.0f;
    std::int32_t layer_ = 0;
    std::string name_;
    std::unique_ptr<Envelope> visibleTrack_;
    bool visible_ = true;
};

}  // namespace qv3rn
