// keyframer.h -- the track keyframer: optional translate, rotate, scale and visibility key tracks.
#pragma once

#include <memory>
#include <string>

#include "anim/keyframer_base.h"
#include "anim/rotation_track.h"
#include "anim/scale_track.h"
#include "anim/vector_track.h"
#include "anim/visibility_track.h"

namespace qv3rn {

// Block ("Keyframer {" read by the caller):
//
//     Keyframer {
//       Translate {
//         Type "Hermite"          ; "Linear" (also without a Type line), "Spline" or "Hermite"
//         NumKeys 3
//         Key 0 0 0 0             ; time x y z
//         ...
//       }
//       Rotate {
//         Type "AxisAngle"        ; "HPR" for heading/pitch/bank keys, any other name for axis-angle keys
//         NumKeys 2
//         Key 0 0 0 1 0           ; time, axis x y z, angle in degrees (HPR: time heading pitch bank)
//         Key 1 0 0 1 90          ; relative to the key before
//       }
//       Scale {
//         NumKeys 2
//         Key 0 1                 ; time, uniform factor
//         Key 1 2
//       }
//       Visible {
//         NumKeys 1
//         Key 0.5                 ; the times at which the node is shown, hidden, shown again, ...
//       }
//     }
//
// Without a track the keyframer gives position 0, no rotation, scale 1 and visible.
class Keyframer : public KeyframerBase {
public:
    Keyframer();

    void prepare() override;
    void finish() override;
    void evaluate(float time) override;
    bool save(std::ostream& stream) const override;
    void beginTransform() const override;
    void endTransform() const override;
    // False when a track sub-block is malformed (loadError() says how) or when the block has no translate,
    // rotate or scale track. More "Key" lines than a track's "NumKeys" throws std::runtime_error.
    bool load(ScriptParser& parser, std::istream& stream) override;
    Vec3 getPosition(float time) const override;
    Quat getRotation(float time) const override;
    Vec3 getScale(float time) const override;
    Mat4 getRotationMatrix(float time) const override;
    Vec3 getXAxis(float time) const override;
    Vec3 getYAxis(float time) const override;
    Vec3 getZAxis(float time) const override;

    const std::string& loadError() const { return loadError_; }
    const VectorTrack* translateTrack() const { return translate_.get(); }
    const RotationTrack* rotateTrack() const { return rotate_.get(); }
    const ScaleTrack* scaleTrack() const { return scale_.get(); }
    const VisibilityTrack* visibleTrack() const { return visible_.get(); }

private:
    friend class TrackBlockReader;

    std::unique_ptr<VectorTrack> translate_;
    std::unique_ptr<RotationTrack> rotate_;
    std::unique_ptr<ScaleTrack> scale_;
    std::unique_ptr<VisibilityTrack> visible_;
    std::string loadError_;
};

}  // namespace qv3rn
