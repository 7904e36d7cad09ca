// keyframer_base.h -- what moves a scene node: position, rotation, scale and visibility at a time.
#pragma once

#include <iosfwd>

#include "math/mat4.h"
#include "math/quat.h"
#include "math/vec3.h"

namespace qv3rn {

class ScriptParser;

// The two kinds (KeyframerLW, the channel keyframer, and Keyframer, the track keyframer) share these
// operations so that nodes and cameras use them alike. evaluate() stores the state for one time; the getters
// that take a time compute their part for that time without touching the stored state.
//
// Rotation conventions. rotation() is the rotation the node shows: beginTransform() turns the OpenGL matrix
// by it. getRotationMatrix() gives the same rotation in the scene's matrix convention, the one eulerMatrix()
// uses: element [4r + c] is row r, column c, rotating a vector with Mat4::transformVectorByRows; matrices in
// this convention compose with the engine's product as parent * child, and OpenGL takes their transpose.
class KeyframerBase {
public:
    KeyframerBase() = default;
    KeyframerBase(const KeyframerBase&) = delete;
    KeyframerBase& operator=(const KeyframerBase&) = delete;
    virtual ~KeyframerBase() = default;

    virtual void prepare() = 0;
    virtual void finish() = 0;
    virtual void evaluate(float time) = 0;
    virtual bool save(std::ostream& stream) const = 0;
    // glPushMatrix, then the evaluated translation, rotation and scale onto the current matrix.
    virtual void beginTransform() const = 0;
    // glPopMatrix.
    virtual void endTransform() const = 0;
    // Reads the block body after its "KeyframerLW {" / "Keyframer {" line, up to and including its closing
    // line, with the caller's line reader.
    virtual bool load(ScriptParser& parser, std::istream& stream) = 0;
    virtual Vec3 getPosition(float time) const = 0;
    virtual Quat getRotation(float time) const = 0;
    virtual Vec3 getScale(float time) const = 0;
    virtual Mat4 getRotationMatrix(float time) const = 0;
    // Elements 0..2, 4..6 and 8..10 of getRotationMatrix: its rows in the scene convention.
    virtual Vec3 getXAxis(float time) const = 0;
    virtual Vec3 getYAxis(float time) const = 0;
    virtual Vec3 getZAxis(float time) const = 0;

    // The state of the last evaluate().
    const Vec3& position() const { return position_; }
    const Quat& rotation() const { return rotation_; }
    const Vec3& scale() const { return scale_; }
    bool visible() const { return visible_; }
    // The rotation in the scene convention (see above).
    const Mat4& rotationMatrix() const { return rotationMatrix_; }
    // translation × rotation × scale with the engine's product, in the scene convention (translation in
    // elements 3, 7 and 11); openGLMatrix() is its transpose, the matrix beginTransform() multiplies by.
    const Mat4& transformMatrix() const { return transform_; }
    const Mat4& openGLMatrix() const { return glTransform_; }

protected:
    // Sets the evaluated state and composes the two transform matrices from it.
    void setState(const Vec3& position, const Quat& rotation, const Mat4& rotationMatrix, const Vec3& scale,
                  bool visible);

    static Vec3 rowOf(const Mat4& m, int row) { return {m.m[4 * row], m.m[4 * row + 1], m.m[4 * row + 2]}; }

private:
    Vec3 position_;
    Quat rotation_;
    Vec3 scale_{1.0f, 1.0f, 1.0f};
    bool visible_ = true;
    Mat4 rotationMatrix_;
    Mat4 transform_;
    Mat4 glTransform_;
};

// 57.29578: radians to the degrees glRotatef takes.
constexpr float kDegreesPerRadian = 57.29578f;

}  // namespace qv3rn
