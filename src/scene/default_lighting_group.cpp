// default_lighting_group.cpp -- the passes of the default-lighting group: opaque surfaces, the shadow map of one
// caster and its projection onto the surfaces, then blended surfaces and everything else.
#include "scene/default_lighting_group.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <cmath>

#include "core/log.h"
#include "gl/extensions.h"
#include "scene/light.h"
#include "scene/mesh_node.h"
#include "scene/octree_node.h"
#include "scene/shadow_plane.h"
#include "shader/depth_texture.h"
#include "shader/image_registry.h"
#include "shader/render_state.h"  // Required for: HeldLocks

namespace qv3rn {

namespace {

bool isLightType(NodeType type) {
    return type == NodeType::PointLight || type == NodeType::DirectionalLight || type == NodeType::SpotLight;
}

// Nodes that draw their own subtree in passes of their own: listed themselves, their subtree is left to them.
bool drawsOwnSubtree(const SceneNode& node) {
    return node.type() == NodeType::ShadowVolume || node.type() == NodeType::ShadowPlane ||
           dynamic_cast<const DefaultLightingGroup*>(&node) != nullptr;
}

// The enabled nodes of the group's subtree (the group first) in depth-first order; with a frustum only those
// whose world sphere meets it, cameras excepted.
void collect(SceneNode& node, const Frustum* frustum, bool top, std::vector<SceneNode*>& nodes) {
    if (!node.isEnabled()) return;
    if (!top && drawsOwnSubtree(node)) {
        nodes.push_back(&node);
        return;
    }
    if (node.type() != NodeType::Camera && (!frustum || frustum->intersects(node.worldSphere())))
        nodes.push_back(&node);
    for (const auto& child : node.children()) collect(*child, frustum, false, nodes);
}

SceneNode* firstLight(SceneNode& node) {
    if (!node.isEnabled()) return nullptr;
    if (isLightType(node.type())) return &node;
    for (const auto& child : node.children())
        if (SceneNode* light = firstLight(*child)) return light;
    return nullptr;
}

class UnderNodeMatrix {
public:
    explicit UnderNodeMatrix(const SceneNode& node) {
        glPushMatrix();
        glMultMatrixf(node.nodeMatrix().data());
    }
    ~UnderNodeMatrix() { glPopMatrix(); }
};

// The meshes and octrees of the list, plain: no shaders of their own where the node offers that; with
// `quads`, the quads of shadow planes too (in world coordinates, as the planes draw them).
void drawPlain(const std::vector<SceneNode*>& nodes, bool quads = false) {
    for (SceneNode* node : nodes) {
        if (node->type() == NodeType::ShadowPlane) {
            if (!quads) continue;
            // Drawn with both faces, as the plane draws it.
            const GLboolean culling = glIsEnabled(GL_CULL_FACE);
            glDisable(GL_CULL_FACE);
            static_cast<const ShadowPlane*>(node)->drawQuad();
            if (culling) glEnable(GL_CULL_FACE);
            continue;
        }
        if (auto* mesh = dynamic_cast<MeshNode*>(node); mesh && mesh->mesh()) {
            const UnderNodeMatrix matrix(*node);
            mesh->mesh()->enableArrays();
            mesh->mesh()->drawAll(false);
            mesh->mesh()->disableArrays();
        } else if (node->type() == NodeType::Octree) {
            const UnderNodeMatrix matrix(*node);
            node->draw();
        }
    }
}

// Where the light stands for the shadow map: a directional light stands back from the caster along its
// direction, the others at their own place of this frame.
Vec3 lightEye(const SceneNode& light, const Sphere& caster) {
    if (light.type() == NodeType::DirectionalLight) {
        const Vec3 towards = static_cast<const DirectionalLight&>(light).direction.normalized();
        return caster.center + towards * (4.0f * caster.radius + 1.0f);
    }
    return light.worldPosition();
}

// Sets the bound depth image's comparison, the texture environment, the alpha test and the blending so that
// the pass puts the shadow colour, blended by its alpha, on the points behind the caster and leaves the others.
void compareWithShadowColour(const std::array<float, 4>& colour) {
    const bool combine = GL_ARB_texture_env_combine_Flag;
    if (combine) {
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_COMBINE_ARB);
        glTexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_COLOR, colour.data());
    }
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_COMPARE_MODE_ARB, GL_COMPARE_R_TO_TEXTURE_ARB);
    if (GL_ARB_shadow_ambient_Flag) {
        // Lit points compare to 1, shadowed ones to the fail value 1 - alpha. The colour is the shadow colour
        // scaled by one minus that, and the framebuffer keeps the compared value's share: lit points are left
        // as they are, shadowed ones get colour · alpha + destination · (1 - alpha). (Zero, the value the image
        // starts with and is given back after the pass, is not set.)
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_COMPARE_FUNC_ARB, GL_LEQUAL);
        glTexParameteri(GL_TEXTURE_2D, GL_DEPTH_TEXTURE_MODE_ARB, GL_INTENSITY);
        if (colour[3] != 1.0f) glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_COMPARE_FAIL_VALUE_ARB, 1.0f - colour[3]);
        if (combine) {
            glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_RGB_ARB, GL_MODULATE);
            glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE0_RGB_ARB, GL_CONSTANT_ARB);
            glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND0_RGB_ARB, GL_SRC_COLOR);
            glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE1_RGB_ARB, GL_TEXTURE);
            glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND1_RGB_ARB, GL_ONE_MINUS_SRC_COLOR);
            glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_ALPHA_ARB, GL_REPLACE);
            glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE0_ALPHA_ARB, GL_TEXTURE);
            glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND0_ALPHA_ARB, GL_SRC_ALPHA);
        }
        glAlphaFunc(GL_LESS, 0.99f);
        glBlendFunc(GL_ONE, GL_SRC_ALPHA);
        return;
    }
    // Without a fail value the comparison is turned round: 1 where a point lies behind the caster's depth,
    // into the alpha only, scaled by the shadow colour's alpha; the alpha test keeps the fully shadowed points
    // and the blending puts the shadow colour on them by its alpha. (GL_GEQUAL is the other function every
    // GL_ARB_shadow driver takes; the map's polygon offset keeps lit surfaces strictly in front of it.)
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_COMPARE_FUNC_ARB, GL_GEQUAL);
    glTexParameteri(GL_TEXTURE_2D, GL_DEPTH_TEXTURE_MODE_ARB, GL_ALPHA);
    if (combine) {
        glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_RGB_ARB, GL_REPLACE);
        glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE0_RGB_ARB, GL_CONSTANT_ARB);
        glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND0_RGB_ARB, GL_SRC_COLOR);
        glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_ALPHA_ARB, GL_MODULATE);
        glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE0_ALPHA_ARB, GL_TEXTURE);
        glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND0_ALPHA_ARB, GL_SRC_ALPHA);
        glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE1_ALPHA_ARB, GL_CONSTANT_ARB);
        glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND1_ALPHA_ARB, GL_SRC_ALPHA);
    }
    glAlphaFunc(GL_GEQUAL, 0.99f * colour[3]);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
}

// Opaque surfaces of `nodes`; those drawn whole are marked in `drawn`.
void opaquePass(const std::vector<SceneNode*>& nodes, const Frustum* frustum, std::vector<bool>& drawn) {
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        SceneNode* node = nodes[i];
        if (node->type() == NodeType::ShadowPlane) {
            // Its quad and the shadow on it are opaque surfaces, on which the caster's shadow may fall.
            if (frustum)
                node->renderVisible(*frustum);
            else
                node->renderAll();
            drawn[i] = true;
            continue;
        }
        auto* mesh = dynamic_cast<MeshNode*>(node);
        if (!mesh && node->type() != NodeType::Octree) continue;
        const UnderNodeMatrix matrix(*node);
        if (mesh && mesh->twoPassBlending) {
            mesh->drawOpaqueHalf();
        } else {
            node->draw();
            drawn[i] = true;
        }
    }
}

// The blended halves, then every node not drawn yet (`self`, the group itself, excepted).
void finalPass(const std::vector<SceneNode*>& nodes, const Frustum* frustum, const std::vector<bool>& drawn,
               const SceneNode* self) {
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        SceneNode* node = nodes[i];
        if (drawn[i] || node == self) continue;
        if (drawsOwnSubtree(*node)) {
            if (frustum)
                node->renderVisible(*frustum);
            else
                node->renderAll();
            continue;
        }
        if (node->type() == NodeType::LensFlare) {
            node->renderAll();
            continue;
        }
        const UnderNodeMatrix matrix(*node);
        if (auto* mesh = dynamic_cast<MeshNode*>(node); mesh && mesh->twoPassBlending) {
            // The blended passes leave the blending factors and the depth function changed: put back for what
            // follows. (Read and set again: popping the attribute groups around them did not bring them back on
            // Mesa.)
            GLint depthFunction = GL_LEQUAL, source = GL_ONE, destination = GL_ZERO;
            glGetIntegerv(GL_DEPTH_FUNC, &depthFunction);
            glGetIntegerv(GL_BLEND_SRC, &source);
            glGetIntegerv(GL_BLEND_DST, &destination);
            mesh->drawBlendedHalf();
            glDepthFunc(static_cast<GLenum>(depthFunction));
            glBlendFunc(static_cast<GLenum>(source), static_cast<GLenum>(destination));
        } else {
            node->draw();
        }
    }
}

}  // namespace

void drawLitPasses(const std::vector<SceneNode*>& roots) {
    std::vector<SceneNode*> nodes;
    for (SceneNode* root : roots) collect(*root, nullptr, true, nodes);
    std::vector<bool> drawn(nodes.size(), false);
    opaquePass(nodes, nullptr, drawn);
    finalPass(nodes, nullptr, drawn, nullptr);
}

DefaultLightingGroup::~DefaultLightingGroup() {
    if (shadow_ && shadow_->image) ImageRegistry::instance().releaseHandle(shadow_->image);
}

DefaultLightingGroup::Shadow& DefaultLightingGroup::shadow() {
    if (!shadow_) shadow_.emplace();
    return *shadow_;
}

SceneNode* DefaultLightingGroup::shadowLight() { return firstLight(*this); }

SceneNode* DefaultLightingGroup::findCaster() { return casterName.empty() ? nullptr : findByName(casterName); }

void DefaultLightingGroup::renderAll() { render(nullptr); }

void DefaultLightingGroup::renderVisible(const Frustum& frustum) { render(&frustum); }

void DefaultLightingGroup::dropShadows(const std::string& why) {
    shadow_->on = false;
    logger().writeLine("DefaultLighting \"" + name() + "\": no shadows: " + why);
}

bool DefaultLightingGroup::prepareShadows() {
    if (!shadow_->caster) shadow_->caster = findCaster();
    if (!shadow_->caster) {
        dropShadows(casterName.empty() ? "no caster named" : "no node named \"" + casterName + "\" to cast them");
        return false;
    }
    if (!depthImage_) {
        if (!shadow_->image) shadow_->image = ImageRegistry::instance().find(defaultShadowImage);
        depthImage_ = dynamic_cast<DepthTexture*>(shadow_->image.get());
        if (!depthImage_) {
            dropShadows("the shadow image does not hold depth");
            return false;
        }
    }
    if (!GL_ARB_depth_texture_Flag || !GL_ARB_shadow_Flag) {
        dropShadows("the driver has no depth textures or no depth comparison");
        return false;
    }
    if (!shadowLight()) {
        dropShadows("no light in the group");
        return false;
    }
    return true;
}

void DefaultLightingGroup::render(const Frustum* frustum) {
    if (!isEnabled()) return;
    std::vector<SceneNode*> nodes;
    collect(*this, frustum, true, nodes);

    if (shadowsOn() && prepareShadows()) {
        // The caster throws its shadow into the view from outside it too: its subtree goes into the map
        // whether seen or not.
        std::vector<SceneNode*> casting = nodes;
        if (frustum) {
            std::vector<SceneNode*> caster;
            collect(*shadow_->caster, nullptr, true, caster);
            for (SceneNode* node : caster)
                if (std::find(nodes.begin(), nodes.end(), node) == nodes.end()) casting.push_back(node);
        }
        shadowMapPass(casting);
    }

    std::vector<bool> drawn(nodes.size(), false);
    opaquePass(nodes, frustum, drawn);
    if (shadowsOn()) receiverPass(nodes);
    finalPass(nodes, frustum, drawn, this);
}

void DefaultLightingGroup::shadowMapPass(const std::vector<SceneNode*>& nodes) {
    // The map fills the image, or as much of it as the framebuffer holds.
    GLint viewport[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, viewport);
    mapWidth_ = std::min(depthImage_->width(), static_cast<int>(viewport[0] + viewport[2]));
    mapHeight_ = std::min(depthImage_->height(), static_cast<int>(viewport[1] + viewport[3]));
    if (mapWidth_ <= 0 || mapHeight_ <= 0) return;

    // The light looks at the caster's subtree with a cone just wider than it.
    const Sphere target = shadow_->caster->hierarchySphere();
    const float radius = std::max(target.radius, 1e-3f);
    const Vec3 eye = lightEye(*shadowLight(), {target.center, radius});
    const Vec3 towards = target.center - eye;
    if (!(towards.length() > 1e-6f * radius)) {
        // No direction to look in (or numbers that are not finite): the map would hold nothing sensible.
        dropShadows("the light stands at the caster's centre or has no direction");
        mapWidth_ = mapHeight_ = 0;
        return;
    }
    const float distance = std::max(towards.length(), 1e-3f);
    const float fov = distance > radius ? std::min(2.6f * std::atan(radius / distance) * 57.29578f, 160.0f) : 160.0f;
    const float zNear = std::max(distance - radius, 0.01f * radius);
    const float zFar = (distance + radius) * 20.0f;
    const Vec3 up = std::fabs(towards.normalized().y) > 0.99f ? Vec3{1.0f, 0.0f, 0.0f} : Vec3{0.0f, 1.0f, 0.0f};
    lightProjection_ = Mat4::perspective(fov, static_cast<float>(mapWidth_) / static_cast<float>(mapHeight_), zNear,
                                         zFar);
    lightView_ = Mat4::lookAt(eye, target.center, up);

    // Only depth is drawn, into the framebuffer's corner, which is cleared before and after: the colour there
    // is kept, and the depth left is as the frame's clearing made it.
    const HeldLocks locks{RenderStateKind::Cull, RenderStateKind::ZBuffer};
    glPushAttrib(GL_VIEWPORT_BIT | GL_SCISSOR_BIT | GL_ENABLE_BIT | GL_DEPTH_BUFFER_BIT | GL_COLOR_BUFFER_BIT |
                 GL_POLYGON_BIT | GL_LIGHTING_BIT | GL_TEXTURE_BIT);
    glViewport(0, 0, mapWidth_, mapHeight_);
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 0, mapWidth_, mapHeight_);
    glDepthMask(GL_TRUE);
    glClear(GL_DEPTH_BUFFER_BIT);
    // A framebuffer smaller than the image fills only a corner of it: the rest is set to the far depth, so
    // that nothing looked up there is taken for shadow.
    if (mapWidth_ < depthImage_->width() || mapHeight_ < depthImage_->height())
        for (int y = 0; y < depthImage_->height(); y += mapHeight_)
            for (int x = 0; x < depthImage_->width(); x += mapWidth_)
                depthImage_->copyFromFramebuffer(x, y, 0, 0, std::min(mapWidth_, depthImage_->width() - x),
                                                 std::min(mapHeight_, depthImage_->height() - y));
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadMatrixf(lightProjection_.data());
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadMatrixf(lightView_.data());
    glEnable(GL_CULL_FACE);
    glCullFace(GL_FRONT);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
    glPolygonOffset(1.0f, 4.0f);
    glEnable(GL_POLYGON_OFFSET_FILL);
    drawPlain(nodes);
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    depthImage_->copyFromFramebuffer(0, 0, 0, 0, mapWidth_, mapHeight_);
    glClear(GL_DEPTH_BUFFER_BIT);
    glPopAttrib();
    glCullFace(GL_BACK);
    glShadeModel(GL_SMOOTH);
}

void DefaultLightingGroup::receiverPass(const std::vector<SceneNode*>& nodes) {
    if (mapWidth_ <= 0 || mapHeight_ <= 0) return;
    // Eye-space planes that give each point's place in the map: the bias (into 0..1, and onto the part of the
    // image the map filled) after the light's projection and view. They are given under the camera's view,
    // which the modelview holds here, so they follow world points.
    const float sx = 0.5f * static_cast<float>(mapWidth_) / static_cast<float>(depthImage_->width());
    const float sy = 0.5f * static_cast<float>(mapHeight_) / static_cast<float>(depthImage_->height());
    const float biasNumbers[16] = {sx, 0, 0, 0, 0, sy, 0, 0, 0, 0, 0.5f, 0, sx, sy, 0.5f, 1};
    const Mat4 toMap = lightView_ * lightProjection_ * Mat4::fromArray(biasNumbers);
    const GLenum coordinates[4] = {GL_S, GL_T, GL_R, GL_Q};
    const GLenum generators[4] = {GL_TEXTURE_GEN_S, GL_TEXTURE_GEN_T, GL_TEXTURE_GEN_R, GL_TEXTURE_GEN_Q};

    const HeldLocks locks{RenderStateKind::TextureUnit, RenderStateKind::Alpha, RenderStateKind::Blend,
                          RenderStateKind::ZBuffer, RenderStateKind::Material};
    glPushAttrib(GL_ENABLE_BIT | GL_TEXTURE_BIT | GL_COLOR_BUFFER_BIT | GL_LIGHTING_BIT | GL_DEPTH_BUFFER_BIT |
                 GL_CURRENT_BIT);
    depthImage_->bind(GL_TEXTURE0);
    for (int k = 0; k < 4; ++k) {
        const float row[4] = {toMap[k], toMap[4 + k], toMap[8 + k], toMap[12 + k]};
        glTexGeni(coordinates[k], GL_TEXTURE_GEN_MODE, GL_EYE_LINEAR);
        glTexGenfv(coordinates[k], GL_EYE_PLANE, row);
        glEnable(generators[k]);
    }
    // Points outside the light's view compare with a border at the far plane's depth: never in shadow.
    const bool border = GL_ARB_texture_border_clamp_Flag;
    if (border) {
        const float far[4] = {1.0f, 1.0f, 1.0f, 1.0f};
        glTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_BORDER_COLOR, far);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_BORDER_ARB);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_BORDER_ARB);
    }
    compareWithShadowColour(shadow_->colour);
    glEnable(GL_BLEND);
    glEnable(GL_ALPHA_TEST);
    const std::array<float, 4>& colour = shadow_->colour;
    glColorMaterial(GL_FRONT, GL_AMBIENT_AND_DIFFUSE);
    glEnable(GL_COLOR_MATERIAL);
    glColor4fv(colour.data());
    glDepthMask(GL_FALSE);
    glDepthFunc(GL_LEQUAL);
    drawPlain(nodes, true);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_COMPARE_MODE_ARB, GL_NONE);
    glTexParameteri(GL_TEXTURE_2D, GL_DEPTH_TEXTURE_MODE_ARB, GL_INTENSITY);
    if (GL_ARB_shadow_ambient_Flag && colour[3] != 1.0f)
        glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_COMPARE_FAIL_VALUE_ARB, 0.0f);
    if (border) {
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    }
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    for (const GLenum generator : generators) glDisable(generator);
    depthImage_->unbind(GL_TEXTURE0);
    glPopAttrib();
}

}  // namespace qv3rn
