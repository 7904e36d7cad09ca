// keyframer_base.cpp -- the evaluated state every keyframer kind shares, and its composed matrices.
#include "anim/keyframer_base.h"

namespace qv3rn {

void KeyframerBase::setState(const Vec3& position, const Quat& rotation, const Mat4& rotationMatrix,
                             const Vec3& scale, bool visible) {
    position_ = position;
    rotation_ = rotation;
    rotationMatrix_ = rotationMatrix;
    scale_ = scale;
    visible_ = visible;
    // In the scene convention a translation sits in the last column, elements 3, 7 and 11.
    Mat4 translation;
    translation.m[3] = position.x;
    translation.m[7] = position.y;
    translation.m[11] = position.z;
    transform_ = translation * rotationMatrix * Mat4::scaling(scale);
    glTransform_ = transform_.transposed();
}

}  // namespace qv3rn
