// mesh_node.cpp -- the mesh node: the mesh from the cache, its per-frame values and its drawing passes.
#include "scene/mesh_node.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "data/script_parser.h"  // Required for: matches
#include "gl/extensions.h"
#include "mesh/mesh_manager.h"
#include "shader/render_state.h"  // Required for: RenderStateLocks

namespace qv3rn {

MeshType meshTypeOfLine(const std::string& line) {
    if (matches(line, "BUMPMAP_EDGEMESH")) return MeshType::BumpMapEdgeMesh;
    if (matches(line, "BUMPMAP")) return MeshType::BumpMap;
    if (matches(line, "EDGEMESH")) return MeshType::EdgeMesh;
    return MeshType::Static;
}

MeshType changingMeshTypeOfLine(const std::string& line) {
    if (matches(line, "MESH")) return MeshType::Static;
    if (matches(line, "BUMPMAP")) return MeshType::BumpMap;
    return MeshType::Static;
}

void recomputeNormals(Mesh& mesh) {
    mesh.computePlanes();
    auto& vertices = mesh.vertices();
    for (MeshVertex& vertex : vertices) vertex.normal = {};
    const int count = mesh.vertexCount();
    for (const MeshTriangle& triangle : mesh.triangles())
        for (const std::int32_t index : triangle.vertices)
            if (index >= 0 && index < count) vertices[index].normal += triangle.normal();
    for (MeshVertex& vertex : vertices) vertex.normal = vertex.normal.normalized();
}

MeshNode::MeshNode() : SceneNode(NodeType::Mesh) {}
MeshNode::MeshNode(NodeType type) : SceneNode(type) {}
MeshNode::~MeshNode() = default;

void MeshNode::setMesh(Mesh* mesh) {
    mesh_ = mesh;
    if (!mesh_) return;
    if (lazyPoints_ && lazyBase_.empty()) setLazyPoints(true);
    fitSphereToMesh();
}

void MeshNode::fitSphereToMesh() {
    const Sphere sphere = Sphere::aroundBox(mesh_->bounds());
    setBoundingSphere(sphere.center, sphere.radius);
}

void MeshNode::setLazyPoints(bool on) {
    lazyPoints_ = on;
    if (!on || !mesh_ || !lazyBase_.empty()) return;
    lazyBase_.reserve(static_cast<std::size_t>(mesh_->vertexCount()));
    for (const MeshVertex& vertex : mesh_->vertices()) lazyBase_.push_back(vertex.position);
}

void MeshNode::updateSelf(float time) {
    if (glowShells > 0) {
        glowIntensity = glowIntensityEnvelope_ ? glowIntensityEnvelope_->evaluate(time) : 0.1f;
        glowSize = glowSizeEnvelope_ ? glowSizeEnvelope_->evaluate(time) : 1.0f;
        glowShininess = glowShininessEnvelope_ ? glowShininessEnvelope_->evaluate(time) : 30.0f;
    }
    if (zoom) {
        zoomOrigin = time;
        zoomCount = zoomCountEnvelope_ ? zoomCountEnvelope_->evaluate(time) : 0.0f;
        zoomTime = zoomTimeEnvelope_ ? zoomTimeEnvelope_->evaluate(time) : 0.0f;
    }
    if (!lazyPoints_ || lazyBase_.empty() || !mesh_) return;

    // Each vertex follows the node's motion late by its distance from the origin times the lag rate: it is
    // placed where the keyframer's turn and shift of that earlier time put it, relative to where the node is
    // now, and the node itself stops turning (the vertices carry the turn).
    const KeyframerBase* frames = keyframer();
    auto& vertices = mesh_->vertices();
    const std::size_t count = std::min(lazyBase_.size(), static_cast<std::size_t>(mesh_->vertexCount()));
    for (std::size_t i = 0; i < count; ++i) {
        const Vec3& base = lazyBase_[i];
        const float at = time - base.length() * lazyLagRate;
        const Vec3 shift = frames ? frames->getPosition(at) - position() : Vec3{};
        const Mat4 turn = frames ? frames->getRotationMatrix(at) : rotation();
        vertices[i].position = turn.transformVectorByRows(base) + shift;
    }
    setRotation({}, 0.0f);
    recomputeNormals(*mesh_);
}

void MeshNode::draw() {
    if (!mesh_) return;
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    mesh_->enableArrays();
    if (!twoPassBlending) {
        mesh_->drawAll(true);
    } else {
        mesh_->drawOpaque(true);
        drawBlendedTwoPass();
    }
    if (zoom && zoomCount >= 1.0f) drawZoomGhosts();
    mesh_->disableArrays();
    if (glowShells > 0 && glowSize > 0.0f && glowIntensity > 0.0f) drawGlowShells();
    if (particles) drawParticles();
}

void MeshNode::drawOpaqueHalf() {
    if (!mesh_) return;
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    mesh_->enableArrays();
    mesh_->drawOpaque(true);
    mesh_->disableArrays();
}

void MeshNode::drawBlendedHalf() {
    if (!mesh_) return;
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    mesh_->enableArrays();
    drawBlendedTwoPass();
    mesh_->disableArrays();
    if (particles) drawParticles();
}

void MeshNode::drawBlendedTwoPass() {
    if (surfaceBlending) {
        // Blended surfaces lie on top of the opaque ones: drawn where they are not behind them, leaving the depth
        // buffer as it is.
        RenderStateLocks::setLocked(RenderStateKind::ZBuffer, true);
        glDepthMask(GL_FALSE);
        glDepthFunc(GL_LEQUAL);
        mesh_->drawBlended(true);
        glDepthMask(GL_TRUE);
        glDepthFunc(GL_LESS);
        RenderStateLocks::setLocked(RenderStateKind::ZBuffer, false);
        return;
    }
    // Blended volumes: the far (front-culled) faces first, then the near faces weighted by what the destination
    // alpha left, so that the inside shows through the outside.
    const bool separate = GL_EXT_blend_func_separate_Flag && glBlendFuncSeparateEXT;
    for (const RenderStateKind kind : {RenderStateKind::Blend, RenderStateKind::Cull, RenderStateKind::ZBuffer})
        RenderStateLocks::setLocked(kind, true);
    glPushAttrib(GL_ENABLE_BIT);
    glDepthMask(GL_FALSE);
    glEnable(GL_BLEND);
    glEnable(GL_CULL_FACE);
    if (separate)
        glBlendFuncSeparateEXT(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_SRC_ALPHA, GL_ZERO);
    else
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDepthFunc(GL_LESS);
    glCullFace(GL_FRONT);
    mesh_->drawBlended(true);
    if (separate)
        glBlendFuncSeparateEXT(GL_ONE_MINUS_DST_ALPHA, GL_DST_ALPHA, GL_DST_ALPHA, GL_ZERO);
    else
        glBlendFunc(GL_ONE_MINUS_DST_ALPHA, GL_DST_ALPHA);
    glDepthFunc(GL_LESS);
    glCullFace(GL_BACK);
    mesh_->drawBlended(true);
    glDepthMask(GL_TRUE);
    glPopAttrib();
    for (const RenderStateKind kind : {RenderStateKind::Blend, RenderStateKind::Cull, RenderStateKind::ZBuffer})
        RenderStateLocks::setLocked(kind, false);
}

namespace {

// What the keyframer's transform at `time` multiplies onto the OpenGL matrix (identity without keyframer).
Mat4 keyframerMatrixAt(const KeyframerBase* frames, float time) {
    if (!frames) return Mat4::identity();
    return nodeMatrixOf(frames->getRotationMatrix(time), frames->getScale(time), frames->getPosition(time));
}

}  // namespace

void MeshNode::drawZoomGhosts() {
    const int count = static_cast<int>(std::trunc(std::min(zoomCount, static_cast<float>(maxZoomGhosts))));
    if (count < 1 || zoomOrigin < zoomTime) return;
    const float step = (zoomOrigin - zoomTime) / static_cast<float>(count);
    Shader* shader = zoomShader_.get();
    if (shader) shader->begin();
    // The node matrix holds the keyframer's transform of now; each ghost replaces it with the transform of an
    // earlier time in the window [zoomTime, zoomOrigin).
    const KeyframerBase* frames = keyframer();
    const auto undoNow = keyframerMatrixAt(frames, zoomOrigin).inverted();
    glPushMatrix();
    if (undoNow) glMultMatrixf(undoNow->data());
    for (int k = 0; k < count; ++k) {
        glPushMatrix();
        glMultMatrixf(keyframerMatrixAt(frames, zoomTime + static_cast<float>(k) * step).data());
        mesh_->drawAll(shader == nullptr);
        glPopMatrix();
    }
    glPopMatrix();
    if (shader) shader->end();
}

void MeshNode::drawGlowShells() {
    glPushAttrib(GL_LIGHTING_BIT | GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (glowShader_) glowShader_->begin();
    glDisable(GL_COLOR_MATERIAL);
    const GLfloat black[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, black);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, glowShininess);
    glColorMaterial(GL_FRONT_AND_BACK, GL_SPECULAR);
    glEnable(GL_COLOR_MATERIAL);
    const auto& vertices = mesh_->vertices();
    const int vertexCount = mesh_->vertexCount();
    // Shell i of N sits i/N of the glow size out along the normals and fades with that fraction.
    for (int i = 1; i <= glowShells; ++i) {
        const float f = static_cast<float>(i) / static_cast<float>(glowShells);
        const float fade = (1.0f - f) * glowIntensity;
        glColor4f(fade * glowColor[0], fade * glowColor[1], fade * glowColor[2], fade * glowColor[3]);
        const float out = f * glowSize;
        glBegin(GL_TRIANGLES);
        for (const MeshTriangle& triangle : mesh_->triangles())
            for (const std::int32_t index : triangle.vertices) {
                if (index < 0 || index >= vertexCount) continue;
                const MeshVertex& v = vertices[index];
                glNormal3f(v.normal.x, v.normal.y, v.normal.z);
                const Vec3 p = v.position + v.normal * out;
                glVertex3f(p.x, p.y, p.z);
            }
        glEnd();
    }
    if (glowShader_) glowShader_->end();
    glPopAttrib();
}

void MeshNode::drawParticles() {
    if (GL_ARB_point_parameters_Flag && glPointParameterfARB && glPointParameterfvARB) {
        glPointParameterfARB(GL_POINT_SIZE_MIN_ARB, particleSize[0]);
        glPointParameterfARB(GL_POINT_SIZE_MAX_ARB, particleSize[1]);
        glPointParameterfARB(GL_POINT_FADE_THRESHOLD_SIZE_ARB, particleThreshold);
        glPointParameterfvARB(GL_POINT_DISTANCE_ATTENUATION_ARB, particleAttenuation.data());
    } else if (GL_EXT_point_parameters_Flag && glPointParameterfEXT && glPointParameterfvEXT) {
        glPointParameterfEXT(GL_POINT_SIZE_MIN_EXT, particleSize[0]);
        glPointParameterfEXT(GL_POINT_SIZE_MAX_EXT, particleSize[1]);
        glPointParameterfEXT(GL_POINT_FADE_THRESHOLD_SIZE_EXT, particleThreshold);
        glPointParameterfvEXT(GL_DISTANCE_ATTENUATION_EXT, particleAttenuation.data());
    } else {
        return;  // sized points need the point parameters
    }
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glDepthMask(GL_FALSE);
    glColor4fv(particleColor.data());
    glBegin(GL_POINTS);
    for (const MeshVertex& v : mesh_->vertices()) glVertex3f(v.position.x, v.position.y, v.position.z);
    glEnd();
    glDisable(GL_BLEND);
    glDepthMask(GL_TRUE);
}

void finishNode(EdgeMeshNode& node) {
    if (!node.mesh()) throw std::runtime_error("edge mesh has no \"Object\" line");
}

}  // namespace qv3rn
