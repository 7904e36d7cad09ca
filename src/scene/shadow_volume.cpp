// shadow_volume.cpp -- building shadow volumes from edge meshes, counting them in the stencil buffer and
// darkening what lies inside them.
#include "scene/shadow_volume.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <cmath>

#include "core/message_hook.h"
#include "gl/extensions.h"
#include "scene/camera_node.h"
#include "scene/light.h"
#include "scene/mesh_node.h"
#include "shader/camera_mgr.h"

namespace qv3rn {

namespace {

constexpr GLuint allBits = ~0u;

bool isLightType(NodeType type) {
    return type == NodeType::PointLight || type == NodeType::DirectionalLight || type == NodeType::SpotLight;
}

// A light casts when the frustum sees its sphere; a directional light shines from everywhere at once, so the
// place of its node does not count.
bool seen(const SceneNode& light, const Frustum* frustum) {
    return !frustum || light.type() == NodeType::DirectionalLight || frustum->intersects(light.worldSphere());
}

// Loads the infinite projection of the current scene camera for the life of the object; without one the
// projection stays as it is.
class InfiniteProjection {
public:
    InfiniteProjection() {
        const auto* camera = dynamic_cast<const SceneCamera*>(CameraMgr::instance().currentCamera());
        glMatrixMode(GL_PROJECTION);
        glPushMatrix();
        if (camera) glLoadMatrixf(infiniteProjection(camera->fov, camera->zNear, camera->width, camera->height).data());
        glMatrixMode(GL_MODELVIEW);
    }
    ~InfiniteProjection() {
        glMatrixMode(GL_PROJECTION);
        glPopMatrix();
        glMatrixMode(GL_MODELVIEW);
    }
    InfiniteProjection(const InfiniteProjection&) = delete;
    InfiniteProjection& operator=(const InfiniteProjection&) = delete;
};

// Sides as quads, then caps as triangles, from the homogeneous buffers.
void drawVolume(EdgeMesh& mesh) {
    glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glEnableClientState(GL_VERTEX_ARRAY);
    const bool lock = GL_EXT_compiled_vertex_array_Flag && glLockArraysEXT && glUnlockArraysEXT;
    const auto draw = [lock](FixedArray<Vec4>& buffer, GLenum mode) {
        const auto count = static_cast<GLsizei>(buffer.size());
        if (count == 0) return;
        glVertexPointer(4, GL_FLOAT, 0, buffer.data());
        if (lock) glLockArraysEXT(0, count);
        glDrawArrays(mode, 0, count);
        if (lock) glUnlockArraysEXT();
    };
    draw(mesh.sideBuffer(), GL_QUADS);
    draw(mesh.capBuffer(), GL_TRIANGLES);
    glPopClientAttrib();
}

// Depth-fail counting: every volume face behind the scene adds one for one winding and takes one for the
// other, so pixels inside a volume end with a count other than zero.
void countVolume(EdgeMesh& mesh) {
    glPushAttrib(GL_COLOR_BUFFER_BIT | GL_ENABLE_BIT | GL_STENCIL_BUFFER_BIT | GL_DEPTH_BUFFER_BIT |
                 GL_POLYGON_BIT);
    glDisable(GL_LIGHTING);
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    glDepthFunc(GL_LESS);
    glColor4f(0.0f, 0.0f, 0.0f, 0.0f);
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
    glEnable(GL_STENCIL_TEST);
    glStencilMask(allBits);
    switch (stencilPath()) {
    case StencilPath::Separate:
        glDisable(GL_CULL_FACE);
        glStencilFunc(GL_ALWAYS, 1, allBits);
        glStencilOpSeparateATI(GL_BACK, GL_KEEP, GL_DECR_WRAP_EXT, GL_KEEP);
        glStencilOpSeparateATI(GL_FRONT, GL_KEEP, GL_INCR_WRAP_EXT, GL_KEEP);
        drawVolume(mesh);
        glStencilFunc(GL_ALWAYS, 0, allBits);
        glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
        glEnable(GL_CULL_FACE);
        break;
    case StencilPath::TwoSided:
        glDisable(GL_CULL_FACE);
        glEnable(GL_STENCIL_TEST_TWO_SIDE_EXT);
        glActiveStencilFaceEXT(GL_FRONT);
        glStencilFunc(GL_ALWAYS, 1, allBits);
        glStencilOp(GL_KEEP, GL_DECR_WRAP_EXT, GL_KEEP);
        glActiveStencilFaceEXT(GL_BACK);
        glStencilFunc(GL_ALWAYS, 1, allBits);
        glStencilMask(allBits);
        glStencilOp(GL_KEEP, GL_INCR_WRAP_EXT, GL_KEEP);
        drawVolume(mesh);
        // The back face's settings go back to what the front face had before, then only the front is active.
        glStencilFunc(GL_ALWAYS, 0, allBits);
        glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
        glActiveStencilFaceEXT(GL_FRONT);
        glDisable(GL_STENCIL_TEST_TWO_SIDE_EXT);
        glEnable(GL_CULL_FACE);
        glStencilFunc(GL_ALWAYS, 0, allBits);
        break;
    case StencilPath::TwoPass:
        // Each pass must see one winding only: culling of back faces is switched on whatever it was.
        glEnable(GL_CULL_FACE);
        glCullFace(GL_BACK);
        glStencilFunc(GL_ALWAYS, 1, allBits);
        glFrontFace(GL_CW);
        glStencilOp(GL_KEEP, GL_INCR_WRAP_EXT, GL_KEEP);
        drawVolume(mesh);
        glFrontFace(GL_CCW);
        glStencilOp(GL_KEEP, GL_DECR_WRAP_EXT, GL_KEEP);
        drawVolume(mesh);
        glStencilFunc(GL_ALWAYS, 0, allBits);
        break;
    }
    glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glDisable(GL_STENCIL_TEST);
    glDepthFunc(GL_LEQUAL);
    glPopAttrib();
}

// Blends the shadow colour over the counted pixels once each and sets their count back to zero: one quad over
// the viewport whose stencil test keeps the counted pixels, far fewer pixels than the volume's faces drawn again.
// The stencil alone says which pixels lie in shadow, so the eye inside a volume, or a volume's nearest faces cut
// off by the near plane, still darkens every counted pixel.
void darkenCounted(const std::array<float, 4>& colour) {
    glPushAttrib(GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT |
                 GL_CURRENT_BIT | GL_TRANSFORM_BIT);
    glDisable(GL_LIGHTING);
    glDisable(GL_CULL_FACE);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    glEnable(GL_STENCIL_TEST);
    glStencilFunc(GL_NOTEQUAL, 0, allBits);
    glStencilOp(GL_KEEP, GL_KEEP, GL_ZERO);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4fv(colour.data());
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glBegin(GL_QUADS);
    glVertex2f(-1.0f, -1.0f);
    glVertex2f(1.0f, -1.0f);
    glVertex2f(1.0f, 1.0f);
    glVertex2f(-1.0f, 1.0f);
    glEnd();
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
    glPopAttrib();
}

}  // namespace

void gatherLightNodes(const SceneNode& node, bool (*wanted)(NodeType), std::vector<SceneNode*>& lights) {
    for (const auto& child : node.children()) {
        if (!child->isEnabled()) continue;
        if (wanted(child->type())) lights.push_back(child.get());
        gatherLightNodes(*child, wanted, lights);
    }
}

bool buildShadowVolume(EdgeMesh& mesh, const VolumeLight& light, float extrusion) {
    FixedArray<Vec4>& sides = mesh.sideBuffer();
    FixedArray<Vec4>& caps = mesh.capBuffer();
    sides.clear();
    caps.clear();
    if (mesh.edgeTriangles().empty()) return false;

    const Vec3 l = light.position;
    const Vec3 d = light.direction;
    const float e = extrusion;
    // Where a corner goes when the volume is pushed away from the light. A point light's corners go to
    // infinity along the ray from the light (seen from a light drawn in by 1 / (e + 1), which keeps every side
    // quad flat); a directional light's all to the one point at infinity opposite the light; a spot light's
    // `e` units along the ray from the light.
    const auto far = [&](const Vec3& p) -> Vec4 {
        switch (light.kind) {
        case VolumeLight::Kind::Point: return {p * (e + 1.0f) - l * e, 0.0f};
        case VolumeLight::Kind::Directional: return {-d, 0.0f};
        case VolumeLight::Kind::Spot: return {p + (p - l).normalized() * e, 1.0f};
        }
        return {};
    };
    const auto facesLight = [&](const MeshTriangle& t) {
        const Vec3 n = t.normal();
        switch (light.kind) {
        case VolumeLight::Kind::Point: return dot(n, l) + t.plane[3] >= 0.0f;
        case VolumeLight::Kind::Directional: return dot(n, d) >= 0.0f;
        case VolumeLight::Kind::Spot: return dot(n, l) + t.plane[3] > 0.0f;
        }
        return false;
    };

    const FixedArray<MeshVertex>& vertices = mesh.vertices();
    const auto count = static_cast<std::int32_t>(vertices.size());
    const auto cornersOf = [&](const MeshTriangle& triangle, Vec3 (&corners)[3]) {
        for (int k = 0; k < 3; ++k) {
            const std::int32_t index = triangle.vertices[k];
            if (index < 0 || index >= count) return false;
            corners[k] = vertices[static_cast<std::size_t>(index)].position;
        }
        return true;
    };
    FixedArray<EdgeTriangle>& triangles = mesh.edgeTriangles();
    for (EdgeTriangle& entry : triangles) {
        Vec3 corners[3];
        entry.facesLight = cornersOf(*entry.triangle, corners) && facesLight(*entry.triangle);
    }

    // The side across corner k's edge (a, b) of a lit triangle is needed only where the triangle on the other
    // side does not face the light or is missing: two lit triangles would give two opposite quads that cancel
    // in the count and only cost fill. An edge table entry that does not join a and b, or that lost this
    // triangle to a third one on the same edge, gives its side anyway.
    const FixedArray<MeshEdge>& edges = mesh.edges();
    const auto triangleCount = static_cast<std::int32_t>(triangles.size());
    const auto onSilhouette = [&](const EdgeTriangle& entry, std::int32_t self, std::int32_t a, std::int32_t b,
                                  int k) {
        const std::int32_t index = entry.edges[k];
        if (index < 0 || static_cast<std::size_t>(index) >= edges.size()) return true;
        const MeshEdge& edge = edges[static_cast<std::size_t>(index)];
        if (a == b || !edge.hasVertex(a) || !edge.hasVertex(b)) return true;
        if (edge.triangles[0] != self && edge.triangles[1] != self) return true;
        const std::int32_t other = edge.triangles[0] == self ? edge.triangles[1] : edge.triangles[0];
        return other < 0 || other >= triangleCount || other == self ||
               !triangles[static_cast<std::size_t>(other)].facesLight;
    };

    for (std::int32_t i = 0; i < triangleCount; ++i) {
        const EdgeTriangle& entry = triangles[static_cast<std::size_t>(i)];
        const MeshTriangle& triangle = *entry.triangle;
        Vec3 corners[3];
        if (!cornersOf(triangle, corners)) continue;
        if (!entry.facesLight) {
            for (const Vec3& corner : corners) caps.append(far(corner));
            continue;
        }
        for (int k = 0; k < 3; ++k) {
            if (!onSilhouette(entry, i, triangle.vertices[k], triangle.vertices[(k + 1) % 3], k)) continue;
            const Vec3& a = corners[k];
            const Vec3& b = corners[(k + 1) % 3];
            sides.append({a, 1.0f});
            sides.append(far(a));
            sides.append(far(b));
            sides.append({b, 1.0f});
        }
        for (const Vec3& corner : corners) caps.append({corner, 1.0f});
    }
    return true;
}

VolumeLight volumeLightIn(const SceneNode& node, const SceneNode& light) {
    VolumeLight result;
    const Vec3 origin = node.worldPosition();
    switch (light.type()) {
    case NodeType::DirectionalLight:
        result.kind = VolumeLight::Kind::Directional;
        result.direction = intoNodeAxes(node, static_cast<const DirectionalLight&>(light).direction).normalized();
        break;
    case NodeType::SpotLight:
        result.kind = VolumeLight::Kind::Spot;
        result.position = intoNodeAxes(node, static_cast<const SpotLight&>(light).lightPosition - origin);
        break;
    default:
        result.kind = VolumeLight::Kind::Point;
        result.position = intoNodeAxes(node, light.worldPosition() - origin);
        break;
    }
    return result;
}

StencilPath stencilPath() {
    if (GL_ATI_separate_stencil_Flag && glStencilOpSeparateATI) return StencilPath::Separate;
    if (GL_EXT_stencil_two_side_Flag && glActiveStencilFaceEXT) return StencilPath::TwoSided;
    return StencilPath::TwoPass;
}

// The depth row keeps the far plane at infinity and points at infinity (w = 0) a hair inside it, at depth
// 0.99999988 of the way.
Mat4 infiniteProjection(float fovDegrees, float zNear, int width, int height) {
    const float top = zNear * std::tan(fovDegrees * 3.14159265f / 360.0f);
    const float right = top * static_cast<float>(width) / static_cast<float>(height > 0 ? height : 1);
    const float numbers[16] = {zNear / right, 0.0f, 0.0f, 0.0f,         0.0f, zNear / top, 0.0f, 0.0f,
                               0.0f, 0.0f, -0.99999988f, -1.0f,         0.0f, 0.0f, -1.9999998f * zNear, 0.0f};
    return Mat4::fromArray(numbers);
}

const std::vector<SceneNode*>& ShadowVolumeGroup::lights() const {
    if (!lightsGathered_ && isEnabled()) {
        // The group itself is no light: the search starts at its children.
        gatherLightNodes(lightSource_ ? *lightSource_ : *this, isLightType, lights_);
        lightsGathered_ = true;
    }
    return lights_;
}

void ShadowVolumeGroup::renderAll() { render(nullptr); }

void ShadowVolumeGroup::renderVisible(const Frustum& frustum) { render(&frustum); }

void ShadowVolumeGroup::render(const Frustum* frustum) {
    if (!isEnabled()) return;
    lights();
    glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
    glStencilMask(allBits);
    glStencilFunc(GL_ALWAYS, 0, allBits);
    glDisable(GL_STENCIL_TEST);

    drawCasters([this, frustum] {
        if (frustum)
            SceneNode::renderVisible(*frustum);
        else
            SceneNode::renderAll();
    });

    std::vector<SceneNode*> nodes;
    if (frustum)
        collectVisible(*frustum, nodes);
    else
        collectEnabled(nodes);
    castShadows(nodes, frustum);
}

// The subtree is drawn under the same projection as the volumes: their near caps must meet its depth exactly,
// and the polygon offset pulls the subtree in front of the caps by no more than two steps.
void ShadowVolumeGroup::drawCasters(const std::function<void()>& draw) {
    InfiniteProjection projection;
    GLfloat offset[2] = {0.0f, 0.0f};
    glGetFloatv(GL_POLYGON_OFFSET_FACTOR, &offset[0]);
    glGetFloatv(GL_POLYGON_OFFSET_UNITS, &offset[1]);
    glPolygonOffset(0.0f, -2.0f);
    glEnable(GL_POLYGON_OFFSET_FILL);
    draw();
    glDisable(GL_POLYGON_OFFSET_FILL);
    glPolygonOffset(offset[0], offset[1]);
}

void ShadowVolumeGroup::castShadows(const std::vector<SceneNode*>& nodes, const Frustum* frustum) {
    InfiniteProjection projection;
    for (SceneNode* light : lights())
        if (seen(*light, frustum)) castShadowsOf(*light, nodes);
    glDisable(GL_STENCIL_TEST);
}

void ShadowVolumeGroup::castShadowsOf(SceneNode& light, const std::vector<SceneNode*>& nodes) {
    for (SceneNode* node : nodes) {
        if (node->type() != NodeType::Mesh) continue;
        auto* meshNode = static_cast<MeshNode*>(node);
        if (meshNode->meshType != MeshType::EdgeMesh && meshNode->meshType != MeshType::BumpMapEdgeMesh) continue;
        if (!meshNode->mesh()) continue;
        auto* mesh = dynamic_cast<EdgeMesh*>(meshNode->mesh());
        // A mesh the cache held as a plain mesh, or one without triangles, has nothing to extrude.
        if (!mesh || !buildShadowVolume(*mesh, volumeLightIn(*node, light), extrusion)) {
            if (reported_.insert(meshNode->mesh()).second) showMessage("F##K", "no edge triangles");
            continue;
        }
        glPushMatrix();
        glMultMatrixf(node->nodeMatrix().data());
        countVolume(*mesh);
        glPopMatrix();
        darkenCounted(shadowColor);
    }
}

}  // namespace qv3rn
