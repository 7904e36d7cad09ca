// shadow_plane.cpp -- the planar shadow matrix, the quad of the plane and the three passes of a shadow plane.
#include "scene/shadow_plane.h"

#include <GL/gl.h>

#include <cmath>
#include <limits>
#include <stdexcept>

#include "math/bounding_box.h"
#include "math/sphere.h"
#include "shader/render_state.h"  // Required for: HeldLocks

namespace qv3rn {

namespace {

Vec4 vec4Of(const std::array<float, 4>& v) { return {v[0], v[1], v[2], v[3]}; }

float component(const Vec3& v, int axis) { return axis == 0 ? v.x : axis == 1 ? v.y : v.z; }
float& component(Vec3& v, int axis) { return axis == 0 ? v.x : axis == 1 ? v.y : v.z; }

}  // namespace

Mat4 planarShadowMatrix(const Vec4& plane, const Vec4& light) {
    const float p[4] = {plane.x, plane.y, plane.z, plane.w};
    const float l[4] = {light.x, light.y, light.z, light.w};
    const float along = dot(plane, light);
    Mat4 m;
    for (int column = 0; column < 4; ++column)
        for (int row = 0; row < 4; ++row) m[4 * column + row] = (row == column ? along : 0.0f) - l[row] * p[column];
    return m;
}

void ShadowPlane::setSize(const Vec3& size) {
    size_ = size;
    const Sphere sphere = Sphere::aroundBox({-size, size});
    setBoundingSphere(sphere.center, sphere.radius);
}

Vec4 ShadowPlane::planeFacingLight() const {
    const Vec4 p = vec4Of(plane);
    return dot(p, vec4Of(light)) < 0.0f ? p * -1.0f : p;
}

std::array<Vec3, 4> ShadowPlane::quadCorners() const {
    const Vec3 normal{plane[0], plane[1], plane[2]};
    const float d = plane[3];
    int k = 0;
    for (int axis = 1; axis < 3; ++axis)
        if (std::fabs(component(normal, axis)) > std::fabs(component(normal, k))) k = axis;
    const int i = k == 0 ? 1 : 0;
    const int j = k == 2 ? 1 : 2;
    const Vec3 centre = normal * (-d / dot(normal, normal));
    const float signs[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
    std::array<Vec3, 4> corners;
    for (int c = 0; c < 4; ++c) {
        Vec3 p = centre;
        component(p, i) += signs[c][0] * component(size_, i);
        component(p, j) += signs[c][1] * component(size_, j);
        component(p, k) = -(d + component(normal, i) * component(p, i) + component(normal, j) * component(p, j)) /
                          component(normal, k);
        corners[c] = p;
    }
    return corners;
}

void ShadowPlane::drawQuad() const {
    glBegin(GL_QUADS);
    glNormal3f(plane[0], plane[1], plane[2]);
    for (const Vec3& p : quadCorners()) glVertex3f(p.x, p.y, p.z);
    glEnd();
}

void ShadowPlane::renderVisible(const Frustum&) { renderAll(); }

void ShadowPlane::renderAll() {
    if (!isEnabled()) return;
    const Mat4 flatten = planarShadowMatrix(planeFacingLight(), vec4Of(light));

    glPushAttrib(GL_ENABLE_BIT | GL_STENCIL_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_COLOR_BUFFER_BIT);
    glDisable(GL_LIGHTING);

    // The quad, grey, marks the stencil where it is seen. It lies in the plane, which the flattening leaves
    // where it is: it is drawn as it is, so that other passes drawing it find the same depths.
    glEnable(GL_STENCIL_TEST);
    glStencilMask(~0u);
    glStencilFunc(GL_ALWAYS, 1, 1);
    glStencilOp(GL_KEEP, GL_KEEP, GL_REPLACE);
    glColor3f(0.5f, 0.5f, 0.5f);
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_TRUE);
    glDepthFunc(GL_LEQUAL);
    glDisable(GL_CULL_FACE);
    drawQuad();

    glPushMatrix();
    glMultMatrixf(flatten.data());
    // The children flattened, black, over the marked pixels only. Their shaders may not change blending, depth
    // or stencil, nor cull: a single-sided caster throws its shadow whichever way it faces.
    glColor3f(0.0f, 0.0f, 0.0f);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glStencilFunc(GL_EQUAL, 1, 1);
    glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
    glDisable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ZERO, GL_ZERO);
    {
        const HeldLocks locks{RenderStateKind::Blend, RenderStateKind::ZBuffer, RenderStateKind::Stencil,
                              RenderStateKind::Cull};
        for (const auto& child : children()) child->renderAll();
    }
    glPopMatrix();

    // The marks are wiped, so that later stencil users (shadow volumes) find the stencil clear.
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
    glDisable(GL_BLEND);
    glStencilFunc(GL_ALWAYS, 0, 1);
    glStencilOp(GL_KEEP, GL_KEEP, GL_REPLACE);
    drawQuad();
    glPopAttrib();

    // The casters themselves.
    glColor3f(1.0f, 1.0f, 1.0f);
    for (const auto& child : children()) child->renderAll();
}

void finishNode(ShadowPlane& node) {
    for (const float v : node.plane)
        if (!std::isfinite(v)) throw std::runtime_error("shadow plane numbers are not finite");
    for (const float v : node.light)
        if (!std::isfinite(v)) throw std::runtime_error("shadow plane light numbers are not finite");
    // The quad is centred by dividing by the normal's squared length, and the flattening scales by P·L.
    const Vec3 normal{node.plane[0], node.plane[1], node.plane[2]};
    const float squared = dot(normal, normal);
    if (!std::isfinite(squared)) throw std::runtime_error("shadow plane normal is too long");
    if (squared < std::numeric_limits<float>::min()) throw std::runtime_error("shadow plane has no normal");
    const float along = dot(vec4Of(node.plane), vec4Of(node.light));
    if (!std::isfinite(along)) throw std::runtime_error("shadow plane light is too far");
    if (along == 0.0f) throw std::runtime_error("shadow plane light lies in the plane or along it");
    for (const Vec3& corner : node.quadCorners())
        if (!std::isfinite(corner.x) || !std::isfinite(corner.y) || !std::isfinite(corner.z))
            throw std::runtime_error("shadow plane quad is too large");
}

}  // namespace qv3rn
