// mirror_node.cpp -- the mirror pass: the stencil mark, the reflected nodes, and the mirror mesh over them.
#include "scene/mirror_node.h"

#include <GL/gl.h>

#include <cmath>
#include <stdexcept>

#include "scene/default_lighting_group.h"

namespace qv3rn {

namespace {

float& axis(Vec3& v, int i) { return i == 0 ? v.x : i == 1 ? v.y : v.z; }
float axis(const Vec3& v, int i) { return i == 0 ? v.x : i == 1 ? v.y : v.z; }

}  // namespace

void MirrorNode::setMesh(Mesh* mesh) {
    mesh_ = mesh;
    if (mesh_) {
        const Sphere sphere = Sphere::aroundBox(mesh_->bounds());
        setBoundingSphere(sphere.center, sphere.radius);
    }
}

std::array<Vec3, 4> MirrorNode::planeCorners() const {
    const Vec3 normal{plane[0], plane[1], plane[2]};
    int k = 0;
    for (int a = 1; a < 3; ++a)
        if (std::fabs(axis(normal, a)) > std::fabs(axis(normal, k))) k = a;
    const int i = k == 0 ? 1 : 0;
    const int j = k == 2 ? 1 : 2;
    static constexpr float signs[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
    std::array<Vec3, 4> corners;
    for (int c = 0; c < 4; ++c) {
        Vec3 p = planePosition;
        axis(p, i) += signs[c][0] * axis(planeSize, i);
        axis(p, j) += signs[c][1] * axis(planeSize, j);
        corners[c] = p;
    }
    return corners;
}

void MirrorNode::fitSphereToPlane() {
    const auto corners = planeCorners();
    setBoundingSphere(planePosition, (corners[2] - corners[0]).length() * 0.51f);
}

Vec3 MirrorNode::mirrorNormal() const {
    if (kind == Kind::Plane) return {plane[0], plane[1], plane[2]};
    if (!mesh_ || mesh_->triangles().size() == 0) return {};
    return mesh_->triangles()[0].normal();
}

Mat4 MirrorNode::reflection(const Vec3& normal) {
    // I - 2 n n^T for the unit normal: the plane's own numbers would scale the picture by their squared length.
    const Vec3 n = normal * (1.0f / normal.length());
    const float a = n.x, b = n.y, c = n.z;
    Mat4 m;
    m[0] = b * b + c * c - a * a, m[1] = -2 * a * b, m[2] = -2 * a * c;
    m[4] = -2 * a * b, m[5] = a * a + c * c - b * b, m[6] = -2 * b * c;
    m[8] = -2 * a * c, m[9] = -2 * b * c, m[10] = a * a + b * b - c * c;
    return m;
}

void MirrorNode::resolveNames(SceneNode& root) {
    for (const std::string& name : attachNames)
        if (SceneNode* node = root.findByName(name)) attached_.push_back(node);
    attachNames.clear();
}

void MirrorNode::drawSurface(bool applyShaders) {
    if (kind == Kind::Mesh) {
        mesh_->enableArrays();
        mesh_->drawAll(applyShaders);
        mesh_->disableArrays();
        return;
    }
    // The rectangle has no front: it marks the stencil seen from either side.
    glPushAttrib(GL_ENABLE_BIT);
    glDisable(GL_CULL_FACE);
    glBegin(GL_QUADS);
    for (const Vec3& p : planeCorners()) glVertex3f(p.x, p.y, p.z);
    glEnd();
    glPopAttrib();
}

void MirrorNode::draw() {
    const Vec3 normal = mirrorNormal();
    if (drawing_ || (kind == Kind::Mesh && !mesh_) || !(normal.length() > 0.0f)) return;
    drawing_ = true;
    glPushAttrib(GL_ENABLE_BIT | GL_STENCIL_BUFFER_BIT | GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT |
                 GL_POLYGON_BIT);

    // Mark the mirror's pixels with 1.
    glStencilOp(GL_REPLACE, GL_REPLACE, GL_REPLACE);
    glStencilFunc(GL_ALWAYS, 1, 1);
    glEnable(GL_STENCIL_TEST);
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
    glDepthMask(GL_FALSE);
    drawSurface(false);

    // Draw only there.
    glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
    glStencilFunc(GL_EQUAL, 1, 1);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glDepthMask(GL_TRUE);

    // The attached nodes are placed by their world matrices: reflect them through the mirror's plane where the
    // mirror stands (back to world space, reflect, out to the mirror again), not through the world's origin.
    // A reflection turns every face's winding round, so the front faces are the clockwise ones meanwhile.
    glPushMatrix();
    glMultMatrixf(reflection(normal).data());
    if (const auto toNode = nodeMatrix().inverted()) glMultMatrixf(toNode->data());
    GLint front = GL_CCW;
    glGetIntegerv(GL_FRONT_FACE, &front);
    glFrontFace(front == GL_CCW ? GL_CW : GL_CCW);
    drawLitPasses(attached_);
    glFrontFace(static_cast<GLenum>(front));
    glPopMatrix();

    if (kind == Kind::Mesh) drawSurface(true);
    glPopAttrib();
    drawing_ = false;
}

}  // namespace qv3rn

namespace qv3rn {

void finishNode(MirrorNode& node) {
    if (node.kind == MirrorNode::Kind::Mesh && !node.mesh())
        throw std::runtime_error("mesh mirror has no \"Mesh\" line");
    const Vec3 normal = node.mirrorNormal();
    if (!(normal.length() > 1e-6f) || !std::isfinite(normal.length()))
        throw std::runtime_error(node.kind == MirrorNode::Kind::Mesh ? "mirror mesh has no face plane"
                                                                     : "mirror plane has no normal");
    if (node.kind == MirrorNode::Kind::Plane) node.fitSphereToPlane();
}

}  // namespace qv3rn
