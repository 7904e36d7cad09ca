// keyframer_lw.h -- the channel keyframer: nine envelopes for position, heading/pitch/bank and scale.
#pragma once

#include <array>

#include "anim/envelope.h"
#include "anim/keyframer_base.h"

namespace qv3rn {

// Channels 0, 1, 2: position x, y, z; 3, 4, 5: heading, pitch, bank in radians; 6, 7, 8: scale x, y, z.
// Block ("KeyframerLW {" read by the caller):
//
//     KeyframerLW {
//       NumChannels 9
//       Channel 0
//       { Envelope
//         ...
//       }
//       Channel 4
//       { Envelope
//         ...
//       }
//     }
//
// The rotation is heading about y after pitch about x after bank about z: eulerMatrix(a0, a1, a2) of the
// negated angles a0 = -heading, a1 = -pitch, a2 = -bank, in the scene matrix convention. A channel without
// keys counts as 0 (1 for the scale channels); load() gives every channel left without keys one constant key.
class KeyframerLW : public KeyframerBase {
public:
    static constexpr int kChannelCount = 9;
    enum Channel { PositionX, PositionY, PositionZ, Heading, Pitch, Bank, ScaleX, ScaleY, ScaleZ };

    KeyframerLW();

    // Nothing to prepare or release: the channels are plain envelopes.
    void prepare() override {}
    void finish() override {}
    void evaluate(float time) override;
    // The block is not written back: the result is true and nothing is written.
    bool save(std::ostream& stream) const override;
    void beginTransform() const override;
    void endTransform() const override;
    // Raises std::runtime_error with the format's messages; see the keyword table in the source.
    bool load(ScriptParser& parser, std::istream& stream) override;
    Vec3 getPosition(float time) const override;
    Quat getRotation(float time) const override;
    Vec3 getScale(float time) const override;
    Mat4 getRotationMatrix(float time) const override;
    Vec3 getXAxis(float time) const override;
    Vec3 getYAxis(float time) const override;
    Vec3 getZAxis(float time) const override;

    Envelope& channel(int index) { return channels_[static_cast<std::size_t>(index)]; }
    const Envelope& channel(int index) const { return channels_[static_cast<std::size_t>(index)]; }
    // The negated heading, pitch and bank of the last evaluate(): the arguments of eulerMatrix.
    float angle0() const { return angles_[0]; }
    float angle1() const { return angles_[1]; }
    float angle2() const { return angles_[2]; }

private:
    float channelValue(int index, float time) const;
    Mat4 rotationMatrixAt(float time) const;

    std::array<Envelope, kChannelCount> channels_;
    float angles_[3] = {0.0f, 0.0f, 0.0f};
};

}  // namespace qv3rn
