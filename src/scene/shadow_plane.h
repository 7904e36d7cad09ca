// shadow_plane.h -- a node that flattens its children onto a plane from a light and draws them black, clipped
// by the stencil to a quad of the plane, then draws the children themselves.
#pragma once

#include <array>

#include "math/mat4.h"
#include "math/vec3.h"
#include "scene/scene_node.h"

namespace qv3rn {

// The matrix that throws every point from `light` onto `plane` (a, b, c, d with ax + by + cz + d = 0):
// M = (P·L) I - L Pᵀ, in OpenGL's column-major order. A light with w = 1 is a point, one with w = 0 a direction.
Mat4 planarShadowMatrix(const Vec4& plane, const Vec4& light);

// Plane, light and quad are in world coordinates: a "Position " line moves the node, and with it the children
// (the casters), never the quad.
class ShadowPlane : public SceneNode {
public:
    ShadowPlane() : SceneNode(NodeType::ShadowPlane) {}

    // Both draw the whole subtree of an enabled plane: a caster outside the view can still throw a shadow in.
    void renderAll() override;
    void renderVisible(const Frustum& frustum) override;

    // Sets the quad's half extents and puts the bounding sphere around the box centre ± size.
    void setSize(const Vec3& size);
    const Vec3& size() const { return size_; }

    // The plane turned, when needed, so that the light is on its positive side (the same plane: a flattened
    // point then keeps a positive w and is not clipped away).
    Vec4 planeFacingLight() const;
    // The four corners of the quad: ±size along the two axes other than the normal's largest component, centred
    // on the plane's point nearest the origin and put onto the plane along that axis.
    std::array<Vec3, 4> quadCorners() const;

    // Read from the script.
    std::array<float, 4> light{0.0f, 10.0f, 0.0f, 1.0f};
    std::array<float, 4> plane{0.0f, 1.0f, 0.0f, 0.0f};

    // The quad as one GL_QUADS primitive, in world coordinates under the current matrix.
    void drawQuad() const;

private:

    Vec3 size_{10.0f, 0.0f, 10.0f};
};

// Once its block is read: a plane without a normal, a light lying in the plane (or a direction along it) and
// numbers that are not finite raise errors, since no shadow could be thrown; so does a quad whose corners are
// not finite.
void finishNode(ShadowPlane& node);

}  // namespace qv3rn
