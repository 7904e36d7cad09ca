// per_pixel_lighting.cpp -- the light passes, the surface pass and the bump-mapped passes of the per-pixel
// lighting groups.
#include "scene/per_pixel_lighting.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <cmath>

#include "core/log.h"
#include "gl/extensions.h"
#include "scene/light.h"
#include "scene/mesh_node.h"
#include "scene/point_light.h"
#include "shader/shader.h"

namespace qv3rn {

namespace {

bool isPerPixelLight(NodeType type) { return type == NodeType::PointLight || type == NodeType::SpotLight; }

std::array<float, 4> colourOf(SceneNode& light) {
    if (light.type() == NodeType::PointLight) return static_cast<PointLight&>(light).color;
    return static_cast<SpotLight&>(light).diffuse;
}

// How far the light reaches along each axis: a point light's radius vector, a spot light's length. False when
// an axis has no reach: the light's sphere is flat and lights nothing.
bool reachOf(SceneNode& light, Vec3& reach) {
    if (light.type() == NodeType::PointLight) {
        const Vec3& r = static_cast<PointLight&>(light).radius;
        reach = {std::fabs(r.x), std::fabs(r.y), std::fabs(r.z)};
    } else {
        const float length = std::fabs(static_cast<SpotLight&>(light).length);
        reach = {length, length, length};
    }
    return reach.x > 0.0f && reach.y > 0.0f && reach.z > 0.0f;
}

// The mesh of a mesh node that `light` can reach.
Mesh* litMesh(SceneNode& node, SceneNode& light) {
    if (node.type() != NodeType::Mesh || !node.worldSphere().intersects(light.worldSphere())) return nullptr;
    return static_cast<MeshNode&>(node).mesh();
}

// A light lights while it is enabled (an enable envelope may switch it off after the list was gathered) and
// while the frustum, if any, sees its sphere.
bool seenLight(const SceneNode& light, const Frustum* frustum) {
    return light.isEnabled() && (!frustum || frustum->intersects(light.worldSphere()));
}

void multiTexCoord(GLenum unit, float s, float t, float r, int count) {
    if (glMultiTexCoord3fARB) {
        if (count == 1) glMultiTexCoord1fARB(unit, s);
        else if (count == 2) glMultiTexCoord2fARB(unit, s, t);
        else glMultiTexCoord3fARB(unit, s, t, r);
    } else if (unit == GL_TEXTURE0_ARB) {
        glTexCoord3f(s, t, count == 3 ? r : 0.0f);
    }
}

void activeUnit(GLenum unit) {
    if (glActiveTextureARB) glActiveTextureARB(unit);
}

// Calls `corner(vertex)` for each corner of the triangles whose shader is not blended, inside one
// glBegin(GL_TRIANGLES); corners with an index outside the vertex array leave their triangle out.
template <typename Corner>
void drawUnblendedTriangles(const Mesh& mesh, Corner&& corner) {
    const auto& vertices = mesh.vertices();
    const auto count = static_cast<std::int32_t>(vertices.size());
    glBegin(GL_TRIANGLES);
    for (const MeshTriangle& triangle : mesh.triangles()) {
        if (triangle.shader && triangle.shader->isBlended()) continue;
        const std::int32_t* v = triangle.vertices;
        if (std::any_of(v, v + 3, [count](std::int32_t i) { return i < 0 || i >= count; })) continue;
        for (int k = 0; k < 3; ++k) corner(vertices[static_cast<std::size_t>(v[k])]);
    }
    glEnd();
}

// The light's colour, position and inverse reach as local parameters 0, 1 and 2 of both program stages.
void loadLightParameters(const std::array<float, 4>& colour, const Vec3& position, const Vec3& reach) {
    if (!glProgramLocalParameter4fvARB) return;
    const float where[4] = {position.x, position.y, position.z, 1.0f};
    const float inverse[4] = {1.0f / reach.x, 1.0f / reach.y, 1.0f / reach.z, 0.0f};
    const GLenum targets[2] = {GL_VERTEX_PROGRAM_ARB, GL_FRAGMENT_PROGRAM_ARB};
    const bool available[2] = {GL_ARB_vertex_program_Flag, GL_ARB_fragment_program_Flag};
    for (int i = 0; i < 2; ++i) {
        if (!available[i]) continue;
        glProgramLocalParameter4fvARB(targets[i], 0, colour.data());
        glProgramLocalParameter4fvARB(targets[i], 1, where);
        glProgramLocalParameter4fvARB(targets[i], 2, inverse);
    }
}

// The depth function and write mask, the blend function and unit 1's environment colour, put back as they
// were when the object goes: popping the attribute stack does not bring them back once a shader has pushed
// and popped its own group in between (seen with Mesa).
class SavedPassState {
public:
    SavedPassState() {
        glGetIntegerv(GL_DEPTH_FUNC, &function_);
        glGetBooleanv(GL_DEPTH_WRITEMASK, &mask_);
        glGetIntegerv(GL_BLEND_SRC, &blend_[0]);
        glGetIntegerv(GL_BLEND_DST, &blend_[1]);
        activeUnit(GL_TEXTURE1_ARB);
        glGetTexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_COLOR, colour_);
        activeUnit(GL_TEXTURE0_ARB);
    }
    ~SavedPassState() {
        glDepthFunc(static_cast<GLenum>(function_));
        glDepthMask(mask_);
        glBlendFunc(static_cast<GLenum>(blend_[0]), static_cast<GLenum>(blend_[1]));
        activeUnit(GL_TEXTURE1_ARB);
        glTexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_COLOR, colour_);
        activeUnit(GL_TEXTURE0_ARB);
    }
    SavedPassState(const SavedPassState&) = delete;
    SavedPassState& operator=(const SavedPassState&) = delete;

private:
    GLint function_ = GL_LEQUAL;
    GLboolean mask_ = GL_TRUE;
    GLint blend_[2] = {GL_ONE, GL_ZERO};
    GLfloat colour_[4] = {0.0f, 0.0f, 0.0f, 0.0f};
};

}  // namespace

Shader* FixedNameShader::get() {
    if (!shader_) {
        if (ShaderManager* manager = ShaderManager::instance()) shader_ = manager->find(name_);
        if (!shader_ && !reported_) {
            logger().printf("No shader \"%s\": the lighting passes that need it are left out", name_);
            reported_ = true;
        }
    }
    return shader_.get();
}

const std::vector<SceneNode*>& LightingGroup::lights() const {
    if (lights_.empty()) gatherLightNodes(*this, isPerPixelLight, lights_);
    return lights_;
}

void LightingGroup::setShadows(bool on) {
    shadows_ = on;
    if (on && !shadowGroup_) {
        shadowGroup_ = std::make_unique<ShadowVolumeGroup>();
        shadowGroup_->setLightSource(this);
    }
}

std::vector<SceneNode*> LightingGroup::collect(const Frustum* frustum) {
    std::vector<SceneNode*> nodes;
    if (frustum)
        collectVisible(*frustum, nodes);
    else
        collectEnabled(nodes);
    return nodes;
}

float spotTextureScale(float cutoffDegrees) {
    const float cutoff = std::clamp(cutoffDegrees, 1.0f, 90.0f);
    return cutoff >= 90.0f ? 0.0f : std::tan((90.0f - cutoff) * 3.14159265f / 180.0f);
}

// ---- "PerPixelLighting {"

void PerPixelLightingGroup::renderAll() { render(nullptr); }

void PerPixelLightingGroup::renderVisible(const Frustum& frustum) { render(&frustum); }

void PerPixelLightingGroup::render(const Frustum* frustum) {
    if (!isEnabled()) return;
    const std::vector<SceneNode*> nodes = collect(frustum);
    drawThenShadow(nodes, frustum, [&] {
        SavedPassState saved;
        glPushAttrib(GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT | GL_CURRENT_BIT | GL_TEXTURE_BIT | GL_TRANSFORM_BIT);
        glDisable(GL_LIGHTING);
        // Each mesh's first pass lays down its depth and colour, later passes add to it.
        std::vector<char> lit(nodes.size(), 0);
        for (SceneNode* light : lights()) {
            if (!seenLight(*light, frustum)) continue;
            for (std::size_t i = 0; i < nodes.size(); ++i)
                if (litMesh(*nodes[i], *light) && lightPass(static_cast<MeshNode&>(*nodes[i]), *light, !lit[i]))
                    lit[i] = 1;
        }
        // The surfaces lie exactly on the depth the light passes laid down: they pass where it is equal.
        glDepthMask(GL_TRUE);
        glDepthFunc(GL_LEQUAL);
        glDisable(GL_BLEND);
        for (SceneNode* node : nodes) surfacePass(*node);
        glPopAttrib();
    });
}

bool PerPixelLightingGroup::lightPass(MeshNode& node, SceneNode& light, bool first) {
    const bool point = light.type() == NodeType::PointLight;
    Shader* shader = point ? pointShader_.get() : spotShader_.get();
    Vec3 reach;
    if (!shader || !reachOf(light, reach)) return false;
    const Mesh& mesh = *node.mesh();
    shader->begin();
    if (first) {
        glDepthMask(GL_TRUE);
        glDepthFunc(GL_LESS);
        glDisable(GL_BLEND);
    } else {
        glDepthMask(GL_FALSE);
        glDepthFunc(GL_LEQUAL);
        glEnable(GL_BLEND);
        glBlendFunc(GL_ONE, GL_ONE);
    }
    const Vec3 lp = volumeLightIn(node, light).position;
    const Vec3 towards = lp.normalized();
    activeUnit(GL_TEXTURE1_ARB);
    glTexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_COLOR, colourOf(light).data());
    activeUnit(GL_TEXTURE0_ARB);

    glPushMatrix();
    glMultMatrixf(node.nodeMatrix().data());
    if (point) {
        // A light at the mesh's origin has no direction: every corner counts as facing it.
        const bool inside = towards.length() == 0.0f;
        drawUnblendedTriangles(mesh, [&](const MeshVertex& v) {
            const Vec3 a = {(v.position.x - lp.x) / reach.x, (v.position.y - lp.y) / reach.y,
                            (v.position.z - lp.z) / reach.z};
            const float c = inside ? 1.0f : std::max(dot(v.normal, towards), 0.0f);
            glColor3f(c, c, c);
            multiTexCoord(GL_TEXTURE0_ARB, 0.5f * a.x + 0.5f, 0.5f * a.y + 0.5f, 0.0f, 2);
            multiTexCoord(GL_TEXTURE1_ARB, 0.5f * a.z + 0.5f, 0.0f, 0.0f, 1);
            glVertex3f(v.position.x, v.position.y, v.position.z);
        });
    } else {
        // Unit 0's coordinates become the corner in the light's space, its cone axis scaled to the cutoff. The
        // node's matrix comes last so that the mesh's own positions are taken into the world first.
        const auto& spot = static_cast<SpotLight&>(light);
        const float k = spotTextureScale(spot.cutoff);
        glMatrixMode(GL_TEXTURE);
        glLoadIdentity();
        glScalef(k, k, 1.0f);
        glMultMatrixf(spot.worldRotation().data());  // read column by column: the inverse of the rotation
        glTranslatef(-spot.lightPosition.x, -spot.lightPosition.y, -spot.lightPosition.z);
        glMultMatrixf(node.nodeMatrix().data());
        glMatrixMode(GL_MODELVIEW);
        glColor3f(1.0f, 1.0f, 1.0f);
        drawUnblendedTriangles(mesh, [](const MeshVertex& v) {
            multiTexCoord(GL_TEXTURE0_ARB, v.position.x, v.position.y, v.position.z, 3);
            multiTexCoord(GL_TEXTURE1_ARB, 0.5f, 0.5f, 0.0f, 2);
            glVertex3f(v.position.x, v.position.y, v.position.z);
        });
        glMatrixMode(GL_TEXTURE);
        glLoadIdentity();
        glMatrixMode(GL_MODELVIEW);
    }
    glPopMatrix();
    shader->end();
    return true;
}

void PerPixelLightingGroup::surfacePass(SceneNode& node) {
    if (node.type() == NodeType::LensFlare) {
        node.renderAll();
        return;
    }
    glPushMatrix();
    glMultMatrixf(node.nodeMatrix().data());
    if (node.type() == NodeType::Mesh) {
        if (Mesh* mesh = static_cast<MeshNode&>(node).mesh()) {
            // The surfaces multiply what the light passes left; blended batches blend their own way.
            mesh->enableArrays();
            glEnable(GL_BLEND);
            glBlendFunc(GL_DST_COLOR, GL_ZERO);
            glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
            mesh->drawOpaque(true);
            mesh->drawBlended(true);
            glDisable(GL_BLEND);
            mesh->disableArrays();
        }
    } else if (node.type() == NodeType::PointLight) {
        auto& sprite = static_cast<PointLight&>(node);
        const std::array<float, 4> colour = sprite.color;
        sprite.color = {1.0f, 1.0f, 1.0f, 1.0f};
        sprite.draw();
        sprite.color = colour;
    } else {
        node.draw();
    }
    glPopMatrix();
}

// ---- "PerPixelBumpMapLighting {"

void PerPixelBumpMapGroup::renderAll() { render(nullptr); }

void PerPixelBumpMapGroup::renderVisible(const Frustum& frustum) { render(&frustum); }

void PerPixelBumpMapGroup::render(const Frustum* frustum) {
    if (!isEnabled()) return;
    Shader* shader = bumpShader_.get();
    const std::vector<SceneNode*> nodes = collect(frustum);
    drawThenShadow(nodes, frustum, [&] {
        if (frustum)
            SceneNode::renderVisible(*frustum);
        else
            SceneNode::renderAll();
        if (shader) bumpPasses(*shader, nodes, frustum);
    });
}

void PerPixelBumpMapGroup::bumpPasses(Shader& shader, const std::vector<SceneNode*>& nodes, const Frustum* frustum) {
    GLfloat offset[2] = {0.0f, 0.0f};
    glGetFloatv(GL_POLYGON_OFFSET_FACTOR, &offset[0]);
    glGetFloatv(GL_POLYGON_OFFSET_UNITS, &offset[1]);
    glPolygonOffset(0.0f, -2.0f);
    glEnable(GL_POLYGON_OFFSET_FILL);
    SavedPassState saved;
    glPushAttrib(GL_ENABLE_BIT);
    glDisable(GL_LIGHTING);
    shader.begin();
    const bool depthLocked = RenderStateLocks::isLocked(RenderStateKind::ZBuffer);
    RenderStateLocks::setLocked(RenderStateKind::ZBuffer, true);
    glDepthFunc(GL_LEQUAL);
    glDepthMask(GL_FALSE);
    for (SceneNode* light : lights()) {
        Vec3 reach;
        if (!seenLight(*light, frustum) || !reachOf(*light, reach)) continue;
        const std::array<float, 4> colour = colourOf(*light);
        for (SceneNode* node : nodes) {
            Mesh* mesh = litMesh(*node, *light);
            if (!mesh || !mesh->has(MeshFlags::TangentSpace)) continue;
            loadLightParameters(colour, volumeLightIn(*node, *light).position, reach);
            glPushMatrix();
            glMultMatrixf(node->nodeMatrix().data());
            mesh->enableArrays();
            mesh->drawOpaque(false);
            mesh->disableArrays();
            glPopMatrix();
        }
    }
    glDepthMask(GL_TRUE);
    glDepthFunc(GL_LESS);
    RenderStateLocks::setLocked(RenderStateKind::ZBuffer, depthLocked);
    shader.end();
    glPopAttrib();
    glDisable(GL_POLYGON_OFFSET_FILL);
    glPolygonOffset(offset[0], offset[1]);
}

}  // namespace qv3rn
