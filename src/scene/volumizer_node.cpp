// volumizer_node.cpp -- the layers of volumetric light and the look-ups they need.
#include "scene/volumizer_node.h"

#include <GL/glext.h>

#include <cmath>

#include "core/log.h"
#include "gl/extensions.h"
#include "mesh/mesh.h"
#include "scene/camera_node.h"
#include "shader/camera_mgr.h"
#include "scene/mesh_node.h"
#include "shader/render_state.h"
#include "shader/shader.h"

namespace qv3rn {

VolumizerNode::VolumizerNode() : SceneNode(NodeType::Volumizer) {
    const Vec3 low{-2560.0f, -2560.0f, -2560.0f}, high{2560.0f, 2560.0f, 2560.0f};
    setBoundingSphere((low + high) * 0.5f, 0.51f * (high - low).length());
}

int VolumizerNode::layerCount(float density) {
    if (!(density >= 1.0f)) return 0;
    return density >= static_cast<float>(maxLayers) ? maxLayers : static_cast<int>(std::ceil(density));
}

void VolumizerNode::resolveNames(SceneNode& root) {
    volume_ = root.findByName(volumeName);
    emitter_ = root.findByName(emitterName);
}

void VolumizerNode::updateSelf(float time) {
    if (!program_ && GL_ARB_vertex_program_Flag)
        if (ShaderManager* manager = ShaderManager::instance()) program_ = manager->findVertexProgram(programName);
    if (lengthEnvelope_) length = lengthEnvelope_->evaluate(time);
    if (strengthEnvelope_) strength = strengthEnvelope_->evaluate(time);
    if (densityEnvelope_) density = densityEnvelope_->evaluate(time);
}

void VolumizerNode::skip(const char* why) {
    if (reported_) return;
    reported_ = true;
    logger().printf("Volumizer \"%s\" draws nothing: %s", name().c_str(), why);
}

void VolumizerNode::draw() {
    const int layers = layerCount(density);
    if (!(strength > 0.0f) || layers == 0 || !(length > 0.0f)) return;
    if (!GL_ARB_vertex_program_Flag) return skip("the driver has no GL_ARB_vertex_program");
    if (!program_) return skip("no vertex program \"ScaleAlongNormalVP\"");
    const auto* meshNode = dynamic_cast<const MeshNode*>(emitter_);
    Mesh* mesh = meshNode ? meshNode->mesh() : nullptr;
    if (!mesh) return skip(emitter_ ? "the emitter is not a mesh node" : "no emitter node of that name");
    if (!volume_) return skip("no volume node of that name");

    // The volume and the camera in the emitter's own axes, where the program pushes the mesh out.
    const Vec3 origin = emitter_->worldPosition();
    const Vec3 light = intoNodeAxes(*emitter_, volume_->worldPosition() - origin);
    const auto* camera = dynamic_cast<const SceneCamera*>(CameraMgr::instance().currentCamera());
    const Vec3 eye = camera ? intoNodeAxes(*emitter_, camera->position - origin) : Vec3{};

    // The mesh is the emitter's: drawn under the emitter's matrix, not this node's.
    glPushMatrix();
    if (const auto back = nodeMatrix().inverted()) glMultMatrixf(back->data());
    glMultMatrixf(emitter_->nodeMatrix().data());
    if (shader_) shader_->begin();
    const std::uint16_t flags = mesh->flags();
    mesh->setFlags(MeshFlags::Normals | MeshFlags::TexCoords0);
    mesh->enableArrays();
    glEnable(GL_VERTEX_PROGRAM_ARB);
    glBindProgramARB(GL_VERTEX_PROGRAM_ARB, program_);
    glProgramLocalParameter4fARB(GL_VERTEX_PROGRAM_ARB, 1, light.x, light.y, light.z, 0.0f);
    glProgramLocalParameter4fARB(GL_VERTEX_PROGRAM_ARB, 2, eye.x, eye.y, eye.z, 0.0f);
    for (int i = 1; i <= layers; ++i) {
        const float f = static_cast<float>(i) / static_cast<float>(layers);
        glProgramLocalParameter4fARB(GL_VERTEX_PROGRAM_ARB, 0, f * length, f * length, f * length, 0.0f);
        glColor4f(color[0], color[1], color[2], (1.0f - f) * strength * color[3]);
        mesh->drawAll(false);
    }
    mesh->disableArrays();
    mesh->setFlags(flags);
    if (shader_) shader_->end();
    glDisable(GL_VERTEX_PROGRAM_ARB);
    RenderStateLocks::setLocked(RenderStateKind::Blend, false);
    glPopMatrix();
}

}  // namespace qv3rn
