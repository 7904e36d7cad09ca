// particles_node.cpp -- stepping and drawing the particle system of a scene node.
#include "scene/particles_node.h"

#include <GL/gl.h>

namespace qv3rn {

void ParticlesNode::updateSelf(float time) {
    if (!system_) return;
    if (lastTime_ == 0.0f || time < lastTime_) lastTime_ = time - firstStep;
    system_->update(time - lastTime_);
    lastTime_ = time;
    const BoundingBox& box = system_->bounds();
    setBoundingSphere(box.center(), 0.51f * box.size().length());
}

void ParticlesNode::draw() {
    if (system_) system_->render();
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
}

}  // namespace qv3rn
